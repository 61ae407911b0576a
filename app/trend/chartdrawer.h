#pragma once

#include "guidereadout.h"

#include <QDateTime>
#include <QMap>
#include <QPen>
#include <QtCharts/QChartView>

class MainWindow;
class Ui_MainWindow;
class QGraphicsLineItem;
class QGraphicsTextItem;
class QTableWidget;
class QTimer;

namespace QtCharts {
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QXYSeries;
} // namespace QtCharts

// The trend view of the trend page: the curves of the series table against a time axis and a
// value axis, with two movable vertical guide lines and their labels.
class ChartDrawer : public QtCharts::QChartView
{
    Q_OBJECT

public:
    ChartDrawer(QWidget *parent, MainWindow *mainWindow, Ui_MainWindow *ui);
    ~ChartDrawer() override;

    // Chart, axes, guide items and guide timers; once, right after construction.
    void initChart();
    QtCharts::QDateTimeAxis *timeAxis() const { return m_timeAxis; }
    QtCharts::QValueAxis *valueAxis() const { return m_valueAxis; }

    // Series of type 0 (line), 6 (scatter) or 7 (spline) on both axes, registered under name;
    // any other type creates nothing.
    void addSeries(int type, const QString &name);
    void appendPoints(const QString &name, const QList<QPointF> &points);
    QtCharts::QXYSeries *registeredSeries(const QString &name) const;
    // Index of the point of the second that starts at time ([t, t + 999) ms), or -1.
    static int findNearestPoint(QtCharts::QXYSeries *series, const QDateTime &time);
    // The objects the companion table keeps in an item's user data; null when absent.
    static QtCharts::QLineSeries *seriesAt(QTableWidget *table, int row, int column);
    static QGraphicsTextItem *textItemAt(QTableWidget *table, int row, int column);

    // 0 and 1: the time labels of guide 1 and 2; 3 and 4: their number labels; else null.
    QGraphicsTextItem *guideLabel(int index) const;
    // 0 and 1: guide line 1 and 2; else null.
    QGraphicsLineItem *guideLineItem(int index) const;
    void guideState(double *x1, double *x2, QDateTime *t1, QDateTime *t2) const;
    // Whether guide 1 or 2 follows the mouse.
    bool guideSelected(int guide) const
    {
        return guide == 1 ? m_guide1Selected : guide == 2 && m_guide2Selected;
    }
    void setGuideTime(const QDateTime &t1, const QDateTime &t2);
    QTimer *guideTimer1() const { return m_guideTimer1; }
    QTimer *guideTimer2() const { return m_guideTimer2; }
    // Guide pens of colour scheme 0, 1 or 2; any other scheme changes nothing.
    void setGuideLineColor(int scheme);
    // Both guides hidden and released, their positions and times cleared.
    void resetGuides();
    // Refreshes the readouts of the rows at guide line `line` (the guide timers call it).
    void refreshGuideReadout(QGraphicsLineItem *line);
    // Fills every row's cells of guide `guide` (1 or 2) at its time and places its readout texts;
    // the history curves while a search is shown, else the live ones.
    void writeGuideReadouts(int guide);
    // The second under a position of the view.
    QDateTime timeAt(const QPoint &pos) const;

    // Public: the main window hands its own presses and moves on to the guide lines.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    // The items and state of guide 1 or 2.
    struct Guide
    {
        QGraphicsLineItem *line;
        QGraphicsTextItem *timeLabel;
        QGraphicsTextItem *numberLabel;
        bool *selected;
        int *x;
        int *y;
        QDateTime *time;
        QPen *pen;
        QTimer *timer;
    };
    Guide guide(int k);
    void selectGuide(int k);
    void releaseGuide(int k);
    void hideGuide(int k);
    void dragGuide(int k, const QPoint &pos, const QDateTime &t);
    void rowReadouts(int k, int x, const QDateTime &t);
    // What series `drawn` shows at a second and what its row's base series reads there.
    GuideReadout::Sample sampleAt(QtCharts::QXYSeries *drawn, QtCharts::QXYSeries *base,
                                  const QDateTime &t) const;
    void showStatus(const QString &text);

    MainWindow *m_mainWindow;
    Ui_MainWindow *m_ui;
    QtCharts::QChart *m_chart = nullptr;
    QtCharts::QDateTimeAxis *m_timeAxis = nullptr;
    QtCharts::QValueAxis *m_valueAxis = nullptr;
    QGraphicsLineItem *m_guideLine1 = nullptr;
    QGraphicsLineItem *m_guideLine2 = nullptr;
    QGraphicsTextItem *m_timeLabel1 = nullptr;
    QGraphicsTextItem *m_timeLabel2 = nullptr;
    QGraphicsTextItem *m_numberLabel1 = nullptr;
    QGraphicsTextItem *m_numberLabel2 = nullptr;
    QMap<QString, QtCharts::QXYSeries *> m_seriesByName;
    int m_lastSeriesType = 0;
    bool m_guide1Selected = false;
    bool m_guide2Selected = false;
    int m_guide1X = 0;
    int m_guide1Y = 0;
    int m_guide2X = 0;
    int m_guide2Y = 0;
    QDateTime m_guide1Time;
    QDateTime m_guide2Time;
    // 0 while the readouts read the live curves, 1 while they read a history search's.
    int m_readoutBase = 0;
    QPen m_guidePen1;
    QPen m_guidePen2;
    QTimer *m_guideTimer1 = nullptr; // 1000 ms, refreshes guide 1's readouts
    QTimer *m_guideTimer2 = nullptr; // 1000 ms, refreshes guide 2's readouts
};
