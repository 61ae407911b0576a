#include "vexmarcodecs.h"

#include <QtTest>
#include <limits>

using namespace Vexmar;

namespace {

// The list in a value as text, with its exact element type, so that rows compare both.
template<typename T>
bool render(const QVariant &v, const char *name, QString *out)
{
    if (v.userType() != qMetaTypeId<QList<T>>())
        return false;
    QStringList parts;
    for (const T &e : v.value<QList<T>>()) {
        if constexpr (std::is_same_v<T, QString>)
            parts << QLatin1Char('"') + e + QLatin1Char('"');
        else if constexpr (std::is_same_v<T, bool>)
            parts << QLatin1String(e ? "true" : "false");
        else if constexpr (std::is_floating_point_v<T>)
            parts << QString::number(double(e));
        else if constexpr (std::is_signed_v<T>)
            parts << QString::number(qlonglong(e));
        else
            parts << QString::number(qulonglong(e));
    }
    *out = QLatin1String(name) + QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
    return true;
}

QString show(const QVariant &v)
{
    QString s;
    if (render<bool>(v, "bool", &s) || render<char>(v, "char", &s) || render<uchar>(v, "uchar", &s)
        || render<short>(v, "short", &s) || render<ushort>(v, "ushort", &s)
        || render<int>(v, "int", &s) || render<uint>(v, "uint", &s) || render<float>(v, "float", &s)
        || render<qlonglong>(v, "qlonglong", &s) || render<qulonglong>(v, "qulonglong", &s)
        || render<double>(v, "double", &s) || render<QString>(v, "QString", &s))
        return s;
    return QStringLiteral("other type %1").arg(QLatin1String(v.typeName()));
}

CLabelVariable record(const QVariant &value)
{
    CLabelVariable r;
    r.value = value;
    return r;
}

} // namespace

class tst_VexmarCodecs : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void roundTrip_data();
    void roundTrip();
    void int8IsPlainChar();
};

void tst_VexmarCodecs::decode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");
    struct Row
    {
        const char *tag;
        DataType type;
        const char *hex;
        int count;
        const char *expected;
    };
    const Row rows[] = {
        {"bool nonzero is true", Bool, "000107", 3, "bool(false,true,true)"},
        {"bool beyond the data", Bool, "01", 2, "bool(true,false)"},
        {"Int8", Int8, "ff7f", 2, "char(-1,127)"},
        {"Int8 short input", Int8, "01", 3, "char(1,0,0)"},
        {"UInt8", UInt8, "ff00", 2, "uchar(255,0)"},
        {"Int16 -2", Int16, "feff", 1, "short(-2)"},
        {"UInt16 2^16-2", UInt16, "feff", 1, "ushort(65534)"},
        {"Int16 half element", Int16, "010002", 2, "short(1,2)"},
        {"Int16 beyond the data", Int16, "010002", 4, "short(1,2,0,0)"},
        {"Int32 1", Int32, "01000000", 1, "int(1)"},
        {"Int32 -1", Int32, "ffffffff", 1, "int(-1)"},
        {"UInt32 max", UInt32, "ffffffff", 1, "uint(4294967295)"},
        {"float 1", Float, "0000803f", 1, "float(1)"},
        {"Int64 1", Int64, "0100000000000000", 1, "qlonglong(1)"},
        {"Int64 min", Int64, "0000000000000080", 1, "qlonglong(-9223372036854775808)"},
        {"UInt64 1", UInt64, "0100000000000000", 1, "qulonglong(1)"},
        {"UInt64 max", UInt64, "ffffffffffffffff", 1, "qulonglong(18446744073709551615)"},
        {"double 1", Double, "000000000000f03f", 1, "double(1)"},
        {"surplus bytes ignored", Int16, "01000200", 1, "short(1)"},
        {"count 0 is an empty list", Int32, "01000000", 0, "int()"},
        {"negative count", Double, "", -1, "double()"},
        {"count 0 string", string, "03414243", 0, "QString()"},
        {"strings", string, "03414243024445", 2, "QString(\"ABC\",\"DE\")"},
        {"strings run out", string, "03414243024445", 3, "QString(\"ABC\",\"DE\",\"\")"},
        {"zero byte ends a text", string, "0441004243015a", 2, "QString(\"A\",\"Z\")"},
        {"length beyond the data", string, "054142", 1, "QString(\"AB\")"},
    };
    for (const Row &r : rows)
        QTest::newRow(r.tag) << int(r.type) << QByteArray::fromHex(r.hex) << r.count
                             << QString::fromLatin1(r.expected);
    QTest::newRow("UTF-8 text") << int(string) << QByteArray::fromHex("05636166c3a9") << 1
                                << QStringLiteral("QString(\"caf\u00e9\")");
    // The length byte is unsigned: a slot holds up to 255 bytes, and the next text follows them.
    QTest::newRow("length byte 0xc8, then another text")
        << int(string) << '\xc8' + QByteArray(200, 'x') + QByteArray::fromHex("03616263") << 2
        << QStringLiteral("QString(\"%1\",\"abc\")").arg(QString(200, 'x'));
    QTest::newRow("length byte 0xff") << int(string) << '\xff' + QByteArray(255, 'y') << 1
                                      << QStringLiteral("QString(\"%1\")").arg(QString(255, 'y'));
}

void tst_VexmarCodecs::decode()
{
    QFETCH(int, type);
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, expected);
    QCOMPARE(show(decoderFor(type)(bytes, count)), expected);
}

void tst_VexmarCodecs::encode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("bytes");
    const auto v = [](auto list) { return QVariant::fromValue(list); };
    QTest::newRow("bool") << int(Bool) << v(QList<bool>{true, false}) << 2 << 0
                          << QByteArray::fromHex("0100");
    QTest::newRow("Int8") << int(Int8) << v(QList<char>{-1, 5}) << 2 << 0
                          << QByteArray::fromHex("ff05");
    QTest::newRow("UInt8") << int(UInt8) << v(QList<uchar>{200}) << 1 << 0
                           << QByteArray::fromHex("c8");
    QTest::newRow("Int16") << int(Int16) << v(QList<short>{-2}) << 1 << 0
                           << QByteArray::fromHex("feff");
    QTest::newRow("UInt16") << int(UInt16) << v(QList<ushort>{0x1234}) << 1 << 0
                            << QByteArray::fromHex("3412");
    QTest::newRow("Int32") << int(Int32) << v(QList<int>{1, -2}) << 2 << 0
                           << QByteArray::fromHex("01000000feffffff");
    QTest::newRow("UInt32") << int(UInt32) << v(QList<uint>{0x01020304}) << 1 << 0
                            << QByteArray::fromHex("04030201");
    QTest::newRow("float") << int(Float) << v(QList<float>{1.0f}) << 1 << 0
                           << QByteArray::fromHex("0000803f");
    QTest::newRow("Int64") << int(Int64) << v(QList<qlonglong>{-1}) << 1 << 0
                           << QByteArray::fromHex("ffffffffffffffff");
    QTest::newRow("UInt64") << int(UInt64) << v(QList<qulonglong>{1}) << 1 << 0
                            << QByteArray::fromHex("0100000000000000");
    QTest::newRow("double") << int(Double) << v(QList<double>{1.0}) << 1 << 0
                            << QByteArray::fromHex("000000000000f03f");
    QTest::newRow("strings") << int(string) << v(QList<QString>{"ABC", "DE"}) << 2 << 0
                             << QByteArray::fromHex("03414243024445");
    // Texts go as UTF-8, their length byte counting bytes; one that would not read back as it
    // is, whole, refuses the value with nothing appended.
    QTest::newRow("UTF-8 bytes counted")
        << int(string) << v(QList<QString>{QStringLiteral("caf\u00e9"), QStringLiteral("\u4e2d")})
        << 2 << 0 << QByteArray::fromHex("05636166c3a903e4b8ad");
    QTest::newRow("255 bytes fill a slot") << int(string) << v(QList<QString>{QString(255, 'x')})
                                           << 1 << 0 << '\xff' + QByteArray(255, 'x');
    QTest::newRow("256 characters do not fit a slot")
        << int(string) << v(QList<QString>{QString(256, 'x')}) << 1 << int(CodecRefused)
        << QByteArray();
    QTest::newRow("86 Chinese characters take 258 bytes")
        << int(string) << v(QList<QString>{QString(86, QChar(0x4e2d))}) << 1 << int(CodecRefused)
        << QByteArray();
    QTest::newRow("a text that does not fit refuses the others")
        << int(string) << v(QList<QString>{"ok", QString(300, 'x')}) << 2 << int(CodecRefused)
        << QByteArray();
    QTest::newRow("a NUL would end the text")
        << int(string) << v(QList<QString>{QStringLiteral("a\0b")}) << 1 << int(CodecRefused)
        << QByteArray();
    QTest::newRow("a lone surrogate has no UTF-8")
        << int(string) << v(QList<QString>{QString(QChar(0xdc00))}) << 1 << int(CodecRefused)
        << QByteArray();
    QTest::newRow("only count elements")
        << int(Int16) << v(QList<short>{1, 2, 3}) << 2 << 0 << QByteArray::fromHex("01000200");
    QTest::newRow("count 0") << int(Int32) << v(QList<int>{1}) << 0 << 0 << QByteArray();
    QTest::newRow("list shorter than count")
        << int(Int16) << v(QList<short>{1}) << 2 << int(CodecRefused) << QByteArray();
    QTest::newRow("strings shorter than count")
        << int(string) << v(QList<QString>{"A"}) << 2 << int(CodecRefused) << QByteArray();
    QTest::newRow("list of another type")
        << int(Int32) << v(QList<short>{1}) << 1 << int(CodecRefused) << QByteArray();
    QTest::newRow("no value") << int(Double) << QVariant() << 1 << int(CodecRefused)
                              << QByteArray();
}

void tst_VexmarCodecs::encode()
{
    QFETCH(int, type);
    QFETCH(QVariant, value);
    QFETCH(int, count);
    QFETCH(int, result);
    QFETCH(QByteArray, bytes);
    QByteArray out("head");
    QCOMPARE(encoderFor(type)(record(value), count, &out), result);
    QCOMPARE(out.toHex(), (QByteArray("head") + bytes).toHex());
}

void tst_VexmarCodecs::roundTrip_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    const auto v = [](auto list) { return QVariant::fromValue(list); };
    QTest::newRow("bool") << int(Bool) << v(QList<bool>{true, false, true});
    QTest::newRow("Int8") << int(Int8) << v(QList<char>{-128, 0, 127});
    QTest::newRow("UInt8") << int(UInt8) << v(QList<uchar>{0, 255});
    QTest::newRow("Int16") << int(Int16) << v(QList<short>{-32768, 32767});
    QTest::newRow("UInt16") << int(UInt16) << v(QList<ushort>{0, 65535});
    QTest::newRow("Int32") << int(Int32) << v(QList<int>{std::numeric_limits<int>::min(), 7});
    QTest::newRow("UInt32") << int(UInt32) << v(QList<uint>{0xdeadbeef});
    QTest::newRow("float") << int(Float) << v(QList<float>{-1.5f, 3.25e10f});
    QTest::newRow("Int64") << int(Int64) << v(QList<qlonglong>{-5, 1LL << 40});
    QTest::newRow("UInt64") << int(UInt64) << v(QList<qulonglong>{~0ULL});
    QTest::newRow("double") << int(Double) << v(QList<double>{-0.125, 1e300});
    QTest::newRow("ASCII strings") << int(string) << v(QList<QString>{"", "Vexmar 1"});
    QTest::newRow("non-ASCII strings")
        << int(string)
        << v(QList<QString>{QStringLiteral("caf\u00e9"), QStringLiteral("\u4e2d\u6587"),
                            QStringLiteral("\U0001f600")});
}

void tst_VexmarCodecs::roundTrip()
{
    QFETCH(int, type);
    QFETCH(QVariant, value);
    const int count = value.value<QSequentialIterable>().size();
    QByteArray bytes;
    QCOMPARE(encoderFor(type)(record(value), count, &bytes), int(CodecOk));
    QCOMPARE(show(decoderFor(type)(bytes, count)), show(value));
}

void tst_VexmarCodecs::int8IsPlainChar()
{
    // The record's typed getters look for the list of plain char, not of signed char.
    CLabelVariable r = record(set_variant_Int8(QByteArray::fromHex("fe"), 1));
    QCOMPARE(r.value.userType(), qMetaTypeId<QList<char>>());
    QVERIFY(r.value.userType() != qMetaTypeId<QList<signed char>>());
    QCOMPARE(int(r.get_Int8(0)), -2);
    QCOMPARE(r.error, int(LabelError::Ok));
    QVERIFY(decoderFor(0) == nullptr);
    QVERIFY(encoderFor(13) == nullptr);
}

QTEST_GUILESS_MAIN(tst_VexmarCodecs)
#include "tst_vexmarcodecs.moc"
