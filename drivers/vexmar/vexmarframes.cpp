#include "vexmarframes.h"

#include "vexmarareas.h"
#include "vexmarcodecs.h"

namespace Vexmar {

namespace {

quint8 byteAt(const QByteArray &data, int i)
{
    return i >= 0 && i < data.size() ? quint8(data.at(i)) : quint8(0);
}

QByteArray requestHead(Command command, int area, int address, int count)
{
    QByteArray frame;
    frame.reserve(requestHeaderBytes);
    frame.append(char(command));
    frame.append(char(sequenceByte));
    frame.append(char(0x01));
    frame.append(char(0x00));
    frame.append(char(quint8(area)));
    frame.append(field24(address));
    frame.append(field24(count));
    return frame;
}

// The first n bytes of data, zero-filled beyond its end.
QByteArray paddedBytes(const QByteArray &data, int n)
{
    QByteArray bytes = data.left(qMax(0, n));
    if (bytes.size() < n)
        bytes.append(QByteArray(n - bytes.size(), '\0'));
    return bytes;
}

} // namespace

QByteArray field24(int value)
{
    QByteArray f(3, '\0');
    f[0] = char(quint8(value >> 16));
    f[1] = char(quint8(value));
    f[2] = char(quint8(value >> 8));
    return f;
}

int parseField24(const QByteArray &frame, int offset)
{
    return int(byteAt(frame, offset)) << 16 | int(byteAt(frame, offset + 2)) << 8
           | int(byteAt(frame, offset + 1));
}

int addressScale(int area)
{
    if (isWord32Area(area))
        return 4;
    if (area == AreaSA)
        return 2;
    if (isStringArea(area))
        return stringSlotBytes;
    return 1;
}

QByteArray handshakeRequest()
{
    return QByteArray("\x04\x01", 2);
}

QByteArray readValuesRequest(int area, int index, int count)
{
    return requestHead(CommandRead, area, index * addressScale(area), count);
}

QByteArray readStringRequest(int area, int index, int count)
{
    return requestHead(CommandRead, area, index * stringSlotBytes, count * stringSlotBytes);
}

QByteArray readBitsRequest(int area, int index, int count)
{
    return requestHead(CommandRead, area, index, count);
}

QByteArray writeValuesRequest(int area, int index, int count, const QByteArray &data)
{
    QByteArray frame = requestHead(CommandWrite, area, index * addressScale(area), count);
    if (!isBitArea(area)) {
        frame.append(paddedBytes(data, count));
        return frame;
    }
    // One byte (0 or 1) per bit of the given bytes, for the whole bytes the count covers.
    for (int i = 0; i < count / 8; ++i) {
        const quint8 b = byteAt(data, i);
        for (int j = 0; j < 8; ++j)
            frame.append(char((b >> j) & 1));
    }
    return frame;
}

QByteArray writeBitsRequest(int area, int index, int count, const QByteArray &data)
{
    QByteArray frame = requestHead(CommandWrite, area, index, count);
    frame.append(paddedBytes(data, count));
    return frame;
}

QByteArray writeStringRequest(int area, int index, int count, const QByteArray &strings)
{
    if (count < 1)
        return {};
    QByteArray frame
        = requestHead(CommandWrite, area, index * stringSlotBytes, count * stringSlotBytes);
    int pos = 0;
    for (int k = 0; k < count; ++k) {
        if (pos >= strings.size())
            return {};
        const int len = quint8(strings.at(pos));
        if (pos + 1 + len > strings.size())
            return {};
        QByteArray slot = strings.mid(pos, 1 + len);
        slot.append(QByteArray(stringSlotBytes - slot.size(), '\0'));
        frame.append(slot);
        pos += 1 + len;
    }
    return pos == strings.size() ? frame : QByteArray();
}

int readReplyBytes(int dataLength)
{
    return headerBytes + dataLength;
}

bool echoes(const QByteArray &request, const QByteArray &reply)
{
    return reply.size() >= 2 && reply.at(0) == request.at(0) && reply.at(1) == request.at(1);
}

int echoStart(const QByteArray &request, const QByteArray &bytes)
{
    if (request.size() < 2)
        return 0;
    int start = 0;
    while (start < bytes.size()) {
        if (bytes.at(start) == request.at(0)
            && (start + 1 == bytes.size() || bytes.at(start + 1) == request.at(1)))
            break;
        ++start;
    }
    return start;
}

SerialReply judgeSerialReply(const QByteArray &request, const QByteArray &received, int replyBytes,
                             QByteArray *reply)
{
    if (received.isEmpty()) {
        reply->clear();
        return SerialReply::Nothing;
    }
    const int start = echoStart(request, received);
    if (start == received.size()) {
        *reply = received;
        return SerialReply::NoEcho;
    }
    *reply = received.mid(start);
    if (reply->size() < replyBytes)
        return SerialReply::Partial;
    return reply->size() == replyBytes ? SerialReply::Whole : SerialReply::Misfit;
}

ReplyCheck checkReply(const QByteArray &request, const QByteArray &reply, int dataLength)
{
    if (!echoes(request, reply))
        return ReplyCheck::WrongEcho;
    const bool read = quint8(request.at(0)) == CommandRead;
    const int needed = read ? readReplyBytes(dataLength) : writeReplyBytes;
    return reply.size() < needed ? ReplyCheck::Short : ReplyCheck::Ok;
}

QByteArray readValuesData(int area, const QByteArray &reply, int count)
{
    if (!isBitArea(area))
        return paddedBytes(reply.mid(headerBytes), count);
    // The wire carries one byte per bit; bit j of output byte i is reply data byte 8i + j.
    QByteArray out;
    for (int i = 0; i < count / 8; ++i) {
        quint8 b = 0;
        for (int j = 0; j < 8; ++j)
            b |= quint8((byteAt(reply, headerBytes + 8 * i + j) != 0 ? 1 : 0) << j);
        out.append(char(b));
    }
    return out;
}

QByteArray readBitsData(const QByteArray &reply, int count)
{
    return paddedBytes(reply.mid(headerBytes), count);
}

QByteArray readStringData(const QByteArray &reply, int count)
{
    QByteArray out;
    for (int k = 0; k < count; ++k) {
        const QByteArray text
            = prefixedText(reply.mid(headerBytes + k * stringSlotBytes, stringSlotBytes));
        out.append(char(quint8(text.size())));
        out.append(text);
    }
    return out;
}

QByteArray slotsAsText(const QByteArray &bytes)
{
    const int whole = bytes.size() / stringSlotBytes;
    QByteArray out;
    for (int k = 0; k < whole; ++k)
        out.append(paddedBytes(prefixedText(bytes.mid(k * stringSlotBytes, stringSlotBytes)),
                               maxSlotTextBytes));
    out.append(bytes.mid(whole * stringSlotBytes));
    return out;
}

} // namespace Vexmar
