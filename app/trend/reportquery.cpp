#include "reportquery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>
#include <limits>

namespace {

// Stored times carry milliseconds; the bounds are whole seconds and compare as text, so a
// record within the start second is in and one within the end second is out.
const char boundFormat[] = "yyyy-MM-dd hh:mm:ss";
constexpr int secondsLength = 19;

} // namespace

ReportPivot::ReportPivot(const QStringList &labels)
    : m_filled(labels.size(), false)
{
    m_table.labels = labels;
    for (int i = 0; i < labels.size(); ++i)
        m_columns[labels.at(i)].append(i);
}

void ReportPivot::add(const QString &label, double value, const QString &datetime)
{
    const auto it = m_columns.constFind(label);
    if (it == m_columns.constEnd())
        return;
    const QVector<int> &columns = it.value();
    const int width = m_table.labels.size();
    if (m_table.times.isEmpty() || m_filled.at(columns.first())) {
        m_table.times.append(datetime.left(secondsLength));
        m_table.values.resize(m_table.values.size() + width);
        std::fill(m_table.values.end() - width, m_table.values.end(),
                  std::numeric_limits<double>::quiet_NaN());
        m_filled.fill(false);
    }
    const int rowStart = (m_table.times.size() - 1) * width;
    for (int column : columns) {
        m_table.values[rowStart + column] = value;
        m_filled[column] = true;
    }
}

ReportTable ReportPivot::take()
{
    ReportTable table = std::move(m_table);
    m_table = ReportTable();
    m_table.labels = table.labels;
    m_filled.fill(false);
    return table;
}

QDateTime ReportQuery::clampedEnd(const QDateTime &start, const QDateTime &end)
{
    if (start.secsTo(end) > maxSpanSeconds)
        return start.addSecs(maxSpanSeconds);
    return end;
}

ReportQuery::ReportQuery(int projectId, const QStringList &labels, const QDateTime &start,
                         const QDateTime &end)
    : m_projectId(projectId)
    , m_labels(labels)
    , m_distinctLabels(labels)
    , m_start(start)
    , m_end(clampedEnd(start, end))
{
    m_distinctLabels.removeDuplicates();
}

QString ReportQuery::statement() const
{
    QStringList marks;
    for (int i = 0; i < m_distinctLabels.size(); ++i)
        marks << QStringLiteral("?");
    // Time order, then insertion order: an index on the labels would otherwise hand the rows
    // over grouped by label.
    return QStringLiteral("SELECT label, value, datetime FROM data WHERE projectid = ? AND "
                          "datetime > ? AND datetime < ? AND label IN (%1) "
                          "ORDER BY datetime, id")
        .arg(marks.join(QLatin1Char(',')));
}

QVariantList ReportQuery::boundValues() const
{
    QVariantList values{m_projectId, m_start.toString(QLatin1String(boundFormat)),
                        m_end.toString(QLatin1String(boundFormat))};
    for (const QString &label : m_distinctLabels)
        values << label;
    return values;
}

bool ReportQuery::run(const QSqlDatabase &db, ReportTable *table, QString *error) const
{
    ReportPivot pivot(m_labels);
    if (m_distinctLabels.isEmpty()) {
        *table = pivot.take();
        return true;
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement())) {
        *error = query.lastError().text();
        return false;
    }
    for (const QVariant &value : boundValues())
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        const QVariant stored = query.value(1);
        bool ok = false;
        const double value = stored.isNull() ? std::nan("") : stored.toDouble(&ok);
        pivot.add(query.value(0).toString(), ok ? value : std::nan(""), query.value(2).toString());
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return false;
    }
    *table = pivot.take();
    return true;
}
