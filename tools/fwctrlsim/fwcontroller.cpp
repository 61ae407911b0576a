#include "fwcontroller.h"

#include <QRegularExpression>

bool FwControllerFault::parse(const QString &text, FwControllerFault *fault)
{
    static const QRegularExpression re(
        QStringLiteral("^(late|stray|silence|crc)(?:=(\\d+))?@(\\d+)$"));
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

FwController::FwController(Writer writer, QList<FwControllerFault> faults, const QString &logPath,
                           const QString &fwDumpPath)
    : m_writer(std::move(writer))
    , m_faults(std::move(faults))
    , m_peer(QByteArray("fwctrlsim 1.0", 14), fwDumpPath)
    , m_outbox([this](const QByteArray &bytes, int request) {
        m_writer(bytes);
        m_log.line(
            QStringLiteral("reply %1 %2").arg(request).arg(QString::fromLatin1(bytes.toHex())));
    })
{
    if (!logPath.isEmpty())
        m_log.open(logPath);
}

const FwControllerFault *FwController::fault(FwControllerFault::Kind kind) const
{
    for (const FwControllerFault &f : m_faults) {
        if (f.kind == kind && f.request == m_request)
            return &f;
    }
    return nullptr;
}

void FwController::feed(const QByteArray &bytes)
{
    m_buffer.append(bytes);
    while (!m_buffer.isEmpty()) {
        const int n = m_buffer.at(0) == 'F' ? m_peer.packetLength(m_buffer) : -1;
        if (n < 0) {
            // Resynchronises on the next 'F'.
            const int next = m_buffer.indexOf('F', 1);
            m_log.line(
                QStringLiteral("unknown ")
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

void FwController::take(const QByteArray &payload)
{
    if (!payload.startsWith("FW")) {
        m_log.line(QStringLiteral("unknown ") + QString::fromLatin1(payload.toHex()));
        return;
    }
    handle(payload);
}

void FwController::handle(const QByteArray &packet)
{
    ++m_request;
    m_log.line(QStringLiteral("%1 fw %2").arg(m_request).arg(QString::fromLatin1(packet.toHex())));
    QByteArray reply = m_peer.answer(packet);
    if (reply.isEmpty() || fault(FwControllerFault::Silence))
        return;
    if (fault(FwControllerFault::Crc))
        reply[reply.size() - 1] = char(reply.at(reply.size() - 1) ^ 0x5A);
    if (const FwControllerFault *f = fault(FwControllerFault::Stray))
        reply.prepend(QByteArray(f->value, 'U'));
    const FwControllerFault *late = fault(FwControllerFault::Late);
    m_outbox.send(reply, late ? late->value : 0, m_request);
}
