// The window's Bluetooth group against the module simulator on a socat pty pair: the link button
// runs the module's sequence on the open device link, and once the module is connected the
// read-off reaches the data-logger simulator behind it.
#include "atmodulesimprocess.h"
#include "debuglines.h"
#include "dialogsetlink.h"
#include "loggersimprocess.h"
#include "sqlrows.h"
#include "testwatchdog.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QPushButton>
#include <QStatusBar>

namespace {

// No exchange of these tests waits less: replies must not be missed on a loaded machine.
constexpr int waitFloorMs = 1000;

} // namespace

class TestBluetoothWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void linkThenReadOff();
    void nothingSent_data();
    void nothingSent();

private:
    void startModule(const QStringList &extra);

    WindowFixture m_fx;
    MainWindow *m_window = nullptr;
    Ui::MainWindow *m_ui = nullptr;
    std::unique_ptr<SocatPtyPair> m_pair;
    std::unique_ptr<AtModuleSimProcess> m_module;
    std::unique_ptr<LoggerSimProcess> m_logger;
    TestWatchdog m_watchdog;
};

void TestBluetoothWindow::initTestCase()
{
    DebugLines::install();
}

void TestBluetoothWindow::init()
{
    m_watchdog.arm(QTest::currentTestFunction(), 240);
    DebugLines::lines().clear();
    m_fx.setUp();
    m_window = m_fx.create();
    m_ui = m_window->form();
    QCoreApplication::sendPostedEvents();
    m_window->setDeviceWaitFloor(waitFloorMs);
    m_pair = std::make_unique<SocatPtyPair>();
    QVERIFY2(m_pair->start(), "socat did not start");
    m_module = std::make_unique<AtModuleSimProcess>();
}

void TestBluetoothWindow::cleanup()
{
    m_module.reset();
    m_logger.reset();
    m_pair.reset();
    m_fx.tearDown();
    m_window = nullptr;
    m_watchdog.disarm();
}

void TestBluetoothWindow::startModule(const QStringList &extra)
{
    QVERIFY2(m_module->start(m_pair->second(), extra), qPrintable(m_module->error()));
    m_window->linkDialog()->linkParameter(m_pair->first() + ",115200,8,1,N");
}

void TestBluetoothWindow::linkThenReadOff()
{
    m_logger = std::make_unique<LoggerSimProcess>();
    QVERIFY2(m_logger->start(), qPrintable(m_logger->error()));
    startModule({"--role", "0", "--scan-line", "1 AABBCCDDEEFF -70 OTHER_MODULE", "--scan-line",
                 "2 " + AtModuleSimProcess::peerAddress() + " -52 CDEBYTE_F559", "--peer",
                 m_logger->portName()});
    m_window->openDeviceLink();
    QVERIFY(m_window->isDeviceLinkOpen());

    // The button is hidden on the page; the click still runs the sequence.
    QVERIFY(m_ui->pushButton_B_Link->isHidden());
    m_ui->pushButton_B_Link->click();
    QCOMPARE(m_window->atLinkSequence()->atState(), 7);
    QVERIFY(DebugLines::lines().contains(QStringLiteral("Successful!!!!!!")));
    QTRY_COMPARE_WITH_TIMEOUT(m_module->logLines(), AtModuleSimProcess::linkCommands(0), 10000);
    // The sequence leaves the link as it found it.
    QVERIFY(m_window->isDeviceLinkOpen());

    // Through the connected module to the data-logger: its three batches of two values.
    m_fx.prompt->expect("information", "提示信息", "蓝牙导入完成：已导入3批（6条数据）");
    m_ui->pushButton_B_RecData->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(sqlRows(m_window->databaseFileName(), "SELECT label, value FROM data ORDER BY id"),
             QStringList({"AI3|-1", "AI4|0", "AI3|999", "AI4|1000", "AI3|1999", "AI4|2000"}));
    const QStringList kinds = m_logger->requestKinds();
    QVERIFY(!kinds.isEmpty());
    QCOMPARE(kinds.filter(QRegularExpression("^records$")), kinds);
    QCOMPARE(m_module->logLines().filter(QRegularExpression("^data 070101")).size(), kinds.size());
}

void TestBluetoothWindow::nothingSent_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("status");
    // The first exchange fails without sending: the sequence stops in step 1.
    QTest::newRow("link closed") << false << false << 1 << QString();
    // Another device operation holds the link: the click is refused before step 0.
    QTest::newRow("link busy") << true << true << 0 << QStringLiteral("串口正忙，请稍后再试");
}

void TestBluetoothWindow::nothingSent()
{
    QFETCH(bool, open);
    QFETCH(bool, busy);
    QFETCH(int, step);
    QFETCH(QString, status);
    startModule({"--role", "1"});
    if (open)
        m_window->openDeviceLink();
    if (busy)
        QVERIFY(m_window->serialLinkLock()->tryLock());
    m_window->statusBar()->clearMessage();
    m_ui->pushButton_B_Link->click();
    if (busy)
        m_window->serialLinkLock()->unlock();
    QCOMPARE(m_window->atLinkSequence()->atState(), step);
    QCOMPARE(m_window->statusBar()->currentMessage(), status);
    QCOMPARE(m_window->isDeviceLinkOpen(), open);

    // The first command the module ever sees is the one sent now.
    m_window->openDeviceLink();
    QByteArray reply;
    QCOMPARE(m_window->sendAtCommand("AT\r\n", &reply, 200), 0);
    QCOMPARE(reply, QByteArray("+OK\r\n"));
    QCOMPARE(m_module->logLines(), QStringList{"cmd AT"});
    QVERIFY(!DebugLines::lines().contains(QStringLiteral("Successful!!!!!!")));
}

QTEST_MAIN(TestBluetoothWindow)
#include "tst_bluetoothwindow.moc"
