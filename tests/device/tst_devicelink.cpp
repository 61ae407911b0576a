// The device link over a socat pty pair against the data-logger simulator: opening, the
// exchange of one request and its reply read to its length at the data-logger's own time-outs,
// input dropped before a request, a line that goes away, and a firmware exchange that carries a
// whole upload dialogue; on a line paced at 9600 baud too, where a long frame is on the line for
// longer than a reply may take.
#include "dataloggerprotocol.h"
#include "devicelink.h"
#include "firmwareupload.h"
#include "fwpacket.h"
#include "loggersimprocess.h"
#include "simmarker.h"
#include "threadclock.h"

#include <QSerialPort>
#include <QtTest>

namespace {

// The data-logger's own time-out for a reply and for each piece of it.
constexpr int replyMs = DataLoggerProtocol::replyTimeoutMs;
// Generous: other builds load the machine while the tests run.
constexpr int eventWaitMs = 10000;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The length the program reads the reply to a data-logger frame to.
DeviceLink::ReplyLength replyTo(const QByteArray &frame)
{
    return [frame](const QByteArray &received) {
        return DataLoggerProtocol::replyBytes(frame, received);
    };
}

} // namespace

class TestDeviceLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void openAndReopen();
    void lineTime_data();
    void lineTime();
    void closedPortSendsNothing();
    void exchange_data();
    void exchange();
    void inputWaitingIsDropped();
    void lateIgnoredReplyIsDropped();
    void lineGoneClosesThePort();
    void waitsRunTheHook();
    void firmwareDialogue_data();
    void firmwareDialogue();
    void replyEndsTheLineTime();

private:
    // lineRate: the baud rate of a paced line between link and simulator; 0: none, 115200.
    void startSim(const QStringList &extra, int lineRate = 0);

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

void TestDeviceLink::startSim(const QStringList &extra, int lineRate)
{
    m_sim->setLineRate(lineRate);
    QVERIFY2(m_sim->start(extra), qPrintable(m_sim->error()));
    const int baud = lineRate > 0 ? lineRate : 115200;
    QVERIFY(
        m_link->open(parseDeviceLink(m_sim->portName() + QStringLiteral(",%1,8,1,N").arg(baud))));
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

void TestDeviceLink::lineTime_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("ms");

    const auto d8 = QSerialPort::Data8;
    const auto none = QSerialPort::NoParity;
    const auto one = QSerialPort::OneStop;
    // 10 bits a byte for 8N1: 96 bytes fill 100 ms at 9600 exactly.
    QTest::newRow("8N1 9600, 96 bytes") << 9600 << d8 << none << one << 96 << 100;
    QTest::newRow("8N1 9600, a 1000-byte write frame") << 9600 << d8 << none << one << 1011 << 1054;
    QTest::newRow("8N1 115200, a 1000-byte write frame")
        << 115200 << d8 << none << one << 1011 << 88;
    QTest::newRow("8N1 9600, one byte rounds up") << 9600 << d8 << none << one << 1 << 2;
    QTest::newRow("8E1 9600, a command frame")
        << 9600 << d8 << QSerialPort::EvenParity << one << 12 << 14;
    QTest::newRow("8O2 9600, 1000 bytes")
        << 9600 << d8 << QSerialPort::OddParity << QSerialPort::TwoStop << 1000 << 1250;
    QTest::newRow("8N2 9600, 960 bytes")
        << 9600 << d8 << none << QSerialPort::TwoStop << 960 << 1100;
    QTest::newRow("7N1.5 9600, 100 bytes")
        << 9600 << QSerialPort::Data7 << none << QSerialPort::OneAndHalfStop << 100 << 99;
    QTest::newRow("5N1 300, one byte") << 300 << QSerialPort::Data5 << none << one << 1 << 24;
    QTest::newRow("nothing written") << 9600 << d8 << none << one << 0 << 0;
    QTest::newRow("rate unknown") << -1 << d8 << none << one << 100 << 0;
}

void TestDeviceLink::lineTime()
{
    QFETCH(int, baud);
    QFETCH(QSerialPort::DataBits, dataBits);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::StopBits, stopBits);
    QFETCH(int, bytes);
    QTEST(DeviceLink::lineTimeMs(bytes, baud, dataBits, parity, stopBits), "ms");
}

void TestDeviceLink::closedPortSendsNothing()
{
    startSim({});
    m_link->close();
    QByteArray reply = "kept";
    QCOMPARE(m_link->exchange(hex("07010200000000"), &reply, replyMs, replyTo({})), -1);
    QCOMPARE(reply, QByteArray("kept"));
    FirmwareSerialExchange dialogue(m_link.get(),
                                    [](const QByteArray &) { QFAIL("handed over"); });
    QCOMPARE(dialogue.run(FwPacket::versionRequest(), replyMs), -1);
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
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("rc");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("lineRate");

    const QByteArray command = hex("0601ff000000000000000000");
    const QByteArray opened = hex("0601ff0000000000");
    const QByteArray clock = hex("30011a03070e0509000077a3");
    const QByteArray write = hex("020501000100000000010041");
    // Pieces this far apart are one reply; this far apart, a reply cut short.
    const QString together = QStringLiteral("50");
    const QString apart = QStringLiteral("600");
    QTest::newRow("whole reply") << QStringList() << command << replyMs << 0 << opened << 0;
    QTest::newRow("silence leaves the reply as it was")
        << QStringList{"--fault", "silence@1"} << command << replyMs << -1 << QByteArray("kept")
        << 0;
    QTest::newRow("command 3 + 5, read to its 8 bytes")
        << QStringList{"--fault", "split=3@1", "--split-ms", together} << command << replyMs << 0
        << opened << 0;
    QTest::newRow("clock 2 + 3, read to its 5 bytes")
        << QStringList{"--fault", "split=2@1", "--split-ms", together} << clock << replyMs << 0
        << hex("3001000000") << 0;
    QTest::newRow("write frame 4 + 4, read to its 8 bytes")
        << QStringList{"--fault", "split=4@1", "--split-ms", together} << write << replyMs << 0
        << hex("0205000000000000") << 0;
    QTest::newRow("a byte too many in the same read stays")
        << QStringList{"--fault", "extra=1@1"} << clock << replyMs << 0 << hex("3001000000ee") << 0;
    QTest::newRow("a pause past the piece time-out cuts the reply")
        << QStringList{"--fault", "split=3@1", "--split-ms", apart} << command << replyMs << 0
        << opened.left(3) << 0;
    QTest::newRow("a long first wait, the rest at the line's pace")
        << QStringList{"--fault", "late=500@1", "--fault", "split=1@1", "--split-ms", apart}
        << hex("07010200000000") << DataLoggerProtocol::clearFlashTimeoutMs << 0 << hex("07") << 0;
    // A frame of 1000 data bytes is on a 9600-baud line for over a second: its reply's wait
    // begins once it has left.
    QByteArray area(1000, char(0x5A));
    const QByteArray longWrite = hex("020701002600000000e803") + area;
    QTest::newRow("1000 data bytes at 9600 baud")
        << QStringList() << longWrite << replyMs << 0 << hex("0207000000000000") << 9600;
    QTest::newRow("1000 data bytes at 115200 baud")
        << QStringList() << longWrite << replyMs << 0 << hex("0207000000000000") << 115200;
    QTest::newRow("silence after 1000 data bytes at 9600 baud")
        << QStringList{"--fault", "silence@1"} << longWrite << replyMs << -1 << QByteArray("kept")
        << 9600;
}

void TestDeviceLink::exchange()
{
    QFETCH(QStringList, faults);
    QFETCH(QByteArray, frame);
    QFETCH(int, timeoutMs);
    QFETCH(QByteArray, reply);
    QFETCH(int, lineRate);
    startSim(faults, lineRate);
    QByteArray got = "kept";
    QTEST(m_link->exchange(frame, &got, timeoutMs, replyTo(frame), replyMs), "rc");
    QCOMPARE(got.toHex(' '), reply.toHex(' '));
    QCOMPARE(m_sim->requests().size(), 1);
}

void TestDeviceLink::inputWaitingIsDropped()
{
    startSim({"--fault", "split=3@1", "--split-ms", "600"});
    const QByteArray command = hex("0601ff000000000000000000");
    QByteArray first;
    QCOMPARE(m_link->exchange(command, &first, replyMs, replyTo(command)), 0);
    QCOMPARE(first, hex("0601ff"));
    // The rest of the first reply is waiting when the next request goes out.
    QVERIFY(m_port->waitForReadyRead(eventWaitMs));
    const QByteArray clear = hex("07010200000000");
    QByteArray second;
    QCOMPARE(m_link->exchange(clear, &second, replyMs, replyTo(clear)), 0);
    QCOMPARE(second.toHex(' '), QByteArray("07 01 00"));
}

void TestDeviceLink::lateIgnoredReplyIsDropped()
{
    startSim({"--fault", "late=300@1"});
    const QByteArray command = hex("0601ff000000000000000000");
    QByteArray reply;
    QCOMPARE(m_link->exchange(command, &reply, replyMs, replyTo(command)), -1);
    // What the device answers within a silence of the time-out is its late answer.
    QCOMPARE(m_link->dropUntilSilence(replyMs), 8);
    const QByteArray clock = hex("30011a03070e0509000077a3");
    QCOMPARE(m_link->exchange(clock, &reply, replyMs, replyTo(clock)), 0);
    QCOMPARE(reply.toHex(' '), QByteArray("30 01 00 00 00"));
}

void TestDeviceLink::lineGoneClosesThePort()
{
    startSim({});
    int losses = 0;
    m_link->setLossHandler([&losses] { ++losses; });
    m_sim->stop();
    QTRY_COMPARE_WITH_TIMEOUT(losses, 1, eventWaitMs);
    QVERIFY(!m_port->isOpen());
    QVERIFY(!m_link->isOpen());
    QByteArray reply;
    QCOMPARE(m_link->exchange(hex("07010200000000"), &reply, replyMs, replyTo({})), -1);
    QCOMPARE(losses, 1);
}

void TestDeviceLink::waitsRunTheHook()
{
    startSim({"--fault", "silence@1"});
    int calls = 0;
    EventLoopGaps gaps;
    m_link->setWaitHook([&] {
        ++calls;
        gaps.tick();
    });
    // Silent long enough for many slices (ms).
    const int silentMs = 20 * DeviceLink::waitSliceMs;
    QElapsedTimer clock;
    clock.start();
    gaps.start();
    QByteArray reply;
    const QByteArray clear = hex("07010200000000");
    QCOMPARE(m_link->exchange(clear, &reply, silentMs, replyTo(clear)), -1);
    gaps.stop();
    // The hook runs at the start of the wait and then once a slice. How many runs fit in the
    // time-out is the wall clock's (a busy machine, which keeps the thread waiting for a CPU
    // after a slice, fits fewer), so what is bounded is the wait's own time a run: a slice, as
    // a wait that skips the hook every other slice, or is not cut at all, would not give. Over
    // many slices, the odd one that a busy disk or a late timer stretches does not tip it.
    QVERIFY2(clock.elapsed() >= silentMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(calls >= 1);
    const qint64 perRunMs = gaps.total().ownMs() / calls;
    QVERIFY2(perRunMs < DeviceLink::waitSliceMs * 3 / 2,
             qPrintable(QStringLiteral("%1 ms a run; %2").arg(perRunMs).arg(gaps.describe())));
    m_link->setWaitHook({});
    calls = 0;
    QCOMPARE(m_link->exchange(clear, &reply, replyMs, replyTo(clear)), 0);
    QCOMPARE(calls, 0);
}

void TestDeviceLink::firmwareDialogue_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("imageBytes");
    QTest::addColumn<int>("lineRate");
    QTest::newRow("600 bytes, whole replies") << QStringList() << 600 << 0;
    QTest::newRow("512 bytes ends with a full block") << QStringList() << 512 << 0;
    QTest::newRow("every second reply split 3 + 4")
        << QStringList{"--fault", "split=3%2", "--split-ms", "50"} << 600 << 0;
    // A block is on a 9600-baud line for longer than the controller's reply may take.
    QTest::newRow("600 bytes at 9600 baud") << QStringList() << 600 << 9600;
}

void TestDeviceLink::firmwareDialogue()
{
    QFETCH(QStringList, faults);
    QFETCH(int, imageBytes);
    QFETCH(int, lineRate);
    startSim(faults, lineRate);
    QByteArray image;
    for (int i = 0; i < imageBytes; ++i)
        image.append(char(i * 13 + 7));

    QList<int> requested;
    int handedOver = 0;
    FirmwareSerialExchange *answering = nullptr;
    FirmwareSerialExchange dialogue(m_link.get(), [&](const QByteArray &packet) {
        ++handedOver;
        const FwReply r = FwReply::recognise(packet);
        QCOMPARE(r.kind, FwReply::AppBlockRequest);
        requested << r.requestIndex;
        const int offset = r.requestIndex * FwPacket::blockBytes;
        if (offset < image.size()) {
            QVERIFY(answering->answer(
                FwPacket::appDataBlock(quint16(r.requestIndex + 1),
                                       image.mid(offset, FwPacket::blockBytes)),
                FirmwareSerialExchange::replyMs));
        }
    });
    answering = &dialogue;
    // The page's own waits: a start may take a flash erase, a block request the usual reply time.
    QCOMPARE(dialogue.run(FwPacket::appUpdateStart(1, image.size()),
                          FirmwareSerialExchange::startReplyMs),
             0);
    const int blocks = (imageBytes + FwPacket::blockBytes - 1) / FwPacket::blockBytes;
    QList<int> expected;
    for (int i = 0; i <= blocks; ++i)
        expected << i;
    // Every request reached the handler once and whole; the last one completed the upload.
    QCOMPARE(requested, expected);
    QCOMPARE(handedOver, blocks + 1);
    QCOMPARE(m_sim->firmware(), image);
}

// A line that delivers at once (a pty, an adapter that buffers): the reply shows that the frame
// has arrived, so nothing after it waits out the frame's time at the nominal rate, and a long
// dialogue does not pile those times up.
void TestDeviceLink::replyEndsTheLineTime()
{
    startSim({});
    QVERIFY(m_link->open(parseDeviceLink(m_sim->portName() + QStringLiteral(",9600,8,1,N"))));
    const QByteArray longWrite = hex("020701002600000000e803") + QByteArray(1000, char(0x5A));
    QVERIFY(DeviceLink::lineTimeMs(longWrite.size(), 9600, QSerialPort::Data8,
                                   QSerialPort::NoParity, QSerialPort::OneStop)
            > 1000);
    QByteArray got;
    QCOMPARE(m_link->exchange(longWrite, &got, replyMs, replyTo(longWrite), replyMs), 0);
    QCOMPARE(got.toHex(' '), hex("0207000000000000").toHex(' '));
    QCOMPARE(m_link->sendingMs(), 0);
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
