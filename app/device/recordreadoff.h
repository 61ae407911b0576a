#pragma once

#include "dataloggerprotocol.h"

#include <QByteArray>
#include <functional>

class QSqlQuery;
class SQLiteHandler;

// Reads the records a data-logger stored on its own, batch by batch from a start index, into the
// history table "data", until the device signals the end or a reply fails its check. A row the
// project already holds (same label, time and value) is not stored again, so reading the same
// records twice keeps one copy.
class RecordReadOff
{
public:
    // Sends a read-records frame and fills reply with the whole batch; 0, or -1 with no reply.
    using Exchange = std::function<int(const QByteArray &frame, QByteArray *reply)>;
    // Told the number of batches read so far after each one.
    using Progress = std::function<void(int batches)>;
    // Asked before each request: true ends the read-off there, all batches read being stored.
    using StopCheck = std::function<bool()>;

    enum class Outcome {
        End,         // the device has nothing more
        CheckFailed, // a reply failed its check (no reply, a bad CRC, a batch cut short)
        Stopped,     // a checked reply that is no batch
        Halted,      // the stop check asked to stop before a request
    };
    struct Result
    {
        Outcome outcome = Outcome::Stopped;
        int batches = 0;    // batches stored
        int rows = 0;       // rows inserted
        int failedRows = 0; // rows the database refused
        int keptRows = 0;   // rows the project held already
        quint32 nextIndex = 0; // the index of the last request, or of the one not sent
    };

    RecordReadOff(Exchange exchange, SQLiteHandler *database);

    // One transaction per batch unless turned off (the benchmark compares both).
    void setBatchTransactions(bool on) { m_transactions = on; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void setStopCheck(StopCheck check) { m_stopCheck = std::move(check); }

    Result run(quint32 firstIndex, int projectId);

private:
    void storeBatch(const DataLoggerProtocol::RecordBatch &batch, int projectId, Result *result);
    // True when the project holds the row already; false also when that cannot be told.
    static bool isStored(QSqlQuery &query, const QVariantMap &row);

    Exchange m_exchange;
    Progress m_progress;
    StopCheck m_stopCheck;
    SQLiteHandler *m_database;
    bool m_transactions = true;
};
