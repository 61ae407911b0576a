// The S7 address grammar: the forms it keeps, the size-letter forms, and what it refuses.
#include "libcorvid.h"

#include <QtTest>

class TestS7Address : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void byteLength_data();
    void byteLength();
};

void TestS7Address::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("area"); // 0: refused
    QTest::addColumn<int>("db");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("bit");
    const int I = LibCorvid::AreaI, Q = LibCorvid::AreaQ, M = LibCorvid::AreaM;
    const int DB = LibCorvid::AreaDB;
    struct Row
    {
        const char *text;
        int area, db, byte, bit;
    };
    const Row rows[] = {
        {"I0.3", I, 0, 0, 3},
        {"Q4.0", Q, 0, 4, 0},
        {"M10.2", M, 0, 10, 2},
        {"M10", M, 0, 10, 0},
        {"m10.7", M, 0, 10, 7},
        {"V100", DB, 0, 100, 0},
        {"DB1.DBX10.3", DB, 1, 10, 3},
        {"db1.dbx0.0", DB, 1, 0, 0},
        {"DB5.DBW20", DB, 5, 20, 0},
        {"DB2_DBD4", DB, 2, 4, 0},
        {"DB3:DBB7", DB, 3, 7, 0},
        {"DB3;DBW8", DB, 3, 8, 0},
        {"DB65535.DBB0", DB, 65535, 0, 0},
        {" DB1.DBW2 ", DB, 1, 2, 0},
        {"IB2", I, 0, 2, 0},
        {"IW2", I, 0, 2, 0},
        {"MW10", M, 0, 10, 0},
        {"MD100", M, 0, 100, 0},
        {"QB4", Q, 0, 4, 0},
        {"VB7", DB, 0, 7, 0},
        {"VW100", DB, 0, 100, 0},
        {"VD100", DB, 0, 100, 0},
        {"V_or_DB5.DBW20", DB, 5, 20, 0},
        {"V_or_DB100", DB, 0, 100, 0},
        // refused: no area, bad block number, bad bit, bad or missing byte, leftovers
        {"X5", 0, 0, -1, 0},
        {"", 0, 0, -1, 0},
        {"100", 0, 0, -1, 0},
        {"DB0.DBW0", 0, 0, -1, 0},
        {"DB70000.DBW0", 0, 0, -1, 0},
        {"M10.8", 0, 0, -1, 0},
        {"DB1.DBX10.9", 0, 0, -1, 0},
        {"M", 0, 0, -1, 0},
        {"MW", 0, 0, -1, 0},
        {"Mx.1", 0, 0, -1, 0},
        {"DB1.W20", 0, 0, -1, 0},
        {"DB1,DBW20", 0, 0, -1, 0},
        {"DB5.DBW20abc", 0, 0, -1, 0},
        {"DB1.DBW", 0, 0, -1, 0},
        {"MW10.3", 0, 0, -1, 0},
        {"DB1.DBW20.1", 0, 0, -1, 0},
        {"M70000", 0, 0, -1, 0},
        {"IM10", 0, 0, -1, 0},
        {"M-1", 0, 0, -1, 0},
    };
    for (const Row &r : rows)
        QTest::newRow(*r.text ? r.text : "(empty)")
            << QString::fromLatin1(r.text) << r.area << r.db << r.byte << r.bit;
}

void TestS7Address::parse()
{
    QFETCH(QString, text);
    QFETCH(int, area);
    QFETCH(int, db);
    QFETCH(int, byte);
    QFETCH(int, bit);
    LibCorvid driver;
    const LibCorvid::AreaType found = driver.getArea(text);
    QCOMPARE(int(found), area);
    QCOMPARE(driver.getAddr(text, found), byte);
    QCOMPARE(int(driver.getmodule_number(text, found)), db);
    QCOMPARE(int(driver.getmodule_bit(text, found)), bit);
}

void TestS7Address::byteLength_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("bytes");
    QTest::newRow("bool 1") << int(Bool) << 1 << 1;
    QTest::newRow("bool 9") << int(Bool) << 9 << 2;
    QTest::newRow("UInt8 3") << int(UInt8) << 3 << 3;
    QTest::newRow("Int16 2") << int(Int16) << 2 << 4;
    QTest::newRow("float 2") << int(Float) << 2 << 8;
    QTest::newRow("UInt64 2") << int(UInt64) << 2 << 16;
    QTest::newRow("double 1") << int(Double) << 1 << 8;
    QTest::newRow("null") << int(null) << 4 << 0;
    QTest::newRow("string") << int(string) << 4 << 0;
    QTest::newRow("int16_AB") << int(int16_AB) << 4 << 0;
}

void TestS7Address::byteLength()
{
    QFETCH(int, type);
    QFETCH(int, count);
    QFETCH(int, bytes);
    LibCorvid driver;
    QCOMPARE(driver.getBytelen(DataType(type), count), bytes);
}

QTEST_GUILESS_MAIN(TestS7Address)
#include "tst_s7address.moc"
