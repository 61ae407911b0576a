// The trend page's part of the main window: the series table and its panels, the live trend view
// with its time line, the live curves, the scaled view of a selected row, colour schemes and the
// sampling time.
#include "chartdrawer.h"
#include "columnfitter.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "seriestable.h"
#include "trendrules.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDebug>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

using namespace QtCharts;
using namespace SeriesTable;

namespace {

const char headerStyle[]
    = "QHeaderView::section {border: 1px solid gray;background-color: rgb(240, 240, 240);}";
const int seriesColumnWidths[]
    = {50, 80, 120, 100, 300, 80, 80, 80, 80, 90, 90, 90, 90, 100, 100, 100, 120};

QColor colourOf(const TrendRules::Rgb &rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

TrendRules::Rgb rgbOf(const QColor &colour)
{
    return {colour.red(), colour.green(), colour.blue()};
}

QWidget *centredContainer(std::initializer_list<QPair<QWidget *, int>> children)
{
    auto *container = new QWidget;
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setAlignment(Qt::AlignCenter);
    for (const auto &child : children)
        layout->addWidget(child.first, child.second);
    return container;
}

} // namespace

void MainWindow::initSeriesTable()
{
    ui->tableWidget->setColumnCount(17);
    ui->tableWidget->setHorizontalHeaderLabels({tr("序号"), tr("可视"), tr("颜色"), tr("标签"),
                                                tr("注释"), "PV_1", "Time_1", "PV_2", "Time_2",
                                                "P1-P2", "T1-T2", "V1/V2", "PV", tr("单位"),
                                                tr("零刻度"), tr("满刻度"), tr("量程自动切换")});
    ui->tableWidget->horizontalHeader()->setStyleSheet(QLatin1String(headerStyle));
    for (int c = 0; c < 17; ++c)
        ui->tableWidget->setColumnWidth(c, seriesColumnWidths[c]);
    ui->tableWidget->verticalHeader()->setVisible(false);
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    // On a narrow window every column keeps what its texts need before the comment gives way,
    // so that "PV" and the scales stay in view. The readouts at the guides and the scales are
    // given room for a reading of six figures, "PV" for any value's text.
    const QString value = QStringLiteral("-1.23457e+06");
    const QString reading = QStringLiteral("-12345.6");
    const QString clock = QStringLiteral("00:00:00");
    const int box = ui->tableWidget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr,
                                                          ui->tableWidget);
    // The colour name beside its button, styled as the rows' buttons are.
    QPushButton colourProbe;
    colourProbe.setStyleSheet(QStringLiteral("QPushButton {background-color: #000000;}"));
    const int colourButton = colourProbe.minimumSizeHint().width();
    const QVector<ColumnFitter::Column> columns{
        {seriesColumnWidths[0], QStringLiteral("999")},
        {seriesColumnWidths[1], QString(), box},
        {seriesColumnWidths[2], QStringLiteral("#000000"), colourButton},
        {seriesColumnWidths[3], QStringLiteral("DB1.DBW10")},
        {seriesColumnWidths[4], QStringLiteral("Description")},
        {seriesColumnWidths[5], reading},
        {seriesColumnWidths[6], clock},
        {seriesColumnWidths[7], reading},
        {seriesColumnWidths[8], clock},
        {seriesColumnWidths[9], reading},
        {seriesColumnWidths[10], clock},
        {seriesColumnWidths[11], reading},
        {seriesColumnWidths[12], value},
        {seriesColumnWidths[13], QStringLiteral("m3/h")},
        {seriesColumnWidths[14], reading},
        {seriesColumnWidths[15], reading},
        {seriesColumnWidths[16], QString(), box}};
    m_seriesColumns = new ColumnFitter(ui->tableWidget, columns, SeriesComment);

    ui->dataTableWidget->setColumnCount(7);
    ui->dataTableWidget->setHorizontalHeaderLabels(
        {"ID", "ID_1", "Data1", "Data2", "ID_His", "ID_His_1", "Real_Time_Value"});
    ui->dataTableWidget->horizontalHeader()->setStyleSheet(QLatin1String(headerStyle));
    ui->dataTableWidget->verticalHeader()->setVisible(false);
}

void MainWindow::setSeriesHeaders()
{
    // On a language change; the readout columns 5 to 12 keep their texts.
    const QList<QPair<int, QString>> headers{
        {0, tr("序号")},    {1, tr("可视")},    {2, tr("颜色")},
        {3, tr("标签")},    {4, tr("描述")},    {13, tr("单位")},
        {14, tr("零刻度")}, {15, tr("满刻度")}, {16, tr("量程自动切换")}};
    for (const auto &header : headers) {
        if (QTableWidgetItem *item = ui->tableWidget->horizontalHeaderItem(header.first))
            item->setText(header.second);
    }
    if (m_seriesColumns)
        m_seriesColumns->fit();
}

void MainWindow::initChartView()
{
    chartMenu = new QMenu(this);
    deleteChartAction = new QAction(tr("删除数据"), this);
    chartMenu->addAction(deleteChartAction);
    connect(deleteChartAction, &QAction::triggered, this, &MainWindow::onMenuDeleteChartClicked);
    ui->tableWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->tableWidget, &QWidget::customContextMenuRequested, this,
            &MainWindow::onShowChartMenu);
    if (m_labelActions.size() > 5)
        connect(m_labelActions[5], &QAction::triggered, this, &MainWindow::onMenuAddChartClicked);

    chartDrawer = new ChartDrawer(this, this, ui);
    chartDrawer->initChart();
    ui->verticalLayout->addWidget(chartDrawer, 0);

    windowNow = trendNow();
    autoRangeMax = 1.0f;
    autoRangeMin = 0.0f;

    timeLineTimer = new QTimer(this);
    connect(timeLineTimer, &QTimer::timeout, this, &MainWindow::updateTimeLine);
    timeLineTimer->setInterval(500);
    timeLineTimer->start();
    connectionGood = false;
}

QDateTime MainWindow::trendNow() const
{
    return m_trendClock ? m_trendClock() : QDateTime::currentDateTime();
}

void MainWindow::onShowChartMenu(const QPoint &pos)
{
    chartMenu->exec(ui->tableWidget->viewport()->mapToGlobal(pos));
}

void MainWindow::updateTimeLine()
{
    if (!TrendRules::trendRunning(ui->StartandPause->text()))
        return;
    windowNow = trendNow();
    QDateTimeAxis *axis = chartDrawer->timeAxis();
    const QDateTime start = windowNow.addSecs(-rangeSeconds);
    // The axis moves in whole pixel columns: on a long window a step of less than a column would
    // redraw every curve for no visible change.
    const FedWindow shown = shownWindow();
    if (!shown.needsFeed(start.toMSecsSinceEpoch(), windowNow.toMSecsSinceEpoch(), shown.columns))
        return;
    // Emptied first, the drawn series are laid out once, when fed, rather than again for the move.
    clearDrawnSeries();
    axis->setRange(start, windowNow);
    feedDrawnSeries(true);
}

int MainWindow::plotColumns() const
{
    // A view not laid out yet has no plot area: count as for a common screen width.
    const int width = int(chartDrawer->chart()->plotArea().width());
    return width > 1 ? width : 1600;
}

void MainWindow::on_rangeTime_currentIndexChanged(int index)
{
    if (!chartDrawer)
        return;
    chartDrawer->guideLabel(0)->hide();
    chartDrawer->guideLabel(1)->hide();
    if (const int seconds = TrendRules::rangeSecondsAt(index); seconds > 0)
        rangeSeconds = seconds;
    hideReadoutTexts();
    updateTimeLine();
}

void MainWindow::on_samplingTime_currentIndexChanged(int index)
{
    if (const int seconds = TrendRules::samplingSecondsAt(index); seconds > 0)
        samplingSeconds = seconds;
}

void MainWindow::on_pushButton_currentTime_clicked()
{
    ui->dateTimeEnd->setDateTime(QDateTime::currentDateTime());
}

void MainWindow::on_backgroundColorSelect_activated(int index)
{
    const TrendRules::ColourScheme *scheme = TrendRules::colourScheme(index);
    if (!scheme || !chartDrawer)
        return;
    ui->backgroundColorSelect->setStyleSheet(QLatin1String(scheme->selectorStyle));
    applyChartColors(colourOf(scheme->foreground), colourOf(scheme->background),
                     colourOf(scheme->guide1), colourOf(scheme->guide2));
    for (int label : {0, 1, 3, 4})
        chartDrawer->guideLabel(label)->setDefaultTextColor(colourOf(scheme->guideLabels));
}

void MainWindow::applyChartColors(QColor fg, QColor bg, QColor guide1, QColor guide2)
{
    chartDrawer->setPalette(QPalette(bg));
    chartDrawer->chart()->setBackgroundBrush(QBrush(bg, Qt::SolidPattern));
    chartDrawer->timeAxis()->setLinePenColor(fg);
    chartDrawer->valueAxis()->setLinePenColor(fg);
    chartDrawer->timeAxis()->setLabelsColor(fg);
    chartDrawer->valueAxis()->setLabelsColor(fg);
    chartDrawer->guideLineItem(0)->setPen(QPen(guide1));
    chartDrawer->guideLineItem(1)->setPen(QPen(guide2));
}

bool MainWindow::colorComponents(const QColor &a, const QColor &b) const
{
    return TrendRules::colorComponents(rgbOf(a), rgbOf(b));
}

// ---- Series panels ----

int MainWindow::addSeriesPanel(int labelRow, bool live)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    QTableWidget *table = ui->tableWidget;
    QTableWidget *store = ui->dataTableWidget;
    const int r = table->rowCount();
    table->insertRow(r);
    store->insertRow(r);

    table->setItem(r, SeriesNumber, centredItem(QString::number(r + 1), readOnlyFlags));

    auto *visible = new QCheckBox;
    visible->setChecked(true);
    table->setCellWidget(r, SeriesVisible, centredContainer({{visible, 0}}));

    const QColor colour = seriesColors.value(TrendRules::paletteIndex(r), QColor(Qt::red));
    auto *button = new QPushButton;
    button->setStyleSheet(QStringLiteral("QPushButton {background-color: %1;}").arg(colour.name()));
    auto *colourName = new QLabel(colour.name());
    table->setCellWidget(r, SeriesColour, centredContainer({{button, 1}, {colourName, 3}}));

    auto labelText = [this, labelRow](int column) {
        const QStandardItem *item = labelItem(labelRow, column);
        return item ? item->text() : QString();
    };
    const QString label = labelText(LabelColumnLabel);
    table->setItem(r, SeriesLabel, centredItem(label, readOnlyFlags));
    table->setItem(r, SeriesComment, centredItem(labelText(LabelColumnDescription), readOnlyFlags));
    table->setItem(r, SeriesUnit, centredItem(labelText(LabelColumnUnit), readOnlyFlags));

    for (int column : {CompanionText1, CompanionText2}) {
        auto *text = new QGraphicsTextItem;
        chartDrawer->scene()->addItem(text);
        store->setItem(r, column, objectItem(text, inertFlags));
    }

    const TrendRules::ScaleTexts scales = TrendRules::initialScales(labelText(LabelColumnValue));
    setScaleCells(r, scales.zero, scales.full);
    auto *autoRange = new QCheckBox;
    table->setCellWidget(r, SeriesAutoRange, centredContainer({{autoRange, 0}}));
    for (int c = SeriesFirstReadout; c <= SeriesValue; ++c)
        table->setItem(r, c, centredItem(QString(), inertFlags));

    if (live)
        addLiveSeries(r);

    // The boxes act on the row that holds them when they change, so they follow their panel.
    connect(visible, &QCheckBox::stateChanged, this, [this, visible](int state) {
        const int row = rowOfCellWidget(SeriesVisible, visible);
        if (row >= 0)
            lineisVisit(state, row);
    });
    connect(autoRange, &QCheckBox::stateChanged, this, [this, autoRange](int state) {
        const int row = rowOfCellWidget(SeriesAutoRange, autoRange);
        if (row >= 0)
            isModifyContent(state, ui->tableWidget->item(row, SeriesZero),
                            ui->tableWidget->item(row, SeriesFull));
    });
    return r;
}

QLineSeries *MainWindow::addLiveSeries(int row)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    const QTableWidgetItem *labelCell = ui->tableWidget->item(row, SeriesLabel);
    const QString label = labelCell ? labelCell->text() : QString();
    const QWidget *rangeCell = ui->tableWidget->cellWidget(row, SeriesAutoRange);
    QCheckBox *autoRange = rangeCell ? rangeCell->findChild<QCheckBox *>() : nullptr;
    const QWidget *colourCell = ui->tableWidget->cellWidget(row, SeriesColour);
    QPushButton *button = colourCell ? colourCell->findChild<QPushButton *>() : nullptr;
    QLabel *colourName = colourCell ? colourCell->findChild<QLabel *>() : nullptr;
    const QColor colour = rowColour(row);

    auto *series = new QLineSeries;
    series->setPointsVisible(false);
    series->setColor(colour);
    chartDrawer->chart()->addSeries(series);
    series->attachAxis(chartDrawer->timeAxis());
    series->attachAxis(chartDrawer->valueAxis());
    m_trendCurves.insert(series, TrendCurve());

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, series, label, timer, autoRange] {
        updateLineSeries(series, label, timer, autoRange);
    });
    timer->setInterval(samplingSeconds * 1000);
    timer->start();
    seriesTimers.insert(series, timer);
    ui->dataTableWidget->setItem(row, CompanionLive, objectItem(series, readOnlyFlags));
    if (button && colourName)
        connect(button, &QPushButton::clicked, this, [this, button, colourName, series] {
            changeButtonColor(button, colourName, series);
        });
    return series;
}

QLineSeries *MainWindow::addHistorySeries(int row, const QString &label)
{
    auto *series = new QLineSeries;
    series->setPointsVisible(false);
    // The row's colour, chosen or from the palette, so a curve reads as its row.
    series->setColor(rowColour(row));
    chartDrawer->chart()->addSeries(series);
    series->attachAxis(chartDrawer->timeAxis());
    series->attachAxis(chartDrawer->valueAxis());
    m_historyLabels.insert(series, label);
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    ui->dataTableWidget->setItem(row, CompanionHistory, objectItem(series, readOnlyFlags));
    return series;
}

void MainWindow::onMenuAddChartClicked()
{
    if (seriesSelected == 1) {
        onCellClicked(selectedRow, 0);
        seriesSelected = 0;
    }
    // One panel per label row holding a selected cell, in the order the selection lists them.
    QList<int> rows;
    for (const QModelIndex &index : ui->tableView_label->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows << index.row();
    }
    // While paused a new row is built as a switched section's is: its live curve, timer and
    // fill from the history come with the resume, so nothing ticks under a paused view.
    const bool running = TrendRules::trendRunning(ui->StartandPause->text());
    for (int row : rows)
        addSeriesPanel(row, running);
}

void MainWindow::onMenuDeleteChartClicked()
{
    QList<int> rows;
    for (const QModelIndex &index : ui->tableWidget->selectionModel()->selectedIndexes()) {
        if (!rows.contains(index.row()))
            rows << index.row();
    }
    if (rows.isEmpty())
        return;
    if (seriesSelected == 1) {
        onCellClicked(selectedRow, 0);
        seriesSelected = 0;
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        removeSeriesRow(row);
    renumberSeriesRows();
}

void MainWindow::hideReadoutTexts()
{
    for (int r = 0; r < ui->dataTableWidget->rowCount(); ++r) {
        for (int column : {CompanionText1, CompanionText2}) {
            if (QGraphicsTextItem *text = ChartDrawer::textItemAt(ui->dataTableWidget, r, column))
                text->hide();
        }
    }
}

void MainWindow::removeSeriesRow(int row)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    QTableWidget *store = ui->dataTableWidget;
    for (int column : {CompanionText1, CompanionText2}) {
        if (QGraphicsTextItem *text = ChartDrawer::textItemAt(store, row, column)) {
            if (text->scene())
                text->scene()->removeItem(text);
            delete text;
        }
    }
    for (int column = CompanionLive; column <= CompanionHistory + 1; ++column) {
        if (column == CompanionText1 || column == CompanionText2)
            continue;
        dropSeries(ChartDrawer::seriesAt(store, row, column));
    }
    ui->tableWidget->removeRow(row);
    store->removeRow(row);
}

void MainWindow::renumberSeriesRows()
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    for (int i = 0; i < ui->tableWidget->rowCount(); ++i)
        ui->tableWidget->setItem(i, SeriesNumber,
                                 centredItem(QString::number(i + 1), readOnlyFlags));
}

void MainWindow::dropSeries(QXYSeries *series)
{
    if (!series)
        return;
    if (QTimer *timer = seriesTimers.take(qobject_cast<QLineSeries *>(series))) {
        timer->stop();
        timer->deleteLater();
    }
    m_trendCurves.remove(series);
    m_historyLabels.remove(series);
    m_scaledCopies.remove(series);
    m_fedWindows.remove(series);
    if (series->chart())
        series->chart()->removeSeries(series);
    delete series;
}

int MainWindow::seriesRowOf(QXYSeries *series) const
{
    for (int r = 0; r < ui->dataTableWidget->rowCount(); ++r) {
        if (ChartDrawer::seriesAt(ui->dataTableWidget, r, CompanionLive) == series)
            return r;
    }
    return -1;
}

int MainWindow::rowOfCellWidget(int column, const QWidget *widget) const
{
    for (int r = 0; r < ui->tableWidget->rowCount(); ++r) {
        const QWidget *cell = ui->tableWidget->cellWidget(r, column);
        if (cell && cell->isAncestorOf(widget))
            return r;
    }
    return -1;
}

int MainWindow::labelRowOf(const QString &label) const
{
    for (int r = 0; r < m_labelModel->rowCount(); ++r) {
        const QStandardItem *item = m_labelModel->item(r, LabelColumnLabel);
        if (item && item->text() == label)
            return r;
    }
    return -1;
}

QColor MainWindow::rowColour(int row) const
{
    return SeriesTable::rowColour(ui->tableWidget, row);
}

void MainWindow::setScaleCells(int row, const QString &zero, const QString &full)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    const Qt::ItemFlags editable = readOnlyFlags | Qt::ItemIsEditable;
    ui->tableWidget->setItem(row, SeriesZero, centredItem(zero, editable));
    ui->tableWidget->setItem(row, SeriesFull, centredItem(full, editable));
}

// ---- Live curves ----

void MainWindow::updateLineSeries(QLineSeries *series, const QString &label, QTimer *timer0,
                                  QCheckBox *checkBox_15)
{
    if (!series || !m_trendCurves.contains(series)) {
        if (timer0)
            timer0->deleteLater();
        return;
    }
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    const int row = seriesRowOf(series);
    auto writeValueCell = [this, row](const QString &text) {
        if (row >= 0)
            ui->tableWidget->setItem(row, SeriesValue, centredItem(text, inertFlags));
    };

    // The whole value the polling loop keeps beside the six-digit text, so that live and stored
    // curves agree; a label that has left the table, or has no number yet, gives no point.
    const int labelRow = labelRowOf(label);
    const QStandardItem *cell = labelRow >= 0 ? labelItem(labelRow, LabelColumnValue) : nullptr;
    bool isNumber = false;
    double value = 0.0;
    if (cell) {
        const QVariant whole = cell->data(Qt::UserRole);
        if (whole.isValid())
            value = whole.toDouble(&isNumber);
        else
            value = cell->text().toDouble(&isNumber);
    }
    // An infinity or a NaN is no number to draw either: no point, and the bounds stay.
    if (!connectionGood || !isNumber || !TrendRules::isDrawable(value)) {
        writeValueCell(QStringLiteral(" "));
        return;
    }
    const QString valueText = cell->text();

    if (checkBox_15 && checkBox_15->isChecked() && row >= 0) {
        for (int column : {SeriesZero, SeriesFull}) {
            const QTableWidgetItem *old = ui->tableWidget->item(row, column);
            const QString text = old ? old->text() : QString();
            const bool widens = column == SeriesZero ? TrendRules::widensZero(text, value)
                                                     : TrendRules::widensFull(text, value);
            if (widens)
                ui->tableWidget->setItem(
                    row, column, centredItem(valueText, old ? old->flags() : readOnlyFlags));
        }
    }

    m_trendCurves[series].append(TrendCurve::wholeSecond(trendNow().toMSecsSinceEpoch()), value);

    TrendRules::AxisRange range{};
    if (TrendRules::widenAutoRange(&autoRangeMax, &autoRangeMin, float(value), seriesSelected != 0,
                                   &range))
        chartDrawer->valueAxis()->setRange(range.lower, range.upper);

    writeValueCell(valueText);
}

FedWindow MainWindow::shownWindow() const
{
    const QDateTimeAxis *axis = chartDrawer->timeAxis();
    return {axis->min().toMSecsSinceEpoch(), axis->max().toMSecsSinceEpoch(), plotColumns(), true};
}

void MainWindow::feedSeries(QXYSeries *series, bool force)
{
    feedSeries(series, force, shownWindow());
}

void MainWindow::feedSeries(QXYSeries *series, bool force, const FedWindow &shown)
{
    if (!series || !series->isVisible())
        return;
    const TrendCurve *curve = nullptr;
    const TrendRules::ScaleMap *map = nullptr;
    const auto copy = m_scaledCopies.constFind(series);
    if (copy != m_scaledCopies.constEnd()) {
        const auto base = m_trendCurves.constFind(copy->base);
        if (base == m_trendCurves.constEnd())
            return;
        curve = &*base;
        map = &copy->map;
    } else {
        const auto own = m_trendCurves.constFind(series);
        if (own == m_trendCurves.constEnd())
            return;
        curve = &*own;
    }
    FedWindow &fed = m_fedWindows[series];
    if (!force && !fed.needsFeed(shown.startMs, shown.endMs, shown.columns))
        return;
    series->replace(curve->window(shown.startMs, shown.endMs, shown.columns, map));
    fed = shown;
}

void MainWindow::feedDrawnSeries(bool force)
{
    // The window is read once for the step, not once a series.
    const FedWindow shown = shownWindow();
    for (auto it = m_trendCurves.constBegin(); it != m_trendCurves.constEnd(); ++it)
        feedSeries(it.key(), force, shown);
    for (auto it = m_scaledCopies.constBegin(); it != m_scaledCopies.constEnd(); ++it)
        feedSeries(it.key(), force, shown);
}

void MainWindow::clearDrawnSeries()
{
    for (auto it = m_trendCurves.constBegin(); it != m_trendCurves.constEnd(); ++it) {
        if (it.key()->isVisible())
            it.key()->clear();
    }
    for (auto it = m_scaledCopies.constBegin(); it != m_scaledCopies.constEnd(); ++it) {
        if (it.key()->isVisible())
            it.key()->clear();
    }
}

MainWindow::DrawnCurve MainWindow::drawnCurve(QXYSeries *series) const
{
    DrawnCurve drawn;
    const auto copy = m_scaledCopies.constFind(series);
    if (copy != m_scaledCopies.constEnd()) {
        series = copy->base;
        drawn.mapped = true;
        drawn.map = copy->map;
    }
    const auto curve = m_trendCurves.constFind(series);
    if (curve != m_trendCurves.constEnd())
        drawn.curve = &*curve;
    return drawn;
}

TrendCurve *MainWindow::trendCurve(QXYSeries *series)
{
    const auto curve = m_trendCurves.find(series);
    return curve == m_trendCurves.end() ? nullptr : &*curve;
}

bool MainWindow::heldValue(QXYSeries *series, qint64 secondMs, double *value)
{
    if (!series)
        return false;
    const auto curve = m_trendCurves.constFind(series);
    if (curve != m_trendCurves.constEnd()) {
        // A live curve samples at its own timer's period, fixed when it was made.
        const QTimer *timer = seriesTimers.value(qobject_cast<QLineSeries *>(series));
        const qint64 periodMs = timer ? timer->interval() : qint64(samplingSeconds) * 1000;
        return GuideReadout::valueAt(*curve, secondMs, periodMs, value);
    }
    const qint64 periodMs = qint64(samplingSeconds) * 1000;
    const auto label = m_historyLabels.constFind(series);
    if (label != m_historyLabels.constEnd()) {
        // A search draws its rows thinned: the guide reads what was stored.
        return m_sqlite.openDatabase(m_dbFileName)
               && GuideReadout::storedValueAt(m_sqlite.database(), m_projectId, *label, secondMs,
                                              periodMs, value);
    }
    return GuideReadout::valueAt(series->pointsVector(), secondMs, periodMs, value);
}

GuideReadout::Sample MainWindow::guideSample(QXYSeries *drawn, QXYSeries *base, qint64 secondMs)
{
    GuideReadout::Sample sample;
    if (!heldValue(base, secondMs, &sample.value))
        return sample;
    const auto copy = m_scaledCopies.constFind(drawn);
    if (drawn == base) {
        sample.drawn = sample.value;
    } else if (copy != m_scaledCopies.constEnd() && copy->base == base) {
        sample.drawn = copy->map.apply(sample.value);
    } else if (!heldValue(drawn, secondMs, &sample.drawn)) {
        return sample;
    }
    sample.found = true;
    return sample;
}

void MainWindow::lineisVisit(int state, int addrow)
{
    if (state != Qt::Checked && state != Qt::Unchecked)
        return;
    const bool show = state == Qt::Checked;
    for (int column : {CompanionText1, CompanionText2}) {
        if (QGraphicsTextItem *text = ChartDrawer::textItemAt(ui->dataTableWidget, addrow, column))
            text->setVisible(show);
    }
    setSeriesVisible(addrow, historyShown ? CompanionHistory : CompanionLive);
}

// Shows the series a row draws (its own, or its copy while another row is selected) as its
// visibility box says, and hides the other one.
void MainWindow::setSeriesVisible(int row, int base)
{
    const QWidget *cell = ui->tableWidget->cellWidget(row, SeriesVisible);
    const QCheckBox *box = cell ? cell->findChild<QCheckBox *>() : nullptr;
    const bool show = !box || box->isChecked();
    const bool ownDrawn = seriesSelected == 0 || selectedRow == row;
    QLineSeries *own = ChartDrawer::seriesAt(ui->dataTableWidget, row, base);
    QLineSeries *copy = ChartDrawer::seriesAt(ui->dataTableWidget, row, base + 1);
    if (own)
        own->setVisible(show && ownDrawn);
    if (copy)
        copy->setVisible(show && !ownDrawn);
    QLineSeries *drawn = ownDrawn ? own : copy;
    if (show)
        feedSeries(drawn, true);
}

void MainWindow::isModifyContent(int state, QTableWidgetItem *item1, QTableWidgetItem *item2)
{
    if ((state != Qt::Checked && state != Qt::Unchecked) || !item1 || !item2)
        return;
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    for (QTableWidgetItem *item : {item1, item2}) {
        if (state == Qt::Checked)
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        else
            item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    qDebug() << (state == Qt::Checked ? "Both items are now non-editable."
                                      : "Both items are now editable.");
}

void MainWindow::changeButtonColor(QPushButton *button, QLabel *label, QLineSeries *series)
{
    const QColor background = chartDrawer->palette().color(QPalette::Window);
    QColor chosen;
    // Again while the colour would vanish into the background; a cancel changes nothing.
    do {
        chosen = m_colourChooser ? m_colourChooser(this, Qt::white)
                                 : QColorDialog::getColor(Qt::white, this);
        if (!chosen.isValid())
            return;
    } while (colorComponents(chosen, background));
    button->setStyleSheet(QStringLiteral("background-color: %1;").arg(chosen.name()));
    label->setText(chosen.name());
    series->setColor(QColor(chosen.name()));
    if (seriesSelected == 1) {
        // Built again, so the copies and the axis take the new colour.
        onCellClicked(selectedRow, 0);
        onCellClicked(selectedRow, 0);
    }
}

void MainWindow::on_tableWidget_itemChanged(QTableWidgetItem *item)
{
    if (isEditingSeries || !item || item->tableWidget() != ui->tableWidget)
        return;
    if ((item->column() == SeriesZero || item->column() == SeriesFull) && seriesSelected == 1) {
        onCellClicked(selectedRow, 0);
        onCellClicked(selectedRow, 0);
    }
}

// ---- Scaled view ----

TrendRules::ScaleMap MainWindow::rowScaleOnto(int row, int selected) const
{
    auto scale = [this](int r, int column) {
        const QTableWidgetItem *item = ui->tableWidget->item(r, column);
        return TrendRules::scaleValue(item ? item->text() : QString());
    };
    TrendRules::ScaleMap map;
    map.z = scale(row, SeriesZero);
    map.f = scale(row, SeriesFull);
    map.Z = scale(selected, SeriesZero);
    map.F = scale(selected, SeriesFull);
    return map;
}

void MainWindow::makeScaledCopy(int row, int selected, int base)
{
    QLineSeries *own = ChartDrawer::seriesAt(ui->dataTableWidget, row, base);
    if (!own)
        return;
    const TrendRules::ScaleMap map = rowScaleOnto(row, selected);
    auto *copy = new QLineSeries;
    copy->setPointsVisible(false);
    // The guides read a copy's row through its base, live or stored.
    m_scaledCopies.insert(copy, {own, map});
    if (!m_trendCurves.contains(own)) {
        QVector<QPointF> points = own->pointsVector();
        for (QPointF &p : points)
            p.setY(map.apply(p.y()));
        copy->replace(points);
    }
    chartDrawer->chart()->addSeries(copy);
    copy->attachAxis(chartDrawer->timeAxis());
    copy->attachAxis(chartDrawer->valueAxis());
    {
        QScopedValueRollback<bool> writing(isEditingSeries, true);
        ui->dataTableWidget->setItem(row, base + 1, objectItem(copy, readOnlyFlags));
    }
    copy->setPen(QPen(rowColour(row), 1));
    setSeriesVisible(row, base);
}

void MainWindow::restoreScaledView(int base)
{
    QScopedValueRollback<bool> writing(isEditingSeries, true);
    for (int i = 0; i < ui->tableWidget->rowCount(); ++i) {
        if (i != selectedRow) {
            dropSeries(ChartDrawer::seriesAt(ui->dataTableWidget, i, base + 1));
            delete ui->dataTableWidget->takeItem(i, base + 1);
        }
    }
}

void MainWindow::showSelection(int row, int base)
{
    auto scale = [this, row](int column) {
        const QTableWidgetItem *item = ui->tableWidget->item(row, column);
        return TrendRules::scaleValue(item ? item->text() : QString());
    };
    const TrendRules::AxisRange range = TrendRules::rowRange(scale(SeriesZero), scale(SeriesFull));
    QValueAxis *axis = chartDrawer->valueAxis();
    axis->setRange(range.lower, range.upper);
    const QColor c = rowColour(row);
    if (QLineSeries *own = ChartDrawer::seriesAt(ui->dataTableWidget, row, base))
        own->setPen(QPen(c, 3));
    seriesSelected = 1;
    selectedRow = row;
    for (int i = 0; i < ui->tableWidget->rowCount(); ++i) {
        if (i != row)
            makeScaledCopy(i, row, base);
    }
    setSeriesVisible(row, base);
    const QTableWidgetItem *unit = ui->tableWidget->item(row, SeriesUnit);
    axis->setLinePenColor(c);
    axis->setLabelsColor(c);
    axis->setTitleText(unit ? unit->text() : QString());
    axis->setTitleBrush(QBrush(c));
}

void MainWindow::shownValueExtremes(float *max, float *min) const
{
    *max = historyShown ? historyValueMax : autoRangeMax;
    *min = historyShown ? historyValueMin : autoRangeMin;
}

void MainWindow::onCellClicked(int row, int column)
{
    Q_UNUSED(column)
    const int base = historyShown ? CompanionHistory : CompanionLive;
    QLineSeries *clicked = ChartDrawer::seriesAt(ui->dataTableWidget, row, base);
    if (!clicked)
        return;
    hideReadoutTexts();

    if (seriesSelected == 0) {
        showSelection(row, base);
    } else {
        const int previous = selectedRow;
        restoreScaledView(base);
        if (QLineSeries *own = ChartDrawer::seriesAt(ui->dataTableWidget, previous, base))
            own->setPen(QPen(rowColour(previous), 1));
        if (row == previous) {
            float max = 0.0f;
            float min = 0.0f;
            shownValueExtremes(&max, &min);
            const TrendRules::AxisRange range = TrendRules::extremesRange(max, min);
            chartDrawer->valueAxis()->setRange(range.lower, range.upper);
            seriesSelected = 0;
            for (int i = 0; i < ui->tableWidget->rowCount(); ++i)
                setSeriesVisible(i, base);
            on_backgroundColorSelect_activated(ui->backgroundColorSelect->currentIndex());
            chartDrawer->valueAxis()->setTitleText(QString());
        } else {
            showSelection(row, base);
        }
    }
    updateGuideReadouts(0);
}
