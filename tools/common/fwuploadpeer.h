#pragma once

// The controller's side of the FW packets, shared by the simulators that take them: where the
// packet at the front of a stream ends, and what a controller taking an APP or OS image answers.
// After a start packet it asks for index 0, after block k for index k (the one past the end
// completes the image, which then goes to the dump file); the version request gets the version
// reply, reboots get nothing, and a packet with a wrong CRC gets error report -1.
#include "fwpacket.h"

#include <QByteArray>
#include <QFile>
#include <QString>

class FwUploadPeer
{
public:
    FwUploadPeer(const QByteArray &versionText, const QString &dumpPath)
        : m_versionText(versionText)
        , m_dumpPath(dumpPath)
    {
    }

    // Length of the packet at the front of b, which starts with 'F': 0 while it is unfinished,
    // -1 when the next byte is no 'W'. A packet of no known length ends at its first CRC-valid
    // prefix.
    int packetLength(const QByteArray &b) const
    {
        if (b.size() < 3)
            return b.size() == 2 && b.at(1) != 'W' ? -1 : 0;
        switch (at(b, 2)) {
        case 0x01:
        case 0x03:
            return 10;
        case 0x06:
        case 0x07:
            return 7;
        case 0x08:
            return 5;
        case 0x02:
        case 0x04: {
            if (b.size() < 5)
                return 0;
            const int image = at(b, 2) == 0x02 ? 0 : 1;
            const int block = at(b, 3) | at(b, 4) << 8;
            const qint64 left = m_size[image] - qint64(block - 1) * FwPacket::blockBytes;
            if (left > 0)
                return 7 + int(qMin<qint64>(FwPacket::blockBytes, left));
            break;
        }
        default:
            break;
        }
        for (int n = 5; n <= b.size(); ++n) {
            if (crcValid(b.left(n)))
                return n;
        }
        return 0;
    }

    // The reply to a whole packet; indexShift moves the index asked for after a block (-1: the
    // same block again, as a controller that lost it; 1: one skipped).
    QByteArray answer(const QByteArray &packet, int indexShift = 0)
    {
        if (!crcValid(packet))
            return FwPacket::build(0x8F, QByteArray(1, char(-1)));
        const quint8 code = at(packet, 2);
        const int image = (code == 0x01 || code == 0x02) ? 0 : 1;
        const quint8 requestCode = image == 0 ? 0x81 : 0x83;
        const auto blockRequest = [requestCode](int index) {
            QByteArray f;
            f.append(char(index & 0xFF));
            f.append(char(index >> 8));
            return FwPacket::build(requestCode, f);
        };
        switch (code) {
        case 0x01:
        case 0x03:
            m_size[image] = at(packet, 5) | at(packet, 6) << 8 | at(packet, 7) << 16;
            m_image[image].clear();
            return blockRequest(0);
        case 0x02:
        case 0x04: {
            const int block = at(packet, 3) | at(packet, 4) << 8;
            const QByteArray data = packet.mid(5, packet.size() - 7);
            const int offset = (block - 1) * FwPacket::blockBytes;
            if (m_image[image].size() < offset + data.size())
                m_image[image].resize(offset + data.size());
            m_image[image].replace(offset, data.size(), data);
            if (qint64(block) * FwPacket::blockBytes >= m_size[image] && !m_dumpPath.isEmpty()) {
                QFile dump(m_dumpPath);
                if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    dump.write(m_image[image]);
            }
            return blockRequest(block + indexShift);
        }
        case 0x08:
            return versionReply();
        default:
            // Reboots are carried out without a word.
            return QByteArray();
        }
    }

    QByteArray versionReply() const { return FwPacket::build(0x88, m_versionText); }

private:
    static quint8 at(const QByteArray &b, int i)
    {
        return i >= 0 && i < b.size() ? quint8(b.at(i)) : 0;
    }
    static bool crcValid(const QByteArray &p)
    {
        return p.size() >= 5
               && calcCrc16(p.left(p.size() - 2))
                      == quint16(at(p, p.size() - 2) | at(p, p.size() - 1) << 8);
    }

    QByteArray m_versionText;
    QString m_dumpPath;
    qint64 m_size[2] = {0, 0}; // announced size of the APP and the OS image
    QByteArray m_image[2];
};
