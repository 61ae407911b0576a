#include "historyreader.h"

#include "trendrules.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

const char boundFormat[] = "yyyy-MM-dd hh:mm:ss";
const qint64 msPerHour = 3600 * 1000;
const qint64 msPerDay = 24 * msPerHour;

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
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23
        || minute < 0 || minute > 59 || second < 0 || second > 59 || milli < 0)
        return false;

    const qint64 local = daysFromCivil(year, month, day) * msPerDay + hour * msPerHour
                         + minute * 60000 + second * 1000 + milli;
    const qint64 localHour = local / msPerHour;
    if (localHour != m_cachedHour) {
        const QDate date(year, month, day);
        if (!date.isValid())
            return false;
        const QDateTime start(date, QTime(hour, 0), Qt::LocalTime);
        m_cachedOffsetMs = qint64(start.offsetFromUtc()) * 1000;
        m_cachedHour = localHour;
    }
    *msecs = local - m_cachedOffsetMs;
    return true;
}

QVector<HistorySample> HistoryReader::collect(const QString &statement, const QVariantList &values,
                                              int step, bool *ok)
{
    QVector<HistorySample> samples;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool done = query.prepare(statement);
    if (done) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done) {
        m_errorText = query.lastError().text();
        if (ok)
            *ok = false;
        return samples;
    }
    // Rows between the chosen ones are only stepped over: reading their columns is what costs.
    for (qint64 position = 0; query.next(); ++position) {
        if (step > 1 && position % step != 0)
            continue;
        HistorySample sample;
        // A time that is not of the stored form cannot be placed on the time axis.
        if (!toMsecs(query.value(1).toString(), &sample.msecs))
            continue;
        // A NaN comes back as NULL; neither it nor an infinity can be drawn or fitted.
        const QVariant stored = query.value(0);
        bool isNumber = false;
        sample.value = stored.toDouble(&isNumber);
        if (stored.isNull() || !isNumber || !TrendRules::isDrawable(sample.value))
            continue;
        samples.append(sample);
    }
    if (ok)
        *ok = true;
    return samples;
}

QVector<HistorySample> HistoryReader::read(int projectId, const QString &label,
                                           const QDateTime &start, const QDateTime &end, bool *ok)
{
    return readEvery(projectId, label, start, end, 1, ok);
}

QVector<HistorySample> HistoryReader::readEvery(int projectId, const QString &label,
                                                const QDateTime &start, const QDateTime &end,
                                                int step, bool *ok)
{
    const QString from = boundText(start);
    const QString to = boundText(end);
    if (ok)
        *ok = true;
    if (from >= to)
        return {};
    return collect(QStringLiteral("SELECT value, datetime FROM data WHERE %1 ORDER BY datetime")
                       .arg(QLatin1String(windowCondition)),
                   {label, projectId, from, to}, step, ok);
}

int HistoryReader::count(int projectId, const QString &label, const QDateTime &start,
                         const QDateTime &end, bool *ok)
{
    const QString from = boundText(start);
    const QString to = boundText(end);
    if (ok)
        *ok = true;
    if (from >= to)
        return 0;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool done = query.prepare(
        QStringLiteral("SELECT COUNT(*) FROM data WHERE %1").arg(QLatin1String(windowCondition)));
    if (done) {
        for (const QVariant &value : QVariantList{label, projectId, from, to})
            query.addBindValue(value);
        done = query.exec() && query.next();
    }
    if (!done) {
        m_errorText = query.lastError().text();
        if (ok)
            *ok = false;
        return 0;
    }
    return query.value(0).toInt();
}
