#pragma once

#include "trendcurve.h"
#include "trendrules.h"

#include <QDateTime>
#include <QPointF>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

// The readouts at the two guide lines of the trend view without a widget: the second under a
// position, the sample of a row at a guide's second, the texts of a guide's cells, the height of
// a readout text and the rule that releases a guide dragged off the time range.
class GuideReadout
{
public:
    // What a row shows at one second: the height it is drawn at (on a scaled copy, the mapped
    // value) and the value it reads (always its own, unscaled).
    struct Sample
    {
        bool found = false;
        double drawn = 0.0;
        double value = 0.0;
    };

    // The cells of one guide of one row. Without a sample the guide's value, time and difference
    // cells are all empty; without the other guide's sample only the differences are.
    struct Cells
    {
        bool found = false;
        QString value; // "PV_1" or "PV_2"
        QString time;  // "Time_1" or "Time_2"
        bool hasDifferences = false;
        QString valueDifference; // "P1-P2": PV_1 − PV_2
        QString timeDistance;    // "T1-T2"
        QString ratio;           // "V1/V2": PV_1 / PV_2, "-" when PV_2 is 0
    };

    // The whole second of a time-axis value (milliseconds since the epoch): cut to whole
    // milliseconds, then to the second that holds them. Null when x is no usable time.
    static QDateTime secondAt(double x);

    // Index of the first point of the second that starts at secondMs ([t, t + 999) ms) in points
    // kept in time order, or -1.
    static int indexOfSecond(const QVector<QPointF> &points, qint64 secondMs);
    // The value that holds at a second: the last sample at or before it, until its label's next
    // poll is due by the real poll period, periodMs (the sampling period) at the least
    // (TrendCurve::indexHeldAt); false when none holds. With a map the value is mapped onto the
    // other scale, as a scaled copy draws it.
    static bool valueAt(const TrendCurve &curve, qint64 secondMs, qint64 periodMs, double *value,
                        const TrendRules::ScaleMap *map = nullptr);
    static bool valueAt(const QVector<QPointF> &points, qint64 secondMs, qint64 periodMs,
                        double *value);
    // The same from the stored history of a label of a project (the table "data"), whatever a
    // drawn curve of it kept: the last stored sample with a drawable value whose time lies
    // before the end of the second, held by the same rule (TrendCurve::holdsAt) over the
    // stored samples around it. Of records with one stamp the first stored is the sample.
    static bool storedValueAt(const QSqlDatabase &db, int projectId, const QString &label,
                              qint64 secondMs, qint64 periodMs, double *value);

    // "hh:mm:ss" of a guide time.
    static QString clockText(const QDateTime &time);
    // |a − b| as "hh:mm:ss", dates included, the hours counting on past 24.
    static QString distanceText(const QDateTime &a, const QDateTime &b);

    // The cells of guide `guide` (1 or 2) at time `own`, with the row's sample there, and the
    // other guide's time and sample (not found while that guide is hidden).
    static Cells cells(int guide, const QDateTime &own, const Sample &ownSample,
                       const QDateTime &other, const Sample &otherSample);

    // The top of a readout text for a drawn value v on a view `viewHeight` pixels high whose
    // value axis shows [axisMin, axisMax]: trunc(36 + (H − 83) · (max − v) / (max − min)) in
    // single precision. False when the axis has no extent or the height is no whole number.
    static bool textTop(double v, double axisMin, double axisMax, int viewHeight, int *y);

    // The text beside a guide: the value, then the row's comment.
    static QString readoutText(double value, const QString &comment);

    // A dragged guide is released and hidden when its second lies off the time axis (ending
    // before the axis begins, or starting after it ends) while the cursor is within 40 pixels of
    // either edge of the chart.
    static bool leavesTimeRange(const QDateTime &t, const QDateTime &axisMin,
                                const QDateTime &axisMax, int x, double chartWidth);
};
