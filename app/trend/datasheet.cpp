#include "datasheet.h"

#include "chartsections.h"
#include "historyparallelread.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "programsettings.h"
#include "reportmodel.h"
#include "reportquery.h"
#include "reportworkbook.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardItem>
#include <QThread>

namespace {

constexpr int timeColumnWidth = 180;

} // namespace

datasheet::datasheet(MainWindow *mainWindow, Ui_MainWindow *ui)
    : m_mainWindow(mainWindow)
    , m_ui(ui)
    , m_model(new ReportModel(this))
{
    m_ui->reportTable->setModel(m_model);
    clearTable();
    connect(m_ui->saveReport, &QPushButton::clicked, this, &datasheet::on_saveReport_clicked);
    connect(m_ui->queryData, &QPushButton::clicked, this, &datasheet::on_queryData_clicked);
    // The table shows the headings the workbook would get.
    connect(m_ui->columnHeading, QOverload<int>::of(&QComboBox::currentIndexChanged), m_model,
            &ReportModel::setHeading);
    m_model->setHeading(m_ui->columnHeading->currentIndex());
    // The default report window: the last ten minutes.
    const QDateTime now = QDateTime::currentDateTime();
    m_ui->dateTimeStart->setDateTime(now.addSecs(-600));
    m_ui->dateTimeEnd->setDateTime(now);
    m_ui->reportTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void datasheet::clearTable()
{
    m_model->clear();
    // Nothing to save.
    showButtons();
}

QString datasheet::busyText()
{
    return tr("查询失败：历史数据文件正被其他程序占用，请稍后再试");
}

void datasheet::keepPainted()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void datasheet::setBusy(bool busy)
{
    m_busy = busy;
    showButtons();
}

void datasheet::setAllowed(bool allowed)
{
    m_allowed = allowed;
    showButtons();
}

void datasheet::showButtons()
{
    const bool free = m_allowed && !m_busy;
    m_ui->queryData->setEnabled(free);
    m_ui->saveReport->setEnabled(free && !m_model->isEmpty());
}

void datasheet::showStatus(const QString &text)
{
    m_mainWindow->statusBar()->showMessage(text, 0);
}

QDateTime datasheet::reportEnd()
{
    const QDateTime start = m_ui->dateTimeStart->dateTime();
    const QDateTime end = ReportQuery::clampedEnd(start, m_ui->dateTimeEnd->dateTime());
    if (end != m_ui->dateTimeEnd->dateTime())
        m_ui->dateTimeEnd->setDateTime(end);
    return end;
}

QStringList datasheet::labelDescriptions(const QStringList &labels) const
{
    // The first row of each label; a label the table lacks gets an empty heading, so that
    // every other heading stays over its own column.
    QHash<QString, QString> byLabel;
    for (int row = m_mainWindow->labelRowCount() - 1; row >= 0; --row) {
        const QStandardItem *label = m_mainWindow->labelItem(row, LabelColumnLabel);
        const QStandardItem *description = m_mainWindow->labelItem(row, LabelColumnDescription);
        if (label && description)
            byLabel.insert(label->text(), description->text());
    }
    QStringList descriptions;
    for (const QString &label : labels)
        descriptions << byLabel.value(label);
    return descriptions;
}

void datasheet::on_queryData_clicked()
{
    // A press that came in before the button was greyed out.
    if (m_busy || m_mainWindow->refuseDuringSerialJob())
        return;
    if (m_ui->dataClassification1->count() == 0) {
        clearTable();
        showStatus(tr("查询失败"));
        return;
    }
    QString openError;
    const QMetaObject::Connection noted = connect(&m_db, &SQLiteHandler::errorOccurred, this,
                                                  [&](const QString &text) { openError = text; });
    const bool opened = m_db.openDatabase(m_mainWindow->databaseFileName());
    disconnect(noted);
    if (!opened) {
        clearTable();
        showStatus(openError.contains(QLatin1String("locked")) ? busyText() : tr("查询失败"));
        return;
    }
    const int section = m_ui->dataClassification1->currentIndex() + 1;
    const QDateTime start = m_ui->dateTimeStart->dateTime();
    const QDateTime end = reportEnd();
    QSettings *sections = m_mainWindow->projectSettings();
    const QStringList labels
        = sections ? ChartSections(sections).labelNames(section) : QStringList();
    // A section without labels has nothing to report; the last report stays, but not a message
    // of an earlier query or save.
    if (labels.isEmpty()) {
        showStatus(tr("查询失败：数据组没有标签"));
        return;
    }

    showStatus(tr("正在查询……"));
    setBusy(true);
    const auto ended = qScopeGuard([this] {
        setBusy(false);
        emit workEnded();
    });
    // The last report goes before the new one is read, so that the two never fill the memory
    // together.
    m_model->clear();
    HistoryParallelRead::releaseFreedMemory();
    ReportQuery query(m_mainWindow->projectId(), labels, start, end);
    query.setProgress(&datasheet::keepPainted);
    ReportTable table;
    QString error;
    m_readsHistory = true;
    const ReportQuery::Result result = query.run(m_db.database(), &table, &error);
    m_readsHistory = false;
    // What the readers' threads freed; the report itself stays.
    HistoryParallelRead::releaseFreedMemory();
    if (result != ReportQuery::Done) {
        qWarning() << "report query:" << error;
        clearTable();
        if (result == ReportQuery::Busy)
            showStatus(busyText());
        else
            showStatus(tr("查询失败：%1").arg(error));
        return;
    }
    // The span holds no record of the section: that is no failure.
    if (table.rowCount() == 0) {
        clearTable();
        showStatus(tr("查询成功，但没有数据"));
        return;
    }
    table.descriptions = labelDescriptions(labels);
    m_model->setReport(std::move(table));
    // Values wider than a default column (a double's full digits) would show cut to "1....".
    // A column at a time, the window painted between: all of them at once measure some
    // thousand cells each without a pause.
    for (int column = 1; column < m_model->columnCount(); ++column) {
        m_ui->reportTable->resizeColumnToContents(column);
        keepPainted();
    }
    m_ui->reportTable->setColumnWidth(0, timeColumnWidth);
    showStatus(tr("查询成功"));
}

QString datasheet::reportFolder() const
{
    const QString saved
        = m_mainWindow->programSettings()->value(ProgramSettings::reportFolderKey).toString();
    if (!saved.isEmpty() && QDir(saved).exists())
        return saved;
    return m_mainWindow->programFolder().programDir();
}

void datasheet::on_saveReport_clicked()
{
    // No report, no workbook.
    if (m_busy || m_model->isEmpty() || m_mainWindow->refuseDuringSerialJob())
        return;
    reportEnd();
    if (m_model->rowCount() > ReportWorkbook::maxReportRows) {
        showStatus(tr("报表有%1行，超过工作表可容纳的%2行，未保存；请缩短时间范围")
                       .arg(m_model->rowCount())
                       .arg(ReportWorkbook::maxReportRows));
        return;
    }
    const QString defaultName
        = reportFolder() + QLatin1Char('/')
          + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh"))
          + QStringLiteral(".xlsx");
    const QString chosen = m_mainWindow->fileChooser()->saveFileName(
        nullptr, QStringLiteral("Save Xlsx File"), defaultName,
        QStringLiteral("Excel Files (*.xlsx)"));
    if (chosen.isEmpty()) {
        showStatus(tr("报表保存失败"));
        return;
    }
    QString fileName = chosen;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".xlsx");

    // Written on a thread of its own from a copy of the report, the window painted meanwhile.
    showStatus(tr("正在保存报表……"));
    setBusy(true);
    const auto ended = qScopeGuard([this] {
        setBusy(false);
        emit workEnded();
    });
    const ReportTable report = m_model->report();
    const int heading = m_model->heading();
    ReportWorkbook::Result result = ReportWorkbook::Failed;
    QString error;
    QThread *writer = QThread::create([&] {
        ReportModel model;
        model.setReport(report);
        model.setHeading(heading);
        result = ReportWorkbook::save(model, fileName, &error);
    });
    QEventLoop wait;
    connect(writer, &QThread::finished, &wait, &QEventLoop::quit);
    writer->start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    writer->wait();
    delete writer;

    m_mainWindow->programSettings()->setValue(ProgramSettings::reportFolderKey,
                                              QFileInfo(fileName).absolutePath());
    if (result != ReportWorkbook::Saved) {
        qWarning() << "report not saved:" << fileName << error;
        showStatus(tr("报表保存失败：%1").arg(error));
        return;
    }
    showStatus(tr("报表保存成功"));
}
