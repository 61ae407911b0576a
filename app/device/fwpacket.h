#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// CRC-16/MODBUS (reflected polynomial 0xA001, start 0xFFFF, no final XOR), bit by bit. It guards
// the FW packets and the data-logger frames; an empty input gives 0xFFFF.
quint16 calcCrc16(const quint8 *data, quint16 length);
// The same over a whole array; the count is taken modulo 65536 like every caller's length.
quint16 calcCrc16(const QByteArray &data);

// Builders of the packets the firmware page sends: 'F', 'W', the code, its fields and the CRC of
// everything before it, low byte first. Multi-byte fields are little-endian.
namespace FwPacket {

enum Code : quint8 {
    AppUpdateStart = 0x01,
    AppDataBlock = 0x02,
    OsUpdateStart = 0x03,
    OsDataBlock = 0x04,
    AppReboot = 0x06,
    OsReboot = 0x07,
    VersionRequest = 0x08,
};

// Largest image piece of one data block.
constexpr int blockBytes = 256;

// 'F' 'W' code fields CRC.
QByteArray build(quint8 code, const QByteArray &fields = QByteArray());
// Bytes with the CRC of all of them appended, low byte first.
QByteArray withCrc(QByteArray bytes);
// A version field's text as sent: a decimal integer cut to its low 16 bits, else 0.
quint16 versionField(const QString &text);

QByteArray appUpdateStart(quint16 version, qint64 imageSize);
QByteArray osUpdateStart(quint16 version, qint64 imageSize);
// Block numbers count from 1; data holds 1 to 256 image bytes.
QByteArray appDataBlock(quint16 blockNumber, const QByteArray &data);
QByteArray osDataBlock(quint16 blockNumber, const QByteArray &data);
QByteArray appReboot(quint16 version);
QByteArray osReboot(quint16 version);
QByteArray versionRequest();

} // namespace FwPacket

// What a received payload means to the firmware page.
struct FwReply
{
    enum Kind {
        NotFw,           // no 'F' 'W' at the start: shown as text
        BadCrc,          // rejected
        AppBlockRequest, // codes 0x81 and 0x82
        OsBlockRequest,  // codes 0x83 and 0x84
        VersionReply,    // code 0x88
        ErrorReport,     // code 0x8F
        TooShort,        // a valid CRC, but too few bytes for the fields of the code: ignored
        Ignored,         // a valid CRC and a code of no meaning here
    };

    Kind kind = NotFw;
    quint8 code = 0;
    quint16 requestIndex = 0; // block requests: the piece starting at requestIndex * 256
    QString versionText;      // version reply: up to the first zero byte or the CRC
    qint8 errorCode = 0;      // error report

    static FwReply recognise(const QByteArray &payload);
};

// Cuts the byte stream of a firmware exchange into whole packets, since replies carry no length
// and may arrive over several reads. Block requests are 7 bytes, error reports 6; any other FW
// packet ends at its first CRC-valid prefix, and no packet a controller sends is longer than
// longestPacketBytes. Bytes before the next 'F' 'W' are handed on as one text piece, and so is a
// piece starting 'F' 'W' that has found no end within that bound; framing goes on after it.
// Every byte is looked at a bounded number of times, so the cost grows with the bytes fed.
class FwStreamFramer
{
public:
    // The longest FW packet there is, a data block of 256 image bytes: 7 + 256 bytes.
    static constexpr int longestPacketBytes = 7 + FwPacket::blockBytes;

    // Appends bytes and returns every piece that is now complete, in order.
    QList<QByteArray> feed(const QByteArray &bytes);
    // What is still waiting for the rest of its packet, taken out as the pieces it would have
    // given had it ended here: a packet cut short goes whole, up to the next 'F' 'W'.
    QList<QByteArray> takeRest();
    bool hasRest() const { return m_start < m_buffer.size(); }

private:
    // Length of the complete piece at m_start, 0 while it is unfinished; atEnd cuts an
    // unfinished one where it stands.
    int completeLength(bool atEnd);
    // Offset from m_start of the next 'F' 'W' after the first from bytes on, or of a last lone
    // 'F'; -1 when neither.
    int nextMagic(int from) const;
    QList<QByteArray> cut(bool atEnd);
    void resetScan();

    QByteArray m_buffer;
    int m_start = 0; // where the unfinished piece begins; bytes before it are handed on
    // The CRC scan of a packet of unknown length at m_start: the CRC of its first m_crcBytes
    // bytes, and the length up to which every prefix has been checked.
    quint16 m_crc = 0xFFFF;
    int m_crcBytes = 0;
    int m_checkedLength = 0;
};
