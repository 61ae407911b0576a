#pragma once

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>

// A report as plain data: one row per poll, one column per label of the section.
struct ReportTable
{
    QStringList labels;       // in section order; a label may appear more than once
    QStringList descriptions; // one per label, empty where the label table has none
    QVector<QString> times;   // per row, the time of the row's first record to the second
    QVector<double> values;   // row-major, labels.size() per row; NaN where the poll has none

    int rowCount() const { return times.size(); }
    int labelCount() const { return labels.size(); }
    double value(int row, int label) const { return values.at(row * labels.size() + label); }
};

// Turns history records, in time order, into report rows. A poll stores each label once, so
// a label that is already in the current row starts the next one: a poll that lost a label
// leaves that cell empty instead of moving the later values up.
class ReportPivot
{
public:
    explicit ReportPivot(const QStringList &labels);

    // datetime as stored, "yyyy-MM-dd hh:mm:ss.zzz"; records of other labels are skipped.
    void add(const QString &label, double value, const QString &datetime);
    ReportTable take();

private:
    ReportTable m_table;
    QHash<QString, QVector<int>> m_columns; // label -> its columns
    QVector<bool> m_filled;                 // per label of the current row
};

// The history select of one report: the open project's records of the section's labels
// between two times, the names bound as values, in time order.
class ReportQuery
{
public:
    // A report covers at most seven days.
    static constexpr qint64 maxSpanSeconds = 7 * 24 * 3600;
    // end, or start + seven days when the span is longer.
    static QDateTime clampedEnd(const QDateTime &start, const QDateTime &end);

    ReportQuery(int projectId, const QStringList &labels, const QDateTime &start,
                const QDateTime &end);

    QDateTime start() const { return m_start; }
    QDateTime end() const { return m_end; }
    QString statement() const;
    QVariantList boundValues() const;

    // Reads the records on db into a table with a column per label. False, with the
    // driver's text in *error, when the select fails.
    bool run(const QSqlDatabase &db, ReportTable *table, QString *error) const;

private:
    int m_projectId;
    QStringList m_labels;
    QStringList m_distinctLabels;
    QDateTime m_start;
    QDateTime m_end;
};
