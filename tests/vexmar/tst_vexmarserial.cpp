// The link over a serial line: a socat pty pair with the simulator on its far end, pacing its
// replies at the line's rate.
#include "cmdvexmar.h"
#include "vexmarframes.h"
#include "vexmarsimprocess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QtTest>
#include <sys/ioctl.h>

namespace {

// What comes on the line with a reply besides the reply itself.
enum Extra {
    PreviousReply, // the last reply to the same command, ahead of it
    SecondCopy,    // the reply once more
    BitTail,       // six bytes of 00/01, beginning 01 01, ahead of it
};

} // namespace

class tst_VexmarSerial : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pacedReplyAt9600();
    void writesReadBack();
    void faults_data();
    void faults();
    void backToBackBytesNeverPause_data();
    void backToBackBytesNeverPause();
    void bytesWaitingUnreadAreNoQuiet();
    void silenceByRate();
    void closedOrMissingPort();

private:
    bool link(int baud, const QStringList &faults = {});

    SocatPtyPair *m_pair = nullptr;
    VexmarSimProcess *m_sim = nullptr;
    CmdVexmar *m_cmd = nullptr;
};

void tst_VexmarSerial::init()
{
    m_pair = new SocatPtyPair;
    QVERIFY2(m_pair->start(), "socat did not start");
    m_sim = new VexmarSimProcess;
    m_cmd = new CmdVexmar;
}

void tst_VexmarSerial::cleanup()
{
    delete m_cmd;
    delete m_sim;
    delete m_pair;
    m_cmd = nullptr;
    m_sim = nullptr;
    m_pair = nullptr;
}

bool tst_VexmarSerial::link(int baud, const QStringList &faults)
{
    QStringList args{QStringLiteral("--pattern")};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    if (!m_sim->startSerial(m_pair->second(), baud, args)) {
        qWarning() << "simulator:" << m_sim->error();
        return false;
    }
    return m_cmd->OpenSerial(m_pair->first(), baud, 8, 1, QStringLiteral("N")) == 0;
}

void tst_VexmarSerial::pacedReplyAt9600()
{
    QVERIFY(link(9600));
    QByteArray out;
    QElapsedTimer t;
    t.start();
    QCOMPARE(m_cmd->ReadValues(7, 0, 160, &out, QStringLiteral("AI1")), 0);
    const qint64 ms = t.elapsed();
    QCOMPARE(out, simPattern(7, 0, 160));
    // 164 reply bytes of 10 bits need 171 ms at 9600 baud: the exchange lasts about that long
    // and ends with the last byte, well before its time-out.
    const int timeoutMs = m_cmd->serialTimeoutMs(11, 164);
    QVERIFY2(ms >= 160 && ms < timeoutMs, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    QCOMPARE(m_sim->requestCount(), 1);
}

void tst_VexmarSerial::writesReadBack()
{
    QVERIFY(link(115200));
    const QByteArray words = QByteArray::fromHex("a1a2a3a4b1b2b3b4");
    QCOMPARE(m_cmd->WriteValues(24, 1, 8, words, QStringLiteral("LW2")), 0);
    QByteArray out;
    QCOMPARE(m_cmd->ReadValues(24, 1, 8, &out, QStringLiteral("LW2")), 0);
    QCOMPARE(out, words);
    QCOMPARE(m_cmd->WriteBits(19, 0, 2, QByteArray::fromHex("0001"), QStringLiteral("HDS1")), 0);
    out.clear();
    QCOMPARE(m_cmd->ReadBits(19, 0, 3, &out, QStringLiteral("HDS1")), 0);
    QCOMPARE(out.toHex(), QByteArray("000100"));
    QCOMPARE(m_sim->requestCount(), 4);
}

void tst_VexmarSerial::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::newRow("no answer") << "drop@1" << -2;
    QTest::newRow("wrong echo") << "echo@1" << -2;
    QTest::newRow("short reply") << "short=3@1" << -1;
    QTest::newRow("one byte short") << "short=1@1" << -1;
    // A reply longer than the request calls for may hold an earlier one: it is no reply.
    QTest::newRow("long reply") << "long=6@1" << -1;
    QTest::newRow("one byte long") << "long=1@1" << -1;
    // Line noise that cannot begin a reply is not part of it.
    QTest::newRow("noise before the reply") << "lead=6@1" << 0;
    // The late tail of a bit-area reply (00/01, beginning 01 01 as a reply does) just ahead.
    QTest::newRow("bit tail before the reply") << "tail=6@1" << -1;
    QTest::newRow("answered twice") << "twice@1" << -1;
    QTest::newRow("late reply") << "late=500@1" << -2;
}

void tst_VexmarSerial::faults()
{
    QFETCH(QString, fault);
    QFETCH(int, result);
    QVERIFY(link(115200, {fault}));
    if (result != 0)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    QByteArray out;
    QCOMPARE(m_cmd->ReadValues(7, 3, 8, &out, QStringLiteral("AI4")), result);
    QCOMPARE(out, result == 0 ? simPattern(7, 12, 8) : QByteArray());
    // Whatever is left of that reply on the line is not the next exchange's reply.
    for (int k = 0; k < 2; ++k) {
        out.clear();
        QCOMPARE(m_cmd->ReadValues(7, 10 + k, 8, &out, QStringLiteral("AI11")), 0);
        QCOMPARE(out.toHex(), simPattern(7, 40 + 4 * k, 8).toHex());
    }
    QCOMPARE(m_sim->requestCount(), 3);
}

void tst_VexmarSerial::backToBackBytesNeverPause_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("extra");
    QTest::newRow("stale reply just before") << "stale=0%1" << int(PreviousReply);
    // The pause before the reply is the fault's own; inside the reply there is none.
    QTest::newRow("stale reply 50 ms before") << "stale=50%1" << int(PreviousReply);
    QTest::newRow("answered twice") << "twice%1" << int(SecondCopy);
    QTest::newRow("bit tail before the reply") << "tail=6%1" << int(BitTail);
}

void tst_VexmarSerial::backToBackBytesNeverPause()
{
    QFETCH(QString, fault);
    QFETCH(int, extra);
    QVERIFY(m_sim->startSerial(m_pair->second(), 9600,
                               {QStringLiteral("--pattern"), QStringLiteral("--fault"), fault}));
    // The far end read as it comes, without a driver: each read ends where the simulator's
    // writes (or the relay) paused. Nowhere inside what is due may the bytes so far, from a
    // place that echoes the request, be exactly a reply long: a busy machine can stretch any
    // such pause past the quiet that ends a serial reply.
    QSerialPort port(m_pair->first());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.setBaudRate(9600);
    QByteArray request;
    QByteArray received;
    QStringList pauses;
    int replyBytes = 0;
    int due = 0;
    const auto take = [&] {
        received.append(port.readAll());
        const int start = received.size() - replyBytes;
        if (received.size() < due && start >= 0 && received.at(start) == request.at(0)
            && received.at(start + 1) == request.at(1))
            pauses << QStringLiteral("%1 of %2").arg(received.size()).arg(due);
    };
    connect(&port, &QIODevice::readyRead, this, take);
    QSignalSpy arriving(&port, &QIODevice::readyRead);
    // Two reads whose replies differ in length (16 and 13 bytes), taken in turns.
    const QByteArray requests[]
        = {Vexmar::readValuesRequest(7, 0, 12), Vexmar::readBitsRequest(1, 0, 9)};
    int previousReply = 0;
    for (int k = 0; k < 4; ++k) {
        request = requests[k % 2];
        replyBytes = Vexmar::readReplyBytes(Vexmar::parseField24(request, 8));
        due = replyBytes
              + (extra == PreviousReply ? previousReply
                 : extra == SecondCopy  ? replyBytes
                                        : 6);
        received.clear();
        port.write(request);
        // Each signal brings a byte at least.
        for (int i = 0; i < due && received.size() < due; ++i) {
            if (!arriving.wait(2000))
                break;
        }
        QCOMPARE(received.size(), due);
        previousReply = replyBytes;
    }
    QVERIFY2(pauses.isEmpty(), qPrintable(pauses.join(QLatin1String(", "))));
    QCOMPARE(m_sim->requestCount(), 4);
}

void tst_VexmarSerial::bytesWaitingUnreadAreNoQuiet()
{
    // The far end is the test: an earlier reply exactly as long as this one, then this one
    // right behind it. The link is handed the first, but not told of the second before its
    // quiet time is over, as when its thread is held up while the rest comes in: the second
    // waits unread in the system. The line was never quiet, so the first is no reply.
    QCOMPARE(m_cmd->OpenSerial(m_pair->first(), 9600, 8, 1, QStringLiteral("N")), 0);
    auto *port = m_cmd->findChild<QSerialPort *>();
    QVERIFY(port);
    QSocketNotifier *readNotifier = nullptr;
    for (QSocketNotifier *n : port->findChildren<QSocketNotifier *>()) {
        if (n->type() == QSocketNotifier::Read)
            readNotifier = n;
    }
    QVERIFY2(readNotifier, "the port tells of new bytes through a read notifier");
    QSerialPort far(m_pair->second());
    QVERIFY(far.open(QIODevice::ReadWrite));
    far.setBaudRate(9600);

    const QByteArray request = Vexmar::readValuesRequest(7, 0, 8);
    const QByteArray earlier = request.left(4) + QByteArray::fromHex("a0a1a2a3a4a5a6a7");
    const QByteArray reply = request.left(4) + simPattern(7, 0, 8);
    QByteArray heard;
    connect(&far, &QIODevice::readyRead, this, [&] {
        heard.append(far.readAll());
        if (heard.size() == request.size()) {
            far.write(earlier);
            far.flush();
        }
    });
    int handedOver = 0;
    bool waiting = false; // the reply waits unread in the system
    const auto holdBackTheReply = [&] {
        readNotifier->setEnabled(false);
        far.write(reply);
        far.flush();
        // The thread is held, as a busy host would hold it, until the reply is there.
        const QDeadlineTimer relayed(5000);
        int inSystem = 0;
        while (inSystem < reply.size() && !relayed.hasExpired()) {
            QThread::usleep(200);
            ioctl(int(port->handle()), FIONREAD, &inSystem);
        }
        waiting = inSystem == reply.size();
    };
    // Connected ahead of the link's own reading, so it sees each chunk before it is taken.
    connect(port, &QIODevice::readyRead, this, [&] {
        const bool before = handedOver < earlier.size();
        handedOver += int(port->bytesAvailable());
        // Once the link has taken all of the earlier reply; queued, because its own read turns
        // the notifier on again.
        if (before && handedOver >= earlier.size())
            QMetaObject::invokeMethod(this, holdBackTheReply, Qt::QueuedConnection);
    });

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^lib\\[Vexmar\\]")));
    QByteArray out;
    const int result = m_cmd->ReadValues(7, 0, 8, &out, QStringLiteral("AI1"));
    readNotifier->setEnabled(true);
    QCOMPARE(heard, request);
    QVERIFY(waiting);
    QCOMPARE(result, int(CmdVexmar::FrameError));
    QVERIFY(out.isEmpty());
}

void tst_VexmarSerial::silenceByRate()
{
    // The quiet time that ends a reply covers more than two characters at every rate.
    QCOMPARE(m_cmd->OpenSerial(m_pair->first(), 1200, 8, 1, QStringLiteral("N")), 0);
    QVERIFY(m_cmd->silenceIntervalMs() > 2 * 10 * 1000 / 1200);
    QCOMPARE(m_cmd->OpenSerial(m_pair->first(), 9600, 8, 1, QStringLiteral("E")), 0);
    QCOMPARE(m_cmd->silenceIntervalMs(), 3);
    // Rates without their own interval keep the last one.
    QCOMPARE(m_cmd->OpenSerial(m_pair->first(), 115200, 8, 1, QStringLiteral("N")), 0);
    QCOMPARE(m_cmd->silenceIntervalMs(), 3);
}

void tst_VexmarSerial::closedOrMissingPort()
{
    QVERIFY(link(115200));
    QByteArray out;
    QCOMPARE(m_cmd->CloseSerial(), 0);
    QCOMPARE(m_cmd->CloseSerial(), -1);
    QCOMPARE(m_cmd->ReadValues(7, 0, 4, &out, QStringLiteral("AI1")), -3);
    QCOMPARE(
        m_cmd->OpenSerial(QStringLiteral("/dev/no-such-port"), 9600, 8, 1, QStringLiteral("N")),
        -1);
    QCOMPARE(m_cmd->IsConnected(), -3);
    QCOMPARE(m_cmd->WriteBits(1, 0, 1, QByteArray(1, '\1'), QStringLiteral("DI1")), -3);
    QCOMPARE(m_sim->requestCount(), 0);
    QCOMPARE(m_cmd->CloseTransport(), 0);
    QCOMPARE(m_cmd->CloseTransport(), 1);
}

QTEST_GUILESS_MAIN(tst_VexmarSerial)
#include "tst_vexmarserial.moc"
