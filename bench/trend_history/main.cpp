// Prints what the history side of the trend page costs the window on a week of 25 labels at a
// row a second (15.1M rows, about 1.5 GB), each action from its slot to the end of the repaint,
// run twice: searches of 10 minutes, 7 days, 3 days and 24 hours and a step of the last, section
// switches with prefill on the 7-day and 10-minute windows, and a resume after 10 minutes. Each
// label has a 10-second excursion up and one down on the last day; beside each search stand the
// points drawn and how many curves draw both excursions inside the fitted axis. Run it on a screen
// of 1920x1080 (xvfb-run -s "-screen 0 1920x1080x24"). The history file is built once (about a
// minute) and kept:
//   trend_history [history file]      (default: <build>/bench_data/trend_history_week.db)
#include "benchwindow.h"
#include "weekhistory.h"
#include "chartdrawer.h"
#include "sqlitehandler.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidget>
#include <QThread>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <functional>

using namespace QtCharts;

namespace {

const int labelCount = weekLabelCount;
const QDateTime firstSample = weekFirstSample();
// The trend clock stands at the end of the week.
const QDateTime weekEnd = firstSample.addSecs(weekSeconds);

// Entries of the time-window selector.
const int tenMinutes = 3;
const int day = 11;
const int threeDays = 12;
const int week = 13;
const int secondsOf[] = {600, 86400, 259200, 604800}; // of the four entries above

void paint(MainWindow &window)
{
    QCoreApplication::processEvents();
    window.trendView()->viewport()->repaint();
}

// The action and the repaint after it, in ms.
double timed(MainWindow &window, const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    paint(window);
    return clock.nsecsElapsed() / 1e6;
}

struct Drawn
{
    int points = 0;
    int bothExcursions = 0;
};

// What the history curves of a search draw: all points, and the curves that draw both
// excursions of their label inside the value axis.
Drawn searchDrawn(MainWindow &window)
{
    Drawn drawn;
    const QValueAxis *axis = window.trendView()->valueAxis();
    QTableWidget *companion = window.form()->dataTableWidget;
    for (int r = 0; r < companion->rowCount(); ++r) {
        const QLineSeries *series = ChartDrawer::seriesAt(companion, r, 4);
        if (!series)
            continue;
        drawn.points += series->count();
        bool up = false;
        bool down = false;
        for (const QPointF &p : series->pointsVector()) {
            up = up || (p.y() == 100 + r && p.y() <= axis->max());
            down = down || (p.y() == -50 - r && p.y() >= axis->min());
        }
        drawn.bothExcursions += up && down ? 1 : 0;
    }
    return drawn;
}

int livePoints(MainWindow &window)
{
    int points = 0;
    for (auto it = window.seriesTimers.cbegin(); it != window.seriesTimers.cend(); ++it) {
        if (const TrendCurve *curve = window.trendCurve(it.key()))
            points += curve->size();
    }
    return points;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString file = argc > 1
                             ? QString::fromLocal8Bit(argv[1])
                             : QStringLiteral(MORVELIN_BENCH_DATA_DIR "/trend_history_week.db");
    QTextStream out(stdout);
    QElapsedTimer prepare;
    prepare.start();
    if (!ensureWeekHistory(file)) {
        QTextStream(stderr) << "cannot build " << file << "\n";
        return 1;
    }
    out << "history " << QFileInfo(file).absoluteFilePath() << " ("
        << QFileInfo(file).size() / (1024 * 1024) << " MB, " << labelCount << " labels x "
        << weekSeconds << " s), ready after " << prepare.elapsed() << " ms; "
        << QThread::idealThreadCount() << " cores\n";

    BenchFolder folder;
    const QString project = writeWeekProject(
        folder.dir.path(), file, QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"));

    QDateTime now = weekEnd;
    MainWindow window(folder.services);
    showTrendPage(window, now);
    window.openProjectFile(project);
    if (window.projectId() != 1 || window.form()->tableWidget->rowCount() != labelCount) {
        QTextStream(stderr) << "the project did not open with its section\n";
        return 1;
    }
    Ui::MainWindow *ui = window.form();
    for (QTimer *timer : window.seriesTimers)
        timer->stop();

    out << "action (slot and repaint)                 first ms   again ms   drawn\n";
    auto line = [&out](const QString &what, double first, double again, const QString &drawn) {
        out << what.leftJustified(40) << QString::asprintf("%10.1f %10.1f   ", first, again)
            << drawn << "\n"
            << Qt::flush;
    };

    // Section switches with prefill while the view runs.
    for (const auto &w : {qMakePair(week, QStringLiteral("7 d")),
                          qMakePair(tenMinutes, QStringLiteral("10 min"))}) {
        ui->rangeTime->setCurrentIndex(w.first);
        paint(window);
        double ms[2];
        for (double &m : ms) {
            m = timed(window, [&] {
                QMetaObject::invokeMethod(&window, "on_dataClassification_activated",
                                          Q_ARG(int, 0));
            });
            for (QTimer *timer : window.seriesTimers)
                timer->stop();
        }
        line("switch with prefill, 25 curves, " + w.second, ms[0], ms[1],
             QStringLiteral("%1 points").arg(livePoints(window)));
    }

    // A resume after 10 minutes paused fills the stretch of every curve.
    {
        double ms[2];
        for (double &m : ms) {
            now = weekEnd.addSecs(-600);
            ui->StartandPause->click();
            now = weekEnd;
            m = timed(window, [&] { ui->StartandPause->click(); });
            for (QTimer *timer : window.seriesTimers)
                timer->stop();
        }
        line(QStringLiteral("resume after 10 min, 25 curves"), ms[0], ms[1],
             QStringLiteral("%1 points").arg(livePoints(window)));
    }

    // Searches while paused, each ending at the end of the week.
    ui->StartandPause->click();
    struct Search
    {
        int entry;
        int seconds;
        QString name;
    };
    const QList<Search> searches{{tenMinutes, secondsOf[0], QStringLiteral("10 min")},
                                 {week, secondsOf[3], QStringLiteral("7 d")},
                                 {threeDays, secondsOf[2], QStringLiteral("3 d")},
                                 {day, secondsOf[1], QStringLiteral("24 h")}};
    for (const Search &s : searches) {
        ui->rangeTime->setCurrentIndex(s.entry);
        ui->startDateTimeEdit->setDateTime(weekEnd.addSecs(-s.seconds));
        double ms[2];
        for (double &m : ms)
            m = timed(window, [&] { ui->searchfor->click(); });
        const Drawn drawn = searchDrawn(window);
        // The last 10 minutes hold no excursion.
        line("search, 25 curves, " + s.name, ms[0], ms[1],
             s.entry == tenMinutes
                 ? QStringLiteral("%1 points").arg(drawn.points)
                 : QStringLiteral("%1 points, %2 of 25 curves draw both excursions in the axis")
                       .arg(drawn.points)
                       .arg(drawn.bothExcursions));
    }
    {
        double ms[2];
        for (double &m : ms)
            m = timed(window, [&] { ui->goBack1min->click(); });
        const Drawn drawn = searchDrawn(window);
        line(QStringLiteral("search step <<, 25 curves, 24 h"), ms[0], ms[1],
             QStringLiteral("%1 points, %2 of 25 curves draw both excursions in the axis")
                 .arg(drawn.points)
                 .arg(drawn.bothExcursions));
    }
    out << "Aims: 7-day search <= 2000 ms, 3-day <= 1000 ms, 24-hour <= 500 ms, 7-day switch with "
           "prefill <= 1000 ms.\n";
    folder.printUnexpected(out);
    return 0;
}
