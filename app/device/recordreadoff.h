#pragma once

#include "dataloggerprotocol.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QSqlError;
class QSqlQuery;
class SQLiteHandler;

// Reads the records a data-logger stored on its own, batch by batch from a start index, into the
// history table "data", until the device signals the end or the read-off cannot go on. A row the
// project already holds (same label, time and value) is not stored again, so reading the same
// records twice keeps one copy. A batch is stored whole or the read-off stops before it: the
// device is never asked past a batch that is not in the history.
class RecordReadOff
{
public:
    // Sends a read-records frame and fills reply with what came back: 0; -1 when nothing came;
    // linkLost when the link is gone after the exchange (whatever part of a reply came).
    using Exchange = std::function<int(const QByteArray &frame, QByteArray *reply)>;
    static constexpr int linkLost = -2;
    // Told the number of batches read so far after each one.
    using Progress = std::function<void(int batches)>;
    // Asked before each request and while waiting for the history file: true ends the read-off
    // there, all batches read before being stored.
    using StopCheck = std::function<bool()>;
    // Run between the tries while another program holds the history file.
    using FileWaitHook = std::function<void()>;
    // Opens the history file; false with the driver's text when it does not open.
    using Opener = std::function<bool(QString *error)>;

    // How long a batch waits for a history file that another program holds before the read-off
    // stops (ms). This program holds the file for a few seconds at most (a history search or a
    // report reads for a second or two, housekeeping for its 300 ms, SQLite's own wait for a
    // writer is 5 s), so sharing the file with a second copy never stops a read-off; a database
    // viewer's open write, which lasts until someone ends it, is told within 15 s.
    static constexpr int fileWaitMs = 15000;
    // One try's wait inside SQLite for the file (ms): the wait hook runs between tries, so the
    // window stays painted while the file is held.
    static constexpr int fileSliceMs = 50;

    enum class Outcome {
        End,         // the device has nothing more
        CheckFailed, // a reply failed its check (a bad CRC, a batch cut short)
        NoReply,     // the device did not answer a request
        LinkLost,    // the link went away
        Stopped,     // a checked reply that is no batch
        Halted,      // the stop check asked to stop
        FileHeld,    // another program held the history file past fileWaitMs
        FileRefused, // the history file refused a batch (fileError says why)
    };
    struct Result
    {
        Outcome outcome = Outcome::Stopped;
        int batches = 0;       // batches stored whole
        int rows = 0;          // rows inserted
        int keptRows = 0;      // rows the project held already
        int failedRows = 0;    // rows of the batch read but not stored, where the read-off stopped
        int agedRows = 0;      // rows read (stored or held) older than the age cut-off
        quint32 nextIndex = 0; // the index of the last request, or of the one not sent
        QString fileError;     // what the history file said when it refused a batch
    };

    RecordReadOff(Exchange exchange, SQLiteHandler *database);

    // One transaction per batch unless turned off (the benchmark compares both). Without one a
    // batch the file refuses may stay stored in part; its rows count as stored.
    void setBatchTransactions(bool on) { m_transactions = on; }
    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void setStopCheck(StopCheck check) { m_stopCheck = std::move(check); }
    void setFileWaitHook(FileWaitHook hook) { m_fileWaitHook = std::move(hook); }
    // Run before the first request, waiting like a batch while another program holds the file.
    void setOpener(Opener opener) { m_opener = std::move(opener); }
    // Rows whose stored time text lies below cutoff are counted in agedRows; empty: none.
    void setAgeCutoff(const QString &cutoff) { m_ageCutoff = cutoff; }

    Result run(quint32 firstIndex, int projectId);

    // What a read-off over a link of that wording did, in one text for every way it can end:
    // the batches and rows stored, where it stopped, and how many rows the retention named
    // retention (a setting's text) will remove.
    static QString endText(DataLoggerProtocol::Wording wording, const Result &result,
                           const QString &retention);

private:
    enum class Try { Done, Held, Refused };
    // Runs attempt, and again every fileSliceMs while it finds the file held, with the wait hook
    // run between tries; gives up (Held, the outcome set) after fileWaitMs or on a stop.
    Try whileFileHeld(const std::function<Try(QString *error)> &attempt, Result *result,
                      QString *error);
    // Stores the batch's rows whole; false with the outcome set when the read-off must stop.
    bool storeBatch(const DataLoggerProtocol::RecordBatch &batch, int projectId, Result *result);
    // One try at storing rows from *next on; Held when another program holds the file.
    Try storeRows(const QList<QVariantMap> &rows, int *next, int *stored, int *kept,
                  QString *error);
    // 1 when the project holds the row already, 0 when not, -1 when that cannot be told.
    static int isStored(QSqlQuery &query, const QVariantMap &row);
    static Try failure(const QSqlError &error, QString *text);

    Exchange m_exchange;
    Progress m_progress;
    StopCheck m_stopCheck;
    FileWaitHook m_fileWaitHook;
    Opener m_opener;
    SQLiteHandler *m_database;
    QString m_ageCutoff;
    bool m_transactions = true;
};
