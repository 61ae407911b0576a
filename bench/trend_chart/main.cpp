// Prints what the live trend costs: a step of the time line (the axis and the drawn series moved
// when the window moved a pixel column, the view painted then) and a tick of every curve, for 1, 10
// and 25 curves holding 1,000, 86,400 and 604,800 one-second points on 10-minute, 24-hour and
// 7-day windows. Beside it the same chart with series that hold every point. Run it on a screen
// of 1920x1080 (xvfb-run -s "-screen 0 1920x1080x24"; the offscreen platform's small screen
// shrinks the window); "--quick" leaves out the held-everything runs of 604,800 points, "--drawn"
// all of them; "--steps" gives every curve a value that holds for ten minutes at a time, as a
// set point or a state does, instead of a noisy wave.
#include "benchwindow.h"
#include "chartdrawer.h"
#include "labeltypes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTextStream>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

using namespace QtCharts;

namespace {

const int stepMs = 500;
// A minute of time-line steps.
const int minuteOfSteps = 60000 / stepMs;
const int heldEverythingSteps = 3;
bool steps = false;

// The sample of a curve at a second: the noisy wave, or with "--steps" its value at the start of
// each ten minutes.
double sample(int curve, qint64 second)
{
    return steps ? std::round(benchSample(curve, second - second % 600))
                 : benchSample(curve, second);
}

struct Window
{
    int seconds;
    int rangeIndex; // entry of the time-window selector
    const char *name;
};

const Window windows[] = {{600, 3, "10 min"}, {86400, 11, "24 h"}, {604800, 13, "7 d"}};

void paint(QChartView *view)
{
    QCoreApplication::processEvents();
    view->viewport()->repaint();
}

// A step of the time line, painted when it moved the axis (the view is only updated then);
// true when it moved.
bool step(MainWindow &window)
{
    QtCharts::QDateTimeAxis *axis = window.trendView()->timeAxis();
    const QDateTime shownEnd = axis->max();
    QMetaObject::invokeMethod(&window, "updateTimeLine");
    if (axis->max() == shownEnd) {
        QCoreApplication::processEvents();
        return false;
    }
    paint(window.trendView());
    return true;
}

struct Figures
{
    double firstStepMs = 0;
    double meanStepMs = 0;
    double maxStepMs = 0;
    double tickMs = 0;
    double pointsPerColumn = 0;
    int moves = 0;
    int columns = 0;
};

Figures measureWindow(MainWindow &window, QDateTime &now, const Window &w)
{
    Figures figures;
    ChartDrawer *view = window.trendView();
    QElapsedTimer clock;
    window.form()->rangeTime->setCurrentIndex(w.rangeIndex);
    paint(view);
    // The first step after a change of window feeds every series.
    now = now.addMSecs(stepMs);
    clock.start();
    QMetaObject::invokeMethod(&window, "updateTimeLine");
    paint(view);
    figures.firstStepMs = clock.nsecsElapsed() / 1e6;

    double total = 0;
    for (int i = 0; i < minuteOfSteps; ++i) {
        now = now.addMSecs(stepMs);
        clock.start();
        if (step(window))
            ++figures.moves;
        const double ms = clock.nsecsElapsed() / 1e6;
        total += ms;
        figures.maxStepMs = std::max(figures.maxStepMs, ms);
    }
    figures.meanStepMs = total / minuteOfSteps;

    // A tick of every curve (each on its own timer in the program).
    clock.start();
    for (QTimer *timer : window.seriesTimers)
        QMetaObject::invokeMethod(timer, "timeout");
    figures.tickMs = clock.nsecsElapsed() / 1e6;

    const double columns = std::max(1.0, view->chart()->plotArea().width());
    figures.columns = int(columns);
    for (auto it = window.seriesTimers.cbegin(); it != window.seriesTimers.cend(); ++it)
        figures.pointsPerColumn = std::max(figures.pointsPerColumn, it.key()->count() / columns);
    return figures;
}

// The same chart with series that hold every point: a step moves the axis and paints, a tick
// appends a point to every series and paints.
Figures measureHeldEverything(int curves, int held, const Window &w, const QDateTime &end)
{
    Figures figures;
    QChartView view;
    auto *chart = new QChart;
    view.setChart(chart);
    chart->legend()->hide();
    auto *timeAxis = new QDateTimeAxis;
    auto *valueAxis = new QValueAxis;
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    valueAxis->setRange(0, 100);
    const qint64 endSecond = end.toMSecsSinceEpoch() / 1000;
    QList<QLineSeries *> series;
    for (int c = 0; c < curves; ++c) {
        auto *line = new QLineSeries;
        QVector<QPointF> points;
        points.reserve(held);
        for (qint64 s = endSecond - held + 1; s <= endSecond; ++s)
            points.append(QPointF(double(s * 1000), sample(c, s)));
        line->replace(points);
        chart->addSeries(line);
        line->attachAxis(timeAxis);
        line->attachAxis(valueAxis);
        series << line;
    }
    view.resize(1900, 560);
    view.show();
    QDateTime now = end;
    timeAxis->setRange(now.addSecs(-w.seconds), now);
    paint(&view);

    QElapsedTimer clock;
    double total = 0;
    for (int i = 0; i < heldEverythingSteps; ++i) {
        now = now.addMSecs(stepMs);
        clock.start();
        timeAxis->setRange(now.addSecs(-w.seconds), now);
        paint(&view);
        const double ms = clock.nsecsElapsed() / 1e6;
        total += ms;
        figures.maxStepMs = std::max(figures.maxStepMs, ms);
    }
    figures.meanStepMs = total / heldEverythingSteps;
    clock.start();
    for (int c = 0; c < curves; ++c)
        series[c]->append(double((endSecond + 1) * 1000), sample(c, endSecond + 1));
    paint(&view);
    figures.tickMs = clock.nsecsElapsed() / 1e6;
    const double columns = std::max(1.0, chart->plotArea().width());
    figures.pointsPerColumn
        = double(series.first()->count()) * w.seconds / std::max(held, w.seconds) / columns;
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    const bool drawnOnly = args.contains(QStringLiteral("--drawn"));
    steps = args.contains(QStringLiteral("--steps"));
    // "--curves N" and "--held N" run only those rows.
    auto only = [&args](const char *name) {
        const int at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : 0;
    };
    const int onlyCurves = only("--curves");
    const int onlyHeld = only("--held");
    // Any box or file dialog that came is listed at the end.
    BenchFolder folder;

    QTextStream out(stdout);
    out << "Live trend in a 1920x1080 window" << (steps ? ", values held ten minutes each" : "")
        << "; steps of " << stepMs << " ms, a minute of steps = " << minuteOfSteps << "\n";
    out << "curves   held      window  | drawn: first step  mean step  max step  moved   tick"
           "  pts/col | all held: mean step   tick\n";
    int plotColumns = 0;
    int viewWidth = 0;
    const QDateTime start = QDateTime::fromString("2026-12-10T10:00:00", Qt::ISODate);
    for (int curves : {1, 10, 25}) {
        for (int held : {1000, 86400, 604800}) {
            if ((onlyCurves && curves != onlyCurves) || (onlyHeld && held != onlyHeld))
                continue;
            QDateTime now = start;
            MainWindow window(folder.services);
            showTrendPage(window, now);
            for (int c = 0; c < curves; ++c)
                window.addLabelRow({"", QStringLiteral("LW%1").arg(c + 1), "", "50", "", "float"});
            trendAllLabels(window);
            const qint64 endSecond = start.toMSecsSinceEpoch() / 1000;
            int c = 0;
            for (auto it = window.seriesTimers.cbegin(); it != window.seriesTimers.cend(); ++it) {
                TrendCurve *curve = window.trendCurve(it.key());
                for (qint64 s = endSecond - held + 1; s <= endSecond; ++s)
                    curve->append(s * 1000, sample(c, s));
                ++c;
            }
            for (int row = 0; row < curves; ++row) {
                QStandardItem *value = window.labelItem(row, LabelColumnValue);
                value->setText(QStringLiteral("50"));
                value->setData(50.0, Qt::UserRole);
            }
            window.connectionGood = true;
            for (const Window &w : windows) {
                const Figures ours = measureWindow(window, now, w);
                plotColumns = ours.columns;
                viewWidth = window.trendView()->width();
                out << QString("%1  %2  %3 | %4 %5 %6 %9 %7 %8 |")
                           .arg(curves, 6)
                           .arg(held, 7)
                           .arg(QString::fromLatin1(w.name), 9)
                           .arg(ours.firstStepMs, 15, 'f', 1)
                           .arg(ours.meanStepMs, 10, 'f', 1)
                           .arg(ours.maxStepMs, 9, 'f', 1)
                           .arg(ours.tickMs, 6, 'f', 2)
                           .arg(ours.pointsPerColumn, 8, 'f', 2)
                           .arg(ours.moves, 6);
                out.flush();
                if (drawnOnly || (quick && held > 86400)) {
                    out << "           (left out)\n";
                } else {
                    const Figures parts = measureHeldEverything(curves, held, w, now);
                    out << QString("%1 %2\n")
                               .arg(parts.meanStepMs, 20, 'f', 1)
                               .arg(parts.tickMs, 6, 'f', 1);
                }
                out.flush();
            }
        }
    }
    out << "Plot area " << plotColumns << " pixel columns of a " << viewWidth
        << " pixel view. Times in ms. \"first step\" feeds every series after a change of window;"
           " the mean and max are over a minute of steps; pts/col is the most points a drawn"
           " series holds per pixel column; moved counts the steps of the minute that moved the"
           " axis.\n";
    folder.printUnexpected(out);
    return 0;
}
