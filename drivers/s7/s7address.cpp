#include "s7address.h"

#include "datatype.h"

#include <QRegularExpression>

namespace S7 {

namespace {

// Digits are limited so that no number can overflow before its range is checked.
const QRegularExpression &plainForm()
{
    static const QRegularExpression re(
        QStringLiteral("^([IQMV])([BWD])?([0-9]{1,7})(?:\\.([0-9]{1,2}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &blockForm()
{
    static const QRegularExpression re(
        QStringLiteral(
            "^(?:V_OR_)?DB([0-9]{1,7})[._:;]DB([XBWD])([0-9]{1,7})(?:\\.([0-9]{1,2}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression &vOrDbForm()
{
    static const QRegularExpression re(QStringLiteral("^V_OR_DB([0-9]{1,7})(?:\\.([0-9]{1,2}))?$"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

int areaOfLetter(QChar letter)
{
    switch (letter.toUpper().toLatin1()) {
    case 'I':
        return AreaInputs;
    case 'Q':
        return AreaOutputs;
    case 'M':
        return AreaFlags;
    default:
        return AreaDataBlocks; // V memory
    }
}

// Byte and bit texts of a match; false when a number is out of its range.
bool takeByteAndBit(Address &address, const QString &byteText, const QString &bitText)
{
    address.byteAddress = byteText.toInt();
    address.bit = bitText.isEmpty() ? 0 : bitText.toInt();
    return address.byteAddress <= maxByteAddress && address.bit <= 7;
}

} // namespace

Address parseAddress(const QString &text)
{
    const QString t = text.trimmed();
    Address address;
    bool ok = false;
    QRegularExpressionMatch m = plainForm().match(t);
    if (m.hasMatch()) {
        address.area = areaOfLetter(m.captured(1).at(0));
        // A size letter addresses whole bytes: no bit after it.
        ok = (m.captured(2).isEmpty() || m.captured(4).isEmpty())
             && takeByteAndBit(address, m.captured(3), m.captured(4));
    } else if ((m = blockForm().match(t)).hasMatch()) {
        address.area = AreaDataBlocks;
        address.dbNumber = m.captured(1).toInt();
        const bool bitAccess = m.captured(2).compare(QLatin1String("X"), Qt::CaseInsensitive) == 0;
        ok = address.dbNumber >= 1 && address.dbNumber <= 65535
             && (bitAccess || m.captured(4).isEmpty())
             && takeByteAndBit(address, m.captured(3), m.captured(4));
    } else if ((m = vOrDbForm().match(t)).hasMatch()) {
        address.area = AreaDataBlocks;
        ok = takeByteAndBit(address, m.captured(1), m.captured(2));
    }
    if (!ok)
        return Address();
    address.valid = true;
    return address;
}

int byteLength(int type, int count)
{
    switch (type) {
    case Bool:
        return (count + 7) / 8;
    case Int8:
    case UInt8:
        return count;
    case Int16:
    case UInt16:
        return 2 * count;
    case Int32:
    case UInt32:
    case Float:
        return 4 * count;
    case Int64:
    case UInt64:
    case Double:
        return 8 * count;
    default:
        return 0;
    }
}

} // namespace S7
