// The readouts at the guide lines without a widget: the second under a position, a row's sample
// at a guide's second on live curves, scaled copies and history points, the cells of a guide,
// the height of a readout text and the release of a guide dragged off the time range.
#include "guidereadout.h"
#include "historyseed.h"

#include <QtTest>
#include <cmath>
#include <limits>

namespace {

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

GuideReadout::Sample sample(double value, double drawn)
{
    GuideReadout::Sample s;
    s.found = true;
    s.value = value;
    s.drawn = drawn;
    return s;
}

const GuideReadout::Sample none;

} // namespace

Q_DECLARE_METATYPE(GuideReadout::Sample)

class tst_GuideReadout : public QObject
{
    Q_OBJECT

private slots:
    void secondAt_data();
    void secondAt();
    void lookupBySecond_data();
    void lookupBySecond();
    void heldSample_data();
    void heldSample();
    void everySecondReadsAtFiveSeconds();
    void heldOverTheRealPeriod_data();
    void heldOverTheRealPeriod();
    void storedSample_data();
    void storedSample();
    void lookupOnCurveAndCopy();
    void distance_data();
    void distance();
    void cells_data();
    void cells();
    void textTop_data();
    void textTop();
    void readoutText();
    void leavesTimeRange_data();
    void leavesTimeRange();
};

void tst_GuideReadout::secondAt_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QDateTime>("expected");

    const QDateTime t = at("2026-12-10T10:00:05");
    const double ms = double(t.toMSecsSinceEpoch());
    QTest::newRow("whole second") << ms << t;
    QTest::newRow("fraction of a ms cut") << ms + 0.9 << t;
    QTest::newRow("last ms of the second") << ms + 999.7 << t;
    QTest::newRow("next second") << ms + 1000.0 << t.addSecs(1);
    QTest::newRow("before the epoch: the second that holds it")
        << -1500.0 << QDateTime::fromMSecsSinceEpoch(-2000);
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << QDateTime();
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << QDateTime();
    QTest::newRow("beyond any date") << 1e300 << QDateTime();
}

void tst_GuideReadout::secondAt()
{
    QFETCH(double, x);
    QFETCH(QDateTime, expected);
    QCOMPARE(GuideReadout::secondAt(x), expected);
}

void tst_GuideReadout::lookupBySecond_data()
{
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<int>("index");

    const qint64 t = at("2026-12-10T10:00:05").toMSecsSinceEpoch();
    const double d = double(t);
    QTest::newRow("empty") << QVector<QPointF>() << -1;
    QTest::newRow("just before, inside, at +999")
        << QVector<QPointF>{{d - 1, 1}, {d + 500, 2}, {d + 999, 3}} << 1;
    QTest::newRow("only at +999 is the next second's")
        << QVector<QPointF>{{d - 1000, 1}, {d + 999, 3}} << -1;
    QTest::newRow("first of two in the second")
        << QVector<QPointF>{{d - 1000, 1}, {d, 2}, {d + 1, 3}, {d + 1000, 4}} << 1;
    QTest::newRow("all before") << QVector<QPointF>{{d - 2000, 1}, {d - 1000, 2}} << -1;
    QTest::newRow("all after") << QVector<QPointF>{{d + 1000, 1}} << -1;
    QTest::newRow("last point") << QVector<QPointF>{{d - 1000, 1}, {d, 2}} << 1;
}

void tst_GuideReadout::lookupBySecond()
{
    QFETCH(QVector<QPointF>, points);
    QFETCH(int, index);
    const qint64 t = at("2026-12-10T10:00:05").toMSecsSinceEpoch();
    QCOMPARE(GuideReadout::indexOfSecond(points, t), index);
}

void tst_GuideReadout::heldSample_data()
{
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<int>("periodSeconds");
    QTest::addColumn<int>("guideSecond"); // seconds after 10:00:00
    QTest::addColumn<double>("expected"); // NaN: nothing holds

    const double t = double(at("2026-12-10T10:00:00").toMSecsSinceEpoch());
    const double none = std::numeric_limits<double>::quiet_NaN();
    // Sampled every 5 s, then a gap: 0, 5, 10, 30.
    const QVector<QPointF> fiveSeconds{{t, 0}, {t + 5000, 5}, {t + 10000, 10}, {t + 30000, 30}};
    QTest::newRow("5 s: at a sample") << fiveSeconds << 5 << 5 << 5.0;
    QTest::newRow("5 s: between samples, the one before") << fiveSeconds << 5 << 7 << 5.0;
    QTest::newRow("5 s: four seconds old") << fiveSeconds << 5 << 4 << 0.0;
    QTest::newRow("5 s: one period old still holds") << fiveSeconds << 5 << 15 << 10.0;
    QTest::newRow("5 s: a gap stays empty") << fiveSeconds << 5 << 16 << none;
    QTest::newRow("5 s: before the first sample") << fiveSeconds << 5 << -1 << none;
    QTest::newRow("1 s: a second old holds") << QVector<QPointF>{{t, 1}} << 1 << 1 << 1.0;
    QTest::newRow("1 s: two seconds old is a gap") << QVector<QPointF>{{t, 1}} << 1 << 2 << none;
    QTest::newRow("two in the second: the last")
        << QVector<QPointF>{{t + 100, 1}, {t + 800, 2}} << 1 << 0 << 2.0;
    QTest::newRow("+999 ms is the next second's")
        << QVector<QPointF>{{t, 1}, {t + 999, 2}} << 1 << 0 << 1.0;
    QTest::newRow("empty") << QVector<QPointF>() << 5 << 0 << none;
}

void tst_GuideReadout::heldSample()
{
    QFETCH(QVector<QPointF>, points);
    QFETCH(int, periodSeconds);
    QFETCH(int, guideSecond);
    QFETCH(double, expected);
    const qint64 second = at("2026-12-10T10:00:00").addSecs(guideSecond).toMSecsSinceEpoch();
    const qint64 periodMs = qint64(periodSeconds) * 1000;
    double value = -99;
    QCOMPARE(GuideReadout::valueAt(points, second, periodMs, &value), !std::isnan(expected));
    if (!std::isnan(expected))
        QCOMPARE(value, expected);
    // A live curve holds its samples the same way.
    TrendCurve curve;
    for (const QPointF &p : points)
        curve.append(qint64(p.x()), p.y());
    value = -99;
    QCOMPARE(GuideReadout::valueAt(curve, second, periodMs, &value), !std::isnan(expected));
    if (!std::isnan(expected))
        QCOMPARE(value, expected);
}

void tst_GuideReadout::everySecondReadsAtFiveSeconds()
{
    // A minute sampled every 5 s: a guide at any of its 60 seconds shows a value.
    const qint64 t = at("2026-12-10T10:00:00").toMSecsSinceEpoch();
    TrendCurve curve;
    for (int s = 0; s < 60; s += 5)
        curve.append(t + s * 1000, s);
    int shown = 0;
    for (int s = 0; s < 60; ++s) {
        double value = -1;
        if (GuideReadout::valueAt(curve, t + s * 1000, 5000, &value) && value == s - s % 5)
            ++shown;
    }
    QCOMPARE(shown, 60);
}

void tst_GuideReadout::heldOverTheRealPeriod_data()
{
    QTest::addColumn<QVector<int>>("polls");  // ms after 10:00:00 of one label's samples
    QTest::addColumn<QVector<int>>("blanks"); // guide seconds that read nothing

    // Polled every 2.32 s at a sampling time of 1 s (a tick of 23 blocks, each with its pause),
    // for 48 s; the value never changes.
    auto every = [](int periodMs, int count, const QVector<int> &missed = {}) {
        QVector<int> polls;
        for (int k = 0; k < count; ++k) {
            if (!missed.contains(k))
                polls << k * periodMs;
        }
        return polls;
    };
    QTest::newRow("2.32 s at 1 s: every second reads") << every(2320, 21) << QVector<int>{};
    QVector<int> late = every(2320, 21);
    // Ticks up to half a period late: still no poll missed.
    late[4] += 1100;
    late[9] += 700;
    late[10] += 1000;
    late[15] += 1150;
    QTest::newRow("2.32 s, some polls late") << late << QVector<int>{};
    // The poll at 23.2 s missed: the one at 20.88 s holds for one period, up to 23.2 s; the
    // next reads at 25.52 s.
    QTest::newRow("one poll missed") << every(2320, 21, {10}) << QVector<int>{23, 24};
    QTest::newRow("three polls missed")
        << every(2320, 21, {10, 11, 12}) << QVector<int>{23, 24, 25, 26, 27, 28, 29};
    // A tick shorter than the sampling time leaves that the period: the sample at 19.6 s holds
    // through second 20, the next comes at 22.4 s.
    QVector<int> fast;
    for (int ms = 0; ms <= 48000; ms += 400) {
        if (ms < 20000 || ms >= 22400)
            fast << ms;
    }
    QTest::newRow("0.4 s at 1 s, polls missed for 2.4 s") << fast << QVector<int>{21};
    // Monitoring stopped for three minutes: no period spans the pause.
    QVector<int> restarted = every(2320, 10);
    for (int k = 0; k < 10; ++k)
        restarted << 200000 + k * 2320;
    QVector<int> pause;
    for (int s = 23; s < 200; ++s)
        pause << s;
    QTest::newRow("a pause of the recording") << restarted << pause;
}

void tst_GuideReadout::heldOverTheRealPeriod()
{
    QFETCH(QVector<int>, polls);
    QFETCH(QVector<int>, blanks);
    const QDateTime start = at("2026-12-10T10:00:00");
    const qint64 t0 = start.toMSecsSinceEpoch();
    const qint64 periodMs = 1000;
    TrendCurve curve;
    QVector<HistoryRow> rows;
    for (int ms : polls) {
        curve.append(t0 + ms, 1.6);
        rows.append({1, "AO1", 1.6, historyTime(start.addMSecs(ms))});
    }
    HistoryFixture history;
    history.setUp();
    QVERIFY(seedHistory(history.db(), rows));

    // Every guide second from the first sample to the last, on the live curve and from the
    // stored history alike.
    QVector<int> liveBlanks;
    QVector<int> storedBlanks;
    for (int s = 0; s <= polls.last() / 1000; ++s) {
        const qint64 second = t0 + s * 1000;
        double live = -1;
        if (!GuideReadout::valueAt(curve, second, periodMs, &live))
            liveBlanks << s;
        else
            QCOMPARE(live, 1.6);
        double stored = -1;
        if (!GuideReadout::storedValueAt(history.db(), 1, "AO1", second, periodMs, &stored))
            storedBlanks << s;
        else
            QCOMPARE(stored, 1.6);
    }
    QCOMPARE(liveBlanks, blanks);
    QCOMPARE(storedBlanks, blanks);
    history.tearDown();
}

void tst_GuideReadout::storedSample_data()
{
    QTest::addColumn<QString>("guide");
    QTest::addColumn<double>("expected"); // NaN: nothing holds

    const double none = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("four seconds after a sample") << "10:00:04" << 1.0;
    QTest::newRow("the sample of the second") << "10:00:05" << 2.0;
    QTest::newRow("an infinity stored: the sample before") << "10:00:07" << 2.0;
    QTest::newRow("a NaN stored as NULL: the sample before") << "10:00:09" << 2.0;
    QTest::newRow("one period old") << "10:00:10" << 2.0;
    QTest::newRow("a gap stays empty") << "10:00:11" << none;
    QTest::newRow("other project and label do not count") << "10:00:20" << none;
    QTest::newRow("last millisecond of the second") << "10:00:30" << 3.0;
    QTest::newRow("before it") << "10:00:29" << none;
    // Two records of one stamp (two rows of the label table on one address with different
    // types): the first stored is the sample, as in the report.
    QTest::newRow("one stamp twice, the larger stored first") << "10:10:40" << 9.0;
    QTest::newRow("one stamp twice, the smaller stored first") << "10:10:50" << -3.0;
    QTest::newRow("one stamp twice, held after it") << "10:10:52" << -3.0;
    QTest::newRow("one stamp twice, a NaN stored first: the sample before") << "10:10:45" << 9.0;
}

void tst_GuideReadout::storedSample()
{
    QFETCH(QString, guide);
    QFETCH(double, expected);
    HistoryFixture history;
    history.setUp();
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto row = [](int project, const char *label, double value, const char *time) {
        return HistoryRow{project, QString::fromLatin1(label), value,
                          "2026-12-10 " + QString::fromLatin1(time)};
    };
    QVERIFY(seedHistory(history.db(),
                        {row(1, "a", 1, "10:00:00.300"), row(1, "a", 2, "10:00:05.200"),
                         row(1, "a", inf, "10:00:07.100"), row(1, "a", nan, "10:00:08.000"),
                         row(1, "a", 3, "10:00:30.999"), row(2, "a", 50, "10:00:20.000"),
                         row(1, "b", 60, "10:00:20.000"), row(1, "a", 9, "10:10:40.000"),
                         row(1, "a", 4, "10:10:40.000"), row(1, "a", nan, "10:10:45.000"),
                         row(1, "a", 8, "10:10:45.000"), row(1, "a", -3, "10:10:50.000"),
                         row(1, "a", 6, "10:10:50.000")}));
    const qint64 second
        = QDateTime::fromString("2026-12-10 " + guide, "yyyy-MM-dd hh:mm:ss").toMSecsSinceEpoch();
    double value = -99;
    QCOMPARE(GuideReadout::storedValueAt(history.db(), 1, "a", second, 5000, &value),
             !std::isnan(expected));
    if (!std::isnan(expected))
        QCOMPARE(value, expected);
    history.tearDown();
}

void tst_GuideReadout::lookupOnCurveAndCopy()
{
    // A curve with a gap: the value comes from the sample that holds at the asked second, never
    // from the index that second would have on another curve.
    const qint64 t = at("2026-12-10T10:00:00").toMSecsSinceEpoch();
    TrendCurve curve;
    for (int s : {0, 1, 2, 5, 6})
        curve.append(t + s * 1000, 10.0 * s);
    double value = 0;
    QVERIFY(GuideReadout::valueAt(curve, t + 5000, 1000, &value));
    QCOMPARE(value, 50.0);
    // Two seconds after the sample at 2 with 1-s sampling: a gap.
    QVERIFY(!GuideReadout::valueAt(curve, t + 4000, 1000, &value));
    QVERIFY(GuideReadout::valueAt(curve, t + 3000, 1000, &value));
    QCOMPARE(value, 20.0);
    QVERIFY(!GuideReadout::valueAt(TrendCurve(), t, 1000, &value));

    // On a scaled copy the drawn height is mapped from [0, 100] onto [0, 10].
    TrendRules::ScaleMap map;
    map.z = 0;
    map.f = 100;
    map.Z = 0;
    map.F = 10;
    QVERIFY(GuideReadout::valueAt(curve, t + 6000, 1000, &value, &map));
    QCOMPARE(value, 6.0);
}

void tst_GuideReadout::distance_data()
{
    QTest::addColumn<QDateTime>("a");
    QTest::addColumn<QDateTime>("b");
    QTest::addColumn<QString>("text");

    QTest::newRow("same day") << at("2026-12-10T10:00:05") << at("2026-12-10T10:00:00")
                              << "00:00:05";
    QTest::newRow("order does not matter")
        << at("2026-12-10T10:00:00") << at("2026-12-10T10:00:05") << "00:00:05";
    QTest::newRow("across midnight")
        << at("2026-12-10T23:59:50") << at("2026-12-11T00:00:10") << "00:00:20";
    QTest::newRow("two days apart")
        << at("2026-12-10T10:00:00") << at("2026-12-12T11:02:03") << "49:02:03";
    QTest::newRow("equal") << at("2026-12-10T10:00:00") << at("2026-12-10T10:00:00") << "00:00:00";
}

void tst_GuideReadout::distance()
{
    QFETCH(QDateTime, a);
    QFETCH(QDateTime, b);
    QFETCH(QString, text);
    QCOMPARE(GuideReadout::distanceText(a, b), text);
}

void tst_GuideReadout::cells_data()
{
    QTest::addColumn<int>("guide");
    QTest::addColumn<GuideReadout::Sample>("own");
    QTest::addColumn<GuideReadout::Sample>("other");
    // value, time, P1-P2, T1-T2, V1/V2; "" for an empty cell.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("guide 1, PV_2 0: ratio -, P1-P2 = PV_1 - PV_2")
        << 1 << sample(3, 3) << sample(0, 0) << QStringList{"3", "10:00:05", "3", "00:00:05", "-"};
    QTest::newRow("guide 2, same values: the sign does not follow the guide")
        << 2 << sample(0, 0) << sample(3, 3) << QStringList{"0", "10:00:00", "3", "00:00:05", "-"};
    QTest::newRow("guide 1, PV_1 0")
        << 1 << sample(0, 0) << sample(4, 4) << QStringList{"0", "10:00:05", "-4", "00:00:05", "0"};
    QTest::newRow("guide 2, negative ratio")
        << 2 << sample(-2, 7) << sample(5, 1)
        << QStringList{"-2", "10:00:00", "7", "00:00:05", "-2.5"};
    QTest::newRow("value in six digits, differences of the shown values")
        << 1 << sample(1.0000004, 1) << sample(1, 1)
        << QStringList{"1", "10:00:05", "0", "00:00:05", "1"};
    QTest::newRow("no sample: every cell of the guide empty")
        << 1 << none << sample(4, 4) << QStringList{"", "", "", "", ""};
    QTest::newRow("other guide without a sample: no differences")
        << 2 << sample(4, 4) << none << QStringList{"4", "10:00:00", "", "", ""};
}

void tst_GuideReadout::cells()
{
    QFETCH(int, guide);
    QFETCH(GuideReadout::Sample, own);
    QFETCH(GuideReadout::Sample, other);
    QFETCH(QStringList, expected);
    // Guide 1 at 10:00:05, guide 2 at 10:00:00.
    const QDateTime t1 = at("2026-12-10T10:00:05");
    const QDateTime t2 = at("2026-12-10T10:00:00");
    const GuideReadout::Cells c = guide == 1 ? GuideReadout::cells(1, t1, own, t2, other)
                                             : GuideReadout::cells(2, t2, own, t1, other);
    QCOMPARE(c.found, !expected.at(0).isEmpty());
    QCOMPARE(c.hasDifferences, !expected.at(2).isEmpty());
    QCOMPARE((QStringList{c.value, c.time, c.valueDifference, c.timeDistance, c.ratio}), expected);
}

void tst_GuideReadout::textTop_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("placed");
    QTest::addColumn<int>("y");

    QTest::newRow("middle of [0, 10] on 483 px") << 5.0 << 0.0 << 10.0 << 483 << true << 236;
    QTest::newRow("top of the axis") << 10.0 << 0.0 << 10.0 << 483 << true << 36;
    QTest::newRow("bottom of the axis") << 0.0 << 0.0 << 10.0 << 483 << true << 436;
    QTest::newRow("above the view") << 10.5 << 0.0 << 10.0 << 483 << true << 16;
    QTest::newRow("cut towards zero, not down") << 1.375 << 0.0 << 1.0 << 183 << true << -1;
    QTest::newRow("fraction cut") << 1.0 << 0.0 << 3.0 << 483 << true << 302;
    QTest::newRow("zero extent") << 5.0 << 5.0 << 5.0 << 483 << false << 0;
    QTest::newRow("value far off the view") << 1e30 << 0.0 << 1.0 << 483 << false << 0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0 << 10.0 << 483
                                  << false << 0;
}

void tst_GuideReadout::textTop()
{
    QFETCH(double, v);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, height);
    QFETCH(bool, placed);
    QFETCH(int, y);
    int top = 0;
    QCOMPARE(GuideReadout::textTop(v, min, max, height, &top), placed);
    QCOMPARE(top, y);
}

void tst_GuideReadout::readoutText()
{
    QCOMPARE(GuideReadout::readoutText(2.5, "Tank %1 level"), QStringLiteral("2.5, Tank %1 level"));
    QCOMPARE(GuideReadout::readoutText(1234567.0, QString()), QStringLiteral("1.23457e+06, "));
}

void tst_GuideReadout::leavesTimeRange_data()
{
    QTest::addColumn<QDateTime>("t");
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("leaves");

    // Axis 10:00:00 to 10:01:00 on a chart 800 px wide.
    QTest::newRow("inside the range at the left edge") << at("2026-12-10T10:00:00") << 30 << false;
    QTest::newRow("its second ends at the axis start, at the edge")
        << at("2026-12-10T09:59:59") << 30 << false;
    QTest::newRow("before the axis at the left edge") << at("2026-12-10T09:59:58") << 30 << true;
    QTest::newRow("before the axis, away from the edge")
        << at("2026-12-10T09:59:58") << 40 << false;
    QTest::newRow("after the axis at the right edge") << at("2026-12-10T10:01:01") << 761 << true;
    QTest::newRow("after the axis, x = width - 40") << at("2026-12-10T10:01:01") << 760 << false;
    QTest::newRow("at the axis end at the right edge") << at("2026-12-10T10:01:00") << 790 << false;
    QTest::newRow("no time at the edge") << QDateTime() << 10 << false;
}

void tst_GuideReadout::leavesTimeRange()
{
    QFETCH(QDateTime, t);
    QFETCH(int, x);
    QFETCH(bool, leaves);
    QCOMPARE(GuideReadout::leavesTimeRange(t, at("2026-12-10T10:00:00"), at("2026-12-10T10:01:00"),
                                           x, 800.0),
             leaves);
}

QTEST_GUILESS_MAIN(tst_GuideReadout)
#include "tst_guidereadout.moc"
