#pragma once

#include "labelvariable.h"
#include "vexmarareas.h"

#include <QByteArray>
#include <QVariant>

// Value codecs of the controller family: data bytes of a reply to a value (decoders,
// set_variant_*) and a value to the data bytes of a write (encoders, Wset_variant_*).
// Numbers are little-endian; a value is a QVariant holding the QList of the element type.
namespace Vexmar {

// Encoder results, as the shared codec rules them (valuecodec.h): a negative count, a value that
// does not convert or holds fewer elements than the count is refused with nothing appended.
enum CodecResult : int {
    CodecOk = 0,
    CodecRefused = -1,
};

QVariant set_variant_bool(QByteArray data, int count);
QVariant set_variant_Int8(QByteArray data, int count);
QVariant set_variant_UInt8(QByteArray data, int count);
QVariant set_variant_Int16(QByteArray data, int count);
QVariant set_variant_UInt16(QByteArray data, int count);
QVariant set_variant_Int32(QByteArray data, int count);
QVariant set_variant_UInt32(QByteArray data, int count);
QVariant set_variant_fload(QByteArray data, int count);
QVariant set_variant_Int64(QByteArray data, int count);
QVariant set_variant_UInt64(QByteArray data, int count);
QVariant set_variant_double(QByteArray data, int count);
QVariant set_variant_string(QByteArray data, int count);

int Wset_variant_bool(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_Int8(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_UInt8(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_Int16(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_uInt16(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_Int32(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_UInt32(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_float(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_Int64(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_UInt64(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_double(CLabelVariable value, int count, QByteArray *out);
int Wset_variant_string(CLabelVariable value, int count, QByteArray *out);

// Texts travel as UTF-8 both ways, so ASCII keeps one byte per character. A string slot holds a
// length byte, read unsigned, and up to this many bytes of text.
constexpr int maxSlotTextBytes = stringSlotBytes - 1;
// The bytes of text, or false when they would not read back as the same text: a NUL (a zero byte
// ends a text on reading), a lone surrogate (UTF-8 has none) or more than maxBytes bytes.
bool textBytes(const QString &text, int maxBytes, QByteArray *bytes);
// The text of bytes as every read takes it: up to the first zero byte, as UTF-8.
QString textOf(const QByteArray &bytes);
// The text bytes of one string that begins with its length byte (a slot, or an element of the
// compact layout): that many bytes after it, fewer where the data end, up to a zero byte.
QByteArray prefixedText(const QByteArray &bytes);

// The decoder and encoder of a base type (1 to 12), for callers that choose by DataType;
// null for any other type.
using Decoder = QVariant (*)(QByteArray, int);
using Encoder = int (*)(CLabelVariable, int, QByteArray *);
Decoder decoderFor(int type);
Encoder encoderFor(int type);

} // namespace Vexmar
