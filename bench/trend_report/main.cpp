// Prints the time and the peak memory of the report page's work and of housekeeping runs, and
// the report page's aims in the window on a week of 25 labels at a poll a second, each with the
// figure measured. The databases are generated once and kept for later runs; housekeeping runs
// on a copy. Run offscreen (QT_QPA_PLATFORM=offscreen) or on a screen:
//   trend_report [database file [week file]]
//       database file: default <program folder>/trend_report.db;
//       week file: default <build>/bench_data/trend_history_week.db (made when missing).
#include "benchwindow.h"
#include "datafill.h"
#include "historyparallelread.h"
#include "historytrim.h"
#include "processmemory.h"
#include "reportmodel.h"
#include "reportquery.h"
#include "reportworkbook.h"
#include "sqlitehandler.h"
#include "weekhistory.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <cmath>
#include <functional>

namespace {

const int labelCount = 25;
const int projectId = 1;
const int daySeconds = 86400;
// Polls a second for the last 100,000 s (and ten minutes), one every 30 s for the week before.
const int reportPolls = 100000;
const int densePolls = reportPolls + 600;
const int sparseStepSeconds = 30;
const int sparsePolls = 7 * daySeconds / sparseStepSeconds;
const QDateTime firstSample(QDate(2024, 1, 1), QTime(0, 0), Qt::LocalTime);
const QDateTime denseStart = firstSample.addSecs(7 * daySeconds);
const QDateTime lastSample = denseStart.addSecs(densePolls);

QString labelName(int i)
{
    return QStringLiteral("label%1").arg(i, 2, 10, QLatin1Char('0'));
}

QStringList labels(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << labelName(i);
    return names;
}

qint64 totalRows()
{
    return qint64(labelCount) * (densePolls + sparsePolls);
}

bool generate(SQLiteHandler &handler)
{
    QSqlDatabase db = handler.database();
    QSqlQuery insert(db);
    if (!startDataFill(db, totalRows(), &insert))
        return true;
    const QStringList names = labels(labelCount);
    // As the polling loop stores them: every label once a poll, in time order.
    const auto poll = [&](const QDateTime &at, int n) {
        const QString time = at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (int i = 0; i < labelCount; ++i) {
            insert.bindValue(0, projectId);
            insert.bindValue(1, names.at(i));
            insert.bindValue(2, i * 1000 + (n % 1000) * 0.25);
            insert.bindValue(3, time);
            if (!insert.exec())
                return false;
        }
        return true;
    };
    for (int n = 0; n < sparsePolls; ++n) {
        if (!poll(firstSample.addSecs(qint64(n) * sparseStepSeconds).addMSecs(123), n))
            return false;
    }
    for (int n = 0; n < densePolls; ++n) {
        if (!poll(denseStart.addSecs(n).addMSecs(123), n))
            return false;
    }
    return db.commit();
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// Runs what once; prints the time, what it reports and the peak memory above the start, and
// returns the time in ms.
double measure(const QString &what, const std::function<QString()> &run)
{
    resetPeak();
    const qint64 before = statusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const QString result = run();
    const double ms = timer.nsecsElapsed() / 1e6;
    const qint64 peak = statusKiB("VmHWM");
    QTextStream out(stdout);
    out << qSetFieldWidth(40) << Qt::left << what << qSetFieldWidth(0)
        << QString::asprintf("%10.1f ms  peak %7.1f MiB (+%6.1f)  ", ms, peak / 1024.0,
                             (peak - before) / 1024.0)
        << result << "\n"
        << Qt::flush;
    return ms;
}

// The selects alone, every value read but nothing kept: what the table adds is the rest.
QString selectOnly(SQLiteHandler &handler, int count, int spanSeconds)
{
    const ReportQuery query(projectId, labels(count), lastSample.addSecs(-spanSeconds),
                            lastSample.addSecs(1));
    QSqlQuery select(handler.database());
    select.setForwardOnly(true);
    select.prepare(query.statement());
    qint64 records = 0;
    qint64 characters = 0;
    for (const QString &label : labels(count)) {
        const QVariantList values = query.boundValues(label);
        for (int i = 0; i < values.size(); ++i)
            select.bindValue(i, values.at(i));
        if (!select.exec())
            return QStringLiteral("failed");
        while (select.next()) {
            ++records;
            characters += select.value(0).toString().size();
            characters += select.value(1).toDouble() > 0 ? 1 : 0;
        }
    }
    return QStringLiteral("%1 records").arg(records) + (characters < 0 ? "?" : "");
}

// threads: the query's readers side by side, 0 one a core.
QString report(SQLiteHandler &handler, int count, int spanSeconds, int threads = 0)
{
    ReportModel model;
    ReportTable table;
    QString error;
    const QDateTime start = lastSample.addSecs(-spanSeconds);
    ReportQuery query(projectId, labels(count), start, lastSample.addSecs(1));
    query.setThreads(threads);
    if (query.run(handler.database(), &table, &error) != ReportQuery::Done)
        return QStringLiteral("failed: ") + error;
    model.setReport(std::move(table));
    return QStringLiteral("%1 rows x %2 columns").arg(model.rowCount()).arg(model.columnCount());
}

QString exportCells(const QString &path, qint64 cells)
{
    const int width = labelCount + 1;
    const int rows = int(cells / width);
    ReportTable table;
    table.labels = labels(labelCount);
    for (int i = 0; i < labelCount; ++i)
        table.descriptions << QString();
    table.columns.resize(labelCount);
    qint64 firstMs = 0;
    ReportPivot::stampMs(firstSample.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), &firstMs);
    for (int r = 0; r < rows; ++r) {
        table.stamps.append(firstMs + qint64(r) * 1000);
        for (int i = 0; i < labelCount; ++i) {
            table.columns[i].rows.append(r);
            table.columns[i].values.append(i * 1000 + (r % 1000) * 0.25);
        }
    }
    for (int i = 0; i < labelCount; ++i)
        table.columnOf.append(i);
    ReportModel model;
    model.setReport(std::move(table));
    QString error;
    QElapsedTimer timer;
    timer.start();
    if (ReportWorkbook::save(model, path, &error) != ReportWorkbook::Saved)
        return QStringLiteral("failed: ") + error;
    return QStringLiteral("%1 cells, %2 KiB file (save alone %3 ms)")
        .arg(qint64(rows) * width)
        .arg(QFileInfo(path).size() / 1024)
        .arg(timer.elapsed());
}

// The longest time a widget went without a paint while watched: a timer asks for one every
// 10 ms, which the window can only serve when its event loop runs.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *widget)
        : m_widget(widget)
    {
        m_clock.start();
        widget->installEventFilter(this);
        m_ask.setInterval(10);
        connect(&m_ask, &QTimer::timeout, widget, [widget] { widget->update(); });
        m_ask.start();
    }
    void start()
    {
        m_watching = true;
        m_last = m_clock.elapsed();
        m_longest = 0;
    }
    // The longest gap since start(), its end included.
    qint64 stop()
    {
        note();
        m_watching = false;
        return m_longest;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint && m_watching)
            note();
        return false;
    }

private:
    void note()
    {
        const qint64 now = m_clock.elapsed();
        m_longest = qMax(m_longest, now - m_last);
        m_last = now;
    }

    QWidget *m_widget;
    QTimer m_ask;
    QElapsedTimer m_clock;
    bool m_watching = false;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

QString aimText(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("NOT MET");
}

// The report page in the window on the week (a poll a second, 604,800 polls of 25 labels), ten
// reports one after the other, each shown until the next: the peak above the window before each
// query, the resident size after each, the longest time without painting. Prints the aims it
// measures; true when the window ran.
bool windowReports(const QString &week, QTextStream &out, double hundredThousandMs)
{
    BenchFolder folder;
    const QString project = writeWeekProject(
        folder.dir.path(), week, QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"));
    MainWindow window(folder.services);
    window.resize(1920, 1080);
    window.show();
    window.openProjectFile(project);
    Ui::MainWindow *ui = window.form();
    for (int i = 0; i < ui->tabWidget->count(); ++i) {
        if (ui->tabWidget->widget(i)->isAncestorOf(ui->reportTable))
            ui->tabWidget->setCurrentIndex(i);
    }
    if (window.projectId() != 1 || ui->dataClassification1->count() != 1) {
        out << "the project did not open with its section\n";
        return false;
    }
    ui->dataClassification1->setCurrentIndex(0);
    ui->dateTimeStart->setDateTime(weekFirstSample());
    ui->dateTimeEnd->setDateTime(weekFirstSample().addSecs(weekSeconds));
    PaintWatch paints(window.statusBar());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    out << "\nReport page in the window: 7 days of 25 labels at a poll a second, " << weekSeconds
        << " polls (" << QThread::idealThreadCount() << " cores)\n"
        << Qt::flush;
    const int reports = 10;
    double peakFirst = 0;
    double peakShown = 0;
    double residentFirst = 0;
    double residentLast = 0;
    qint64 longestGap = 0;
    bool allRows = true;
    for (int n = 1; n <= reports; ++n) {
        resetPeak();
        const qint64 before = statusKiB("VmRSS");
        QElapsedTimer clock;
        clock.start();
        paints.start();
        ui->queryData->click();
        const double ms = clock.nsecsElapsed() / 1e6;
        const qint64 gap = paints.stop();
        const qint64 peak = statusKiB("VmHWM");
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const qint64 after = statusKiB("VmRSS");
        const int rowCount = ui->reportTable->model()->rowCount();
        allRows = allRows && rowCount == weekSeconds;
        const double above = (peak - before) / 1024.0;
        if (n == 1) {
            peakFirst = above;
            residentFirst = after / 1024.0;
        } else {
            peakShown = qMax(peakShown, above);
        }
        residentLast = after / 1024.0;
        longestGap = qMax(longestGap, gap);
        out << QString::asprintf("report %2d: %7.1f ms, %d rows, RSS before %6.1f MiB, peak "
                                 "+%6.1f MiB, after %6.1f MiB, longest without painting %lld ms",
                                 n, ms, rowCount, before / 1024.0, above, after / 1024.0,
                                 gap)
            << "  " << window.statusBar()->currentMessage() << "\n"
            << Qt::flush;
    }
    folder.printUnexpected(out);
    const bool peakMet = peakFirst <= 400 && peakShown <= 400;
    const bool residentMet = residentLast - residentFirst <= 50;
    const bool paintMet = longestGap <= 100;
    out << "\nAims\n"
        << "  7-day 25-label report peaks at most 400 MiB above the window before the query: "
        << QString::asprintf("+%.1f MiB from an empty page, +%.1f MiB with the previous table "
                             "shown (highest of reports 2 to %d): ",
                             peakFirst, peakShown, reports)
        << aimText(peakMet) << "\n"
        << "  resident size after 10 reports within 50 MiB of where it was after the first: "
        << QString::asprintf("%.1f MiB after the first, %.1f MiB after the tenth (%+.1f): ",
                             residentFirst, residentLast, residentLast - residentFirst)
        << aimText(residentMet) << "\n"
        << "  the window paints at least every 100 ms through the whole query: "
        << QString::asprintf("longest %lld ms without a paint in 10 reports: ", longestGap)
        << aimText(paintMet) << "\n"
        << "  the 100,000 x 25 query keeps its <= 1000 ms: "
        << QString::asprintf("%.1f ms: ", hundredThousandMs) << aimText(hundredThousandMs <= 1000)
        << "\n"
        << "  every report whole: " << (allRows ? "604800 rows each" : "ROWS MISSING") << "\n"
        << Qt::flush;
    return true;
}

QString trim(const QString &file, qint64 limit, int days, const QDateTime &now)
{
    SQLiteHandler handler;
    if (!handler.openDatabase(file))
        return QStringLiteral("cannot open the copy");
    HistoryTrim housekeeping;
    housekeeping.setClock([now] { return now; });
    const HistoryTrim::Outcome outcome = housekeeping.run(handler.database(), limit, days);
    return QStringLiteral("deleted %1 by size, %2 by age%3%4")
        .arg(outcome.deletedBySize)
        .arg(outcome.deletedByAge)
        .arg(outcome.budgetSpent ? QStringLiteral(", budget spent") : QString())
        .arg(outcome.failed ? QStringLiteral(", failed: ") + outcome.error : QString());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString file
        = argc > 1 ? QString::fromLocal8Bit(argv[1])
                   : QCoreApplication::applicationDirPath() + QStringLiteral("/trend_report.db");
    QTextStream out(stdout);
    // First, while the heap is small, so that the peak shows what a workbook adds.
    out << "Workbook export (25 labels and the time; the table filled, then saved)\n" << Qt::flush;
    QTemporaryDir dir;
    double hundredThousandMs = -1;
    for (qint64 cells : {qint64(10000), qint64(100000), qint64(1000000)}) {
        measure(QStringLiteral("%1 cells").arg(cells),
                [&] { return exportCells(dir.filePath(QStringLiteral("report.xlsx")), cells); });
    }
    {
        SQLiteHandler handler;
        if (!handler.openDatabase(file) || !generate(handler)) {
            out << "cannot prepare " << file << "\n";
            return 1;
        }
        out << "\n"
            << file << ": " << totalRows() << " rows, "
            << HistoryTrim::usedBytes(handler.database()) / (1024 * 1024) << " MiB used\n\n"
            << Qt::flush;

        out << "Query and table (the window's 7-day span has a poll every 30 s before the last "
               "day)\n"
            << Qt::flush;
        for (int count : {10, 25}) {
            for (const auto &span : {qMakePair(QStringLiteral("10 min"), 600),
                                     qMakePair(QStringLiteral("24 h"), daySeconds),
                                     qMakePair(QStringLiteral("7 days"), 7 * daySeconds)}) {
                measure(QStringLiteral("%1 labels, %2").arg(count).arg(span.first),
                        [&] { return report(handler, count, span.second); });
            }
        }
        hundredThousandMs
            = measure(QStringLiteral("25 labels, 100,000 polls (aim <= 1000 ms)"),
                      [&] { return report(handler, labelCount, reportPolls); });
        out << "The same on 1, 2 and 4 reading threads (one a core above: "
            << QThread::idealThreadCount() << ")\n"
            << Qt::flush;
        for (int threads : {1, 2, 4}) {
            measure(QStringLiteral("25 labels, 100,000 polls, %1 thread%2")
                        .arg(threads)
                        .arg(threads > 1 ? "s" : ""),
                    [&] { return report(handler, labelCount, reportPolls, threads); });
        }
        measure(QStringLiteral("25 labels, 24 h, the select alone"),
                [&] { return selectOnly(handler, labelCount, daySeconds); });
    }

    const QString week = argc > 2
                             ? QString::fromLocal8Bit(argv[2])
                             : QStringLiteral(MORVELIN_BENCH_DATA_DIR "/trend_history_week.db");
    if (!ensureWeekHistory(week) || !windowReports(week, out, hundredThousandMs)) {
        out << "cannot run the report page on " << week << "\n";
        return 1;
    }

    out << "\nHousekeeping on a copy of the database\n" << Qt::flush;
    const QString copy = dir.filePath(QStringLiteral("copy.db"));
    if (!QFile::copy(file, copy)) {
        out << "cannot copy the database\n";
        return 1;
    }
    measure(QStringLiteral("nothing to delete (1G, 6 months)"),
            [&] { return trim(copy, HistoryTrim::sizeLimit(4), 180, lastSample); });
    measure(QStringLiteral("nothing to delete again"),
            [&] { return trim(copy, HistoryTrim::sizeLimit(4), 180, lastSample); });
    measure(QStringLiteral("1 day: the week before goes"),
            [&] { return trim(copy, HistoryTrim::sizeLimit(4), 1, lastSample); });
    measure(QStringLiteral("10M: over the limit"),
            [&] { return trim(copy, HistoryTrim::sizeLimit(0), 0, lastSample); });
    return 0;
}
