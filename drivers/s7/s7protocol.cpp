#include "s7protocol.h"

namespace S7 {

namespace {

constexpr quint8 protocolId = 0x32;
constexpr quint8 rosctrJob = 0x01;
constexpr quint8 rosctrAck = 0x02;
constexpr quint8 rosctrAckData = 0x03;
constexpr quint8 functionSetup = 0xF0;
constexpr quint8 functionRead = 0x04;
constexpr quint8 functionWrite = 0x05;
constexpr quint8 transportBit = 0x01;
constexpr quint8 transportByte = 0x02;
constexpr quint8 dataBit = 0x03;
constexpr quint8 dataBytesInBits = 0x04;
// Offsets in an acknowledgement frame (TPKT and COTP included).
constexpr int ackHeaderEnd = 19; // 7 + 12-byte acknowledgement header
constexpr int itemBytes = 12;

quint8 byteAt(const QByteArray &frame, int offset)
{
    return static_cast<quint8>(frame.at(offset));
}

quint16 wordAt(const QByteArray &frame, int offset)
{
    return static_cast<quint16>(byteAt(frame, offset) << 8 | byteAt(frame, offset + 1));
}

void appendWord(QByteArray &out, int value)
{
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}

void appendAddress(QByteArray &out, int bits)
{
    out.append(static_cast<char>((bits >> 16) & 0xFF));
    out.append(static_cast<char>((bits >> 8) & 0xFF));
    out.append(static_cast<char>(bits & 0xFF));
}

// TPKT, COTP data header and S7 job header; the TPKT length is filled in by finish().
QByteArray jobHeader(quint16 reference, int parameterLength, int dataLength)
{
    QByteArray out;
    out.append("\x03\x00\x00\x00\x02\xF0\x80", 7);
    out.append(static_cast<char>(protocolId));
    out.append(static_cast<char>(rosctrJob));
    appendWord(out, 0);
    appendWord(out, reference);
    appendWord(out, parameterLength);
    appendWord(out, dataLength);
    return out;
}

QByteArray finish(QByteArray frame)
{
    frame[2] = static_cast<char>((frame.size() >> 8) & 0xFF);
    frame[3] = static_cast<char>(frame.size() & 0xFF);
    return frame;
}

void appendItem(QByteArray &out, quint8 transport, int count, int area, int dbNumber, int bits)
{
    out.append("\x12\x0A\x10", 3);
    out.append(static_cast<char>(transport));
    appendWord(out, count);
    appendWord(out, wireDbNumber(area, dbNumber));
    out.append(static_cast<char>(area));
    appendAddress(out, bits);
}

// The checks every acknowledgement shares; on success the parameter starts at ackHeaderEnd.
Reply checkAck(const QByteArray &frame, quint16 reference, bool checkReference)
{
    Reply reply;
    if (frame.size() < ackHeaderEnd || tpktFrameLength(frame) != frame.size()
        || byteAt(frame, 5) != 0xF0 || byteAt(frame, 7) != protocolId) {
        reply.error = ReplyError::NotTpkt;
        return reply;
    }
    const quint8 rosctr = byteAt(frame, 8);
    reply.headerError = wordAt(frame, 17);
    if (rosctr != rosctrAckData && !(rosctr == rosctrAck && reply.headerError != 0)) {
        reply.error = ReplyError::NotAckData;
        return reply;
    }
    if (checkReference && wordAt(frame, 11) != reference) {
        reply.error = ReplyError::WrongReference;
        return reply;
    }
    if (ackHeaderEnd + wordAt(frame, 13) + wordAt(frame, 15) != frame.size()) {
        reply.error = ReplyError::NotTpkt;
        return reply;
    }
    if (reply.headerError != 0)
        reply.error = ReplyError::HeaderError;
    return reply;
}

} // namespace

QString errorText(ReplyError error)
{
    switch (error) {
    case ReplyError::None:
        return QStringLiteral("ok");
    case ReplyError::NotTpkt:
        return QStringLiteral("not an S7 data frame");
    case ReplyError::NotAckData:
        return QStringLiteral("not an S7 acknowledgement with data");
    case ReplyError::WrongReference:
        return QStringLiteral("PDU reference of another request");
    case ReplyError::HeaderError:
        return QStringLiteral("request refused by the controller");
    case ReplyError::WrongFunction:
        return QStringLiteral("reply to another function or item count");
    case ReplyError::Malformed:
        return QStringLiteral("item data do not match the request");
    }
    return QString();
}

int tpktFrameLength(const QByteArray &buffer)
{
    if (buffer.size() < 4)
        return 0;
    const int length = wordAt(buffer, 2);
    if (byteAt(buffer, 0) != 0x03 || length < tpktCotpBytes)
        return -1;
    return length;
}

QByteArray cotpConnectionRequest()
{
    return QByteArray("\x03\x00\x00\x16\x11\xE0\x00\x00\x00\x01\x00"
                      "\xC0\x01\x0A\xC1\x02\x10\x00\xC2\x02\x03\x00",
                      22);
}

bool isCotpConnectionConfirm(const QByteArray &frame)
{
    return frame.size() >= 6 && tpktFrameLength(frame) == frame.size() && byteAt(frame, 5) == 0xD0;
}

QByteArray setupCommunicationRequest()
{
    QByteArray out = jobHeader(0xCCC1, 8, 0);
    out.append(static_cast<char>(functionSetup));
    out.append('\0');
    appendWord(out, 1); // max AmQ calling
    appendWord(out, 1); // max AmQ called
    appendWord(out, requestedPduBytes);
    return finish(out);
}

Reply parseSetupReply(const QByteArray &frame)
{
    Reply reply = checkAck(frame, 0, false);
    if (reply.error != ReplyError::None)
        return reply;
    if (frame.size() != ackHeaderEnd + 8 || byteAt(frame, ackHeaderEnd) != functionSetup) {
        reply.error = ReplyError::WrongFunction;
        return reply;
    }
    reply.grantedPdu = qMin<int>(wordAt(frame, ackHeaderEnd + 6), requestedPduBytes);
    if (reply.grantedPdu < minimumPduBytes)
        reply.error = ReplyError::Malformed;
    return reply;
}

QByteArray readRequest(quint16 reference, const QList<ReadItem> &items)
{
    QByteArray out = jobHeader(reference, 2 + itemBytes * items.size(), 0);
    out.append(static_cast<char>(functionRead));
    out.append(static_cast<char>(items.size()));
    for (const ReadItem &item : items)
        appendItem(out, transportByte, item.byteCount, item.area, item.dbNumber,
                   item.byteAddress * 8);
    return finish(out);
}

Reply parseReadReply(const QByteArray &frame, quint16 reference, const QList<ReadItem> &items)
{
    Reply reply = checkAck(frame, reference, true);
    if (reply.error != ReplyError::None)
        return reply;
    if (wordAt(frame, 13) != 2 || byteAt(frame, ackHeaderEnd) != functionRead
        || byteAt(frame, ackHeaderEnd + 1) != items.size()) {
        reply.error = ReplyError::WrongFunction;
        return reply;
    }
    int pos = ackHeaderEnd + 2;
    for (int i = 0; i < items.size(); ++i) {
        if (pos + 4 > frame.size()) {
            reply.error = ReplyError::Malformed;
            return reply;
        }
        ItemResult result;
        result.returnCode = byteAt(frame, pos);
        const quint8 transport = byteAt(frame, pos + 1);
        const int length = wordAt(frame, pos + 2);
        // Bit, byte and integer data count their length in bits, the others in bytes.
        const bool inBits
            = transport == dataBit || transport == dataBytesInBits || transport == 0x05;
        // A refused item is its 4-byte header alone, whatever its length field says.
        const int bytes = result.returnCode != itemOk ? 0 : inBits ? (length + 7) / 8 : length;
        pos += 4;
        if (pos + bytes > frame.size()
            || (result.returnCode == itemOk && bytes != items.at(i).byteCount)) {
            reply.error = ReplyError::Malformed;
            return reply;
        }
        if (result.returnCode == itemOk)
            result.data = frame.mid(pos, bytes);
        pos += bytes;
        // Every item but the last is padded to an even length.
        if (i + 1 < items.size() && bytes % 2 != 0)
            ++pos;
        reply.items.append(result);
    }
    if (pos != frame.size())
        reply.error = ReplyError::Malformed;
    return reply;
}

QByteArray writeRequest(quint16 reference, int area, int dbNumber, int startBits,
                        const QByteArray &data)
{
    QByteArray out = jobHeader(reference, 2 + itemBytes, 4 + data.size());
    out.append(static_cast<char>(functionWrite));
    out.append('\x01');
    appendItem(out, transportByte, data.size(), area, dbNumber, startBits);
    out.append('\0');
    out.append(static_cast<char>(dataBytesInBits));
    appendWord(out, data.size() * 8);
    out.append(data);
    return finish(out);
}

QByteArray writeBitRequest(quint16 reference, int area, int dbNumber, int bitAddress, bool value)
{
    QByteArray out = jobHeader(reference, 2 + itemBytes, 5);
    out.append(static_cast<char>(functionWrite));
    out.append('\x01');
    appendItem(out, transportBit, 1, area, dbNumber, bitAddress);
    out.append('\0');
    out.append(static_cast<char>(dataBit));
    appendWord(out, 1);
    out.append(value ? '\x01' : '\0');
    return finish(out);
}

Reply parseWriteReply(const QByteArray &frame, quint16 reference)
{
    Reply reply = checkAck(frame, reference, true);
    if (reply.error != ReplyError::None)
        return reply;
    if (frame.size() != ackHeaderEnd + 3 || byteAt(frame, ackHeaderEnd) != functionWrite
        || byteAt(frame, ackHeaderEnd + 1) != 1) {
        reply.error = ReplyError::WrongFunction;
        return reply;
    }
    ItemResult result;
    result.returnCode = byteAt(frame, ackHeaderEnd + 2);
    reply.items.append(result);
    return reply;
}

int readRequestBytes(int itemCount)
{
    return 10 + 2 + itemBytes * itemCount;
}

int readReplyBytes(const QList<ReadItem> &items)
{
    int bytes = 12 + 2;
    for (int i = 0; i < items.size(); ++i) {
        const int n = items.at(i).byteCount;
        bytes += 4 + n + ((i + 1 < items.size() && n % 2 != 0) ? 1 : 0);
    }
    return bytes;
}

int maxReadBytes(int pdu)
{
    return pdu - readReplyOverhead;
}

int maxWriteBytes(int pdu)
{
    return pdu - writeRequestOverhead;
}

int maxReadItems(int pdu)
{
    return qBound(1, (pdu - readRequestBytes(0)) / itemBytes, maxItemsPerRead);
}

QList<ReadItem> sliceRange(const ReadItem &item, int maxBytes)
{
    QList<ReadItem> pieces;
    int done = 0;
    do {
        ReadItem piece = item;
        piece.byteAddress = item.byteAddress + done;
        piece.byteCount = qMin(maxBytes, item.byteCount - done);
        pieces.append(piece);
        done += piece.byteCount;
    } while (done < item.byteCount && maxBytes > 0);
    return pieces;
}

int wireDbNumber(int area, int dbNumber)
{
    if (area != 0x84)
        return 0;
    return dbNumber > 0 ? dbNumber : 1;
}

QString returnCodeText(quint8 code)
{
    switch (code) {
    case 0xFF:
        return QStringLiteral("success");
    case 0x01:
        return QStringLiteral("hardware fault");
    case 0x03:
        return QStringLiteral("access to the object not allowed");
    case 0x05:
        return QStringLiteral("address out of range");
    case 0x06:
        return QStringLiteral("data type not supported");
    case 0x07:
        return QStringLiteral("data type inconsistent");
    case 0x0A:
        return QStringLiteral("object does not exist");
    default:
        return QStringLiteral("return code 0x%1").arg(code, 2, 16, QLatin1Char('0'));
    }
}

} // namespace S7
