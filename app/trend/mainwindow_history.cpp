// The trend page's history side of the main window: the chart sections of the project (add,
// delete, save under a typed name, load on project open), section switching and refresh, pause
// and resume with the paused stretch filled from the history, and the history search with its
// steps.
#include "chartdrawer.h"
#include "chartsections.h"
#include "historyreader.h"
#include "historyrules.h"
#include "mainwindow.h"
#include "seriestable.h"
#include "trendrules.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;
using namespace SeriesTable;

QList<SectionEntry> MainWindow::seriesSectionRows() const
{
    QList<SectionEntry> rows;
    const auto text = [this](int row, int column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        return item ? item->text() : QString();
    };
    for (int r = 0; r < ui->tableWidget->rowCount(); ++r) {
        SectionEntry entry;
        entry.hasLabel = ui->tableWidget->item(r, SeriesLabel) != nullptr;
        entry.label = text(r, SeriesLabel);
        entry.zeroScale = text(r, SeriesZero);
        entry.fullScale = text(r, SeriesFull);
        rows.append(entry);
    }
    return rows;
}

void MainWindow::loadChartSections()
{
    // A project whose file is new has no sections: the previous project's must not stay.
    const QStringList names
        = m_projectSettings ? ChartSections(m_projectSettings).names() : QStringList();
    sectionCount = names.size();
    for (QComboBox *combo : {ui->dataClassification, ui->dataClassification1}) {
        combo->clear();
        combo->addItems(names);
    }
    // The previous project's panels go; the first section, when there is one, takes their place.
    if (sectionCount > 0) {
        on_dataClassification_activated(0);
    } else {
        endScaledView();
        clearSeriesRows();
    }
}

void MainWindow::on_addData_clicked()
{
    if (!m_projectSettings || ui->tableWidget->rowCount() == 0)
        return;
    ChartSections sections(m_projectSettings);
    const QString name = sections.newName(tr("数据组合"));
    const int added = sections.add(seriesSectionRows(), name);
    if (added == 0) {
        sectionsNotSaved();
        return;
    }
    sectionCount = added;
    for (QComboBox *combo : {ui->dataClassification, ui->dataClassification1}) {
        combo->addItem(name);
        combo->setCurrentIndex(combo->count() - 1);
    }
}

void MainWindow::on_deleteData_clicked()
{
    if (!m_projectSettings || sectionCount == 0)
        return;
    const int index = ui->dataClassification->currentIndex();
    ChartSections sections(m_projectSettings);
    // Only a stored section can go; the combo never holds anything else.
    if (!sections.remove(index + 1)) {
        if (sections.writeFailed())
            sectionsNotSaved();
        return;
    }
    sectionCount = sections.count();
    ui->dataClassification->removeItem(index);
    ui->dataClassification1->removeItem(index);
}

void MainWindow::on_modifyData_clicked()
{
    const int index = ui->dataClassification->currentIndex();
    if (!m_projectSettings || ui->tableWidget->rowCount() == 0 || index < 0)
        return;
    // A name typed into the combo renames the section shown.
    const QString name = ui->dataClassification->currentText();
    ChartSections sections(m_projectSettings);
    if (!sections.modify(index + 1, seriesSectionRows(), name)) {
        if (sections.writeFailed()) {
            sectionsNotSaved();
            // The list keeps the name the file holds, not the one typed.
            ui->dataClassification->setEditText(ui->dataClassification->itemText(index));
        }
        return;
    }
    ui->dataClassification->setItemText(index, name);
    ui->dataClassification1->setItemText(index, name);
}

void MainWindow::sectionsNotSaved()
{
    // The sections stay as the file holds them; the user must know the change is not kept.
    prompt()->warning(this, tr("警告"),
                      tr("数据组合未能保存：无法写入文件%1")
                          .arg(QDir::toNativeSeparators(m_projectSettings->fileName())));
}

// ---- Section switching and refresh ----

void MainWindow::endScaledView()
{
    if (seriesSelected == 1) {
        onCellClicked(selectedRow, 0);
        seriesSelected = 0;
    }
}

void MainWindow::clearSeriesRows()
{
    // Live series, copies, history series, timers and readout texts all go with their rows.
    for (int r = ui->tableWidget->rowCount() - 1; r >= 0; --r)
        removeSeriesRow(r);
    ui->tableWidget->setRowCount(0);
    ui->dataTableWidget->setRowCount(0);
}

void MainWindow::on_dataClassification_activated(int index)
{
    showSection(index + 1, true);
}

void MainWindow::on_refresh_clicked()
{
    autoRangeMax = 1.0f;
    autoRangeMin = 0.0f;
    showSection(ui->dataClassification->currentIndex() + 1, false);
}

void MainWindow::showSection(int n, bool fromHistory)
{
    const bool running = TrendRules::trendRunning(ui->StartandPause->text());
    endScaledView();
    clearSeriesRows();
    on_rangeTime_currentIndexChanged(ui->rangeTime->currentIndex());
    const TrendRules::AxisRange range = TrendRules::extremesRange(autoRangeMax, autoRangeMin);
    chartDrawer->valueAxis()->setRange(range.lower, range.upper);

    const QList<SectionEntry> entries
        = m_projectSettings ? ChartSections(m_projectSettings).entries(n) : QList<SectionEntry>();
    QList<int> prefilled;
    for (const SectionEntry &entry : entries) {
        const int labelRow = labelRowOf(entry.label);
        if (labelRow < 0)
            continue;
        const int r = addSeriesPanel(labelRow, running);
        setScaleCells(r, entry.zeroScale, entry.fullScale);
        if (!fromHistory) {
            // A refreshed row's colour button carries the plain style a chosen colour gets.
            if (const QWidget *cell = ui->tableWidget->cellWidget(r, SeriesColour)) {
                if (auto *button = cell->findChild<QPushButton *>())
                    button->setStyleSheet(
                        QStringLiteral("background-color: %1;").arg(rowColour(r).name()));
            }
        }
        if (running && fromHistory)
            prefilled << r;
    }
    // All rows' histories in one read, so that the labels are read side by side.
    appendHistory(prefilled, HistoryRules::prefillWindow(trendNow(), rangeSeconds));
    updateGuideReadouts(0);
}

QVector<QVector<HistorySample>> MainWindow::readHistories(const QStringList &labels,
                                                          const HistoryRules::Window &window,
                                                          int columns)
{
    if (labels.isEmpty() || !m_sqlite.openDatabase(m_dbFileName))
        return QVector<QVector<HistorySample>>(labels.size());
    // The labels side by side, each on a connection of its own: a week of 25 labels is 15M rows.
    return HistoryReader::readLabels(m_sqlite.database(), m_projectId, labels, window.start,
                                     window.end, columns);
}

void MainWindow::appendHistory(const QList<int> &rows, const HistoryRules::Window &window)
{
    QList<QLineSeries *> curves;
    QStringList labels;
    for (int row : rows) {
        QLineSeries *series = ChartDrawer::seriesAt(ui->dataTableWidget, row, CompanionLive);
        const QTableWidgetItem *label = ui->tableWidget->item(row, SeriesLabel);
        if (!series || !label || !m_trendCurves.contains(series))
            continue;
        curves << series;
        labels << label->text();
    }
    const QVector<QVector<HistorySample>> histories = readHistories(labels, window, 0);
    for (int i = 0; i < curves.size(); ++i) {
        TrendCurve &curve = m_trendCurves[curves[i]];
        for (const QPointF &point : HistoryRules::lastPerSecond(histories.at(i)))
            curve.append(qint64(point.x()), point.y());
        feedSeries(curves[i], true);
    }
}

// ---- Pause and resume ----

void MainWindow::on_StartandPause_clicked()
{
    const QString text = ui->StartandPause->text();
    if (TrendRules::trendRunning(text))
        pauseTrend();
    else if (TrendRules::trendPaused(text))
        resumeTrend();
}

void MainWindow::pauseTrend()
{
    chartDrawer->guideTimer1()->stop();
    chartDrawer->guideTimer2()->stop();
    pauseTime = trendNow();
    for (int r = 0; r < ui->tableWidget->rowCount(); ++r) {
        if (QTimer *timer
            = seriesTimers.value(ChartDrawer::seriesAt(ui->dataTableWidget, r, CompanionLive)))
            timer->stop();
    }
    ui->startTime->show();
    ui->startDateTimeEdit->show();
    ui->searchfor->show();
    ui->StartandPause->setText(tr("开始"));
}

void MainWindow::dropHistorySeries(int row)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    dropSeries(ChartDrawer::seriesAt(ui->dataTableWidget, row, CompanionHistory));
    delete ui->dataTableWidget->takeItem(row, CompanionHistory);
}

void MainWindow::resumeTrend()
{
    chartDrawer->guideTimer1()->start();
    chartDrawer->guideTimer2()->start();
    endScaledView();
    historyShown = false;
    const int rows = ui->tableWidget->rowCount();
    if (historySeriesVisible == 1) {
        for (int r = 0; r < rows; ++r)
            dropHistorySeries(r);
        historySeriesVisible = 0;
    }
    const QDateTime now = trendNow();
    QList<int> stood;
    QList<int> started;
    for (int r = 0; r < rows; ++r) {
        if (ChartDrawer::seriesAt(ui->dataTableWidget, r, CompanionLive)) {
            stood << r;
        } else {
            // Built while paused: the row gets its curve now, started like a switched one.
            addLiveSeries(r);
            started << r;
        }
    }
    // The stretch the view stood still, one point a second; the resume second is left to the
    // live ticks.
    appendHistory(stood, {pauseTime, now});
    appendHistory(started, HistoryRules::prefillWindow(now, rangeSeconds));
    for (int r : stood) {
        if (QTimer *timer
            = seriesTimers.value(ChartDrawer::seriesAt(ui->dataTableWidget, r, CompanionLive)))
            timer->start();
    }
    for (int r = 0; r < rows; ++r)
        setSeriesVisible(r, CompanionLive);
    ui->startTime->hide();
    ui->startDateTimeEdit->hide();
    ui->searchfor->hide();
    setStepButtonsEnabled(false);
    // A search's outcome spoke of the history just taken away; any other message stays.
    if (!m_searchStatus.isEmpty() && statusBar()->currentMessage() == m_searchStatus)
        statusBar()->clearMessage();
    m_searchStatus.clear();
    ui->StartandPause->setText(tr("暂停"));
    on_rangeTime_currentIndexChanged(ui->rangeTime->currentIndex());
    const TrendRules::AxisRange range = TrendRules::extremesRange(autoRangeMax, autoRangeMin);
    chartDrawer->valueAxis()->setRange(range.lower, range.upper);
    resetHistoryGuides(rows);
}

void MainWindow::setStepButtonsEnabled(bool enabled)
{
    for (QPushButton *button :
         {ui->goBack1min, ui->goBack15s, ui->fastForwardfor15s, ui->fastForwardfor1min})
        button->setEnabled(enabled);
}

void MainWindow::resetHistoryGuides(int rows)
{
    chartDrawer->resetGuides();
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    hideReadoutTexts();
    for (int r = 0; r < rows && r < ui->tableWidget->rowCount(); ++r) {
        for (int c = SeriesValue - 1; c >= SeriesFirstReadout; --c)
            ui->tableWidget->setItem(r, c, centredItem(QString(), inertFlags));
    }
}

// ---- History search ----

void MainWindow::on_searchfor_clicked()
{
    endScaledView();
    historyShown = true;
    chartDrawer->guideLabel(0)->hide();
    chartDrawer->guideLabel(1)->hide();
    historySeriesVisible = 1;
    const int rows = ui->tableWidget->rowCount();
    hideReadoutTexts();
    for (int r = 0; r < rows; ++r) {
        if (QLineSeries *live = ChartDrawer::seriesAt(ui->dataTableWidget, r, CompanionLive))
            live->setVisible(false);
    }
    const HistoryRules::Window window
        = HistoryRules::searchWindow(ui->startDateTimeEdit->dateTime(), rangeSeconds);
    chartDrawer->timeAxis()->setRange(window.start, window.end);
    setStepButtonsEnabled(true);
    // The previous search's curves are not used again.
    for (int r = 0; r < rows; ++r)
        dropHistorySeries(r);
    if (!m_sqlite.openDatabase(m_dbFileName)) {
        resetHistoryGuides(rows);
        showSearchStatus(tr("查询失败"));
        return;
    }

    // Every row with data is drawn; a row without keeps its scale cells and an empty curve. Each
    // curve holds the first, lowest, highest and last sample of each pixel column, so that every
    // excursion shows and the fitted axis takes it in.
    QStringList labels;
    QList<int> labelled;
    for (int r = 0; r < rows; ++r) {
        if (const QTableWidgetItem *label = ui->tableWidget->item(r, SeriesLabel)) {
            labels << label->text();
            labelled << r;
        }
    }
    const QVector<QVector<HistorySample>> histories = readHistories(labels, window, plotColumns());
    HistoryRules::Extremes extremes;
    for (int r = 0; r < rows; ++r) {
        const int read = labelled.indexOf(r);
        const QVector<HistorySample> samples
            = read >= 0 ? histories.at(read) : QVector<HistorySample>();
        QLineSeries *series = addHistorySeries(r, read >= 0 ? labels.at(read) : QString());
        setSeriesVisible(r, CompanionHistory);
        if (samples.isEmpty())
            continue;
        if (extremes.isEmpty())
            extremes.start(samples.first().value);
        for (const HistorySample &sample : samples)
            extremes.include(sample.value);
        series->replace(HistoryRules::toPoints(samples));
        const HistoryRules::ScaleTexts scales = HistoryRules::scaleTexts(samples.first().value);
        setScaleCells(r, scales.zero, scales.full);
    }
    if (extremes.isEmpty()) {
        // The readouts spoke of the previous window; this one has nothing to read.
        resetHistoryGuides(rows);
        showSearchStatus(tr("查询成功，但没有数据"));
        return;
    }
    historyValueMax = float(extremes.max());
    historyValueMin = float(extremes.min());
    const TrendRules::AxisRange range = TrendRules::extremesRange(extremes.max(), extremes.min());
    chartDrawer->valueAxis()->setRange(range.lower, range.upper);
    resetHistoryGuides(rows);
    showSearchStatus(tr("查询成功"));
}

void MainWindow::showSearchStatus(const QString &text)
{
    m_searchStatus = text;
    statusBar()->showMessage(text, 0);
}

void MainWindow::stepSearch(int seconds)
{
    ui->startDateTimeEdit->setDateTime(ui->startDateTimeEdit->dateTime().addSecs(seconds));
    on_searchfor_clicked();
}

void MainWindow::on_goBack1min_clicked()
{
    stepSearch(HistoryRules::stepSeconds[0]);
}

void MainWindow::on_goBack15s_clicked()
{
    stepSearch(HistoryRules::stepSeconds[1]);
}

void MainWindow::on_fastForwardfor15s_clicked()
{
    stepSearch(HistoryRules::stepSeconds[2]);
}

void MainWindow::on_fastForwardfor1min_clicked()
{
    stepSearch(HistoryRules::stepSeconds[3]);
}
