#include "historytrim.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <iterator>

namespace {

const qint64 sizeLimits[] = {10485760, 52428800, 104857600, 524288000, 1073741824};
// The last item, "不覆盖", keeps everything.
const int retentionTable[] = {1, 3, 5, 10, 15, 30, 90, 180, 0};

// Stored times are "yyyy-MM-dd hh:mm:ss.zzz" and compare as text against the cut-off second,
// so a sample within that second stays.
const char cutoffFormat[] = "yyyy-MM-dd hh:mm:ss";

qint64 pragmaValue(const QSqlDatabase &db, const char *name, bool *ok)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))) || !query.next()) {
        *ok = false;
        return 0;
    }
    return query.value(0).toLongLong();
}

// Runs a delete; the rows it removed, or -1 with the driver's text in *error.
int runDelete(const QSqlDatabase &db, const QString &statement, const QVariantList &values,
              QString *error)
{
    QSqlQuery query(db);
    if (!query.prepare(statement)) {
        *error = query.lastError().text();
        return -1;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return -1;
    }
    return query.numRowsAffected();
}

} // namespace

qint64 HistoryTrim::sizeLimit(int maxMemoryIndex)
{
    if (maxMemoryIndex < 0 || maxMemoryIndex >= int(std::size(sizeLimits)))
        return 0;
    return sizeLimits[maxMemoryIndex];
}

int HistoryTrim::retentionDays(int clearDaysIndex)
{
    if (clearDaysIndex < 0 || clearDaysIndex >= int(std::size(retentionTable)))
        return 0;
    return retentionTable[clearDaysIndex];
}

qint64 HistoryTrim::usedBytes(const QSqlDatabase &db)
{
    bool ok = true;
    const qint64 pages = pragmaValue(db, "page_count", &ok);
    const qint64 freePages = pragmaValue(db, "freelist_count", &ok);
    const qint64 pageSize = pragmaValue(db, "page_size", &ok);
    return ok ? (pages - freePages) * pageSize : -1;
}

HistoryTrim::HistoryTrim()
    : m_usedSize(&HistoryTrim::usedBytes)
    , m_clock(&QDateTime::currentDateTime)
{
}

HistoryTrim::Outcome HistoryTrim::run(const QSqlDatabase &db, qint64 limitBytes,
                                      int retentionDays) const
{
    Outcome outcome;
    QElapsedTimer timer;
    timer.start();
    const qint64 begun = m_ticker ? m_ticker() : 0;
    const auto budgetLeft = [&] {
        const qint64 spent = m_ticker ? m_ticker() - begun : timer.elapsed();
        return spent < m_budgetMs;
    };
    const auto fail = [&](const QString &error) {
        outcome.failed = true;
        outcome.error = error;
        return outcome;
    };

    if (limitBytes > 0) {
        const QString oldest = QStringLiteral("DELETE FROM data WHERE id IN "
                                              "(SELECT id FROM data ORDER BY id LIMIT %1)")
                                   .arg(batchRows);
        for (;;) {
            const qint64 used = m_usedSize(db);
            if (used < 0)
                return fail(QStringLiteral("the database does not tell its size"));
            if (used <= limitBytes)
                break;
            QString error;
            const int deleted = runDelete(db, oldest, {}, &error);
            if (deleted < 0)
                return fail(error);
            outcome.deletedBySize += deleted;
            if (deleted < batchRows) // the table is empty now
                break;
            if (!budgetLeft()) {
                outcome.budgetSpent = true;
                return outcome;
            }
        }
    }

    if (retentionDays > 0) {
        const QString cutoff
            = m_clock().addDays(-retentionDays).toString(QLatin1String(cutoffFormat));
        // Samples go in as they are polled, so the lowest id holds about the oldest time: when
        // it is not old, a scan of the whole table would find nothing.
        QSqlQuery first(db);
        if (!first.exec(QStringLiteral("SELECT datetime FROM data ORDER BY id LIMIT 1")))
            return fail(first.lastError().text());
        if (!first.next() || first.value(0).toString() >= cutoff)
            return outcome;
        first.finish();
        const QString aged = QStringLiteral("DELETE FROM data WHERE id IN (SELECT id FROM data "
                                            "WHERE datetime < ? ORDER BY id LIMIT %1)")
                                 .arg(batchRows);
        for (;;) {
            QString error;
            const int deleted = runDelete(db, aged, {cutoff}, &error);
            if (deleted < 0)
                return fail(error);
            outcome.deletedByAge += deleted;
            if (deleted < batchRows)
                break;
            if (!budgetLeft()) {
                outcome.budgetSpent = true;
                break;
            }
        }
        qDebug() << "history: deleted" << outcome.deletedByAge << "samples before" << cutoff;
    }
    return outcome;
}
