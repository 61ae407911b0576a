// The numeric value codec the drivers share, and its one rule for what an encoder refuses.
#include "datatype.h"
#include "valuecodec.h"

#include <QtTest>

using ValueCodec::ByteOrder;

Q_DECLARE_METATYPE(ByteOrder)

namespace {

template<typename T>
QVariant listOf(const QList<T> &list)
{
    return QVariant::fromValue(list);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The elements of a value list, comparable whatever their type.
QVariantList elements(const QVariant &list)
{
    QVariantList out;
    if (list.canConvert<QVariantList>()) {
        for (const QVariant &e : list.value<QSequentialIterable>())
            out << e;
    }
    return out;
}

constexpr auto little = ByteOrder::LittleEndian;
constexpr auto big = ByteOrder::BigEndian;

} // namespace

class tst_ValueCodec : public QObject
{
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void takeElements_data();
    void takeElements();
};

void tst_ValueCodec::encode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<ByteOrder>("order");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("bytes");
    const int ok = ValueCodec::Ok;
    const int refused = ValueCodec::Refused;
    const QVariant pair = listOf(QList<int>{1, -2});
    QTest::newRow("Int32 little") << int(Int32) << little << pair << 2 << ok
                                  << hex("01000000feffffff");
    QTest::newRow("Int32 big") << int(Int32) << big << pair << 2 << ok << hex("00000001fffffffe");
    QTest::newRow("UInt16 little")
        << int(UInt16) << little << listOf(QList<ushort>{0x1234}) << 1 << ok << hex("3412");
    QTest::newRow("UInt16 big") << int(UInt16) << big << listOf(QList<ushort>{0x1234}) << 1 << ok
                                << hex("1234");
    QTest::newRow("Int8") << int(Int8) << big << listOf(QList<char>{-1, 2}) << 2 << ok
                          << hex("ff02");
    QTest::newRow("float little") << int(Float) << little << listOf(QList<float>{1.0f}) << 1 << ok
                                  << hex("0000803f");
    QTest::newRow("double big") << int(Double) << big << listOf(QList<double>{1.0}) << 1 << ok
                                << hex("3ff0000000000000");
    QTest::newRow("UInt64 little") << int(UInt64) << little << listOf(QList<qulonglong>{1}) << 1
                                   << ok << hex("0100000000000000");
    QTest::newRow("byte-order variant as its base type")
        << int(int16_AB) << little << listOf(QList<short>{-2}) << 1 << ok << hex("feff");
    QTest::newRow("only count elements")
        << int(Int16) << little << listOf(QList<short>{1, 2, 3}) << 2 << ok << hex("01000200");
    QTest::newRow("count 0") << int(Int32) << little << pair << 0 << ok << QByteArray();
    // The rule: a negative count, a value that does not convert, too few elements or a type
    // that is no number are refused, and nothing is appended.
    QTest::newRow("negative count")
        << int(Int32) << little << pair << -1 << refused << QByteArray();
    QTest::newRow("fewer elements than count")
        << int(Int16) << big << listOf(QList<short>{1}) << 2 << refused << QByteArray();
    QTest::newRow("a list of another type")
        << int(Int32) << little << listOf(QList<short>{1}) << 1 << refused << QByteArray();
    QTest::newRow("a list of another type, count 0")
        << int(Int32) << little << listOf(QList<QString>{"1"}) << 0 << refused << QByteArray();
    QTest::newRow("no value") << int(Double) << big << QVariant() << 1 << refused << QByteArray();
    QTest::newRow("bool is no number")
        << int(Bool) << little << listOf(QList<bool>{true}) << 1 << refused << QByteArray();
    QTest::newRow("string is no number")
        << int(string) << little << listOf(QList<QString>{"a"}) << 1 << refused << QByteArray();
}

void tst_ValueCodec::encode()
{
    QFETCH(int, type);
    QFETCH(ByteOrder, order);
    QFETCH(QVariant, value);
    QFETCH(int, count);
    QFETCH(int, result);
    QFETCH(QByteArray, bytes);
    QByteArray out("head");
    QCOMPARE(ValueCodec::encodeNumbers(type, value, count, order, &out), result);
    QCOMPARE(out.toHex(), (QByteArray("head") + bytes).toHex());
}

void tst_ValueCodec::decode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<ByteOrder>("order");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("Int32 little") << int(Int32) << little << hex("feffffff") << 1
                                  << listOf(QList<int>{-2});
    QTest::newRow("Int32 big") << int(Int32) << big << hex("fffffffe") << 1
                               << listOf(QList<int>{-2});
    QTest::newRow("UInt32 of ff ff ff ff")
        << int(UInt32) << big << hex("ffffffff") << 1 << listOf(QList<uint>{0xffffffffu});
    QTest::newRow("float big") << int(Float) << big << hex("3f800000") << 1
                               << listOf(QList<float>{1.0f});
    QTest::newRow("Int64 little") << int(Int64) << little << hex("0100000000000000") << 1
                                  << listOf(QList<qlonglong>{1});
    QTest::newRow("Int8 is plain char")
        << int(Int8) << little << hex("fe") << 1 << listOf(QList<char>{-2});
    // Bytes past the end read as 0, each position on its own.
    QTest::newRow("half an element, little")
        << int(Int16) << little << hex("010002") << 2 << listOf(QList<short>{1, 2});
    QTest::newRow("half an element, big")
        << int(Int16) << big << hex("01") << 1 << listOf(QList<short>{256});
    QTest::newRow("count 0: an empty list")
        << int(Int32) << little << hex("01000000") << 0 << listOf(QList<int>{});
    QTest::newRow("negative count: an empty list")
        << int(Double) << big << hex("01") << -3 << listOf(QList<double>{});
    QTest::newRow("no number type") << int(string) << little << hex("0141") << 1 << QVariant();
}

void tst_ValueCodec::decode()
{
    QFETCH(int, type);
    QFETCH(ByteOrder, order);
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QVariant, value);
    const QVariant got = ValueCodec::decodeNumbers(type, bytes, count, order);
    QCOMPARE(got.userType(), value.userType());
    QCOMPARE(elements(got), elements(value));
    QCOMPARE(elements(got).size(), value.isValid() ? qMax(count, 0) : 0);
}

void tst_ValueCodec::takeElements_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<int>("size");
    const QVariant bits = listOf(QList<bool>{true, false, true});
    QTest::newRow("the first two") << bits << 2 << true << 2;
    QTest::newRow("all") << bits << 3 << true << 3;
    QTest::newRow("none") << bits << 0 << true << 0;
    QTest::newRow("negative count") << bits << -1 << false << 0;
    QTest::newRow("too few") << bits << 4 << false << 0;
    QTest::newRow("does not convert") << listOf(QList<QString>{"x"}) << 1 << false << 0;
    QTest::newRow("no value") << QVariant() << 0 << false << 0;
}

void tst_ValueCodec::takeElements()
{
    QFETCH(QVariant, value);
    QFETCH(int, count);
    QFETCH(bool, taken);
    QFETCH(int, size);
    QList<bool> list;
    QCOMPARE(ValueCodec::takeElements(value, count, &list), taken);
    if (taken)
        QCOMPARE(list.size(), size);
}

QTEST_GUILESS_MAIN(tst_ValueCodec)
#include "tst_valuecodec.moc"
