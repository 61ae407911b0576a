#include "historytrim.h"

#include "historybusy.h"

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

// Runs a delete; the rows it removed, or -1 with the driver's text in *error and *busy set
// when another connection held the file.
int runDelete(const QSqlDatabase &db, const QString &statement, const QVariantList &values,
              QString *error, bool *busy)
{
    QSqlQuery query(db);
    if (!query.prepare(statement)) {
        *error = query.lastError().text();
        *busy = HistoryBusyWait::isBusy(query.lastError());
        return -1;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        *busy = HistoryBusyWait::isBusy(query.lastError());
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

QString HistoryTrim::retentionCutoff(const QDateTime &now, int days)
{
    if (days <= 0)
        return QString();
    return now.addDays(-days).toString(QLatin1String(cutoffFormat));
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
    if (limitBytes <= 0 && retentionDays <= 0)
        return outcome;
    const HistoryBusyWait wait(db, busyWaitMs);
    QElapsedTimer timer;
    timer.start();
    const auto now = [&] { return m_ticker ? m_ticker() : timer.elapsed(); };
    const qint64 begun = now();
    qint64 longestStatementMs = 0;
    // One statement cannot be cut short: the next is begun only when one as long as the
    // longest so far would end in time.
    const auto budgetLeft = [&] { return now() - begun + longestStatementMs < m_budgetMs; };
    const auto timedDelete = [&](const QString &statement, const QVariantList &values) {
        const qint64 before = now();
        QString error;
        bool busy = false;
        const int deleted = runDelete(db, statement, values, &error, &busy);
        longestStatementMs = qMax(longestStatementMs, now() - before);
        if (deleted < 0) {
            outcome.busy = busy;
            outcome.failed = !busy;
            outcome.error = error;
        }
        return deleted;
    };

    // Samples past the retention period go first: they would go whatever the size.
    if (retentionDays > 0) {
        const QString cutoff = retentionCutoff(m_clock(), retentionDays);
        QSqlQuery oldest(db);
        if (!oldest.exec(QStringLiteral("SELECT datetime FROM data ORDER BY datetime LIMIT 1"))) {
            outcome.busy = HistoryBusyWait::isBusy(oldest.lastError());
            outcome.failed = !outcome.busy;
            outcome.error = oldest.lastError().text();
            return outcome;
        }
        const bool aged = oldest.next() && oldest.value(0).toString() < cutoff;
        oldest.finish();
        if (aged) {
            const QString statement
                = QStringLiteral("DELETE FROM data WHERE id IN (SELECT id FROM data "
                                 "WHERE datetime < ? ORDER BY datetime, id LIMIT %1)")
                      .arg(batchRows);
            for (;;) {
                const int deleted = timedDelete(statement, {cutoff});
                if (deleted < 0)
                    return outcome;
                outcome.deletedByAge += deleted;
                if (deleted < batchRows)
                    break;
                if (!budgetLeft()) {
                    outcome.budgetSpent = true;
                    return outcome;
                }
            }
            qDebug() << "history: deleted" << outcome.deletedByAge << "samples before" << cutoff;
        }
    }

    if (limitBytes > 0) {
        const QString statement = QStringLiteral("DELETE FROM data WHERE id IN (SELECT id FROM "
                                                 "data ORDER BY datetime, id LIMIT %1)")
                                      .arg(batchRows);
        for (;;) {
            const qint64 used = m_usedSize(db);
            if (used < 0) {
                outcome.failed = true;
                outcome.error = QStringLiteral("the database does not tell its size");
                return outcome;
            }
            if (used <= limitBytes)
                break;
            if (outcome.deletedByAge + outcome.deletedBySize > 0 && !budgetLeft()) {
                outcome.budgetSpent = true;
                return outcome;
            }
            const int deleted = timedDelete(statement, {});
            if (deleted < 0)
                return outcome;
            outcome.deletedBySize += deleted;
            if (deleted < batchRows) // the table is empty now
                break;
        }
    }
    return outcome;
}
