#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <functional>

// Keeps the history table "data" within a retention period and a size limit. One run deletes
// the samples older than the retention period, then the oldest samples until the database uses
// no more than the limit, oldest by time stamp first (the id decides between equal stamps),
// in batches found through the index on the time, so that a row's id or place in the file
// does not matter. It stops early once its time budget is spent, so that the polling loop on
// the same thread is held up only briefly; the next run goes on.
class HistoryTrim
{
public:
    // Rows per delete statement.
    static constexpr int batchRows = 2000;
    // Time budget of one run in ms, the last statement included: a statement is not begun
    // when one as long as the longest of the run would end past it.
    static constexpr int defaultBudgetMs = 300;
    // How long a run waits for a history file that another program holds before it gives the
    // run up; the next run tries again.
    static constexpr int busyWaitMs = 100;

    // Limit in bytes of an item of the "maxMemory" list; 0 (no trimming) for no selection.
    static qint64 sizeLimit(int maxMemoryIndex);
    // Days of an item of the "clearDays" list; 0 (keep everything) for "不覆盖" and for no
    // selection.
    static int retentionDays(int clearDaysIndex);
    // The stored time text below which a sample is past a retention of days at now: such
    // samples go at the next run. Empty for 0 days (keep everything).
    static QString retentionCutoff(const QDateTime &now, int days);
    // What the database's pages in use take: (page count - free pages) x page size. The
    // file itself never shrinks, so its size cannot tell whether deleting helped. -1 when
    // the database cannot say.
    static qint64 usedBytes(const QSqlDatabase &db);

    struct Outcome
    {
        int deletedBySize = 0;
        int deletedByAge = 0;
        bool budgetSpent = false; // the run stopped with work left
        bool busy = false;        // another connection held the file: given up until next run
        bool failed = false;
        QString error;
    };

    using UsedSize = std::function<qint64(const QSqlDatabase &)>;
    using Clock = std::function<QDateTime()>;
    // Milliseconds from any fixed point, for the time budget.
    using Ticker = std::function<qint64()>;

    HistoryTrim();

    void setUsedSize(UsedSize usedSize) { m_usedSize = std::move(usedSize); }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setTicker(Ticker ticker) { m_ticker = std::move(ticker); }
    void setBudgetMs(int budgetMs) { m_budgetMs = budgetMs; }

    // limitBytes 0: no size step; retentionDays 0: no retention step.
    Outcome run(const QSqlDatabase &db, qint64 limitBytes, int retentionDays) const;

private:
    UsedSize m_usedSize;
    Clock m_clock;
    Ticker m_ticker;
    int m_budgetMs = defaultBudgetMs;
};
