#include "simlink.h"

#include "vexmarareas.h"
#include "vexmarframes.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QSerialPort>
#include <QUdpSocket>

using namespace Vexmar;

bool SimFault::parse(const QString &text, SimFault *fault)
{
    static const QRegularExpression form(
        QStringLiteral("^(drop|late|twice|short|long|echo|lead|stale|repeat|tail)(?:=(\\d+))?"
                       "(?:([@%])(\\d+)|@(\\d+)-(\\d+))$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    static const QStringList kinds{"drop", "late", "twice", "short",  "long",
                                   "echo", "lead", "stale", "repeat", "tail"};
    static const int defaults[] = {0, 500, 0, 1, 4, 0, 4, 0, 110, 6};
    const int kind = kinds.indexOf(m.captured(1));
    fault->kind = Kind(kind);
    fault->argument = m.captured(2).isEmpty() ? defaults[kind] : m.captured(2).toInt();
    if (!m.captured(5).isEmpty()) {
        fault->number = m.captured(5).toInt();
        fault->last = m.captured(6).toInt();
        return fault->number >= 1 && fault->last >= fault->number;
    }
    fault->every = m.captured(3) == QLatin1String("%");
    fault->number = m.captured(4).toInt();
    fault->last = fault->number;
    return fault->number >= 1;
}

SimLink::SimLink(SimDevice *device, QList<SimFault> faults, QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_faults(std::move(faults))
{
    m_clock.start();
    m_pump.setTimerType(Qt::PreciseTimer);
    m_pump.setInterval(1);
    connect(&m_pump, &QTimer::timeout, this, &SimLink::pump);
    m_serialQuiet.setSingleShot(true);
    connect(&m_serialQuiet, &QTimer::timeout, this, [this] { takeSerialRequests(true); });
}

bool SimLink::openLog(const QString &path)
{
    return m_log.open(path);
}

void SimLink::logLine(const QString &line)
{
    m_log.line(line);
}

quint16 SimLink::listenUdp(quint16 port)
{
    m_udp = new QUdpSocket(this);
    if (!m_udp->bind(QHostAddress::LocalHost, port))
        return 0;
    connect(m_udp, &QUdpSocket::readyRead, this, &SimLink::onDatagrams);
    return m_udp->localPort();
}

bool SimLink::openSerial(const QString &path, int baud)
{
    m_serial = new QSerialPort(path, this);
    m_baud = qMax(1, baud);
    if (!m_serial->open(QIODevice::ReadWrite))
        return false;
    m_serial->setBaudRate(m_baud);
    connect(m_serial, &QSerialPort::readyRead, this, &SimLink::onSerialBytes);
    return true;
}

void SimLink::onDatagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_udp->receiveDatagram();
        handle(d.data(), d.senderAddress(), quint16(d.senderPort()));
    }
}

void SimLink::onSerialBytes()
{
    m_serialIn.append(m_serial->readAll());
    // A request ends when its header says so, or else at a pause of three characters.
    m_serialQuiet.start(qMax(2, 3 * 10 * 1000 / m_baud));
    takeSerialRequests(false);
}

void SimLink::takeSerialRequests(bool lineQuiet)
{
    while (!m_serialIn.isEmpty()) {
        const auto command = quint8(m_serialIn.at(0));
        int size = 0;
        if (command == CommandHandshake)
            size = 2;
        else if (command == CommandRead)
            size = requestHeaderBytes;
        else if (command == CommandWrite && m_serialIn.size() >= requestHeaderBytes)
            size = requestHeaderBytes + parseField24(m_serialIn, 8);
        if (size == 0 || m_serialIn.size() < size) {
            if (!lineQuiet)
                return;
            size = m_serialIn.size(); // what came before the pause is one request
        }
        handle(m_serialIn.left(size), {}, 0);
        m_serialIn.remove(0, size);
    }
}

void SimLink::handle(const QByteArray &request, const QHostAddress &address, quint16 port)
{
    const int n = ++m_requests;
    QString what;
    QByteArray reply = m_device->answer(request, &what);
    QStringList applied;
    const quint8 command = request.isEmpty() ? quint8(0) : quint8(request.at(0));
    const QByteArray clean = reply;
    m_echo = request.left(2);
    m_replyBytes = clean.size();
    int copies = reply.isEmpty() ? 0 : 1;
    int lateMs = 0;
    int staleGapMs = -1; // the earlier reply of the command goes first, this long before
    int repeatMs = -1;   // a second copy, this long after the first
    for (const SimFault &f : qAsConst(m_faults)) {
        if (!f.selects(n) || reply.isEmpty())
            continue;
        switch (f.kind) {
        case SimFault::Drop:
            copies = 0;
            applied << QStringLiteral("drop");
            break;
        case SimFault::Late:
            lateMs += f.argument;
            applied << QStringLiteral("late=%1").arg(f.argument);
            break;
        case SimFault::Twice:
            copies = 2;
            applied << QStringLiteral("twice");
            break;
        case SimFault::Short:
            reply.chop(qMin(f.argument, reply.size() - 2));
            applied << QStringLiteral("short=%1").arg(f.argument);
            break;
        case SimFault::Long:
            reply.append(QByteArray(f.argument, char(0xEE)));
            applied << QStringLiteral("long=%1").arg(f.argument);
            break;
        case SimFault::Echo:
            reply[1] = char(quint8(reply.at(1)) ^ 0x03);
            applied << QStringLiteral("echo");
            break;
        case SimFault::Lead:
            reply.prepend(QByteArray(f.argument, char(0xEE)));
            applied << QStringLiteral("lead=%1").arg(f.argument);
            break;
        case SimFault::Stale:
            if (m_lastReply.contains(command)) {
                staleGapMs = f.argument;
                applied << QStringLiteral("stale=%1").arg(f.argument);
            }
            break;
        case SimFault::Repeat:
            repeatMs = f.argument;
            applied << QStringLiteral("repeat=%1").arg(f.argument);
            break;
        case SimFault::Tail: {
            // The end of a bit-area reply: points 0 or 1, beginning 01 01 as a reply does.
            QByteArray tail;
            for (int i = 0; i < f.argument; ++i)
                tail.append(char(i % 3 == 2 ? 0 : 1));
            reply.prepend(tail);
            applied << QStringLiteral("tail=%1").arg(f.argument);
            break;
        }
        }
    }
    logLine(QStringLiteral("%1 %2 %3%4")
                .arg(n)
                .arg(what, QString::fromLatin1(request.toHex()),
                     applied.isEmpty() ? QString() : QLatin1Char(' ') + applied.join(' ')));
    const qint64 now = m_clock.elapsed();
    qint64 due = qMax(now, m_deviceFreeMs) + lateMs;
    if (copies > 0 && staleGapMs >= 0) {
        enqueue({due, m_lastReply.value(command), address, port, n});
        due += staleGapMs;
    }
    for (int i = 0; i < copies; ++i)
        enqueue({due, reply, address, port, n});
    // A repeated copy comes on its own: the replies after it do not wait for it.
    if (copies > 0 && repeatMs >= 0)
        enqueue({due + repeatMs, reply, address, port, n});
    if (copies > 0) {
        m_deviceFreeMs = due;
        m_lastReply.insert(command, clean);
    }
    pump();
}

void SimLink::enqueue(const Outgoing &out)
{
    int at = m_queue.size();
    const int first = m_pacingStartMs >= 0 ? 1 : 0;
    while (at > first && m_queue.at(at - 1).dueMs > out.dueMs)
        --at;
    m_queue.insert(at, out);
}

bool SimLink::looksLikeWholeReply(const QByteArray &pending) const
{
    if (m_echo.size() < 2 || m_replyBytes < 2)
        return false;
    const QByteArray line = m_lineTail + pending;
    const int start = line.size() - m_replyBytes;
    return start >= 0 && line.at(start) == m_echo.at(0) && line.at(start + 1) == m_echo.at(1);
}

void SimLink::pump()
{
    const qint64 now = m_clock.elapsed();
    QByteArray line; // serial: the bytes of this turn, written at once
    QStringList sent;
    while (!m_queue.isEmpty() && m_queue.first().dueMs <= now) {
        Outgoing &head = m_queue.first();
        if (m_udp) {
            m_udp->writeDatagram(head.bytes, head.address, head.port);
            logLine(QStringLiteral("reply %1 %2")
                        .arg(head.request)
                        .arg(QString::fromLatin1(head.bytes.toHex())));
            m_queue.removeFirst();
            continue;
        }
        // Serial: the bytes leave at the line's rate (start, 8 data and stop bit each).
        if (m_pacingStartMs < 0) {
            m_pacingStartMs = qMax(head.dueMs, now - 1);
            m_pacedBytes = 0;
        }
        const qint64 byClock = (now - m_pacingStartMs) * m_baud / 10 / 1000 + 1;
        // Never fewer than already sent: a byte sent early below puts the line ahead of the clock.
        int allowed = int(qBound<qint64>(m_pacedBytes, byClock, head.bytes.size()));
        // A real line sends bytes that follow one another without a pause; this process may be
        // held up by a busy machine between any two of them, and so may the pty relay behind
        // it. Held up where the bytes so far make what looks like the whole reply, the line
        // would hand a receiver earlier bytes as the reply: the next byte goes in the same
        // write, which nothing can hold up in the middle.
        while (allowed < head.bytes.size()
               && looksLikeWholeReply(line + head.bytes.mid(m_pacedBytes, allowed - m_pacedBytes)))
            ++allowed;
        if (allowed > m_pacedBytes) {
            line.append(head.bytes.mid(m_pacedBytes, allowed - m_pacedBytes));
            m_pacedBytes = allowed;
        }
        if (m_pacedBytes < head.bytes.size())
            break;
        m_deviceFreeMs = qMax(m_deviceFreeMs, now);
        sent << QStringLiteral("reply %1 %2")
                    .arg(head.request)
                    .arg(QString::fromLatin1(head.bytes.toHex()));
        m_queue.removeFirst();
        m_pacingStartMs = -1;
    }
    if (!line.isEmpty()) {
        m_serial->write(line);
        m_lineTail = (m_lineTail + line).right(maxFrameDataBytes + headerBytes);
    }
    // Logged once the bytes are on their way, so that a test reading the log finds them sent.
    for (const QString &l : qAsConst(sent))
        logLine(l);
    if (m_queue.isEmpty())
        m_pump.stop();
    else if (!m_pump.isActive())
        m_pump.start();
}
