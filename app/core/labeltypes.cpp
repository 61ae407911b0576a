#include "labeltypes.h"

#include <QCoreApplication>
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

bool isUnknownName(const QString &text)
{
    return !text.isEmpty() && positionOfName(text) < 0;
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

int firstUnstorableCharacter(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return i;
        if (c == 0xFFFE || c == 0xFFFF)
            return i;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            return i;
        }
        if (QChar::isLowSurrogate(c))
            return i;
    }
    return -1;
}

bool isLabelText(const QString &text)
{
    if (firstUnstorableCharacter(text) >= 0)
        return false;
    for (const QChar c : text) {
        if (c == QChar::ReplacementCharacter || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return false;
    }
    return true;
}

QString characterName(const QString &text, int position)
{
    return QStringLiteral("U+%1")
        .arg(text.at(position).unicode(), 4, 16, QLatin1Char('0'))
        .toUpper();
}

QStringList columnNames()
{
    const char *const names[]
        = {QT_TRANSLATE_NOOP("MainWindow", "时间"), QT_TRANSLATE_NOOP("MainWindow", "标签/地址"),
           QT_TRANSLATE_NOOP("MainWindow", "描述"), QT_TRANSLATE_NOOP("MainWindow", "当前值"),
           QT_TRANSLATE_NOOP("MainWindow", "单位"), QT_TRANSLATE_NOOP("MainWindow", "数据类型")};
    QStringList list;
    for (const char *name : names)
        list << QCoreApplication::translate("MainWindow", name);
    return list;
}

QString unknownTypesText(const QList<LabelRow> &rows)
{
    // Enough to find them in the table; a file full of them would not fit a box.
    constexpr int listed = 10;
    QStringList lines;
    int count = 0;
    for (const LabelRow &row : rows) {
        const QString type = row.value(LabelColumnType);
        if (!LabelTypes::isUnknownName(type))
            continue;
        if (++count <= listed)
            lines << QStringLiteral("%1 (%2)").arg(row.value(LabelColumnLabel), type);
    }
    if (count == 0)
        return QString();
    if (count > listed)
        lines << QCoreApplication::translate("MainWindow", "……另有 %1 个").arg(count - listed);
    return QCoreApplication::translate("MainWindow",
                                       "%1 个标签的数据类型无法识别，按 \"null\" 处理（不监视，"
                                       "不能写值）；表中保留原来的类型文本，保存时原样写回。"
                                       "请为它们选择数据类型：\n%2")
        .arg(count)
        .arg(lines.join(QLatin1Char('\n')));
}

} // namespace LabelRows
