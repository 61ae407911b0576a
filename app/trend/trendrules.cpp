#include "trendrules.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace TrendRules {

namespace {

const int rangeTable[]
    = {60, 180, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 259200, 604800};
const int samplingTable[] = {1, 2, 5, 10, 30, 60, 120, 300};

const ColourScheme schemes[] = {
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: white; color: black; }",
     {0, 0, 0},
     {255, 255, 255},
     {0, 0, 255},
     {170, 0, 0},
     {0, 0, 0}},
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: black; color: white; }",
     {255, 255, 255},
     {0, 0, 0},
     {255, 0, 0},
     {0, 255, 0},
     {255, 255, 255}},
    {"QComboBox::drop-down { border: none; }QComboBox { background-color: gray; color: white; }",
     {255, 255, 255},
     {128, 128, 128},
     {255, 0, 0},
     {255, 255, 0},
     {255, 255, 255}},
};

template<typename T, size_t N>
int lookUp(const T (&table)[N], int index)
{
    return index >= 0 && index < int(N) ? table[index] : -1;
}

} // namespace

int rangeSecondsAt(int index)
{
    return lookUp(rangeTable, index);
}

int samplingSecondsAt(int index)
{
    return lookUp(samplingTable, index);
}

bool operator==(const Rgb &a, const Rgb &b)
{
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

const ColourScheme *colourScheme(int index)
{
    return index >= 0 && index < int(std::size(schemes)) ? &schemes[index] : nullptr;
}

bool colorComponents(const Rgb &a, const Rgb &b)
{
    return std::abs(a.red - b.red) <= 10 && std::abs(a.green - b.green) <= 10
           && std::abs(a.blue - b.blue) <= 10;
}

const QList<Qt::GlobalColor> &seriesPalette()
{
    static const QList<Qt::GlobalColor> palette{
        Qt::red,     Qt::green,    Qt::blue,        Qt::darkYellow, Qt::cyan,
        Qt::magenta, Qt::gray,     Qt::darkRed,     Qt::darkGreen,  Qt::darkBlue,
        Qt::yellow,  Qt::darkCyan, Qt::darkMagenta, Qt::darkGray,   Qt::lightGray};
    return palette;
}

int paletteIndex(int row)
{
    const int n = seriesPalette().size();
    return ((row % n) + n) % n;
}

ScaleTexts initialScales(const QString &valueText)
{
    bool ok = false;
    double n = std::trunc(valueText.trimmed().toDouble(&ok));
    if (!ok || !isDrawable(n))
        n = 0.0;
    // Whole numbers in full up to 17 digits; beyond, the general format keeps the text short.
    return {QString::number(n - 1.0, 'g', 17), QString::number(n + 1.0, 'g', 17)};
}

bool isDrawable(double value)
{
    return std::isfinite(value);
}

double scaleValue(const QString &text)
{
    return text.toDouble();
}

bool widensZero(const QString &cellText, double value)
{
    return cellText.isEmpty() || value <= cellText.toDouble();
}

bool widensFull(const QString &cellText, double value)
{
    return cellText.isEmpty() || value >= cellText.toDouble();
}

bool widenAutoRange(float *max, float *min, float v, bool seriesSelected, AxisRange *axis)
{
    bool follow = false;
    if (v > *max) {
        if (!seriesSelected) {
            const double d = (double(v) - *min) * 0.125;
            *axis = {*min - d, v + d};
            follow = true;
        }
        *max = v;
    }
    if (v < *min) {
        if (!seriesSelected) {
            const double d = (double(*max) - v) * 0.125;
            *axis = {v - d, *max + d};
            follow = true;
        }
        *min = v;
    }
    return follow;
}

AxisRange rowRange(double zero, double full)
{
    if (zero == full)
        return {zero - 1.0, full + 1.0};
    const double lower = std::min(zero, full);
    const double upper = std::max(zero, full);
    const double d = upper - lower;
    return {lower - d / 8, upper + d / 8};
}

AxisRange extremesRange(double max, double min)
{
    const double d = max - min;
    if (d == 0.0)
        return {min - 1.0, max + 1.0};
    return {min - 0.05 * d, max + 0.05 * d};
}

double ScaleMap::apply(double y) const
{
    if (f == z)
        return (Z + F) / 2;
    return Z + (y - z) / (f - z) * (F - Z);
}

bool trendRunning(const QString &buttonText)
{
    return buttonText == QStringLiteral("\u6682\u505C") || buttonText == QLatin1String("Pause");
}

bool trendPaused(const QString &buttonText)
{
    return buttonText == QStringLiteral("\u5F00\u59CB") || buttonText == QLatin1String("Start");
}

} // namespace TrendRules
