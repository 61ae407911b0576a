#include "fwcontroller.h"

#include "fwpacket.h"

#include <QFile>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTimer>

namespace {

quint8 at(const QByteArray &b, int i)
{
    return i >= 0 && i < b.size() ? quint8(b.at(i)) : 0;
}

bool crcValid(const QByteArray &p)
{
    return p.size() >= 5
           && calcCrc16(p.left(p.size() - 2))
                  == quint16(at(p, p.size() - 2) | at(p, p.size() - 1) << 8);
}

} // namespace

bool FwControllerFault::parse(const QString &text, FwControllerFault *fault)
{
    static const QRegularExpression re(QStringLiteral("^(late|stray|silence|crc)(?:=(\\d+))?@(\\d+)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    const QString kind = m.captured(1);
    fault->kind = kind == QLatin1String("late")    ? Late
                  : kind == QLatin1String("stray") ? Stray
                  : kind == QLatin1String("crc")   ? Crc
                                                   : Silence;
    fault->value = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    fault->request = m.captured(3).toInt();
    return true;
}

FwController::FwController(QSerialPort *port, QList<FwControllerFault> faults,
                           const QString &logPath, const QString &fwDumpPath)
    : m_port(port)
    , m_faults(std::move(faults))
    , m_fwDumpPath(fwDumpPath)
{
    if (!logPath.isEmpty())
        m_log.open(logPath);
    connect(m_port, &QSerialPort::readyRead, this, &FwController::onReadyRead);
}

const FwControllerFault *FwController::fault(FwControllerFault::Kind kind) const
{
    for (const FwControllerFault &f : m_faults) {
        if (f.kind == kind && f.request == m_request)
            return &f;
    }
    return nullptr;
}

void FwController::onReadyRead()
{
    m_buffer.append(m_port->readAll());
    while (!m_buffer.isEmpty()) {
        const int n = packetLength();
        if (n < 0) {
            // Resynchronises on the next 'F'.
            const int next = m_buffer.indexOf('F', 1);
            m_log.line(QStringLiteral("unknown ")
                       + QString::fromLatin1(m_buffer.left(next < 0 ? m_buffer.size() : next).toHex()));
            m_buffer.remove(0, next < 0 ? m_buffer.size() : next);
            continue;
        }
        if (n == 0 || n > m_buffer.size())
            break;
        const QByteArray packet = m_buffer.left(n);
        m_buffer.remove(0, n);
        handle(packet);
    }
}

int FwController::packetLength() const
{
    const QByteArray &b = m_buffer;
    if (at(b, 0) != 'F' || (b.size() >= 2 && at(b, 1) != 'W'))
        return -1;
    if (b.size() < 3)
        return 0;
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
        const qint64 left = m_size[image] - qint64((at(b, 3) | at(b, 4) << 8) - 1) * 256;
        if (left > 0)
            return 7 + int(qMin<qint64>(256, left));
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

void FwController::handle(const QByteArray &packet)
{
    ++m_request;
    m_log.line(QStringLiteral("%1 fw %2").arg(m_request).arg(QString::fromLatin1(packet.toHex())));
    QByteArray reply = answer(packet);
    if (reply.isEmpty() || fault(FwControllerFault::Silence))
        return;
    if (fault(FwControllerFault::Crc))
        reply[reply.size() - 1] = char(reply.at(reply.size() - 1) ^ 0x5A);
    if (const FwControllerFault *f = fault(FwControllerFault::Stray))
        reply.prepend(QByteArray(f->value, 'U'));
    const FwControllerFault *late = fault(FwControllerFault::Late);
    send(reply, late ? late->value : 0, m_request);
}

QByteArray FwController::answer(const QByteArray &packet)
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
        const int offset = (block - 1) * 256;
        if (m_image[image].size() < offset + data.size())
            m_image[image].resize(offset + data.size());
        m_image[image].replace(offset, data.size(), data);
        if (qint64(block) * 256 >= m_size[image] && !m_fwDumpPath.isEmpty()) {
            QFile dump(m_fwDumpPath);
            if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
                dump.write(m_image[image]);
        }
        return blockRequest(block);
    }
    case 0x08:
        return FwPacket::build(0x88, QByteArray("fwctrlsim 1.0", 14));
    default:
        // Reboots are carried out without a word.
        return QByteArray();
    }
}

void FwController::send(const QByteArray &bytes, int delayMs, int request)
{
    m_outbox << Pending{bytes, delayMs, request};
    if (!m_waiting)
        sendNext();
}

// Replies go out in order; a late one holds back everything behind it. Each is logged when it
// is written, so that a test can wait for it.
void FwController::sendNext()
{
    while (!m_outbox.isEmpty()) {
        Pending &next = m_outbox.first();
        if (next.delayMs > 0) {
            m_waiting = true;
            const int delay = next.delayMs;
            next.delayMs = 0;
            QTimer::singleShot(delay, this, [this] {
                m_waiting = false;
                sendNext();
            });
            return;
        }
        const Pending sent = m_outbox.takeFirst();
        m_port->write(sent.bytes);
        m_port->flush();
        m_log.line(QStringLiteral("reply %1 %2").arg(sent.request).arg(QString::fromLatin1(sent.bytes.toHex())));
    }
}
