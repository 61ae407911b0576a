// The firmware page over the serial link, against the controller side of the device simulator
// on a socat pty: whole uploads in one firmware exchange, the controller's faults, reboot and
// version packets, connect and disconnect around a data-logger command, and the serial lock.
#include "dialogsetlink.h"
#include "firmwaretesting.h"
#include "fwpacket.h"
#include "loggersimprocess.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"
#include "update_bin.h"
#include "windowfixture.h"

#include <QStatusBar>
#include <QtTest>

namespace {

// The simulator's silence and the exchange's 200 ms must not be confused on a loaded machine.
const int waitFloorMs = 1500;

} // namespace

class tst_FirmwareSerial : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void upload_data();
    void upload();
    void rebootAndVersion();
    void connectAroundLoggerCommand();
    void lockRefusal();

private:
    // The simulator with these faults, and the window with its link string on the pty.
    bool start(const QStringList &faults = {});
    QStringList logLines() const
    {
        return m_ui->textBrowser->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    // The simulator's FW requests ("<n> fw <hex>"), in order.
    QStringList fwRequests() const { return m_sim.requests().filter(QStringLiteral(" fw ")); }

    LoggerSimProcess m_sim;
    WindowFixture m_fixture;
    MainWindow *m_window = nullptr;
    Ui::MainWindow *m_ui = nullptr;
};

void tst_FirmwareSerial::init()
{
    m_fixture.setUp();
}

void tst_FirmwareSerial::cleanup()
{
    m_window = nullptr;
    m_ui = nullptr;
    m_fixture.tearDown();
    m_sim.stop();
}

bool tst_FirmwareSerial::start(const QStringList &faults)
{
    QStringList args;
    for (const QString &fault : faults)
        args << QStringLiteral("--fault") << fault;
    if (!m_sim.start(args)) {
        qWarning() << m_sim.error();
        return false;
    }
    m_fixture.ports = QStringList(m_sim.portName());
    m_window = m_fixture.create();
    m_ui = m_window->form();
    m_window->setDeviceWaitFloor(waitFloorMs);
    m_window->linkDialog()->linkParameter(m_sim.portName() + ",115200,8,1,N");
    return m_window->linkDialog()->linkString().startsWith(m_sim.portName());
}

void tst_FirmwareSerial::upload_data()
{
    QTest::addColumn<bool>("app");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("faults");
    // Blocks answered (-1: all) and the last line of the log.
    QTest::addColumn<int>("blocksSent");
    QTest::addColumn<QString>("lastLine");
    const QString appDone = QStringLiteral("APP 下载完成");
    QTest::newRow("APP 102,400") << true << qint64(102400) << QStringList() << -1 << appDone;
    QTest::newRow("OS 1,000") << false << qint64(1000) << QStringList() << -1
                              << QStringLiteral("Vexmar 下载完成");
    // Request 1 is the start packet; its reply asks for index 0.
    QTest::newRow("request split over two reads")
        << true << qint64(102400) << QStringList{"split=3@2", "split=5@40"} << -1 << appDone;
    QTest::newRow("a version reply in the same read")
        << true << qint64(102400) << QStringList{"pair@5"} << -1 << appDone;
    QTest::newRow("controller silent after block 3")
        << true << qint64(102400) << QStringList{"silence@4"} << 3
        << QStringLiteral("APP process:768/102400 Byte");
    QTest::newRow("wrong CRC on the request after block 2")
        << true << qint64(102400) << QStringList{"crc@3"} << 2 << QStringLiteral("FW crc 错误");
    QTest::newRow("block 3 asked for again") << true << qint64(102400) << QStringList{"repeat@4"}
                                             << 3 << QStringLiteral("APP返回包不连续");
    QTest::newRow("block 5 skipped") << true << qint64(102400) << QStringList{"skip@4"} << 3
                                     << QStringLiteral("APP返回包不连续");
}

// One click carries the whole upload: every request the controller sends in the exchange is
// handed to the page once and answered on the link, until the controller is silent.
void tst_FirmwareSerial::upload()
{
    QFETCH(bool, app);
    QFETCH(qint64, size);
    QFETCH(QStringList, faults);
    QFETCH(int, blocksSent);
    QFETCH(QString, lastLine);
    QVERIFY(start(faults));
    QVERIFY(m_ui->button_Serial->isChecked());
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());

    const QString path = m_fixture.path("image.bin");
    const QByteArray bytes = imageBytes(size);
    QVERIFY(writeImage(path, bytes));
    (app ? m_ui->filepath : m_ui->filepath_vexmar)->setText(path);
    (app ? m_ui->pb_update : m_ui->pb_update_vexmar)->click();
    // The click returns once the exchange has ended.
    const int blocks = blocksSent < 0 ? int((size + 255) / 256) : blocksSent;
    const QString name = app ? QStringLiteral("APP") : QStringLiteral("Vexmar");
    const QStringList lines = logLines();
    QCOMPARE(lines.last(), lastLine);
    QCOMPARE(lines.filter(name + " process:").size(), blocks);
    QCOMPARE(lines.filter(QStringLiteral("不连续")).size(), lastLine.contains("不连续") ? 1 : 0);
    if (faults.join(' ').contains("pair"))
        QCOMPARE(lines.filter(QStringLiteral("loggersim 1.0")).size(), 1);
    const FirmwareUpload &upload
        = app ? m_window->updateBin()->appUpload() : m_window->updateBin()->osUpload();
    QCOMPARE(upload.counter(), blocks);
    QCOMPARE(qint64((app ? m_ui->progressBar : m_ui->progressBar_vexmar)->value()),
             qMin<qint64>(size, blocks * 256));
    // The start packet and one packet per block, nothing sent twice.
    QTRY_COMPARE_WITH_TIMEOUT(fwRequests().size(), 1 + blocks, 5000);
    if (blocksSent < 0)
        QCOMPARE(m_sim.firmware(), bytes);
}

// Reboots log nothing; the version reply shows its text.
void tst_FirmwareSerial::rebootAndVersion()
{
    QVERIFY(start());
    m_ui->pb_Connect->click();
    m_ui->version->setText("70000");
    m_ui->pb_reboot->click();
    m_ui->version_vexmar->setText("2");
    m_ui->pb_reboot_vexmar->click();
    m_ui->pb_version->click();
    QCOMPARE(logLines(), QStringList("loggersim 1.0"));
    QTRY_COMPARE_WITH_TIMEOUT(fwRequests().size(), 3, 5000);
    const QStringList requests = fwRequests();
    QVERIFY(requests.at(0).endsWith(FwPacket::appReboot(4464).toHex()));
    QVERIFY(requests.at(1).endsWith(FwPacket::osReboot(2).toHex()));
    QVERIFY(requests.at(2).endsWith(QByteArray("465708afe3")));
}

// The page's connect changes the buttons only when it opened the link; they are ready to connect
// again whatever closed the link, a data-logger command too.
void tst_FirmwareSerial::connectAroundLoggerCommand()
{
    QVERIFY(start());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QVERIFY(!m_ui->pb_Connect->isEnabled());
    QVERIFY(m_ui->pb_Disconnect->isEnabled());

    // The data-logger command opens the link anew and closes it when done.
    m_fixture.prompt->expectStartingWith("information", "提示信息", QString());
    m_window->form()->pushButton_COM_CheckTime->click();
    QVERIFY(!m_window->isDeviceLinkOpen());
    // The command's close puts the page's buttons back.
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    m_ui->pb_Disconnect->click();
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());

    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("连接成功！"));
    m_ui->pb_Disconnect->click();
    QVERIFY(!m_window->isDeviceLinkOpen());
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("断开成功！"));
    QVERIFY(m_ui->pb_Connect->isEnabled());
}

// While another device operation holds the serial lock, every serial action of the page is
// refused with the busy message and sends nothing.
void tst_FirmwareSerial::lockRefusal()
{
    QVERIFY(start());
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QVERIFY(m_window->serialLinkLock()->tryLock());
    m_window->statusBar()->clearMessage();
    m_ui->pb_version->click();
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("串口正忙，请稍后再试"));
    m_window->statusBar()->clearMessage();
    m_ui->pb_Disconnect->click();
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("串口正忙，请稍后再试"));
    QVERIFY(m_window->isDeviceLinkOpen());
    QVERIFY(m_ui->pb_Disconnect->isEnabled());
    m_window->serialLinkLock()->unlock();
    QVERIFY(logLines().isEmpty());
    QVERIFY(fwRequests().isEmpty());
    m_ui->pb_version->click();
    QCOMPARE(logLines(), QStringList("loggersim 1.0"));
}

QTEST_MAIN(tst_FirmwareSerial)

#include "tst_firmwareserial.moc"
