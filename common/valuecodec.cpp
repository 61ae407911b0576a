#include "valuecodec.h"

#include "elementtype.h"

#include <cstring>
#include <type_traits>

namespace ValueCodec {

namespace {

template<typename T>
using BitsOf
    = std::conditional_t<sizeof(T) == 1, quint8,
                         std::conditional_t<sizeof(T) == 2, quint16,
                                            std::conditional_t<sizeof(T) == 4, quint32, quint64>>>;

template<typename T>
T elementAt(const QByteArray &bytes, int k, ByteOrder order)
{
    constexpr int w = int(sizeof(T));
    quint64 raw = 0;
    for (int j = 0; j < w; ++j) {
        const qint64 pos = qint64(k) * w + j;
        const quint64 b = pos < bytes.size() ? quint8(bytes.at(int(pos))) : 0;
        raw |= b << (8 * (order == ByteOrder::LittleEndian ? j : w - 1 - j));
    }
    const auto bits = static_cast<BitsOf<T>>(raw);
    T v;
    std::memcpy(&v, &bits, sizeof(T));
    return v;
}

template<typename T>
void appendElement(QByteArray *out, T v, ByteOrder order)
{
    constexpr int w = int(sizeof(T));
    BitsOf<T> bits;
    std::memcpy(&bits, &v, sizeof(T));
    for (int j = 0; j < w; ++j) {
        const int shift = 8 * (order == ByteOrder::LittleEndian ? j : w - 1 - j);
        out->append(char(quint8(quint64(bits) >> shift)));
    }
}

} // namespace

QVariant decodeNumbers(int type, const QByteArray &bytes, int count, ByteOrder order)
{
    QVariant result;
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        QList<T> list;
        for (int k = 0; k < count; ++k)
            list.append(elementAt<T>(bytes, k, order));
        result = QVariant::fromValue(list);
    });
    return result;
}

int encodeNumbers(int type, const QVariant &value, int count, ByteOrder order, QByteArray *out)
{
    int result = Refused;
    withNumericType(type, [&](auto tag) {
        using T = decltype(tag);
        QList<T> list;
        if (!takeElements(value, count, &list))
            return;
        for (const T &v : qAsConst(list))
            appendElement<T>(out, v, order);
        result = Ok;
    });
    return result;
}

} // namespace ValueCodec
