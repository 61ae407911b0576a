#pragma once

#include "sqlitehandler.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>
#include <memory>

// History rows for tests and benchmarks, written in one transaction.
struct HistoryRow
{
    int projectId;
    QString label;
    double value;
    QString datetime; // "yyyy-MM-dd hh:mm:ss.zzz"
};

inline QString historyTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

inline bool seedHistory(const QSqlDatabase &db, const QVector<HistoryRow> &rows)
{
    QSqlDatabase connection = db;
    if (!connection.transaction())
        return false;
    QSqlQuery insert(connection);
    if (!insert.prepare(QStringLiteral(
            "INSERT INTO data (projectid, label, value, datetime) VALUES (?, ?, ?, ?)")))
        return false;
    for (const HistoryRow &row : rows) {
        insert.bindValue(0, row.projectId);
        insert.bindValue(1, row.label);
        insert.bindValue(2, row.value);
        insert.bindValue(3, row.datetime);
        if (!insert.exec()) {
            connection.rollback();
            return false;
        }
    }
    return connection.commit();
}

// polls polls of labels one second apart from start, the records of a poll with the poll's one
// stamp, as the polling loop stores them; value = poll * 100 + label index.
inline QVector<HistoryRow> historyPolls(int projectId, const QStringList &labels, int polls,
                                        const QDateTime &start)
{
    QVector<HistoryRow> rows;
    rows.reserve(labels.size() * polls);
    for (int p = 0; p < polls; ++p) {
        const QString stamp = historyTime(start.addSecs(p));
        for (int l = 0; l < labels.size(); ++l)
            rows.append({projectId, labels.at(l), double(p * 100 + l), stamp});
    }
    return rows;
}

inline qint64 historyCount(const QSqlDatabase &db, const QString &where = QString())
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("SELECT COUNT(*) FROM data")
               + (where.isEmpty() ? "" : " WHERE " + where));
    return query.next() ? query.value(0).toLongLong() : -1;
}

// A history database file of its own in a temporary folder, for one test function.
struct HistoryFixture
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SQLiteHandler> handler;

    // From a test's init().
    void setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        handler = std::make_unique<SQLiteHandler>();
        QVERIFY(handler->openDatabase(dir->filePath("HistoryData.db")));
    }
    void tearDown()
    {
        handler.reset();
        dir.reset();
    }
    QSqlDatabase db() const { return handler->database(); }
    QString path(const QString &name) const { return dir->filePath(name); }
};
