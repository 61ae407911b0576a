#pragma once

#include <QtCharts/QChartView>

class MainWindow;
class Ui_MainWindow;

namespace QtCharts {
class QDateTimeAxis;
class QValueAxis;
} // namespace QtCharts

// The live trend view of the trend page: a chart with a time axis and a value axis. Its guide
// lines and readouts come with the trend work; the window already forwards mouse events to it.
class ChartDrawer : public QtCharts::QChartView
{
    Q_OBJECT

public:
    ChartDrawer(QWidget *parent, MainWindow *mainWindow, Ui_MainWindow *ui);

    void initChart();
    QtCharts::QDateTimeAxis *timeAxis() const { return m_timeAxis; }
    QtCharts::QValueAxis *valueAxis() const { return m_valueAxis; }

    // Public: the main window hands its own presses and moves on to the guide lines.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    MainWindow *m_mainWindow;
    Ui_MainWindow *m_ui;
    QtCharts::QDateTimeAxis *m_timeAxis = nullptr;
    QtCharts::QValueAxis *m_valueAxis = nullptr;
};
