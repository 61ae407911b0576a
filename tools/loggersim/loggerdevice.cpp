#include "loggerdevice.h"

#include "fwpacket.h"
#include "loggerimagedownload.h"

#include <QFile>
#include <QRegularExpression>
#include <QSerialPort>

namespace {

// An unfinished request is dropped after this much silence, so that one lost byte does not
// shift every later request.
constexpr int resyncMs = 1000;

quint8 at(const QByteArray &b, int i)
{
    return i >= 0 && i < b.size() ? quint8(b.at(i)) : 0;
}

// Offsets and lengths of the download frames: bits 23..16, 7..0, 15..8.
int address(const QByteArray &b, int i)
{
    return at(b, i) << 16 | at(b, i + 1) | at(b, i + 2) << 8;
}

void appendLe32(QByteArray *b, quint32 v)
{
    for (int shift = 0; shift < 32; shift += 8)
        b->append(char((v >> shift) & 0xFF));
}

} // namespace

bool LoggerFault::parse(const QString &text, LoggerFault *fault)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\w+)(?:=(-?\\d+))?(?:@(\\d+)(?:-(\\d+))?|%(\\d+))$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    static const QMap<QString, Kind> kinds = {
        {QStringLiteral("silence"), Silence},
        {QStringLiteral("short"), Short},
        {QStringLiteral("split"), Split},
        {QStringLiteral("crc"), Crc},
        {QStringLiteral("overcount"), OverCount},
        {QStringLiteral("result"), Result},
        {QStringLiteral("status"), Status},
        {QStringLiteral("extra"), Extra},
        {QStringLiteral("repeat"), Repeat},
        {QStringLiteral("skip"), Skip},
        {QStringLiteral("pair"), Pair},
        {QStringLiteral("late"), Late},
        {QStringLiteral("cut"), Cut},
    };
    if (!kinds.contains(m.captured(1)))
        return false;
    fault->kind = kinds.value(m.captured(1));
    fault->value = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    if (!m.captured(5).isEmpty()) {
        fault->every = m.captured(5).toInt();
    } else {
        fault->first = m.captured(3).toInt();
        fault->last = m.captured(4).isEmpty() ? fault->first : m.captured(4).toInt();
    }
    return true;
}

LoggerDevice::LoggerDevice(QSerialPort *port, LoggerOptions options)
    : m_port(port)
    , m_options(std::move(options))
    , m_fw(QByteArray("loggersim 1.0", 14), m_options.fwDumpPath)
    , m_outbox([this](const QByteArray &bytes, int) {
        m_port->write(bytes);
        m_port->flush();
    })
{
    if (!m_options.logPath.isEmpty())
        m_log.open(m_options.logPath);
    m_resync.setSingleShot(true);
    m_resync.setInterval(resyncMs);
    connect(&m_resync, &QTimer::timeout, this, [this] {
        log(QStringLiteral("partial ") + QString::fromLatin1(m_buffer.toHex()));
        m_buffer.clear();
    });
    connect(m_port, &QSerialPort::readyRead, this, &LoggerDevice::onReadyRead);
}

void LoggerDevice::log(const QString &line)
{
    m_log.line(line);
}

const LoggerFault *LoggerDevice::fault(LoggerFault::Kind kind) const
{
    for (const LoggerFault &f : m_options.faults) {
        if (f.kind == kind && f.applies(m_request))
            return &f;
    }
    return nullptr;
}

void LoggerDevice::onReadyRead()
{
    m_buffer.append(m_port->readAll());
    while (!m_buffer.isEmpty()) {
        const int n = requestLength();
        if (n < 0) {
            log(QStringLiteral("unknown ") + QString::fromLatin1(m_buffer.toHex()));
            m_buffer.clear();
            break;
        }
        if (n == 0 || n > m_buffer.size())
            break;
        const QByteArray request = m_buffer.left(n);
        m_buffer.remove(0, n);
        handle(request);
    }
    if (m_buffer.isEmpty())
        m_resync.stop();
    else
        m_resync.start();
}

int LoggerDevice::requestLength() const
{
    const QByteArray &b = m_buffer;
    switch (at(b, 0)) {
    case 0x07:
        return b.size() < 2 ? 0 : (at(b, 1) == 0x01 ? 7 : -1);
    case 0x30:
    case 0x06:
        return 12;
    case 0x01:
        return 11;
    case 0x02:
        return b.size() < 11 ? 0 : 11 + address(b, 8);
    case 'F':
        return m_fw.packetLength(b);
    default:
        return -1;
    }
}

void LoggerDevice::handle(const QByteArray &request)
{
    ++m_request;
    QString kind;
    QByteArray reply = answer(request, &kind);
    log(QStringLiteral("%1 %2 %3").arg(m_request).arg(kind, QString::fromLatin1(request.toHex())));
    if (reply.isEmpty() || fault(LoggerFault::Silence))
        return;
    if (fault(LoggerFault::Crc)) {
        const int i = kind == QLatin1String("records") && reply.size() >= 23 ? reply.size() - 4
                      : kind == QLatin1String("fw")                          ? reply.size() - 2
                                                                             : reply.size() - 1;
        reply[i] = char(reply.at(i) ^ 0x5A);
    }
    if (const LoggerFault *f = fault(LoggerFault::Short))
        reply.chop(f->value);
    if (const LoggerFault *f = fault(LoggerFault::Cut))
        reply.truncate(f->value);
    if (const LoggerFault *f = fault(LoggerFault::Extra))
        reply.append(QByteArray(f->value, char(0xEE)));
    // Two packets in one write: the reply and a version reply.
    if (fault(LoggerFault::Pair))
        reply.append(m_fw.versionReply());
    log(QStringLiteral("reply %1 %2").arg(m_request).arg(QString::fromLatin1(reply.toHex())));
    const LoggerFault *late = fault(LoggerFault::Late);
    const int lateMs = (late ? late->value : 0) + lineMs(request.size());
    if (const LoggerFault *f = fault(LoggerFault::Split)) {
        send(reply.left(f->value), lateMs);
        send(reply.mid(f->value), m_options.splitMs);
    } else {
        send(reply, lateMs);
    }
}

QByteArray LoggerDevice::answer(const QByteArray &request, QString *kind)
{
    const LoggerFault *result = fault(LoggerFault::Result);
    const int code = result ? result->value : 0;
    switch (at(request, 0)) {
    case 0x07:
        if (at(request, 2) == 0x02) {
            *kind = QStringLiteral("clearflash");
            return QByteArray::fromHex("0701") + char(code);
        }
        *kind = QStringLiteral("records");
        return recordsReply(at(request, 3) | at(request, 4) << 8 | at(request, 5) << 16
                                | quint32(at(request, 6)) << 24,
                            fault(LoggerFault::OverCount));
    case 0x30: {
        const bool crcOk = FwPacket::withCrc(request.left(10)) == request;
        *kind = QStringLiteral("clock %1-%2-%3 %4:%5:%6")
                    .arg(2000 + at(request, 2))
                    .arg(at(request, 3), 2, 10, QLatin1Char('0'))
                    .arg(at(request, 4), 2, 10, QLatin1Char('0'))
                    .arg(at(request, 5), 2, 10, QLatin1Char('0'))
                    .arg(at(request, 6), 2, 10, QLatin1Char('0'))
                    .arg(at(request, 7), 2, 10, QLatin1Char('0'));
        // A clock frame with a wrong CRC is refused with status 2.
        return QByteArray::fromHex("3001") + char(crcOk ? code : 2) + QByteArray(2, '\0');
    }
    case 0x02:
        *kind = QStringLiteral("write");
        return writeReply(request, code);
    case 0x01: {
        *kind = QStringLiteral("read");
        const LoggerFault *status = fault(LoggerFault::Status);
        return readReply(request, status ? status->value : -1);
    }
    case 0x06:
        *kind = QStringLiteral("command");
        return commandReply(request, code);
    default:
        *kind = QStringLiteral("fw");
        return fwReply(request);
    }
}

QByteArray LoggerDevice::recordsReply(quint32 index, bool overCount)
{
    if (index >= quint32(m_options.batches))
        return QByteArray::fromHex("0701000000");
    const int i = int(index);
    QByteArray r = QByteArray::fromHex("070100");
    appendLe32(&r, index + 1);
    r.append(char(i & 0xFF));
    r.append(char(0));
    appendLe32(&r, quint32(batchSeconds(i)));
    r.append(char(batchMillis(i) & 0xFF));
    r.append(char(batchMillis(i) >> 8));
    r.append(char(m_options.areaCode));
    r.append(char(m_options.firstAddress));
    // An over-count names one value more than the batch carries.
    r.append(char(m_options.values + (overCount ? 1 : 0)));
    r.append(char(0));
    for (int j = 0; j < m_options.values; ++j)
        appendLe32(&r, batchValue(i, j));
    const quint16 crc = calcCrc16(r.mid(7));
    r.append(char(crc & 0xFF));
    r.append(char(crc >> 8));
    r.append(QByteArray::fromHex("0d0a"));
    return r;
}

QByteArray LoggerDevice::writeReply(const QByteArray &request, int result)
{
    const int area = at(request, 4) - 1;
    const int offset = address(request, 5);
    const QByteArray data = request.mid(11, address(request, 8));
    QByteArray &memory = m_memory[area];
    if (memory.size() < offset + data.size())
        memory.append(QByteArray(offset + data.size() - memory.size(), '\0'));
    memory.replace(offset, data.size(), data);
    QByteArray r;
    r.append(char(0x02));
    r.append(request.at(1));
    r.append(QByteArray(2, '\0'));
    appendLe32(&r, quint32(result));
    return r;
}

QByteArray LoggerDevice::readReply(const QByteArray &request, int status)
{
    const int area = at(request, 4) - 1;
    const int offset = address(request, 5);
    const int length = address(request, 8);
    QByteArray data = m_memory.value(area).mid(offset, length);
    data = data.leftJustified(length, '\0');
    if (status >= 0 && !data.isEmpty())
        data[0] = char(status);
    return QByteArray::fromHex("01000000") + data;
}

QByteArray LoggerDevice::commandReply(const QByteArray &request, int result)
{
    QByteArray r = QByteArray::fromHex("0601040000000000");
    if (at(request, 2) == 0xFF)
        r[2] = char(0xFF);
    r[4] = char(result);
    dumpMemory();
    return r;
}

QByteArray LoggerDevice::fwReply(const QByteArray &request)
{
    // A controller that lost a block asks for it again, or one that miscounts skips one.
    return m_fw.answer(request, fault(LoggerFault::Repeat) ? -1 : fault(LoggerFault::Skip) ? 1 : 0);
}

void LoggerDevice::dumpMemory()
{
    if (m_options.dumpPath.isEmpty())
        return;
    QByteArray image;
    for (const LoggerImageDownload::Area &a : LoggerImageDownload::areas()) {
        if (a.size > 0)
            image.append(m_memory.value(a.number).leftJustified(a.size, '\0', true));
    }
    QFile dump(m_options.dumpPath);
    if (dump.open(QIODevice::WriteOnly | QIODevice::Truncate))
        dump.write(image);
}

int LoggerDevice::lineMs(qint64 bytes) const
{
    // 10 bits a byte: start, 8 data, stop.
    if (m_options.lineRate <= 0)
        return 0;
    return int((bytes * 10 * 1000 + m_options.lineRate - 1) / m_options.lineRate);
}

void LoggerDevice::send(const QByteArray &bytes, int delayMs)
{
    m_outbox.send(bytes, delayMs + lineMs(bytes.size()));
}
