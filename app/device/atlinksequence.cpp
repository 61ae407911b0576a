#include "atlinksequence.h"

#include "devicelog.h"

#include <QDeadlineTimer>
#include <QStringList>

namespace {
const QString lineEnd = QStringLiteral("\r\n");
const QString scanQuery = QStringLiteral("AT+SCAN?\r\n");
} // namespace

AtLinkSequence::AtLinkSequence(Exchange exchange, Write write, ReadMore readMore)
    : m_exchange(std::move(exchange))
    , m_write(std::move(write))
    , m_readMore(std::move(readMore))
{
}

void AtLinkSequence::start()
{
    m_atState = 0;
    recSol(QString());
}

QString AtLinkSequence::replyText(const QByteArray &reply)
{
    // The module's text ends at the first zero byte.
    return QString::fromUtf8(reply.constData());
}

int AtLinkSequence::replyBytes(const QByteArray &received)
{
    return received.endsWith("\r\n") ? int(received.size()) : 0;
}

void AtLinkSequence::send(int nextStep, const QString &command)
{
    m_atState = nextStep;
    recSol(replyText(m_exchange(command, replyTimeoutMs)));
}

void AtLinkSequence::recSol(const QString &messages)
{
    switch (m_atState) {
    case 0:
        send(1, QStringLiteral("AT\r\n"));
        break;
    case 1:
        if (messages == QLatin1String("+OK\r\n"))
            send(2, QStringLiteral("AT+ROLE?\r\n"));
        break;
    case 2:
        // The module spells its role answer this way.
        if (messages == QLatin1String("+RLOE=1\r\n"))
            send(4, scanQuery);
        else
            send(3, QStringLiteral("AT+ROLE=1\r\n"));
        break;
    case 3:
        // Setting the role is answered without a line end.
        if (messages == QLatin1String("+OK"))
            send(4, scanQuery);
        break;
    case 4:
        if (messages.trimmed().startsWith(QLatin1String("+SCAN"))) {
            m_atBuffer.clear();
            send(5, QStringLiteral("AT+SCAN=1,20,1\r\n"));
        }
        break;
    case 5:
        m_atBuffer += messages;
        readScanList();
        if (!m_atBuffer.endsWith(lineEnd))
            break;
        connectToPeer();
        m_atBuffer.clear();
        break;
    case 6:
        m_atBuffer += messages;
        if (m_atBuffer == QLatin1String("+OK\r\n")
            || m_atBuffer.contains(QLatin1String("CONNECTED"))) {
            m_atBuffer.clear();
            send(7, QStringLiteral("AT+SCAN=0,20,1\r\n"));
            qCDebug(lcDevice) << "Successful!!!!!!";
        }
        break;
    default:
        break;
    }
}

void AtLinkSequence::readScanList()
{
    // The list may come in pieces while the module scans; it is whole when it ends a line.
    const QDeadlineTimer scan(scanLengthMs);
    while (!m_atBuffer.endsWith(lineEnd) && !scan.hasExpired()) {
        const QByteArray more
            = m_readMore(int(qMin<qint64>(scanSilenceMs, qMax<qint64>(1, scan.remainingTime()))));
        if (more.isEmpty())
            break;
        m_atBuffer += replyText(more);
    }
}

void AtLinkSequence::connectToPeer()
{
    // One device per line: the address is the second field, the name the fourth and last.
    const QString peerField = m_peerName + lineEnd;
    int from = 0;
    while (from < m_atBuffer.size()) {
        const int end = m_atBuffer.indexOf(lineEnd, from) + lineEnd.size();
        const QStringList fields = m_atBuffer.mid(from, end - from).split(QLatin1Char(' '));
        from = end;
        qCDebug(lcDevice) << fields.size();
        if (fields.size() < 4 || fields.at(3) != peerField)
            continue;
        const QString command = QStringLiteral("AT+CONNECT=,") + fields.at(1) + lineEnd;
        // The module is sent the connect twice: once directly, once in the exchange whose
        // answer the next step judges.
        m_write(command.toUtf8());
        m_atBuffer.clear();
        send(6, command);
        return;
    }
}
