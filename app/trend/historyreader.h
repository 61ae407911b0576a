#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
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
// come in time order (rows read off a data-logger are stored late, out of id order). A row whose
// value is NULL (how SQLite keeps a NaN), infinite or no number, or whose time is no time, is no
// sample.
//
// Stored times are the text "yyyy-MM-dd hh:mm:ss.zzz" in local time. SQLite hands them over as
// Julian day numbers (a number crosses into Qt at a third of the cost of a text) and the local
// offset is looked up once per hour.
class HistoryReader
{
public:
    explicit HistoryReader(const QSqlDatabase &db);

    // Samples with start <= time < end, both bounds taken to the whole second: the stored text is
    // compared with the bounds written as "yyyy-MM-dd hh:mm:ss", strictly on both sides.
    // Empty when start is not before end. ok (when given) is false when the read failed.
    QVector<HistorySample> read(int projectId, const QString &label, const QDateTime &start,
                                const QDateTime &end, bool *ok = nullptr);
    // The same thinned to the first, lowest, highest and last sample of each of `columns` pixel
    // columns of the window (HistoryRules::ColumnThinner); every sample when columns < 1.
    QVector<HistorySample> readColumns(int projectId, const QString &label, const QDateTime &start,
                                       const QDateTime &end, int columns, bool *ok = nullptr);

    // The window of every label in labels (results in the order of labels), each read like
    // readColumns. The labels are read side by side on up to `threads` worker threads (0: one a
    // core) by HistoryParallelRead, each with a read-only connection of its own to db's file; on
    // the calling thread through db when there is one label, one thread, or db is no file. A
    // label a worker could not read is read again through db. ok is false when a read failed.
    static QVector<QVector<HistorySample>> readLabels(const QSqlDatabase &db, int projectId,
                                                      const QStringList &labels,
                                                      const QDateTime &start, const QDateTime &end,
                                                      int columns, int threads = 0,
                                                      bool *ok = nullptr);

    // The text of the last failed read.
    QString errorText() const { return m_errorText; }

    // A stored time text to milliseconds since the epoch; false when it is not of the stored
    // form (a missing ".zzz" is taken as .000).
    bool toMsecs(const QString &text, qint64 *msecs);

    // The bound text of a window edge, "yyyy-MM-dd hh:mm:ss".
    static QString boundText(const QDateTime &time);

private:
    // Milliseconds of a local wall-clock time counted as if it were UTC, to real milliseconds
    // since the epoch.
    qint64 fromLocalMsecs(qint64 local);

    QSqlDatabase m_db;
    QString m_errorText;
    // Local-time offset of the most recent local hour (local msecs / 3,600,000).
    qint64 m_cachedHour = -1;
    qint64 m_cachedOffsetMs = 0;
};
