// Monitoring: the driver binding, start, the polling tick, the stop sequence, the value
// conversion and writing a value to a label.
#include "datasheet.h"
#include "dialogsetlink.h"
#include "dialogwritelabel.h"
#include "drivebaseclass.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QBrush>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QScopedValueRollback>
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
// One pause at the end of the stop, for the table to repaint; never one per row.
constexpr int stopPauseMs = 10;

QBrush brushOf(const MonitorLogic::CellColour &c)
{
    return QBrush(QColor(c.red, c.green, c.blue), Qt::SolidPattern);
}

qint64 steadyClockMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// The record of an entry the tick did not ask for, because the link is dead.
CLabelVariable failedRecord(const Induction::SReadInfo &entry, int status)
{
    CLabelVariable record;
    record.status = status;
    record.name = entry.name;
    record.type = entry.type;
    return record;
}

} // namespace

void MainWindow::initMonitoring()
{
    m_clock = steadyClockMs;
    // Each tick schedules the next one from its own start.
    m_monitorTimer->setSingleShot(true);
    connect(m_monitorTimer, &QTimer::timeout, this, &MainWindow::onMonitorTimeout);
    // The pause between two exchanges waits in the event loop, not in a loop of its own: a menu
    // or a dialog opened meanwhile runs its own event loop, which would hold the tick, and all
    // polling, until it closed. This way it only shares the loop with the tick.
    m_blockPauseTimer = new QTimer(this);
    m_blockPauseTimer->setSingleShot(true);
    m_blockPauseTimer->setTimerType(Qt::PreciseTimer);
    connect(m_blockPauseTimer, &QTimer::timeout, this, [this] {
        if (!m_tickRunning)
            return;
        // A write waits for its reply (its wait processes events): one exchange at a time.
        if (m_driverBusy) {
            m_blockPauseTimer->start(blockPauseMs);
            return;
        }
        runTickBlocks();
    });
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
    m_pause = std::move(pause);
}

void MainWindow::setMonitorClock(ClockFunction clock)
{
    m_clock = clock ? std::move(clock) : ClockFunction(steadyClockMs);
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
        showSerialBusy();
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
    // Such a port reaches no device; the driver would only report a failed handshake.
    const QString invalidPort = LinkString::invalidNetworkPort(link);
    if (!invalidPort.isEmpty()) {
        statusBar()->showMessage(tr("监视失败"));
        prompt()->warning(nullptr, tr("警告"),
                          tr("监视失败(原因：端口号%1无效，应为1到65535)").arg(invalidPort));
        return;
    }
    // The handshake processes events: nothing that opens a project or changes the table may
    // run inside it.
    const QList<QAction *> held = holdControlsWhileConnecting();
    qDebug() << "ConnectDrive";
    int result = 0;
    {
        const QScopedValueRollback<bool> call(m_driverBusy, true);
        result = d->ConnectDrive(link);
    }
    qDebug() << QStringLiteral("Connection status %1").arg(result);
    releaseControlsAfterConnecting(held);
    // The program was told to quit while the handshake waited: the link it opened goes too.
    if (m_exiting) {
        if (result == 0)
            qDebug() << "DestroyFree" << d->DestroyFree();
        return;
    }
    if (result != 0) {
        statusBar()->showMessage(tr("监视失败"));
        prompt()->warning(nullptr, tr("警告"), MonitorLogic::connectFailureText(result));
        sendHeldWrites();
        return;
    }
    m_linkName = MonitorLogic::linkNameOf(link);
    m_monitoring = true;
    m_monitorRunning = true;
    m_refusalsChecked = false;
    m_connectionWatch.reset();
    connectionGood = false;
    m_historyFailures.reset();
    // The first tick comes at once; each tick then schedules the next from its own start.
    m_monitorTimer->start(0);
    setMonitorControls(true);
    m_housekeepingTimer->start();
    statusBar()->showMessage(tr("开始监视", "status bar"));

    m_readList.clear();
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        const QStandardItem *address = m_labelModel->item(row, LabelColumnLabel);
        m_readList.append({address ? address->text() : QString(), labelDataType(row)});
    }
    sendHeldWrites();
}

void MainWindow::on_pushButton_stopMonitor_clicked()
{
    m_monitoring = false;
    if (!m_monitorRunning)
        return;
    ui->pushButton_stopMonitor->setEnabled(false);
    // A running tick stops after the block it reads; a driver call under way ends first. A
    // tick that waits between blocks ends now, from the event loop.
    if (!m_tickRunning && !m_driverBusy)
        runStopSequence();
    else if (m_blockPauseTimer->isActive())
        m_blockPauseTimer->start(0);
}

QList<QAction *> MainWindow::holdControlsWhileConnecting()
{
    QList<QAction *> held;
    const QList<QAction *> actions = ui->menu_file->actions() + m_labelActions;
    for (QAction *action : actions) {
        if (action->isEnabled()) {
            action->setEnabled(false);
            held.append(action);
        }
    }
    ui->menu_file->setEnabled(false);
    ui->pushButton_startMonitor->setEnabled(false);
    ui->samplingTime->setEnabled(false);
    return held;
}

void MainWindow::releaseControlsAfterConnecting(const QList<QAction *> &held)
{
    for (QAction *action : held)
        action->setEnabled(true);
    ui->menu_file->setEnabled(true);
    ui->pushButton_startMonitor->setEnabled(true);
    ui->samplingTime->setEnabled(true);
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
    // The cells that say what is read (address, type) are held with the rows.
    setLabelTableEditable(m_labelEditing);
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
    // A tick must not start while another one runs (it may wait between blocks), nor inside a
    // write that waits for its reply.
    CDriveBaseClass *d = driver();
    if (m_tickRunning || !m_monitorRunning || !d)
        return;
    if (m_driverBusy) {
        // A write is waiting for its reply: the tick comes right after it.
        m_monitorTimer->start(blockPauseMs);
        return;
    }
    if (!m_monitoring) {
        runStopSequence();
        return;
    }
    m_tickRunning = true;
    m_tick = TickProgress();
    m_tick.startMs = m_clock();
    m_tick.stamp = TickStamp(QDateTime::currentDateTime());
    d->DebugCmd(StopDebug);
    m_tick.blocks = d->InductiveDrive_Read(readListKey, m_readList);
    // Rows by address and type, taken now: an edited row is no longer updated as the old label.
    m_tick.rows = labelRowIndex();
    runTickBlocks();
}

void MainWindow::runTickBlocks()
{
    CDriveBaseClass *d = driver();
    while (d && m_tick.nextBlock < m_tick.blocks.size()) {
        // A write confirmed while the last exchange waited goes out between exchanges.
        sendHeldWrites();
        if (!m_monitoring)
            break;
        const QList<Induction::SReadInfo> block = m_tick.blocks.at(m_tick.nextBlock++);
        if (m_tick.deadLink.linkDead()) {
            for (const Induction::SReadInfo &entry : block) {
                m_tick.served.insert(entry, true);
                applyReading(entry, failedRecord(entry, m_tick.deadLink.failureStatus()),
                             m_tick.rows.rowsOf(entry));
            }
            continue;
        }
        QMap<Induction::SReadInfo, CLabelVariable> values;
        {
            const QScopedValueRollback<bool> call(m_driverBusy, true);
            values = d->BlockReading(readListKey, block);
        }
        QList<int> statuses;
        for (const Induction::SReadInfo &entry : block) {
            const auto it = values.constFind(entry);
            // A label the block read did not serve keeps its text and colour.
            if (it == values.cend() || m_tick.served.contains(entry))
                continue;
            m_tick.served.insert(entry, true);
            statuses.append(it->status);
            applyReading(entry, it.value(), m_tick.rows.rowsOf(entry));
        }
        m_tick.deadLink.noteBlock(statuses);
        // The pause gives the controller its rest between two requests; a block the driver
        // refused before sending anything made none.
        if (!MonitorLogic::blockMadeExchange(block, values))
            continue;
        // Leaving: no pause, the event loop is ending (the tick ends with the stop sequence).
        if (m_exiting)
            continue;
        if (m_pause) {
            m_pause(blockPauseMs);
            // The pause may have ended the tick (the program's exit).
            if (!m_tickRunning)
                return;
            continue;
        }
        m_blockPauseTimer->start(blockPauseMs);
        return;
    }
    finishTick();
}

void MainWindow::finishTick()
{
    CDriveBaseClass *d = driver();
    // On a dead link the reasons wait for a tick that reaches the controller.
    if (d && !m_refusalsChecked && m_monitoring && !m_tick.deadLink.linkDead())
        showUnservedRefusals(d, m_tick.served, m_tick.rows);
    sendHeldWrites();
    storeHistoryBatch();
    const qint64 startMs = m_tick.startMs;
    m_tick = TickProgress();
    m_tickRunning = false;
    showPendingWarning();
    if (!m_monitoring) {
        runStopSequence();
        return;
    }
    m_monitorTimer->start(MonitorLogic::nextTickDelayMs(samplingSeconds, m_clock() - startMs));
}

void MainWindow::showUnservedRefusals(CDriveBaseClass *d,
                                      const QMap<Induction::SReadInfo, bool> &served,
                                      const LabelRowIndex &rows)
{
    // Labels no block served (the driver put them into none, or could not cut them out of
    // one) would stay blank for the whole run. Ask once per run why, so that a refused label
    // does not look like one still waiting for data; a refusal costs no exchange.
    m_refusalsChecked = true;
    QMap<Induction::SReadInfo, bool> asked = served;
    for (const Induction::SReadInfo &entry : qAsConst(m_readList)) {
        if (asked.contains(entry))
            continue;
        asked.insert(entry, true);
        CLabelVariable record;
        {
            const QScopedValueRollback<bool> call(m_driverBusy, true);
            record = d->PointReading(readListKey, entry);
        }
        if (MonitorLogic::isRefusal(record.status))
            applyReading(entry, record, rows.rowsOf(entry));
    }
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
    if (MonitorLogic::isRefusal(record.status)) {
        // Refused for good: the reason where the value would be, the link left out of it.
        const QString reason = MonitorLogic::statusReasonText(record.status);
        for (int row : rows) {
            QStandardItem *cell = m_labelModel->item(row, LabelColumnValue);
            cell->setForeground(brush);
            cell->setToolTip(reason);
        }
        return;
    }
    if (record.status != LabelStatus::Ok) {
        for (int row : rows)
            m_labelModel->item(row, LabelColumnValue)->setForeground(brush);
        if (m_connectionWatch.noteError())
            warnLater(MonitorLogic::connectionErrorText(record.status));
        connectionGood = m_connectionWatch.good();
        return;
    }

    const LabelValue value = LabelValue::convert(entry.type, record);
    // One time for the whole tick, whichever block the record came in.
    const QString timeText = m_tick.stamp.text(record.time);
    for (int row : rows) {
        QStandardItem *cell = m_labelModel->item(row, LabelColumnValue);
        cell->setForeground(brush);
        if (!cell->toolTip().isEmpty())
            cell->setToolTip(QString());
        m_labelModel->setData(m_labelModel->index(row, LabelColumnTime), timeText);
        cell->setText(value.displayText);
        // The exact value beside its text (six digits for a float), for the write dialog to start
        // from and the trend to draw.
        cell->setData(value.exact, Qt::UserRole);
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
    // The report's readers hold the history file while they read, and a write would wait for
    // them or fail: the samples are kept until the report is done (reportWorkEnded). At exit
    // they go in whatever holds the file.
    if (m_datasheet && m_datasheet->readsHistory() && !m_exiting)
        return;
    const QVariantMap first = m_historyBatch.samples().first();
    // The samples go to the project's file: a connection gone from under the polling is opened
    // again, and the reason it does not open is the reason the samples are lost.
    QString openError;
    if (!m_sqlite.isOpen()) {
        const QMetaObject::Connection noted
            = connect(&m_sqlite, &SQLiteHandler::errorOccurred, this,
                      [&openError](const QString &text) { openError = text; });
        m_sqlite.openDatabase(m_dbFileName);
        disconnect(noted);
    }
    QString error;
    if (m_historyBatch.flush(m_sqlite, &error)) {
        if (m_historyFailures.noteSuccess())
            statusBar()->showMessage(tr("历史数据已恢复写入（%1 起的采样未能保存）")
                                         .arg(m_historyFailures.since().toString(
                                             QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
        return;
    }
    qDebug() << "Failed to insert records." << count << "samples, the first" << first << error;
    // Every sample is lost while this lasts: a box when it starts, one status line when it ends,
    // nothing at the ticks between.
    if (!m_historyFailures.noteFailure(QDateTime::currentDateTime()) || m_exiting)
        return;
    statusBar()->showMessage(tr("历史数据写入失败"));
    const QString file = m_sqlite.isOpen() ? m_sqlite.databaseFile() : m_dbFileName;
    warnLater(tr("历史数据无法写入：%1\n%2\n监视继续，但采样不会被保存；恢复写入时状态栏会提示。")
                  .arg(QDir::toNativeSeparators(file), openError.isEmpty() ? error : openError),
              true);
}

void MainWindow::warnLater(const QString &text, bool queue)
{
    // A message box waits in an event loop of its own: shown from inside the tick (a driver's
    // wait for its reply processes events) it would hold the tick, and the polling, until it is
    // closed. So the box waits for the end of the tick, and polling goes on while it is open.
    // One box at a time.
    if (!queue && (m_warningShown || !m_pendingWarnings.isEmpty()))
        return;
    if (m_pendingWarnings.contains(text))
        return;
    m_pendingWarnings.append(text);
    if (!m_tickRunning)
        showPendingWarning();
}

bool MainWindow::boxesHeld() const
{
    // A box's own event loop would run inside the tick, the report's query or its workbook
    // save, or a job on the serial link (a read-off, a download, a serial upload), and hold it
    // (and every sample the report keeps back) until closed; the box waits for their end
    // instead. An upload over MQTT goes on behind a box. At exit no box comes at all.
    return m_tickRunning || (m_datasheet && m_datasheet->isBusy()) || serialJobRunning()
           || m_exiting;
}

void MainWindow::showPendingWarning()
{
    if (m_pendingWarnings.isEmpty() || m_warningShown || boxesHeld())
        return;
    m_warningShown = true;
    QTimer::singleShot(0, this, [this] {
        m_warningShown = false;
        // Met by the pause of a tick, the report's work or a device job that started first:
        // their end shows it.
        if (boxesHeld() || m_pendingWarnings.isEmpty())
            return;
        const QString text = m_pendingWarnings.takeFirst();
        m_warningShown = true;
        prompt()->warning(nullptr, tr("警告"), text);
        m_warningShown = false;
        showPendingWarning();
    });
}

void MainWindow::reportWorkEnded()
{
    // Before any box: the samples the query kept back must not wait behind one.
    storeHistoryBatch();
    showPendingWarning();
}

void MainWindow::stopMonitoringForExit()
{
    m_exiting = true;
    m_monitoring = false;
    // Said to nobody: the program ends.
    m_pendingWarnings.clear();
    if (!m_monitorRunning)
        return;
    // What the running tick has read goes to the file now, whatever else is under way.
    storeHistoryBatch();
    // A driver call under way (its wait processes events) ends first; its tick then ends with
    // the stop sequence, before the event loop is left.
    if (m_driverBusy)
        return;
    m_blockPauseTimer->stop();
    if (m_tickRunning)
        finishTick();
    else
        runStopSequence();
}

void MainWindow::runStopSequence()
{
    // Once per run: the link is closed once.
    if (!m_monitorRunning)
        return;
    m_monitorTimer->stop();
    m_blockPauseTimer->stop();
    // Writes confirmed before the stop still reach the controller.
    sendHeldWrites();
    qDebug() << "DisConnectDrive in";
    if (CDriveBaseClass *d = driver())
        qDebug() << "DestroyFree" << d->DestroyFree();
    qDebug() << "DisConnectDrive out";
    const QBrush stopped = brushOf(MonitorLogic::stoppedColour());
    for (int row = 0; row < m_labelModel->rowCount(); ++row) {
        if (QStandardItem *cell = m_labelModel->item(row, LabelColumnValue))
            cell->setForeground(stopped);
    }
    statusBar()->showMessage(tr("停止监视", "status bar"));
    m_connectionWatch.reset();
    connectionGood = false;
    m_monitorRunning = false;
    setMonitorControls(false);
    m_housekeepingTimer->stop();
    // Nobody looks at the table any more.
    if (m_exiting)
        return;
    if (m_pause)
        m_pause(stopPauseMs);
    else
        delayMs(stopPauseMs);
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
    // The exact value the row holds, for the dialog to start from when value stands for it: the
    // one polled, else the one its text shows (from the project file).
    const int type = labelDataType(row);
    const QStandardItem *cell = m_labelModel->item(row, LabelColumnValue);
    QVariant held = cell ? cell->data(Qt::UserRole) : QVariant();
    if (!held.isValid() && cell)
        held = WriteValue::parse(cell->text(), type).exact;
    m_writeDialog->setLabel(row, label, value, type, held);
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
    if (target.row == Indexcow && rowHolds(target)) {
        // The double of the signal cannot carry every digit of a 64-bit integer: the dialog's
        // own value, when this is its confirmation.
        const WriteValue::Parsed &confirmed = m_writeDialog->confirmed();
        writeLabelValue(target, confirmed.ok && confirmed.value == value
                                    ? confirmed
                                    : WriteValue::fromDouble(target.type, value));
    } else {
        statusBar()->showMessage(tr("标签已改变，未写入"));
    }
    qDebug() << QStringLiteral(u"\u5199\u503c\u7ed3\u675f");
}

void MainWindow::writeLabelValue(const WriteTarget &target, const WriteValue::Parsed &value)
{
    if (!WriteValue::isWritableType(target.type)) {
        statusBar()->showMessage(tr("该类型的标签不能写值：%1").arg(target.address));
        return;
    }
    if (!driver()) {
        statusBar()->showMessage(tr("未加载驱动库，未写入"));
        return;
    }
    if (!value.ok) {
        prompt()->warning(this, tr("提示"), value.errorText);
        return;
    }
    // The link carries one exchange at a time: a write confirmed while one is under way (its
    // wait processes events) is held and sent once it has ended, in the order confirmed.
    m_heldWrites.append({target, value.exact});
    if (m_driverBusy)
        statusBar()->showMessage(tr("等待写值：%1").arg(target.address));
    sendHeldWrites();
    // A stop pressed while this write, outside any tick, waited for its reply.
    if (!m_driverBusy && !m_tickRunning && m_monitorRunning && !m_monitoring)
        runStopSequence();
}

void MainWindow::sendHeldWrites()
{
    CDriveBaseClass *d = driver();
    while (!m_driverBusy && !m_heldWrites.isEmpty()) {
        const HeldWrite write = m_heldWrites.takeFirst();
        if (!d) {
            statusBar()->showMessage(tr("未加载驱动库，未写入"));
            continue;
        }
        const CLabelVariable sent = WriteValue::exactRecord(write.target.type, write.value);
        CLabelVariable answer;
        {
            const QScopedValueRollback<bool> call(m_driverBusy, true);
            answer = d->WriteVariable(write.target.address, DataType(write.target.type), sent, 1);
        }
        statusBar()->showMessage(writeResultText(write, answer.status));
    }
}

QString MainWindow::writeResultText(const HeldWrite &write, int status) const
{
    const QString &address = write.target.address;
    const QString value = WriteValue::exactText(write.target.type, write.value);
    if (status == LabelStatus::Ok)
        return tr("写值成功：%1 = %2").arg(address, value);
    const QString reason = MonitorLogic::statusReasonText(status);
    // An input reached the controller, whose next input scan replaces it.
    if (status == LabelStatus::WriteToInputArea)
        return tr("已写入：%1 = %2（%3，状态码 %4）").arg(address, value, reason).arg(status);
    if (reason.isEmpty())
        return tr("写值失败：%1（状态码 %2）").arg(address).arg(status);
    return tr("写值失败：%1（%2，状态码 %3）").arg(address, reason).arg(status);
}
