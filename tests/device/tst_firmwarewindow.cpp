// The firmware page of the main window against a real mosquitto broker on 127.0.0.1, with the
// controller played by a second MQTT client on the device's topics: connecting, whole APP and
// OS uploads, reboot and version packets, replies in the log, the broker going away and coming
// late, the channel buttons and a language switch; an image that stays what it was at the start
// whatever the user or the disk does meanwhile, a controller that stops asking, a quit during an
// upload, and the client going with the window; against the firmware-controller simulator on
// the broker, a second start or another packet for the controller refused while an upload runs.
#include "firmwaretesting.h"
#include "fwctrlsimprocess.h"
#include "fwpacket.h"
#include "imageswap.h"
#include "mainwindow.h"
#include "mosquittobroker.h"
#include "ui_mainwindow.h"
#include "update_bin.h"
#include "windowfixture.h"

#include <QAction>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

namespace {

// Threads of this process now.
int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

} // namespace

class tst_FirmwareWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void connectAndDisconnect();
    void refusedDeviceIds_data();
    void refusedDeviceIds();
    void wholeUpload_data();
    void wholeUpload();
    void sizeRefusals_data();
    void sizeRefusals();
    void packetsByteExact_data();
    void packetsByteExact();
    void repliesInTheLog_data();
    void repliesInTheLog();
    void deviceIdChangedWhileConnected();
    void brokerRestarted();
    void brokerRestartedMidUpload();
    void configProblems_data();
    void configProblems();
    void brokerStartedAfterConnect();
    void languageSwitchKeepsFields();
    void imageFixedAtStart_data();
    void imageFixedAtStart();
    void controllerGivesUp();
    void quitDuringUpload_data();
    void quitDuringUpload();
    void pressesDuringUploadRefused_data();
    void pressesDuringUploadRefused();
    void clientGoesWithTheWindow();

private:
    void writeConfig(quint16 port);
    // Chooses MQTT, sets the id and connects; true once subscribed.
    bool connectPage(const QString &deviceId);
    // The page connected to the test's broker, with m_controller on the topics of "dev7".
    bool connectWithController();
    QStringList logLines() const;
    int logCount(const QString &line) const { return logLines().count(line); }

    MosquittoBroker m_broker;
    WindowFixture m_fixture;
    MainWindow *m_window = nullptr;
    Ui::MainWindow *m_ui = nullptr;
    std::unique_ptr<BrokerController> m_controller;
};

void tst_FirmwareWindow::initTestCase()
{
    if (MosquittoBroker::executable().isEmpty())
        QSKIP("mosquitto broker not installed (scripts/setup.sh installs it)");
    QVERIFY(m_broker.start());
}

void tst_FirmwareWindow::init()
{
    if (!m_broker.isRunning())
        QVERIFY(m_broker.start());
    m_fixture.setUp();
    m_window = m_fixture.create();
    m_ui = m_window->form();
}

void tst_FirmwareWindow::cleanup()
{
    m_controller.reset();
    if (m_window)
        m_window->updateBin()->mqttClient()->disconnectFromHost();
    m_window = nullptr;
    m_ui = nullptr;
    m_fixture.tearDown();
}

void tst_FirmwareWindow::writeConfig(quint16 port)
{
    QFile config(m_fixture.path("config.ini"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("[mqtt]\nhostname=127.0.0.1\nport=%1\nkeepalive=30\n").arg(port).toUtf8());
}

bool tst_FirmwareWindow::connectPage(const QString &deviceId)
{
    m_ui->button_MQTT->click();
    m_ui->devesn->setText(deviceId);
    m_ui->pb_Connect->click();
    const QString subscribed = "subscribed kxota/up/v1/" + deviceId;
    QElapsedTimer clock;
    clock.start();
    while (!logLines().contains(subscribed) && clock.elapsed() < 20000)
        QTest::qWait(50);
    return logLines().contains(subscribed);
}

bool tst_FirmwareWindow::connectWithController()
{
    writeConfig(m_broker.port());
    m_controller = std::make_unique<BrokerController>(m_broker.port(), "dev7");
    return m_controller->start() && connectPage("dev7");
}

QStringList tst_FirmwareWindow::logLines() const
{
    return m_ui->textBrowser->toPlainText().split('\n', Qt::SkipEmptyParts);
}

void tst_FirmwareWindow::connectAndDisconnect()
{
    writeConfig(m_broker.port());
    // At start the serial channel is chosen and only it can be disconnected.
    QVERIFY(m_ui->button_Serial->isChecked());
    QVERIFY(!m_ui->devesn->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    QVERIFY(m_ui->devesn->text().isEmpty());
    QCOMPARE(m_ui->devesn->placeholderText(), QStringLiteral("ESN"));

    m_ui->button_MQTT->click();
    QVERIFY(m_ui->devesn->isEnabled());
    QVERIFY(!m_ui->lineEdit_binpath->isEnabled());
    QVERIFY(!m_ui->pushButton_openbinfile->isEnabled());
    QVERIFY(!m_ui->pushButton_bindownload->isEnabled());

    QVERIFY(connectPage("dev1"));
    QCOMPARE(logLines(), QStringList({"connected", "subscribed kxota/up/v1/dev1"}));
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(m_ui->pb_Disconnect->isEnabled());

    m_ui->pb_Disconnect->click();
    QCOMPARE(logLines().last(), QStringLiteral("disconnected"));
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    QVERIFY(!m_window->updateBin()->mqttClient()->isConnectedToHost());

    // A second connect of the run presents the same client id to the broker.
    QVERIFY(connectPage("dev1"));
    const QString id = m_window->updateBin()->mqttClient()->clientId();
    QVERIFY(id.startsWith("OTAClient"));
    QTRY_COMPARE_WITH_TIMEOUT(m_broker.log().count(" as " + id + " "), 2, 10000);
    m_ui->pb_Disconnect->click();

    m_ui->button_Serial->click();
    QVERIFY(!m_ui->devesn->isEnabled());
    QVERIFY(m_ui->lineEdit_binpath->isEnabled());
    QVERIFY(m_ui->pushButton_openbinfile->isEnabled());
    QVERIFY(m_ui->pushButton_bindownload->isEnabled());
}

void tst_FirmwareWindow::refusedDeviceIds_data()
{
    QTest::addColumn<QString>("deviceId");
    QTest::newRow("empty") << QString();
    QTest::newRow("single-level wildcard") << "+";
    QTest::newRow("multi-level wildcard") << "dev#";
    QTest::newRow("a level") << "dev1/x";
}

// An id that would subscribe to other controllers' requests is refused before connecting.
void tst_FirmwareWindow::refusedDeviceIds()
{
    QFETCH(QString, deviceId);
    writeConfig(m_broker.port());
    m_ui->button_MQTT->click();
    m_ui->devesn->setText(deviceId);
    m_ui->pb_Connect->click();
    QCOMPARE(logLines().size(), 1);
    QVERIFY(logLines().first().startsWith(QStringLiteral("设备号无效")));
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    QSignalSpy connected(m_window->updateBin()->mqttClient(), &QMQTT::Client::connected);
    QVERIFY(!connected.wait(500));
}

void tst_FirmwareWindow::wholeUpload_data()
{
    QTest::addColumn<bool>("app");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("version");
    QTest::addColumn<quint16>("versionSent");
    QTest::newRow("APP 102,400") << true << qint64(102400) << "3" << quint16(3);
    QTest::newRow("APP 102,410, 10-byte last block")
        << true << qint64(102410) << "70000" << quint16(4464);
    QTest::newRow("OS 102,400") << false << qint64(102400) << "12" << quint16(12);
    QTest::newRow("OS empty") << false << qint64(0) << "x" << quint16(0);
}

// The image chosen through the file dialog goes to the controller block by block as it asks,
// with the progress and a line per block, and the request past the end completes it.
void tst_FirmwareWindow::wholeUpload()
{
    QFETCH(bool, app);
    QFETCH(qint64, size);
    QFETCH(QString, version);
    QFETCH(quint16, versionSent);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;

    const QString path = m_fixture.path("image.bin");
    const QByteArray bytes = imageBytes(size);
    QVERIFY(writeImage(path, bytes));
    m_fixture.chooser->answers << path;
    (app ? m_ui->pb_openfile : m_ui->pb_openfile_vexmar)->click();
    QCOMPARE(m_fixture.chooser->calls, QStringList("update bin"));
    QCOMPARE((app ? m_ui->filepath : m_ui->filepath_vexmar)->text(), path);
    if (app)
        QCOMPARE(logLines().mid(2), QStringList({"带升级文件路径：" + path,
                                                 "确保文件正确，错误升级bin文件将导致系统损坏"}));
    else
        QCOMPARE(logLines().size(), 2);
    (app ? m_ui->version : m_ui->version_vexmar)->setText(version);

    (app ? m_ui->pb_update : m_ui->pb_update_vexmar)->click();
    const QString done = app ? QStringLiteral("APP 下载完成") : QStringLiteral("Vexmar 下载完成");
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(done), 60000);

    const QByteArray start = controller.packets.first();
    QCOMPARE(quint8(start.at(2)), quint8(app ? 0x01 : 0x03));
    QCOMPARE(start.size(), 10);
    QCOMPARE(controller.announcedVersion, versionSent);
    QCOMPARE(qint64(controller.announcedSize), size);
    QCOMPARE(controller.image, bytes);
    const int blocks = int((size + 255) / 256);
    QCOMPARE(controller.packets.size(), 1 + blocks);

    const QString name = app ? QStringLiteral("APP") : QStringLiteral("Vexmar");
    QStringList expected;
    for (int k = 1; k <= blocks; ++k)
        expected << QStringLiteral("%1 process:%2/%3 Byte")
                        .arg(name)
                        .arg(qMin<qint64>(k * 256, size))
                        .arg(size);
    expected << done;
    const QStringList lines = logLines();
    QCOMPARE(lines.mid(lines.size() - expected.size()), expected);
    QProgressBar *bar = app ? m_ui->progressBar : m_ui->progressBar_vexmar;
    QCOMPARE(qint64(bar->maximum()), size);
    QCOMPARE(qint64(bar->value()), size);
    const FirmwareUpload &upload
        = app ? m_window->updateBin()->appUpload() : m_window->updateBin()->osUpload();
    QCOMPARE(upload.counter(), blocks);

    // The other image's counter was not touched; a repeated request is refused, a repeated
    // completion completes again.
    const FirmwareUpload &other
        = app ? m_window->updateBin()->osUpload() : m_window->updateBin()->appUpload();
    QCOMPARE(other.counter(), 0);
    const quint8 requestCode = app ? 0x82 : 0x84;
    if (blocks > 0) {
        controller.send(blockRequest(requestCode, quint16(blocks - 1)));
        const QString gap
            = app ? QStringLiteral("APP返回包不连续") : QStringLiteral("Vexmar返回包不连续");
        QTRY_COMPARE_WITH_TIMEOUT(logLines().last(), gap, 10000);
    }
    controller.send(blockRequest(requestCode, quint16(blocks)));
    QTRY_COMPARE_WITH_TIMEOUT(logCount(done), 2, 10000);
    QCOMPARE(controller.packets.size(), 1 + blocks);
}

void tst_FirmwareWindow::sizeRefusals_data()
{
    QTest::addColumn<bool>("app");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("line");
    QTest::newRow("APP 102,399") << true << qint64(102399) << "文件过小，请确认文件";
    QTest::newRow("OS 102,401") << false << qint64(102401) << "文件过大，请确认文件";
    QTest::newRow("APP no file") << true << qint64(-1) << QString();
}

// An image of the wrong size, or none, sends nothing.
void tst_FirmwareWindow::sizeRefusals()
{
    QFETCH(bool, app);
    QFETCH(qint64, size);
    QFETCH(QString, line);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    const QString path = m_fixture.path("image.bin");
    if (size >= 0)
        QVERIFY(writeImage(path, imageBytes(size)));
    (app ? m_ui->filepath : m_ui->filepath_vexmar)->setText(path);
    (app ? m_ui->pb_update : m_ui->pb_update_vexmar)->click();
    QCOMPARE(logLines().size(), line.isEmpty() ? 2 : 3);
    if (!line.isEmpty())
        QCOMPARE(logLines().last(), line);
    // A version request afterwards is the first thing the controller gets.
    m_ui->pb_version->click();
    QTRY_COMPARE_WITH_TIMEOUT(controller.packets.size(), 1, 10000);
    QCOMPARE(controller.packets.first(), FwPacket::versionRequest());
}

void tst_FirmwareWindow::packetsByteExact_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("appVersion");
    QTest::addColumn<QString>("osVersion");
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("version request") << "pb_version"
                                     << "1"
                                     << "1" << QByteArray::fromHex("465708afe3");
    QTest::newRow("APP reboot, version 70000")
        << "pb_reboot"
        << "70000"
        << "1" << FwPacket::withCrc(QByteArray::fromHex("4657067011"));
    QTest::newRow("OS reboot, version 258")
        << "pb_reboot_vexmar"
        << "1"
        << "258" << FwPacket::withCrc(QByteArray::fromHex("4657070201"));
    QTest::newRow("OS reboot, no number")
        << "pb_reboot_vexmar"
        << "1"
        << "v2" << FwPacket::withCrc(QByteArray::fromHex("4657070000"));
}

void tst_FirmwareWindow::packetsByteExact()
{
    QFETCH(QString, button);
    QFETCH(QString, appVersion);
    QFETCH(QString, osVersion);
    QFETCH(QByteArray, packet);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    m_ui->version->setText(appVersion);
    m_ui->version_vexmar->setText(osVersion);
    m_window->findChild<QPushButton *>(button)->click();
    QTRY_COMPARE_WITH_TIMEOUT(controller.packets.size(), 1, 10000);
    QCOMPARE(controller.packets.first().toHex(' '), packet.toHex(' '));
    // None of them logs anything.
    QCOMPARE(logLines().size(), 2);
}

void tst_FirmwareWindow::repliesInTheLog_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("error report -1")
        << FwPacket::withCrc(QByteArray::fromHex("46578fff")) << QStringList("错误代码:-1");
    QTest::newRow("error report 5")
        << FwPacket::withCrc(QByteArray::fromHex("46578f05")) << QStringList("错误代码:5");
    QTest::newRow("markup shown literally")
        << QByteArray("<b>bold</b> & <i>x</i>") << QStringList("<b>bold</b> & <i>x</i>");
    QTest::newRow("text up to a zero byte") << QByteArray("ok\0hidden", 9) << QStringList("ok");
    QTest::newRow("one byte") << QByteArray("x") << QStringList("x");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("wrong CRC") << QByteArray::fromHex("46578800aabb") << QStringList("FW crc 错误");
    QTest::newRow("only FW") << QByteArray("FW") << QStringList("FW crc 错误");
    QTest::newRow("version ended by zero")
        << FwPacket::withCrc(QByteArray("FW\x88V1.2.3\0junk", 13)) << QStringList("V1.2.3");
    QTest::newRow("version without zero")
        << FwPacket::withCrc(QByteArray("FW\x88V1.2.3")) << QStringList("V1.2.3");
    QTest::newRow("unknown code") << FwPacket::withCrc(QByteArray::fromHex("46578501"))
                                  << QStringList();
}

// Every reply the controller publishes shows in the log as a plain line, or not at all.
void tst_FirmwareWindow::repliesInTheLog()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, lines);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    controller.send(payload);
    // A last text marks that the reply before it has been handled.
    controller.send("end");
    QTRY_COMPARE_WITH_TIMEOUT(logLines().last(), QStringLiteral("end"), 10000);
    QCOMPARE(logLines().mid(2), lines + QStringList("end"));
    QVERIFY(m_ui->textBrowser->toHtml().contains(QStringLiteral("&lt;b&gt;"))
            || !payload.contains('<'));
    QVERIFY(controller.packets.isEmpty());
}

// Packets go to the down topic of the id as it reads now; the subscription stays on the old
// id's up topic until the next connection.
void tst_FirmwareWindow::deviceIdChangedWhileConnected()
{
    writeConfig(m_broker.port());
    BrokerController first(m_broker.port(), "dev1");
    BrokerController second(m_broker.port(), "dev2");
    QVERIFY(first.start());
    QVERIFY(second.start());
    QVERIFY(connectPage("dev1"));
    m_ui->devesn->setText("dev2");
    m_ui->pb_version->click();
    QTRY_COMPARE_WITH_TIMEOUT(second.packets.size(), 1, 10000);
    second.send("from dev2");
    first.send("from dev1");
    QTRY_COMPARE_WITH_TIMEOUT(logLines().last(), QStringLiteral("from dev1"), 10000);
    QVERIFY(!logLines().contains("from dev2"));
    QVERIFY(first.packets.isEmpty());
}

// A lost broker is reported; the client reconnects by itself and subscribes again.
void tst_FirmwareWindow::brokerRestarted()
{
    writeConfig(m_broker.port());
    QVERIFY(connectPage("dev1"));
    m_broker.stop();
    QTRY_COMPARE_WITH_TIMEOUT(logLines().last(), QStringLiteral("disconnected"), 20000);
    QVERIFY(m_broker.start());
    QTRY_COMPARE_WITH_TIMEOUT(logCount("subscribed kxota/up/v1/dev1"), 2, 60000);
    QCOMPARE(logCount("connected"), 2);
    BrokerController controller(m_broker.port(), "dev1");
    QVERIFY(controller.start());
    controller.send("after restart");
    QTRY_COMPARE_WITH_TIMEOUT(logLines().last(), QStringLiteral("after restart"), 10000);
}

// The broker going away takes the block in flight with it: the upload is reported as cut off
// where it stood, and once the page and the controller are back a new start runs whole.
void tst_FirmwareWindow::brokerRestartedMidUpload()
{
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    const qint64 size = 102400;
    const QByteArray bytes = imageBytes(size);
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, bytes));
    m_ui->filepath->setText(path);
    // The controller holds its request after block 101, as if it were lost with the broker.
    controller.holdAfterBlocks = 101;
    m_ui->pb_update->click();
    const FirmwareUpload &upload = m_window->updateBin()->appUpload();
    QTRY_COMPARE_WITH_TIMEOUT(upload.counter(), 101, 30000);
    QVERIFY(upload.isRunning());

    m_broker.stop();
    const QString cut
        = QStringLiteral("APP 上传未完成（与 MQTT 服务器的连接断开），停在 25856/102400 Byte");
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(cut), 20000);
    QCOMPARE(logLines().indexOf(cut), logLines().lastIndexOf(QStringLiteral("disconnected")) + 1);
    QVERIFY(!upload.isRunning());

    QVERIFY(m_broker.start());
    QTRY_COMPARE_WITH_TIMEOUT(logCount("subscribed kxota/up/v1/dev7"), 2, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(controller.subscriptions, 2, 60000);
    controller.holdAfterBlocks = 0;
    m_ui->pb_update->click();
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(QStringLiteral("APP 下载完成")), 60000);
    QCOMPARE(controller.image, bytes);
    QCOMPARE(logCount(cut), 1);
}

void tst_FirmwareWindow::configProblems_data()
{
    // "%1" stands for the settings file's path.
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("line");
    QTest::newRow("no file")
        << QByteArray() << "MQTT 错误：找不到配置文件 %1（其中须有 mqtt/hostname 和 mqtt/port）";
    QTest::newRow("no host") << QByteArray("[mqtt]\nport=1883\n")
                             << "MQTT 错误：配置文件 %1 缺少 mqtt/hostname";
    QTest::newRow("no port") << QByteArray("[mqtt]\nhostname=127.0.0.1\n")
                             << "MQTT 错误：配置文件 %1 缺少 mqtt/port";
    QTest::newRow("port not a number") << QByteArray("[mqtt]\nhostname=127.0.0.1\nport=18x3\n")
                                       << "MQTT 错误：配置文件 %1 中 mqtt/port 的值“18x3”无效";
    QTest::newRow("keep-alive not a number")
        << QByteArray("[mqtt]\nhostname=127.0.0.1\nport=1883\nkeepalive=-5\n")
        << "MQTT 错误：配置文件 %1 中 mqtt/keepalive 的值“-5”无效";
}

// A settings file that cannot give a broker is named with the key at fault, and no connection
// is tried with what it lacks.
void tst_FirmwareWindow::configProblems()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, line);
    const QString path = m_fixture.path("config.ini");
    if (!ini.isEmpty()) {
        QFile config(path);
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(ini);
    }
    QSignalSpy errors(m_window->updateBin()->mqttClient(), &QMQTT::Client::error);
    m_ui->button_MQTT->click();
    m_ui->devesn->setText("dev1");
    m_ui->pb_Connect->click();
    QCOMPARE(logLines(), QStringList(line.arg(QDir::toNativeSeparators(path))));
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_window->updateBin()->mqttClient()->isRetryPending());
    QCOMPARE(errors.count(), 0);
}

// A broker that comes up after the connect is found once it listens.
void tst_FirmwareWindow::brokerStartedAfterConnect()
{
    MosquittoBroker late;
    late.choosePort();
    writeConfig(late.port());
    m_ui->button_MQTT->click();
    m_ui->devesn->setText("dev1");
    m_ui->pb_Connect->click();
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains("disconnected"), 10000);
    QVERIFY(logLines().first().startsWith(QStringLiteral("MQTT 错误")));
    QVERIFY(late.start());
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains("subscribed kxota/up/v1/dev1"), 60000);
    QCOMPARE(logCount("connected"), 1);
}

// A language switch puts back the form's texts but keeps what the user entered.
void tst_FirmwareWindow::languageSwitchKeepsFields()
{
    m_ui->devesn->setText("dev9");
    m_ui->filepath->setText("/tmp/app.bin");
    m_ui->filepath_vexmar->setText("/tmp/os.bin");
    m_ui->version->setText("17");
    m_ui->version_vexmar->setText("18");
    m_ui->lineEdit_binpath->setText("/tmp/logger.bin");
    m_ui->action_English->trigger();
    QCOMPARE(m_ui->pb_update->text(), QStringLiteral("Update APP"));
    QCOMPARE(m_ui->devesn->text(), QStringLiteral("dev9"));
    QCOMPARE(m_ui->filepath->text(), QStringLiteral("/tmp/app.bin"));
    QCOMPARE(m_ui->filepath_vexmar->text(), QStringLiteral("/tmp/os.bin"));
    QCOMPARE(m_ui->version->text(), QStringLiteral("17"));
    QCOMPARE(m_ui->version_vexmar->text(), QStringLiteral("18"));
    QCOMPARE(m_ui->lineEdit_binpath->text(), QStringLiteral("/tmp/logger.bin"));
    m_ui->action_Chinese->trigger();
}

void tst_FirmwareWindow::imageFixedAtStart_data()
{
    QTest::addColumn<bool>("app");
    QTest::addColumn<bool>("removed");
    QTest::newRow("APP, file rewritten") << true << false;
    QTest::newRow("APP, file removed") << true << true;
    QTest::newRow("OS, file rewritten") << false << false;
    QTest::newRow("OS, file removed") << false << true;
}

// While the bar moves the user chooses another file and types into the path field, and the
// file on disk changes: the controller gets exactly the image of the start; the file controls
// and the menus that would open a dialog are locked until the upload has ended.
void tst_FirmwareWindow::imageFixedAtStart()
{
    QFETCH(bool, app);
    QFETCH(bool, removed);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->tabWidget->setCurrentWidget(m_ui->tab_2);

    ImageSwap swap(m_ui, app, app ? 262144 : 102400, *m_fixture.dir);
    QVERIFY(swap.ready);
    bool openProjectDuring = true;
    PausedInput input;
    swap.addTo(input, m_fixture.chooser.get(), removed);
    input.menuEntry([] { return true; }, m_ui->menubar, m_ui->menu_file, m_ui->action_openPro,
                    &openProjectDuring);
    input.start();
    (app ? m_ui->pb_update : m_ui->pb_update_vexmar)->click();
    const QString done = app ? QStringLiteral("APP 下载完成") : QStringLiteral("Vexmar 下载完成");
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(done), 60000);
    QVERIFY(input.done());

    swap.verifyRefused(m_fixture.chooser.get());
    QVERIFY(!openProjectDuring);
    QVERIFY(controller.image == swap.image);
    QVERIFY(m_ui->action_openPro->isEnabled());
}

// A controller that stops asking ends the upload after the page's own wait, which says where it
// stopped and frees the file controls.
void tst_FirmwareWindow::controllerGivesUp()
{
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, imageBytes(102400)));
    m_ui->filepath->setText(path);
    controller.holdAfterBlocks = 101;
    QElapsedTimer clock;
    m_ui->pb_update->click();
    const FirmwareUpload &upload = m_window->updateBin()->appUpload();
    QTRY_COMPARE_WITH_TIMEOUT(upload.counter(), 101, 30000);
    clock.start();
    QVERIFY(!m_ui->pb_openfile->isEnabled());
    const QString cut
        = QStringLiteral("APP 上传未完成（控制器不再请求数据），停在 25856/102400 Byte");
    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(cut), Update_Bin::mqttRequestWaitMs + 20000);
    QVERIFY2(clock.elapsed() >= Update_Bin::mqttRequestWaitMs - 1000,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!upload.isRunning());
    QVERIFY(m_ui->pb_openfile->isEnabled());
    QVERIFY(m_ui->filepath->isEnabled());
    QVERIFY(m_ui->action_openPro->isEnabled());
}

void tst_FirmwareWindow::quitDuringUpload_data()
{
    QTest::addColumn<int>("choice");
    QTest::newRow("stop") << 0;
    QTest::newRow("wait") << 1;
    QTest::newRow("stay") << 2;
}

// 退出 during an upload names it and offers to stop it or wait for it: a stopped upload says
// where it stopped before the program quits; a waited one completes first.
void tst_FirmwareWindow::quitDuringUpload()
{
    QFETCH(int, choice);
    QVERIFY(connectWithController());
    BrokerController &controller = *m_controller;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const QByteArray image = imageBytes(262144);
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, image));
    m_ui->filepath->setText(path);
    m_fixture.prompt->expectChoice(
        "确认退出",
        "“更新APP”正在进行。\n停止作业：已收到的数据完整保存，并告知停在何处，然后退出程序。\n"
        "等待：作业结束后退出程序。",
        {"停止作业并退出", "等待作业结束后退出", "取消"}, choice);
    if (choice == 0)
        m_fixture.prompt->expectStartingWith("information", "提示信息",
                                             "APP 上传未完成（退出程序前停止），停在 ");
    PausedInput input;
    input.menuEntry([this] { return m_ui->progressBar->value() >= 262144 / 4; }, m_ui->menubar,
                    m_ui->menu_file, m_ui->action_closeAPP);
    input.start();
    m_ui->pb_update->click();
    QTRY_VERIFY_WITH_TIMEOUT(input.done(), 60000);
    const FirmwareUpload &upload = m_window->updateBin()->appUpload();
    QTRY_VERIFY_WITH_TIMEOUT(!upload.isRunning(), 60000);
    QCOMPARE(m_fixture.prompt->pending(), 0);
    if (choice == 2) {
        QCoreApplication::sendPostedEvents();
        QCOMPARE(m_fixture.quits, 0);
        QCOMPARE(logLines().last(), QStringLiteral("APP 下载完成"));
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture.quits, 1, 10000);
    if (choice == 1) {
        QVERIFY(logLines().contains(QStringLiteral("“更新APP”结束后退出程序")));
        QCOMPARE(logLines().last(), QStringLiteral("APP 下载完成"));
        QVERIFY(controller.image == image);
        return;
    }
    QVERIFY(logLines().contains(QStringLiteral("正在停止“更新APP”，停止后退出程序")));
    const QString last = logLines().last();
    QCOMPARE(last, m_fixture.prompt->texts.last());
    QCOMPARE(last, QStringLiteral("APP 上传未完成（退出程序前停止），停在 %1/262144 Byte")
                       .arg(upload.sentBytes()));
    QVERIFY(upload.sentBytes() < 262144);
    QTRY_COMPARE_WITH_TIMEOUT(controller.image.size(), int(upload.sentBytes()), 10000);
    QVERIFY(controller.image == image.left(int(upload.sentBytes())));
}

void tst_FirmwareWindow::pressesDuringUploadRefused_data()
{
    QTest::addColumn<bool>("serialChosen");
    QTest::newRow("MQTT channel") << false;
    QTest::newRow("after choosing 串口通信, no serial link") << true;
}

// While an APP upload runs over MQTT, pressing 更新APP again, 更新OS, a reboot, the version or
// (on MQTT) 连接 sends the controller nothing and says which job runs; the upload keeps its
// channel and goes on to the last block, and the file controls stay locked until it has.
void tst_FirmwareWindow::pressesDuringUploadRefused()
{
    QFETCH(bool, serialChosen);
    writeConfig(m_broker.port());
    // The controller holds its answer to block 100 long enough for the presses to land while
    // the upload is under way, and well inside the page's wait for the next request.
    const int holdMs = 8000;
    QVERIFY(holdMs < Update_Bin::mqttRequestWaitMs);
    FwCtrlSimProcess controller;
    QVERIFY2(controller.startOnBroker(m_broker.port(), "dev7",
                                      {QStringLiteral("late=%1@101").arg(holdMs)}),
             qPrintable(controller.error()));
    QVERIFY(connectPage("dev7"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->tabWidget->setCurrentWidget(m_ui->tab_2);

    const qint64 size = 262144;
    const QByteArray image = imageBytes(size);
    const QString appPath = m_fixture.path("app.bin");
    const QString osPath = m_fixture.path("os.bin");
    QVERIFY(writeImage(appPath, image));
    QVERIFY(writeImage(osPath, imageBytes(1000)));
    m_ui->filepath->setText(appPath);
    m_ui->filepath_vexmar->setText(osPath);
    QTest::mouseClick(m_ui->pb_update, Qt::LeftButton);
    // The start packet and blocks 1 to 100 have reached the controller.
    QTRY_COMPARE_WITH_TIMEOUT(controller.packets().size(), 101, 30000);
    const FirmwareUpload &upload = m_window->updateBin()->appUpload();
    QVERIFY(upload.isRunning());
    QCOMPARE(upload.counter(), 100);

    QList<QPushButton *> presses{m_ui->pb_update, m_ui->pb_update_vexmar, m_ui->pb_reboot,
                                 m_ui->pb_reboot_vexmar, m_ui->pb_version};
    if (serialChosen)
        QTest::mouseClick(m_ui->button_Serial, Qt::LeftButton);
    else
        presses << m_ui->pb_Connect;
    QCOMPARE(m_ui->button_Serial->isChecked(), serialChosen);
    const QString refusal = QStringLiteral("“更新APP”正在进行，请等它结束后再操作");
    for (QPushButton *button : presses) {
        const int lines = logLines().size();
        m_window->statusBar()->clearMessage();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_window->statusBar()->currentMessage(), refusal);
        QCOMPARE(logLines().mid(lines), QStringList(refusal));
    }
    QVERIFY(upload.isRunning());
    QCOMPARE(upload.channel(), FirmwareChannel::Mqtt);
    QCOMPARE(upload.counter(), 100);
    QVERIFY(!m_ui->pb_openfile->isEnabled());
    QVERIFY(!m_ui->filepath->isEnabled());
    QVERIFY(!m_window->updateBin()->osUpload().isRunning());

    QTRY_VERIFY_WITH_TIMEOUT(logLines().contains(QStringLiteral("APP 下载完成")), 60000);
    QTRY_COMPARE_WITH_TIMEOUT(controller.firmware().size(), int(size), 10000);
    QVERIFY(controller.firmware() == image);
    // One start packet and each block once: nothing the presses sent reached the controller.
    const QStringList packets = controller.packets();
    QCOMPARE(packets.size(), 1 + int(size / 256));
    QCOMPARE(packets.filter(QRegularExpression("^\\d+ fw 465701")).size(), 1);
    QCOMPARE(packets.filter(QRegularExpression("^\\d+ fw 465702")).size(), int(size / 256));
    QCOMPARE(logLines().filter(QStringLiteral("未完成")).size(), 0);
    QCOMPARE(logLines().filter(QStringLiteral("APP process:")).size(), int(size / 256));
    QVERIFY(!upload.isRunning());
    QVERIFY(m_ui->pb_openfile->isEnabled());
}

// The window takes the page's MQTT client with it: the broker sees it go and its network thread
// ends with it.
void tst_FirmwareWindow::clientGoesWithTheWindow()
{
    writeConfig(m_broker.port());
    const int before = threadCount();
    QVERIFY(connectPage("dev1"));
    QPointer<QMQTT::Client> client = m_window->updateBin()->mqttClient();
    const QString id = client->clientId();
    const int connected = threadCount();
    QVERIFY2(connected > before, qPrintable(QStringLiteral("%1 %2").arg(before).arg(connected)));
    m_window = nullptr;
    m_ui = nullptr;
    m_fixture.window.reset();
    QVERIFY(client.isNull());
    QTRY_COMPARE_WITH_TIMEOUT(threadCount(), before, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(m_broker.log().contains("Client " + id + " disconnected"), 10000);
}

QTEST_MAIN(tst_FirmwareWindow)

#include "tst_firmwarewindow.moc"
