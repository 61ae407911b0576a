#include "reportquery.h"

#include "historybusy.h"
#include "historyparallelread.h"

#include <QDate>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// Stored times carry milliseconds; the bounds are whole seconds and compare as text, so a
// record within the start second is in and one within the end second is out.
const char boundFormat[] = "yyyy-MM-dd hh:mm:ss";
constexpr int secondsLength = 19;
// Records between two calls of the progress callback.
constexpr int progressRecords = 16384;
// Julian day of 1970-01-01.
constexpr qint64 epochJulianDay = 2440588;
constexpr qint64 dayMs = 86400000;
using Offset = ReportPivot::LabelRecords::Offset;

double notANumber()
{
    return std::numeric_limits<double>::quiet_NaN();
}

bool digitsAt(const QChar *text, int at, int count, int *value)
{
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const ushort c = text[at + i].unicode();
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

QString secondsText(qint64 ms)
{
    const qint64 days = ms >= 0 ? ms / dayMs : -((-ms + dayMs - 1) / dayMs);
    const QDate date = QDate::fromJulianDay(days + epochJulianDay);
    const int secs = int((ms - days * dayMs) / 1000);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(), date.day(),
                             secs / 3600, secs / 60 % 60, secs % 60);
}

// A value as the report keeps it: the number, or NaN and the text of a value stored as text
// (a REAL column keeps a text that is no number as text); NaN and no text for a null.
double numberOf(const QVariant &value, QString *text)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return notANumber();
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toDouble();
    default:
        if (!value.isNull())
            *text = value.toString();
        return notANumber();
    }
}

// Puts the records of a label in the order of their stamps, stably (between equal stamps the
// order they were read in). The select returns them in this order; only stamps stored in a
// form other than the program's can come out of it.
void sortByStamp(QVector<Offset> *offsets, QVector<double> *values, QHash<qint32, QString> *texts)
{
    if (std::is_sorted(offsets->cbegin(), offsets->cend()))
        return;
    QVector<int> order(offsets->size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return offsets->at(a) < offsets->at(b); });
    QVector<Offset> sortedOffsets(offsets->size());
    QVector<double> sortedValues(values->size());
    QHash<qint32, QString> sortedTexts;
    for (int i = 0; i < order.size(); ++i) {
        sortedOffsets[i] = offsets->at(order.at(i));
        sortedValues[i] = values->at(order.at(i));
        const auto text = texts->constFind(order.at(i));
        if (text != texts->cend())
            sortedTexts.insert(i, text.value());
    }
    *offsets = std::move(sortedOffsets);
    *values = std::move(sortedValues);
    *texts = std::move(sortedTexts);
}

} // namespace

QString ReportTable::timeText(int row) const
{
    if (row < stampTexts.size())
        return stampTexts.at(row).left(secondsLength);
    return secondsText(stamps.at(row - stampTexts.size()));
}

int ReportTable::recordAt(int row, int label) const
{
    const Column &column = columns.at(columnOf.at(label));
    // A label polled in every row has its records row by row.
    if (column.rows.size() == rowCount())
        return row;
    const auto it = std::lower_bound(column.rows.cbegin(), column.rows.cend(), row);
    return it != column.rows.cend() && *it == row ? int(it - column.rows.cbegin()) : -1;
}

double ReportTable::value(int row, int label) const
{
    const int record = recordAt(row, label);
    return record < 0 ? notANumber() : columns.at(columnOf.at(label)).values.at(record);
}

QString ReportTable::valueText(int row, int label) const
{
    const int record = recordAt(row, label);
    if (record < 0)
        return QString();
    const Column &column = columns.at(columnOf.at(label));
    const double number = column.values.at(record);
    if (!std::isnan(number))
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    return column.texts.value(record);
}

bool ReportPivot::stampMs(const QString &text, qint64 *ms)
{
    if (text.size() < secondsLength)
        return false;
    const QChar *c = text.constData();
    if (c[4] != '-' || c[7] != '-' || c[10] != ' ' || c[13] != ':' || c[16] != ':')
        return false;
    int year, month, day, hour, minute, second, milli = 0;
    if (!digitsAt(c, 0, 4, &year) || !digitsAt(c, 5, 2, &month) || !digitsAt(c, 8, 2, &day)
        || !digitsAt(c, 11, 2, &hour) || !digitsAt(c, 14, 2, &minute)
        || !digitsAt(c, 17, 2, &second))
        return false;
    if (text.size() >= 23 && c[19] == '.' && !digitsAt(c, 20, 3, &milli))
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    *ms = (date.toJulianDay() - epochJulianDay) * dayMs
          + ((hour * 60 + minute) * 60 + second) * 1000 + milli;
    return true;
}

ReportPivot::ReportPivot(const QStringList &labels, qint64 baseMs)
    : m_labels(labels)
    , m_base(baseMs)
{
    for (const QString &label : labels) {
        auto it = m_distinctIndex.constFind(label);
        if (it == m_distinctIndex.constEnd()) {
            it = m_distinctIndex.insert(label, m_distinct.size());
            m_distinct << label;
        }
        m_columnOf << it.value();
    }
}

int ReportPivot::labelIndex(const QString &label) const
{
    return m_distinctIndex.value(label, -1);
}

void ReportPivot::addLabel(LabelRecords records)
{
    if (records.m_label < 0 || records.m_label >= m_distinct.size())
        return;
    m_runs.append(std::move(records));
}

void ReportPivot::LabelRecords::add(qint64 ms, const QVariant &value, const QString &datetime,
                                    qint64 id)
{
    QString text;
    const double number = numberOf(value, &text);
    const qint64 offset = ms == unreadableStamp ? 0 : ms - m_base;
    const bool unreadable = ms == unreadableStamp || offset < std::numeric_limits<Offset>::min()
                            || offset > std::numeric_limits<Offset>::max();
    // A second record of the last one's stamp (two labels of the table on one address with
    // different types are stored under one name): the first stored stays.
    if (m_last != Last::None && ms == m_lastMs && datetime == m_lastStamp) {
        if (id >= m_lastId)
            return;
        m_lastId = id;
        if (m_last == Last::Unreadable) {
            Unreadable &record = m_unreadable.last();
            record.number = number;
            record.text = text.isNull() ? -1 : m_unreadableTexts.size();
            if (!text.isNull())
                m_unreadableTexts << text;
            return;
        }
        const int index = m_values.size() - 1;
        m_values[index] = number;
        m_texts.remove(index);
        if (!text.isNull())
            m_texts.insert(index, text);
        return;
    }
    m_lastMs = ms;
    m_lastStamp = datetime;
    m_lastId = id;
    if (unreadable) {
        m_last = Last::Unreadable;
        // Not written by this program: a row of its own text, before the rest.
        const int textIndex = text.isNull() ? -1 : m_unreadableTexts.size();
        if (textIndex >= 0)
            m_unreadableTexts << text;
        m_unreadable.append({ms == unreadableStamp ? datetime : secondsText(ms), number, textIndex});
        return;
    }
    m_last = Last::Readable;
    if (!text.isNull())
        m_texts.insert(m_offsets.size(), text);
    m_offsets.append(Offset(offset));
    m_values.append(number);
}

void ReportPivot::progress() const
{
    if (m_progress)
        m_progress();
}

ReportTable ReportPivot::take()
{
    ReportTable table;
    table.labels = m_labels;
    table.columnOf = m_columnOf;
    table.columns.resize(m_distinct.size());

    // The rows: every stamp of any label, once, in time order; stamps SQLite cannot read first,
    // in text order.
    QVector<Offset> rows;
    QVector<Offset> merged;
    for (LabelRecords &run : m_runs) {
        sortByStamp(&run.m_offsets, &run.m_values, &run.m_texts);
        if (rows != run.m_offsets) {
            merged.resize(rows.size() + run.m_offsets.size());
            auto end = std::set_union(rows.cbegin(), rows.cend(), run.m_offsets.cbegin(),
                                      run.m_offsets.cend(), merged.begin());
            end = std::unique(merged.begin(), end);
            merged.resize(int(end - merged.begin()));
            rows.swap(merged);
        }
        for (const LabelRecords::Unreadable &record : qAsConst(run.m_unreadable))
            table.stampTexts << record.stamp;
        progress();
    }
    merged = QVector<Offset>();
    table.stampTexts.sort();
    table.stampTexts.removeDuplicates();
    const int unreadableRows = table.stampTexts.size();
    table.stamps.reserve(rows.size());
    for (Offset offset : qAsConst(rows))
        table.stamps.append(m_base + offset);

    // Each label's stamps become its rows, in place; its values stay where they are. Of two
    // records in one row the first stays.
    for (LabelRecords &run : m_runs) {
        ReportTable::Column &column = table.columns[run.m_label];
        if (!column.rows.isEmpty())
            continue; // a label read twice fills its column once
        QVector<qint32> cells;
        QVector<double> values;
        QHash<qint32, QString> texts;
        std::stable_sort(run.m_unreadable.begin(), run.m_unreadable.end(),
                         [](const LabelRecords::Unreadable &a, const LabelRecords::Unreadable &b) {
                             return a.stamp < b.stamp;
                         });
        for (const LabelRecords::Unreadable &record : qAsConst(run.m_unreadable)) {
            const qint32 row = qint32(std::lower_bound(table.stampTexts.cbegin(),
                                                       table.stampTexts.cend(), record.stamp)
                                      - table.stampTexts.cbegin());
            if (!cells.isEmpty() && cells.last() == row)
                continue;
            if (record.text >= 0)
                texts.insert(cells.size(), run.m_unreadableTexts.at(record.text));
            cells.append(row);
            values.append(record.number);
        }
        QVector<Offset> &offsets = run.m_offsets;
        int kept = 0;
        int at = 0;
        for (int i = 0; i < offsets.size(); ++i) {
            while (rows.at(at) < offsets.at(i))
                ++at;
            const qint32 row = qint32(unreadableRows + at);
            if (kept > 0 && offsets.at(kept - 1) == row)
                continue;
            const auto text = run.m_texts.constFind(i);
            if (text != run.m_texts.cend())
                texts.insert(cells.size() + kept, text.value());
            offsets[kept] = row;
            run.m_values[kept] = run.m_values.at(i);
            ++kept;
        }
        offsets.resize(kept);
        run.m_values.resize(kept);
        if (cells.isEmpty()) {
            column.rows = std::move(offsets);
            column.values = std::move(run.m_values);
        } else {
            column.rows = cells + offsets;
            column.values = values + run.m_values;
        }
        column.rows.squeeze();
        column.values.squeeze();
        column.texts = std::move(texts);
        run = LabelRecords();
        progress();
    }
    m_runs.clear();
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
    // Along the history index (label, datetime, projectid, value), which holds every column
    // read here: the table itself is never visited. The stamp comes as ms on a calendar
    // without zones (exact: SQLite keeps julian days in whole ms), which spares a text per
    // record; a stamp SQLite cannot read comes as its text. Records of one stamp come in the
    // index's order (by value); their row ids, which the index holds too, tell which was stored
    // first, without a sort.
    return QStringLiteral(
        "SELECT CAST(ROUND((julianday(datetime) - 2440587.5) * 86400000.0) AS INTEGER), value, "
        "CASE WHEN julianday(datetime) IS NULL THEN datetime END, id FROM data WHERE label = ? "
        "AND datetime > ? AND datetime < ? AND projectid = ? ORDER BY datetime");
}

QVariantList ReportQuery::boundValues(const QString &label) const
{
    return {label, m_start.toString(QLatin1String(boundFormat)),
            m_end.toString(QLatin1String(boundFormat)), m_projectId};
}

QSqlError ReportQuery::readLabel(const QSqlDatabase &db, const QVariantList &values,
                                 ReportPivot::LabelRecords *records, bool showProgress) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement()))
        return query.lastError();
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        return query.lastError();
    int sinceProgress = 0;
    while (query.next()) {
        const QVariant ms = query.value(0);
        records->add(ms.isNull() ? ReportPivot::unreadableStamp : ms.toLongLong(), query.value(1),
                     ms.isNull() ? query.value(2).toString() : QString(),
                     query.value(3).toLongLong());
        if (showProgress && ++sinceProgress == progressRecords) {
            sinceProgress = 0;
            m_progress();
        }
    }
    return query.lastError();
}

ReportQuery::Result ReportQuery::run(const QSqlDatabase &db, ReportTable *table,
                                     QString *error) const
{
    // The records' stamps count from the start of the span.
    qint64 baseMs = 0;
    ReportPivot::stampMs(m_start.toString(QLatin1String(boundFormat)), &baseMs);
    ReportPivot pivot(m_labels, baseMs);
    pivot.setProgress(m_progress);
    const int count = m_distinctLabels.size();
    if (count == 0) {
        *table = pivot.take();
        return Done;
    }
    // Made here, so that the readers only read them.
    QVector<int> indexes;
    QVector<QVariantList> values;
    for (const QString &label : m_distinctLabels) {
        indexes << pivot.labelIndex(label);
        values << boundValues(label);
    }
    // Each label's entries are written by the one reader of that label.
    QVector<ReportPivot::LabelRecords> records(count);
    QVector<QSqlError> errors(count);
    ReportPivot::LabelRecords *const recordsOf = records.data();
    QSqlError *const errorOf = errors.data();
    const QThread *const caller = QThread::currentThread();
    {
        const HistoryBusyWait wait(db, busyWaitMs);
        HistoryParallelRead reads(db);
        reads.setThreads(m_threads);
        // A worker waits for a held file as long as the caller's connection.
        reads.setBusyWaitMs(busyWaitMs);
        reads.setWaiting(m_progress);
        reads.run(count, [&](const QSqlDatabase &connection, int i) {
            const bool onCaller = QThread::currentThread() == caller;
            recordsOf[i] = ReportPivot::LabelRecords(indexes.at(i), baseMs);
            errorOf[i] = readLabel(connection, values.at(i), &recordsOf[i], onCaller && m_progress);
            if (onCaller && m_progress)
                m_progress();
            if (!errorOf[i].isValid())
                return HistoryParallelRead::Read;
            recordsOf[i] = ReportPivot::LabelRecords();
            // Another connection would wait for a held file again.
            return HistoryBusyWait::isBusy(errorOf[i]) ? HistoryParallelRead::Stop
                                                       : HistoryParallelRead::Failed;
        });
    }
    // A held file first: it is why the others were not read.
    const auto busy = std::find_if(errors.cbegin(), errors.cend(), [](const QSqlError &e) {
        return e.isValid() && HistoryBusyWait::isBusy(e);
    });
    const auto failed = busy != errors.cend()
                            ? busy
                            : std::find_if(errors.cbegin(), errors.cend(),
                                           [](const QSqlError &e) { return e.isValid(); });
    if (failed != errors.cend()) {
        *error = failed->text();
        return busy != errors.cend() ? Busy : Failed;
    }
    for (ReportPivot::LabelRecords &labelRecords : records)
        pivot.addLabel(std::move(labelRecords));
    records.clear();
    *table = pivot.take();
    return Done;
}
