#include "datasheet.h"

#include "chartsections.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "programsettings.h"
#include "reportmodel.h"
#include "reportquery.h"
#include "reportworkbook.h"
#include "ui_mainwindow.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardItem>

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
    if (m_ui->dataClassification1->count() == 0
        || !m_db.openDatabase(m_mainWindow->databaseFileName())) {
        clearTable();
        showStatus(tr("查询失败"));
        return;
    }
    const int section = m_ui->dataClassification1->currentIndex() + 1;
    const QDateTime start = m_ui->dateTimeStart->dateTime();
    const QDateTime end = reportEnd();
    QSettings *sections = m_mainWindow->projectSettings();
    const QStringList labels
        = sections ? ChartSections(sections).labelNames(section) : QStringList();
    // A section without labels has nothing to report; the last report stays.
    if (labels.isEmpty())
        return;

    ReportTable table;
    QString error;
    if (!ReportQuery(m_mainWindow->projectId(), labels, start, end)
             .run(m_db.database(), &table, &error)) {
        qWarning() << "report query:" << error;
        table = ReportTable();
    }
    if (table.rowCount() == 0) {
        clearTable();
        showStatus(tr("查询失败"));
        return;
    }
    table.descriptions = labelDescriptions(labels);
    m_model->setReport(std::move(table));
    // Values wider than a default column (a double's full digits) would show cut to "1....".
    m_ui->reportTable->resizeColumnsToContents();
    m_ui->reportTable->setColumnWidth(0, timeColumnWidth);
    m_ui->saveReport->setEnabled(true);
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
    if (m_model->isEmpty())
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
    const QString fileName = m_mainWindow->fileChooser()->saveFileName(
        nullptr, QStringLiteral("Save Xlsx File"), defaultName,
        QStringLiteral("Excel Files (*.xlsx)"));
    if (fileName.isEmpty()) {
        showStatus(tr("报表保存失败"));
        return;
    }
    QString error;
    const ReportWorkbook::Result result = ReportWorkbook::save(*m_model, fileName, &error);
    m_mainWindow->programSettings()->setValue(ProgramSettings::reportFolderKey,
                                              QFileInfo(fileName).absolutePath());
    if (result != ReportWorkbook::Saved) {
        qWarning() << "report not saved:" << fileName << error;
        showStatus(tr("报表保存失败"));
        return;
    }
    showStatus(tr("报表保存成功"));
}
