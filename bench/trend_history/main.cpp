// Prints the cost of the trend page's history reads on a database of 2.5M rows, with the rows
// read. The database is generated once (a few seconds) and kept for later runs:
//   trend_history [database file]      (default: <temp>/morvelin_trend_history.db)
#include "datafill.h"
#include "historyreader.h"
#include "historyrules.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTextStream>
#include <functional>

namespace {

const int labelCount = 25;
const int seconds = 100000;
const int projectId = 1;
const QDateTime firstSample(QDate(2024, 1, 1), QTime(0, 0), Qt::LocalTime);
// The window ends an hour before the last sample, so 24 h are full.
const QDateTime now = firstSample.addSecs(seconds - 3600);

QString labelName(int i)
{
    return QStringLiteral("label%1").arg(i);
}

bool generate(SQLiteHandler &handler)
{
    QSqlDatabase db = handler.database();
    QSqlQuery insert(db);
    if (!startDataFill(db, qint64(labelCount) * seconds, &insert))
        return true;
    // Stored like the polling loop does: every label once a second, in time order.
    for (int s = 0; s < seconds; ++s) {
        const QString time = firstSample.addSecs(s).addMSecs(123).toString(
            QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (int i = 0; i < labelCount; ++i) {
            insert.bindValue(0, projectId);
            insert.bindValue(1, labelName(i));
            insert.bindValue(2, double(i * 1000 + s % 1000));
            insert.bindValue(3, time);
            if (!insert.exec())
                return false;
        }
    }
    return db.commit();
}

// Runs what once and prints the time and the rows it read.
void measure(const QString &what, const std::function<qint64()> &run)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 rows = run();
    const double ms = timer.nsecsElapsed() / 1e6;
    QTextStream out(stdout);
    out << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0)
        << QString::asprintf("%10.1f ms  %9lld rows read  %8lld points\n", ms, rows & 0xffffffffLL,
                             rows >> 32);
}

// A search of windowSeconds from start for all labels: count, then every k-th row.
qint64 search(HistoryReader &reader, const QDateTime &start, int windowSeconds)
{
    qint64 rowsRead = 0;
    qint64 points = 0;
    const HistoryRules::Window window = HistoryRules::searchWindow(start, windowSeconds);
    for (int i = 0; i < labelCount; ++i) {
        const int count = reader.count(projectId, labelName(i), window.start, window.end);
        const QVector<HistorySample> samples = reader.readEvery(
            projectId, labelName(i), window.start, window.end, HistoryRules::thinningStep(count));
        rowsRead += count;
        points += HistoryRules::toPoints(samples).size();
    }
    return (points << 32) | rowsRead;
}

// Backfill and prefill: every row of the window, one point a second.
qint64 readAll(HistoryReader &reader, const HistoryRules::Window &window)
{
    qint64 rowsRead = 0;
    qint64 points = 0;
    for (int i = 0; i < labelCount; ++i) {
        const QVector<HistorySample> samples
            = reader.read(projectId, labelName(i), window.start, window.end);
        rowsRead += samples.size();
        points += HistoryRules::lastPerSecond(samples).size();
    }
    return (points << 32) | rowsRead;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString file = argc > 1
                             ? QString::fromLocal8Bit(argv[1])
                             : QDir::temp().filePath(QStringLiteral("morvelin_trend_history.db"));
    SQLiteHandler handler;
    QElapsedTimer open;
    open.start();
    if (!handler.openDatabase(file) || !generate(handler)) {
        QTextStream(stderr) << "cannot prepare " << file << "\n";
        return 1;
    }
    // Opening again builds the index where a fresh file lacks it.
    handler.closeDatabase();
    if (!handler.openDatabase(file))
        return 1;
    QTextStream(stdout) << "database " << file << " (" << QFileInfo(file).size() / (1024 * 1024)
                        << " MB), ready after " << open.elapsed() << " ms\n";

    HistoryReader reader(handler.database());
    measure(QStringLiteral("search step, 25 curves, 10 min"),
            [&] { return search(reader, now.addSecs(-600).addSecs(15), 600); });
    measure(QStringLiteral("search step, 25 curves, 24 h"),
            [&] { return search(reader, now.addSecs(-86400).addSecs(60), 86400); });
    measure(QStringLiteral("resume backfill after 10 min, 25 curves"), [&] {
        return readAll(reader, {now.addSecs(-600), now});
    });
    measure(QStringLiteral("switch with prefill, 25 curves, 10 min"),
            [&] { return readAll(reader, HistoryRules::prefillWindow(now, 600)); });
    measure(QStringLiteral("switch with prefill, 25 curves, 7 d"),
            [&] { return readAll(reader, HistoryRules::prefillWindow(now, 604800)); });
    // The conversion alone, against QDateTime::fromString, on 15,000 stored times.
    QStringList texts;
    for (int s = 0; s < 15000; ++s)
        texts << firstSample.addSecs(s).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    measure(QStringLiteral("15,000 times, by hand"), [&] {
        qint64 sum = 0;
        for (const QString &text : texts) {
            qint64 ms = 0;
            reader.toMsecs(text, &ms);
            sum += ms & 1;
        }
        return qint64(texts.size()) + (sum & 0);
    });
    measure(QStringLiteral("15,000 times, QDateTime::fromString"), [&] {
        qint64 sum = 0;
        for (const QString &text : texts)
            sum += QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                       .toMSecsSinceEpoch()
                   & 1;
        return qint64(texts.size()) + (sum & 0);
    });
    return 0;
}
