// Monitoring: the driver binding, start, the polling tick, the stop sequence, the value
// conversion and writing a value to a label.
#include "dialogsetlink.h"
#include "dialogwritelabel.h"
#include "drivebaseclass.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QBrush>
#include <QDebug>
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>

namespace {

// The list key of the read list in every induction call.
const QString readListKey = QStringLiteral("1");
// The label whose value text the window title shows.
const QString deviceLabel = QStringLiteral("LW110");

constexpr int housekeepingIntervalMs = 30000;
constexpr int blockPauseMs = 100;
constexpr int stopWaitMs = 1000;
constexpr int stopRowPauseMs = 10;

QBrush brushOf(const MonitorLogic::CellColour &c)
{
    return QBrush(QColor(c.red, c.green, c.blue), Qt::SolidPattern);
}

} // namespace

void MainWindow::initMonitoring()
{
    m_pause = [](int ms) { delayMs(ms); };
    connect(m_monitorTimer, &QTimer::timeout, this, &MainWindow::onMonitorTimeout);
    // One timer for every run, so that restarts leave none behind.
    m_housekeepingTimer = new QTimer(this);
    m_housekeepingTimer->setInterval(housekeepingIntervalMs);
    connect(m_housekeepingTimer, &QTimer::timeout, this, &MainWindow::historyHousekeepingDue);

    m_writeDialog = new DialogWriteLabel(prompt(), this);
    connect(m_writeDialog, &DialogWriteLabel::Closed, this, &MainWindow::onDialogClosed);
    connect(m_writeDialog, &DialogWriteLabel::setValue, this, &MainWindow::onsetValue);
    connect(this, &MainWindow::labelWriteRequested, this, &MainWindow::showWriteDialog);
}

void MainWindow::setMonitorPause(PauseFunction pause)
{
    m_pause = pause ? std::move(pause) : PauseFunction([](int ms) { delayMs(ms); });
}

CDriveBaseClass *MainWindow::driver() const
{
    // An earlier project's driver stays in memory, but must not serve this project.
    return m_driverReady ? m_driver : nullptr;
}

bool MainWindow::bindDriver(const QString &path)
{
    m_driverReady = false;
    // The loader is reused; an earlier library stays loaded, since its driver is never freed.
    m_driverLibrary.setFileName(path);
    GetSharedLibraryFn entry = nullptr;
    if (m_driverLibrary.load())
        entry
            = reinterpret_cast<GetSharedLibraryFn>(m_driverLibrary.resolve(getSharedLibrarySymbol));
    CDriveBaseClass *bound = entry ? entry() : nullptr;
    if (!bound) {
        qDebug() << QStringLiteral(u"\u52a0\u8f7d\u5931\u8d25:") << path
                 << m_driverLibrary.errorString();
        statusBar()->showMessage(tr("库加载失败"));
        prompt()->warning(this, tr("警告"),
                          tr("库加载失败") + QLatin1Char('\n') + path + QLatin1Char('\n')
                              + m_driverLibrary.errorString());
        updateStartButton();
        return false;
    }
    m_driver = bound;
    m_driverReady = true;
    updateStartButton();
    return true;
}

void MainWindow::on_pushButton_startMonitor_clicked()
{
    // The data-logger link holds the lock while it talks; waiting for it here would freeze the
    // window, and a nested click from an event processed during ConnectDrive would deadlock.
    if (!m_serialLock.tryLock()) {
        statusBar()->showMessage(tr("串口正忙，请稍后再试"));
        return;
    }
    startMonitoring();
    m_serialLock.unlock();
}

void MainWindow::startMonitoring()
{
    CDriveBaseClass *d = driver();
    if (!d) {
        prompt()->information(this, tr("提示信息"), tr("未加载驱动库，无法开始监视"));
        return;
    }
    const QString link = m_linkDialog->linkString();
    if (link.isEmpty()) {
        prompt()->information(this, tr("提示信息"), tr("请配置通信设置"));
        return;
    }
    qDebug() << "ConnectDrive";
    const int result = d->ConnectDrive(link);
    qDebug() << QStringLiteral("Connection status %1").arg(result);
    if (result != 0) {
        statusBar()->showMessage(tr("监视失败"));
        prompt()->warning(nullptr, tr("警告"), MonitorLogic::connectFailureText(result));
        return;
    }
    m_linkName = MonitorLogic::linkNameOf(link);
    m_monitoring = true;
    m_monitorRunning = true;
    m_connectionWatch.reset();
    connectionGood = false;
    m_historyFailures.noteSuccess();
    m_monitorTimer->setInterval(MonitorLogic::monitorIntervalMs(samplingSeconds));
    m_monitorTimer->start();
    setMonitorControls(true);
    m_housekeepingTimer->start();
    statusBar()->showMessage(tr("开始监视", "status bar"));

    m_readList.clear();
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        const QStandardItem *address = m_labelModel->item(row, LabelColumnLabel);
        m_readList.append({address ? address->text() : QString(), labelDataType(row)});
    }
}

void MainWindow::on_pushButton_stopMonitor_clicked()
{
    // The running tick, or the next one, runs the stop sequence.
    m_monitoring = false;
}

void MainWindow::setMonitorControls(bool running)
{
    ui->pushButton_startMonitor->setEnabled(!running);
    ui->pushButton_stopMonitor->setEnabled(running);
    ui->action_newPro->setEnabled(!running);
    ui->action_openPro->setEnabled(!running);
    ui->samplingTime->setEnabled(!running);
    ui->menu_MM->setEnabled(!running && m_rights);
    // Rows must stay where the polling loop found them: no adding, deleting, importing or
    // sorting while it runs.
    m_labelActions[0]->setEnabled(!running && m_rights);
    m_labelActions[2]->setEnabled(!running && m_rights);
    m_labelActions[3]->setEnabled(!running);
    // Header clicks are what sort; turning sorting itself off and on would re-sort every row
    // by the indicator column at each stop and lose the user's order.
    ui->tableView_label->horizontalHeader()->setSectionsClickable(!running);
}

LabelRowIndex MainWindow::labelRowIndex() const
{
    LabelRowIndex index;
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        const QStandardItem *address = m_labelModel->item(row, LabelColumnLabel);
        index.add(row, address ? address->text() : QString(), labelDataType(row));
    }
    return index;
}

void MainWindow::onMonitorTimeout()
{
    // The pauses process events; a tick must not start inside another one, nor a stop
    // sequence run twice.
    CDriveBaseClass *d = driver();
    if (m_tickRunning || !m_monitorRunning || !d)
        return;
    m_tickRunning = true;
    if (!m_monitoring) {
        runStopSequence();
        m_tickRunning = false;
        return;
    }
    d->DebugCmd(StopDebug);
    const QList<QList<Induction::SReadInfo>> blocks
        = d->InductiveDrive_Read(readListKey, m_readList);
    // Rows by address and type, taken now: an edited row is no longer updated as the old label.
    const LabelRowIndex rows = labelRowIndex();
    QMap<Induction::SReadInfo, bool> handled;
    for (const QList<Induction::SReadInfo> &block : blocks) {
        const QMap<Induction::SReadInfo, CLabelVariable> values
            = d->BlockReading(readListKey, block);
        for (const Induction::SReadInfo &entry : block) {
            const auto it = values.constFind(entry);
            // A label the block read did not serve keeps its text and colour.
            if (it == values.cend() || handled.contains(entry))
                continue;
            handled.insert(entry, true);
            applyReading(entry, it.value(), rows.rowsOf(entry));
        }
        m_pause(blockPauseMs);
    }
    storeHistoryBatch();
    if (!m_monitoring)
        runStopSequence();
    m_tickRunning = false;
}

void MainWindow::applyReading(const Induction::SReadInfo &entry, const CLabelVariable &record,
                              const QList<int> &rows)
{
    if (rows.isEmpty())
        return;
    MonitorLogic::CellColour colour;
    if (!MonitorLogic::statusColour(record.status, &colour))
        return;
    const QBrush brush = brushOf(colour);
    if (record.status != LabelStatus::Ok) {
        for (int row : rows)
            m_labelModel->item(row, LabelColumnValue)->setForeground(brush);
        if (m_connectionWatch.noteError())
            prompt()->warning(nullptr, tr("警告"),
                              MonitorLogic::connectionErrorText(record.status));
        connectionGood = m_connectionWatch.good();
        return;
    }

    const LabelValue value = LabelValue::convert(entry.type, record);
    // The clock only for a record without a time: local time costs a time-zone look-up.
    const QString timeText = MonitorLogic::sampleTimeText(
        record.time, record.time.isValid() ? QDateTime() : QDateTime::currentDateTime());
    for (int row : rows) {
        QStandardItem *cell = m_labelModel->item(row, LabelColumnValue);
        cell->setForeground(brush);
        m_labelModel->setData(m_labelModel->index(row, LabelColumnTime), timeText);
        cell->setText(value.displayText);
        // The whole value beside its six-digit text, for the write dialog to start from.
        cell->setData(value.isString ? QVariant() : QVariant(value.number), Qt::UserRole);
    }
    if (entry.name == deviceLabel && value.displayText != m_deviceText) {
        m_deviceText = value.displayText;
        updateWindowTitle();
    }
    m_historyBatch.add(
        MonitorLogic::historySample(m_projectId, entry.name, timeText, value.storedValue));
    m_connectionWatch.noteGood();
    connectionGood = true;
}

void MainWindow::storeHistoryBatch()
{
    const int count = m_historyBatch.size();
    if (count == 0)
        return;
    const QVariantMap first = m_historyBatch.samples().first();
    if (m_historyBatch.flush(m_sqlite)) {
        m_historyFailures.noteSuccess();
        return;
    }
    qDebug() << "Failed to insert records." << count << "samples, the first" << first;
    // Once per run of failures: every tick would otherwise bury the other messages.
    if (m_historyFailures.noteFailure())
        statusBar()->showMessage(tr("历史数据写入失败"));
}

void MainWindow::runStopSequence()
{
    m_pause(stopWaitMs);
    m_monitorTimer->stop();
    qDebug() << "DisConnectDrive in";
    if (CDriveBaseClass *d = driver())
        qDebug() << "DestroyFree" << d->DestroyFree();
    qDebug() << "DisConnectDrive out";
    const QBrush stopped = brushOf(MonitorLogic::stoppedColour());
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        if (QStandardItem *cell = m_labelModel->item(row, LabelColumnValue))
            cell->setForeground(stopped);
        m_pause(stopRowPauseMs);
    }
    statusBar()->showMessage(tr("停止监视", "status bar"));
    m_connectionWatch.reset();
    connectionGood = false;
    m_monitorRunning = false;
    setMonitorControls(false);
    m_housekeepingTimer->stop();
    m_pause(stopRowPauseMs);
}

double MainWindow::handleDataType(DataType datatype, CLabelVariable var, QStandardItem *strdata)
{
    const LabelValue value = LabelValue::convert(datatype, var);
    if (value.isString && strdata)
        strdata->setText(value.displayText);
    return value.number;
}

void MainWindow::showWriteDialog(int row, const QString &label, double value)
{
    m_writeDialog->setLabel(row, label, value, labelDataType(row));
    m_writeDialog->show();
    disableMenuActions();
}

bool MainWindow::rowHolds(const WriteTarget &target) const
{
    if (target.row < 0 || target.row >= m_labelModel->rowCount())
        return false;
    const QStandardItem *address = m_labelModel->item(target.row, LabelColumnLabel);
    return address && address->text() == target.address && labelDataType(target.row) == target.type;
}

void MainWindow::onsetValue(int Indexcow, double value)
{
    const WriteTarget target = m_writeDialog->target();
    // Rows may have moved or changed while the dialog was open.
    if (target.row == Indexcow && rowHolds(target))
        writeLabelValue(target, value);
    else
        statusBar()->showMessage(tr("标签已改变，未写入"));
    qDebug() << QStringLiteral(u"\u5199\u503c\u7ed3\u675f");
}

void MainWindow::writeLabelValue(const WriteTarget &target, double value)
{
    if (!WriteValue::isWritableType(target.type)) {
        statusBar()->showMessage(tr("该类型的标签不能写值：%1").arg(target.address));
        return;
    }
    CDriveBaseClass *d = driver();
    if (!d) {
        statusBar()->showMessage(tr("未加载驱动库，未写入"));
        return;
    }
    const QString refusal = WriteValue::check(target.type, value);
    if (!refusal.isEmpty()) {
        prompt()->warning(this, tr("提示"), refusal);
        return;
    }
    const CLabelVariable sent = WriteValue::record(target.type, value);
    const CLabelVariable answer = d->WriteVariable(target.address, DataType(target.type), sent, 1);
    if (answer.status == LabelStatus::Ok)
        statusBar()->showMessage(
            tr("写值成功：%1 = %2")
                .arg(target.address,
                     QString::number(LabelValue::toDouble(target.type, sent), 'g', 15)));
    else
        statusBar()->showMessage(
            tr("写值失败：%1（状态码 %2）").arg(target.address).arg(answer.status));
}
