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

const int labelCount = 25;
const int weekSeconds = 7 * 86400;
// Marks a finished file; a file without it (an earlier run stopped) is built again.
const int fileVersion = 24001;
const char firstText[] = "2024-01-01 00:00:00";
const QDateTime firstSample(QDate(2024, 1, 1), QTime(0, 0), Qt::LocalTime);
// The trend clock stands at the end of the week.
const QDateTime weekEnd = firstSample.addSecs(weekSeconds);
// Label i goes to 100 + i for 10 s at noon of the last day plus i × 10 min, and to -50 - i
// five minutes later.
const int excursionSecond = weekSeconds - 86400 + 43200;

// Entries of the time-window selector.
const int tenMinutes = 3;
const int day = 11;
const int threeDays = 12;
const int week = 13;
const int secondsOf[] = {600, 86400, 259200, 604800}; // of the four entries above

QString labelName(int i)
{
    return QStringLiteral("label%1").arg(i);
}

bool run(QSqlDatabase db, const QString &statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    QTextStream(stderr) << statement.left(60) << ": " << query.lastError().text() << "\n";
    return false;
}

// Builds the week in SQL (a sawtooth per label with its two excursions) with the index added
// after the rows, as the program's handler adds it on the next open.
bool buildWeek(const QString &file)
{
    QFile::remove(file);
    QDir().mkpath(QFileInfo(file).path());
    QTextStream(stdout) << "building " << file << " ...\n" << Qt::flush;
    bool ok = false;
    {
        SQLiteHandler handler;
        if (!handler.openDatabase(file))
            return false;
        const QString rows
            = QStringLiteral(
                  "WITH RECURSIVE s(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM s WHERE n + 1 < "
                  "%1), "
                  "l(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM l WHERE i + 1 < %2) "
                  "INSERT INTO data (projectid, label, value, datetime) "
                  "SELECT 1, 'label' || i, CASE "
                  "WHEN n >= %3 + i * 600 AND n < %3 + i * 600 + 10 THEN 100 + i "
                  "WHEN n >= %3 + i * 600 + 300 AND n < %3 + i * 600 + 310 THEN -50 - i "
                  "ELSE 20 + i + (n % 600) / 10.0 END, "
                  "strftime('%Y-%m-%d %H:%M:%S', '%4', '+' || n || ' seconds') || '.123' "
                  "FROM s, l ORDER BY n, i")
                  .arg(weekSeconds)
                  .arg(labelCount)
                  .arg(excursionSecond)
                  .arg(QLatin1String(firstText));
        const QSqlDatabase db = handler.database();
        ok = run(db, QStringLiteral("DROP INDEX IF EXISTS data_label_datetime"))
             && run(db, QStringLiteral("PRAGMA journal_mode = OFF"))
             && run(db, QStringLiteral("PRAGMA synchronous = OFF")) && run(db, rows)
             && run(db, QStringLiteral("INSERT OR IGNORE INTO project (id, name) "
                                       "VALUES (1, 'bench.dpro')"));
    }
    if (!ok)
        return false;
    SQLiteHandler handler;
    if (!handler.openDatabase(file))
        return false;
    return run(handler.database(), QStringLiteral("PRAGMA user_version = %1").arg(fileVersion));
}

bool weekReady(const QString &file)
{
    if (!QFileInfo::exists(file))
        return false;
    SQLiteHandler handler;
    if (!handler.openDatabase(file))
        return false;
    QSqlQuery query(handler.database());
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next()
           && query.value(0).toInt() == fileVersion;
}

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
    if (!weekReady(file) && !buildWeek(file)) {
        QTextStream(stderr) << "cannot build " << file << "\n";
        return 1;
    }
    out << "history " << QFileInfo(file).absoluteFilePath() << " ("
        << QFileInfo(file).size() / (1024 * 1024) << " MB, " << labelCount << " labels x "
        << weekSeconds << " s), ready after " << prepare.elapsed() << " ms; "
        << QThread::idealThreadCount() << " cores\n";

    BenchFolder folder;
    const QDir dir(folder.dir.path());
    QList<LabelRow> labels;
    for (int i = 0; i < labelCount; ++i)
        labels << LabelRow{"", labelName(i), "", "50", "", "float"};
    const QString project
        = writeBenchProject(dir.path(), QStringLiteral("bench.dpro"), labels,
                                 QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"));
    QFile::link(QFileInfo(file).absoluteFilePath(), dir.filePath(QStringLiteral("HistoryData.db")));
    {
        QSettings sections(dir.filePath(QStringLiteral("bench.ini")), QSettings::IniFormat);
        sections.setValue(QStringLiteral("Section/0"), 1);
        sections.setValue(QStringLiteral("Section/1"), labelCount);
        sections.setValue(QStringLiteral("Section1/name"), QStringLiteral("week"));
        for (int i = 0; i < labelCount; ++i) {
            sections.setValue(QStringLiteral("Section1/%1").arg(i + 1), labelName(i));
            sections.setValue(QStringLiteral("Section1/Max%1").arg(i + 1), 0);
            sections.setValue(QStringLiteral("Section1/Min%1").arg(i + 1), 200);
        }
    }

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
