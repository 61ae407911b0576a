// The Bluetooth module's link sequence against the module simulator over a socat pty pair.
#include "atlinksequence.h"
#include "atmodulesimprocess.h"
#include "debuglines.h"
#include "devicelink.h"

#include <QSerialPort>
#include <QtTest>

namespace {

// No wait of these tests is shorter: replies must not be missed on a loaded machine.
constexpr int waitFloorMs = 1000;
const QString peerLine = QStringLiteral("2 C8FD19A0B1C2 -52 CDEBYTE_F559");
const QString otherLine = QStringLiteral("1 AABBCCDDEEFF -70 OTHER_MODULE");

} // namespace

class tst_AtLinkSequence : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void sequence_data();
    void sequence();
    void closedLinkSendsNothing();

private:
    AtLinkSequence makeSequence();

    SocatPtyPair *m_pair = nullptr;
    AtModuleSimProcess *m_module = nullptr;
    QSerialPort *m_port = nullptr;
    DeviceLink *m_link = nullptr;
    QStringList m_sentDirectly;
};

void tst_AtLinkSequence::initTestCase()
{
    DebugLines::install();
}

void tst_AtLinkSequence::init()
{
    DebugLines::lines().clear();
    m_sentDirectly.clear();
    m_pair = new SocatPtyPair;
    QVERIFY2(m_pair->start(), "socat did not start");
    m_module = new AtModuleSimProcess;
    m_port = new QSerialPort(m_pair->first());
    m_link = new DeviceLink(m_port);
}

void tst_AtLinkSequence::cleanup()
{
    delete m_port;
    delete m_module;
    delete m_pair;
    m_port = nullptr;
    m_module = nullptr;
    m_pair = nullptr;
}

AtLinkSequence tst_AtLinkSequence::makeSequence()
{
    return AtLinkSequence(
        [this](const QString &command, int timeoutMs) {
            QByteArray reply;
            m_link->exchange(command.toUtf8(), &reply, qMax(timeoutMs, waitFloorMs),
                             AtLinkSequence::replyBytes);
            return reply;
        },
        [this](const QByteArray &bytes) {
            m_sentDirectly << QString::fromUtf8(bytes);
            m_link->write(bytes);
        },
        [this](int timeoutMs) { return m_link->readMore(qMax(timeoutMs, waitFloorMs)); });
}

void tst_AtLinkSequence::sequence_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("scan");
    QTest::addColumn<int>("stopStep"); // 7: the whole sequence
    QTest::addColumn<int>("sent");     // commands of the whole sequence the module gets

    const QStringList none;
    const QStringList peer{peerLine};
    QTest::newRow("role 1") << 1 << none << peer << 7 << 7;
    QTest::newRow("role 0 is set to 1") << 0 << none << peer << 7 << 8;
    QTest::newRow("scan answer with white space")
        << 1 << QStringList{"answer:AT+SCAN?=> \t+SCAN=0\\r\\n"} << peer << 7 << 7;
    QTest::newRow("peer on the second line")
        << 0 << none << QStringList{otherLine, peerLine} << 7 << 8;
    QTest::newRow("list trickles in")
        << 1 << QStringList{"trickle=4,20"} << QStringList{otherLine, peerLine} << 7 << 7;

    QTest::newRow("AT unanswered") << 1 << QStringList{"silent:AT"} << peer << 1 << 1;
    QTest::newRow("AT answered without +")
        << 1 << QStringList{"answer:AT=>OK\\r\\n"} << peer << 1 << 1;
    QTest::newRow("role set answered with a line end")
        << 0 << QStringList{"answer:AT+ROLE=1=>+OK\\r\\n"} << peer << 3 << 3;
    QTest::newRow("role set unanswered") << 0 << QStringList{"silent:AT+ROLE=1"} << peer << 3 << 3;
    QTest::newRow("scan query refused")
        << 1 << QStringList{"answer:AT+SCAN?=>+ERR\\r\\n"} << peer << 4 << 3;
    QTest::newRow("scan start unanswered")
        << 1 << QStringList{"silent:AT+SCAN=1,20,1"} << peer << 5 << 4;
    QTest::newRow("list without the peer") << 1 << none << QStringList{otherLine} << 5 << 4;
    QTest::newRow("peer name followed by more text")
        << 1 << none << QStringList{peerLine + QStringLiteral(" -")} << 5 << 4;
    QTest::newRow("list without its line end")
        << 1 << QStringList{"answer:AT+SCAN=1,20,1=>2 C8FD19A0B1C2 -52 CDEBYTE_F559"} << peer << 5
        << 4;
    QTest::newRow("connect refused")
        << 1 << QStringList{"answer:AT+CONNECT=,C8FD19A0B1C2=>+ERR=BUSY\\r\\n"} << peer << 6 << 6;
}

void tst_AtLinkSequence::sequence()
{
    QFETCH(int, role);
    QFETCH(QStringList, faults);
    QFETCH(QStringList, scan);
    QFETCH(int, stopStep);
    QFETCH(int, sent);

    QStringList args{QStringLiteral("--role"), QString::number(role)};
    for (const QString &f : faults)
        args << QStringLiteral("--fault") << f;
    for (const QString &line : scan)
        args << QStringLiteral("--scan-line") << line;
    QVERIFY2(m_module->start(m_pair->second(), args), qPrintable(m_module->error()));
    QVERIFY(m_port->open(QIODevice::ReadWrite));

    AtLinkSequence sequence = makeSequence();
    sequence.start();

    QCOMPARE(sequence.atState(), stopStep);
    const QStringList expected = AtModuleSimProcess::linkCommands(role).mid(0, sent);
    QTRY_COMPARE_WITH_TIMEOUT(m_module->logLines(), expected, 10000);
    const bool connected = stopStep == 7;
    QCOMPARE(DebugLines::lines().contains(QStringLiteral("Successful!!!!!!")), connected);
    QCOMPARE(m_sentDirectly.size(), sent >= 6 ? 1 : 0);
    if (connected)
        QCOMPARE(sequence.atBuffer(), QString());
}

void tst_AtLinkSequence::closedLinkSendsNothing()
{
    QVERIFY2(m_module->start(m_pair->second(), {QStringLiteral("--role"), QStringLiteral("1")}),
             qPrintable(m_module->error()));
    AtLinkSequence sequence = makeSequence();
    sequence.start();
    QCOMPARE(sequence.atState(), 1);

    // The first command the module ever sees is the one sent once the link is open.
    QVERIFY(m_port->open(QIODevice::ReadWrite));
    QByteArray reply;
    QCOMPARE(m_link->exchange("AT\r\n", &reply, 5000, AtLinkSequence::replyBytes), 0);
    QCOMPARE(reply, QByteArray("+OK\r\n"));
    QCOMPARE(m_module->logLines(), QStringList{QStringLiteral("cmd AT")});
    QVERIFY(!DebugLines::lines().contains(QStringLiteral("Successful!!!!!!")));
}

QTEST_GUILESS_MAIN(tst_AtLinkSequence)
#include "tst_atlinksequence.moc"
