#pragma once

#include "labelvariable.h"

#include <QByteArray>
#include <QList>
#include <QVariant>
#include <cstring>
#include <type_traits>

// Value codecs between S7 memory (big-endian, IEEE 754, bits numbered from the least
// significant) and the element lists that CLabelVariable carries.
namespace S7 {

namespace detail {
template<int W>
struct UnsignedOf;
template<>
struct UnsignedOf<1>
{
    using type = quint8;
};
template<>
struct UnsignedOf<2>
{
    using type = quint16;
};
template<>
struct UnsignedOf<4>
{
    using type = quint32;
};
template<>
struct UnsignedOf<8>
{
    using type = quint64;
};
} // namespace detail

// count elements of T from bytes, most significant byte first; missing bytes read as 0.
template<typename T>
QVariant decodeNumbers(const QByteArray &bytes, int count)
{
    using U = typename detail::UnsignedOf<sizeof(T)>::type;
    QList<T> list;
    for (int k = 0; k < count; ++k) {
        quint64 raw = 0;
        for (int j = 0; j < int(sizeof(T)); ++j) {
            const int pos = k * int(sizeof(T)) + j;
            const quint8 b = pos < bytes.size() ? static_cast<quint8>(bytes.at(pos)) : 0;
            raw = raw << 8 | b;
        }
        const U bits = static_cast<U>(raw);
        T element;
        std::memcpy(&element, &bits, sizeof(T));
        list.append(element);
    }
    return QVariant::fromValue(list);
}

// Bits from startBit of the first byte on, over byteCount bytes (8 × byteCount − startBit
// elements); a start bit above 7 names no bit and gives an empty list.
QVariant decodeBits(int startBit, const QByteArray &bytes, int byteCount);

// The record's elements as a list of T, converted when it holds another list type; false when
// it cannot be converted.
template<typename T>
bool elementList(const CLabelVariable &value, QList<T> *list)
{
    const int id = qMetaTypeId<QList<T>>();
    if (value.value.userType() == id) {
        *list = value.value.value<QList<T>>();
        return true;
    }
    if (!value.value.canConvert(id))
        return false;
    QVariant copy = value.value;
    if (!copy.convert(id))
        return false;
    *list = copy.value<QList<T>>();
    return true;
}

// Appends elements 0 to count − 1, most significant byte first (bool: one byte 0x01 or 0x00
// each). Returns 0, or -1 with nothing appended when the value holds fewer than count elements
// of T: a short value must never be padded with bytes that were not asked for.
template<typename T>
int encodeNumbers(const CLabelVariable &value, int count, QByteArray *out)
{
    QList<T> list;
    if (count < 0 || !elementList(value, &list) || list.size() < count)
        return -1;
    for (int i = 0; i < count; ++i) {
        if constexpr (std::is_same_v<T, bool>) {
            out->append(list.at(i) ? '\x01' : '\0');
        } else {
            using U = typename detail::UnsignedOf<sizeof(T)>::type;
            U bits;
            std::memcpy(&bits, &list.at(i), sizeof(T));
            for (int j = int(sizeof(T)) - 1; j >= 0; --j)
                out->append(static_cast<char>((quint64(bits) >> (8 * j)) & 0xFF));
        }
    }
    return 0;
}

// Dispatch by DataType 1 to 11; other types decode to an invalid value and encode to -1.
QVariant decodeValue(int type, const QByteArray &bytes, int count, int startBit);
int encodeValue(int type, const CLabelVariable &value, int count, QByteArray *out);

} // namespace S7
