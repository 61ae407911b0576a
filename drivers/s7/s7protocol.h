#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Frames of the S7 protocol over ISO-on-TCP (RFC 1006 TPKT, ISO 8073 COTP class 0): pure
// request builders, reply parsers and the slicing of transfers by the negotiated PDU length.
namespace S7 {

// The PDU length counts the S7 part only, after these TPKT (4) and COTP data (3) bytes.
constexpr int tpktCotpBytes = 7;
// What the set-up request asks for; a controller grants this or less.
constexpr int requestedPduBytes = 960;
// A granted PDU below this could not carry a useful transfer, so the set-up is refused.
constexpr int minimumPduBytes = 64;
// S7 bytes around the data of a one-item read reply: ack header 12, parameter 2, item header 4.
constexpr int readReplyOverhead = 18;
// S7 bytes around the data of a one-item write request: job header 10, parameter 2,
// item 12, data header 4.
constexpr int writeRequestOverhead = 28;
// Read var takes at most 20 items (the limit of S7-300/400 CPUs).
constexpr int maxItemsPerRead = 20;

// Item return code meaning success.
constexpr quint8 itemOk = 0xFF;

// One range of bytes of one area (and data block) to read.
struct ReadItem
{
    int area = 0;
    int dbNumber = 0;
    int byteAddress = 0;
    int byteCount = 0;
};

// What a read reply holds for one item: its return code and, on success, its bytes.
struct ItemResult
{
    quint8 returnCode = 0;
    QByteArray data;
};

enum class ReplyError {
    None,
    NotTpkt,        // no TPKT/COTP data frame, or lengths that disagree with the frame
    NotAckData,     // not an S7 acknowledgement with data (ROSCTR 3)
    WrongReference, // the PDU reference is not the request's
    HeaderError,    // the acknowledgement header reports an error class and code
    WrongFunction,  // the parameter names another function or item count
    Malformed,      // the item data do not fit the frame or the request
};
QString errorText(ReplyError error);

// What a parser makes of a reply.
struct Reply
{
    ReplyError error = ReplyError::None;
    quint16 headerError = 0; // error class (high byte) and code (low byte) of the header
    int grantedPdu = 0;      // set-up replies only
    QList<ItemResult> items; // read replies: one per request item; write replies: the code only
};

// Length of the TPKT frame at the start of buffer: 0 while fewer than 4 bytes are there, -1 when
// the bytes cannot start a frame (wrong version, length below the 7 header bytes).
int tpktFrameLength(const QByteArray &buffer);

// Fixed COTP connection request: TPDU size 1024, calling TSAP 0x1000, called TSAP 0x0300.
QByteArray cotpConnectionRequest();
bool isCotpConnectionConfirm(const QByteArray &frame);

// Fixed set-up communication request asking for requestedPduBytes.
QByteArray setupCommunicationRequest();
// Reads the granted PDU length; anything but an accepted set-up is an error.
Reply parseSetupReply(const QByteArray &frame);

// Read var with the given items, byte access.
QByteArray readRequest(quint16 reference, const QList<ReadItem> &items);
// Checks the reply against its request and cuts out each item's bytes.
Reply parseReadReply(const QByteArray &frame, quint16 reference, const QList<ReadItem> &items);

// Write var of bytes (transport size BYTE) at a start address counted in bits.
QByteArray writeRequest(quint16 reference, int area, int dbNumber, int startBits,
                        const QByteArray &data);
// Write var of one bit (transport size BIT) at byte × 8 + bit.
QByteArray writeBitRequest(quint16 reference, int area, int dbNumber, int bitAddress, bool value);
// Checks a write acknowledgement; items holds the one return code.
Reply parseWriteReply(const QByteArray &frame, quint16 reference);

// S7 bytes of a read request and of its reply for these items.
int readRequestBytes(int itemCount);
int readReplyBytes(const QList<ReadItem> &items);
// Largest read (one item) and write that fit in a PDU.
int maxReadBytes(int pdu);
int maxWriteBytes(int pdu);
// Most items one read request may carry within a PDU.
int maxReadItems(int pdu);
// Cuts a range into consecutive pieces of at most maxBytes (one piece for an empty range).
QList<ReadItem> sliceRange(const ReadItem &item, int maxBytes);

// Data-block field of an item: only data blocks carry one, and block 0 means block 1 (V memory).
int wireDbNumber(int area, int dbNumber);

// Meaning of an item return code, for the debug log.
QString returnCodeText(quint8 code);

} // namespace S7
