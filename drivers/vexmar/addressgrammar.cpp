#include "addressgrammar.h"

#include "areanames.h"

#include <cstring>

namespace {

// 1..32767 with one to five digits, leading zeros allowed within the five.
const char indexPattern[]
    = "([1-9]|0[1-9]|00[1-9]|000[1-9]|0000[1-9]|[1-9][0-9]|0[1-9][0-9]|00[1-9][0-9]"
      "|000[1-9][0-9]|[1-9][0-9][0-9]|0[1-9][0-9][0-9]|00[1-9][0-9][0-9]|[1-9][0-9][0-9][0-9]"
      "|0[1-9][0-9][0-9][0-9]|[1-2][0-9][0-9][0-9][0-9]|3[0-1][0-9][0-9][0-9]|32[0-6][0-9][0-9]"
      "|327[0-5][0-9]|3276[0-7])";

constexpr int maxMnemonicLength = 4; // "DI_F", "NDI", ...
constexpr int maxIndexDigits = 5;
constexpr int maxIndex = 32767;

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Area code of a mnemonic written in one case only; 0 otherwise.
int areaOfMnemonic(const QStringRef &letters)
{
    if (letters.isEmpty() || letters.size() > maxMnemonicLength)
        return 0;
    char upper[maxMnemonicLength + 1] = {};
    bool hasUpper = false;
    bool hasLower = false;
    for (int i = 0; i < letters.size(); ++i) {
        const ushort c = letters.at(i).unicode();
        if (c >= 'A' && c <= 'Z') {
            hasUpper = true;
            upper[i] = char(c);
        } else if (c >= 'a' && c <= 'z') {
            hasLower = true;
            upper[i] = char(c - 'a' + 'A');
        } else if (c == '_') {
            upper[i] = '_';
        } else {
            return 0;
        }
    }
    if (hasUpper == hasLower) // mixed case, or no letter at all
        return 0;
    for (int code = 1; code <= vexmarAreaCount; ++code) {
        if (std::strcmp(upper, vexmarAreaNames()[code - 1]) == 0)
            return code;
    }
    return 0;
}

} // namespace

AddressGrammar::AddressGrammar()
{
    for (int code = 1; code <= vexmarAreaCount; ++code) {
        const QString name = areaNameFromCode(code);
        const QString area = QStringLiteral("(%1|%2)").arg(name.toLower(), name);
        // Plain substitution: arg() would also replace markers inside the index pattern.
        QString text = QStringLiteral("^%1%2$");
        text.replace(QLatin1String("%1"), area);
        text.replace(QLatin1String("%2"), QLatin1String(indexPattern));
        patterns.insert(code, QRegularExpression(text));
    }
}

AddressMatch AddressGrammar::match(const QString &address, const DataType &type) const
{
    AddressMatch result;
    int digitsAt = 0;
    while (digitsAt < address.size() && !isAsciiDigit(address.at(digitsAt)))
        ++digitsAt;
    const int area = areaOfMnemonic(address.leftRef(digitsAt));
    if (area == 0)
        return result;

    int end = digitsAt;
    int index = 0;
    while (end < address.size() && isAsciiDigit(address.at(end))
           && end - digitsAt < maxIndexDigits + 1) {
        index = index * 10 + (address.at(end).unicode() - '0');
        ++end;
    }
    const int digits = end - digitsAt;
    if (digits < 1 || digits > maxIndexDigits || index < 1 || index > maxIndex)
        return result;
    // "$" of the expressions also matches before one final line feed.
    const int rest = address.size() - end;
    if (rest > 1 || (rest == 1 && address.at(end) != QLatin1Char('\n')))
        return result;

    result.areaText = address.left(digitsAt);
    result.area = area;
    result.index = index;
    result.size = type == DataType::string ? 0 : elementSizeOfType(type);
    return result;
}

void AddressGrammar::formatIndex(const int &area, QVariant &value) const
{
    Q_UNUSED(area) // the start text is the same in every area
    bool ok = false;
    int n = value.type() == QVariant::Int ? value.toInt() : value.toInt(&ok);
    if (value.type() != QVariant::Int && !ok)
        n = 0;
    value = QVariant(QString::number(n, 10));
}

int elementSizeOfType(int type)
{
    if (type == 41) // one past the last type: sized as a byte, never decoded
        return 1;
    switch (baseDataType(type)) {
    case Bool:
    case Int8:
    case UInt8:
        return 1;
    case Int16:
    case UInt16:
        return 2;
    case Int32:
    case UInt32:
    case Float:
        return 4;
    case Int64:
    case UInt64:
    case Double:
        return 8;
    default:
        return -1;
    }
}

namespace {

int elementSize(const QString &name, int type)
{
    if (type != DataType::string)
        return elementSizeOfType(type);
    static const QRegularExpression lengthInBrackets(QStringLiteral("\\[(\\d+)\\]"));
    const QRegularExpressionMatch m = lengthInBrackets.match(name);
    if (m.hasMatch()) {
        bool ok = false;
        const int n = m.captured(1).toInt(&ok, 10);
        return ok ? n : 0;
    }
    // The string areas hold one 256-byte slot per index.
    if (name.startsWith(QLatin1String("SI")) || name.startsWith(QLatin1String("SO")))
        return 256;
    return -1;
}

} // namespace

int itemElementSize(const Induction::SReadInfo &item)
{
    return elementSize(item.name, item.type);
}

int itemElementSize(const Induction::SWriteInfo &item)
{
    return elementSize(item.name, item.type);
}
