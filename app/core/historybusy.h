#pragma once

#include <QSqlDatabase>

class QSqlError;

// How long SQLite waits for a history file that another connection or program holds, for one
// piece of work: housekeeping waits briefly and tries again at its next pass, a report a
// little longer, a read-off a slice at a time with the window painted between; afterwards the
// connection's own wait is put back.
class HistoryBusyWait
{
public:
    HistoryBusyWait(const QSqlDatabase &db, int waitMs);
    ~HistoryBusyWait();
    HistoryBusyWait(const HistoryBusyWait &) = delete;
    HistoryBusyWait &operator=(const HistoryBusyWait &) = delete;

    // The statement failed because the file is held by someone else (SQLITE_BUSY, SQLITE_LOCKED).
    static bool isBusy(const QSqlError &error);
    // The same, told from an error's text alone (what SQLiteHandler's open reports).
    static bool isBusy(const QString &errorText);

private:
    QSqlDatabase m_db;
    int m_previousMs = -1;
};
