// S7 value codecs: big-endian numbers, IEEE 754, packed bits; encoders refuse short values.
#include "libcorvid.h"
#include "s7values.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestS7Codec : public QObject
{
    Q_OBJECT
private slots:
    void decodeNumbers();
    void decodeBits_data();
    void decodeBits();
    void encodeNumbers();
    void roundTrip();
    void encoderRefusesWhatItCannotFill();
};

void TestS7Codec::decodeNumbers()
{
    LibCorvid d;
    QCOMPARE(d.set_variant_Int32(hex("00000001"), 1).value<QList<int>>(), QList<int>{1});
    QCOMPARE(d.set_variant_Int32(hex("FFFFFFFE"), 1).value<QList<int>>(), QList<int>{-2});
    QCOMPARE(d.set_variant_UInt32(hex("FFFFFFFE"), 1).value<QList<unsigned>>(),
             QList<unsigned>{0xFFFFFFFEu});
    QCOMPARE(d.set_variant_Int16(hex("FFFE"), 1).value<QList<short>>(), QList<short>{-2});
    QCOMPARE(d.set_variant_UInt16(hex("FFFE"), 1).value<QList<unsigned short>>(),
             QList<unsigned short>{65534});
    QCOMPARE(d.set_variant_fload(hex("3F800000"), 1).value<QList<float>>(), QList<float>{1.0f});
    QCOMPARE(d.set_variant_double(hex("3FF0000000000000"), 1).value<QList<double>>(),
             QList<double>{1.0});
    QCOMPARE(d.set_variant_Int64(hex("0000000000000001"), 1).value<QList<qlonglong>>(),
             QList<qlonglong>{1});
    QCOMPARE(d.set_variant_UInt64(hex("FFFFFFFFFFFFFFFF"), 1).value<QList<qulonglong>>(),
             QList<qulonglong>{~0ull});
    QCOMPARE(d.set_variant_Int8(hex("FF80"), 2).value<QList<char>>(), (QList<char>{-1, -128}));
    QCOMPARE(d.set_variant_UInt8(hex("FF"), 1).value<QList<unsigned char>>(),
             QList<unsigned char>{255});
    // A missing low byte reads as 0; a count of 0 is an empty list, not an invalid value.
    QCOMPARE(d.set_variant_Int16(hex("01"), 1).value<QList<short>>(), QList<short>{256});
    const QVariant none = d.set_variant_Int32(hex("00000001"), 0);
    QCOMPARE(none.userType(), qMetaTypeId<QList<int>>());
    QVERIFY(none.value<QList<int>>().isEmpty());
    // The element types are the ones the record's getters test for.
    QCOMPARE(d.set_variant_Int8(hex("01"), 1).userType(), qMetaTypeId<QList<char>>());
}

void TestS7Codec::decodeBits_data()
{
    QTest::addColumn<int>("startBit");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("byteCount");
    QTest::addColumn<QList<bool>>("bits");
    QTest::newRow("A8 from bit 3") << 3 << hex("A8") << 1 << QList<bool>{1, 0, 1, 0, 1};
    QList<bool> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.append(i == 0 || i == 15);
    QTest::newRow("01 80 from bit 0") << 0 << hex("0180") << 2 << sixteen;
    QTest::newRow("40 01 from bit 6")
        << 6 << hex("4001") << 2 << QList<bool>{1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("bit 8 names no bit") << 8 << hex("FF") << 1 << QList<bool>{};
}

void TestS7Codec::decodeBits()
{
    QFETCH(int, startBit);
    QFETCH(QByteArray, bytes);
    QFETCH(int, byteCount);
    QFETCH(QList<bool>, bits);
    LibCorvid d;
    QCOMPARE(d.set_variant_bool(startBit, bytes, byteCount).value<QList<bool>>(), bits);
}

void TestS7Codec::encodeNumbers()
{
    LibCorvid d;
    QByteArray out;
    QCOMPARE(d.Wset_variant_Int32(valueOf(QList<int>{1, -2}), 2, &out), 0);
    QCOMPARE(out, hex("00000001FFFFFFFE"));
    out.clear();
    d.Wset_variant_Int16(valueOf(QList<short>{1}), 1, &out);
    d.Wset_variant_float(valueOf(QList<float>{1.0f}), 1, &out);
    d.Wset_variant_double(valueOf(QList<double>{1.0}), 1, &out);
    d.Wset_variant_Int64(valueOf(QList<qlonglong>{1}), 1, &out);
    d.Wset_variant_bool(valueOf(QList<bool>{true, false}), 2, &out);
    QCOMPARE(out, hex("0001 3F800000 3FF0000000000000 0000000000000001 0100"));
}

void TestS7Codec::roundTrip()
{
    LibCorvid d;
    QByteArray out;
    const QList<qulonglong> u64{0, 1, ~0ull};
    d.Wset_variant_UInt64(valueOf(u64), 3, &out);
    QCOMPARE(d.set_variant_UInt64(out, 3).value<QList<qulonglong>>(), u64);
    out.clear();
    const QList<double> dbl{-1.5, 1e300};
    d.Wset_variant_double(valueOf(dbl), 2, &out);
    QCOMPARE(d.set_variant_double(out, 2).value<QList<double>>(), dbl);
    out.clear();
    const QList<unsigned short> u16{0, 0x1234, 0xFFFF};
    d.Wset_variant_uInt16(valueOf(u16), 3, &out);
    QCOMPARE(d.set_variant_UInt16(out, 3).value<QList<unsigned short>>(), u16);
    out.clear();
    const QList<float> flt{-0.25f, 3.0e38f};
    d.Wset_variant_float(valueOf(flt), 2, &out);
    QCOMPARE(d.set_variant_fload(out, 2).value<QList<float>>(), flt);
}

void TestS7Codec::encoderRefusesWhatItCannotFill()
{
    LibCorvid d;
    QByteArray out("x");
    QCOMPARE(d.Wset_variant_Int32(valueOf(QList<int>{1}), 2, &out), -1);
    QCOMPARE(d.Wset_variant_Int32(CLabelVariable(), 1, &out), -1);
    QCOMPARE(d.Wset_variant_Int16(valueOf(QList<QString>{QStringLiteral("a")}), 1, &out), -1);
    QCOMPARE(out, QByteArray("x")); // nothing appended
}

QTEST_GUILESS_MAIN(TestS7Codec)
#include "tst_s7codec.moc"
