#include "areanames.h"
#include "vexmarareas.h"

#include <QtTest>
#include <limits>

using namespace Vexmar;

class tst_VexmarAreas : public QObject
{
    Q_OBJECT

private slots:
    void addressText_data();
    void addressText();
    void twoNumberings();
    void engineNamesAgreeWithWire();
    void byteLength_data();
    void byteLength();
    void maximumAndRange();
};

void tst_VexmarAreas::addressText_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("area");
    QTest::addColumn<int>("index");
    struct Row
    {
        const char *tag;
        const char *address;
        int area;
        int index;
    };
    const Row rows[] = {
        {"suffix before prefix DO_F", "DO_F2", 5, 1},
        {"suffix before prefix DO_S", "DO_S2", 6, 1},
        {"plain DO", "DO2", 4, 1},
        {"DI_F is not DI", "DI_F3", 2, 2},
        {"DI", "DI3", 1, 2},
        {"AI_F", "AI_F10", 8, 9},
        {"HAI before AI", "HAI1", 21, 0},
        {"only the beginning counts", "AIX5", 7, 4},
        {"SI is the string area", "SI1", AreaString, 0},
        {"SO has no wire code", "SO1", 0, 0},
        {"lower case is unknown", "di1", 0, 0},
        {"Custom", "Custom7", AreaCustom, 6},
        {"element 0 is no index", "AI0", 7, -1},
        {"no digit is no index", "AI", 7, -1},
        {"all digits count", "DI1.5", 1, 14},
        {"number too large", "AI99999999999", 7, -1},
        {"beyond int", "AI2147483649", 7, -1},
    };
    for (const Row &r : rows)
        QTest::newRow(r.tag) << QString::fromLatin1(r.address) << r.area << r.index;
}

void tst_VexmarAreas::addressText()
{
    QFETCH(QString, address);
    QFETCH(int, area);
    QFETCH(int, index);
    QCOMPARE(getArea(address), area);
    QCOMPARE(getAddr(address), index);
}

void tst_VexmarAreas::twoNumberings()
{
    // The engine's table and the wire disagree on SI and SO, and only there.
    QCOMPARE(areaCodeFromName(QStringLiteral("SI")), 25);
    QCOMPARE(getArea(QStringLiteral("SI")), int(AreaString));
    QCOMPARE(areaCodeFromName(QStringLiteral("SO")), 26);
    QCOMPARE(getArea(QStringLiteral("SO")), 0);
    QCOMPARE(areaNameFromCode(27), QStringLiteral("UNKNOW"));
    for (int code = 1; code <= 24; ++code)
        QCOMPARE(getArea(areaNameFromCode(code) + QLatin1Char('1')), code);
}

void tst_VexmarAreas::engineNamesAgreeWithWire()
{
    // Every area the engine numbers reads on the wire as the code the engine maps it to.
    for (int code = 1; code <= vexmarAreaCount; ++code) {
        const QString name = areaNameFromCode(code);
        QCOMPARE(areaCodeFromName(name), code);
        QCOMPARE(getArea(name + QLatin1Char('1')), wireAreaOf(code));
        if (wireAreaOf(code) != AreaNone)
            QCOMPARE(areaName(wireAreaOf(code)), name);
    }
    // Every named wire code is an area of the engine under that name; only Custom is not.
    int named = 0;
    for (int wire = 0; wire <= 46; ++wire) {
        const QString name = areaName(wire);
        if (name.isEmpty())
            continue;
        ++named;
        QCOMPARE(getArea(name + QLatin1Char('1')), wire);
        const int engine = areaCodeFromName(name);
        QCOMPARE(engine == 0, wire == AreaCustom);
        if (engine != 0)
            QCOMPARE(wireAreaOf(engine), wire);
    }
    QCOMPARE(named, 26);
}

void tst_VexmarAreas::byteLength_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("area");
    QTest::addColumn<int>("bytes");
    const int maxInt = std::numeric_limits<int>::max();
    QTest::newRow("UInt8 in AI rounds to registers") << int(UInt8) << 10 << 7 << 8;
    QTest::newRow("UInt8 in DI is 8 bits each") << int(UInt8) << 10 << 1 << 80;
    QTest::newRow("UInt8 in AO_F impossible") << int(UInt8) << 10 << 11 << 0;
    QTest::newRow("UInt8 in SA rounds to words") << int(UInt8) << 7 << int(AreaSA) << 6;
    QTest::newRow("Int8 in Custom rounds to words") << int(Int8) << 5 << int(AreaCustom) << 4;
    QTest::newRow("UInt8 in SI whole slots") << int(UInt8) << 300 << int(AreaString) << 256;
    QTest::newRow("Int16") << int(Int16) << 3 << 7 << 6;
    QTest::newRow("366 Int32") << int(Int32) << 366 << 24 << 1464;
    QTest::newRow("367 Int32 over the frame") << int(Int32) << 367 << 24 << 0;
    QTest::newRow("1467 bool") << int(Bool) << 1467 << 1 << 1467;
    QTest::newRow("1468 bool over the frame") << int(Bool) << 1468 << 1 << 0;
    QTest::newRow("double") << int(Double) << 2 << 7 << 16;
    QTest::newRow("5 strings fill 5 slots") << int(string) << 5 << int(AreaString) << 5;
    QTest::newRow("6 strings exceed the frame") << int(string) << 6 << int(AreaString) << 0;
    QTest::newRow("no type") << int(null) << 1 << 7 << 0;
    QTest::newRow("byte-order type") << int(int16_AB) << 1 << 7 << 0;
    QTest::newRow("negative count") << int(Int16) << -1 << 7 << 0;
    QTest::newRow("huge count does not overflow") << int(Int64) << maxInt << 7 << 0;
    QTest::newRow("huge byte count in a bit area") << int(UInt8) << maxInt << 1 << 0;
}

void tst_VexmarAreas::byteLength()
{
    QFETCH(int, type);
    QFETCH(int, count);
    QFETCH(int, area);
    QFETCH(int, bytes);
    QCOMPARE(getBytelen(DataType(type), count, area), bytes);
}

void tst_VexmarAreas::maximumAndRange()
{
    QCOMPARE(getmaximum_length(0), 0);
    QCOMPARE(getmaximum_length(1), 240);
    QCOMPARE(getmaximum_length(14), 640);
    QCOMPARE(getmaximum_length(AreaString), 1280);
    QCOMPARE(getmaximum_length(AreaCustom), 2097152);
    QCOMPARE(getmaximum_length(32), 7200);
    QCOMPARE(getmaximum_length(46), 0);
    QCOMPARE(getmaximum_length(47), 0);
    QCOMPARE(getmaximum_length(-1), 0);

    QVERIFY(indexInArea(1, 0));
    QVERIFY(indexInArea(1, 239));
    QVERIFY(!indexInArea(1, 240));
    QVERIFY(!indexInArea(1, -1));
    QVERIFY(!indexInArea(0, 0));
}

QTEST_GUILESS_MAIN(tst_VexmarAreas)
#include "tst_vexmarareas.moc"
