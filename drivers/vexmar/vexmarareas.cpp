#include "vexmarareas.h"

#include <iterator>
#include <limits>

namespace Vexmar {

bool isBitArea(int area)
{
    switch (area) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 13:
    case 15:
    case 16:
    case 19:
    case 20:
    case 22:
        return true;
    default:
        return false;
    }
}

bool isWord32Area(int area)
{
    switch (area) {
    case 7:
    case 8:
    case 9:
    case 10:
    case 17:
    case 18:
    case 21:
    case 23:
    case 24:
        return true;
    default:
        return false;
    }
}

bool isStringArea(int area)
{
    return area == AreaString;
}

int getArea(const QString &address)
{
    // Every name that has a shorter name as its prefix comes before it: DI_F3 is DI_F, DI3 is DI.
    struct Prefix
    {
        const char *name;
        int code;
    };
    static const Prefix prefixes[] = {{"DI_F", 2},        {"DI_S", 3},
                                      {"DO_F", 5},        {"DO_S", 6},
                                      {"HAI", 21},        {"NDI", 15},
                                      {"NDO", 16},        {"NAI", 17},
                                      {"NAO", 18},        {"DI", 1},
                                      {"DO", 4},          {"AI_F", 8},
                                      {"AI_S", 9},        {"AI", 7},
                                      {"AO_F", 11},       {"AO_S", 12},
                                      {"AO", 10},         {"SD", 13},
                                      {"SA", 14},         {"HDS", 19},
                                      {"HDP", 20},        {"LD", 22},
                                      {"LA", 23},         {"LW", 24},
                                      {"SI", AreaString}, {"Custom", AreaCustom}};
    for (const Prefix &p : prefixes) {
        if (address.startsWith(QLatin1String(p.name)))
            return p.code;
    }
    return AreaNone;
}

int getAddr(const QString &address)
{
    QString digits;
    for (const QChar c : address) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    bool ok = false;
    const uint n = digits.toUInt(&ok, 10);
    // Texts number elements from 1; anything that is no positive number has no index. An index
    // that does not fit an int is no index either (it could never be addressed).
    if (!ok || n == 0 || n > uint(std::numeric_limits<int>::max()))
        return -1;
    return int(n - 1);
}

int getmaximum_length(int area)
{
    static const int maxima[] = {
        0,    240,  240,  240, 160, 160,  160,  320,  320,  80, 320, 320, 80,   320,     640, 2000,
        2000, 8000, 8000, 500, 500, 2000, 2000, 2000, 8000, 1,  100, 400, 1280, 2097152, 1,   1,
        7200, 0,    0,    0,   0,   0,    0,    0,    0,    0,  0,   0,   0,    0,       0};
    if (area < 0 || area >= int(std::size(maxima)))
        return 0;
    return maxima[area];
}

// 64-bit so that no count, however large, overflows before the cap refuses it.
static qint64 byteLenOfBytes(qint64 count, int area)
{
    if (isBitArea(area))
        return count * 8;
    if (isWord32Area(area))
        return count / 4 * 4;
    if (area == AreaSA || area == AreaCustom)
        return count / 2 * 2;
    if (isStringArea(area))
        return count / stringSlotBytes * stringSlotBytes;
    return 0;
}

int getBytelen(DataType type, int count, int area)
{
    const qint64 n = count;
    qint64 len = 0;
    qint64 wireBytes = -1; // what the frame carries, when it differs from len
    switch (type) {
    case Bool:
        len = n;
        break;
    case Int8:
    case UInt8:
        len = byteLenOfBytes(n, area);
        break;
    case Int16:
    case UInt16:
        len = n * 2;
        break;
    case Int32:
    case UInt32:
    case Float:
        len = n * 4;
        break;
    case Int64:
    case UInt64:
    case Double:
        len = n * 8;
        break;
    case string:
        // The length counts strings, but each string fills a whole slot of the frame.
        len = n;
        wireBytes = n * stringSlotBytes;
        break;
    default:
        return 0;
    }
    if (wireBytes < 0)
        wireBytes = len;
    if (len <= 0 || wireBytes >= maxFrameDataBytes)
        return 0;
    return int(len);
}

bool indexInArea(int area, int index)
{
    return index >= 0 && index < getmaximum_length(area);
}

bool runInArea(int area, int index, int dataLength)
{
    if (!indexInArea(area, index))
        return false;
    int unit = 0; // wire units (points or bytes) per element
    if (isBitArea(area))
        unit = 1;
    else if (isWord32Area(area))
        unit = 4;
    else if (area == AreaSA || area == AreaCustom)
        unit = 2;
    else if (isStringArea(area))
        unit = stringSlotBytes;
    if (unit == 0 || dataLength < 1)
        return true;
    const qint64 elements = (qint64(dataLength) + unit - 1) / unit;
    return index + elements <= getmaximum_length(area);
}

} // namespace Vexmar
