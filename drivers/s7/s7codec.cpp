#include "s7codec.h"

#include "datatype.h"
#include "valuecodec.h"

#include <QList>

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
    if (type == Bool) {
        QList<bool> bits
            = decodeBits(startBit, bytes, (startBit + count + 7) / 8).value<QList<bool>>();
        return QVariant::fromValue(bits.mid(0, qMax(count, 0)));
    }
    if (type < Int8 || type > Double)
        return QVariant();
    return ValueCodec::decodeNumbers(type, bytes, count, ValueCodec::ByteOrder::BigEndian);
}

int encodeValue(int type, const CLabelVariable &value, int count, QByteArray *out)
{
    if (type == Bool) {
        QList<bool> list;
        if (!ValueCodec::takeElements(value.value, count, &list))
            return ValueCodec::Refused;
        for (bool b : qAsConst(list))
            out->append(b ? '\x01' : '\0');
        return ValueCodec::Ok;
    }
    if (type < Int8 || type > Double)
        return ValueCodec::Refused;
    return ValueCodec::encodeNumbers(type, value.value, count, ValueCodec::ByteOrder::BigEndian,
                                     out);
}

} // namespace S7
