#include "vexmarcodecs.h"

#include <QList>
#include <QString>
#include <cstring>
#include <type_traits>

namespace Vexmar {

namespace {

// Byte i of data, 0 where the data end: a short reply yields zero bytes, never a read past it.
quint8 byteAt(const QByteArray &data, qint64 i)
{
    return i < data.size() ? quint8(data.at(int(i))) : quint8(0);
}

// Element k of a little-endian array of T, each byte position tested on its own.
template<typename T>
T elementAt(const QByteArray &data, int k)
{
    // Any byte but 0 is true; copying it into a bool would make an invalid bool.
    if constexpr (std::is_same_v<T, bool>)
        return byteAt(data, k) != 0;
    using U = std::conditional_t<sizeof(T) <= 4, quint32, quint64>;
    U bits = 0;
    for (int b = 0; b < int(sizeof(T)); ++b)
        bits |= U(byteAt(data, qint64(k) * qint64(sizeof(T)) + b)) << (8 * b);
    T v;
    if constexpr (sizeof(T) == sizeof(U)) {
        std::memcpy(&v, &bits, sizeof(T));
    } else {
        const auto narrow = static_cast<std::conditional_t<sizeof(T) == 1, quint8, quint16>>(bits);
        std::memcpy(&v, &narrow, sizeof(T));
    }
    return v;
}

template<typename T>
QVariant decode(const QByteArray &data, int count)
{
    QList<T> list;
    for (int k = 0; k < count; ++k)
        list.append(elementAt<T>(data, k));
    return QVariant::fromValue(list);
}

// The record's list of T: the list itself, a conversion of it, or empty when neither works.
template<typename T>
QList<T> listOf(const QVariant &value)
{
    const int id = qMetaTypeId<QList<T>>();
    if (value.userType() == id)
        return value.value<QList<T>>();
    if (!value.canConvert(id))
        return {};
    QVariant copy = value;
    return copy.convert(id) ? copy.value<QList<T>>() : QList<T>();
}

template<typename T>
void appendLittleEndian(QByteArray *out, T v)
{
    using U = std::conditional_t<sizeof(T) <= 4, quint32, quint64>;
    U bits = 0;
    std::memcpy(&bits, &v, sizeof(T));
    for (int b = 0; b < int(sizeof(T)); ++b)
        out->append(char(quint8(bits >> (8 * b))));
}

template<typename T>
int encode(const CLabelVariable &value, int count, QByteArray *out)
{
    if (count < 1)
        return CodecOk;
    const QList<T> list = listOf<T>(value.value);
    if (list.size() < count)
        return CodecShortList;
    for (int i = 0; i < count; ++i) {
        if constexpr (std::is_same_v<T, bool>)
            out->append(char(list.at(i) ? 1 : 0));
        else
            appendLittleEndian<T>(out, list.at(i));
    }
    return CodecOk;
}

} // namespace

QVariant set_variant_bool(QByteArray data, int count)
{
    return decode<bool>(data, count);
}
QVariant set_variant_Int8(QByteArray data, int count)
{
    return decode<char>(data, count);
}
QVariant set_variant_UInt8(QByteArray data, int count)
{
    return decode<uchar>(data, count);
}
QVariant set_variant_Int16(QByteArray data, int count)
{
    return decode<short>(data, count);
}
QVariant set_variant_UInt16(QByteArray data, int count)
{
    return decode<ushort>(data, count);
}
QVariant set_variant_Int32(QByteArray data, int count)
{
    return decode<int>(data, count);
}
QVariant set_variant_UInt32(QByteArray data, int count)
{
    return decode<uint>(data, count);
}
QVariant set_variant_fload(QByteArray data, int count)
{
    return decode<float>(data, count);
}
QVariant set_variant_Int64(QByteArray data, int count)
{
    return decode<qlonglong>(data, count);
}
QVariant set_variant_UInt64(QByteArray data, int count)
{
    return decode<qulonglong>(data, count);
}
QVariant set_variant_double(QByteArray data, int count)
{
    return decode<double>(data, count);
}

QVariant set_variant_string(QByteArray data, int count)
{
    QList<QString> list;
    for (int k = 0; k < count; ++k) {
        // The length byte is read unsigned: a slot holds up to 255 characters.
        const int len = data.isEmpty() ? 0 : quint8(data.at(0));
        QByteArray text = data.mid(1, len);
        const int zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        list.append(QString::fromUtf8(text));
        data.remove(0, len + 1);
    }
    return QVariant::fromValue(list);
}

int Wset_variant_bool(CLabelVariable v, int count, QByteArray *out)
{
    return encode<bool>(v, count, out);
}
int Wset_variant_Int8(CLabelVariable v, int count, QByteArray *out)
{
    return encode<char>(v, count, out);
}
int Wset_variant_UInt8(CLabelVariable v, int count, QByteArray *out)
{
    return encode<uchar>(v, count, out);
}
int Wset_variant_Int16(CLabelVariable v, int count, QByteArray *out)
{
    return encode<short>(v, count, out);
}
int Wset_variant_uInt16(CLabelVariable v, int count, QByteArray *out)
{
    return encode<ushort>(v, count, out);
}
int Wset_variant_Int32(CLabelVariable v, int count, QByteArray *out)
{
    return encode<int>(v, count, out);
}
int Wset_variant_UInt32(CLabelVariable v, int count, QByteArray *out)
{
    return encode<uint>(v, count, out);
}
int Wset_variant_float(CLabelVariable v, int count, QByteArray *out)
{
    return encode<float>(v, count, out);
}
int Wset_variant_Int64(CLabelVariable v, int count, QByteArray *out)
{
    return encode<qlonglong>(v, count, out);
}
int Wset_variant_UInt64(CLabelVariable v, int count, QByteArray *out)
{
    return encode<qulonglong>(v, count, out);
}
int Wset_variant_double(CLabelVariable v, int count, QByteArray *out)
{
    return encode<double>(v, count, out);
}

int Wset_variant_string(CLabelVariable value, int count, QByteArray *out)
{
    if (count < 1)
        return CodecOk;
    const QList<QString> list = listOf<QString>(value.value);
    if (list.size() < count)
        return CodecShortList;
    for (int i = 0; i < count; ++i) {
        const QString &s = list.at(i);
        out->append(char(quint8(s.size() % 256)));
        out->append(s.toLatin1());
    }
    return CodecOk;
}

Decoder decoderFor(int type)
{
    static const Decoder decoders[]
        = {nullptr,           set_variant_bool,   set_variant_Int8,   set_variant_UInt8,
           set_variant_Int16, set_variant_UInt16, set_variant_Int32,  set_variant_UInt32,
           set_variant_fload, set_variant_Int64,  set_variant_UInt64, set_variant_double,
           set_variant_string};
    return type >= 1 && type <= 12 ? decoders[type] : nullptr;
}

Encoder encoderFor(int type)
{
    static const Encoder encoders[] = {nullptr,
                                       Wset_variant_bool,
                                       Wset_variant_Int8,
                                       Wset_variant_UInt8,
                                       Wset_variant_Int16,
                                       Wset_variant_uInt16,
                                       Wset_variant_Int32,
                                       Wset_variant_UInt32,
                                       Wset_variant_float,
                                       Wset_variant_Int64,
                                       Wset_variant_UInt64,
                                       Wset_variant_double,
                                       Wset_variant_string};
    return type >= 1 && type <= 12 ? encoders[type] : nullptr;
}

} // namespace Vexmar
