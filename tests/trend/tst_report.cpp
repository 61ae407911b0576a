// The report on a seeded history database: which records a query takes, how they become rows
// of one poll each, the headings, and the workbook read back by openpyxl.
#include "historyseed.h"
#include "reportmodel.h"
#include "reportquery.h"
#include "reportworkbook.h"
#include "sqlitehandler.h"
#include "xlsxcellreference.h"
#include "xlsxreadback.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

namespace {

const QDateTime base(QDate(2024, 5, 1), QTime(10, 0, 0));

QString at(qint64 secs, int ms = 0)
{
    return historyTime(base.addSecs(secs).addMSecs(ms));
}

QString second(qint64 secs)
{
    return at(secs).left(19);
}

// Rows as "time|value|value...", the texts the report table shows.
QStringList rowTexts(const ReportModel &model)
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.cellText(r, c);
        rows << cells.join('|');
    }
    return rows;
}

QVector<HistoryRow> without(QVector<HistoryRow> rows, const QString &label, const QString &time)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const HistoryRow &row) {
                                  return row.label == label && row.datetime.startsWith(time);
                              }),
               rows.end());
    return rows;
}

// Polls back to back, as a tick longer than the sampling time stores them: each poll's records
// with its one stamp, the polls 320 ms apart (three blocks of 100 ms and the exchanges).
QVector<HistoryRow> backToBackPolls(const QStringList &labels, int polls)
{
    QVector<HistoryRow> rows;
    const int pollMs = 100 * (labels.size() - 1) + 120;
    for (int p = 0; p < polls; ++p) {
        for (int l = 0; l < labels.size(); ++l)
            rows.append({1, labels.at(l), double(p * 100 + l),
                         historyTime(base.addMSecs(qint64(p) * pollMs))});
    }
    return rows;
}

// Polls as files written before the stamp per poll hold them: each record with its own time, the
// labels of a poll 100 ms apart.
QVector<HistoryRow> ownStampPolls(const QStringList &labels, int polls)
{
    QVector<HistoryRow> rows;
    for (int p = 0; p < polls; ++p) {
        for (int l = 0; l < labels.size(); ++l)
            rows.append({1, labels.at(l), double(p * 100 + l),
                         historyTime(base.addSecs(p).addMSecs(l * 100))});
    }
    return rows;
}

// The rows expected of polls: "time|value|..." per poll, the time that of the poll's first
// stored record, a lost record's cell empty.
QStringList pollTexts(const QVector<HistoryRow> &rows, const QStringList &labels, int polls)
{
    QStringList texts;
    for (int p = 0; p < polls; ++p) {
        QString time;
        QStringList cells;
        for (int l = 0; l < labels.size(); ++l) {
            QString cell;
            for (const HistoryRow &row : rows) {
                if (row.label == labels.at(l) && int(row.value) == p * 100 + l) {
                    cell = QString::number(row.value);
                    if (time.isEmpty())
                        time = row.datetime.left(19);
                }
            }
            cells << cell;
        }
        texts << time + "|" + cells.join('|');
    }
    return texts;
}

QVector<HistoryRow> withoutValues(QVector<HistoryRow> rows, const QList<double> &values)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const HistoryRow &row) { return values.contains(row.value); }),
               rows.end());
    return rows;
}

} // namespace

struct ReportCase
{
    QVector<HistoryRow> rows;
    QStringList labels;
    QDateTime start;
    QDateTime end;
    QStringList expected;
    bool labelIndex = false;
};
Q_DECLARE_METATYPE(ReportCase)

class tst_Report : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clampedEnd_data();
    void clampedEnd();
    void query_data();
    void query();
    void failedSelect();
    void storedValuesAsTheyAre();
    void threadedMatchesOneThread_data();
    void threadedMatchesOneThread();
    void busyFile();
    void headings();
    void workbookHoldsTheTable();
    void workbookFailures();

private:
    QSqlDatabase db() const { return m_f.db(); }
    bool runReport(const QStringList &labels, const QDateTime &start, const QDateTime &end,
                   ReportModel *model, int projectId = 1);

    HistoryFixture m_f;
};

void tst_Report::init()
{
    m_f.setUp();
}

void tst_Report::cleanup()
{
    m_f.tearDown();
}

bool tst_Report::runReport(const QStringList &labels, const QDateTime &start, const QDateTime &end,
                           ReportModel *model, int projectId)
{
    ReportTable table;
    QString error;
    if (ReportQuery(projectId, labels, start, end).run(db(), &table, &error) != ReportQuery::Done) {
        qWarning() << error;
        return false;
    }
    model->setReport(std::move(table));
    return true;
}

void tst_Report::clampedEnd_data()
{
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<QDateTime>("expected");
    QTest::newRow("ten minutes") << base.addSecs(600) << base.addSecs(600);
    QTest::newRow("seven days exactly") << base.addDays(7) << base.addDays(7);
    QTest::newRow("a second more") << base.addDays(7).addSecs(1) << base.addDays(7);
    QTest::newRow("eight days") << base.addDays(8) << base.addDays(7);
    QTest::newRow("end before start") << base.addSecs(-60) << base.addSecs(-60);
}

void tst_Report::clampedEnd()
{
    QFETCH(QDateTime, end);
    QFETCH(QDateTime, expected);
    QCOMPARE(ReportQuery::clampedEnd(base, end), expected);
    QCOMPARE(ReportQuery(1, {"A"}, base, end).end(), expected);
}

void tst_Report::query_data()
{
    QTest::addColumn<ReportCase>("c");
    const QStringList abc{"A", "B", "C"};
    const QVector<HistoryRow> tenPolls = historyPolls(1, abc, 10, base);
    QStringList tenRows;
    for (int p = 0; p < 10; ++p)
        tenRows << QStringLiteral("%1|%2|%3|%4")
                       .arg(second(p))
                       .arg(p * 100)
                       .arg(p * 100 + 1)
                       .arg(p * 100 + 2);

    QTest::newRow("3 labels x 10 polls: 10 rows of 4 cells")
        << ReportCase{tenPolls, abc, base.addSecs(-1), base.addSecs(20), tenRows};
    QTest::newRow("an index on the labels does not group the rows")
        << ReportCase{tenPolls, abc, base.addSecs(-1), base.addSecs(20), tenRows, true};

    struct Lost
    {
        const char *tag;
        QString label;
        int poll;
        QString cells;
    };
    for (const Lost &lost :
         {Lost{"a poll without its middle label", "B", 3, "|300||302"},
          Lost{"a poll without its last label", "C", 5, "|500|501|"},
          Lost{"a poll without its first label", "A", 3, "||301|302"},
          Lost{"the span's first poll without its first label", "A", 0, "||1|2"}}) {
        QStringList expected = tenRows;
        expected[lost.poll] = second(lost.poll) + lost.cells;
        QTest::newRow(lost.tag) << ReportCase{without(tenPolls, lost.label, second(lost.poll)), abc,
                                              base.addSecs(-1), base.addSecs(20), expected};
    }
    QStringList split = tenRows;
    split[3] = second(3) + "|300||";
    split[4] = second(4) + "||401|402";
    QTest::newRow("a poll with its first label only, the next without it") << ReportCase{
        without(without(without(tenPolls, "B", second(3)), "C", second(3)), "A", second(4)), abc,
        base.addSecs(-1), base.addSecs(20), split};

    const QVector<HistoryRow> backToBack = backToBackPolls(abc, 10);
    for (const auto &lost :
         {qMakePair(QStringLiteral("first"), 300.0), qMakePair(QStringLiteral("middle"), 301.0),
          qMakePair(QStringLiteral("last"), 302.0)}) {
        const QVector<HistoryRow> rows = withoutValues(backToBack, {lost.second});
        QTest::newRow(qPrintable("polls back to back, one without its " + lost.first + " label"))
            << ReportCase{rows, abc, base.addSecs(-1), base.addSecs(20), pollTexts(rows, abc, 10)};
    }
    const QVector<HistoryRow> twoLost = withoutValues(backToBack, {300, 601, 602});
    QTest::newRow("polls back to back, records lost in two of them") << ReportCase{
        twoLost, abc, base.addSecs(-1), base.addSecs(20), pollTexts(twoLost, abc, 10)};

    // One row per stamp: a record with a stamp of its own is a row of its own, however close
    // to the others, its time its own.
    QStringList ownRows;
    for (int p = 0; p < 2; ++p) {
        ownRows << second(p) + QStringLiteral("|%1||").arg(p * 100)
                << second(p) + QStringLiteral("||%1|").arg(p * 100 + 1)
                << second(p) + QStringLiteral("|||%1").arg(p * 100 + 2);
    }
    QTest::newRow("records stored with a stamp each: a row each")
        << ReportCase{ownStampPolls(abc, 2), abc, base.addSecs(-1), base.addSecs(20), ownRows};
    QVector<HistoryRow> twoStamps = historyPolls(1, abc, 2, base);
    twoStamps[1].datetime = at(0, 1); // B of the first poll a millisecond later
    QTest::newRow("a stamp one millisecond off is a row of its own")
        << ReportCase{twoStamps,
                      abc,
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(0) + "|0||2", second(0) + "||1|", tenRows.at(1)}};
    QVector<HistoryRow> twice = historyPolls(1, abc, 2, base);
    twice.insert(1, HistoryRow{1, "A", 7, at(0)}); // A stored twice with the first stamp
    const QStringList twiceRows{second(0) + "|0|1|2", tenRows.at(1)};
    QTest::newRow("a label stored twice with one stamp fills its cell once")
        << ReportCase{twice, abc, base.addSecs(-1), base.addSecs(20), twiceRows};
    // Two rows of the label table on one address with different types: of the two records of
    // a stamp the first stored fills the cell, whichever value is the smaller.
    QVector<HistoryRow> twiceSmallerLast = historyPolls(1, abc, 2, base);
    twiceSmallerLast.insert(1, HistoryRow{1, "A", -7, at(0)});
    twiceSmallerLast.append(HistoryRow{1, "C", -9, at(1)});
    QTest::newRow("of a label's two records of one stamp the first stored, not the smaller")
        << ReportCase{twiceSmallerLast, abc, base.addSecs(-1), base.addSecs(20), tenRows.mid(0, 2)};
    const QVector<HistoryRow> twiceUnreadable{
        {1, "A", 5, second(1) + "junk"}, {1, "A", -5, second(1) + "junk"}, {1, "A", 3, at(0)}};
    QTest::newRow("of two records of one unreadable stamp the first stored")
        << ReportCase{twiceUnreadable,
                      {"A"},
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(1) + "|5", second(0) + "|3"}};
    const QVector<HistoryRow> unreadable{{1, "A", 1, second(1) + "junk"},
                                         {1, "B", 2, second(1) + "junk"},
                                         {1, "A", 3, at(0)},
                                         {1, "B", 4, second(0) + " nonsense"}};
    QTest::newRow("stamps SQLite cannot read: rows of their own text, first")
        << ReportCase{unreadable,
                      {"A", "B"},
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(0) + "||4", second(1) + "|1|2", second(0) + "|3|"}};

    QVector<HistoryRow> twoProjects = historyPolls(2, abc, 3, base);
    for (HistoryRow &row : twoProjects)
        row.value += 9000;
    twoProjects += historyPolls(1, abc, 3, base);
    QTest::newRow("another project's equal labels are left out")
        << ReportCase{twoProjects, abc, base.addSecs(-1), base.addSecs(20), tenRows.mid(0, 3)};

    QVector<HistoryRow> others = historyPolls(1, {"A", "D", "B", "C"}, 2, base);
    QTest::newRow("other labels are skipped, columns follow the section")
        << ReportCase{others,
                      {"C", "A"},
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(0) + "|3|0", second(1) + "|103|100"}};

    const QStringList quoted{"it's", "x') OR ('1'='1", "B"};
    QTest::newRow("label names with quotes are values, not SQL")
        << ReportCase{historyPolls(1, quoted, 2, base) + historyPolls(1, {"Z"}, 2, base),
                      quoted,
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(0) + "|0|1|2", second(1) + "|100|101|102"}};

    QTest::newRow("a label twice in a section fills both columns")
        << ReportCase{historyPolls(1, {"A", "B"}, 2, base),
                      {"A", "B", "A"},
                      base.addSecs(-1),
                      base.addSecs(20),
                      {second(0) + "|0|1|0", second(1) + "|100|101|100"}};

    const QVector<HistoryRow> bounds{
        {1, "A", 1, at(-1, 999)}, // the second before the start: out
        {1, "A", 2, at(0, 500)},  // within the start second: in
        {1, "A", 3, at(4, 999)},  // just before the end second: in
        {1, "A", 4, at(5, 0)},    // within the end second: out
        {1, "A", 5, at(5, 500)},  // out
    };
    QTest::newRow("the start second is in, the end second out")
        << ReportCase{bounds, {"A"}, base, base.addSecs(5), {second(0) + "|2", second(4) + "|3"}};

    const QVector<HistoryRow> week{
        {1, "A", 1, at(6 * 86400)},
        {1, "A", 2, at(7 * 86400 - 1, 999)},
        {1, "A", 3, at(7 * 86400, 500)},
        {1, "A", 4, at(7 * 86400 + 3600)},
    };
    QTest::newRow("a span of eight days stops after seven")
        << ReportCase{week,
                      {"A"},
                      base,
                      base.addDays(8),
                      {second(6 * 86400) + "|1", second(7 * 86400 - 1) + "|2"}};

    QTest::newRow("no record in the span")
        << ReportCase{tenPolls, abc, base.addSecs(60), base.addSecs(120), {}};
    QTest::newRow("a section without labels")
        << ReportCase{tenPolls, {}, base.addSecs(-1), base.addSecs(20), {}};
}

void tst_Report::query()
{
    QFETCH(ReportCase, c);
    if (c.labelIndex) {
        QSqlQuery index(db());
        QVERIFY(index.exec("CREATE INDEX data_label ON data (label, datetime)"));
    }
    QVERIFY(seedHistory(db(), c.rows));
    ReportModel model;
    QVERIFY(runReport(c.labels, c.start, c.end, &model));
    QCOMPARE(rowTexts(model), c.expected);
    QCOMPARE(model.columnCount(), c.labels.size() + 1);
    QCOMPARE(model.rowCount(), c.expected.size());
    if (!c.expected.isEmpty()) {
        QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }
}

void tst_Report::failedSelect()
{
    QSqlQuery drop(db());
    QVERIFY(drop.exec("DROP TABLE data"));
    ReportTable table;
    QString error;
    QCOMPARE(ReportQuery(1, {"A"}, base, base.addSecs(10)).run(db(), &table, &error),
             ReportQuery::Failed);
    QVERIFY(!error.isEmpty());
}

// A string label's texts come through as stored, numbers in their shortest exact form, and the
// workbook holds them all as text cells.
void tst_Report::storedValuesAsTheyAre()
{
    const QVariantList stored{QStringLiteral("abc"),
                              QStringLiteral("=1+2"),
                              0.1,
                              1e20,
                              -12.25,
                              3,
                              QStringLiteral(""),
                              QVariant()};
    QSqlQuery insert(db());
    QVERIFY(
        insert.prepare("INSERT INTO data (projectid, label, value, datetime) VALUES (1, ?, ?, ?)"));
    for (int poll = 0; poll < stored.size(); ++poll) {
        insert.bindValue(0, QStringLiteral("S"));
        insert.bindValue(1, stored.at(poll));
        insert.bindValue(2, at(poll));
        QVERIFY(insert.exec());
        insert.bindValue(0, QStringLiteral("N"));
        insert.bindValue(1, poll);
        insert.bindValue(2, at(poll));
        QVERIFY(insert.exec());
    }
    ReportModel model;
    QVERIFY(runReport({"S", "N"}, base.addSecs(-1), base.addSecs(20), &model));
    const QStringList texts{"abc", "=1+2", "0.1", "1e+20", "-12.25", "3", "", ""};
    QCOMPARE(model.rowCount(), texts.size());
    for (int r = 0; r < texts.size(); ++r) {
        QCOMPARE(model.cellText(r, 1), texts.at(r));
        QCOMPARE(model.cellText(r, 2), QString::number(r));
    }

    const QString path = m_f.path("texts.xlsx");
    QString error;
    QCOMPARE(ReportWorkbook::save(model, path, &error), ReportWorkbook::Saved);
    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    for (int r = 0; r < texts.size(); ++r) {
        const QString cell = "B" + QString::number(r + 2);
        if (texts.at(r).isEmpty()) {
            QVERIFY(!sheet.cells.contains(cell));
            continue;
        }
        QCOMPARE(sheet.cells.value(cell).type, QStringLiteral("s"));
        QCOMPARE(sheet.cells.value(cell).text, texts.at(r));
    }
}

void tst_Report::threadedMatchesOneThread_data()
{
    QTest::addColumn<int>("threads");
    QTest::newRow("2 threads") << 2;
    QTest::newRow("3 threads") << 3;
    QTest::newRow("more threads than labels") << 16;
    QTest::newRow("one a core") << 0;
}

// The labels read side by side give the table read one label after the other: texts, NULLs,
// lost records, a label listed twice and one without records.
void tst_Report::threadedMatchesOneThread()
{
    QFETCH(int, threads);
    const QStringList labels{"A", "S", "B", "none", "A", "C"};
    const int polls = 12;
    QSqlQuery insert(db());
    QVERIFY(
        insert.prepare("INSERT INTO data (projectid, label, value, datetime) VALUES (1, ?, ?, ?)"));
    for (int p = 0; p < polls; ++p) {
        const QList<QPair<QString, QVariant>> poll{
            {"A", p * 100},
            {"S", p % 3 == 0 ? QVariant(QStringLiteral("=%1+1").arg(p)) : QVariant(p + 0.5)},
            {"B", p % 4 == 1 ? QVariant() : QVariant(p * 100 + 2)},
            {"C", p * 100 + 3},
        };
        for (int l = 0; l < poll.size(); ++l) {
            // Lost: the first label of poll 3, the middle of poll 5, the last of poll 7.
            if ((p == 3 && l == 0) || (p == 5 && l == 1) || (p == 7 && l == 3))
                continue;
            insert.bindValue(0, poll.at(l).first);
            insert.bindValue(1, poll.at(l).second);
            insert.bindValue(2, at(p));
            QVERIFY(insert.exec());
        }
    }
    const QDateTime start = base.addSecs(-1);
    const QDateTime end = base.addSecs(polls + 1);
    ReportTable single;
    QString error;
    ReportQuery one(1, labels, start, end);
    one.setThreads(1);
    QCOMPARE(one.run(db(), &single, &error), ReportQuery::Done);
    QCOMPARE(single.rowCount(), polls);
    QCOMPARE(single.valueText(3, 0), QString());
    QCOMPARE(single.valueText(3, 1), QStringLiteral("=3+1"));
    QCOMPARE(single.valueText(5, 1), QString());
    QCOMPARE(single.valueText(1, 2), QString()); // NULL
    QCOMPARE(single.valueText(7, 5), QString());
    QCOMPARE(single.valueText(7, 4), QStringLiteral("700"));

    ReportTable threaded;
    ReportQuery many(1, labels, start, end);
    many.setThreads(threads);
    int progress = 0;
    many.setProgress([&] { ++progress; });
    QCOMPARE(many.run(db(), &threaded, &error), ReportQuery::Done);
    QVERIFY(progress > 0);
    QCOMPARE(threaded.labels, single.labels);
    QCOMPARE(threaded.rowCount(), single.rowCount());
    for (int r = 0; r < single.rowCount(); ++r) {
        QCOMPARE(threaded.timeText(r), single.timeText(r));
        for (int l = 0; l < labels.size(); ++l) {
            const double value = single.value(r, l);
            QCOMPARE(std::isnan(threaded.value(r, l)), std::isnan(value));
            if (!std::isnan(value))
                QCOMPARE(threaded.value(r, l), value);
            QCOMPARE(threaded.valueText(r, l), single.valueText(r, l));
        }
    }
    // The workers' connections are gone again.
    for (const QString &name : QSqlDatabase::connectionNames())
        QVERIFY2(!name.startsWith("morvelin_history_read"), qPrintable(name));
}

// Another connection holding a write lock: the report says the file is busy.
void tst_Report::busyFile()
{
    QVERIFY(seedHistory(db(), historyPolls(1, {"A"}, 2, base)));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
        other.setDatabaseName(m_f.handler->databaseFile());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
        ReportTable table;
        QString error;
        QCOMPARE(
            ReportQuery(1, {"A"}, base.addSecs(-1), base.addSecs(10)).run(db(), &table, &error),
            ReportQuery::Busy);
        QVERIFY(!error.isEmpty());
        QVERIFY(hold.exec("ROLLBACK"));
        QCOMPARE(
            ReportQuery(1, {"A"}, base.addSecs(-1), base.addSecs(10)).run(db(), &table, &error),
            ReportQuery::Done);
        QCOMPARE(table.rowCount(), 2);
        other.close();
    }
    QSqlDatabase::removeDatabase("holder");
}

void tst_Report::headings()
{
    QVERIFY(seedHistory(db(), historyPolls(1, {"A", "B", "C"}, 1, base)));
    ReportTable table;
    QString error;
    QCOMPARE(ReportQuery(1, {"A", "B", "C"}, base, base.addSecs(5)).run(db(), &table, &error),
             ReportQuery::Done);
    // B is not in the label table: its heading is empty, C's stays over C.
    table.descriptions = QStringList{"Tank level", "", "Pump speed"};
    ReportModel model;
    model.setReport(table);
    QSignalSpy headers(&model, &ReportModel::headerDataChanged);
    const auto headingRow = [&] {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c)
            texts << model.headerData(c, Qt::Horizontal).toString();
        return texts;
    };
    QCOMPARE(headingRow(), (QStringList{"时间", "A", "B", "C"}));
    model.setHeading(ReportModel::HeadingDescription);
    QCOMPARE(headingRow(), (QStringList{"时间", "Tank level", "", "Pump speed"}));
    QCOMPARE(headers.count(), 1);
    model.setHeading(-1);
    QCOMPARE(headingRow(), (QStringList{"时间", "", "", ""}));
    QCOMPARE(model.headerData(0, Qt::Vertical).toInt(), 1);
}

void tst_Report::workbookHoldsTheTable()
{
    QStringList labels;
    for (int i = 1; i <= 30; ++i)
        labels << QStringLiteral("L%1").arg(i, 2, 10, QLatin1Char('0'));
    QVector<HistoryRow> rows = historyPolls(1, labels, 4, base);
    rows[5].value = 0.1;    // shortest text of a double
    rows[6].value = -12.25; // a negative value
    rows[7].value = 1e20;   // an exponent
    rows = without(rows, "L07", second(2));
    QVERIFY(seedHistory(db(), rows));
    ReportModel model;
    QVERIFY(runReport(labels, base.addSecs(-1), base.addSecs(10), &model));
    QCOMPARE(model.columnCount(), 31);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.cellText(0, 6), QStringLiteral("0.1"));
    QCOMPARE(model.cellText(2, 7), QString());

    const QString path = m_f.path("report.xlsx");
    QString error;
    QCOMPARE(ReportWorkbook::save(model, path, &error), ReportWorkbook::Saved);
    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));

    QMap<QString, QString> expected;
    for (int c = 0; c < model.columnCount(); ++c) {
        const QString column = QXlsx::CellReference::columnName(c + 1);
        expected.insert(column + "1", model.headingText(c));
        for (int r = 0; r < model.rowCount(); ++r) {
            if (!model.cellText(r, c).isEmpty())
                expected.insert(column + QString::number(r + 2), model.cellText(r, c));
        }
    }
    QMap<QString, QString> written;
    for (auto it = sheet.cells.cbegin(); it != sheet.cells.cend(); ++it) {
        QCOMPARE(it.value().type, QStringLiteral("s")); // every cell is text
        written.insert(it.key(), it.value().text);
    }
    QCOMPARE(written, expected);
    QCOMPARE(written.value("A1"), QStringLiteral("时间"));
    QCOMPARE(written.value("AE1"), QStringLiteral("L30"));
    QCOMPARE(written.value("A2"), second(0));
    QVERIFY(!written.contains("H4")); // L07 of the third poll
}

void tst_Report::workbookFailures()
{
    const QString blocker = m_f.path("blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(seedHistory(db(), historyPolls(1, {"A"}, 2, base)));
    ReportModel model;
    QVERIFY(runReport({"A"}, base.addSecs(-1), base.addSecs(10), &model));
    QString error;
    QCOMPARE(ReportWorkbook::save(model, blocker + "/report.xlsx", &error), ReportWorkbook::Failed);
    QVERIFY(!error.isEmpty());

    // One row more than a worksheet holds below its heading row: said, and nothing written.
    ReportTable big;
    big.labels = QStringList{"A"};
    big.descriptions = QStringList{""};
    big.columnOf = QVector<int>{0};
    big.columns.resize(1);
    for (int r = 0; r <= ReportWorkbook::maxReportRows; ++r) {
        big.stamps.append(qint64(r) * 1000);
        big.columns[0].rows.append(r);
        big.columns[0].values.append(1.0);
    }
    model.setReport(big);
    const QString bigPath = m_f.path("big.xlsx");
    QCOMPARE(ReportWorkbook::save(model, bigPath, &error), ReportWorkbook::TooManyRows);
    QVERIFY(error.contains(QString::number(ReportWorkbook::maxReportRows + 1)));
    QVERIFY(!QFile::exists(bigPath));
    // Exactly as many rows as fit are written.
    big.stamps.removeLast();
    big.columns[0].rows.removeLast();
    big.columns[0].values.removeLast();
    model.setReport(big);
    QCOMPARE(ReportWorkbook::save(model, bigPath, &error), ReportWorkbook::Saved);
    QVERIFY(QFile::exists(bigPath));
}

QTEST_GUILESS_MAIN(tst_Report)
#include "tst_report.moc"
