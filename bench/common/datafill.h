#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

// Starts filling the table "data" of db with `rows` generated rows: false when it already holds
// that many (kept from an earlier run), else the table is emptied, a transaction begun and
// `insert`, a query on db, prepared to take (projectid, label, value, datetime) in that order.
inline bool startDataFill(QSqlDatabase db, qint64 rows, QSqlQuery *insert)
{
    QSqlQuery existing(db);
    if (existing.exec(QStringLiteral("SELECT COUNT(*) FROM data")) && existing.next()
        && existing.value(0).toLongLong() == rows)
        return false;
    QTextStream(stdout) << "generating " << rows << " rows...\n" << Qt::flush;
    QSqlQuery clear(db);
    clear.exec(QStringLiteral("DELETE FROM data"));
    db.transaction();
    insert->prepare(
        QStringLiteral("INSERT INTO data (projectid, label, value, datetime) VALUES (?, ?, ?, ?)"));
    return true;
}
