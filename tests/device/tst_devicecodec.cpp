// The FW packets with their CRC-16, the cutting of a firmware byte stream into packets, and the
// reading of a device link string.
#include "devicelink.h"
#include "fwpacket.h"

#include <QtTest>

Q_DECLARE_METATYPE(FwReply::Kind)
Q_DECLARE_METATYPE(DeviceLinkSettings::Status)
Q_DECLARE_METATYPE(QSerialPort::Parity)

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray fw(const QByteArray &afterMagic)
{
    return FwPacket::withCrc(QByteArray("FW") + afterMagic);
}

} // namespace

class TestDeviceCodec : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void packets_data();
    void packets();
    void versionField_data();
    void versionField();
    void recognise_data();
    void recognise();
    void framer_data();
    void framer();
    void linkString_data();
    void linkString();
};

void TestDeviceCodec::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("abc") << QByteArray("abc") << 0x5749;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("one zero byte") << hex("00") << 0x40BF;
    QTest::newRow("version request head") << QByteArray("FW\x08") << 0xE3AF;
}

void TestDeviceCodec::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    QCOMPARE(int(calcCrc16(data)), crc);
    QCOMPARE(
        int(calcCrc16(reinterpret_cast<const quint8 *>(data.constData()), quint16(data.size()))),
        crc);
}

void TestDeviceCodec::packets_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("version request") << FwPacket::versionRequest() << hex("465708afe3");
    QTest::newRow("APP start, version 70000 cut, size 600")
        << FwPacket::appUpdateStart(FwPacket::versionField("70000"), 600)
        << fw(hex("0170115802 00"));
    QTest::newRow("OS start, size of 16 MiB + 5 keeps 24 bits")
        << FwPacket::osUpdateStart(2, (qint64(1) << 24) + 5) << fw(hex("030200050000"));
    QTest::newRow("APP block 1 of 3 bytes")
        << FwPacket::appDataBlock(1, "xyz") << fw(hex("020100") + "xyz");
    QTest::newRow("OS block 258") << FwPacket::osDataBlock(258, "a") << fw(hex("040201") + "a");
    QTest::newRow("APP reboot") << FwPacket::appReboot(7) << fw(hex("060700"));
    QTest::newRow("OS reboot") << FwPacket::osReboot(0x1234) << fw(hex("073412"));
    QTest::newRow("crc of abc goes low byte first")
        << FwPacket::withCrc("abc") << QByteArray("abc") + hex("4957");
}

void TestDeviceCodec::packets()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, expected);
    QCOMPARE(packet.toHex(' '), expected.toHex(' '));
}

void TestDeviceCodec::versionField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("field");
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("70000 keeps its low 16 bits") << "70000" << 4464;
    QTest::newRow("no number") << "v2" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("hexadecimal is no decimal") << "0x10" << 0;
    QTest::newRow("-1") << "-1" << 0xFFFF;
}

void TestDeviceCodec::versionField()
{
    QFETCH(QString, text);
    QFETCH(int, field);
    QCOMPARE(int(FwPacket::versionField(text)), field);
}

void TestDeviceCodec::recognise_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<FwReply::Kind>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("error");

    const QByteArray noZero = fw(QByteArray("\x88V1.2"));
    QTest::newRow("empty") << QByteArray() << FwReply::NotFw << 0 << "" << 0;
    QTest::newRow("one byte F") << QByteArray("F") << FwReply::NotFw << 0 << "" << 0;
    QTest::newRow("text line") << QByteArray("OK\r\n") << FwReply::NotFw << 0 << "" << 0;
    QTest::newRow("FW alone fails its CRC") << QByteArray("FW") << FwReply::BadCrc << 0 << "" << 0;
    QTest::newRow("APP request 81")
        << fw(hex("810201")) << FwReply::AppBlockRequest << 258 << "" << 0;
    QTest::newRow("APP request 82")
        << fw(hex("820000")) << FwReply::AppBlockRequest << 0 << "" << 0;
    QTest::newRow("OS request 83") << fw(hex("830500")) << FwReply::OsBlockRequest << 5 << "" << 0;
    QTest::newRow("OS request 84")
        << fw(hex("84ffff")) << FwReply::OsBlockRequest << 65535 << "" << 0;
    QTest::newRow("version ended by zero")
        << fw(QByteArray("\x88V1.2\0junk", 10)) << FwReply::VersionReply << 0 << "V1.2" << 0;
    QTest::newRow("version without zero ends before the CRC")
        << noZero << FwReply::VersionReply << 0
        << QString::fromUtf8(noZero.mid(3, noZero.size() - 5)) << 0;
    QTest::newRow("empty version") << fw(hex("88")) << FwReply::VersionReply << 0 << "" << 0;
    QTest::newRow("error report -1") << fw(hex("8fff")) << FwReply::ErrorReport << 0 << "" << -1;
    QTest::newRow("code 85 ignored") << fw(hex("85")) << FwReply::Ignored << 0 << "" << 0;
    QTest::newRow("request with a wrong CRC")
        << hex("465781000000ff") << FwReply::BadCrc << 0 << "" << 0;
    QTest::newRow("request without its index")
        << fw(hex("81")) << FwReply::TooShort << 0 << "" << 0;
    QTest::newRow("request with half an index")
        << fw(hex("8101")) << FwReply::TooShort << 0 << "" << 0;
    QTest::newRow("error report without its code")
        << fw(hex("8f")) << FwReply::TooShort << 0 << "" << 0;
}

void TestDeviceCodec::recognise()
{
    QFETCH(QByteArray, payload);
    QFETCH(FwReply::Kind, kind);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, error);
    const FwReply r = FwReply::recognise(payload);
    QCOMPARE(r.kind, kind);
    QCOMPARE(int(r.requestIndex), index);
    QCOMPARE(r.versionText, text);
    QCOMPARE(int(r.errorCode), error);
}

void TestDeviceCodec::framer_data()
{
    QTest::addColumn<QList<QByteArray>>("reads");
    QTest::addColumn<QList<QByteArray>>("pieces");
    // What the line going quiet then hands over.
    QTest::addColumn<QList<QByteArray>>("rest");
    using Pieces = QList<QByteArray>;

    const QByteArray request = fw(hex("810300"));
    const QByteArray version = fw(QByteArray("\x88V2\0", 4));
    const QByteArray error = fw(hex("8ffe"));
    // A request whose CRC is wrong is still cut at 7 bytes: the handler rejects it.
    const QByteArray badRequest = hex("46578103000000");
    // A reply of unknown length whose CRC never comes right: longer than any packet.
    const QByteArray endless
        = QByteArray("FW\x85") + QByteArray(FwStreamFramer::longestPacketBytes, '\0');
    QTest::newRow("one request") << Pieces{request} << Pieces{request} << Pieces{};
    QTest::newRow("request over two reads, 3 + 4")
        << Pieces{request.left(3), request.mid(3)} << Pieces{request} << Pieces{};
    QTest::newRow("two requests in one read")
        << Pieces{request + request} << Pieces{request, request} << Pieces{};
    QTest::newRow("bad CRC still cut at 7")
        << Pieces{badRequest + request} << Pieces{badRequest, request} << Pieces{};
    QTest::newRow("error report then version in one read")
        << Pieces{error + version} << Pieces{error, version} << Pieces{};
    QTest::newRow("version over three reads")
        << Pieces{version.left(1), version.mid(1, 4), version.mid(5)} << Pieces{version}
        << Pieces{};
    QTest::newRow("text passed whole")
        << Pieces{QByteArray("OK\r\n")} << Pieces{QByteArray("OK\r\n")} << Pieces{};
    QTest::newRow("text after a packet")
        << Pieces{request + "ERR"} << Pieces{request, QByteArray("ERR")} << Pieces{};
    QTest::newRow("one stray byte before a request")
        << Pieces{QByteArray(1, '\0') + request} << Pieces{QByteArray(1, '\0'), request}
        << Pieces{};
    QTest::newRow("stray bytes, an F among them, before a request")
        << Pieces{"\r\nFx" + request + "ok"}
        << Pieces{QByteArray("\r\nFx"), request, QByteArray("ok")} << Pieces{};
    QTest::newRow("text ending in F waits for the next read")
        << Pieces{"abcF", request.mid(1)} << Pieces{QByteArray("abc"), request} << Pieces{};
    QTest::newRow("a last F goes with its text when the line is quiet")
        << Pieces{"abF"} << Pieces{QByteArray("ab")} << Pieces{QByteArray("F")};
    QTest::newRow("no end within the longest packet: text up to the next request")
        << Pieces{endless.left(100), endless.mid(100) + request} << Pieces{endless, request}
        << Pieces{};
    QTest::newRow("unfinished version kept")
        << Pieces{version.left(6)} << Pieces{} << Pieces{version.left(6)};
    QTest::newRow("half a request kept")
        << Pieces{request.left(5)} << Pieces{} << Pieces{request.left(5)};
    QTest::newRow("cut version before a request, handed over when quiet")
        << Pieces{version.left(6) + request} << Pieces{} << Pieces{version.left(6), request};
}

void TestDeviceCodec::framer()
{
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, rest);
    FwStreamFramer framer;
    QList<QByteArray> got;
    for (const QByteArray &read : reads)
        got += framer.feed(read);
    QCOMPARE(got, pieces);
    QCOMPARE(framer.hasRest(), !rest.isEmpty());
    QCOMPARE(framer.takeRest(), rest);
    QVERIFY(!framer.hasRest());
}

void TestDeviceCodec::linkString_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<DeviceLinkSettings::Status>("status");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("hasParity");
    QTest::addColumn<QSerialPort::Parity>("parity");

    using S = DeviceLinkSettings;
    const auto none = QSerialPort::NoParity;
    QTest::newRow("COM3,115200,8,1,N")
        << "COM3,115200,8,1,N" << S::Ok << "COM3" << 115200 << 8 << 1 << true << none;
    QTest::newRow("two fields repeat the last")
        << "COM3,9600" << S::Ok << "COM3" << 9600 << 9600 << 9600 << false << none;
    QTest::newRow("even, lower case") << "/dev/ttyS1,9600,8,1,e" << S::Ok << "/dev/ttyS1" << 9600
                                      << 8 << 1 << true << QSerialPort::EvenParity;
    QTest::newRow("odd, two stop bits")
        << "COM1,9600,7,2,o" << S::Ok << "COM1" << 9600 << 7 << 2 << true << QSerialPort::OddParity;
    QTest::newRow("X leaves the parity")
        << "COM1,9600,8,1,X" << S::Ok << "COM1" << 9600 << 8 << 1 << false << none;
    QTest::newRow("Even holds an n: no parity")
        << "COM1,9600,8,1,Even" << S::Ok << "COM1" << 9600 << 8 << 1 << true << none;
    QTest::newRow("a sixth field is cut off") << "COM1,9600,8,1,O,N" << S::Ok << "COM1" << 9600 << 8
                                              << 1 << true << QSerialPort::OddParity;
    QTest::newRow("stop bits 1.5 are no whole number")
        << "COM3,9600,8,1.5,N" << S::Invalid << "COM3" << 9600 << 8 << 0 << true << none;
    QTest::newRow("baud rate not a number")
        << "COM3,fast,8,1,N" << S::Invalid << "COM3" << 0 << 8 << 1 << true << none;
    QTest::newRow("empty port name")
        << ",9600,8,1,N" << S::Invalid << "" << 9600 << 8 << 1 << true << none;
    QTest::newRow("data bits 0") << "COM3,9600,0,1,N" << S::Invalid << "COM3" << 9600 << 0 << 1
                                 << true << none;
    QTest::newRow("empty") << "" << S::Empty << "" << 0 << 0 << 0 << false << none;
    QTest::newRow("network address")
        << "127.0.0.1:502" << S::NoComma << "" << 0 << 0 << 0 << false << none;
}

void TestDeviceCodec::linkString()
{
    QFETCH(QString, link);
    QFETCH(DeviceLinkSettings::Status, status);
    const DeviceLinkSettings s = parseDeviceLink(link);
    QCOMPARE(s.status, status);
    QTEST(s.portName, "port");
    QTEST(s.baudRate, "baud");
    QTEST(s.dataBits, "dataBits");
    QTEST(s.stopBits, "stopBits");
    QTEST(s.hasParity, "hasParity");
    QTEST(s.parity, "parity");
}

QTEST_GUILESS_MAIN(TestDeviceCodec)
#include "tst_devicecodec.moc"
