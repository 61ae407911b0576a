#include "guidereadout.h"

#include "historyreader.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace {

// Beyond this a time-axis value is no date a QDateTime keeps (about ±285,000 years).
constexpr double largestMs = 9.0e15;

// The cursor within this many pixels of a chart edge can push a guide off the time range.
constexpr int edgePixels = 40;

// The readout text sits between the chart's top margin (36 px) and its bottom margin; together
// the margins take 83 px of the view's height.
constexpr float textTopMargin = 36.0f;
constexpr int textMargins = 83;

// A shown value read back, so that differences agree with the cells they are made from.
double shownValue(const QString &text)
{
    return text.toDouble();
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

QDateTime GuideReadout::secondAt(double x)
{
    if (!std::isfinite(x) || std::fabs(x) > largestMs)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(TrendCurve::wholeSecond(qint64(x)));
}

int GuideReadout::indexOfSecond(const QVector<QPointF> &points, qint64 secondMs)
{
    return TrendCurve::indexOfSecond(points.constData(), points.constData() + points.size(),
                                     secondMs);
}

bool GuideReadout::valueAt(const TrendCurve &curve, qint64 secondMs, qint64 periodMs, double *value,
                           const TrendRules::ScaleMap *map)
{
    const int i = curve.indexHeldAt(secondMs, periodMs);
    if (i < 0 || i >= curve.size())
        return false;
    *value = map ? map->apply(curve.valueAt(i)) : curve.valueAt(i);
    return true;
}

bool GuideReadout::valueAt(const QVector<QPointF> &points, qint64 secondMs, qint64 periodMs,
                           double *value)
{
    const QPointF *begin = points.constData();
    const int i = TrendCurve::indexHeldAt(begin, begin + points.size(), secondMs, periodMs);
    if (i < 0 || i >= points.size())
        return false;
    *value = points.at(i).y();
    return true;
}

bool GuideReadout::storedValueAt(const QSqlDatabase &db, int projectId, const QString &label,
                                 qint64 secondMs, qint64 periodMs, double *value)
{
    if (!db.isOpen())
        return false;
    // The stored time text compared with bounds of whole seconds, as every history read does.
    // The held sample is the last before the end of the guide's second; the samples around it
    // tell the label's poll period and whether its next poll came.
    const QDateTime second = QDateTime::fromMSecsSinceEpoch(secondMs);
    const qint64 reach = TrendCurve::holdReachMs(periodMs);
    const QString from = HistoryReader::boundText(second.addMSecs(-reach));
    const QString to = HistoryReader::boundText(second.addSecs(1));
    const QString until = HistoryReader::boundText(second.addMSecs(reach));
    const int wanted = TrendCurve::pollPeriodGaps + 1;
    HistoryReader reader(db);
    // Up to `wanted` drawable samples of [lower, upper) in the order asked: an infinity or a
    // NaN gives no point, so the sample before it is the one that holds. Of the records of one
    // stamp (two rows of the label table on one address with different types store two) the
    // first stored, the lowest id, is the sample, as in the report; the index hands them over
    // together, by value.
    auto read = [&](const QString &lower, const QString &upper, const char *order,
                    QVector<QPointF> *points) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QStringLiteral("SELECT datetime, value, id FROM data WHERE label = ? "
                                          "AND projectid = ? AND datetime >= ? AND datetime < ? "
                                          "ORDER BY datetime %1")
                               .arg(QLatin1String(order)))) {
            return false;
        }
        for (const QVariant &bound : QVariantList{label, projectId, lower, upper})
            query.addBindValue(bound);
        if (!query.exec())
            return false;
        bool pending = false;
        QString stamp;
        QVariant stored;
        qint64 id = 0;
        const auto settle = [&] {
            if (!pending)
                return;
            pending = false;
            bool isNumber = false;
            const double number = stored.toDouble(&isNumber);
            qint64 ms = 0;
            if (!stored.isNull() && isNumber && TrendRules::isDrawable(number)
                && reader.toMsecs(stamp, &ms)) {
                points->append(QPointF(double(ms), number));
            }
        };
        while (points->size() < wanted && query.next()) {
            const QString rowStamp = query.value(0).toString();
            const qint64 rowId = query.value(2).toLongLong();
            if (pending && rowStamp == stamp) {
                if (rowId < id) {
                    stored = query.value(1);
                    id = rowId;
                }
                continue;
            }
            settle();
            pending = true;
            stamp = rowStamp;
            stored = query.value(1);
            id = rowId;
        }
        if (points->size() < wanted)
            settle();
        return true;
    };
    QVector<QPointF> before;
    if (!read(from, to, "DESC", &before) || before.isEmpty())
        return false;
    // Within the sampling period the samples around it change nothing: one read is enough.
    if (TrendCurve::withinPeriod(qint64(before.first().x()), secondMs, periodMs)) {
        *value = before.first().y();
        return true;
    }
    QVector<QPointF> after;
    if (!read(to, until, "ASC", &after))
        return false;
    std::reverse(before.begin(), before.end());
    const int held = before.size() - 1;
    const QVector<QPointF> points = before + after;
    const QPointF *begin = points.constData();
    if (!TrendCurve::holdsAt(begin, begin + points.size(), begin + held, secondMs, periodMs))
        return false;
    *value = points.at(held).y();
    return true;
}

QString GuideReadout::clockText(const QDateTime &time)
{
    return time.toString(QStringLiteral("hh:mm:ss"));
}

QString GuideReadout::distanceText(const QDateTime &a, const QDateTime &b)
{
    const qint64 seconds = std::abs(a.toMSecsSinceEpoch() - b.toMSecsSinceEpoch()) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

GuideReadout::Cells GuideReadout::cells(int guide, const QDateTime &own, const Sample &ownSample,
                                        const QDateTime &other, const Sample &otherSample)
{
    Cells cells;
    if (!ownSample.found || !own.isValid())
        return cells;
    cells.found = true;
    cells.value = number(ownSample.value);
    cells.time = clockText(own);
    if (!otherSample.found || !other.isValid())
        return cells;
    cells.hasDifferences = true;
    const double ownShown = shownValue(cells.value);
    const double otherShown = shownValue(number(otherSample.value));
    const double pv1 = guide == 1 ? ownShown : otherShown;
    const double pv2 = guide == 1 ? otherShown : ownShown;
    cells.valueDifference = number(pv1 - pv2);
    cells.timeDistance = distanceText(own, other);
    cells.ratio = pv2 == 0.0 ? QStringLiteral("-") : number(pv1 / pv2);
    return cells;
}

bool GuideReadout::textTop(double v, double axisMin, double axisMax, int viewHeight, int *y)
{
    if (!(axisMax != axisMin))
        return false;
    const float extent = float(axisMax) - float(axisMin);
    const float top
        = float(viewHeight - textMargins) * (float(axisMax) - float(v)) / extent + textTopMargin;
    // Far off the view the text has no place worth keeping, and no int holds it.
    if (!std::isfinite(top) || std::fabs(top) > 1.0e9f)
        return false;
    *y = int(top);
    return true;
}

QString GuideReadout::readoutText(double value, const QString &comment)
{
    return QStringLiteral("%1, %2").arg(number(value), comment);
}

bool GuideReadout::leavesTimeRange(const QDateTime &t, const QDateTime &axisMin,
                                   const QDateTime &axisMax, int x, double chartWidth)
{
    if (!t.isValid())
        return false;
    const bool offAxis = t.addSecs(1) < axisMin || axisMax < t;
    const bool atEdge = x < edgePixels || x > chartWidth - edgePixels;
    return offAxis && atEdge;
}
