#pragma once

#include "dataloggerprotocol.h"

#include <QByteArray>
#include <functional>

class SQLiteHandler;

// Reads the records a data-logger stored on its own, batch by batch from a start index, into the
// history table "data", until the device signals the end or a reply fails its check.
class RecordReadOff
{
public:
    // Sends a read-records frame and fills reply with the whole batch; 0, or -1 with no reply.
    using Exchange = std::function<int(const QByteArray &frame, QByteArray *reply)>;

    enum class Outcome {
        End,         // the device has nothing more
        CheckFailed, // a reply failed its check (no reply, a bad CRC, a batch cut short)
        Stopped,     // a checked reply that is no batch
    };
    struct Result
    {
        Outcome outcome = Outcome::Stopped;
        int batches = 0;    // batches stored
        int rows = 0;       // rows inserted
        int failedRows = 0; // rows the database refused
    };

    RecordReadOff(Exchange exchange, SQLiteHandler *database);

    // One transaction per batch unless turned off (the benchmark compares both).
    void setBatchTransactions(bool on) { m_transactions = on; }

    Result run(quint32 firstIndex, int projectId);

private:
    void storeBatch(const DataLoggerProtocol::RecordBatch &batch, int projectId, Result *result);

    Exchange m_exchange;
    SQLiteHandler *m_database;
    bool m_transactions = true;
};
