#pragma once

#include "historyreader.h"

#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QVector>

// The rules by which stored samples become history curves: the windows that are read, the
// points kept of them, the scale cells and the value range of a search.
namespace HistoryRules {

// What the step buttons add to the start of the searched window: <<, <, >, >>.
constexpr int stepSeconds[] = {-60, -15, 15, 60};

struct Window
{
    QDateTime start;
    QDateTime end;
};

// New curves of a switched section start with the last third of the time window.
Window prefillWindow(const QDateTime &now, int windowSeconds);
// The searched window: windowSeconds from start.
Window searchWindow(const QDateTime &start, int windowSeconds);

// Of consecutive samples within one whole second only the last is kept, at its own time; the
// last sample is kept at its whole second, so the curve ends on a second (backfill and prefill).
QVector<QPointF> lastPerSecond(const QVector<HistorySample> &samples);

QVector<QPointF> toPoints(const QVector<HistorySample> &samples);

// Thins samples given in time order to the first, lowest, highest and last of each pixel column
// of [startMs, endMs) on `columns` columns, in time order, so a search draws what every sample
// would (an excursion of a second included) from at most four points a column. A column of up to
// two samples keeps them all.
class ColumnThinner
{
public:
    ColumnThinner(qint64 startMs, qint64 endMs, int columns);
    void add(const HistorySample &sample);
    // The points kept; the thinner starts again empty.
    QVector<HistorySample> take();

private:
    int columnOf(qint64 msecs) const;
    void closeColumn();

    qint64 m_startMs;
    qint64 m_spanMs;
    int m_columns;
    int m_column = -1;
    // The column's first, lowest, highest and last samples with their arrival numbers, so that
    // they come out in time order and once each.
    struct Kept
    {
        HistorySample sample;
        qint64 number = 0;
    };
    Kept m_first, m_low, m_high, m_last;
    qint64 m_count = 0;
    QVector<HistorySample> m_out;
};

// The scale cells a search puts beside a curve whose first value is first: the whole number
// nearest to it, less one and plus one, in the general format with six digits.
struct ScaleTexts
{
    QString zero;
    QString full;
};
ScaleTexts scaleTexts(double first);

// The extremes of the values a search draws. They start at the nearest whole number of the
// first value drawn, so a curve between 20.2 and 20.8 that starts at 20.4 spans 20 to 20.8.
class Extremes
{
public:
    bool isEmpty() const { return m_empty; }
    // The first value of the first curve with data starts them.
    void start(double first);
    void include(double value);
    double max() const { return m_max; }
    double min() const { return m_min; }

private:
    bool m_empty = true;
    double m_max = 0.0;
    double m_min = 0.0;
};

} // namespace HistoryRules
