#include "historyrules.h"

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

int thinningStep(int count)
{
    return count > maxSearchRows ? count / maxSearchRows : 1;
}

QVector<QPointF> toPoints(const QVector<HistorySample> &samples)
{
    QVector<QPointF> points;
    points.reserve(samples.size());
    for (const HistorySample &sample : samples)
        points.append(QPointF(double(sample.msecs), sample.value));
    return points;
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
