#include "vexmarcodecs.h"
#include "vexmarframes.h"

#include <QtTest>

using namespace Vexmar;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QByteArray replyWith(const QByteArray &request, const QByteArray &data)
{
    return request.left(2) + hex("0100") + data;
}

} // namespace

class tst_VexmarFrames : public QObject
{
    Q_OBJECT

private slots:
    void requests_data();
    void requests();
    void field24();
    void readData();
    void replyChecks_data();
    void replyChecks();
    void serialReplies_data();
    void serialReplies();
    void stringSlots();
    void stringSlotsRefused_data();
    void stringSlotsRefused();
};

void tst_VexmarFrames::requests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("handshake") << handshakeRequest() << hex("0401");
    QTest::newRow("values AI3 x8: address x4")
        << readValuesRequest(7, 3, 8) << hex("0101010007000c00000800");
    QTest::newRow("values DI6 x16 bits: address in bits")
        << readValuesRequest(1, 5, 16) << hex("0101010001000500001000");
    QTest::newRow("string SI3 one slot")
        << readStringRequest(28, 2, 1) << hex("010101001c000002000001");
    QTest::newRow("values in SI: address x256")
        << readValuesRequest(28, 1, 256) << hex("010101001c000001000001");
    QTest::newRow("bits in SI: address unscaled")
        << readBitsRequest(28, 1, 8) << hex("010101001c000100000800");
    QTest::newRow("bits count 3") << readBitsRequest(1, 0, 3) << hex("0101010001000000000300");
    QTest::newRow("index -1 in a bit area") << readBitsRequest(1, -1, 1)
                                            << hex("01010100"
                                                   "01"
                                                   "ffffff"
                                                   "000100");
    QTest::newRow("index -1 in a word area") << readValuesRequest(7, -1, 4)
                                             << hex("01010100"
                                                    "07"
                                                    "fffcff"
                                                    "000400");
    QTest::newRow("write SA11 x2: address x2, any data")
        << writeValuesRequest(14, 10, 2, hex("abcd")) << hex("020101000e001400000200abcd");
    QTest::newRow("write values pads missing data with zeros")
        << writeValuesRequest(7, 0, 4, hex("01"))
        << hex("0201010007000000000400"
               "01000000");
    QTest::newRow("write DO1 x16 bits: one byte per bit")
        << writeValuesRequest(4, 0, 16, hex("0180"))
        << hex("0201010004000000001000"
               "01000000000000000000000000000001");
    QTest::newRow("write bits as given") << writeBitsRequest(1, 2, 3, hex("0100"))
                                         << hex("0201010001000200000300"
                                                "010000");
}

void tst_VexmarFrames::requests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QCOMPARE(request.toHex(), expected.toHex());
}

void tst_VexmarFrames::field24()
{
    QCOMPARE(Vexmar::field24(0x0445C0).toHex(), QByteArray("04c045"));
    QCOMPARE(parseField24(hex("04c045"), 0), 0x0445C0);
    QCOMPARE(parseField24(hex("04"), 0), 0x040000); // bytes beyond the frame read as 0
}

void tst_VexmarFrames::readData()
{
    const QByteArray ai = readValuesRequest(7, 3, 8);
    const QByteArray data = hex("1122334455667788");
    QCOMPARE(readValuesData(7, replyWith(ai, data), 8), data);
    // A longer reply is cut to the count.
    QCOMPARE(readValuesData(7, replyWith(ai, data + hex("eeee")), 8), data);

    // Bits: bit j of output byte i is reply data byte 8i + j; any nonzero byte is a set bit.
    const QByteArray di = readValuesRequest(1, 5, 16);
    QCOMPARE(readReplyBytes(16), 20);
    const QByteArray bits = hex("01000000000000010000000200000000");
    QCOMPARE(readValuesData(1, replyWith(di, bits), 16).toHex(), QByteArray("8108"));

    QCOMPARE(readBitsData(replyWith(readBitsRequest(1, 0, 3), hex("010001")), 3), hex("010001"));

    // A slot gives its length byte and text: the length byte read unsigned (up to 255 bytes),
    // nothing past it, and nothing past a zero byte inside it.
    QByteArray slotBytes = hex("03616263") + QByteArray(252, 'x');
    const QByteArray stringRead = readStringRequest(28, 2, 1);
    QCOMPARE(readStringData(replyWith(stringRead, slotBytes), 1), hex("03616263"));
    slotBytes[0] = char(0x90);
    QCOMPARE(readStringData(replyWith(stringRead, slotBytes), 1),
             '\x90' + QByteArray("abc") + QByteArray(141, 'x'));
    slotBytes[0] = char(0xff);
    slotBytes[200] = '\0';
    QCOMPARE(readStringData(replyWith(stringRead, slotBytes), 1),
             '\xc7' + QByteArray("abc") + QByteArray(196, 'x'));

    // Slots read as bytes give the same text, each without its length byte, zero-filled.
    const QByteArray twoSlots = hex("c8") + QByteArray(200, 'x') + QByteArray(55, 'z')
                                + hex("03616263ee") + QByteArray(251, '\0');
    QCOMPARE(slotsAsText(twoSlots).toHex(),
             (QByteArray(200, 'x') + QByteArray(55, '\0') + "abc" + QByteArray(252, '\0')).toHex());
    QCOMPARE(slotsAsText(twoSlots + "tail").right(4), QByteArray("tail"));
}

void tst_VexmarFrames::replyChecks_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("dataLength");
    QTest::addColumn<int>("check");
    const QByteArray read8 = readValuesRequest(7, 3, 8);
    const QByteArray write2 = writeValuesRequest(14, 10, 2, hex("abcd"));
    const auto ok = int(ReplyCheck::Ok);
    const auto wrongEcho = int(ReplyCheck::WrongEcho);
    const auto tooShort = int(ReplyCheck::Short);
    QTest::newRow("read, complete") << read8
                                    << hex("01010000"
                                           "0102030405060708")
                                    << 8 << ok;
    QTest::newRow("read, longer") << read8
                                  << hex("01010000"
                                         "010203040506070809")
                                  << 8 << ok;
    QTest::newRow("read, wrong sequence byte") << read8
                                               << hex("01020000"
                                                      "0102030405060708")
                                               << 8 << wrongEcho;
    QTest::newRow("read, answer to a write") << read8 << hex("02010000") << 8 << wrongEcho;
    QTest::newRow("read, one byte") << read8 << hex("01") << 8 << wrongEcho;
    QTest::newRow("read, 2 of 8 data bytes") << read8
                                             << hex("01010000"
                                                    "0102")
                                             << 8 << tooShort;
    QTest::newRow("write, echoed header") << write2 << hex("02010100") << 2 << ok;
    QTest::newRow("write, ffff is no answer") << write2 << hex("ffff") << 2 << wrongEcho;
    QTest::newRow("write, header cut") << write2 << hex("0201") << 2 << tooShort;
}

void tst_VexmarFrames::replyChecks()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(int, dataLength);
    QFETCH(int, check);
    QCOMPARE(int(checkReply(request, reply, dataLength)), check);
}

void tst_VexmarFrames::serialReplies_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("judged");
    QTest::addColumn<QByteArray>("candidate");
    const QByteArray reply = hex("01010100"
                                 "1112131415161718");
    const QByteArray earlier = hex("01010100"
                                   "21222324");
    const auto row = [](const char *tag, const QByteArray &received, SerialReply judged,
                        const QByteArray &candidate) {
        QTest::newRow(tag) << received << int(judged) << candidate;
    };
    row("nothing", {}, SerialReply::Nothing, {});
    row("the reply", reply, SerialReply::Whole, reply);
    row("line noise ahead", hex("eeee") + reply, SerialReply::Whole, reply);
    row("one byte short", reply.left(11), SerialReply::Partial, reply.left(11));
    row("one byte long", reply + hex("ee"), SerialReply::Misfit, reply + hex("ee"));
    // The second byte of the header echoes the first: a shifted window must not pass.
    row("one byte long, noise byte 01 ahead", hex("01") + reply, SerialReply::Misfit,
        hex("01") + reply);
    row("twice", reply + reply, SerialReply::Misfit, reply + reply);
    row("an earlier read's reply ahead", earlier + reply, SerialReply::Misfit, earlier + reply);
    row("a bit tail ahead", hex("010100010100") + reply, SerialReply::Misfit,
        hex("010100010100") + reply);
    row("a bit tail of zeros ahead", hex("000000") + reply, SerialReply::Whole, reply);
    row("an earlier read's reply alone", earlier, SerialReply::Partial, earlier);
    row("a write's reply", hex("02010000"), SerialReply::NoEcho, hex("02010000"));
}

void tst_VexmarFrames::serialReplies()
{
    QFETCH(QByteArray, received);
    QFETCH(int, judged);
    QFETCH(QByteArray, candidate);
    const QByteArray request = readValuesRequest(7, 0, 8);
    QByteArray got = "left over";
    QCOMPARE(int(judgeSerialReply(request, received, readReplyBytes(8), &got)), judged);
    QCOMPARE(got.toHex(), candidate.toHex());
}

void tst_VexmarFrames::stringSlots()
{
    // Two strings go into two slots, counted in bytes as the string read counts them.
    CLabelVariable v;
    v.value = QVariant::fromValue(QList<QString>{QStringLiteral("ABC"), QStringLiteral("DE")});
    QByteArray compact;
    QCOMPARE(Wset_variant_string(v, 2, &compact), int(CodecOk));
    const QByteArray frame = writeStringRequest(28, 1, 2, compact);
    QCOMPARE(frame.left(11).toHex(), QByteArray("020101001c000001000002"));
    QCOMPARE(frame.size(), 11 + 2 * 256);
    QCOMPARE(frame.mid(11, 4), hex("03414243"));
    QCOMPARE(frame.mid(11 + 256, 3), hex("024445"));
    QCOMPARE(frame.mid(11 + 4, 252), QByteArray(252, '\0'));
    // A slot takes a text of up to 255 bytes, its length byte read unsigned.
    const QByteArray full = '\xff' + QByteArray(255, 'a');
    QCOMPARE(writeStringRequest(28, 0, 1, full).mid(11), full);

    // What was written reads back through the string read of the same slots.
    const QByteArray read = readStringRequest(28, 1, 2);
    QCOMPARE(parseField24(read, 8), parseField24(frame, 8));
    const QByteArray data = readStringData(replyWith(read, frame.mid(11)), 2);
    QCOMPARE(data, compact);
    QCOMPARE(set_variant_string(data, 2).value<QList<QString>>(),
             (QList<QString>{QStringLiteral("ABC"), QStringLiteral("DE")}));
}

void tst_VexmarFrames::stringSlotsRefused_data()
{
    QTest::addColumn<QByteArray>("strings");
    QTest::addColumn<int>("count");
    QTest::newRow("fewer strings than count") << hex("03414243") << 2;
    QTest::newRow("string cut short") << hex("0541") << 1;
    QTest::newRow("more bytes than strings") << hex("0141"
                                                    "0142")
                                             << 1;
    QTest::newRow("300 characters (length byte 44)")
        << QByteArray(1, char(44)) + QByteArray(300, 'a') << 1;
    QTest::newRow("count 0") << QByteArray() << 0;
}

void tst_VexmarFrames::stringSlotsRefused()
{
    QFETCH(QByteArray, strings);
    QFETCH(int, count);
    QVERIFY(writeStringRequest(28, 0, count, strings).isEmpty());
}

QTEST_GUILESS_MAIN(tst_VexmarFrames)
#include "tst_vexmarframes.moc"
