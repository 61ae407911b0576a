#include "fwpacket.h"

quint16 calcCrc16(const quint8 *data, quint16 length)
{
    quint16 crc = 0xFFFF;
    for (quint16 i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

quint16 calcCrc16(const QByteArray &data)
{
    return calcCrc16(reinterpret_cast<const quint8 *>(data.constData()), quint16(data.size()));
}

namespace FwPacket {

namespace {

QByteArray le16(quint16 v)
{
    QByteArray b;
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
    return b;
}

QByteArray startFields(quint16 version, qint64 imageSize)
{
    // The size field holds 24 bits: larger images are announced by their low bits only.
    const quint32 size = quint32(imageSize) & 0xFFFFFF;
    QByteArray f = le16(version);
    f.append(char(size & 0xFF));
    f.append(char((size >> 8) & 0xFF));
    f.append(char((size >> 16) & 0xFF));
    return f;
}

} // namespace

QByteArray withCrc(QByteArray bytes)
{
    bytes.append(le16(calcCrc16(bytes)));
    return bytes;
}

QByteArray build(quint8 code, const QByteArray &fields)
{
    QByteArray p("FW");
    p.append(char(code));
    p.append(fields);
    return withCrc(p);
}

quint16 versionField(const QString &text)
{
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok, 10);
    return ok ? quint16(quint64(v) & 0xFFFF) : 0;
}

QByteArray appUpdateStart(quint16 version, qint64 imageSize)
{
    return build(AppUpdateStart, startFields(version, imageSize));
}

QByteArray osUpdateStart(quint16 version, qint64 imageSize)
{
    return build(OsUpdateStart, startFields(version, imageSize));
}

QByteArray appDataBlock(quint16 blockNumber, const QByteArray &data)
{
    return build(AppDataBlock, le16(blockNumber) + data);
}

QByteArray osDataBlock(quint16 blockNumber, const QByteArray &data)
{
    return build(OsDataBlock, le16(blockNumber) + data);
}

QByteArray appReboot(quint16 version)
{
    return build(AppReboot, le16(version));
}

QByteArray osReboot(quint16 version)
{
    return build(OsReboot, le16(version));
}

QByteArray versionRequest()
{
    return build(VersionRequest);
}

} // namespace FwPacket

namespace {

bool crcMatches(const QByteArray &p, int size)
{
    if (size < 2)
        return false;
    const auto *b = reinterpret_cast<const quint8 *>(p.constData());
    return calcCrc16(b, quint16(size - 2)) == quint16(b[size - 2] | (b[size - 1] << 8));
}

bool startsWithMagic(const QByteArray &p)
{
    return p.size() >= 2 && p.at(0) == 'F' && p.at(1) == 'W';
}

} // namespace

FwReply FwReply::recognise(const QByteArray &payload)
{
    FwReply r;
    if (!startsWithMagic(payload))
        return r;
    if (!crcMatches(payload, payload.size())) {
        r.kind = BadCrc;
        return r;
    }
    const auto *b = reinterpret_cast<const quint8 *>(payload.constData());
    const int n = payload.size();
    // A packet that passed with fewer than 5 bytes has no code byte before its CRC.
    if (n < 5) {
        r.kind = TooShort;
        return r;
    }
    r.code = b[2];
    switch (r.code) {
    case 0x81:
    case 0x82:
    case 0x83:
    case 0x84:
        if (n < 7) {
            r.kind = TooShort;
            break;
        }
        r.kind = r.code <= 0x82 ? AppBlockRequest : OsBlockRequest;
        r.requestIndex = quint16(b[3] | (b[4] << 8));
        break;
    case 0x88: {
        r.kind = VersionReply;
        // The text ends before the CRC, or earlier at a zero byte.
        QByteArray text = payload.mid(3, n - 5);
        const int zero = text.indexOf('\0');
        if (zero >= 0)
            text.truncate(zero);
        r.versionText = QString::fromUtf8(text);
        break;
    }
    case 0x8F:
        if (n < 6) {
            r.kind = TooShort;
            break;
        }
        r.kind = ErrorReport;
        r.errorCode = qint8(b[3]);
        break;
    default:
        r.kind = Ignored;
        break;
    }
    return r;
}

namespace {

// calcCrc16 a byte at a time: the framer runs it over every byte of every would-be packet, and
// the handler checks each packet it gets with calcCrc16 itself.
struct CrcTable
{
    quint16 entry[256];
    constexpr CrcTable()
        : entry()
    {
        for (int byte = 0; byte < 256; ++byte) {
            quint16 crc = quint16(byte);
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
            entry[byte] = crc;
        }
    }
};

constexpr CrcTable crcTable;

quint16 crcStep(quint16 crc, quint8 byte)
{
    return quint16((crc >> 8) ^ crcTable.entry[(crc ^ byte) & 0xFF]);
}

} // namespace

QList<QByteArray> FwStreamFramer::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    return cut(false);
}

QList<QByteArray> FwStreamFramer::takeRest()
{
    QList<QByteArray> pieces = cut(true);
    m_buffer.clear();
    m_start = 0;
    resetScan();
    return pieces;
}

QList<QByteArray> FwStreamFramer::cut(bool atEnd)
{
    QList<QByteArray> pieces;
    while (m_start < m_buffer.size()) {
        const int n = completeLength(atEnd);
        if (n == 0)
            break;
        pieces << m_buffer.mid(m_start, n);
        m_start += n;
        resetScan();
    }
    // Dropped in one go, not per piece: many small packets in one read cost no more.
    m_buffer.remove(0, m_start);
    m_start = 0;
    return pieces;
}

void FwStreamFramer::resetScan()
{
    m_crc = 0xFFFF;
    m_crcBytes = 0;
    m_checkedLength = 0;
}

int FwStreamFramer::nextMagic(int from) const
{
    const int size = m_buffer.size() - m_start;
    const char *p = m_buffer.constData() + m_start;
    for (int i = from; i < size; ++i) {
        if (p[i] != 'F')
            continue;
        if (i + 1 == size || p[i + 1] == 'W')
            return i;
    }
    return -1;
}

int FwStreamFramer::completeLength(bool atEnd)
{
    const int size = m_buffer.size() - m_start;
    const auto *b = reinterpret_cast<const quint8 *>(m_buffer.constData()) + m_start;
    // Text runs up to the next packet; a last 'F' may still become one.
    if (b[0] != 'F' || (size >= 2 && b[1] != 'W')) {
        const int magic = nextMagic(1);
        if (magic < 0 || (atEnd && magic + 1 == size))
            return size;
        return magic;
    }
    if (size < 3)
        return atEnd ? size : 0;
    const quint8 code = b[2];
    int fixed = 0;
    if (code >= 0x81 && code <= 0x84)
        fixed = 7;
    else if (code == 0x8F)
        fixed = 6;
    if (fixed) {
        if (size >= fixed)
            return fixed;
        return atEnd ? size : 0;
    }
    // Every FW packet holds at least the magic, the code and the CRC. Each prefix of length n
    // ends with the CRC of its first n - 2 bytes, which is carried on from the last read.
    const int last = qMin(size, longestPacketBytes);
    for (int n = qMax(m_checkedLength + 1, 5); n <= last; ++n) {
        while (m_crcBytes < n - 2)
            m_crc = crcStep(m_crc, b[m_crcBytes++]);
        m_checkedLength = n;
        if (m_crc == quint16(b[n - 2] | (b[n - 1] << 8)))
            return n;
    }
    // No end within the longest packet, or none before the line went quiet: what comes before
    // the next packet is no packet.
    if (size > longestPacketBytes || atEnd) {
        const int magic = nextMagic(2);
        return magic > 0 && (magic + 1 < size || !atEnd) ? magic : size;
    }
    return 0;
}
