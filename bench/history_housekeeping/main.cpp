// Prints the time of housekeeping passes on a 20-million-row history against the aims: a pass
// with nothing to delete within 20 ms, a pass that deletes within 350 ms (its last statement
// included), and both the retention and the size limit reached over later passes.
//   history_housekeeping [rows] [database file]
// (default: 20000000 rows in <program folder>/history_housekeeping.db, built once, about 2.5 GB)
#include "datafill.h"
#include "historytrim.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTextStream>

namespace {

const int labelCount = 25;
const int readOffRows = 60000;
const QDateTime firstPoll(QDate(2024, 1, 1), QTime(0, 0), Qt::LocalTime);

QString stamp(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

qint64 polls(qint64 rows)
{
    return (rows - readOffRows - 1) / labelCount;
}

QDateTime lastPoll(qint64 rows)
{
    return firstPoll.addSecs(polls(rows) - 1);
}

bool generate(SQLiteHandler &handler, qint64 rows)
{
    QSqlDatabase db = handler.database();
    QSqlQuery insert(db);
    const qint64 total = polls(rows) * labelCount + readOffRows + 1;
    if (!startDataFill(db, total, &insert))
        return true;
    const auto add = [&](const QString &label, double value, const QString &time) {
        insert.bindValue(0, 1);
        insert.bindValue(1, label);
        insert.bindValue(2, value);
        insert.bindValue(3, time);
        return insert.exec();
    };
    // A clock that was wrong once: the lowest id is a year ahead.
    if (!add(QStringLiteral("label00"), 0, stamp(lastPoll(rows).addYears(1))))
        return false;
    for (qint64 n = 0; n < polls(rows); ++n) {
        const QString time = stamp(firstPoll.addSecs(n).addMSecs(123));
        for (int i = 0; i < labelCount; ++i) {
            if (!add(QStringLiteral("label%1").arg(i, 2, 10, QLatin1Char('0')), n % 1000, time))
                return false;
        }
        if (n % 100000 == 0 && n > 0) {
            db.commit();
            db.transaction();
            QTextStream(stdout) << "  " << n * labelCount << " rows\n" << Qt::flush;
        }
    }
    // A data-logger read-off, stored after today's polls with the device's old stamps.
    const QDateTime readOff = firstPoll.addDays(-20);
    for (int n = 0; n < readOffRows; ++n) {
        if (!add(QStringLiteral("AI%1").arg(n % 8), n, stamp(readOff.addSecs(n / 8))))
            return false;
    }
    return db.commit();
}

struct Pass
{
    double ms = 0;
    HistoryTrim::Outcome outcome;
};

Pass pass(SQLiteHandler &handler, qint64 limit, int days, const QDateTime &now)
{
    HistoryTrim trim;
    trim.setClock([now] { return now; });
    QElapsedTimer timer;
    timer.start();
    Pass p;
    p.outcome = trim.run(handler.database(), limit, days);
    p.ms = timer.nsecsElapsed() / 1e6;
    return p;
}

QString oldest(SQLiteHandler &handler)
{
    QSqlQuery query(handler.database());
    return query.exec(QStringLiteral("SELECT MIN(datetime) FROM data")) && query.next()
               ? query.value(0).toString()
               : QString();
}

// Passes until one deletes nothing more of its kind; prints the longest and the count.
void untilReached(QTextStream &out, SQLiteHandler &handler, const QString &what, qint64 limit,
                  int days, const QDateTime &now)
{
    int passes = 0;
    double longest = 0;
    qint64 deleted = 0;
    for (int i = 0; i < 10000; ++i) {
        const Pass p = pass(handler, limit, days, now);
        if (p.outcome.failed || p.outcome.busy) {
            out << "  failed: " << p.outcome.error << "\n";
            return;
        }
        const int gone = p.outcome.deletedByAge + p.outcome.deletedBySize;
        ++passes;
        longest = qMax(longest, p.ms);
        deleted += gone;
        if (!p.outcome.budgetSpent)
            break;
    }
    out << QString::asprintf("%-44s %6d passes, %9lld rows deleted, longest pass %7.1f ms "
                             "(aim <= 350)\n",
                             qPrintable(what), passes, deleted, longest)
        << "    oldest sample left: " << oldest(handler) << ", "
        << HistoryTrim::usedBytes(handler.database()) / (1024 * 1024) << " MiB used\n"
        << Qt::flush;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 20000000;
    const QString file = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QCoreApplication::applicationDirPath()
                                        + QStringLiteral("/history_housekeeping.db");
    QTextStream out(stdout);
    {
        SQLiteHandler handler;
        QElapsedTimer built;
        built.start();
        if (!handler.openDatabase(file) || !generate(handler, rows)) {
            out << "cannot prepare " << file << "\n";
            return 1;
        }
        out << file << ": ready in " << built.elapsed() / 1000 << " s\n" << Qt::flush;
    }
    const QString copy = file + QStringLiteral(".copy");
    QFile::remove(copy);
    if (!QFile::copy(file, copy)) {
        out << "cannot copy the database\n";
        return 1;
    }
    SQLiteHandler handler;
    if (!handler.openDatabase(copy))
        return 1;
    const qint64 used = HistoryTrim::usedBytes(handler.database());
    const QDateTime now = lastPoll(rows).addSecs(1);
    out << rows << " rows, " << used / (1024 * 1024) << " MiB used, oldest sample "
        << oldest(handler) << "\n\n"
        << Qt::flush;

    // Within the limit and nothing older than six months: the checks alone.
    for (int i = 0; i < 3; ++i) {
        const Pass p = pass(handler, used + 1, 180, now);
        out << QString::asprintf("nothing to delete (limit above, 6 months)   %7.2f ms (aim <= 20)"
                                 "  deleted %d\n",
                                 p.ms, p.outcome.deletedByAge + p.outcome.deletedBySize)
            << Qt::flush;
    }
    // "10天": the read-off (20 days old, stored last) goes; the future row at the lowest id
    // and the polls stay.
    const Pass first = pass(handler, used + 1, 10, now);
    out << QString::asprintf("first pass of 10 days                        %7.1f ms (aim <= 350)"
                             "  deleted %d by age\n",
                             first.ms, first.outcome.deletedByAge)
        << Qt::flush;
    untilReached(out, handler, QStringLiteral("10 days, later passes"), used + 1, 10, now);
    // A limit 100 MiB under the use: the oldest polls go, by time.
    const qint64 limit = HistoryTrim::usedBytes(handler.database()) - 100 * 1024 * 1024;
    const Pass sized = pass(handler, limit, 10, now);
    out << QString::asprintf("first pass over the size limit               %7.1f ms (aim <= 350)"
                             "  deleted %d by size\n",
                             sized.ms, sized.outcome.deletedBySize)
        << Qt::flush;
    untilReached(out, handler, QStringLiteral("size limit, later passes"), limit, 10, now);
    for (int i = 0; i < 2; ++i) {
        const Pass p = pass(handler, limit, 10, now);
        out << QString::asprintf("limits reached: nothing to delete           %7.2f ms (aim <= 20)"
                                 "  deleted %d\n",
                                 p.ms, p.outcome.deletedByAge + p.outcome.deletedBySize)
            << Qt::flush;
    }
    handler.closeDatabase();
    QFile::remove(copy);
    return 0;
}
