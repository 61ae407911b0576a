#include "historyreader.h"
#include "historyrules.h"
#include "sqlitehandler.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

namespace {

const char timeFormat[] = "yyyy-MM-dd hh:mm:ss.zzz";

QDateTime local(const QString &text)
{
    return QDateTime::fromString(text, QLatin1String(timeFormat));
}

QDateTime second(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

} // namespace

// Reads against a real database file seeded with two projects that share label names, a label
// with a quote, rows stored out of time order, a constant label and millisecond times.
class tst_HistoryReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readWindow_data();
    void readWindow();
    void failedRead();
    void backfillOfResume();
    void searchOfADayKeepsAnExcursion();
    void threadedReadMatchesOneThread_data();
    void threadedReadMatchesOneThread();
    void timeConversion_data();
    void timeConversion();
    void tableHasTheIndex();

private:
    void insert(int project, const QString &label, const QString &time, const QVariant &value);

    QTemporaryDir m_dir;
    SQLiteHandler m_handler;
    // Start of the 86,400 rows of label "day", one a second, with a 10-s excursion to 100 at
    // noon and one to -40 at 18:00.
    const QDateTime m_dayStart = second(QStringLiteral("2024-02-01 00:00:00"));
};

void tst_HistoryReader::insert(int project, const QString &label, const QString &time,
                               const QVariant &value)
{
    QVERIFY(m_handler.insertRecord(QStringLiteral("data"), {{QStringLiteral("projectid"), project},
                                                            {QStringLiteral("label"), label},
                                                            {QStringLiteral("datetime"), time},
                                                            {QStringLiteral("value"), value}}));
}

void tst_HistoryReader::initTestCase()
{
    // A zone with daylight saving time, so the offset of each hour matters.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QVERIFY(m_dir.isValid());
    QVERIFY(m_handler.openDatabase(m_dir.filePath(QStringLiteral("HistoryData.db"))));

    const QStringList rows{
        // project, label, time, value
        "1|a|2024-01-01 09:59:59.999|1",
        "1|a|2024-01-01 10:00:00.000|2",
        "1|a|2024-01-01 10:00:01.500|4",
        "1|a|2024-01-01 10:00:00.250|3",
        "1|a|2024-01-01 10:00:02.000|5",
        "1|a|2024-01-01 10:00:01.999|6",
        "2|a|2024-01-01 10:00:00.500|100",
        "1|b'c|2024-01-01 10:00:00.400|7",
        "1|b'c|2024-01-01 10:00:01.100|8",
        "1|const|2024-01-01 10:00:00.000|20",
        "1|const|2024-01-01 10:00:01.000|20",
        "1|a|2024-01-01 10:00:01|9",
        "1|a|garbage|10",
        // A NaN is kept by SQLite as NULL; the infinities as they are.
        "1|holes|2024-01-01 10:00:00.000|1",
        "1|holes|2024-01-01 10:00:00.500|null",
        "1|holes|2024-01-01 10:00:01.000|inf",
        "1|holes|2024-01-01 10:00:01.500|-inf",
        "1|holes|2024-01-01 10:00:01.700|nan",
        "1|holes|2024-01-01 10:00:02.000|2",
    };
    QSqlDatabase db = m_handler.database();
    QVERIFY(db.transaction());
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        const QVariant value = f[3] == "null"   ? QVariant()
                               : f[3] == "inf"  ? QVariant(qInf())
                               : f[3] == "-inf" ? QVariant(-qInf())
                               : f[3] == "nan"  ? QVariant(qQNaN())
                                                : QVariant(f[3].toDouble());
        insert(f[0].toInt(), f[1], f[2], value);
    }
    for (int i = 0; i < 86400; ++i) {
        const bool high = i >= 43200 && i < 43210;
        const bool low = i >= 64800 && i < 64810;
        insert(1, QStringLiteral("day"),
               m_dayStart.addSecs(i).addMSecs(123).toString(QLatin1String(timeFormat)),
               high  ? 100
               : low ? -40
                     : 10 + (i % 600) / 60.0);
    }
    QVERIFY(db.commit());
}

void tst_HistoryReader::readWindow_data()
{
    QTest::addColumn<int>("project");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    // "ss.zzz=value" of every sample returned, in order.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("start second in, end second out, in time order, not id order")
        << 1 << "a"
        << "2024-01-01 10:00:00"
        << "2024-01-01 10:00:02"
        << QStringList{"00.000=2", "00.250=3", "01.000=9", "01.500=4", "01.999=6"};
    QTest::newRow("the other project's label of the same name")
        << 2 << "a"
        << "2024-01-01 10:00:00"
        << "2024-01-01 10:00:02" << QStringList{"00.500=100"};
    QTest::newRow("a label with a quote gets its history")
        << 1 << "b'c"
        << "2024-01-01 10:00:00"
        << "2024-01-01 10:00:02" << QStringList{"00.400=7", "01.100=8"};
    QTest::newRow("constant label")
        << 1 << "const"
        << "2024-01-01 10:00:00"
        << "2024-01-01 10:00:05" << QStringList{"00.000=20", "01.000=20"};
    QTest::newRow("NULL, infinite and NaN rows are no samples")
        << 1 << "holes"
        << "2024-01-01 10:00:00"
        << "2024-01-01 10:00:05" << QStringList{"00.000=1", "02.000=2"};
    QTest::newRow("unknown label") << 1 << "zz"
                                   << "2024-01-01 10:00:00"
                                   << "2024-01-01 10:00:05" << QStringList{};
    QTest::newRow("empty window") << 1 << "a"
                                  << "2024-01-01 10:00:01"
                                  << "2024-01-01 10:00:01" << QStringList{};
    QTest::newRow("reversed window") << 1 << "a"
                                     << "2024-01-01 10:00:02"
                                     << "2024-01-01 10:00:00" << QStringList{};
}

void tst_HistoryReader::readWindow()
{
    QFETCH(int, project);
    QFETCH(QString, label);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QStringList, expected);

    HistoryReader reader(m_handler.database());
    bool ok = false;
    const QVector<HistorySample> samples
        = reader.read(project, label, second(start), second(end), &ok);
    QVERIFY(ok);
    QStringList got;
    for (const HistorySample &sample : samples)
        got << QDateTime::fromMSecsSinceEpoch(sample.msecs).toString(QStringLiteral("ss.zzz"))
                   + QLatin1Char('=') + QString::number(sample.value);
    QCOMPARE(got, expected);
}

void tst_HistoryReader::failedRead()
{
    QSqlDatabase closed;
    HistoryReader reader(closed);
    bool ok = true;
    QVERIFY(reader
                .read(1, QStringLiteral("a"), second("2024-01-01 10:00:00"),
                      second("2024-01-01 10:00:02"), &ok)
                .isEmpty());
    QVERIFY(!ok);
    QVERIFY(!reader.errorText().isEmpty());
}

void tst_HistoryReader::backfillOfResume()
{
    // Paused at 10:00:00.x, resumed at 10:00:02.x: the rows of the pause second and the next
    // come back, the resume second's do not; one point a second.
    HistoryReader reader(m_handler.database());
    const QVector<HistorySample> samples = reader.read(
        1, QStringLiteral("a"), local("2024-01-01 10:00:00.700"), local("2024-01-01 10:00:02.400"));
    const QVector<QPointF> points = HistoryRules::lastPerSecond(samples);
    QCOMPARE(points.size(), 2);
    QCOMPARE(points[0], QPointF(double(local("2024-01-01 10:00:00.250").toMSecsSinceEpoch()), 3));
    QCOMPARE(points[1], QPointF(double(local("2024-01-01 10:00:01.000").toMSecsSinceEpoch()), 6));
}

void tst_HistoryReader::searchOfADayKeepsAnExcursion()
{
    // A day on 1,600 pixel columns: 54 samples a column, four drawn at most.
    HistoryReader reader(m_handler.database());
    const HistoryRules::Window window = HistoryRules::searchWindow(m_dayStart, 86400);
    bool ok = false;
    const QVector<HistorySample> drawn
        = reader.readColumns(1, QStringLiteral("day"), window.start, window.end, 1600, &ok);
    QVERIFY(ok);
    QVERIFY2(drawn.size() > 1600 && drawn.size() <= 4 * 1600,
             qPrintable(QString::number(drawn.size())));
    // Both excursions are drawn at their own times, and the extremes a search fits its axis to
    // take them in.
    const qint64 noon = m_dayStart.addSecs(43200).addMSecs(123).toMSecsSinceEpoch();
    const qint64 evening = m_dayStart.addSecs(64800).addMSecs(123).toMSecsSinceEpoch();
    bool high = false;
    bool low = false;
    HistoryRules::Extremes extremes;
    extremes.start(drawn.first().value);
    for (int i = 0; i < drawn.size(); ++i) {
        if (i > 0)
            QVERIFY(drawn[i].msecs > drawn[i - 1].msecs);
        high
            = high
              || (drawn[i].value == 100 && drawn[i].msecs >= noon && drawn[i].msecs < noon + 10000);
        low = low
              || (drawn[i].value == -40 && drawn[i].msecs >= evening
                  && drawn[i].msecs < evening + 10000);
        extremes.include(drawn[i].value);
    }
    QVERIFY(high);
    QVERIFY(low);
    QCOMPARE(extremes.max(), 100.0);
    QCOMPARE(extremes.min(), -40.0);
    // The first and the last sample of the window are drawn.
    QCOMPARE(drawn.first().msecs, m_dayStart.addMSecs(123).toMSecsSinceEpoch());
    QCOMPARE(drawn.last().msecs, m_dayStart.addSecs(86399).addMSecs(123).toMSecsSinceEpoch());
}

void tst_HistoryReader::threadedReadMatchesOneThread_data()
{
    QTest::addColumn<int>("columns");
    QTest::newRow("every sample") << 0;
    QTest::newRow("thinned to 300 columns") << 300;
}

void tst_HistoryReader::threadedReadMatchesOneThread()
{
    QFETCH(int, columns);
    // Labels with and without rows, one twice, a quote, the NULL and infinite rows.
    const QStringList labels{"day", "a", "b'c", "zz", "holes", "day", "const", "a"};
    const QDateTime start = second("2024-01-01 10:00:00");
    const QDateTime end = second("2024-02-01 06:00:00");
    bool ok = false;
    const QVector<QVector<HistorySample>> single
        = HistoryReader::readLabels(m_handler.database(), 1, labels, start, end, columns, 1, &ok);
    QVERIFY(ok);
    QCOMPARE(single.size(), labels.size());
    QCOMPARE(single[0].size(), columns ? int(single[0].size()) : 6 * 3600);
    QVERIFY(!single[0].isEmpty() && single[3].isEmpty());
    QCOMPARE(single[4].size(), 2);
    for (int threads : {2, 4, 0}) {
        const QVector<QVector<HistorySample>> threaded = HistoryReader::readLabels(
            m_handler.database(), 1, labels, start, end, columns, threads, &ok);
        QVERIFY(ok);
        QCOMPARE(threaded.size(), single.size());
        for (int l = 0; l < labels.size(); ++l) {
            QCOMPARE(threaded[l].size(), single[l].size());
            for (int i = 0; i < single[l].size(); ++i) {
                QCOMPARE(threaded[l][i].msecs, single[l][i].msecs);
                QCOMPARE(threaded[l][i].value, single[l][i].value);
            }
        }
    }
    // The workers' connections are gone again.
    for (const QString &name : QSqlDatabase::connectionNames())
        QVERIFY2(!name.startsWith("morvelin_history_read"), qPrintable(name));
}

void tst_HistoryReader::timeConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("winter") << "2024-01-01 10:00:00.250" << true;
    QTest::newRow("summer") << "2024-07-15 23:59:59.999" << true;
    QTest::newRow("before the spring change") << "2024-03-31 01:59:59.999" << true;
    QTest::newRow("after the spring change") << "2024-03-31 03:00:00.000" << true;
    QTest::newRow("after the autumn change") << "2024-10-27 04:00:00.000" << true;
    QTest::newRow("leap day") << "2024-02-29 12:30:00.001" << true;
    QTest::newRow("without milliseconds") << "2024-01-01 10:00:01" << true;
    QTest::newRow("garbage") << "garbage" << false;
    QTest::newRow("letters in the time") << "2024-01-01 1x:00:00.000" << false;
    QTest::newRow("month 13") << "2024-13-01 10:00:00.000" << false;
}

void tst_HistoryReader::timeConversion()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    HistoryReader reader(m_handler.database());
    // Each text after another hour, so the cached offset of the previous hour must not leak in.
    for (const QString &before :
         {QStringLiteral("2024-01-01 00:00:00.000"), QStringLiteral("2024-07-01 00:00:00.000")}) {
        qint64 ignored = 0;
        QVERIFY(reader.toMsecs(before, &ignored));
        qint64 msecs = 0;
        QCOMPARE(reader.toMsecs(text, &msecs), valid);
        if (valid) {
            const QDateTime expected = text.size() == 23 ? local(text) : second(text);
            QCOMPARE(msecs, expected.toMSecsSinceEpoch());
        }
    }
}

void tst_HistoryReader::tableHasTheIndex()
{
    QSqlQuery query(m_handler.database());
    QVERIFY(query.exec(QStringLiteral("EXPLAIN QUERY PLAN SELECT value, datetime FROM data WHERE "
                                      "label = 'a' AND projectid = 1 AND datetime > '2024' AND "
                                      "datetime < '2025' ORDER BY datetime")));
    QStringList plan;
    while (query.next())
        plan << query.value(3).toString();
    // The reads never visit the table and need no sort of their own.
    QVERIFY2(plan.join(' ').contains(QLatin1String("COVERING INDEX data_label_datetime")),
             qPrintable(plan.join(' ')));
    QVERIFY2(!plan.join(' ').contains(QLatin1String("TEMP B-TREE")), qPrintable(plan.join(' ')));
}

QTEST_GUILESS_MAIN(tst_HistoryReader)
#include "tst_historyreader.moc"
