#include "vexmarareas.h"

#include <iterator>
#include <limits>

namespace Vexmar {

bool isBitArea(int area)
{
    switch (area) {
    case AreaDI:
    case AreaDI_F:
    case AreaDI_S:
    case AreaDO:
    case AreaDO_F:
    case AreaDO_S:
    case AreaSD:
    case AreaNDI:
    case AreaNDO:
    case AreaHDS:
    case AreaHDP:
    case AreaLD:
        return true;
    default:
        return false;
    }
}

bool isWord32Area(int area)
{
    switch (area) {
    case AreaAI:
    case AreaAI_F:
    case AreaAI_S:
    case AreaAO:
    case AreaNAI:
    case AreaNAO:
    case AreaHAI:
    case AreaLA:
    case AreaLW:
        return true;
    default:
        return false;
    }
}

bool isStringArea(int area)
{
    return area == AreaString;
}

namespace {

struct NamedArea
{
    const char *name;
    AreaCode code;
};

// Every name that has a shorter name as its prefix comes before it: DI_F3 is DI_F, DI3 is DI.
const NamedArea namedAreas[]
    = {{"DI_F", AreaDI_F}, {"DI_S", AreaDI_S},    {"DO_F", AreaDO_F}, {"DO_S", AreaDO_S},
       {"HAI", AreaHAI},   {"NDI", AreaNDI},      {"NDO", AreaNDO},   {"NAI", AreaNAI},
       {"NAO", AreaNAO},   {"DI", AreaDI},        {"DO", AreaDO},     {"AI_F", AreaAI_F},
       {"AI_S", AreaAI_S}, {"AI", AreaAI},        {"AO_F", AreaAO_F}, {"AO_S", AreaAO_S},
       {"AO", AreaAO},     {"SD", AreaSD},        {"SA", AreaSA},     {"HDS", AreaHDS},
       {"HDP", AreaHDP},   {"LD", AreaLD},        {"LA", AreaLA},     {"LW", AreaLW},
       {"SI", AreaString}, {"Custom", AreaCustom}};

} // namespace

int getArea(const QString &address)
{
    for (const NamedArea &a : namedAreas) {
        if (address.startsWith(QLatin1String(a.name)))
            return a.code;
    }
    return AreaNone;
}

QString areaName(int area)
{
    for (const NamedArea &a : namedAreas) {
        if (a.code == area)
            return QString::fromLatin1(a.name);
    }
    return QString();
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
