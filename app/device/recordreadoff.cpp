#include "recordreadoff.h"

#include "devicelog.h"
#include "sqlitehandler.h"

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace DataLoggerProtocol;

RecordReadOff::RecordReadOff(Exchange exchange, SQLiteHandler *database)
    : m_exchange(std::move(exchange))
    , m_database(database)
{
}

RecordReadOff::Result RecordReadOff::run(quint32 firstIndex, int projectId)
{
    Result result;
    quint32 index = firstIndex;
    while (true) {
        result.nextIndex = index;
        if (m_stopCheck && m_stopCheck()) {
            result.outcome = Outcome::Halted;
            return result;
        }
        QByteArray reply;
        m_exchange(readRecordsFrame(index), &reply);
        switch (judgeRecords(reply)) {
        case RecordsReply::End:
            result.outcome = Outcome::End;
            return result;
        case RecordsReply::CheckFailed:
            qCDebug(lcDevice) << "records reply failed its check:" << reply.toHex(' ');
            result.outcome = Outcome::CheckFailed;
            return result;
        case RecordsReply::Stop:
            result.outcome = Outcome::Stopped;
            return result;
        case RecordsReply::Batch:
            break;
        }
        const RecordBatch batch = parseBatch(reply);
        storeBatch(batch, projectId, &result);
        ++result.batches;
        if (m_progress)
            m_progress(result.batches);
        index = batch.nextIndex;
    }
}

void RecordReadOff::storeBatch(const RecordBatch &batch, int projectId, Result *result)
{
    const QList<QVariantMap> rows = historyRows(batch, projectId);
    for (quint32 v : batch.values) {
        qCDebug(lcDevice).noquote()
            << v << QByteArray::number(v, 16).rightJustified(8, '0').toUpper();
    }
    QSqlDatabase db = m_database->database();
    const bool inTransaction = m_transactions && db.transaction();
    // The history index leads with label and time, so this finds a row without a scan.
    QSqlQuery stored(db);
    stored.prepare(QStringLiteral("SELECT 1 FROM data WHERE label = ? AND datetime = ? AND "
                                  "projectid = ? AND value = ? LIMIT 1"));
    for (const QVariantMap &row : rows) {
        if (isStored(stored, row)) {
            ++result->keptRows;
        } else if (m_database->insertRecord(QStringLiteral("data"), row)) {
            ++result->rows;
        } else {
            ++result->failedRows;
            qCDebug(lcDevice) << "Failed to insert records111." << row;
        }
    }
    if (inTransaction && !db.commit())
        db.rollback();
}

bool RecordReadOff::isStored(QSqlQuery &query, const QVariantMap &row)
{
    int position = 0;
    for (const char *column : {"label", "datetime", "projectid", "value"})
        query.bindValue(position++, row.value(QLatin1String(column)));
    const bool found = query.exec() && query.next();
    query.finish();
    return found;
}
