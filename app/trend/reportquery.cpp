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

// A stored stamp "yyyy-MM-dd hh:mm:ss[.zzz]" as milliseconds on a calendar without zones:
// the rows need only the order and the gaps. Far faster than QDateTime for millions.
bool stampMs(const QString &text, qint64 *ms)
{
    if (text.size() < secondsLength)
        return false;
    const QChar *c = text.constData();
    if (c[4] != '-' || c[7] != '-' || c[13] != ':' || c[16] != ':')
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

QString secondsText(qint64 ms)
{
    const qint64 days = ms >= 0 ? ms / dayMs : -((-ms + dayMs - 1) / dayMs);
    const QDate date = QDate::fromJulianDay(days + epochJulianDay);
    const int secs = int((ms - days * dayMs) / 1000);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", date.year(), date.month(), date.day(),
                             secs / 3600, secs / 60 % 60, secs % 60);
}

template<typename T>
T median(QVector<T> &values)
{
    auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

QString ReportTable::valueText(int row, int label) const
{
    const qint64 cell = qint64(row) * labels.size() + label;
    const double number = values.at(int(cell));
    if (!std::isnan(number))
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    return texts.value(cell);
}

ReportPivot::ReportPivot(const QStringList &labels)
    : m_labels(labels)
{
    for (int i = 0; i < labels.size(); ++i) {
        auto it = m_distinctIndex.constFind(labels.at(i));
        if (it == m_distinctIndex.constEnd()) {
            it = m_distinctIndex.insert(labels.at(i), m_distinct.size());
            m_distinct << labels.at(i);
            m_columns.append(QVector<int>());
        }
        m_columns[it.value()].append(i);
    }
}

int ReportPivot::labelIndex(const QString &label) const
{
    return m_distinctIndex.value(label, -1);
}

void ReportPivot::add(const QString &label, const QVariant &value, const QString &datetime)
{
    const int index = labelIndex(label);
    if (index < 0)
        return;
    if (m_runs.isEmpty() || m_runs.last().m_label != index)
        m_runs.append(LabelRecords(index));
    qint64 ms = 0;
    if (stampMs(datetime, &ms))
        m_runs.last().add(ms, value, QString());
    else
        m_runs.last().add(unreadableStamp, value, datetime);
}

void ReportPivot::addLabel(LabelRecords records)
{
    if (records.m_label < 0 || records.m_label >= m_distinct.size() || records.m_records.isEmpty())
        return;
    m_runs.append(std::move(records));
}

void ReportPivot::LabelRecords::add(qint64 ms, const QVariant &value, const QString &datetime)
{
    Record record{ms, notANumber(), m_label, -1, -1};
    if (ms == unreadableStamp) {
        // Not written by this program: placed before the rest, shown as stored.
        record.stamp = m_stamps.size();
        m_stamps << datetime.left(secondsLength);
    }
    switch (value.userType()) {
    case QMetaType::UnknownType:
        break;
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        record.number = value.toDouble();
        break;
    default:
        // A text label's value as the polling loop stored it (a REAL column keeps a text
        // that is no number as text).
        if (!value.isNull()) {
            record.text = m_texts.size();
            m_texts << value.toString();
        }
        break;
    }
    m_records.append(record);
}

void ReportPivot::mergeRuns()
{
    // Each label's records come in time order: merging the runs, stably (between equal stamps
    // the earlier run first), keeps a poll's labels that share a stamp (one block) in one order
    // from poll to poll.
    const auto earlier = [](const Record &a, const Record &b) { return a.ms < b.ms; };
    qint64 total = 0;
    for (LabelRecords &run : m_runs) {
        if (!std::is_sorted(run.m_records.cbegin(), run.m_records.cend(), earlier))
            std::stable_sort(run.m_records.begin(), run.m_records.end(), earlier);
        if (!run.m_texts.isEmpty() || !run.m_stamps.isEmpty()) {
            const int texts = m_texts.size();
            const int stamps = m_stamps.size();
            for (Record &record : run.m_records) {
                record.text += record.text >= 0 ? texts : 0;
                record.stamp += record.stamp >= 0 ? stamps : 0;
            }
            m_texts += run.m_texts;
            m_stamps += run.m_stamps;
        }
        total += run.m_records.size();
    }
    m_records.clear();
    m_records.reserve(int(total));
    // The next record of each run, the earliest (then the earliest run) on top.
    struct Head
    {
        qint64 ms;
        int run;
        int at;
    };
    const auto later
        = [](const Head &a, const Head &b) { return a.ms != b.ms ? a.ms > b.ms : a.run > b.run; };
    QVector<Head> heads;
    for (int r = 0; r < m_runs.size(); ++r) {
        if (!m_runs.at(r).m_records.isEmpty())
            heads.append({m_runs.at(r).m_records.first().ms, r, 0});
    }
    std::make_heap(heads.begin(), heads.end(), later);
    while (!heads.isEmpty()) {
        std::pop_heap(heads.begin(), heads.end(), later);
        Head &head = heads.last();
        const QVector<Record> &run = m_runs.at(head.run).m_records;
        // The run's records up to the next run's head go in one stretch.
        const bool alone = heads.size() == 1;
        const qint64 limit = alone ? std::numeric_limits<qint64>::max() : heads.first().ms;
        const bool winsTies = alone || head.run < heads.first().run;
        int at = head.at;
        do {
            m_records.append(run.at(at));
            ++at;
        } while (at < run.size()
                 && (run.at(at).ms < limit || (winsTies && run.at(at).ms == limit)));
        if (at < run.size()) {
            head.ms = run.at(at).ms;
            head.at = at;
            std::push_heap(heads.begin(), heads.end(), later);
        } else {
            heads.removeLast();
        }
    }
    m_runs.clear();
}

double ReportPivot::pollPeriodMs() const
{
    QVector<qint64> last(m_distinct.size(), std::numeric_limits<qint64>::min());
    QVector<qint64> intervals;
    intervals.reserve(m_records.size());
    for (const Record &record : m_records) {
        qint64 &previous = last[record.label];
        if (previous != std::numeric_limits<qint64>::min() && record.ms > previous)
            intervals.append(record.ms - previous);
        previous = record.ms;
    }
    return intervals.isEmpty() ? 0.0 : double(median(intervals));
}

QVector<int> ReportPivot::pollRanks() const
{
    const int count = m_distinct.size();
    QVector<int> ranks(count, 0);
    if (m_records.isEmpty())
        return ranks;
    // How often each label follows each other label.
    QVector<int> follows(count * count, 0);
    QVector<int> firstSeen(count, -1);
    for (int i = 0; i < m_records.size(); ++i) {
        const int label = m_records.at(i).label;
        if (firstSeen.at(label) < 0)
            firstSeen[label] = i;
        if (i > 0 && m_records.at(i - 1).label != label)
            ++follows[m_records.at(i - 1).label * count + label];
    }
    QVector<int> present;
    for (int label = 0; label < count; ++label) {
        if (firstSeen.at(label) >= 0)
            present << label;
    }
    // The cycle: from the first label, each time the unvisited label that most often follows
    // the last one (the earliest seen when none follows it).
    QVector<int> order{m_records.first().label};
    QVector<bool> visited(count, false);
    visited[order.first()] = true;
    while (order.size() < present.size()) {
        const int current = order.last();
        int best = -1;
        for (int label : present) {
            if (visited.at(label))
                continue;
            if (best < 0 || follows.at(current * count + label) > follows.at(current * count + best)
                || (follows.at(current * count + label) == follows.at(current * count + best)
                    && firstSeen.at(label) < firstSeen.at(best)))
                best = label;
        }
        visited[best] = true;
        order << best;
    }
    const int n = order.size();
    QVector<int> position(count, -1);
    for (int i = 0; i < n; ++i)
        position[order.at(i)] = i;
    // The poll ends where the time between two neighbours of the cycle is longest.
    QVector<QVector<qint64>> gaps(n);
    for (int i = 1; i < m_records.size(); ++i) {
        const int from = position.at(m_records.at(i - 1).label);
        if (position.at(m_records.at(i).label) == (from + 1) % n)
            gaps[from].append(m_records.at(i).ms - m_records.at(i - 1).ms);
    }
    int cut = n - 1;
    qint64 longest = -1;
    for (int i = 0; i < n; ++i) {
        if (gaps[i].isEmpty())
            continue;
        const qint64 gap = median(gaps[i]);
        if (gap > longest) {
            longest = gap;
            cut = i;
        }
    }
    for (int k = 0; k < n; ++k)
        ranks[order.at((cut + 1 + k) % n)] = k;
    return ranks;
}

ReportTable ReportPivot::take()
{
    mergeRuns();
    const QVector<int> ranks = pollRanks();
    // Within one poll the records lie closer than this: a longer gap is a poll of its own.
    const double period = pollPeriodMs();
    const double pollGapMs = period > 0 ? period * 0.75 : std::numeric_limits<double>::infinity();

    ReportTable table;
    table.labels = m_labels;
    const int width = m_labels.size();
    int previousRank = std::numeric_limits<int>::max();
    qint64 previousMs = 0;
    qint64 rowStart = 0;
    for (const Record &record : qAsConst(m_records)) {
        const int rank = ranks.at(record.label);
        if (rank <= previousRank || double(record.ms - previousMs) > pollGapMs) {
            table.times.append(record.stamp >= 0 ? m_stamps.at(record.stamp)
                                                 : secondsText(record.ms));
            rowStart = table.values.size();
            table.values.insert(table.values.size(), width, notANumber());
        }
        for (int column : m_columns.at(record.label)) {
            table.values[int(rowStart + column)] = record.number;
            // Each cell is written once: the labels of a row rise in rank.
            if (record.text >= 0)
                table.texts.insert(rowStart + column, m_texts.at(record.text));
        }
        previousRank = rank;
        previousMs = record.ms;
    }
    m_records.clear();
    m_runs.clear();
    m_texts.clear();
    m_stamps.clear();
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
    // record; a stamp SQLite cannot read comes as its text.
    return QStringLiteral(
        "SELECT CAST(ROUND((julianday(datetime) - 2440587.5) * 86400000.0) AS INTEGER), value, "
        "CASE WHEN julianday(datetime) IS NULL THEN datetime END FROM data WHERE label = ? AND "
        "datetime > ? AND datetime < ? AND projectid = ? ORDER BY datetime");
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
                     ms.isNull() ? query.value(2).toString() : QString());
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
    ReportPivot pivot(m_labels);
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
            recordsOf[i] = ReportPivot::LabelRecords(indexes.at(i));
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
    // In the section's order, as the labels of one block share their stamp.
    for (ReportPivot::LabelRecords &labelRecords : records)
        pivot.addLabel(std::move(labelRecords));
    records.clear();
    *table = pivot.take();
    return Done;
}
