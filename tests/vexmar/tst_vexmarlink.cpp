// The link over UDP against the simulator on 127.0.0.1: handshake, requests, and every way a
// reply can go wrong, each followed by an exchange that must get its own reply.
#include "cmdvexmar.h"
#include "vexmarcodecs.h"
#include "vexmarsimprocess.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

QRegularExpression exactly(const QString &text)
{
    return QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(text)
                              + QLatin1Char('$'));
}

QByteArray strings(const QStringList &texts)
{
    CLabelVariable v;
    v.value = QVariant::fromValue(QList<QString>(texts.begin(), texts.end()));
    QByteArray out;
    Vexmar::Wset_variant_string(v, texts.size(), &out);
    return out;
}

} // namespace

class tst_VexmarLink : public QObject
{
    Q_OBJECT

private slots:
    void handshake_data();
    void handshake();
    void hostNameSendsNothing();
    void readFaults_data();
    void readFaults();
    void writeFaults_data();
    void writeFaults();
    void writesReadBack();
    void refusedBeforeSending();
    void noLink();
    void secondExchangeWaitingIsRefused();
    void releaseWhileWaiting();
    void debugLines();

private:
    // Starts a simulator with the pattern and the given faults and links cmd to it.
    bool link(VexmarSimProcess &sim, CmdVexmar &cmd, const QStringList &faults = {});
};

bool tst_VexmarLink::link(VexmarSimProcess &sim, CmdVexmar &cmd, const QStringList &faults)
{
    QStringList args{QStringLiteral("--pattern")};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    if (!sim.startUdp(args)) {
        qWarning() << "simulator:" << sim.error();
        return false;
    }
    return cmd.OpenUdp(QStringLiteral("127.0.0.1"), sim.port()) == 0;
}

void tst_VexmarLink::handshake_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::newRow("answered") << QString() << 0;
    QTest::newRow("04 01 and more is still an answer") << "long=3@1" << 0;
    QTest::newRow("no answer") << "drop@1" << -2;
    QTest::newRow("wrong answer") << "echo@1" << -2;
}

void tst_VexmarLink::handshake()
{
    QFETCH(QString, fault);
    QFETCH(int, result);
    VexmarSimProcess sim;
    QVERIFY2(sim.startUdp(fault.isEmpty() ? QStringList() : QStringList{"--fault", fault}),
             qPrintable(sim.error()));
    CmdVexmar cmd;
    QElapsedTimer t;
    t.start();
    QCOMPARE(cmd.OpenUdp(QStringLiteral("127.0.0.1"), sim.port()), result);
    if (fault == QLatin1String("drop@1")) {
        // The reply time of the family is 350 ms; a slow machine may add to it, never cut it.
        QVERIFY2(t.elapsed() >= 340 && t.elapsed() < 2000,
                 qPrintable(QString::number(t.elapsed())));
    }
    // A failed handshake closes the socket but keeps it, so the link still counts as present.
    QCOMPARE(cmd.IsConnected(), 0);
    QTRY_COMPARE(sim.requestCount(), 1);
    QVERIFY(sim.logLines().first().contains(QLatin1String("handshake")));
}

void tst_VexmarLink::hostNameSendsNothing()
{
    VexmarSimProcess sim;
    QVERIFY2(sim.startUdp(), qPrintable(sim.error()));
    CmdVexmar cmd;
    QCOMPARE(cmd.OpenUdp(QStringLiteral("localhost"), sim.port()), -1);
    // The handshake that follows is the first request the simulator sees.
    QCOMPARE(cmd.OpenUdp(QStringLiteral("127.0.0.1"), sim.port()), 0);
    QCOMPARE(sim.requestCount(), 1);
}

void tst_VexmarLink::readFaults_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("warning"); // the end of the expected warning, if any
    // Request 1 is the handshake, 2 the read that misbehaves.
    QTest::newRow("answered") << QStringList() << 0 << QString();
    QTest::newRow("no answer") << QStringList{"drop@2"} << -2 << "  AI4 len = 8 msg : ";
    QTest::newRow("wrong echo") << QStringList{"echo@2"} << -2
                                << "  AI4 len = 8 msg : 01020100"
                                       + QString::fromLatin1(simPattern(7, 12, 8).toHex());
    QTest::newRow("short reply") << QStringList{"short@2"} << -1
                                 << "  AI4 len = 8 msg : 01010100"
                                        + QString::fromLatin1(simPattern(7, 12, 7).toHex());
    QTest::newRow("long reply") << QStringList{"long=6@2"} << 0 << QString();
    QTest::newRow("two datagrams") << QStringList{"twice@2"} << 0 << QString();
    // The regression of the stale reply: it must not be taken by the next exchange, whether
    // it is waiting when that one starts or arrives while it waits.
    QTest::newRow("late reply waiting")
        << QStringList{"late=600@2"} << -2 << "  AI4 len = 8 msg : ";
    QTest::newRow("late reply arriving")
        << QStringList{"late=400@2", "late=100@3"} << -2 << "  AI4 len = 8 msg : ";
}

void tst_VexmarLink::readFaults()
{
    QFETCH(QStringList, faults);
    QFETCH(int, result);
    QFETCH(QString, warning);
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd, faults));
    if (!warning.isEmpty()) {
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(
                QStringLiteral("^lib\\[Vexmar\\]\\S+ 127\\.0\\.0\\.1:%1").arg(sim.port())
                + QRegularExpression::escape(warning) + QLatin1Char('$')));
    }
    QByteArray out("x");
    QCOMPARE(cmd.ReadValues(7, 3, 8, &out, QStringLiteral("AI4")), result);
    QCOMPARE(out, result == 0 ? "x" + simPattern(7, 12, 8) : QByteArray("x"));
    if (QTest::currentDataTag() == QLatin1String("late reply waiting"))
        QTRY_COMPARE_WITH_TIMEOUT(sim.repliesSent(2), 1, 5000);
    if (QTest::currentDataTag() == QLatin1String("two datagrams"))
        QTRY_COMPARE(sim.repliesSent(2), 2);

    // The next exchange gets its own reply, whatever happened to the one before: a duplicate,
    // a surplus or a late answer of request 2 must not be taken for it.
    for (int k = 0; k < 2; ++k) {
        QByteArray next;
        QCOMPARE(cmd.ReadValues(7, 10 + k, 8, &next, QStringLiteral("AI11")), 0);
        QCOMPARE(next.toHex(), simPattern(7, 40 + 4 * k, 8).toHex());
    }
    QCOMPARE(sim.requestCount(), 4);
}

void tst_VexmarLink::writeFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("result");
    QTest::newRow("echoed") << QString() << 0;
    QTest::newRow("wrong echo is no success") << "echo@2" << -2;
    QTest::newRow("header cut is a frame error") << "short=2@2" << -1;
    QTest::newRow("no answer") << "drop@2" << -2;
}

void tst_VexmarLink::writeFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, result);
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd, fault.isEmpty() ? QStringList() : QStringList{fault}));
    if (fault.startsWith(QLatin1String("echo")))
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("  AO1 len = 4 msg : 02020100$")));
    QCOMPARE(cmd.WriteValues(10, 0, 4, QByteArray::fromHex("01020304"), QStringLiteral("AO1")),
             result);
    QByteArray back;
    QCOMPARE(cmd.ReadValues(10, 1, 4, &back, QStringLiteral("AO2")), 0);
    QCOMPARE(back, simPattern(10, 4, 4));
}

void tst_VexmarLink::writesReadBack()
{
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd));
    const QByteArray words = QByteArray::fromHex("0102030405060708");
    QCOMPARE(cmd.WriteValues(10, 2, 8, words, QStringLiteral("AO3")), 0);
    QByteArray out;
    QCOMPARE(cmd.ReadValues(10, 2, 8, &out, QStringLiteral("AO3")), 0);
    QCOMPARE(out, words);

    // Bits: packed bytes through the value requests, one byte per bit through the bit ones.
    QCOMPARE(cmd.WriteValues(4, 8, 16, QByteArray::fromHex("0180"), QStringLiteral("DO9")), 0);
    out.clear();
    QCOMPARE(cmd.ReadValues(4, 8, 16, &out, QStringLiteral("DO9")), 0);
    QCOMPARE(out.toHex(), QByteArray("0180"));
    out.clear();
    QCOMPARE(cmd.ReadBits(4, 22, 2, &out, QStringLiteral("DO23")), 0);
    QCOMPARE(out.toHex(), QByteArray("0001"));
    QCOMPARE(cmd.WriteBits(4, 3, 3, QByteArray::fromHex("010001"), QStringLiteral("DO4")), 0);
    out.clear();
    QCOMPARE(cmd.ReadBits(4, 3, 3, &out, QStringLiteral("DO4")), 0);
    QCOMPARE(out.toHex(), QByteArray("010001"));

    // A string write and a string read of the same slots agree.
    const QByteArray texts = strings({QStringLiteral("ABC"), QStringLiteral("DE")});
    QCOMPARE(cmd.WriteString(28, 1, 2, texts, QStringLiteral("SI2")), 0);
    out.clear();
    QCOMPARE(cmd.ReadString(28, 1, 2, &out, QStringLiteral("SI2")), 0);
    QCOMPARE(out.toHex(), texts.toHex());
    out.clear();
    QCOMPARE(cmd.ReadString(28, 3, 1, &out, QStringLiteral("SI4")), 0);
    QCOMPARE(out, QByteArray("\x02S4"));
}

void tst_VexmarLink::refusedBeforeSending()
{
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd));
    QByteArray out;
    QCOMPARE(cmd.ReadValues(1, -1, 8, &out, QStringLiteral("DI")), int(CmdVexmar::BadAddress));
    QCOMPARE(cmd.ReadBits(1, 240, 1, &out, QStringLiteral("DI241")), int(CmdVexmar::BadAddress));
    QCOMPARE(cmd.WriteValues(7, 320, 4, QByteArray(4, '\0'), QStringLiteral("AI321")),
             int(CmdVexmar::BadAddress));
    QCOMPARE(cmd.ReadValues(7, 0, 0, &out, QStringLiteral("AI1")), int(CmdVexmar::BadData));
    QCOMPARE(cmd.ReadValues(7, 0, 1468, &out, QStringLiteral("AI1")), int(CmdVexmar::BadData));
    QCOMPARE(cmd.ReadString(28, 0, 6, &out, QStringLiteral("SI1")), int(CmdVexmar::BadData));
    QCOMPARE(cmd.WriteString(28, 0, 2, strings({QStringLiteral("A")}), QStringLiteral("SI1")),
             int(CmdVexmar::BadData));
    QCOMPARE(cmd.WriteString(28, 0, 1, QByteArray(1, char(200)) + "a", QStringLiteral("SI1")),
             int(CmdVexmar::BadData));
    QVERIFY(out.isEmpty());
    QCOMPARE(cmd.ReadValues(7, 316, 20, &out, QStringLiteral("AI317")), int(CmdVexmar::BadAddress));
    QCOMPARE(CmdVexmar::statusOf(CmdVexmar::BadAddress), 5);
    QCOMPARE(CmdVexmar::statusOf(CmdVexmar::BadData), 4);
    // Only the handshake and this read reached the device.
    QCOMPARE(cmd.ReadValues(7, 0, 4, &out, QStringLiteral("AI1")), 0);
    QCOMPARE(sim.requestCount(), 2);
}

void tst_VexmarLink::noLink()
{
    CmdVexmar cmd;
    QByteArray out;
    QCOMPARE(cmd.IsConnected(), -3);
    QCOMPARE(cmd.ReadValues(7, 0, 4, &out, QStringLiteral("AI1")), -3);
    QCOMPARE(cmd.WriteBits(1, 0, 1, QByteArray(1, '\1'), QStringLiteral("DI1")), -3);
    QCOMPARE(cmd.CloseTransport(), 1);
    QCOMPARE(cmd.CloseSerial(), -1);
}

void tst_VexmarLink::secondExchangeWaitingIsRefused()
{
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd, {QStringLiteral("late=200@2")}));
    int nested = 1;
    QByteArray nestedOut;
    // A host timer that fires while the read waits starts a second one on the same link.
    QTimer::singleShot(
        20, [&] { nested = cmd.ReadValues(7, 0, 4, &nestedOut, QStringLiteral("AI1")); });
    QByteArray out;
    QCOMPARE(cmd.ReadValues(7, 3, 8, &out, QStringLiteral("AI4")), 0);
    QCOMPARE(nested, int(CmdVexmar::Busy));
    QVERIFY(nestedOut.isEmpty());
    QCOMPARE(out, simPattern(7, 12, 8));
    QCOMPARE(sim.requestCount(), 2);
}

void tst_VexmarLink::releaseWhileWaiting()
{
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd, {QStringLiteral("late=300@2")}));
    // A wait the release does not end lasts out the reply time-out: a long one keeps that
    // apart from a release that a busy machine holds up waiting for a CPU.
    cmd.setReplyTimeoutMs(5000);
    QTimer::singleShot(20, [&] { QCOMPARE(cmd.CloseTransport(), 0); });
    QElapsedTimer t;
    t.start();
    QByteArray out;
    QCOMPARE(cmd.ReadValues(7, 3, 8, &out, QStringLiteral("AI4")), -3);
    QVERIFY2(t.elapsed() < cmd.replyTimeoutMs(), qPrintable(QString::number(t.elapsed())));
    QCOMPARE(cmd.IsConnected(), -3);
    QCOMPARE(cmd.OpenUdp(QStringLiteral("127.0.0.1"), sim.port()), 0);
}

void tst_VexmarLink::debugLines()
{
    VexmarSimProcess sim;
    CmdVexmar cmd;
    QVERIFY(link(sim, cmd));
    cmd.debugEnabled = true;
    const QString peer = QStringLiteral("127.0.0.1:%1").arg(sim.port());
    QTest::ignoreMessage(QtDebugMsg, exactly(QStringLiteral("lib[Vexmar]\u8BFB\u547D\u4EE4 ") + peer
                                             + "  AI4 len = 8 msg : 0101010007000c00000800"));
    QTest::ignoreMessage(QtDebugMsg,
                         exactly(QStringLiteral("lib[Vexmar]\u8BFB\u54CD\u5E94 ") + peer
                                 + "  AI4 len = 8 msg : 01010100" + simPattern(7, 12, 8).toHex()));
    QByteArray out;
    QCOMPARE(cmd.ReadValues(7, 3, 8, &out, QStringLiteral("AI4")), 0);
    QTest::ignoreMessage(QtDebugMsg, exactly(QStringLiteral("\u5199\u547D\u4EE4 ") + peer
                                             + " Area=DO1  len = 1 msg : 0201010004000000000100"
                                               "01"));
    QTest::ignoreMessage(QtDebugMsg, exactly(QStringLiteral("\u54CD\u5E94 ") + peer
                                             + " Area=DO1  len = 1 msg : 02010100"));
    QCOMPARE(cmd.WriteBits(4, 0, 1, QByteArray(1, '\1'), QStringLiteral("DO1")), 0);
}

QTEST_GUILESS_MAIN(tst_VexmarLink)
#include "tst_vexmarlink.moc"
