#include "historyrules.h"
#include "trendrules.h"

#include <QtTest>

Q_DECLARE_METATYPE(HistorySample)

using namespace HistoryRules;

namespace {

const QDateTime base(QDate(2024, 1, 1), QTime(10, 0), Qt::LocalTime);

// A sample at base plus ms milliseconds.
HistorySample at(qint64 ms, double value)
{
    return {base.toMSecsSinceEpoch() + ms, value};
}

} // namespace

class tst_HistoryRules : public QObject
{
    Q_OBJECT

private slots:
    void lastPerSecond_data();
    void lastPerSecond();
    void columnThinning_data();
    void columnThinning();
    void windows();
    void scaleTexts_data();
    void scaleTexts();
    void extremesAndRange_data();
    void extremesAndRange();
};

void tst_HistoryRules::lastPerSecond_data()
{
    QTest::addColumn<QVector<HistorySample>>("samples");
    // Offsets from base in ms of the expected points, and their values.
    QTest::addColumn<QVector<qint64>>("times");
    QTest::addColumn<QVector<double>>("values");

    QTest::newRow("three samples over two seconds")
        << QVector<HistorySample>{at(100, 1), at(900, 2), at(1200, 3)} << QVector<qint64>{900, 1000}
        << QVector<double>{2, 3};
    QTest::newRow("prefill rows .100 .600 1.200")
        << QVector<HistorySample>{at(100, 1), at(600, 2), at(1200, 3)} << QVector<qint64>{600, 1000}
        << QVector<double>{2, 3};
    QTest::newRow("one second only: one point at the whole second")
        << QVector<HistorySample>{at(5100, 1), at(5500, 2), at(5999, 4)} << QVector<qint64>{5000}
        << QVector<double>{4};
    QTest::newRow("a sample a second keeps all, the last cut")
        << QVector<HistorySample>{at(0, 1), at(1250, 2), at(2750, 3)}
        << QVector<qint64>{0, 1250, 2000} << QVector<double>{1, 2, 3};
    QTest::newRow("nothing") << QVector<HistorySample>{} << QVector<qint64>{} << QVector<double>{};
}

void tst_HistoryRules::lastPerSecond()
{
    QFETCH(QVector<HistorySample>, samples);
    QFETCH(QVector<qint64>, times);
    QFETCH(QVector<double>, values);
    const QVector<QPointF> points = HistoryRules::lastPerSecond(samples);
    QCOMPARE(points.size(), times.size());
    for (int i = 0; i < points.size(); ++i) {
        QCOMPARE(qint64(points[i].x()) - base.toMSecsSinceEpoch(), times[i]);
        QCOMPARE(points[i].y(), values[i]);
    }
}

void tst_HistoryRules::columnThinning_data()
{
    // Samples as offsets from base in ms and values, on a window of 1000 ms in 10 columns.
    QTest::addColumn<QVector<HistorySample>>("samples");
    QTest::addColumn<QVector<HistorySample>>("kept");

    QTest::newRow("nothing") << QVector<HistorySample>{} << QVector<HistorySample>{};
    QTest::newRow("a sample a column keeps all")
        << QVector<HistorySample>{at(0, 1), at(150, 5), at(250, 2)}
        << QVector<HistorySample>{at(0, 1), at(150, 5), at(250, 2)};
    QTest::newRow("two in a column keep both") << QVector<HistorySample>{at(100, 3), at(199, 4)}
                                               << QVector<HistorySample>{at(100, 3), at(199, 4)};
    QTest::newRow("first, lowest, highest, last in time order; the rest goes")
        << QVector<HistorySample>{at(300, 5), at(310, 6), at(320, 9), at(330, 7),
                                  at(340, 1), at(350, 4), at(360, 5)}
        << QVector<HistorySample>{at(300, 5), at(320, 9), at(340, 1), at(360, 5)};
    QTest::newRow("a one-sample excursion between plain columns stays")
        << QVector<HistorySample>{at(400, 2), at(450, 2), at(500, 2), at(520, 100),
                                  at(540, 2), at(560, 2), at(600, 2), at(650, 2)}
        << QVector<HistorySample>{at(400, 2), at(450, 2), at(500, 2), at(520, 100),
                                  at(560, 2), at(600, 2), at(650, 2)};
    QTest::newRow("the first of equal extremes; the first is also the lowest")
        << QVector<HistorySample>{at(700, 1), at(710, 8), at(720, 8), at(730, 1), at(740, 3)}
        << QVector<HistorySample>{at(700, 1), at(710, 8), at(740, 3)};
    QTest::newRow("before and after the window: its first and last columns")
        << QVector<HistorySample>{at(-50, 1), at(20, 7), at(990, 4), at(1500, 6)}
        << QVector<HistorySample>{at(-50, 1), at(20, 7), at(990, 4), at(1500, 6)};
}

void tst_HistoryRules::columnThinning()
{
    QFETCH(QVector<HistorySample>, samples);
    QFETCH(QVector<HistorySample>, kept);
    const qint64 start = base.toMSecsSinceEpoch();
    ColumnThinner thinner(start, start + 1000, 10);
    for (const HistorySample &sample : samples)
        thinner.add(sample);
    const QVector<HistorySample> got = thinner.take();
    QCOMPARE(got.size(), kept.size());
    for (int i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].msecs - start, kept[i].msecs - start);
        QCOMPARE(got[i].value, kept[i].value);
    }
    QVERIFY(thinner.take().isEmpty());
}

void tst_HistoryRules::windows()
{
    // Prefill: the last third of the window, truncated to whole seconds.
    const QVector<QPair<int, int>> thirds{
        {60, 20}, {180, 60}, {600, 200}, {100, 33}, {604800, 201600}};
    for (const auto &third : thirds) {
        const Window w = prefillWindow(base, third.first);
        QCOMPARE(w.end, base);
        QCOMPARE(w.start.secsTo(w.end), qint64(third.second));
    }
    const Window search = searchWindow(base, 600);
    QCOMPARE(search.start, base);
    QCOMPARE(HistoryReader::boundText(search.end), QStringLiteral("2024-01-01 10:10:00"));
    QCOMPARE(QVector<int>(std::begin(stepSeconds), std::end(stepSeconds)),
             (QVector<int>{-60, -15, 15, 60}));
}

void tst_HistoryRules::scaleTexts_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<QString>("zero");
    QTest::addColumn<QString>("full");

    QTest::newRow("12.4 rounds down") << 12.4 << "11"
                                      << "13";
    QTest::newRow("12.6 rounds up") << 12.6 << "12"
                                    << "14";
    QTest::newRow("12.5 rounds away from zero") << 12.5 << "12"
                                                << "14";
    QTest::newRow("-0.4 rounds to zero") << -0.4 << "-1"
                                         << "1";
    QTest::newRow("-2.5 rounds away from zero") << -2.5 << "-4"
                                                << "-2";
    QTest::newRow("six digits") << 1234567.8 << "1.23457e+06"
                                << "1.23457e+06";
}

void tst_HistoryRules::scaleTexts()
{
    QFETCH(double, first);
    QFETCH(QString, zero);
    QFETCH(QString, full);
    const ScaleTexts texts = HistoryRules::scaleTexts(first);
    QCOMPARE(texts.zero, zero);
    QCOMPARE(texts.full, full);
}

void tst_HistoryRules::extremesAndRange_data()
{
    QTest::addColumn<QVector<double>>("values");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    QTest::newRow("20.2 to 20.8 starting at 20.4")
        << QVector<double>{20.4, 20.2, 20.8, 20.5} << 20.0 << 20.8 << 19.96 << 20.84;
    QTest::newRow("constant whole number padded by 1")
        << QVector<double>{7, 7, 7} << 7.0 << 7.0 << 6.0 << 8.0;
    QTest::newRow("constant fraction keeps its rounded start")
        << QVector<double>{7.25, 7.25} << 7.0 << 7.25 << 6.9875 << 7.2625;
    QTest::newRow("negative") << QVector<double>{-10, -30, 10} << -30.0 << 10.0 << -32.0 << 12.0;
}

void tst_HistoryRules::extremesAndRange()
{
    QFETCH(QVector<double>, values);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, low);
    QFETCH(double, high);
    Extremes extremes;
    QVERIFY(extremes.isEmpty());
    extremes.start(values.first());
    for (double value : values)
        extremes.include(value);
    QCOMPARE(extremes.min(), min);
    QCOMPARE(extremes.max(), max);
    // The value axis of the history view.
    const TrendRules::AxisRange range = TrendRules::extremesRange(extremes.max(), extremes.min());
    QVERIFY2(qAbs(range.lower - low) < 1e-9, qPrintable(QString::number(range.lower, 'g', 17)));
    QVERIFY2(qAbs(range.upper - high) < 1e-9, qPrintable(QString::number(range.upper, 'g', 17)));
}

QTEST_GUILESS_MAIN(tst_HistoryRules)
#include "tst_historyrules.moc"
