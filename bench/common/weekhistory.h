#pragma once

// A week of history for the benchmarks that read it: 25 labels at a poll a second (15.1M rows,
// about 1.5 GB), each poll's records with the poll's one stamp, as the polling loop stores them.
// Built once in SQL (about a minute) and kept; a file that an earlier run left unfinished is
// built again.
#include "sqlitehandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

const int weekLabelCount = 25;
const int weekSeconds = 7 * 86400;
// Label i goes to 100 + i for 10 s at noon of the last day plus i × 10 min, and to -50 - i
// five minutes later; the rest is a sawtooth of 20 + i + (second % 600) / 10.
const int weekExcursionSecond = weekSeconds - 86400 + 43200;
// Marks a finished file.
const int weekFileVersion = 24001;

inline QDateTime weekFirstSample()
{
    return QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::LocalTime);
}

inline QString weekLabelName(int i)
{
    return QStringLiteral("label%1").arg(i);
}

inline bool runWeekStatement(QSqlDatabase db, const QString &statement)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    QTextStream(stderr) << statement.left(60) << ": " << query.lastError().text() << "\n";
    return false;
}

// Builds the week in SQL with the index added after the rows, as the program's handler adds it
// on the next open.
inline bool buildWeekHistory(const QString &file)
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
                  .arg(weekLabelCount)
                  .arg(weekExcursionSecond)
                  .arg(QLatin1String("2024-01-01 00:00:00"));
        const QSqlDatabase db = handler.database();
        ok = runWeekStatement(db, QStringLiteral("DROP INDEX IF EXISTS data_label_datetime"))
             && runWeekStatement(db, QStringLiteral("PRAGMA journal_mode = OFF"))
             && runWeekStatement(db, QStringLiteral("PRAGMA synchronous = OFF"))
             && runWeekStatement(db, rows)
             && runWeekStatement(db, QStringLiteral("INSERT OR IGNORE INTO project (id, name) "
                                                    "VALUES (1, 'bench.dpro')"));
    }
    if (!ok)
        return false;
    SQLiteHandler handler;
    if (!handler.openDatabase(file))
        return false;
    return runWeekStatement(handler.database(),
                            QStringLiteral("PRAGMA user_version = %1").arg(weekFileVersion));
}

inline bool weekHistoryReady(const QString &file)
{
    if (!QFileInfo::exists(file))
        return false;
    SQLiteHandler handler;
    if (!handler.openDatabase(file))
        return false;
    QSqlQuery query(handler.database());
    return query.exec(QStringLiteral("PRAGMA user_version")) && query.next()
           && query.value(0).toInt() == weekFileVersion;
}

// The file ready to read, built when it is not.
inline bool ensureWeekHistory(const QString &file)
{
    return weekHistoryReady(file) || buildWeekHistory(file);
}
