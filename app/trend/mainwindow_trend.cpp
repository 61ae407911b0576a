// The trend page's part of the main window: series tables, the live trend view and its
// time line, colour schemes and the sampling time.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "chartdrawer.h"

#include <QHeaderView>
#include <iterator>
#include <QMenu>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QValueAxis>

namespace {

const char headerStyle[] =
    "QHeaderView::section {border: 1px solid gray;background-color: rgb(240, 240, 240);}";
const int seriesColumnWidths[] = {50, 80, 120, 100, 300, 80, 80, 80, 80,
                                  90, 90, 90, 90, 100, 100, 100, 120};

struct ColourScheme
{
    const char *selectorStyle;
    Qt::GlobalColor foreground;
    Qt::GlobalColor background;
    Qt::GlobalColor guide1;
    Qt::GlobalColor guide2;
};

const ColourScheme colourSchemes[] = {
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: white; color: black; }",
     Qt::black, Qt::white, Qt::blue, Qt::red},
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: black; color: white; }",
     Qt::white, Qt::black, Qt::cyan, Qt::yellow},
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: gray; color: white; }",
     Qt::white, Qt::gray, Qt::cyan, Qt::yellow},
};

const int samplingTable[] = {1, 2, 5, 10, 30, 60, 120, 300};

} // namespace

void MainWindow::initSeriesTable()
{
    ui->tableWidget->setColumnCount(17);
    ui->tableWidget->setHorizontalHeaderLabels(
        {tr("序号"), tr("可视"), tr("颜色"), tr("标签"), tr("注释"), "PV_1", "Time_1", "PV_2",
         "Time_2", "P1-P2", "T1-T2", "V1/V2", "PV", tr("单位"), tr("零刻度"), tr("满刻度"),
         tr("量程自动切换")});
    ui->tableWidget->horizontalHeader()->setStyleSheet(QLatin1String(headerStyle));
    for (int c = 0; c < 17; ++c)
        ui->tableWidget->setColumnWidth(c, seriesColumnWidths[c]);
    ui->tableWidget->verticalHeader()->setVisible(false);
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);

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
        {0, tr("序号")},   {1, tr("可视")},   {2, tr("颜色")},   {3, tr("标签")},
        {4, tr("描述")},   {13, tr("单位")},  {14, tr("零刻度")}, {15, tr("满刻度")},
        {16, tr("量程自动切换")}};
    for (const auto &header : headers) {
        if (QTableWidgetItem *item = ui->tableWidget->horizontalHeaderItem(header.first))
            item->setText(header.second);
    }
}

void MainWindow::initChartView()
{
    chartMenu = new QMenu(this);
    deleteChartAction = new QAction(tr("删除数据"), this);
    chartMenu->addAction(deleteChartAction);
    ui->tableWidget->setContextMenuPolicy(Qt::CustomContextMenu);

    chartDrawer = new ChartDrawer(this, this, ui);
    chartDrawer->initChart();
    ui->verticalLayout->addWidget(chartDrawer, 0);

    windowNow = QDateTime::currentDateTime();
    autoRangeMax = 1.0f;
    autoRangeMin = 0.0f;

    timeLineTimer = new QTimer(this);
    connect(timeLineTimer, &QTimer::timeout, this, &MainWindow::updateTimeLine);
    timeLineTimer->setInterval(500);
    timeLineTimer->start();
    connectionGood = false;
}

void MainWindow::updateTimeLine()
{
    // The axis follows the clock only while live display runs (the button offers "pause").
    const QString live = ui->StartandPause->text();
    if (live != tr("暂停") && live != QLatin1String("Pause"))
        return;
    windowNow = QDateTime::currentDateTime();
    chartDrawer->timeAxis()->setRange(windowNow.addSecs(-rangeSeconds), windowNow);
}

void MainWindow::on_backgroundColorSelect_activated(int index)
{
    if (index < 0 || index >= int(std::size(colourSchemes)))
        return;
    const ColourScheme &scheme = colourSchemes[index];
    ui->backgroundColorSelect->setStyleSheet(QLatin1String(scheme.selectorStyle));
    chartDrawer->setPalette(QPalette(scheme.background));
    QtCharts::QChart *chart = chartDrawer->chart();
    chart->setBackgroundBrush(QBrush(scheme.background));
    for (QtCharts::QAbstractAxis *axis :
         {static_cast<QtCharts::QAbstractAxis *>(chartDrawer->timeAxis()),
          static_cast<QtCharts::QAbstractAxis *>(chartDrawer->valueAxis())}) {
        axis->setLinePenColor(scheme.foreground);
        axis->setLabelsColor(scheme.foreground);
    }
}

void MainWindow::on_samplingTime_currentIndexChanged(int index)
{
    if (index >= 0 && index < int(std::size(samplingTable)))
        samplingSeconds = samplingTable[index];
}

void MainWindow::onCellClicked(int row, int column)
{
    // The colour and visibility cells act with the series panels of the trend work.
    Q_UNUSED(row)
    Q_UNUSED(column)
}
