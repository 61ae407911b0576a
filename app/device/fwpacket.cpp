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

QList<QByteArray> FwStreamFramer::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    QList<QByteArray> pieces;
    while (!m_buffer.isEmpty()) {
        const int n = completeLength();
        if (n == 0)
            break;
        pieces << m_buffer.left(n);
        m_buffer.remove(0, n);
    }
    return pieces;
}

QByteArray FwStreamFramer::takeRest()
{
    QByteArray rest;
    rest.swap(m_buffer);
    return rest;
}

int FwStreamFramer::completeLength() const
{
    const int size = m_buffer.size();
    // A lone 'F' may still become a packet.
    if (size == 1 && m_buffer.at(0) == 'F')
        return 0;
    if (!startsWithMagic(m_buffer))
        return size;
    if (size < 3)
        return 0;
    const quint8 code = quint8(m_buffer.at(2));
    int fixed = 0;
    if (code >= 0x81 && code <= 0x84)
        fixed = 7;
    else if (code == 0x8F)
        fixed = 6;
    if (fixed)
        return size >= fixed ? fixed : 0;
    // Every FW packet holds at least the magic, the code and the CRC.
    for (int n = 5; n <= size; ++n) {
        if (crcMatches(m_buffer, n))
            return n;
    }
    return 0;
}
