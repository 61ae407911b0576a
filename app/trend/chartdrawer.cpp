#include "chartdrawer.h"

#include <QDateTime>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

ChartDrawer::ChartDrawer(QWidget *parent, MainWindow *mainWindow, Ui_MainWindow *ui)
    : QChartView(parent), m_mainWindow(mainWindow), m_ui(ui)
{
}

void ChartDrawer::initChart()
{
    auto *chart = new QChart;
    chart->legend()->hide();
    m_timeAxis = new QDateTimeAxis(chart);
    m_timeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    m_timeAxis->setTickCount(11);
    const QDateTime now = QDateTime::currentDateTime();
    m_timeAxis->setRange(now.addSecs(-600), now);
    m_valueAxis = new QValueAxis(chart);
    m_valueAxis->setRange(0.0, 1.0);
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
}

void ChartDrawer::mousePressEvent(QMouseEvent *event)
{
    QChartView::mousePressEvent(event);
}

void ChartDrawer::mouseMoveEvent(QMouseEvent *event)
{
    QChartView::mouseMoveEvent(event);
}
