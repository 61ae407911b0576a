#include "recordreadoff.h"

#include "devicelog.h"
#include "historybusy.h"
#include "sqlitehandler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

using namespace DataLoggerProtocol;

namespace {

// The texts belong to the window that shows them.
QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

} // namespace

RecordReadOff::RecordReadOff(Exchange exchange, SQLiteHandler *database)
    : m_exchange(std::move(exchange))
    , m_database(database)
{
}

RecordReadOff::Result RecordReadOff::run(quint32 firstIndex, int projectId)
{
    Result result;
    quint32 index = firstIndex;
    result.nextIndex = index;
    if (m_opener) {
        QString error;
        const Try opened = whileFileHeld(
            [this](QString *text) {
                if (m_opener(text))
                    return Try::Done;
                return HistoryBusyWait::isBusy(*text) ? Try::Held : Try::Refused;
            },
            &result, &error);
        if (opened != Try::Done) {
            if (opened == Try::Refused) {
                result.outcome = Outcome::FileRefused;
                result.fileError = error;
            }
            return result;
        }
    }
    while (true) {
        result.nextIndex = index;
        if (m_stopCheck && m_stopCheck()) {
            result.outcome = Outcome::Halted;
            return result;
        }
        QByteArray reply;
        const int exchanged = m_exchange(readRecordsFrame(index), &reply);
        switch (judgeRecords(reply)) {
        case RecordsReply::End:
            result.outcome = Outcome::End;
            return result;
        case RecordsReply::CheckFailed:
            qCDebug(lcDevice) << "records reply failed its check:" << reply.toHex(' ');
            // Only bytes that came can fail a check: silence and a lost line are said as such.
            if (exchanged == linkLost)
                result.outcome = Outcome::LinkLost;
            else if (reply.isEmpty())
                result.outcome = Outcome::NoReply;
            else
                result.outcome = Outcome::CheckFailed;
            return result;
        case RecordsReply::Stop:
            result.outcome = Outcome::Stopped;
            return result;
        case RecordsReply::Batch:
            break;
        }
        const RecordBatch batch = parseBatch(reply);
        if (!storeBatch(batch, projectId, &result))
            return result;
        ++result.batches;
        if (m_progress)
            m_progress(result.batches);
        index = batch.nextIndex;
    }
}

bool RecordReadOff::storeBatch(const RecordBatch &batch, int projectId, Result *result)
{
    const QList<QVariantMap> rows = historyRows(batch, projectId);
    for (quint32 v : batch.values) {
        qCDebug(lcDevice).noquote()
            << v << QByteArray::number(v, 16).rightJustified(8, '0').toUpper();
    }
    int next = 0;
    int stored = 0;
    int kept = 0;
    QString error;
    const Try outcome
        = whileFileHeld([&](QString *text) { return storeRows(rows, &next, &stored, &kept, text); },
                        result, &error);
    result->rows += stored;
    result->keptRows += kept;
    if (outcome == Try::Done) {
        if (!m_ageCutoff.isEmpty() && !rows.isEmpty()
            && rows.first().value(QStringLiteral("datetime")).toString() < m_ageCutoff)
            result->agedRows += rows.size();
        return true;
    }
    if (outcome == Try::Refused) {
        result->outcome = Outcome::FileRefused;
        result->fileError = error;
    }
    result->failedRows = rows.size() - stored - kept;
    qCDebug(lcDevice) << "batch of record index" << result->nextIndex << "not stored:" << error;
    return false;
}

RecordReadOff::Try RecordReadOff::whileFileHeld(const std::function<Try(QString *)> &attempt,
                                                Result *result, QString *error)
{
    QElapsedTimer held;
    // No try leaves a transaction open: the hook, which may run the event loop, never runs
    // inside one.
    for (;;) {
        QElapsedTimer slice;
        slice.start();
        const Try outcome = attempt(error);
        if (outcome != Try::Held)
            return outcome;
        if (!held.isValid())
            held.start();
        if (m_stopCheck && m_stopCheck()) {
            result->outcome = Outcome::Halted;
            return outcome;
        }
        if (held.elapsed() >= fileWaitMs) {
            result->outcome = Outcome::FileHeld;
            return outcome;
        }
        // A try refused at once (no wait inside SQLite) still waits its slice.
        if (slice.elapsed() < fileSliceMs)
            QThread::msleep(quint64(fileSliceMs - slice.elapsed()));
        if (m_fileWaitHook)
            m_fileWaitHook();
    }
}

RecordReadOff::Try RecordReadOff::storeRows(const QList<QVariantMap> &rows, int *next, int *stored,
                                            int *kept, QString *error)
{
    QSqlDatabase db = m_database->database();
    // SQLite's own wait for the file is one slice, so that the window is painted between tries.
    const HistoryBusyWait wait(db, fileSliceMs);
    if (m_transactions) {
        // A rolled-back try stored nothing; the write lock is taken first, so that another
        // program's writer is met before any row and not at the commit.
        *next = *stored = *kept = 0;
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return failure(begin.lastError(), error);
    }
    const auto rollBack = [&](const QSqlError &cause) {
        if (m_transactions) {
            QSqlQuery rollback(db);
            rollback.exec(QStringLiteral("ROLLBACK"));
            *stored = *kept = 0;
        }
        return failure(cause, error);
    };
    // The history index leads with label and time, so this finds a row without a scan.
    QSqlQuery found(db);
    if (!found.prepare(QStringLiteral("SELECT 1 FROM data WHERE label = ? AND datetime = ? AND "
                                      "projectid = ? AND value = ? LIMIT 1")))
        return rollBack(found.lastError());
    for (; *next < rows.size(); ++*next) {
        const QVariantMap &row = rows.at(*next);
        const int there = isStored(found, row);
        if (there < 0)
            return rollBack(found.lastError());
        if (there > 0) {
            ++*kept;
        } else if (m_database->insertRecord(QStringLiteral("data"), row)) {
            ++*stored;
        } else {
            qCDebug(lcDevice) << "Failed to insert records111." << row;
            return rollBack(m_database->lastError());
        }
    }
    if (m_transactions) {
        // A reader of the file keeps the commit out; the rows go back and the batch is tried
        // again whole.
        QSqlQuery commit(db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            return rollBack(commit.lastError());
    }
    return Try::Done;
}

int RecordReadOff::isStored(QSqlQuery &query, const QVariantMap &row)
{
    int position = 0;
    for (const char *column : {"label", "datetime", "projectid", "value"})
        query.bindValue(position++, row.value(QLatin1String(column)));
    if (!query.exec())
        return -1;
    const bool found = query.next();
    query.finish();
    return found ? 1 : 0;
}

RecordReadOff::Try RecordReadOff::failure(const QSqlError &error, QString *text)
{
    *text = error.text();
    return HistoryBusyWait::isBusy(error) ? Try::Held : Try::Refused;
}

QString RecordReadOff::endText(Wording wording, const Result &result, const QString &retention)
{
    const bool serial = wording == Wording::Serial;
    QString head;
    switch (result.outcome) {
    case Outcome::End:
        head = DataLoggerProtocol::endText(wording);
        break;
    case Outcome::CheckFailed:
        head = checkFailedText(wording);
        break;
    case Outcome::NoReply:
        head = serial ? tr("设备无应答，离线数据导入停止") : tr("设备无应答，蓝牙数据导入停止");
        break;
    case Outcome::LinkLost:
        head = serial ? tr("串口连接已断开，离线数据导入停止")
                      : tr("串口连接已断开，蓝牙数据导入停止");
        break;
    case Outcome::Stopped:
        head = serial ? tr("设备应答无法识别，离线数据导入停止")
                      : tr("设备应答无法识别，蓝牙数据导入停止");
        break;
    case Outcome::Halted:
        head = serial ? tr("离线数据导入已停止") : tr("蓝牙数据导入已停止");
        break;
    case Outcome::FileHeld:
        head = (serial ? tr("历史数据库被其他程序占用%1秒，离线数据导入停止")
                       : tr("历史数据库被其他程序占用%1秒，蓝牙数据导入停止"))
                   .arg(fileWaitMs / 1000);
        break;
    case Outcome::FileRefused:
        head = (serial ? tr("历史数据库拒绝写入（%1），离线数据导入停止")
                       : tr("历史数据库拒绝写入（%1），蓝牙数据导入停止"))
                   .arg(result.fileError);
        break;
    }
    QString done = tr("已导入%1批（%2条数据）").arg(result.batches).arg(result.rows);
    if (result.keptRows > 0)
        done += tr("，另有%1条历史数据中已有").arg(result.keptRows);
    if (result.outcome != Outcome::End)
        done += tr("，停在记录索引%1").arg(result.nextIndex);
    if (result.failedRows > 0)
        done += tr("，该批%1条数据未存入").arg(result.failedRows);
    QString text = tr("%1：%2").arg(head, done);
    if (result.agedRows > 0) {
        text += QLatin1Char('\n')
                + tr("其中%1条早于覆盖时间（%2），将在历史数据清理时删除")
                      .arg(result.agedRows)
                      .arg(retention);
    }
    return text;
}
