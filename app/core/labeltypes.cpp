#include "labeltypes.h"

#include <algorithm>

namespace LabelTypes {

namespace {

// Positions from here on skip the eight 64-bit integer byte orders of DataType.
constexpr int firstShiftedPosition = 25;
constexpr int skippedTypes = 8;
constexpr int paddedEntryLength = 259;

} // namespace

const QStringList &dataTypeNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (int p = 0; p < entryCount; ++p) {
            const int type = p < firstShiftedPosition ? p : p + skippedTypes;
            QString name = dataTypeName(type);
            if (type == float_ABCD)
                name = name.leftJustified(paddedEntryLength, QLatin1Char(' '));
            list.append(name);
        }
        return list;
    }();
    return names;
}

DataType dataTypeAt(int position)
{
    if (position < 0 || position >= entryCount)
        return null;
    return static_cast<DataType>(position < firstShiftedPosition ? position
                                                                 : position + skippedTypes);
}

int positionOf(int type)
{
    if (!isDataType(type))
        return -1;
    if (type < firstShiftedPosition)
        return type;
    if (type < firstShiftedPosition + skippedTypes)
        return -1;
    return type - skippedTypes;
}

int positionOfName(const QString &text)
{
    return dataTypeNames().indexOf(text);
}

QString entryName(int type)
{
    return dataTypeNames().value(positionOf(type));
}

} // namespace LabelTypes

namespace LabelRows {

QList<int> removalOrder(const QList<int> &selectedRows)
{
    QList<int> rows;
    for (int row : selectedRows) {
        if (row >= 0 && !rows.contains(row))
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    return rows;
}

} // namespace LabelRows
