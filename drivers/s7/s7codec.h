#pragma once

#include "labelvariable.h"

#include <QByteArray>
#include <QVariant>

// Value codecs between S7 memory (big-endian, IEEE 754, bits numbered from the least
// significant) and the element lists that CLabelVariable carries.
namespace S7 {

// Bits from startBit of the first byte on, over byteCount bytes (8 × byteCount − startBit
// elements); a start bit above 7 names no bit and gives an empty list.
QVariant decodeBits(int startBit, const QByteArray &bytes, int byteCount);

// Dispatch by DataType 1 to 11, numbers most significant byte first (valuecodec.h); bool
// elements are bits on reading and one byte 0x01 or 0x00 each on writing. Other types decode
// to an invalid value and encode to -1. An encoder appends nothing when it refuses.
QVariant decodeValue(int type, const QByteArray &bytes, int count, int startBit);
int encodeValue(int type, const CLabelVariable &value, int count, QByteArray *out);

} // namespace S7
