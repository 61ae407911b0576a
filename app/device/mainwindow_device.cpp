// The device pages' part of the main window: the serial device link with its exchanges, the
// data-logger commands and read-off, the Bluetooth module's link sequence, and the memory-image
// download.
#include "dialogsetlink.h"
#include "historybusy.h"
#include "mainwindow.h"
#include "recordreadoff.h"
#include "ui_mainwindow.h"
#include "update_bin.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDebug>
#include <QSerialPort>
#include <QStatusBar>

namespace {

// Large enough for a whole data-logger read-off without losing bytes.
const qint64 deviceReadBufferBytes = 64 * 1024 * 1024;
// A long device job lets the window repaint this often (ms): well inside the quarter second
// after which a window looks hung, and rare enough to cost the job next to nothing.
constexpr int paintEveryMs = 40;

// What the device holds after a download that ended past its start mark, on a line of its own
// after the failure; empty before the start mark, when the device keeps what it had.
QString downloadHoldsText(const LoggerImageDownload::Result &r, int imageBytes)
{
    QString holds;
    switch (r.marks) {
    case LoggerImageDownload::Marks::None:
        return QString();
    case LoggerImageDownload::Marks::Start:
        holds = QCoreApplication::translate(
            "MainWindow", "设备已收到开始标记，已写入 %1/%2 Byte，未收到结束标记");
        break;
    case LoggerImageDownload::Marks::FinishSent:
        holds = QCoreApplication::translate(
            "MainWindow", "设备已收到开始标记，已写入 %1/%2 Byte，结束标记未获确认");
        break;
    case LoggerImageDownload::Marks::Finish:
        holds = QCoreApplication::translate(
            "MainWindow", "设备已收到开始标记、%1/%2 Byte 和结束标记，关闭命令未获确认");
        break;
    }
    return QLatin1Char('\n') + holds.arg(r.sentBytes).arg(imageBytes);
}

} // namespace

// Holds the serial lock for one device operation started by a click, the device job of the
// button clicked. Another operation that runs the event loop (the download's pauses, a driver's
// connect) may let a second click in; that click is refused instead of freezing on the lock or
// closing the link under the first.
class MainWindow::DeviceOperation
{
public:
    DeviceOperation(MainWindow *window, const QAbstractButton *job)
        : m_window(window)
        , m_held(window->m_serialLock.tryLock())
    {
        if (!m_held) {
            window->showSerialBusy();
            return;
        }
        ++window->m_deviceOperations;
        window->m_deviceJobButton = job;
        window->deviceJobChanged();
    }
    ~DeviceOperation()
    {
        if (!m_held)
            return;
        --m_window->m_deviceOperations;
        m_window->m_serialLock.unlock();
        m_window->deviceJobChanged();
    }
    DeviceOperation(const DeviceOperation &) = delete;
    DeviceOperation &operator=(const DeviceOperation &) = delete;
    bool refused() const { return !m_held; }

private:
    MainWindow *m_window;
    bool m_held;
};

// Keeps the window painted and its clicks handled while a long device job runs on the GUI
// thread: the link's waits (every exchange starts with one) run the event loop now and then. The
// job holds the serial lock, so another device click is refused, not run inside it.
class MainWindow::KeepPainted
{
public:
    explicit KeepPainted(MainWindow *window)
        : m_window(window)
    {
        m_window->m_paintClock.start();
        m_window->m_deviceLink->setWaitHook([window] { window->keepWindowPainted(); });
    }
    ~KeepPainted()
    {
        if (m_window->m_deviceLink)
            m_window->m_deviceLink->setWaitHook({});
    }
    KeepPainted(const KeepPainted &) = delete;
    KeepPainted &operator=(const KeepPainted &) = delete;

private:
    MainWindow *m_window;
};

void MainWindow::keepWindowPainted()
{
    if (m_paintClock.isValid() && m_paintClock.elapsed() < paintEveryMs)
        return;
    QCoreApplication::processEvents();
    m_paintClock.start();
}

bool MainWindow::deviceJobRunning() const
{
    return serialJobRunning() || (m_updateBin && m_updateBin->uploadRunning());
}

bool MainWindow::serialJobRunning() const
{
    return m_deviceOperations > 0;
}

QString MainWindow::deviceJobName() const
{
    // The button's text as the form shows it now: the job is named in the language of the
    // moment, whichever was chosen when it began.
    if (serialJobRunning() || !m_updateBin)
        return m_deviceJobButton ? m_deviceJobButton->text() : QString();
    return m_updateBin->runningUploadName();
}

void MainWindow::initDeviceJobGate()
{
    // A job must store where it started and must not stand still behind a modal dialog: the
    // project, the history file and every dialog of the menus wait for its end. The exit stays.
    m_deviceJobGate = new QActionGroup(this);
    m_deviceJobGate->setExclusive(false);
    // Of the label table's menu: writing a value, importing and exporting, which open dialogs.
    const QList<QAction *> gated{
        ui->action_newPro,      ui->action_openPro,      ui->action_savePro,
        ui->action_SetLink,     ui->actionDatabase,      ui->action_permissionsSettings,
        ui->action_openMM,      ui->action_closeMM,      ui->action_Tray,
        m_trayEditAction,       m_labelActions.value(1), m_labelActions.value(3),
        m_labelActions.value(4)};
    for (QAction *action : gated) {
        if (action)
            m_deviceJobGate->addAction(action);
    }
    deviceJobChanged();
}

void MainWindow::deviceJobChanged()
{
    if (!ui || !m_deviceJobGate)
        return;
    const bool running = deviceJobRunning();
    m_deviceJobGate->setEnabled(!running);
    showDeviceFileControls();
    showReportButtons();
    // The boxes that fell due during a job on the serial link: from the event loop, once the
    // job's own slot has returned. None when the program quits after the job.
    if (!m_quitAfterDeviceJob)
        showPendingWarning();
    if (running == m_deviceJobShown)
        return;
    m_deviceJobShown = running;
    m_deviceStopRequested = false;
    if (running)
        return;
    if (!m_quitAfterDeviceJob)
        return;
    m_quitAfterDeviceJob = false;
    // From the event loop, once the job's own slot has returned.
    QMetaObject::invokeMethod(
        this, [this] { quitApplication(); }, Qt::QueuedConnection);
}

void MainWindow::showDeviceFileControls()
{
    const bool free = !deviceJobRunning();
    for (QWidget *w :
         {static_cast<QWidget *>(ui->pb_openfile), static_cast<QWidget *>(ui->pb_openfile_vexmar),
          static_cast<QWidget *>(ui->filepath), static_cast<QWidget *>(ui->filepath_vexmar)})
        w->setEnabled(free);
    // The data-logger image serves the serial channel only.
    const bool serial = !ui->button_MQTT->isChecked();
    ui->lineEdit_binpath->setEnabled(free && serial);
    ui->pushButton_openbinfile->setEnabled(free && serial);
}

void MainWindow::showDeviceNotice(const QString &text, int ms)
{
    if (ms >= 0) {
        m_deviceNotice = text;
        m_deviceNoticeMs = ms;
        m_deviceNoticeClock.start();
    }
    statusBar()->showMessage(text, 0);
    if (m_updateBin)
        m_updateBin->appendLog(text);
}

void MainWindow::showSerialBusy()
{
    showDeviceNotice(tr("串口正忙，请稍后再试"), deviceNoticeMs);
}

QString MainWindow::readOffProgressText(int batches) const
{
    QStringList parts{tr("正在读取设备数据：已读取%1批").arg(batches)};
    const QString quitNotice = quitAfterJobText();
    if (!quitNotice.isEmpty())
        parts << quitNotice;
    if (!m_deviceNotice.isEmpty() && m_deviceNoticeClock.isValid()
        && m_deviceNoticeClock.elapsed() < m_deviceNoticeMs)
        parts << m_deviceNotice;
    return parts.join(QStringLiteral("    "));
}

bool MainWindow::refuseDuringDeviceJob()
{
    if (!deviceJobRunning())
        return false;
    refuseForJob(deviceJobName());
    return true;
}

bool MainWindow::refuseDuringSerialJob()
{
    if (!serialJobRunning())
        return false;
    refuseForJob(deviceJobName());
    return true;
}

void MainWindow::refuseForJob(const QString &job)
{
    showDeviceNotice(tr("“%1”正在进行，请等它结束后再操作").arg(job), deviceNoticeMs);
}

QString MainWindow::quitAfterJobText() const
{
    // Made when shown, so that it follows a change of language.
    if (!m_quitAfterDeviceJob)
        return QString();
    if (m_deviceStopRequested)
        return tr("正在停止“%1”，停止后退出程序").arg(deviceJobName());
    return tr("“%1”结束后退出程序").arg(deviceJobName());
}

void MainWindow::askToQuitDuringDeviceJob()
{
    const int choice = prompt()->choose(
        this, tr("确认退出"),
        tr("“%1”正在进行。\n停止作业：已收到的数据完整保存，并告知停在何处，然后退出程序。\n"
           "等待：作业结束后退出程序。")
            .arg(deviceJobName()),
        {tr("停止作业并退出"), tr("等待作业结束后退出"), tr("取消")});
    if (choice != 0 && choice != 1) {
        // Staying withdraws a quit chosen before.
        m_quitAfterDeviceJob = false;
        return;
    }
    // An upload over MQTT may have ended while the question was open.
    if (!deviceJobRunning()) {
        quitApplication();
        return;
    }
    m_quitAfterDeviceJob = true;
    if (choice == 0)
        m_deviceStopRequested = true;
    showDeviceNotice(quitAfterJobText(), -1);
    if (choice == 0 && m_updateBin)
        m_updateBin->stopUploads();
}

void MainWindow::quitFromTray()
{
    if (deviceJobRunning())
        askToQuitDuringDeviceJob();
    else
        quitApplication();
}

void MainWindow::initDeviceLink()
{
    m_serialPort = new QSerialPort(this);
    m_serialPort->setReadBufferSize(deviceReadBufferBytes);
    m_deviceLink = std::make_unique<DeviceLink>(m_serialPort);
    m_deviceLink->setLossHandler([this] { onDeviceLinkLost(); });
    m_deviceClock = [] { return QDateTime::currentDateTime(); };
    m_atLink = std::make_unique<AtLinkSequence>(
        [this](const QString &command, int timeoutMs) {
            QByteArray reply;
            sendAtCommand(command, &reply, timeoutMs);
            return reply;
        },
        [this](const QByteArray &bytes) { m_deviceLink->write(bytes); },
        [this](int timeoutMs) { return m_deviceLink->readMore(deviceWaitMs(timeoutMs)); });
    m_imageDownload.setExchange([this](const QByteArray &frame, QByteArray *reply, int ms) {
        return sendFrame(frame, reply, ms, 0);
    });
    m_imageDownload.setPause([](int ms) { delayMs(ms); });
    m_imageDownload.setDropReply(
        [this](int silenceMs) { m_deviceLink->dropUntilSilence(deviceWaitMs(silenceMs)); });
    m_imageDownload.setProgress([this](int maximum) { ui->progressBar->setMaximum(maximum); },
                                [this](int value) { ui->progressBar->setValue(value); });
    m_imageDownload.setStopCheck([this] { return m_deviceStopRequested; });
}

void MainWindow::releaseDeviceLink()
{
    if (!m_serialPort)
        return;
    m_deviceLink.reset();
    m_serialPort->close();
    m_serialPort->deleteLater();
    m_serialPort = nullptr;
    m_deviceLinkOpen = false;
}

void MainWindow::setDeviceClock(DeviceClockFunction clock)
{
    m_deviceClock = std::move(clock);
}

void MainWindow::setDevicePause(PauseFunction pause)
{
    m_imageDownload.setPause(std::move(pause));
}

int MainWindow::deviceWaitMs(int timeoutMs) const
{
    return qMax(timeoutMs, m_deviceWaitFloorMs);
}

void MainWindow::openDeviceLink()
{
    const DeviceLinkSettings settings
        = parseDeviceLink(m_linkDialog ? m_linkDialog->linkString() : QString());
    switch (settings.status) {
    case DeviceLinkSettings::Empty:
    case DeviceLinkSettings::NoComma:
        // A network link string opens nothing here: the device tools speak serial only.
        prompt()->information(this, tr("提示信息"), tr("请设置连接参数：设置-通信设置"));
        return;
    case DeviceLinkSettings::Invalid:
        return;
    case DeviceLinkSettings::Ok:
        break;
    }
    if (!m_deviceLink->open(settings)) {
        prompt()->information(this, tr("提示信息"), tr("串口打开失败"));
        return;
    }
    m_deviceLinkOpen = true;
    m_deviceLinkLost = false;
    showDeviceLinkButtons();
    statusBar()->showMessage(tr("连接成功！"), 0);
}

void MainWindow::closeDeviceLink()
{
    m_deviceLink->close();
    m_deviceLinkOpen = false;
    showDeviceLinkButtons();
    // After the line went away its message stays: the job that ends now closed nothing.
    if (!m_deviceLinkLost)
        statusBar()->showMessage(tr("断开成功！"), 0);
}

void MainWindow::onDeviceLinkLost()
{
    m_deviceLinkOpen = false;
    m_deviceLinkLost = true;
    showDeviceLinkButtons();
    const QString text = tr("串口连接已断开：%1").arg(m_serialPort->portName());
    statusBar()->showMessage(text, 0);
    if (m_updateBin)
        m_updateBin->appendLog(text);
}

void MainWindow::showDeviceLinkButtons()
{
    // With the MQTT channel chosen the two buttons serve the broker's link.
    if (ui->button_MQTT->isChecked())
        return;
    ui->pb_Connect->setEnabled(!m_deviceLinkOpen);
    ui->pb_Disconnect->setEnabled(m_deviceLinkOpen);
}

bool MainWindow::isDeviceLinkOpen() const
{
    return m_deviceLinkOpen;
}

int MainWindow::sendFrame(QByteArray frame, QByteArray *reply, int timeoutMs, int mode)
{
    // Mode 1: the firmware page's serial dialogue, whose replies go to the page's handler.
    if (mode == 1)
        return m_updateBin->runSerialExchange(frame, deviceWaitMs(timeoutMs));
    return exchangeReply(frame, reply, timeoutMs, [&frame](const QByteArray &received) {
        return DataLoggerProtocol::replyBytes(frame, received);
    });
}

int MainWindow::sendAtCommand(const QString &command, QByteArray *reply, int timeoutMs)
{
    return exchangeReply(command.toUtf8(), reply, timeoutMs, AtLinkSequence::replyBytes);
}

int MainWindow::exchangeReply(const QByteArray &frame, QByteArray *reply, int timeoutMs,
                              const DeviceLink::ReplyLength &replyLength)
{
    // The clearing and the first closing command wait long for the device to start answering;
    // once it does, the reply comes at the line's pace.
    const int pieceMs = qMin(timeoutMs, DataLoggerProtocol::replyTimeoutMs);
    return m_deviceLink->exchange(frame, reply, deviceWaitMs(timeoutMs), replyLength,
                                  deviceWaitMs(pieceMs));
}

void MainWindow::on_pushButton_COM_ClearFlashData_clicked()
{
    runLoggerCommand(ui->pushButton_COM_ClearFlashData, DataLoggerProtocol::clearFlashFrame(),
                     DataLoggerProtocol::clearFlashTimeoutMs, DataLoggerProtocol::clearFlashText);
}

void MainWindow::on_pushButton_COM_CheckTime_clicked()
{
    runLoggerCommand(ui->pushButton_COM_CheckTime,
                     DataLoggerProtocol::setClockFrame(m_deviceClock()),
                     DataLoggerProtocol::replyTimeoutMs, DataLoggerProtocol::setClockText);
}

void MainWindow::runLoggerCommand(const QAbstractButton *job, const QByteArray &frame,
                                  int timeoutMs, QString (*replyText)(const QByteArray &))
{
    // One exchange: a stop asked meanwhile takes effect when it ends.
    DeviceOperation operation(this, job);
    if (operation.refused())
        return;
    openDeviceLink();
    if (!m_deviceLinkOpen)
        return;
    QByteArray reply;
    {
        // Clearing the flash may take its 20 s.
        KeepPainted painted(this);
        sendFrame(frame, &reply, timeoutMs, 0);
    }
    prompt()->information(this, tr("提示信息"), replyText(reply));
    closeDeviceLink();
}

void MainWindow::on_pushButton_COM_ClearDatabaseData_clicked()
{
    // Needs no link: it empties the local history of every project. Not while a read-off
    // writes into it.
    DeviceOperation operation(this, ui->pushButton_COM_ClearDatabaseData);
    if (operation.refused())
        return;
    const bool deleted = historyDatabase()->openDatabase(m_dbFileName)
                         && historyDatabase()->deleteRecord(QStringLiteral("data"), QString());
    statusBar()->showMessage(deleted ? tr("删除成功") : tr("删除失败"), 0);
}

void MainWindow::on_pushButton_COM_ReadOff_clicked()
{
    startReadOff(DataLoggerProtocol::Wording::Serial);
}

void MainWindow::on_pushButton_B_RecData_clicked()
{
    startReadOff(DataLoggerProtocol::Wording::Bluetooth);
}

// Left without a task: the data-logger page's clear buttons of the Bluetooth group do nothing.
void MainWindow::on_pushButton_B_ClearDBData_clicked() {}
void MainWindow::on_pushButton_B_ClearFlashData_clicked() {}

void MainWindow::on_pushButton_B_Link_clicked()
{
    DeviceOperation operation(this, ui->pushButton_B_Link);
    if (operation.refused())
        return;
    // The module sits on the device link as it stands: the link is neither opened nor closed
    // here, and the Bluetooth port list is not read.
    m_atLink->start();
}

void MainWindow::RecSol(QString messages)
{
    m_atLink->recSol(messages);
}

void MainWindow::startReadOff(DataLoggerProtocol::Wording wording)
{
    const bool serial = wording == DataLoggerProtocol::Wording::Serial;
    DeviceOperation operation(this, serial ? ui->pushButton_COM_ReadOff : ui->pushButton_B_RecData);
    if (operation.refused())
        return;
    // Without a project row the rows would belong to no project.
    if (m_projectId < 0) {
        prompt()->information(this, tr("提示信息"), tr("数据库无相关ID或数据"));
        return;
    }
    openDeviceLink();
    if (!m_deviceLinkOpen)
        return;
    QString openError;
    const QMetaObject::Connection told
        = connect(historyDatabase(), &SQLiteHandler::errorOccurred, this,
                  [&openError](const QString &error) { openError = error; });
    // Without a wait here: a file another program holds is waited for by the read-off, which
    // opens it again with the window painted between its tries.
    const bool opened = historyDatabase()->openDatabase(m_dbFileName, 0);
    disconnect(told);
    if (!opened && !HistoryBusyWait::isBusy(openError)) {
        // Nothing read yet: the read-off says why it did not begin.
        RecordReadOff::Result refused;
        refused.outcome = RecordReadOff::Outcome::FileRefused;
        refused.fileError = openError;
        prompt()->information(this, tr("提示信息"),
                              RecordReadOff::endText(wording, refused, QString()));
        closeDeviceLink();
        return;
    }
    if (serial && !prompt()->question(this, tr("读取数据"), tr("读取数据请等待"))) {
        closeDeviceLink();
        return;
    }
    readDeviceRecords(0, wording);
    closeDeviceLink();
}

void MainWindow::readDeviceRecords(quint32 index, DataLoggerProtocol::Wording wording)
{
    // The rows go into the file and under the project of the start, on a handler of their own:
    // whatever the window opens meanwhile cannot move them.
    const int projectId = m_projectId;
    const QString file = m_dbFileName;
    // The retention as it stands at the start is what the end text counts against.
    const int retentionDays = HistoryTrim::retentionDays(ui->clearDays->currentIndex());
    const QString retention = ui->clearDays->currentText();
    QString openError;
    SQLiteHandler store;
    connect(&store, &SQLiteHandler::errorOccurred, this, [&openError](const QString &error) {
        openError = error;
        qWarning() << "history database:" << error;
    });
    RecordReadOff readOff(
        [this](const QByteArray &frame, QByteArray *reply) {
            const int result = sendFrame(frame, reply, DataLoggerProtocol::replyTimeoutMs, 0);
            // A line that went away closes the port during the exchange.
            return m_deviceLink->isOpen() ? result : RecordReadOff::linkLost;
        },
        &store);
    readOff.setOpener([&](QString *error) {
        // A try waits one slice for a file another program holds, not SQLite's 5 s per
        // statement with the window standing still.
        openError.clear();
        const bool opened = store.openDatabase(file, RecordReadOff::fileSliceMs);
        *error = openError;
        return opened;
    });
    readOff.setProgress(
        [this](int batches) { statusBar()->showMessage(readOffProgressText(batches), 0); });
    readOff.setStopCheck([this] { return m_deviceStopRequested; });
    // Between the tries at a held file the window is painted and its input handled as during
    // the job's exchanges. What can run then cannot change what the read-off depends on: the
    // project, the file and every dialog wait for the job's end (the job gate), the other
    // device buttons and 清除本地数据库 are refused by the serial lock, housekeeping waits for
    // the job's end; monitoring stores its own samples between the read-off's transactions.
    readOff.setFileWaitHook([this] { keepWindowPainted(); });
    readOff.setAgeCutoff(HistoryTrim::retentionCutoff(QDateTime::currentDateTime(), retentionDays));
    const RecordReadOff::Result result = [&] {
        KeepPainted painted(this);
        return readOff.run(index, projectId);
    }();
    prompt()->information(this, tr("提示信息"), RecordReadOff::endText(wording, result, retention));
}

void MainWindow::on_pushButton_openbinfile_clicked()
{
    const QString path = fileChooser()->openFileName(nullptr, QStringLiteral("update bin"),
                                                     QString(), tr("bin Files (*.bin)"));
    if (path.isEmpty())
        return;
    ui->lineEdit_binpath->setText(path);
    ui->progressBar->setMinimum(0);
    ui->progressBar->setValue(0);
}

void MainWindow::on_pushButton_bindownload_clicked()
{
    DeviceOperation operation(this, ui->pushButton_bindownload);
    if (operation.refused() || !m_deviceLinkOpen)
        return;
    const LoggerImageDownload::Result r = [this] {
        KeepPainted painted(this);
        return m_imageDownload.run(ui->lineEdit_binpath->text());
    }();
    const int size = m_imageDownload.imageSize();
    switch (r.outcome) {
    case LoggerImageDownload::Outcome::Done:
        prompt()->information(this, tr("提示信息"), tr("下载完成"));
        break;
    case LoggerImageDownload::Outcome::Failed:
        prompt()->information(this, tr("提示信息"),
                              tr("下载失败") + QStringLiteral(":%1").arg(r.code)
                                  + downloadHoldsText(r, size));
        break;
    case LoggerImageDownload::Outcome::ClosingFailed:
        prompt()->information(this, tr("提示信息"), tr("下载失败") + downloadHoldsText(r, size));
        break;
    case LoggerImageDownload::Outcome::Unreadable:
        prompt()->information(this, tr("提示信息"), tr("下载失败"));
        break;
    case LoggerImageDownload::Outcome::SizeError:
        prompt()->information(this, tr("提示信息"), tr("文件大小错误"));
        break;
    case LoggerImageDownload::Outcome::Halted:
        prompt()->information(
            this, tr("提示信息"),
            tr("下载已停止：已写入 %1/%2 Byte，设备未收到结束标记").arg(r.sentBytes).arg(size));
        break;
    }
}

int MainWindow::buildFirmwareFrame(quint8 area, int offset, int length, QByteArray data)
{
    return m_imageDownload.writeArea(area, offset, length, data);
}

int MainWindow::buildFirmwareReadFrame(quint8 area, int offset, int length, QByteArray &out)
{
    return m_imageDownload.readArea(area, offset, length, out);
}

int MainWindow::sendFirmwarePacket(int command)
{
    return m_imageDownload.controlBlock(command);
}

bool MainWindow::runSerialOperation(const QAbstractButton *job,
                                    const std::function<void()> &operation)
{
    DeviceOperation held(this, job);
    if (held.refused())
        return false;
    operation();
    return true;
}

// The firmware page's channel: the device id serves MQTT, the data-logger image the serial link.
void MainWindow::on_button_MQTT_clicked()
{
    ui->devesn->setEnabled(true);
    ui->pushButton_bindownload->setEnabled(false);
    showDeviceFileControls();
}

void MainWindow::on_button_Serial_clicked()
{
    ui->devesn->setEnabled(false);
    ui->pushButton_bindownload->setEnabled(true);
    showDeviceFileControls();
    showDeviceLinkButtons();
}
