#pragma once

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <limits>

// A report as plain data: one row per poll, one column per label of the section.
struct ReportTable
{
    QStringList labels;           // in section order; a label may appear more than once
    QStringList descriptions;     // one per label, empty where the label table has none
    QVector<QString> times;       // per row, the time of the row's first record to the second
    QVector<double> values;       // row-major, labels.size() per row; NaN where no number
    QHash<qint64, QString> texts; // by cell (row * labels + label): values stored as text

    int rowCount() const { return times.size(); }
    int labelCount() const { return labels.size(); }
    double value(int row, int label) const { return values.at(row * labels.size() + label); }
    // The cell as stored: a number in its shortest exact form, a text as it is, empty where
    // the row's poll has no record of the label.
    QString valueText(int row, int label) const;
};

// Turns history records into report rows, one row per poll.
//
// How polls are told apart: the records are taken in time order (between equal stamps, as the
// labels of one block share theirs, in section order). Every poll stores the section's labels in
// the same order, the driver's block order, so a row is a run of records whose labels come in that
// order: a record starts a new row when its label does not come after the label of the record
// before it, or when it comes more than three quarters of a poll period after that record. The poll
// order is the cycle in which the labels most often follow one another, cut where the time between
// two neighbours is longest (between the last block of one poll and the first of the next); the
// poll period is the median time between two samples of one label. A lost record so leaves its own
// cell empty and moves nothing else, with polls back to back or far apart.
class ReportPivot
{
    struct Record
    {
        qint64 ms;     // the stored stamp in ms, for order and gaps
        double number; // NaN for a text or null
        int label;     // index into m_distinct
        int text;      // index into the texts for a value stored as text, else -1
        int stamp;     // index into the stamps for a stamp that is not in the stored form, else -1
    };

public:
    // The records of one label in time order, gathered apart from the pivot (a worker thread
    // may read them) and handed over with addLabel().
    class LabelRecords
    {
    public:
        // label: the index of labelIndex().
        explicit LabelRecords(int label = -1)
            : m_label(label)
        {
        }
        // ms: the stamp on a calendar without zones, or unreadableStamp with the stored text.
        // A value that is neither a number nor null is kept as its text.
        void add(qint64 ms, const QVariant &value, const QString &datetime);

    private:
        friend class ReportPivot;
        int m_label;
        QVector<Record> m_records;
        QStringList m_texts;
        QStringList m_stamps;
    };
    static constexpr qint64 unreadableStamp = std::numeric_limits<qint64>::min();

    explicit ReportPivot(const QStringList &labels);

    // Records of one label, in time order, then those of the next: add() for one record, else
    // addLabel() with each label's records. datetime as stored, "yyyy-MM-dd hh:mm:ss.zzz";
    // records of other labels are skipped.
    void add(const QString &label, const QVariant &value, const QString &datetime);
    void addLabel(LabelRecords records);
    // -1 for a label outside the section.
    int labelIndex(const QString &label) const;
    ReportTable take();

private:
    void mergeRuns();
    QVector<int> pollRanks() const;
    double pollPeriodMs() const;

    QStringList m_labels;
    QStringList m_distinct;
    QHash<QString, int> m_distinctIndex;
    QVector<QVector<int>> m_columns; // distinct label -> its columns
    QVector<LabelRecords> m_runs;    // as added, each in time order
    QVector<Record> m_records;       // all runs merged by time
    QStringList m_texts;
    QStringList m_stamps;
};

// The history select of one report: the open project's records of the section's labels
// between two times, the names bound as values, one select a label along the history index,
// the labels read side by side.
class ReportQuery
{
public:
    // A report covers at most seven days.
    static constexpr qint64 maxSpanSeconds = 7 * 24 * 3600;
    // How long a report waits for a history file that another program holds (ms).
    static constexpr int busyWaitMs = 1000;
    // end, or start + seven days when the span is longer.
    static QDateTime clampedEnd(const QDateTime &start, const QDateTime &end);

    ReportQuery(int projectId, const QStringList &labels, const QDateTime &start,
                const QDateTime &end);

    QDateTime start() const { return m_start; }
    QDateTime end() const { return m_end; }
    // The select of one label's records, and its values for the label.
    QString statement() const;
    QVariantList boundValues(const QString &label) const;
    // Called between the labels' selects and every few thousand records, to keep a window
    // painted.
    void setProgress(std::function<void()> progress) { m_progress = std::move(progress); }
    // The labels are read side by side on up to this many threads (HistoryParallelRead); 0, the
    // default: one a core. While they read, the progress callback is called every few ms.
    void setThreads(int threads) { m_threads = threads; }

    enum Result { Done, Busy, Failed };
    // Reads the records on db into a table with a column per label. Busy when another
    // connection holds the file, Failed otherwise, with the driver's text in *error.
    Result run(const QSqlDatabase &db, ReportTable *table, QString *error) const;

private:
    // One label's select on db, with the label's bound values, into records; the driver's
    // error when it failed.
    QSqlError readLabel(const QSqlDatabase &db, const QVariantList &values,
                        ReportPivot::LabelRecords *records, bool showProgress) const;

    int m_projectId;
    QStringList m_labels;
    QStringList m_distinctLabels;
    QDateTime m_start;
    QDateTime m_end;
    std::function<void()> m_progress;
    int m_threads = 0;
};
