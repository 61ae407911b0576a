// The firmware page over the serial link, against the controller side of the device simulator
// and against the firmware-controller simulator, each on a socat pty, at the page's own waits:
// whole uploads in one firmware exchange, the controller's faults and late answers, a window
// that stays painted through a long upload, reboot and version packets, connect and disconnect
// around a data-logger command, the serial lock and a link not connected; an image that stays
// what it was at the start whatever the user or the disk does meanwhile, and a quit that stops
// an upload.
#include "dialogsetlink.h"
#include "firmwaretesting.h"
#include "fwctrlsimprocess.h"
#include "fwpacket.h"
#include "imageswap.h"
#include "loggersimprocess.h"
#include "mainwindow.h"
#include "threadclock.h"
#include "ui_mainwindow.h"
#include "update_bin.h"
#include "windowfixture.h"

#include <QStatusBar>
#include <QtTest>

namespace {

QString unfinished(qint64 sent, qint64 size)
{
    return QStringLiteral("APP 上传未完成（控制器不再请求数据），停在 %1/%2 Byte")
        .arg(sent)
        .arg(size);
}

// Records when a widget is painted and what the upload bar shows then, and the gaps between
// the paints while gaps runs.
class PaintRecorder : public QObject
{
public:
    PaintRecorder(QWidget *widget, QProgressBar *bar)
        : m_bar(bar)
    {
        widget->installEventFilter(this);
        clock.start();
    }
    QElapsedTimer clock;
    QList<qint64> times;
    QList<int> values;
    EventLoopGaps gaps;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            times << clock.elapsed();
            values << m_bar->value();
            gaps.tick();
        }
        return false;
    }

private:
    QProgressBar *m_bar;
};

} // namespace

class tst_FirmwareSerial : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void upload_data();
    void upload();
    void lateStartAnswersNoOtherClick();
    void lineLostDuringUpload();
    void windowPaintedDuringUpload();
    void imageFixedAtStart_data();
    void imageFixedAtStart();
    void quitStopsUpload();
    void rebootAndVersion();
    void connectAroundLoggerCommand();
    void lockRefusal();
    void linkNotConnected_data();
    void linkNotConnected();

private:
    // The device simulator with these faults, and the window with its link string on the pty.
    bool start(const QStringList &faults = {});
    // The same with the firmware-controller simulator.
    bool startController(const QStringList &faults = {});
    bool openWindowOn(const QString &portName);
    QStringList logLines() const
    {
        return m_ui->textBrowser->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    // The FW packets the simulator in use received, in order.
    QStringList fwRequests() const
    {
        return m_onController ? m_controller.packets()
                              : m_sim.requests().filter(QStringLiteral(" fw "));
    }
    QByteArray firmware() const
    {
        return m_onController ? m_controller.firmware() : m_sim.firmware();
    }

    LoggerSimProcess m_sim;
    FwCtrlSimProcess m_controller;
    bool m_onController = false;
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
    m_controller.stop();
}

bool tst_FirmwareSerial::start(const QStringList &faults)
{
    QStringList args;
    for (const QString &fault : faults)
        args << QStringLiteral("--fault") << fault;
    m_onController = false;
    if (!m_sim.start(args)) {
        qWarning() << m_sim.error();
        return false;
    }
    return openWindowOn(m_sim.portName());
}

bool tst_FirmwareSerial::startController(const QStringList &faults)
{
    m_onController = true;
    if (!m_controller.start(faults)) {
        qWarning() << m_controller.error();
        return false;
    }
    return openWindowOn(m_controller.portName());
}

bool tst_FirmwareSerial::openWindowOn(const QString &portName)
{
    m_fixture.ports = QStringList(portName);
    m_window = m_fixture.create();
    m_ui = m_window->form();
    m_window->linkDialog()->linkParameter(portName + ",115200,8,1,N");
    return m_window->linkDialog()->linkString().startsWith(portName);
}

void tst_FirmwareSerial::upload_data()
{
    QTest::addColumn<bool>("onController");
    QTest::addColumn<bool>("app");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QStringList>("faults");
    // Blocks answered (-1: all) and the last lines of the log.
    QTest::addColumn<int>("blocksSent");
    QTest::addColumn<QStringList>("lastLines");
    const QStringList appDone{QStringLiteral("APP 下载完成")};
    const qint64 size = 102400;
    // The device simulator numbers every frame; request 1 is the start packet.
    QTest::newRow("APP 102,400") << false << true << size << QStringList() << -1 << appDone;
    QTest::newRow("OS 1,000") << false << false << qint64(1000) << QStringList() << -1
                              << QStringList(QStringLiteral("Vexmar 下载完成"));
    QTest::newRow("request split over two reads")
        << false << true << size << QStringList{"split=3@2", "split=5@40"} << -1 << appDone;
    QTest::newRow("a version reply in the same read")
        << false << true << size << QStringList{"pair@5"} << -1 << appDone;
    QTest::newRow("controller silent after block 3")
        << false << true << size << QStringList{"silence@4"} << 3
        << QStringList{QStringLiteral("APP process:768/102400 Byte"), unfinished(768, size)};
    QTest::newRow("wrong CRC on the request after block 2")
        << false << true << size << QStringList{"crc@3"} << 2
        << QStringList{QStringLiteral("FW crc 错误"), unfinished(512, size)};
    QTest::newRow("block 3 asked for again")
        << false << true << size << QStringList{"repeat@4"} << 3
        << QStringList{QStringLiteral("APP返回包不连续"), unfinished(768, size)};
    QTest::newRow("block 5 skipped")
        << false << true << size << QStringList{"skip@4"} << 3
        << QStringList{QStringLiteral("APP返回包不连续"), unfinished(768, size)};
    // The controller erases its flash before it asks for the first block.
    QTest::newRow("start answered 500 ms late")
        << true << true << size << QStringList{"late=500@1"} << -1 << appDone;
    QTest::newRow("a stray byte before the request after block 2")
        << true << true << size << QStringList{"stray=1@3"} << -1 << appDone;
    // Past the 200 ms a block request may take, the upload ends and says where.
    QTest::newRow("request after block 4 late")
        << true << true << size << QStringList{"late=500@5"} << 4
        << QStringList{QStringLiteral("APP process:1024/102400 Byte"), unfinished(1024, size)};
}

// One click carries the whole upload: every request the controller sends in the exchange is
// handed to the page once and answered on the link, until the controller is silent.
void tst_FirmwareSerial::upload()
{
    QFETCH(bool, onController);
    QFETCH(bool, app);
    QFETCH(qint64, size);
    QFETCH(QStringList, faults);
    QFETCH(int, blocksSent);
    QFETCH(QStringList, lastLines);
    QVERIFY(onController ? startController(faults) : start(faults));
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
    QCOMPARE(lines.mid(lines.size() - lastLines.size()), lastLines);
    QCOMPARE(lines.filter(name + " process:").size(), blocks);
    QCOMPARE(lines.filter(QStringLiteral("不连续")).size(),
             lastLines.join(' ').contains("不连续") ? 1 : 0);
    if (faults.join(' ').contains("pair"))
        QCOMPARE(lines.filter(QStringLiteral("loggersim 1.0")).size(), 1);
    // The stray byte is shown as text; the request behind it was answered.
    if (faults.join(' ').contains("stray"))
        QCOMPARE(lines.filter(QRegularExpression("^U$")).size(), 1);
    const FirmwareUpload &upload
        = app ? m_window->updateBin()->appUpload() : m_window->updateBin()->osUpload();
    QCOMPARE(upload.counter(), blocks);
    QVERIFY(!upload.isRunning());
    QCOMPARE(qint64((app ? m_ui->progressBar : m_ui->progressBar_vexmar)->value()),
             qMin<qint64>(size, blocks * 256));
    // The start packet and one packet per block, nothing sent twice.
    QTRY_COMPARE_WITH_TIMEOUT(fwRequests().size(), 1 + blocks, 5000);
    if (blocksSent < 0)
        QCOMPARE(firmware(), bytes);
}

// A controller that answers the start packet only after the page stopped waiting: the click
// says the upload did not begin, and the late request, waiting on the line at the next click,
// is dropped instead of running the upload inside it.
void tst_FirmwareSerial::lateStartAnswersNoOtherClick()
{
    const int lateMs = FirmwareSerialExchange::startReplyMs + 600;
    QVERIFY(startController({QStringLiteral("late=%1@1").arg(lateMs)}));
    m_ui->pb_Connect->click();
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, imageBytes(102400)));
    m_ui->filepath->setText(path);
    QElapsedTimer clock;
    clock.start();
    m_ui->pb_update->click();
    QVERIFY2(clock.elapsed() >= FirmwareSerialExchange::startReplyMs,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(logLines().last(), unfinished(0, 102400));
    QTRY_COMPARE_WITH_TIMEOUT(m_controller.replies().size(), 1, 10000);

    m_ui->pb_version->click();
    QCOMPARE(logLines().last(), QStringLiteral("fwctrlsim 1.0"));
    QVERIFY(logLines().filter(QStringLiteral("process:")).isEmpty());
    QCOMPARE(m_window->updateBin()->appUpload().counter(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(fwRequests().size(), 2, 5000);
    QVERIFY(fwRequests().at(1).endsWith(QByteArray("465708afe3")));
}

// The line going away while the page waits for the first request ends the upload at once,
// saying so, instead of waiting out the erase on a line that answers every wait with an error.
void tst_FirmwareSerial::lineLostDuringUpload()
{
    QVERIFY(startController({QStringLiteral("late=3000@1")}));
    m_ui->pb_Connect->click();
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, imageBytes(102400)));
    m_ui->filepath->setText(path);
    QTimer::singleShot(300, this, [this] { m_controller.stop(); });
    QElapsedTimer clock;
    clock.start();
    m_ui->pb_update->click();
    QVERIFY2(clock.elapsed() < FirmwareSerialExchange::startReplyMs,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(logLines().last(),
             QStringLiteral("APP 上传未完成（串口连接断开），停在 0/102400 Byte"));
    QVERIFY(!m_window->updateBin()->appUpload().isRunning());
}

// A 1 MiB upload runs long: the window is painted all through it with the bar moving, and the
// other device buttons are refused while it holds the serial link, the page's own because the
// upload runs.
void tst_FirmwareSerial::windowPaintedDuringUpload()
{
    QVERIFY(startController());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->tabWidget->setCurrentWidget(m_ui->tab_2);
    m_ui->pb_Connect->click();
    const qint64 size = 1024 * 1024;
    const QByteArray bytes = imageBytes(size);
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, bytes));
    m_ui->filepath->setText(path);
    QTest::qWait(0);

    // The log's viewport is painted only when the event loop runs, unlike the bar, which
    // repaints at once on a change.
    PaintRecorder paints(m_ui->textBrowser->viewport(), m_ui->progressBar);
    QStringList refusals;
    QTimer poke;
    poke.setInterval(20);
    connect(&poke, &QTimer::timeout, this, [&] {
        // Something to paint at every turn of the event loop, also while the line is quiet.
        m_ui->textBrowser->viewport()->update();
        if (!refusals.isEmpty() || m_ui->progressBar->value() == 0)
            return;
        for (QPushButton *button : {m_ui->pushButton_COM_CheckTime, m_ui->pb_version}) {
            m_window->statusBar()->clearMessage();
            button->click();
            refusals << m_window->statusBar()->currentMessage();
        }
    });
    poke.start();
    const qint64 clicked = paints.clock.elapsed();
    paints.gaps.start();
    m_ui->pb_update->click();
    paints.gaps.stop();
    const qint64 ended = paints.clock.elapsed();
    poke.stop();

    QCOMPARE(logLines().last(), QStringLiteral("APP 下载完成"));
    QTRY_COMPARE_WITH_TIMEOUT(firmware(), bytes, 10000);
    QCOMPARE(refusals, QStringList({QStringLiteral("串口正忙，请稍后再试"),
                                    QStringLiteral("“更新APP”正在进行，请等它结束后再操作")}));
    QCOMPARE(fwRequests().filter(QStringLiteral("465708afe3")).size(), 0);

    // Paints from the click to the end of the upload, none more than 250 ms of the upload's
    // own time after the last (a wait for a CPU on a busy machine is not the upload's).
    QList<int> shown;
    for (int k = 0; k < paints.times.size(); ++k) {
        if (paints.times.at(k) >= clicked && paints.times.at(k) <= ended)
            shown << paints.values.at(k);
    }
    qInfo("upload %lld ms, %d paints, %s", ended - clicked, paints.gaps.gaps() - 1,
          qPrintable(paints.gaps.describe()));
    QVERIFY2(paints.gaps.longestMs() <= 250, qPrintable(paints.gaps.describe()));
    // The bar moved between the paints.
    QVERIFY(std::is_sorted(shown.begin(), shown.end()));
    QVERIFY(QSet<int>(shown.begin(), shown.end()).size() >= 3);
}

void tst_FirmwareSerial::imageFixedAtStart_data()
{
    QTest::addColumn<bool>("app");
    QTest::addColumn<QString>("onDisk");
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("APP, file rewritten") << true << "rewritten" << QStringList();
    QTest::newRow("APP, file removed") << true << "removed" << QStringList();
    QTest::newRow("OS, file rewritten") << false << "rewritten" << QStringList();
    QTest::newRow("OS, file removed") << false << "removed" << QStringList();
    // The lock ends with the upload, also when the controller gives up on it.
    QTest::newRow("APP, controller silent after block 600")
        << true << "rewritten" << QStringList{"silence@601"};
}

// While the bar moves the user chooses another file, types into the path field and the file
// on disk is rewritten or removed: the controller holds exactly the image that was there at the
// start, and the file controls, locked meanwhile, are free again once the upload has ended.
void tst_FirmwareSerial::imageFixedAtStart()
{
    QFETCH(bool, app);
    QFETCH(QString, onDisk);
    QFETCH(QStringList, faults);
    QVERIFY(startController(faults));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->tabWidget->setCurrentWidget(m_ui->tab_2);
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());

    ImageSwap swap(m_ui, app, app ? 262144 : 102400, *m_fixture.dir);
    QVERIFY(swap.ready);
    PausedInput input;
    swap.addTo(input, m_fixture.chooser.get(), onDisk == QLatin1String("removed"));
    input.start();
    (app ? m_ui->pb_update : m_ui->pb_update_vexmar)->click();
    QVERIFY(input.done());
    swap.verifyRefused(m_fixture.chooser.get());
    if (QTest::currentTestFailed())
        return;
    const qint64 size = swap.size;
    const QByteArray &image = swap.image;
    const QString name = app ? QStringLiteral("APP") : QStringLiteral("Vexmar");
    if (faults.isEmpty()) {
        QCOMPARE(logLines().last(), name + QStringLiteral(" 下载完成"));
        QTRY_COMPARE_WITH_TIMEOUT(firmware().size(), int(size), 10000);
        QVERIFY(firmware() == image);
        return;
    }
    QCOMPARE(logLines().last(), unfinished(600 * 256, size));
    // The blocks the controller took are the start's image, block by block.
    const QStringList packets = fwRequests();
    QCOMPARE(packets.size(), 1 + 600);
    for (int k = 1; k <= 600; ++k) {
        const QByteArray packet = QByteArray::fromHex(packets.at(k).section(' ', 2).toLatin1());
        QCOMPARE(packet.mid(5, 256), image.mid((k - 1) * 256, 256));
    }
}

// 退出 during a serial upload, answered with a stop: the dialogue ends at its next turn, the
// page says where the upload stopped, in its log and in a box, and the program quits; the
// controller got nothing after that block.
void tst_FirmwareSerial::quitStopsUpload()
{
    QVERIFY(startController());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->pb_Connect->click();
    // Long enough for the steps of a menu between two of the dialogue's pauses.
    const qint64 size = 1024 * 1024;
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, imageBytes(size)));
    m_ui->filepath->setText(path);
    m_fixture.prompt->expectChoice(
        "确认退出",
        "“更新APP”正在进行。\n停止作业：已收到的数据完整保存，并告知停在何处，然后退出程序。\n"
        "等待：作业结束后退出程序。",
        {"停止作业并退出", "等待作业结束后退出", "取消"}, 0);
    m_fixture.prompt->expectStartingWith("information", "提示信息",
                                         "APP 上传未完成（退出程序前停止），停在 ");
    PausedInput input;
    input.menuEntry([this, size] { return m_ui->progressBar->value() >= size / 8; }, m_ui->menubar,
                    m_ui->menu_file, m_ui->action_closeAPP);
    input.start();
    m_ui->pb_update->click();
    QVERIFY(input.done());
    QCOMPARE(m_fixture.prompt->pending(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture.quits, 1, 10000);

    const FirmwareUpload &upload = m_window->updateBin()->appUpload();
    QVERIFY(!upload.isRunning());
    const qint64 sent = upload.sentBytes();
    QVERIFY2(sent >= size / 8 && sent < size, qPrintable(QString::number(sent)));
    const QString said
        = QStringLiteral("APP 上传未完成（退出程序前停止），停在 %1/%2 Byte").arg(sent).arg(size);
    QCOMPARE(m_fixture.prompt->texts.last(), said);
    QCOMPARE(logLines().last(), said);
    QVERIFY(logLines().contains(QStringLiteral("正在停止“更新APP”，停止后退出程序")));
    // The start packet and one packet per block sent.
    QTRY_COMPARE_WITH_TIMEOUT(fwRequests().size(), 1 + int(sent / 256), 5000);
    QVERIFY(m_ui->pb_openfile->isEnabled());
}

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
    // The refusals stay readable in the page's log.
    const QString busy = QStringLiteral("串口正忙，请稍后再试");
    QCOMPARE(logLines(), QStringList({busy, busy}));
    QVERIFY(fwRequests().isEmpty());
    m_ui->pb_version->click();
    QCOMPARE(logLines(), QStringList({busy, busy, "loggersim 1.0"}));
}

void tst_FirmwareSerial::linkNotConnected_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("更新APP") << "pb_update";
    QTest::newRow("更新OS") << "pb_update_vexmar";
    QTest::newRow("APP reboot") << "pb_reboot";
    QTest::newRow("OS reboot") << "pb_reboot_vexmar";
    QTest::newRow("version") << "pb_version";
}

// On the serial channel with the link not connected, a press of the page says so and sends
// nothing; no upload begins, so the file controls stay free.
void tst_FirmwareSerial::linkNotConnected()
{
    QFETCH(QString, button);
    QVERIFY(startController());
    QVERIFY(m_ui->button_Serial->isChecked());
    QVERIFY(!m_window->isDeviceLinkOpen());
    const QString path = m_fixture.path("image.bin");
    QVERIFY(writeImage(path, imageBytes(102400)));
    m_ui->filepath->setText(path);
    m_ui->filepath_vexmar->setText(path);
    m_window->statusBar()->clearMessage();
    m_window->findChild<QPushButton *>(button)->click();
    const QString said = QStringLiteral("串口未连接，请先点击“连接”");
    QCOMPARE(logLines(), QStringList(said));
    QCOMPARE(m_window->statusBar()->currentMessage(), said);
    QVERIFY(!m_window->updateBin()->uploadRunning());
    QVERIFY(m_ui->pb_openfile->isEnabled());
    QVERIFY(m_ui->pb_openfile_vexmar->isEnabled());
    QCOMPARE(m_ui->progressBar->value(), 0);
    QCOMPARE(m_ui->progressBar_vexmar->value(), 0);
    // Once connected, the same press reaches the controller.
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QVERIFY(fwRequests().isEmpty());
    m_window->findChild<QPushButton *>(button)->click();
    QTRY_VERIFY_WITH_TIMEOUT(!fwRequests().isEmpty(), 5000);
}

QTEST_MAIN(tst_FirmwareSerial)

#include "tst_firmwareserial.moc"
