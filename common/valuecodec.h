#pragma once

#include <QByteArray>
#include <QList>
#include <QVariant>

// The numeric part of the drivers' value codecs: value lists of one element type to and from
// the bytes of a controller's memory, in the byte order of its family. Each driver keeps its
// own named codecs, and its bool and string layouts, over this.
namespace ValueCodec {

enum class ByteOrder { LittleEndian, BigEndian };

// Encoder results. Nothing is appended on a refusal.
enum Result : int {
    Ok = 0,
    Refused = -1,
};

// count elements of a numeric DataType (byte-order variants as their base type) from bytes,
// element k at bytes k*w to k*w + w - 1 of an element width w; a byte past the end reads as 0.
// A count below 1 gives an empty list; a non-numeric type an invalid value.
QVariant decodeNumbers(int type, const QByteArray &bytes, int count, ByteOrder order);

// Appends elements 0 to count - 1 of value, as the type's element type, to out. Refused when
// count is negative, when value does not convert to the list of that type, or when it holds
// fewer than count elements: a write must never carry bytes nobody gave.
int encodeNumbers(int type, const QVariant &value, int count, ByteOrder order, QByteArray *out);

// The first count elements of value as a list of T: the one rule of every encoder, bool and
// string ones included. False as encodeNumbers refuses.
template<typename T>
bool takeElements(const QVariant &value, int count, QList<T> *list)
{
    if (count < 0)
        return false;
    const int id = qMetaTypeId<QList<T>>();
    QVariant copy = value;
    if (copy.userType() != id && (!copy.canConvert(id) || !copy.convert(id)))
        return false;
    *list = copy.value<QList<T>>().mid(0, count);
    return list->size() == count;
}

} // namespace ValueCodec
