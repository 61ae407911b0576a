#include "vexmarcodecs.h"

#include "valuecodec.h"

#include <QList>
#include <QString>

namespace Vexmar {

namespace {

constexpr auto order = ValueCodec::ByteOrder::LittleEndian;

QVariant decode(int type, const QByteArray &data, int count)
{
    return ValueCodec::decodeNumbers(type, data, count, order);
}

int encode(int type, const CLabelVariable &value, int count, QByteArray *out)
{
    return ValueCodec::encodeNumbers(type, value.value, count, order, out) == ValueCodec::Ok
               ? CodecOk
               : CodecRefused;
}

} // namespace

QVariant set_variant_bool(QByteArray data, int count)
{
    // One byte per element on the wire; any byte but 0 is true.
    QList<bool> list;
    for (int k = 0; k < count; ++k)
        list.append(k < data.size() && data.at(k) != 0);
    return QVariant::fromValue(list);
}
QVariant set_variant_Int8(QByteArray data, int count)
{
    return decode(Int8, data, count);
}
QVariant set_variant_UInt8(QByteArray data, int count)
{
    return decode(UInt8, data, count);
}
QVariant set_variant_Int16(QByteArray data, int count)
{
    return decode(Int16, data, count);
}
QVariant set_variant_UInt16(QByteArray data, int count)
{
    return decode(UInt16, data, count);
}
QVariant set_variant_Int32(QByteArray data, int count)
{
    return decode(Int32, data, count);
}
QVariant set_variant_UInt32(QByteArray data, int count)
{
    return decode(UInt32, data, count);
}
QVariant set_variant_fload(QByteArray data, int count)
{
    return decode(Float, data, count);
}
QVariant set_variant_Int64(QByteArray data, int count)
{
    return decode(Int64, data, count);
}
QVariant set_variant_UInt64(QByteArray data, int count)
{
    return decode(UInt64, data, count);
}
QVariant set_variant_double(QByteArray data, int count)
{
    return decode(Double, data, count);
}

bool textBytes(const QString &text, int maxBytes, QByteArray *bytes)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > maxBytes || text.contains(QChar(0)) || QString::fromUtf8(utf8) != text)
        return false;
    *bytes = utf8;
    return true;
}

QString textOf(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

QByteArray prefixedText(const QByteArray &bytes)
{
    const int len = bytes.isEmpty() ? 0 : quint8(bytes.at(0));
    QByteArray text = bytes.mid(1, len);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

QVariant set_variant_string(QByteArray data, int count)
{
    QList<QString> list;
    for (int k = 0; k < count; ++k) {
        list.append(textOf(prefixedText(data)));
        // The bytes that followed a zero inside the text go with it.
        data.remove(0, data.isEmpty() ? 0 : 1 + quint8(data.at(0)));
    }
    return QVariant::fromValue(list);
}

int Wset_variant_bool(CLabelVariable v, int count, QByteArray *out)
{
    QList<bool> list;
    if (!ValueCodec::takeElements(v.value, count, &list))
        return CodecRefused;
    for (bool b : qAsConst(list))
        out->append(char(b ? 1 : 0));
    return CodecOk;
}
int Wset_variant_Int8(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Int8, v, count, out);
}
int Wset_variant_UInt8(CLabelVariable v, int count, QByteArray *out)
{
    return encode(UInt8, v, count, out);
}
int Wset_variant_Int16(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Int16, v, count, out);
}
int Wset_variant_uInt16(CLabelVariable v, int count, QByteArray *out)
{
    return encode(UInt16, v, count, out);
}
int Wset_variant_Int32(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Int32, v, count, out);
}
int Wset_variant_UInt32(CLabelVariable v, int count, QByteArray *out)
{
    return encode(UInt32, v, count, out);
}
int Wset_variant_float(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Float, v, count, out);
}
int Wset_variant_Int64(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Int64, v, count, out);
}
int Wset_variant_UInt64(CLabelVariable v, int count, QByteArray *out)
{
    return encode(UInt64, v, count, out);
}
int Wset_variant_double(CLabelVariable v, int count, QByteArray *out)
{
    return encode(Double, v, count, out);
}

int Wset_variant_string(CLabelVariable value, int count, QByteArray *out)
{
    QList<QString> list;
    if (!ValueCodec::takeElements(value.value, count, &list))
        return CodecRefused;
    // A text that would come back changed or cut is refused whole, with nothing appended.
    QByteArray strings;
    for (const QString &s : qAsConst(list)) {
        QByteArray bytes;
        if (!textBytes(s, maxSlotTextBytes, &bytes))
            return CodecRefused;
        strings.append(char(quint8(bytes.size())));
        strings.append(bytes);
    }
    out->append(strings);
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
