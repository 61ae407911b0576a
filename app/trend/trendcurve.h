#pragma once

#include "trendrules.h"

#include <QPointF>
#include <QVector>
#include <QtGlobal>
#include <algorithm>

// One live curve's samples (milliseconds since the epoch, value) in time order. The chart series
// only ever draws the visible window of it, thinned to the pixel columns, so a step of the time
// line costs what is drawn rather than what is held.
class TrendCurve
{
public:
    // A curve keeps the last seven days before its newest point.
    static constexpr qint64 maxSpanMs = qint64(7) * 24 * 3600 * 1000;

    // Adds a sample; one older than the newest is put in its place in time order.
    void append(qint64 ms, double value);
    void clear();

    int size() const { return m_points.size() - m_begin; }
    bool isEmpty() const { return size() == 0; }
    QPointF at(int i) const { return m_points.at(m_begin + i); }
    qint64 timeAt(int i) const { return qint64(m_points.at(m_begin + i).x()); }
    double valueAt(int i) const { return m_points.at(m_begin + i).y(); }

    // A sample belongs to the second that starts at t when its time lies in [t, t + 999) ms.
    static constexpr qint64 secondWindowMs = 999;
    // The start of the second that holds ms, also before the epoch.
    static qint64 wholeSecond(qint64 ms) { return ms - ((ms % 1000) + 1000) % 1000; }
    // Index of the first of the points [begin, end), in time order, that belongs to the second
    // starting at secondMs; -1 when none does.
    static int indexOfSecond(const QPointF *begin, const QPointF *end, qint64 secondMs);
    // The same over this curve's samples.
    int indexOfSecond(qint64 secondMs) const;
    // Index of the sample that holds at the second starting at secondMs: the last of the points
    // [begin, end), in time order, at or before that second (x < t + 999 ms), when it holds
    // there by holdsAt. -1 when none holds, so a missed poll stays empty.
    static int indexHeldAt(const QPointF *begin, const QPointF *end, qint64 secondMs,
                           qint64 periodMs);
    int indexHeldAt(qint64 secondMs, qint64 periodMs) const;
    // Whether the sample `held` of the points [begin, end) of one label, the last one at or
    // before the second starting at secondMs, still holds there: until the label's next poll
    // is due. Its own second lies at most one poll period before t (the sampling period
    // periodMs at the least, or the real one, pollPeriodAround), or the next sample came when
    // due, at most half a period late. A longer gap is a missed poll: after one period, empty.
    static bool holdsAt(const QPointF *begin, const QPointF *end, const QPointF *held,
                        qint64 secondMs, qint64 periodMs);
    // A sample at heldMs holds at the second starting at secondMs whatever lies around it: its
    // own second lies at most the sampling period before.
    static bool withinPeriod(qint64 heldMs, qint64 secondMs, qint64 periodMs)
    {
        return wholeSecond(heldMs) >= secondMs - std::max<qint64>(periodMs, 0);
    }
    // The label's real poll period at `held`, which a tick longer than the sampling period
    // stretches: the lower median of the gaps between up to pollPeriodGaps samples on either
    // side of it (the gap after it, under test, left out), within [periodMs, longestPeriodMs].
    // A gap longer than that is a pause of the recording and ends the walk.
    static qint64 pollPeriodAround(const QPointF *begin, const QPointF *end, const QPointF *held,
                                   qint64 periodMs);
    static constexpr int pollPeriodGaps = 4;
    // The longest gap that is still a poll period, at a sampling period of periodMs.
    static qint64 longestPeriodMs(qint64 periodMs);
    // How far from a guide second the samples lie that tell whether one holds there.
    static qint64 holdReachMs(qint64 periodMs);

    // The samples drawn for [startMs, endMs] on `columns` pixel columns: every sample when there
    // are at most two a column, else the lowest and the highest of each column, a flat stretch
    // over many columns given by its two ends only. The
    // nearest sample outside each end comes along, so the line runs on to the edges. With a map
    // the values are mapped onto another scale.
    QVector<QPointF> window(qint64 startMs, qint64 endMs, int columns,
                            const TrendRules::ScaleMap *map = nullptr) const;

private:
    int lowerBound(double x) const;
    int upperBound(double x) const;

    QVector<QPointF> m_points;
    // Samples before m_begin have left the seven days and wait to be compacted away.
    int m_begin = 0;
};

// The window a drawn series (or the time axis) was last given, to tell when it needs a new one.
struct FedWindow
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    int columns = 0;
    bool valid = false;

    // True when either end of [startMs, endMs] on `columns` columns lies a pixel column or more
    // from what was fed, or the column count changed.
    bool needsFeed(qint64 start, qint64 end, int columnCount) const;
};
