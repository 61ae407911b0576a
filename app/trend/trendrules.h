#pragma once

#include <QList>
#include <QString>
#include <Qt>

// The rules of the live trend page that need no widget: the selector tables, the colour schemes
// and palette, the scales of a series row, the shared auto-range, the scaled view's mapping and
// ranges, and the run state that the start/pause button's text tells.
namespace TrendRules {

// Seconds of the time window for an entry of the time-window selector; -1 outside the table.
int rangeSecondsAt(int index);
// Sampling period in seconds for an entry of the sampling selector; -1 outside the table.
int samplingSecondsAt(int index);

struct Rgb
{
    int red;
    int green;
    int blue;
};
bool operator==(const Rgb &a, const Rgb &b);

struct ColourScheme
{
    const char *selectorStyle;
    Rgb foreground; // axis lines and axis labels
    Rgb background;
    Rgb guide1;
    Rgb guide2;
    Rgb guideLabels; // the guide lines' time and number labels
};

// Scheme 0 white, 1 black, 2 gray; null for any other index.
const ColourScheme *colourScheme(int index);

// True when every component of a and b lies within 10 of the other's.
bool colorComponents(const Rgb &a, const Rgb &b);

// The default colours of the series rows; row r takes entry r mod 15.
const QList<Qt::GlobalColor> &seriesPalette();
int paletteIndex(int row);

// Zero and full scale texts of a new row: n − 1 and n + 1 with n the current value text converted
// to an integer, cut towards zero (3.25 gives 2 and 4, -3.25 gives -4 and -2); a text that is no
// finite number, or empty, counts as 0.
struct ScaleTexts
{
    QString zero;
    QString full;
};
ScaleTexts initialScales(const QString &valueText);

// Whether a value can be drawn: a curve, an axis bound or a readout takes only finite numbers
// (an infinity or a NaN gives no point and moves no bound).
bool isDrawable(double value);

// A scale cell's text as a number; 0 when it is none.
double scaleValue(const QString &text);

// With the auto-range box on, the zero-scale cell takes the value when it is empty or the value
// is not above it; the full-scale cell when it is empty or the value is not below it.
bool widensZero(const QString &cellText, double value);
bool widensFull(const QString &cellText, double value);

struct AxisRange
{
    double lower;
    double upper;
};

// Widens the bounds shared by all live curves by the value v. Returns true, with the range for
// the value axis, when the axis must follow: a bound moved and no series is selected.
bool widenAutoRange(float *max, float *min, float v, bool seriesSelected, AxisRange *axis);

// The value axis for a selected row: [zero − d/8, full + d/8] with d = full − zero, or ±1 when
// the two are equal. A zero above the full scale gives the same margins around [full, zero].
AxisRange rowRange(double zero, double full);

// The value axis without a selection: the extremes with 5 % of their span as margin, or ±1 when
// they are equal.
AxisRange extremesRange(double max, double min);

// Maps values from a row's own scale [z, f] onto the selected row's [Z, F]. A row whose two
// scales are equal has no span to map from and is drawn at the middle of [Z, F].
struct ScaleMap
{
    double z = 0.0;
    double f = 1.0;
    double Z = 0.0;
    double F = 1.0;
    double apply(double y) const;
};

// The live trend runs while the start/pause button offers the pause ("暂停" or "Pause") and
// stands while it offers the start ("开始" or "Start").
bool trendRunning(const QString &buttonText);
bool trendPaused(const QString &buttonText);

} // namespace TrendRules
