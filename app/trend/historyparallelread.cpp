#include "historyparallelread.h"

#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <QVector>
#include <algorithm>
#include <atomic>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Between two calls of the waiting callback: about a frame (ms).
constexpr int waitingStepMs = 16;

enum LabelState : char { Unread, ReadByWorker, Stopped };

} // namespace

HistoryParallelRead::HistoryParallelRead(const QSqlDatabase &db)
    : m_db(db)
{
}

bool HistoryParallelRead::run(int count, const ReadLabel &read) const
{
    if (count <= 0)
        return true;
    // Each entry is written by the one worker that took its label.
    QVector<char> states(count, Unread);
    char *const stateOf = states.data();
    std::atomic<bool> stop{false};
    const QString file = m_db.databaseName();
    const bool onFile = m_db.driverName() == QLatin1String("QSQLITE") && !file.isEmpty()
                        && file != QLatin1String(":memory:")
                        && !file.startsWith(QLatin1String("file:"));
    const int threads = std::min(m_threads > 0 ? m_threads : QThread::idealThreadCount(), count);
    if (onFile && threads > 1) {
        QString options = QStringLiteral("QSQLITE_OPEN_READONLY");
        if (m_busyWaitMs >= 0)
            options += QStringLiteral(";QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyWaitMs);
        static QAtomicInt connectionNumber;
        std::atomic<int> next{0};
        QThreadPool pool;
        pool.setMaxThreadCount(threads);
        for (int t = 0; t < threads; ++t) {
            const QString name = QStringLiteral("morvelin_history_read:%1")
                                     .arg(connectionNumber.fetchAndAddRelaxed(1));
            pool.start(QRunnable::create([&, name] {
                {
                    QSqlDatabase connection
                        = QSqlDatabase::addDatabase(QLatin1String("QSQLITE"), name);
                    connection.setDatabaseName(file);
                    connection.setConnectOptions(options);
                    if (connection.open()) {
                        for (int i = next++; i < count && !stop; i = next++) {
                            const Outcome outcome = read(connection, i);
                            stateOf[i] = outcome == Read   ? ReadByWorker
                                         : outcome == Stop ? Stopped
                                                           : Unread;
                            if (outcome == Stop)
                                stop = true;
                        }
                        connection.close();
                    }
                }
                QSqlDatabase::removeDatabase(name);
            }));
        }
        if (m_waiting) {
            // At once too, so that the window shows what runs however short the reads.
            do {
                m_waiting();
            } while (!pool.waitForDone(waitingStepMs));
        } else {
            pool.waitForDone();
        }
    }
    bool allRead = !stop;
    for (int i = 0; i < count && !stop; ++i) {
        if (states.at(i) != Unread)
            continue;
        const Outcome outcome = read(m_db, i);
        allRead = allRead && outcome == Read;
        stop = outcome == Stop;
    }
    return allRead;
}

void HistoryParallelRead::releaseFreedMemory()
{
#if defined(__GLIBC__)
    // Every heap, the workers' included; the pages in use stay.
    malloc_trim(0);
#endif
}
