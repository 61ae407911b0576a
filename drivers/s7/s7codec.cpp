#include "s7codec.h"

#include "datatype.h"

namespace S7 {

QVariant decodeBits(int startBit, const QByteArray &bytes, int byteCount)
{
    QList<bool> list;
    if (startBit >= 0 && startBit <= 7) {
        for (int i = 0; i < byteCount; ++i) {
            const quint8 b = i < bytes.size() ? static_cast<quint8>(bytes.at(i)) : 0;
            for (int j = (i == 0 ? startBit : 0); j < 8; ++j)
                list.append((b >> j) & 1);
        }
    }
    return QVariant::fromValue(list);
}

QVariant decodeValue(int type, const QByteArray &bytes, int count, int startBit)
{
    switch (type) {
    case Bool: {
        QList<bool> bits
            = decodeBits(startBit, bytes, (startBit + count + 7) / 8).value<QList<bool>>();
        return QVariant::fromValue(bits.mid(0, qMax(count, 0)));
    }
    case Int8:
        return decodeNumbers<char>(bytes, count);
    case UInt8:
        return decodeNumbers<unsigned char>(bytes, count);
    case Int16:
        return decodeNumbers<short>(bytes, count);
    case UInt16:
        return decodeNumbers<unsigned short>(bytes, count);
    case Int32:
        return decodeNumbers<int>(bytes, count);
    case UInt32:
        return decodeNumbers<unsigned int>(bytes, count);
    case Float:
        return decodeNumbers<float>(bytes, count);
    case Int64:
        return decodeNumbers<qlonglong>(bytes, count);
    case UInt64:
        return decodeNumbers<qulonglong>(bytes, count);
    case Double:
        return decodeNumbers<double>(bytes, count);
    default:
        return QVariant();
    }
}

int encodeValue(int type, const CLabelVariable &value, int count, QByteArray *out)
{
    switch (type) {
    case Bool:
        return encodeNumbers<bool>(value, count, out);
    case Int8:
        return encodeNumbers<char>(value, count, out);
    case UInt8:
        return encodeNumbers<unsigned char>(value, count, out);
    case Int16:
        return encodeNumbers<short>(value, count, out);
    case UInt16:
        return encodeNumbers<unsigned short>(value, count, out);
    case Int32:
        return encodeNumbers<int>(value, count, out);
    case UInt32:
        return encodeNumbers<unsigned int>(value, count, out);
    case Float:
        return encodeNumbers<float>(value, count, out);
    case Int64:
        return encodeNumbers<qlonglong>(value, count, out);
    case UInt64:
        return encodeNumbers<qulonglong>(value, count, out);
    case Double:
        return encodeNumbers<double>(value, count, out);
    default:
        return -1;
    }
}

} // namespace S7
