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

// A report as plain data: one row per poll, one column per label of the section. The samples of
// one poll share the poll's one stamp, so a row is a stamp and a cell the record of its label
// with that stamp; a record stored with a stamp of its own gets a row of its own. Each label
// keeps only its own records (the row of each and its value), 12 bytes a record, so a week of
// records fits beside the window without a grid of cells.
struct ReportTable
{
    struct Column
    {
        QVector<qint32> rows;      // the row of each record, ascending, each row once
        QVector<double> values;    // by record; NaN where no number
        QHash<qint32, QString> texts; // by record: values stored as text
    };

    QStringList labels;       // in section order; a label may appear more than once
    QStringList descriptions; // one per label, empty where the label table has none
    // Rows 0 .. stampTexts.size() - 1: stamps SQLite cannot read, as stored, in text order; then
    // one row per entry of stamps, ms on a calendar without zones, ascending.
    QStringList stampTexts;
    QVector<qint64> stamps;
    QVector<Column> columns; // one per distinct label
    QVector<int> columnOf;   // per label: its column

    int rowCount() const { return stampTexts.size() + stamps.size(); }
    int labelCount() const { return labels.size(); }
    // The row's stamp to the second, "yyyy-MM-dd hh:mm:ss".
    QString timeText(int row) const;
    // The record of label in row within its column, -1 when the row has none.
    int recordAt(int row, int label) const;
    // NaN where the row has no number of the label.
    double value(int row, int label) const;
    // The cell as stored: a number in its shortest exact form, a text as it is, empty where
    // the row's poll has no record of the label.
    QString valueText(int row, int label) const;
};

// Turns history records into report rows: one row per stamp, a cell per label. The records of a
// label come in time order; a label stored twice with one stamp (two rows of the label table
// with the same address and different types) fills its cell with the first stored of them.
class ReportPivot
{
public:
    // The records of one label, gathered apart from the pivot (a worker thread may read them)
    // and handed over with addLabel().
    class LabelRecords
    {
    public:
        // A stamp as ms after the pivot's base: 32 bits reach 24.8 days, which is why a report
        // spans no more than ReportQuery::maxSpanSeconds (checked below ReportQuery).
        using Offset = qint32;
        // label: the index of labelIndex(); baseMs: the pivot's.
        explicit LabelRecords(int label = -1, qint64 baseMs = 0)
            : m_label(label)
            , m_base(baseMs)
        {
        }
        // ms: the stamp on a calendar without zones, or unreadableStamp with the stored text;
        // id: the record's row id. A value that is neither a number nor null is kept as its
        // text. Records of one stamp come one after the other (the select orders by stamp);
        // of them the first stored, the lowest id, is kept, as the guide lines read it.
        void add(qint64 ms, const QVariant &value, const QString &datetime, qint64 id);

    private:
        friend class ReportPivot;
        struct Unreadable
        {
            QString stamp; // as stored
            double number;
            int text; // index into m_unreadableTexts, or -1
        };
        int m_label;
        qint64 m_base;
        QVector<Offset> m_offsets;
        QVector<double> m_values;
        QHash<qint32, QString> m_texts; // by record
        QVector<Unreadable> m_unreadable;
        QStringList m_unreadableTexts;
        // The stamp and row id of the record added last, and where it went.
        enum class Last { None, Readable, Unreadable };
        Last m_last = Last::None;
        qint64 m_lastMs = 0;
        QString m_lastStamp;
        qint64 m_lastId = 0;
    };
    static constexpr qint64 unreadableStamp = std::numeric_limits<qint64>::min();

    // baseMs: a stamp near the records' (the start of the span), which their offsets count from.
    explicit ReportPivot(const QStringList &labels, qint64 baseMs = 0);

    void addLabel(LabelRecords records);
    // -1 for a label outside the section.
    int labelIndex(const QString &label) const;
    // Called between the labels' steps, to keep a window painted.
    void setProgress(std::function<void()> progress) { m_progress = std::move(progress); }
    ReportTable take();

    // A stored stamp "yyyy-MM-dd hh:mm:ss[.zzz]" as ms on a calendar without zones; false for
    // any other text.
    static bool stampMs(const QString &text, qint64 *ms);

private:
    void progress() const;

    QStringList m_labels;
    QStringList m_distinct;
    QHash<QString, int> m_distinctIndex;
    QVector<int> m_columnOf; // section label -> distinct label
    QVector<LabelRecords> m_runs;
    qint64 m_base;
    std::function<void()> m_progress;
};

// The history select of one report: the open project's records of the section's labels
// between two times, the names bound as values, one select a label along the history index,
// the labels read side by side.
class ReportQuery
{
public:
    // A report covers at most seven days, which keeps every record's stamp within an offset
    // of the pivot (static_assert below).
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

// The span's cap and the stamps' offset type go together: with a longer span or a narrower
// offset the later records of a span would no longer fit an offset.
static_assert(ReportQuery::maxSpanSeconds * 1000
                  <= std::numeric_limits<ReportPivot::LabelRecords::Offset>::max(),
              "a report's span must fit the offset its records' stamps are kept in");
