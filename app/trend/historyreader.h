#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>

// One stored sample: its local time as milliseconds since the epoch, and its value.
struct HistorySample
{
    qint64 msecs = 0;
    double value = 0.0;
};

// Reads the stored samples of one label of one project for a time window from the table "data".
// The label name and the project id are bound, never pasted into the statement, and the rows
// come in time order (rows read off a data-logger are stored late, out of id order).
//
// Stored times are the text "yyyy-MM-dd hh:mm:ss.zzz" in local time; they are converted by hand
// with the local offset looked up once per hour, since QDateTime::fromString per row costs
// twenty times the read itself.
class HistoryReader
{
public:
    explicit HistoryReader(const QSqlDatabase &db);

    // Samples with start <= time < end, both bounds taken to the whole second: the stored text is
    // compared with the bounds written as "yyyy-MM-dd hh:mm:ss", strictly on both sides.
    // Empty when start is not before end. ok (when given) is false when the read failed.
    QVector<HistorySample> read(int projectId, const QString &label, const QDateTime &start,
                                const QDateTime &end, bool *ok = nullptr);
    // Number of samples read() would return.
    int count(int projectId, const QString &label, const QDateTime &start, const QDateTime &end,
              bool *ok = nullptr);
    // Every step-th sample of the window (0, step, 2·step, …), counted in time order.
    QVector<HistorySample> readEvery(int projectId, const QString &label, const QDateTime &start,
                                     const QDateTime &end, int step, bool *ok = nullptr);

    // The text of the last failed read.
    QString errorText() const { return m_errorText; }

    // A stored time text to milliseconds since the epoch; false when it is not of the stored
    // form (a missing ".zzz" is taken as .000).
    bool toMsecs(const QString &text, qint64 *msecs);

    // The bound text of a window edge, "yyyy-MM-dd hh:mm:ss".
    static QString boundText(const QDateTime &time);

private:
    // The rows of statement as samples, every step-th of them.
    QVector<HistorySample> collect(const QString &statement, const QVariantList &values, int step,
                                   bool *ok);

    QSqlDatabase m_db;
    QString m_errorText;
    // Local-time offset of the most recent local hour (local msecs / 3,600,000).
    qint64 m_cachedHour = -1;
    qint64 m_cachedOffsetMs = 0;
};
