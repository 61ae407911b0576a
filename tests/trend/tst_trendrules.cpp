// The widget-free rules of the trend page: a curve's samples, their lookup by second and the
// windows drawn from them, and the tables, schemes, scales and ranges of the series rows.
#include "trendcurve.h"
#include "trendrules.h"
#include "trendtest.h"

#include <QtTest>
#include <algorithm>

using namespace TrendRules;

namespace {

// A whole second well after the epoch.
const qint64 t0 = 1765360800000;

} // namespace

class tst_TrendRules : public QObject
{
    Q_OBJECT

private slots:
    void secondLookup_data();
    void secondLookup();
    void appendKeepsTimeOrderAndSevenDays();
    void windowKeepsEverySampleWhenFew();
    void windowThinsToColumns_data();
    void windowThinsToColumns();
    void windowMapsValues();
    void feedOnlyWhenMovedAColumn_data();
    void feedOnlyWhenMovedAColumn();

    void selectorTables_data();
    void selectorTables();
    void schemes();
    void colourNearness_data();
    void colourNearness();
    void paletteWraps();
    void initialScales_data();
    void initialScales();
    void scaleCellsWiden_data();
    void scaleCellsWiden();
    void autoRangeWidensOnly();
    void ranges_data();
    void ranges();
    void copyMap_data();
    void copyMap();
    void runState_data();
    void runState();
};

void tst_TrendRules::secondLookup_data()
{
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QList<qint64>{} << -1;
    QTest::newRow("before, inside, at +999") << QList<qint64>{-1, 500, 999} << 1;
    QTest::newRow("only at +999") << QList<qint64>{999} << -1;
    QTest::newRow("exactly at the second") << QList<qint64>{-1000, 0, 1000} << 1;
    QTest::newRow("first of two in the second") << QList<qint64>{-5, 100, 200} << 1;
    QTest::newRow("only later seconds") << QList<qint64>{1000, 2000} << -1;
}

void tst_TrendRules::secondLookup()
{
    QFETCH(QList<qint64>, offsets);
    QFETCH(int, expected);
    TrendCurve curve;
    for (qint64 offset : offsets)
        curve.append(t0 + offset, double(offset));
    QCOMPARE(curve.indexOfSecond(t0), expected);
}

void tst_TrendRules::appendKeepsTimeOrderAndSevenDays()
{
    TrendCurve curve;
    curve.append(t0 + 2000, 2);
    curve.append(t0, 0);
    curve.append(t0 + 1000, 1);
    curve.append(t0 + 1000, 1.5); // same time: after the earlier one
    QCOMPARE(curve.size(), 4);
    QCOMPARE(curve.timeAt(0), t0);
    QCOMPARE(curve.valueAt(1), 1.0);
    QCOMPARE(curve.valueAt(2), 1.5);
    QCOMPARE(curve.timeAt(3), t0 + 2000);

    // A week and a second at one sample a second (through the compaction): the oldest leave.
    const qint64 week = TrendCurve::maxSpanMs;
    TrendCurve held;
    const int seconds = int(week / 1000) + 10;
    for (int s = 0; s < seconds; ++s)
        held.append(t0 + qint64(s) * 1000, s);
    QCOMPARE(held.size(), int(week / 1000) + 1);
    QCOMPARE(held.timeAt(0), t0 + qint64(seconds - 1) * 1000 - week);
    QCOMPARE(held.timeAt(held.size() - 1), t0 + qint64(seconds - 1) * 1000);
    QCOMPARE(held.indexOfSecond(t0), -1);
    QCOMPARE(held.indexOfSecond(t0 + qint64(seconds - 1) * 1000), held.size() - 1);
}

void tst_TrendRules::windowKeepsEverySampleWhenFew()
{
    TrendCurve curve;
    for (int s = 0; s < 10; ++s)
        curve.append(t0 + s * 1000, s);
    // [3 s, 6 s] on 100 columns: 3..6 and one neighbour on each side.
    const QVector<QPointF> points = curve.window(t0 + 3000, t0 + 6000, 100);
    QCOMPARE(points.size(), 6);
    QCOMPARE(points.first(), QPointF(double(t0 + 2000), 2));
    QCOMPARE(points.last(), QPointF(double(t0 + 7000), 7));
    // A window past the data keeps the last sample, so the line reaches the window.
    QCOMPARE(curve.window(t0 + 20000, t0 + 30000, 100), QVector<QPointF>{QPointF(t0 + 9000, 9)});
    QVERIFY(TrendCurve().window(t0, t0 + 1000, 10).isEmpty());
}

// Sample values of the thinning rows: a saw with a spike in every column, a steady value, a
// step, and a steady value with one spike.
enum class Signal { Saw, Steady, Step, SpikeOnSteady };

static double signalValue(Signal signal, int s, int samples)
{
    switch (signal) {
    case Signal::Saw:
        return (s % 7) + (s % 97 == 50 ? 1000 : 0);
    case Signal::Steady:
        return 5;
    case Signal::Step:
        return s < samples / 2 ? 5 : 7;
    case Signal::SpikeOnSteady:
        return s == samples / 3 ? 100 : 5;
    }
    return 0;
}

// The drawn line's value at x, between the points on either side of it.
static double lineAt(const QVector<QPointF> &points, double x)
{
    const auto after = std::lower_bound(points.begin(), points.end(), x,
                                        [](const QPointF &p, double v) { return p.x() < v; });
    if (after == points.begin())
        return after->y();
    if (after == points.end())
        return points.last().y();
    const QPointF a = *(after - 1);
    const QPointF b = *after;
    return b.x() == a.x() ? b.y() : a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x());
}

Q_DECLARE_METATYPE(Signal)

void tst_TrendRules::windowThinsToColumns_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("columns");
    QTest::addColumn<Signal>("signal");
    QTest::addColumn<int>("maxPoints");
    QTest::newRow("day at 1 s on 1500 columns") << 86400 << 1500 << Signal::Saw << 3000;
    QTest::newRow("just above two a column") << 201 << 100 << Signal::Saw << 200;
    QTest::newRow("one column") << 1000 << 1 << Signal::Saw << 2;
    // A steady stretch is drawn by its ends, a step or a spike by a few more.
    QTest::newRow("steady day") << 86400 << 1500 << Signal::Steady << 2;
    QTest::newRow("step") << 86400 << 1500 << Signal::Step << 4;
    QTest::newRow("spike on steady") << 86400 << 1500 << Signal::SpikeOnSteady << 5;
}

void tst_TrendRules::windowThinsToColumns()
{
    QFETCH(int, samples);
    QFETCH(int, columns);
    QFETCH(Signal, signal);
    QFETCH(int, maxPoints);
    TrendCurve curve;
    for (int s = 0; s < samples; ++s)
        curve.append(t0 + qint64(s) * 1000, signalValue(signal, s, samples));
    const qint64 end = t0 + qint64(samples - 1) * 1000;
    const QVector<QPointF> points = curve.window(t0, end, columns);
    QVERIFY2(points.size() <= maxPoints, qPrintable(QString::number(points.size())));
    QVERIFY(std::is_sorted(points.begin(), points.end(),
                           [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); }));
    // The line runs from the first column to the last.
    const double columnMs = double(end - t0) / columns;
    QVERIFY(points.first().x() < t0 + columnMs);
    QVERIFY(points.last().x() > end - columnMs);
    // Every drawn point is a stored sample, and in every column the line reaches the lowest and
    // the highest sample: no spike is lost.
    for (const QPointF &p : points) {
        const int i = curve.indexOfSecond(qint64(p.x()));
        QVERIFY(i >= 0 && curve.valueAt(i) == p.y());
    }
    QVector<double> sampleLow(columns, 1e300), sampleHigh(columns, -1e300);
    for (int i = 0; i < curve.size(); ++i) {
        const int c = std::min(int((curve.timeAt(i) - t0) / columnMs), columns - 1);
        sampleLow[c] = std::min(sampleLow[c], curve.valueAt(i));
        sampleHigh[c] = std::max(sampleHigh[c], curve.valueAt(i));
    }
    QVector<double> lineLow(columns, 1e300), lineHigh(columns, -1e300);
    auto reach = [&](int c, double y) {
        lineLow[c] = std::min(lineLow[c], y);
        lineHigh[c] = std::max(lineHigh[c], y);
    };
    for (const QPointF &p : points)
        reach(std::min(int((p.x() - t0) / columnMs), columns - 1), p.y());
    for (int i = 0; i < curve.size(); ++i) {
        const int c = std::min(int((curve.timeAt(i) - t0) / columnMs), columns - 1);
        reach(c, lineAt(points, double(curve.timeAt(i))));
    }
    for (int c = 0; c < columns; ++c) {
        QVERIFY2(lineLow[c] <= sampleLow[c] && lineHigh[c] >= sampleHigh[c],
                 qPrintable(QString("column %1 draws %2..%3, holds %4..%5")
                                .arg(c)
                                .arg(lineLow[c])
                                .arg(lineHigh[c])
                                .arg(sampleLow[c])
                                .arg(sampleHigh[c])));
    }
}

void tst_TrendRules::windowMapsValues()
{
    TrendCurve curve;
    curve.append(t0, 5);
    curve.append(t0 + 1000, 10);
    ScaleMap map;
    map.z = 0;
    map.f = 10;
    map.Z = 0;
    map.F = 100;
    const QVector<QPointF> points = curve.window(t0, t0 + 1000, 10, &map);
    QCOMPARE(points, (QVector<QPointF>{QPointF(t0, 50), QPointF(t0 + 1000, 100)}));
    // The curve itself keeps its own values.
    QCOMPARE(curve.valueAt(0), 5.0);
}

void tst_TrendRules::feedOnlyWhenMovedAColumn_data()
{
    QTest::addColumn<qint64>("shiftMs");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("feeds");
    // 10 minutes on 1200 columns: a column is 500 ms.
    QTest::newRow("half a column") << qint64(250) << 1200 << false;
    QTest::newRow("one column") << qint64(500) << 1200 << true;
    QTest::newRow("back a column") << qint64(-500) << 1200 << true;
    QTest::newRow("resized") << qint64(0) << 1000 << true;
}

void tst_TrendRules::feedOnlyWhenMovedAColumn()
{
    QFETCH(qint64, shiftMs);
    QFETCH(int, columns);
    QFETCH(bool, feeds);
    QVERIFY(FedWindow().needsFeed(t0, t0 + 600000, 1200));
    FedWindow fed{t0, t0 + 600000, 1200, true};
    QCOMPARE(fed.needsFeed(t0 + shiftMs, t0 + 600000 + shiftMs, columns), feeds);
}

void tst_TrendRules::selectorTables_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("sampling");
    QTest::newRow("first") << 0 << 60 << 1;
    QTest::newRow("10 min, 10 s") << 3 << 600 << 10;
    QTest::newRow("last sampling") << 7 << 7200 << 300;
    QTest::newRow("past sampling") << 8 << 10800 << -1;
    QTest::newRow("24 h") << 11 << 86400 << -1;
    QTest::newRow("7 days") << 13 << 604800 << -1;
    QTest::newRow("past both") << 14 << -1 << -1;
    QTest::newRow("none chosen") << -1 << -1 << -1;
}

void tst_TrendRules::selectorTables()
{
    QFETCH(int, index);
    QFETCH(int, range);
    QFETCH(int, sampling);
    QCOMPARE(rangeSecondsAt(index), range);
    QCOMPARE(samplingSecondsAt(index), sampling);
}

void tst_TrendRules::schemes()
{
    const ColourScheme *black = colourScheme(1);
    QVERIFY(black);
    QVERIFY(black->foreground == (Rgb{255, 255, 255}));
    QVERIFY(black->background == (Rgb{0, 0, 0}));
    QVERIFY(black->guide1 == (Rgb{255, 0, 0}));
    QVERIFY(black->guide2 == (Rgb{0, 255, 0}));
    QVERIFY(colourScheme(0)->guide2 == (Rgb{170, 0, 0}));
    QVERIFY(colourScheme(0)->guideLabels == (Rgb{0, 0, 0}));
    QVERIFY(colourScheme(2)->background == (Rgb{128, 128, 128}));
    QVERIFY(colourScheme(2)->guide2 == (Rgb{255, 255, 0}));
    QVERIFY(QByteArray(colourScheme(2)->selectorStyle).contains("background-color: gray"));
    QVERIFY(!colourScheme(3));
    QVERIFY(!colourScheme(-1));
}

void tst_TrendRules::colourNearness_data()
{
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<bool>("near");
    QTest::newRow("same") << 100 << 100 << 100 << true;
    QTest::newRow("10 off on two") << 110 << 90 << 100 << true;
    QTest::newRow("11 off on red") << 111 << 100 << 100 << false;
    QTest::newRow("11 off on blue") << 100 << 100 << 89 << false;
}

void tst_TrendRules::colourNearness()
{
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(bool, near);
    QCOMPARE(colorComponents({100, 100, 100}, {red, green, blue}), near);
    QCOMPARE(colorComponents({red, green, blue}, {100, 100, 100}), near);
}

void tst_TrendRules::paletteWraps()
{
    QCOMPARE(seriesPalette().size(), 15);
    QCOMPARE(seriesPalette().at(paletteIndex(0)), Qt::red);
    QCOMPARE(seriesPalette().at(paletteIndex(6)), Qt::gray);
    QCOMPARE(seriesPalette().at(paletteIndex(14)), Qt::lightGray);
    QCOMPARE(seriesPalette().at(paletteIndex(15)), Qt::red);
    QCOMPARE(seriesPalette().at(paletteIndex(16)), Qt::green);
}

void tst_TrendRules::initialScales_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("zero");
    QTest::addColumn<QString>("full");
    const QList<QStringList> rows{
        {"whole", "12", "11", "13"},
        {"negative", "-3", "-4", "-2"},
        {"fraction", "3.25", "2", "4"},
        {"half", "12.5", "11", "13"},
        // Converted to an integer the fraction is cut towards zero: -3.
        {"negative fraction", "-3.25", "-4", "-2"},
        {"small negative fraction", "-0.5", "-1", "1"},
        {"zero", "0", "-1", "1"},
        {"million", "1000000", "999999", "1000001"},
        {"million as the table shows it", "1e+06", "999999", "1000001"},
        {"text", "open", "-1", "1"},
        {"empty", "", "-1", "1"},
        {"infinity", "inf", "-1", "1"},
        {"not a number", "nan", "-1", "1"},
        {"largest int", "2147483647", "2147483646", "2147483648"},
    };
    for (const QStringList &row : rows)
        QTest::newRow(qPrintable(row[0])) << row[1] << row[2] << row[3];
}

void tst_TrendRules::initialScales()
{
    QFETCH(QString, value);
    QFETCH(QString, zero);
    QFETCH(QString, full);
    const ScaleTexts scales = TrendRules::initialScales(value);
    QCOMPARE(scales.zero, zero);
    QCOMPARE(scales.full, full);
}

void tst_TrendRules::scaleCellsWiden_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("zero");
    QTest::addColumn<bool>("full");
    QTest::newRow("empty cell") << "" << 3.0 << true << true;
    QTest::newRow("equal") << "3" << 3.0 << true << true;
    QTest::newRow("below") << "3" << 2.0 << true << false;
    QTest::newRow("above") << "3" << 4.0 << false << true;
}

void tst_TrendRules::scaleCellsWiden()
{
    QFETCH(QString, cell);
    QFETCH(double, value);
    QFETCH(bool, zero);
    QFETCH(bool, full);
    QCOMPARE(widensZero(cell, value), zero);
    QCOMPARE(widensFull(cell, value), full);
}

void tst_TrendRules::autoRangeWidensOnly()
{
    float max = 1.0f;
    float min = 0.0f;
    AxisRange axis{0, 0};
    QVERIFY(widenAutoRange(&max, &min, 5.0f, false, &axis));
    QCOMPARE(axis.lower, -0.625);
    QCOMPARE(axis.upper, 5.625);
    QVERIFY(widenAutoRange(&max, &min, -2.0f, false, &axis));
    QCOMPARE(axis.lower, -2.875);
    QCOMPARE(axis.upper, 5.875);
    // Inside the bounds: nothing moves.
    QVERIFY(!widenAutoRange(&max, &min, 1.0f, false, &axis));
    // While a row is selected the bounds still grow, the axis stays.
    QVERIFY(!widenAutoRange(&max, &min, 9.0f, true, &axis));
    QCOMPARE(max, 9.0f);
    QCOMPARE(min, -2.0f);
}

void tst_TrendRules::ranges_data()
{
    QTest::addColumn<bool>("ofRow");
    QTest::addColumn<double>("a");
    QTest::addColumn<double>("b");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("row 0..100") << true << 0.0 << 100.0 << -12.5 << 112.5;
    QTest::newRow("row zero == full") << true << 20.0 << 20.0 << 19.0 << 21.0;
    QTest::newRow("row zero above full") << true << 100.0 << 0.0 << -12.5 << 112.5;
    QTest::newRow("extremes untouched") << false << 1.0 << 0.0 << -0.05 << 1.05;
    QTest::newRow("extremes 20.8..20") << false << 20.8 << 20.0 << 19.96 << 20.84;
    QTest::newRow("extremes of zero extent") << false << 7.0 << 7.0 << 6.0 << 8.0;
}

void tst_TrendRules::ranges()
{
    QFETCH(bool, ofRow);
    QFETCH(double, a);
    QFETCH(double, b);
    QFETCH(double, lower);
    QFETCH(double, upper);
    const AxisRange range = ofRow ? rowRange(a, b) : extremesRange(a, b);
    QVERIFY2(qFuzzyCompare(range.lower, lower) && qFuzzyCompare(range.upper, upper),
             qPrintable(QString("[%1, %2]").arg(range.lower).arg(range.upper)));
}

void tst_TrendRules::copyMap_data()
{
    QTest::addColumn<double>("z");
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("mapped");
    // Onto the selected row's [0, 100].
    QTest::newRow("0..10: 2.5") << 0.0 << 10.0 << 2.5 << 25.0;
    QTest::newRow("0..10: 5") << 0.0 << 10.0 << 5.0 << 50.0;
    QTest::newRow("reversed 10..0: 2.5") << 10.0 << 0.0 << 2.5 << 75.0;
    QTest::newRow("zero == full: middle") << 4.0 << 4.0 << 123.0 << 50.0;
}

void tst_TrendRules::copyMap()
{
    QFETCH(double, z);
    QFETCH(double, f);
    QFETCH(double, y);
    QFETCH(double, mapped);
    ScaleMap map;
    map.z = z;
    map.f = f;
    map.Z = 0;
    map.F = 100;
    QCOMPARE(map.apply(y), mapped);
}

void tst_TrendRules::runState_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("paused");
    QTest::newRow("pause, Chinese") << zh("暂停") << true << false;
    QTest::newRow("pause, English") << "Pause" << true << false;
    QTest::newRow("start, Chinese") << zh("开始") << false << true;
    QTest::newRow("start, English") << "Start" << false << true;
    QTest::newRow("other case") << "pause" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void tst_TrendRules::runState()
{
    QFETCH(QString, text);
    QFETCH(bool, running);
    QFETCH(bool, paused);
    QCOMPARE(trendRunning(text), running);
    QCOMPARE(trendPaused(text), paused);
}

QTEST_GUILESS_MAIN(tst_TrendRules)
#include "tst_trendrules.moc"
