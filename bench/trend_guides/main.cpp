// Prints what a refresh of the guide lines' readouts costs: both guides of 25 series rows whose
// curves hold 604,800 one-second points (seven days) on the 7-day window, the cells written and
// the texts placed, as the guide timers and the window's full refresh do it. Beside it the bare
// search for the same 50 samples by a linear scan from each curve's first point, and the 50
// look-ups a guide on a history search makes in the stored rows of a day.
#include "benchwindow.h"
#include "chartdrawer.h"
#include "datafill.h"
#include "guidereadout.h"
#include "labeltypes.h"
#include "sqlitehandler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QStandardItem>
#include <QTextStream>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <algorithm>

namespace {

const int rows = 25;
const int held = 604800;
const int sevenDayEntry = 13; // of the time-window selector
const int repeats = 20;

void doubleClick(QWidget *viewport, const QPoint &pos)
{
    for (QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
          QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons
            = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, viewport->mapToGlobal(pos), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
}

// The search as first written: from the first point, the first whose time lies in the second.
int linearIndex(const QVector<QPointF> &points, qint64 secondMs)
{
    for (int i = 0; i < points.size(); ++i) {
        if (points[i].x() >= double(secondMs) && points[i].x() < double(secondMs + 999))
            return i;
    }
    return -1;
}

struct Timing
{
    double mean = 0;
    double max = 0;
};

template<typename F>
Timing measure(F run)
{
    Timing timing;
    QElapsedTimer clock;
    for (int i = 0; i < repeats; ++i) {
        clock.start();
        run();
        const double ms = clock.nsecsElapsed() / 1e6;
        timing.mean += ms / repeats;
        timing.max = std::max(timing.max, ms);
    }
    return timing;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Any box or file dialog that came is listed at the end.
    BenchFolder folder;

    QTextStream out(stdout);
    const QDateTime start = QDateTime::fromString("2026-12-10T10:00:00", Qt::ISODate);
    QDateTime now = start;
    {
        MainWindow window(folder.services);
        showTrendPage(window, now);
        for (int c = 0; c < rows; ++c)
            window.addLabelRow({"", QStringLiteral("LW%1").arg(c + 1), QStringLiteral("C%1").arg(c),
                                "50", "", "float"});
        trendAllLabels(window);

        // Seven days of one-second samples in every curve, and the same points in plain
        // vectors for the scan.
        const qint64 endSecond = start.toMSecsSinceEpoch() / 1000;
        QVector<QVector<QPointF>> plain;
        ChartDrawer *view = window.trendView();
        for (int r = 0; r < rows; ++r) {
            QtCharts::QLineSeries *series
                = ChartDrawer::seriesAt(window.form()->dataTableWidget, r, 0);
            TrendCurve *curve = window.trendCurve(series);
            QVector<QPointF> points;
            points.reserve(held);
            for (qint64 s = endSecond - held + 1; s <= endSecond; ++s) {
                curve->append(s * 1000, benchSample(r, s));
                points.append(QPointF(double(s * 1000), benchSample(r, s)));
            }
            plain.append(points);
        }
        window.form()->rangeTime->setCurrentIndex(sevenDayEntry);
        QMetaObject::invokeMethod(&window, "updateTimeLine");
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();

        // Both guides shown at a third and two thirds of the plot, released.
        const QRectF plot = view->chart()->plotArea();
        const int y = int(plot.center().y());
        const QPoint p1(int(plot.left() + plot.width() / 3), y);
        const QPoint p2(int(plot.left() + plot.width() * 2 / 3), y);
        doubleClick(view->viewport(), p1);
        doubleClick(view->viewport(), p2);
        QMouseEvent release(QEvent::MouseButtonPress, p2, Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
        view->mousePressEvent(&release);
        view->guideTimer1()->stop();
        view->guideTimer2()->stop();
        double x1 = 0, x2 = 0;
        QDateTime t1, t2;
        view->guideState(&x1, &x2, &t1, &t2);

        const Timing timers = measure([view] {
            QMetaObject::invokeMethod(view->guideTimer1(), "timeout");
            QMetaObject::invokeMethod(view->guideTimer2(), "timeout");
        });
        const Timing full = measure([&window] { window.updateGuideReadouts(0); });
        int found = 0;
        const Timing binary = measure([&plain, &t1, &t2, &found] {
            found = 0;
            for (const QVector<QPointF> &points : plain) {
                for (const QDateTime &t : {t1, t2})
                    found += GuideReadout::indexOfSecond(points, t.toMSecsSinceEpoch()) >= 0;
            }
        });
        int scanned = 0;
        const Timing linear = measure([&plain, &t1, &t2, &scanned] {
            scanned = 0;
            for (const QVector<QPointF> &points : plain) {
                for (const QDateTime &t : {t1, t2})
                    scanned += linearIndex(points, t.toMSecsSinceEpoch()) >= 0;
            }
        });

        out << "Guide readouts: " << rows << " rows of " << held << " one-second points, 7-day"
            << " window, guides at " << t1.toString("yyyy-MM-dd hh:mm:ss") << " and "
            << t2.toString("yyyy-MM-dd hh:mm:ss") << " (cells: PV_1 "
            << window.form()->tableWidget->item(0, 5)->text() << ", V1/V2 "
            << window.form()->tableWidget->item(0, 11)->text() << ")\n";
        out << "what                                          mean ms   max ms   (" << repeats
            << " runs)\n";
        auto line = [&out](const char *what, const Timing &timing) {
            out << QString("%1 %2 %3\n")
                       .arg(QString::fromLatin1(what), -44)
                       .arg(timing.mean, 9, 'f', 3)
                       .arg(timing.max, 8, 'f', 3);
        };
        line("refresh of both guides (the two timers)", timers);
        line("full refresh (updateGuideReadouts)", full);
        line("search only, by time (binary), 50 samples", binary);
        line("search only, linear scan from the first point", linear);

        // A search's curves are thinned: its guides read the stored rows instead, here a day
        // of one row a second for every label.
        SQLiteHandler history;
        if (history.openDatabase(folder.dir.filePath("HistoryData.db"))) {
            const int daySeconds = 86400;
            QSqlQuery insert(history.database());
            if (startDataFill(history.database(), qint64(rows) * daySeconds, &insert)) {
                for (int r = 0; r < rows; ++r) {
                    for (qint64 s = endSecond - daySeconds + 1; s <= endSecond; ++s) {
                        insert.addBindValue(1);
                        insert.addBindValue(QStringLiteral("LW%1").arg(r + 1));
                        insert.addBindValue(benchSample(r, s));
                        insert.addBindValue(QDateTime::fromMSecsSinceEpoch(s * 1000).toString(
                            QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")));
                        insert.exec();
                    }
                }
                history.database().commit();
            }
            const qint64 g1 = start.addSecs(-daySeconds / 3).toMSecsSinceEpoch();
            const qint64 g2 = start.addSecs(-daySeconds * 2 / 3).toMSecsSinceEpoch();
            int stored = 0;
            const Timing lookups = measure([&] {
                stored = 0;
                for (int r = 0; r < rows; ++r) {
                    for (qint64 t : {g1, g2}) {
                        double value = 0;
                        stored += GuideReadout::storedValueAt(history.database(), 1,
                                                              QStringLiteral("LW%1").arg(r + 1), t,
                                                              1000, &value);
                    }
                }
            });
            line("stored look-ups of a search, 50 samples", lookups);
            out << "stored samples found: " << stored << " of 50 in " << rows * daySeconds
                << " rows\n";
        }
        out << "samples found: " << found << " by time, " << scanned << " by scan; aim: a"
            << " refresh of both guides under 5 ms. Run it on a screen of 1920x1080"
            << " (xvfb-run -s \"-screen 0 1920x1080x24\"); the offscreen platform's small screen"
            << " shrinks the window.\n";
    }
    folder.printUnexpected(out);
    return 0;
}
