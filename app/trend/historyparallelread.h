#pragma once

#include <QSqlDatabase>
#include <functional>

// Reads the labels of one history search or report side by side: each label is read on one of a
// few worker threads, each worker with a read-only connection of its own to the history file,
// closed and removed after use. A label a worker could not read is read again on the calling
// thread through the caller's connection, and everything is read there when there is one label,
// one thread, or the connection is on no file.
class HistoryParallelRead
{
public:
    enum Outcome {
        Read,   // the label is read
        Failed, // not read: a worker's label is read again through the caller's connection
        Stop    // not read, and reading again would fail alike (a held file): stop
    };
    // Reads label `label` (0 .. count - 1) through connection, on a worker thread or on the
    // calling thread; each label is read by one call at a time, its result kept by the caller.
    using ReadLabel = std::function<Outcome(const QSqlDatabase &connection, int label)>;

    explicit HistoryParallelRead(const QSqlDatabase &db);

    // Up to this many workers; 0, the default: one a core.
    void setThreads(int threads) { m_threads = threads; }
    // How long a worker's connection waits for a file that someone else holds (ms); below 0,
    // the default: the driver's own wait.
    void setBusyWaitMs(int waitMs) { m_busyWaitMs = waitMs; }
    // Called on the calling thread as the workers start and every few milliseconds while they
    // read, to keep a window painted.
    void setWaiting(std::function<void()> waiting) { m_waiting = std::move(waiting); }

    // Reads labels 0 .. count - 1; false when one could not be read. After a Stop no further
    // label is begun.
    bool run(int count, const ReadLabel &read) const;

    // Gives the memory that the readers' records left free back to the system. The C library
    // keeps a heap per thread (glibc's arenas), and the free space in the workers' heaps stays
    // resident after the threads are gone: each large read would add to what the process
    // holds. Call it once the records are gone or kept elsewhere.
    static void releaseFreedMemory();

private:
    QSqlDatabase m_db;
    int m_threads = 0;
    int m_busyWaitMs = -1;
    std::function<void()> m_waiting;
};
