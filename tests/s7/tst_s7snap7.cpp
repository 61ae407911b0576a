// LibCorvid against the Snap7 server, an independent S7 implementation, with DB, M, I and Q.
#include "libcorvid.h"
#include "s7peerprocess.h"
#include "s7values.h"

#include <QTcpServer>
#include <QtTest>

namespace {

struct Label
{
    const char *address;
    DataType type;
    int area;   // where the bytes lie: 'D' DB1, 'M', 'I', 'Q'
    int offset; // byte offset in that area
    const char *bytes;
    double value;
};

// Registered bytes and what each label must read from them.
const Label labels[] = {
    {"DB1.DBX0.3", Bool, 'D', 0, "08", 1},
    {"DB1.DBX0.2", Bool, 'D', 0, "08", 0},
    {"DB1.DBB1", Int8, 'D', 1, "FE", -2},
    {"DB1.DBB2", UInt8, 'D', 2, "C8", 200},
    {"DB1.DBW4", Int16, 'D', 4, "FFFE", -2},
    {"DB1.DBW6", UInt16, 'D', 6, "FFFE", 65534},
    {"DB1.DBD8", Int32, 'D', 8, "FFFFFFFE", -2},
    {"DB1.DBD12", UInt32, 'D', 12, "80000000", 2147483648.0},
    {"DB1.DBD16", Float, 'D', 16, "3FC00000", 1.5},
    {"DB1.DBB20", Int64, 'D', 20, "FFFFFFFFFFFFFFFE", -2},
    {"DB1.DBB28", UInt64, 'D', 28, "0000000000000101", 257},
    {"DB1.DBB36", Double, 'D', 36, "C004000000000000", -2.5},
    {"VW100", Int16, 'D', 100, "0102", 258},
    {"M0.1", Bool, 'M', 0, "02", 1},
    {"MW10", Int16, 'M', 10, "1234", 0x1234},
    {"MD20", Float, 'M', 20, "C0400000", -3},
    {"MB30", UInt8, 'M', 30, "7F", 127},
    {"I0.7", Bool, 'I', 0, "80", 1},
    {"IB2", UInt8, 'I', 2, "5A", 90},
    {"IW4", UInt16, 'I', 4, "ABCD", 0xABCD},
    {"ID8", Int32, 'I', 8, "00010000", 65536},
    {"Q4.0", Bool, 'Q', 4, "01", 1},
    {"QB5", Int8, 'Q', 5, "80", -128},
    {"QD8", UInt32, 'Q', 8, "00000100", 256},
    {"QW12", Int16, 'Q', 12, "8000", -32768},
};

template<typename T>
double first(const CLabelVariable &v)
{
    return double(v.elementAt<T>(0));
}

// Element 0 of a read value as a number, by its type.
double firstValue(const CLabelVariable &v)
{
    switch (v.type) {
    case Bool:
        return first<bool>(v);
    case Int8:
        return first<char>(v);
    case UInt8:
        return first<unsigned char>(v);
    case Int16:
        return first<short>(v);
    case UInt16:
        return first<unsigned short>(v);
    case Int32:
        return first<int>(v);
    case UInt32:
        return first<unsigned int>(v);
    case Float:
        return first<float>(v);
    case Int64:
        return first<qlonglong>(v);
    case UInt64:
        return first<qulonglong>(v);
    case Double:
        return first<double>(v);
    default:
        return qQNaN();
    }
}

} // namespace

class TestS7Snap7 : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readsRegisteredValues_data();
    void readsRegisteredValues();
    void tickReadsEveryLabel();
    void writeReadsBack();
    void bitWriteKeepsTheOtherBits();
    void refusalsByMeaning_data();
    void refusalsByMeaning();
    void closedPortGivesMinus3();

private:
    S7PeerProcess m_server;
    LibCorvid m_driver;
};

void TestS7Snap7::initTestCase()
{
    if (!snap7Installed())
        QSKIP("node-snap7 is not installed (scripts/setup.d/s7.sh installs it)");
    QHash<int, QByteArray> areas{{'D', QByteArray(128, 0)},
                                 {'M', QByteArray(64, 0)},
                                 {'I', QByteArray(16, 0)},
                                 {'Q', QByteArray(16, 0)}};
    for (const Label &l : labels) {
        const QByteArray bytes = QByteArray::fromHex(l.bytes);
        areas[l.area].replace(l.offset, bytes.size(), bytes);
    }
    areas['M'][10 + 30] = '\xA5'; // MB40, for the bit write
    QVERIFY2(m_server.startSnap7({"DB:1:" + areas['D'].toHex(), "MK:0:" + areas['M'].toHex(),
                                  "PE:0:" + areas['I'].toHex(), "PA:0:" + areas['Q'].toHex()}),
             qPrintable(m_server.errorText()));
    QCOMPARE(m_driver.ConnectDrive(m_server.link()), 0);
}

void TestS7Snap7::readsRegisteredValues_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("value");
    for (const Label &l : labels)
        QTest::newRow(l.address) << QString::fromLatin1(l.address) << int(l.type) << l.value;
}

void TestS7Snap7::readsRegisteredValues()
{
    QFETCH(QString, address);
    QFETCH(int, type);
    QFETCH(double, value);
    const CLabelVariable v = m_driver.ReadVariable(address, DataType(type));
    QCOMPARE(v.status, int(LabelStatus::Ok));
    QCOMPARE(firstValue(v), value);
}

void TestS7Snap7::tickReadsEveryLabel()
{
    QList<Induction::SReadInfo> records;
    for (const Label &l : labels)
        records.append({QString::fromLatin1(l.address), l.type});
    records.append({QStringLiteral("DB1.W20"), Int16}); // outside the grammar
    const auto blocks = m_driver.InductiveDrive_Read(QStringLiteral("1"), records);
    int entries = 0;
    for (const auto &block : blocks) {
        const auto values = m_driver.BlockReading(QStringLiteral("1"), block);
        QCOMPARE(values.size(), block.size());
        for (auto it = values.cbegin(); it != values.cend(); ++it, ++entries) {
            if (it.key().name == QLatin1String("DB1.W20")) {
                QCOMPARE(it->status, int(LabelStatus::AddressOutOfRange));
                continue;
            }
            QCOMPARE(it->status, int(LabelStatus::Ok));
            for (const Label &l : labels)
                if (it.key().name == QLatin1String(l.address))
                    QCOMPARE(firstValue(*it), l.value);
        }
    }
    QCOMPARE(entries, records.size());
    QCOMPARE(blocks.size(), 2); // one job for the four areas, one block of the refused record
}

void TestS7Snap7::writeReadsBack()
{
    const QList<int> values{123456, -7, 0x01020304};
    CLabelVariable w
        = m_driver.WriteVariable(QStringLiteral("DB1.DBD40"), Int32, valueOf(values), 3);
    QCOMPARE(w.status, int(LabelStatus::Ok));
    const CLabelVariable r = m_driver.ReadVariable(QStringLiteral("DB1.DBD40"), Int32, 3);
    QCOMPARE(r.value.value<QList<int>>(), values);
    w = m_driver.WriteVariable(QStringLiteral("QW14"), Int16, valueOf(QList<short>{-300}));
    QCOMPARE(w.status, int(LabelStatus::Ok));
    QCOMPARE(m_driver.ReadVariable(QStringLiteral("QW14"), Int16).value.value<QList<short>>(),
             QList<short>{-300});
}

void TestS7Snap7::bitWriteKeepsTheOtherBits()
{
    const QString mb40 = QStringLiteral("MB40");
    QCOMPARE(m_driver.ReadVariable(mb40, UInt8).value.value<QList<unsigned char>>().value(0), 0xA5);
    QCOMPARE(
        m_driver.WriteVariable(QStringLiteral("M40.3"), Bool, valueOf(QList<bool>{true})).status,
        int(LabelStatus::Ok));
    QCOMPARE(m_driver.ReadVariable(mb40, UInt8).value.value<QList<unsigned char>>().value(0), 0xAD);
    m_driver.WriteVariable(QStringLiteral("M40.0"), Bool, valueOf(QList<bool>{false}));
    QCOMPARE(m_driver.ReadVariable(mb40, UInt8).value.value<QList<unsigned char>>().value(0), 0xAC);
    QCOMPARE(m_driver.ReadVariable(QStringLiteral("M40.2"), Bool, 3).value.value<QList<bool>>(),
             (QList<bool>{true, true, false}));
}

void TestS7Snap7::refusalsByMeaning_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("status");
    QTest::newRow("absent DB, read") << "DB9.DBW0" << false << int(LabelStatus::AreaNotRecognised);
    QTest::newRow("absent DB, write") << "DB9.DBW0" << true << int(LabelStatus::AreaNotRecognised);
    QTest::newRow("beyond DB1, read")
        << "DB1.DBW200" << false << int(LabelStatus::AddressOutOfRange);
    QTest::newRow("beyond M, write") << "MW100" << true << int(LabelStatus::AddressOutOfRange);
    QTest::newRow("outside the grammar")
        << "DB1,DBW20" << false << int(LabelStatus::AddressOutOfRange);
    QTest::newRow("input write is reported") << "IW6" << true << int(LabelStatus::WriteToInputArea);
}

void TestS7Snap7::refusalsByMeaning()
{
    QFETCH(QString, address);
    QFETCH(bool, write);
    QFETCH(int, status);
    const CLabelVariable v = write
                                 ? m_driver.WriteVariable(address, Int16, valueOf(QList<short>{1}))
                                 : m_driver.ReadVariable(address, Int16);
    QCOMPARE(v.status, status);
    // A refusal leaves the connection usable.
    QCOMPARE(m_driver.ReadVariable(QStringLiteral("MW10"), Int16).status, int(LabelStatus::Ok));
}

void TestS7Snap7::closedPortGivesMinus3()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    LibCorvid other;
    QCOMPARE(other.ConnectDrive(QStringLiteral("127.0.0.1:%1").arg(port)), -3);
    QCOMPARE(other.ReadVariable(QStringLiteral("MW10"), Int16).status,
             int(LabelStatus::DeviceOffline));
}

QTEST_GUILESS_MAIN(TestS7Snap7)
#include "tst_s7snap7.moc"
