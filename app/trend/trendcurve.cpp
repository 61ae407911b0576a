#include "trendcurve.h"

#include <algorithm>
#include <cmath>

void TrendCurve::append(qint64 ms, double value)
{
    const QPointF point(double(ms), value);
    if (isEmpty() || double(ms) >= m_points.last().x()) {
        m_points.append(point);
    } else {
        // After the samples of the same millisecond, so equal times keep their arrival order.
        const auto it = std::upper_bound(m_points.begin() + m_begin, m_points.end(), point.x(),
                                         [](double x, const QPointF &p) { return x < p.x(); });
        m_points.insert(it, point);
    }
    const double oldest = m_points.last().x() - double(maxSpanMs);
    while (m_begin < m_points.size() && m_points.at(m_begin).x() < oldest)
        ++m_begin;
    // Compact now and then rather than shifting the whole curve on every sample.
    if (m_begin > 4096 && m_begin * 2 > m_points.size()) {
        m_points.remove(0, m_begin);
        m_begin = 0;
    }
}

void TrendCurve::clear()
{
    m_points.clear();
    m_begin = 0;
}

int TrendCurve::lowerBound(double x) const
{
    const auto it = std::lower_bound(m_points.begin() + m_begin, m_points.end(), x,
                                     [](const QPointF &p, double v) { return p.x() < v; });
    return int(it - m_points.begin()) - m_begin;
}

int TrendCurve::upperBound(double x) const
{
    const auto it = std::upper_bound(m_points.begin() + m_begin, m_points.end(), x,
                                     [](double v, const QPointF &p) { return v < p.x(); });
    return int(it - m_points.begin()) - m_begin;
}

int TrendCurve::indexOfSecond(const QPointF *begin, const QPointF *end, qint64 secondMs)
{
    const auto it = std::lower_bound(begin, end, double(secondMs),
                                     [](const QPointF &p, double v) { return p.x() < v; });
    if (it != end && it->x() < double(secondMs + secondWindowMs))
        return int(it - begin);
    return -1;
}

int TrendCurve::indexOfSecond(qint64 secondMs) const
{
    const QPointF *points = m_points.constData();
    return indexOfSecond(points + m_begin, points + m_points.size(), secondMs);
}

int TrendCurve::indexHeldAt(const QPointF *begin, const QPointF *end, qint64 secondMs,
                            qint64 periodMs)
{
    const auto after = std::lower_bound(begin, end, double(secondMs + secondWindowMs),
                                        [](const QPointF &p, double v) { return p.x() < v; });
    if (after == begin || !holdsAt(begin, end, after - 1, secondMs, periodMs))
        return -1;
    return int(after - 1 - begin);
}

qint64 TrendCurve::longestPeriodMs(qint64 periodMs)
{
    // Even a tick of timed-out reads of every block ends within a minute or two; a longer gap
    // is monitoring stopped and started again.
    return std::max<qint64>(periodMs, 120000);
}

qint64 TrendCurve::holdReachMs(qint64 periodMs)
{
    // pollPeriodGaps periods on either side of a sample held at most one and a half away.
    return (pollPeriodGaps + 2) * longestPeriodMs(periodMs);
}

qint64 TrendCurve::pollPeriodAround(const QPointF *begin, const QPointF *end, const QPointF *held,
                                    qint64 periodMs)
{
    const qint64 floor = std::max<qint64>(periodMs, 0);
    const double longest = double(longestPeriodMs(floor));
    double gaps[2 * pollPeriodGaps];
    int count = 0;
    // The gap from p to the sample after it; false at a pause, which ends the walk.
    auto take = [&](const QPointF *p) {
        const double gap = (p + 1)->x() - p->x();
        if (gap > longest)
            return false;
        // Samples of one stamp tell no period.
        if (gap > 0)
            gaps[count++] = gap;
        return true;
    };
    int steps = 0;
    for (const QPointF *p = held; p > begin && steps < pollPeriodGaps && take(p - 1); --p)
        ++steps;
    // The samples after the next one tell the period only when they are of the same run.
    const QPointF *next = held + 1;
    steps = 0;
    if (next < end && next->x() - held->x() <= 1.5 * longest) {
        for (const QPointF *p = next; p + 1 < end && steps < pollPeriodGaps && take(p); ++p)
            ++steps;
    }
    if (count == 0)
        return floor;
    // The lower median: a missed poll among the gaps does not stretch the period.
    std::nth_element(gaps, gaps + (count - 1) / 2, gaps + count);
    return std::clamp(qint64(gaps[(count - 1) / 2]), floor, qint64(longest));
}

bool TrendCurve::holdsAt(const QPointF *begin, const QPointF *end, const QPointF *held,
                         qint64 secondMs, qint64 periodMs)
{
    if (withinPeriod(qint64(held->x()), secondMs, periodMs))
        return true;
    const qint64 period = pollPeriodAround(begin, end, held, periodMs);
    if (withinPeriod(qint64(held->x()), secondMs, period))
        return true;
    // Held past one period: the next poll, when it came, was late but not missed.
    const QPointF *next = held + 1;
    return next < end && next->x() - held->x() <= 1.5 * double(period);
}

int TrendCurve::indexHeldAt(qint64 secondMs, qint64 periodMs) const
{
    const QPointF *points = m_points.constData();
    return indexHeldAt(points + m_begin, points + m_points.size(), secondMs, periodMs);
}

QVector<QPointF> TrendCurve::window(qint64 startMs, qint64 endMs, int columns,
                                    const TrendRules::ScaleMap *map) const
{
    QVector<QPointF> out;
    if (isEmpty() || endMs < startMs)
        return out;
    columns = std::max(columns, 1);
    const int first = lowerBound(double(startMs));
    const int last = upperBound(double(endMs));
    // [first, last) lies inside the window; one neighbour on each side joins the line to the edge.
    const int from = std::max(first - 1, 0);
    const int to = std::min(last + 1, size());
    auto put = [&](int i) {
        const QPointF p = at(i);
        out.append(map ? QPointF(p.x(), map->apply(p.y())) : p);
    };
    if (last - first <= 2 * columns) {
        out.reserve(to - from);
        for (int i = from; i < to; ++i)
            put(i);
        return out;
    }
    out.reserve(2 * columns + 2);
    // A point level with the two before it only lengthens a flat stretch: moving the stretch's
    // end draws the same line, so a steady value costs two points, not one a column.
    auto extend = [&](int i) {
        const QPointF p = at(i);
        const QPointF q = map ? QPointF(p.x(), map->apply(p.y())) : p;
        const int n = out.size();
        if (n >= 2 && out.at(n - 1).y() == q.y() && out.at(n - 2).y() == q.y())
            out[n - 1] = q;
        else
            out.append(q);
    };
    if (from < first)
        extend(from);
    // A long window holds tens of samples a column: scan them through a plain pointer and keep
    // the extremes' values at hand, since this runs over every sample of every curve per step.
    const QPointF *points = m_points.constData() + m_begin;
    const double columnMs = double(endMs - startMs) / columns;
    int i = first;
    while (i < last) {
        const int column = std::min(int((points[i].x() - startMs) / columnMs), columns - 1);
        const double columnEnd = column + 1 >= columns ? double(endMs) + 1.0
                                                       : double(startMs) + (column + 1) * columnMs;
        int lowest = i;
        int highest = i;
        double low = points[i].y();
        double high = low;
        int j = i;
        for (; j < last && points[j].x() < columnEnd; ++j) {
            const double y = points[j].y();
            if (y < low) {
                low = y;
                lowest = j;
            }
            if (y > high) {
                high = y;
                highest = j;
            }
        }
        // The column's extremes in time order draw the same pixels as all its samples.
        extend(std::min(lowest, highest));
        if (highest != lowest)
            extend(std::max(lowest, highest));
        i = std::max(j, i + 1);
    }
    if (to > last)
        extend(last);
    return out;
}

bool FedWindow::needsFeed(qint64 start, qint64 end, int columnCount) const
{
    if (!valid || columnCount != columns)
        return true;
    const double columnMs = double(end - start) / std::max(columnCount, 1);
    return std::abs(double(start - startMs)) >= columnMs
           || std::abs(double(end - endMs)) >= columnMs;
}
