#pragma once

#include <QByteArray>

// Request and reply frames of the controller family, pure bytes in and out. A request is the
// 4-byte header (command, sequence, 01, 00), the area code, the address and the count as 24-bit
// fields, and for writes the data; a reply echoes bytes 0 and 1 and carries its data from
// offset 4. No checksum, no length field.
namespace Vexmar {

enum Command : quint8 {
    CommandRead = 0x01,
    CommandWrite = 0x02,
    CommandHandshake = 0x04,
};

// The devices expect this sequence byte in every frame, so it cannot tell replies apart.
constexpr quint8 sequenceByte = 0x01;
constexpr int headerBytes = 4;
constexpr int requestHeaderBytes = 11;

// 24-bit field: bits 16-23, bits 0-7, bits 8-15 of the value (arithmetic shifts).
QByteArray field24(int value);
// The unsigned value of the 24-bit field at offset in frame (0 where the frame ends).
int parseField24(const QByteArray &frame, int offset);

// Address multiplier of the value requests: bytes per element in the word areas and slot
// bytes in the string area; bit numbers and plain bytes everywhere else.
int addressScale(int area);

QByteArray handshakeRequest();
QByteArray readValuesRequest(int area, int index, int count);
QByteArray readStringRequest(int area, int index, int count);
QByteArray readBitsRequest(int area, int index, int count);
QByteArray writeValuesRequest(int area, int index, int count, const QByteArray &data);
QByteArray writeBitsRequest(int area, int index, int count, const QByteArray &data);
// count strings, given as the string encoder lays them out (length byte, text bytes, next),
// each put into its own 256-byte slot. Empty when the data are not exactly count strings:
// nothing may be sent then.
QByteArray writeStringRequest(int area, int index, int count, const QByteArray &strings);

// Bytes of the reply that completes each request.
int readReplyBytes(int dataLength);
constexpr int writeReplyBytes = headerBytes;

// Where in bytes a reply to request could begin: the first place that echoes it, or its first
// byte at the very end; bytes.size() when there is none.
int echoStart(const QByteArray &request, const QByteArray &bytes);

// What a serial line delivered after request once it went quiet. Every reply carries the same
// sequence byte, so an earlier or repeated reply looks like this one's: only a whole reply of
// exactly the length this request calls for is taken, from the first place that echoes it
// (bytes ahead that cannot begin a reply are line noise, not part of it).
enum class SerialReply {
    Whole,   // exactly replyBytes from the echo on: the reply
    Partial, // echoed, fewer bytes so far: more may come
    Misfit,  // echoed, more bytes than the reply has: a stale or repeated reply is among them
    NoEcho,  // bytes, none of which could begin the reply
    Nothing, // no byte at all
};
// *reply gets the bytes from the echo on (all of them when there is no echo).
SerialReply judgeSerialReply(const QByteArray &request, const QByteArray &received, int replyBytes,
                             QByteArray *reply);
// Whether reply echoes the command and sequence bytes of request.
bool echoes(const QByteArray &request, const QByteArray &reply);

enum class ReplyCheck {
    Ok,
    WrongEcho,
    Short, // echoed, but fewer bytes than the request asked for
};
// A read reply must echo and carry all dataLength bytes; a write reply must echo and carry its
// header. Longer datagrams are fine: the surplus is ignored.
ReplyCheck checkReply(const QByteArray &request, const QByteArray &reply, int dataLength);

// The data of a checked read reply as the caller wants it.
QByteArray readValuesData(int area, const QByteArray &reply, int count);
QByteArray readBitsData(const QByteArray &reply, int count);
// count slots as strings in the compact layout the string decoder reads: each slot's text bytes
// (prefixedText) after their length.
QByteArray readStringData(const QByteArray &reply, int count);
// Whole slots read as bytes: each slot's text bytes, zero-filled to the slot less its length
// byte. Both string reads take a slot's text the same way; bytes past the whole slots stay.
QByteArray slotsAsText(const QByteArray &bytes);

} // namespace Vexmar
