#include "historyreader.h"

#include "historyparallelread.h"
#include "historyrules.h"
#include "trendrules.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace {

const char boundFormat[] = "yyyy-MM-dd hh:mm:ss";
const qint64 msPerHour = 3600 * 1000;
const qint64 msPerDay = 24 * msPerHour;
// The Julian day number of 1970-01-01 00:00.
const double unixEpochJulianDay = 2440587.5;

// The rows of one label of one project inside the window; the index on (label, datetime) serves
// both the choice and the order.
const char windowCondition[] = "label = ? AND projectid = ? AND datetime > ? AND datetime < ?";

// Days from 1970-01-01 to the civil date y-m-d (proleptic Gregorian).
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yoe = y - era * 400;
    const qint64 doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Reads count decimal digits at text[pos]; -1 when one of them is no digit.
int digits(const QChar *text, int pos, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const ushort c = text[pos + i].unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

HistoryReader::HistoryReader(const QSqlDatabase &db)
    : m_db(db)
{
}

QString HistoryReader::boundText(const QDateTime &time)
{
    return time.toString(QLatin1String(boundFormat));
}

bool HistoryReader::toMsecs(const QString &text, qint64 *msecs)
{
    // "yyyy-MM-dd hh:mm:ss" with an optional ".zzz"
    const int size = text.size();
    if (size != 19 && size != 23)
        return false;
    const QChar *c = text.constData();
    if (c[4] != '-' || c[7] != '-' || c[10] != ' ' || c[13] != ':' || c[16] != ':'
        || (size == 23 && c[19] != '.'))
        return false;
    const int year = digits(c, 0, 4);
    const int month = digits(c, 5, 2);
    const int day = digits(c, 8, 2);
    const int hour = digits(c, 11, 2);
    const int minute = digits(c, 14, 2);
    const int second = digits(c, 17, 2);
    const int milli = size == 23 ? digits(c, 20, 3) : 0;
    if (year < 0 || !QDate::isValid(year, month, day) || hour < 0 || hour > 23 || minute < 0
        || minute > 59 || second < 0 || second > 59 || milli < 0)
        return false;
    *msecs = fromLocalMsecs(daysFromCivil(year, month, day) * msPerDay + hour * msPerHour
                            + minute * 60000 + second * 1000 + milli);
    return true;
}

qint64 HistoryReader::fromLocalMsecs(qint64 local)
{
    const qint64 localHour = local / msPerHour - (local % msPerHour < 0 ? 1 : 0);
    if (localHour != m_cachedHour) {
        const QDateTime wall = QDateTime::fromMSecsSinceEpoch(localHour * msPerHour, Qt::UTC);
        const QDateTime start(wall.date(), wall.time(), Qt::LocalTime);
        m_cachedOffsetMs = qint64(start.offsetFromUtc()) * 1000;
        m_cachedHour = localHour;
    }
    return local - m_cachedOffsetMs;
}

QVector<HistorySample> HistoryReader::read(int projectId, const QString &label,
                                           const QDateTime &start, const QDateTime &end, bool *ok)
{
    return readColumns(projectId, label, start, end, 0, ok);
}

QVector<HistorySample> HistoryReader::readColumns(int projectId, const QString &label,
                                                  const QDateTime &start, const QDateTime &end,
                                                  int columns, bool *ok)
{
    const QString from = boundText(start);
    const QString to = boundText(end);
    if (ok)
        *ok = true;
    if (from >= to)
        return {};
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool done = query.prepare(
        QStringLiteral("SELECT value, julianday(datetime) FROM data WHERE %1 ORDER BY datetime")
            .arg(QLatin1String(windowCondition)));
    if (done) {
        for (const QVariant &value : QVariantList{label, projectId, from, to})
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done) {
        m_errorText = query.lastError().text();
        if (ok)
            *ok = false;
        return {};
    }
    QVector<HistorySample> samples;
    HistoryRules::ColumnThinner thinner(start.toMSecsSinceEpoch(), end.toMSecsSinceEpoch(),
                                        columns);
    while (query.next()) {
        const QVariant value = query.value(0);
        const QVariant day = query.value(1);
        if (value.isNull() || day.isNull())
            continue;
        HistorySample sample;
        bool isNumber = false;
        sample.value = value.toDouble(&isNumber);
        if (!isNumber || !TrendRules::isDrawable(sample.value))
            continue;
        // SQLite keeps the day in whole milliseconds; rounding undoes the division.
        sample.msecs
            = fromLocalMsecs(std::llround((day.toDouble() - unixEpochJulianDay) * msPerDay));
        if (columns >= 1)
            thinner.add(sample);
        else
            samples.append(sample);
    }
    return columns >= 1 ? thinner.take() : samples;
}

QVector<QVector<HistorySample>> HistoryReader::readLabels(const QSqlDatabase &db, int projectId,
                                                          const QStringList &labels,
                                                          const QDateTime &start,
                                                          const QDateTime &end, int columns,
                                                          int threads, bool *ok)
{
    QVector<QVector<HistorySample>> results(labels.size());
    // Each label's entry is written by the one reader of that label.
    QVector<HistorySample> *const resultOf = results.data();
    HistoryParallelRead reads(db);
    reads.setThreads(threads);
    const bool allRead = reads.run(labels.size(), [&](const QSqlDatabase &connection, int i) {
        // Each reader with its own copies of the window's bounds.
        const QDateTime from = start;
        const QDateTime to = end;
        HistoryReader reader(connection);
        bool read = false;
        resultOf[i] = reader.readColumns(projectId, labels.at(i), from, to, columns, &read);
        return read ? HistoryParallelRead::Read : HistoryParallelRead::Failed;
    });
    if (ok)
        *ok = allRead;
    return results;
}
