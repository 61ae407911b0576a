// The device link over a socat pty pair against the data-logger simulator: opening, the
// exchange of one request and its reply, reading on to a whole reply, and a firmware exchange
// that carries a whole upload dialogue.
#include "devicelink.h"
#include "fwpacket.h"
#include "loggersimprocess.h"
#include "simmarker.h"

#include <QSerialPort>
#include <QtTest>

namespace {

// Generous: other builds load the machine while the tests run.
constexpr int replyWaitMs = 5000;
// Waits that are meant to pass without a byte.
constexpr int silenceMs = 500;
// The silence that ends a firmware exchange: longer than the simulator may take to answer.
constexpr int firmwareSilenceMs = 2000;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openAndReopen();
    void closedPortSendsNothing();
    void exchange_data();
    void exchange();
    void staleBytesComeWithTheNextReply();
    void firmwareDialogue_data();
    void firmwareDialogue();

private:
    void startSim(const QStringList &extra);

    std::unique_ptr<LoggerSimProcess> m_sim;
    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<DeviceLink> m_link;
};

void TestDeviceLink::init()
{
    m_sim = std::make_unique<LoggerSimProcess>();
    m_port = std::make_unique<QSerialPort>();
    m_link = std::make_unique<DeviceLink>(m_port.get());
}

void TestDeviceLink::cleanup()
{
    m_link.reset();
    m_port.reset();
    m_sim.reset();
}

void TestDeviceLink::startSim(const QStringList &extra)
{
    QVERIFY2(m_sim->start(extra), qPrintable(m_sim->error()));
    QVERIFY(m_link->open(parseDeviceLink(m_sim->portName() + ",115200,8,1,N")));
}

void TestDeviceLink::openAndReopen()
{
    startSim({});
    QCOMPARE(m_port->baudRate(), 115200);
    QCOMPARE(m_port->parity(), QSerialPort::NoParity);
    QCOMPARE(m_port->flowControl(), QSerialPort::NoFlowControl);

    // Reopening clears and closes first, then applies the new settings.
    QVERIFY(m_link->open(parseDeviceLink(m_sim->portName() + ",9600,8,1,e")));
    QVERIFY(m_link->isOpen());
    QCOMPARE(m_port->baudRate(), 9600);
    QCOMPARE(m_port->parity(), QSerialPort::EvenParity);

    // X leaves the parity as it was.
    QVERIFY(m_link->open(parseDeviceLink(m_sim->portName() + ",9600,8,1,X")));
    QCOMPARE(m_port->parity(), QSerialPort::EvenParity);

    QVERIFY(!m_link->open(parseDeviceLink("/nonexistent/tty,9600,8,1,N")));
    QVERIFY(!m_link->isOpen());
    QVERIFY(!m_link->open(parseDeviceLink(m_sim->portName() + ",9600,8,1.5,N")));
}

void TestDeviceLink::closedPortSendsNothing()
{
    startSim({});
    m_link->close();
    QByteArray reply = "kept";
    QCOMPARE(m_link->exchange(hex("07010200000000"), &reply, silenceMs), -1);
    QCOMPARE(reply, QByteArray("kept"));
    QCOMPARE(m_link->exchangeFirmware(FwPacket::versionRequest(), silenceMs,
                                      [](const QByteArray &) { QFAIL("handed over"); }),
             -1);
    QVERIFY(!m_link->write("x"));
    // Opening the closed port clears nothing, so a stray byte would still reach the simulator
    // ahead of the marker.
    QVERIFY(m_link->open(parseDeviceLink(m_sim->portName() + ",115200,8,1,N")));
    QStringList sent;
    QVERIFY2(requestsBeforeMarker(*m_sim, m_link.get(), &sent), qPrintable(sent.join(" | ")));
    QCOMPARE(sent, QStringList());
}

void TestDeviceLink::exchange_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("untilWhole");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("rc");
    QTest::addColumn<QByteArray>("reply");

    const QByteArray command = hex("0601ff000000000000000000");
    const QByteArray opened = hex("0601ff0000000000");
    const QByteArray clock = hex("30011a03070e0509000077a3");
    QTest::newRow("whole reply") << QStringList() << command << false << replyWaitMs << 0 << opened;
    QTest::newRow("silence leaves the reply as it was")
        << QStringList{"--fault", "silence@1"} << command << false << silenceMs << -1
        << QByteArray("kept");
    QTest::newRow("3 + 5: the first read is the reply")
        << QStringList{"--fault", "split=3@1", "--split-ms", "1000"} << command << false
        << replyWaitMs << 0 << opened.left(3);
    QTest::newRow("3 + 5: reading on to the length")
        << QStringList{"--fault", "split=3@1", "--split-ms", "300"} << command << true
        << replyWaitMs << 0 << opened;
    QTest::newRow("clock reply read on to a silence")
        << QStringList{"--fault", "split=2@1", "--split-ms", "100"} << clock << true
        << silenceMs * 2 << 0 << hex("3001000000");
}

void TestDeviceLink::exchange()
{
    QFETCH(QStringList, faults);
    QFETCH(QByteArray, frame);
    QFETCH(bool, untilWhole);
    QFETCH(int, timeoutMs);
    QFETCH(QByteArray, reply);
    startSim(faults);
    QByteArray got = "kept";
    const int rc = untilWhole ? m_link->exchangeUntil(frame, &got, timeoutMs,
                                                      [&frame](const QByteArray &) {
                                                          // Command replies are 8 bytes; a clock
                                                          // reply's length is not known up front.
                                                          return frame.at(0) == 0x06 ? 8 : 0;
                                                      })
                              : m_link->exchange(frame, &got, timeoutMs);
    QTEST(rc, "rc");
    QCOMPARE(got.toHex(' '), reply.toHex(' '));
    QCOMPARE(m_sim->requests().size(), 1);
}

void TestDeviceLink::staleBytesComeWithTheNextReply()
{
    startSim({"--fault", "split=3@1", "--split-ms", "1000"});
    QByteArray first;
    QCOMPARE(m_link->exchange(hex("0601ff000000000000000000"), &first, replyWaitMs), 0);
    QCOMPARE(first, hex("0601ff"));
    QVERIFY(m_port->waitForReadyRead(replyWaitMs));
    QByteArray second;
    QCOMPARE(m_link->exchange(hex("07010200000000"), &second, replyWaitMs), 0);
    // The late rest of the first reply leads; the second reply may follow in the same read.
    QVERIFY2(second.startsWith(hex("0000000000")), second.toHex(' ').constData());
}

void TestDeviceLink::firmwareDialogue_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("imageBytes");
    QTest::newRow("600 bytes, whole replies") << QStringList() << 600;
    QTest::newRow("512 bytes ends with a full block") << QStringList() << 512;
    QTest::newRow("every second reply split 3 + 4")
        << QStringList{"--fault", "split=3%2", "--split-ms", "50"} << 600;
}

void TestDeviceLink::firmwareDialogue()
{
    QFETCH(QStringList, faults);
    QFETCH(int, imageBytes);
    startSim(faults);
    QByteArray image;
    for (int i = 0; i < imageBytes; ++i)
        image.append(char(i * 13 + 7));

    QList<int> requested;
    int handedOver = 0;
    const int rc = m_link->exchangeFirmware(
        FwPacket::appUpdateStart(1, image.size()), firmwareSilenceMs,
        [&](const QByteArray &packet) {
            ++handedOver;
            QVERIFY(m_link->inFirmwareExchange());
            const FwReply r = FwReply::recognise(packet);
            QCOMPARE(r.kind, FwReply::AppBlockRequest);
            requested << r.requestIndex;
            const int offset = r.requestIndex * FwPacket::blockBytes;
            if (offset < image.size()) {
                QVERIFY(m_link->write(FwPacket::appDataBlock(
                    quint16(r.requestIndex + 1), image.mid(offset, FwPacket::blockBytes))));
            }
        });
    QCOMPARE(rc, -1);
    QVERIFY(!m_link->inFirmwareExchange());
    const int blocks = (imageBytes + FwPacket::blockBytes - 1) / FwPacket::blockBytes;
    QList<int> expected;
    for (int i = 0; i <= blocks; ++i)
        expected << i;
    // Every request reached the handler once and whole; the last one completed the upload.
    QCOMPARE(requested, expected);
    QCOMPARE(handedOver, blocks + 1);
    QCOMPARE(m_sim->firmware(), image);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
