#include "historyrules.h"

#include <algorithm>
#include <cmath>

namespace HistoryRules {

Window prefillWindow(const QDateTime &now, int windowSeconds)
{
    return {now.addSecs(-(windowSeconds / 3)), now};
}

Window searchWindow(const QDateTime &start, int windowSeconds)
{
    return {start, start.addSecs(windowSeconds)};
}

QVector<QPointF> lastPerSecond(const QVector<HistorySample> &samples)
{
    QVector<QPointF> points;
    const int n = samples.size();
    for (int i = 0; i < n; ++i) {
        const qint64 second = samples[i].msecs / 1000;
        if (i + 1 < n) {
            if (second != samples[i + 1].msecs / 1000)
                points.append(QPointF(double(samples[i].msecs), samples[i].value));
        } else {
            points.append(QPointF(double(second * 1000), samples[i].value));
        }
    }
    return points;
}

QVector<QPointF> toPoints(const QVector<HistorySample> &samples)
{
    QVector<QPointF> points;
    points.reserve(samples.size());
    for (const HistorySample &sample : samples)
        points.append(QPointF(double(sample.msecs), sample.value));
    return points;
}

ColumnThinner::ColumnThinner(qint64 startMs, qint64 endMs, int columns)
    : m_startMs(startMs)
    , m_spanMs(std::max<qint64>(endMs - startMs, 1))
    , m_columns(std::max(columns, 1))
{
}

int ColumnThinner::columnOf(qint64 msecs) const
{
    const qint64 column = (msecs - m_startMs) * m_columns / m_spanMs;
    return int(std::clamp<qint64>(column, 0, m_columns - 1));
}

void ColumnThinner::add(const HistorySample &sample)
{
    const int column = columnOf(sample.msecs);
    const Kept kept{sample, m_count++};
    if (column != m_column) {
        closeColumn();
        m_column = column;
        m_first = m_low = m_high = m_last = kept;
        return;
    }
    // The first of equal extremes stays, as on the live curves.
    if (sample.value < m_low.sample.value)
        m_low = kept;
    if (sample.value > m_high.sample.value)
        m_high = kept;
    m_last = kept;
}

void ColumnThinner::closeColumn()
{
    if (m_column < 0)
        return;
    Kept kept[] = {m_first, m_low, m_high, m_last};
    std::sort(std::begin(kept), std::end(kept),
              [](const Kept &a, const Kept &b) { return a.number < b.number; });
    for (int i = 0; i < 4; ++i) {
        if (i == 0 || kept[i].number != kept[i - 1].number)
            m_out.append(kept[i].sample);
    }
    m_column = -1;
}

QVector<HistorySample> ColumnThinner::take()
{
    closeColumn();
    QVector<HistorySample> out;
    out.swap(m_out);
    return out;
}

ScaleTexts scaleTexts(double first)
{
    const double whole = std::round(first);
    return {QString::number(whole - 1, 'g', 6), QString::number(whole + 1, 'g', 6)};
}

void Extremes::start(double first)
{
    m_empty = false;
    m_max = m_min = std::round(first);
}

void Extremes::include(double value)
{
    if (m_empty) {
        m_empty = false;
        m_max = m_min = value;
        return;
    }
    if (value > m_max)
        m_max = value;
    if (value < m_min)
        m_min = value;
}

} // namespace HistoryRules
