#include "devicelink.h"

#include "devicelog.h"

#include <QDeadlineTimer>

Q_LOGGING_CATEGORY(lcDevice, "morvelin.device", QtInfoMsg)

namespace {

// A field that is not a whole decimal number counts as 0, which the open then refuses.
int wholeNumber(const QString &field)
{
    bool ok = false;
    const int v = field.toInt(&ok, 10);
    return ok ? v : 0;
}

} // namespace

int DeviceLink::lineTimeMs(qint64 bytes, qint32 baudRate, QSerialPort::DataBits dataBits,
                           QSerialPort::Parity parity, QSerialPort::StopBits stopBits)
{
    if (bytes <= 0 || baudRate <= 0)
        return 0;
    // In half bits, so that one and a half stop bits stay whole.
    const qint64 data = dataBits >= QSerialPort::Data5 && dataBits <= QSerialPort::Data8
                            ? dataBits
                            : QSerialPort::Data8;
    const qint64 parityBits
        = parity == QSerialPort::NoParity || parity == QSerialPort::UnknownParity ? 0 : 1;
    const qint64 stopHalves = stopBits == QSerialPort::TwoStop          ? 4
                              : stopBits == QSerialPort::OneAndHalfStop ? 3
                                                                        : 2;
    const qint64 halves = bytes * (2 * (1 + data + parityBits) + stopHalves);
    const qint64 perMs = 2 * qint64(baudRate);
    return int((halves * 1000 + perMs - 1) / perMs);
}

DeviceLinkSettings parseDeviceLink(const QString &link)
{
    DeviceLinkSettings s;
    if (link.isEmpty())
        return s;
    if (!link.contains(QLatin1Char(','))) {
        s.status = DeviceLinkSettings::NoComma;
        return s;
    }
    // Four fields from the front; once no comma is left the remainder is every further field.
    QString rest = link;
    QString fields[4];
    for (QString &field : fields) {
        const int comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0) {
            field = rest;
        } else {
            field = rest.left(comma);
            rest = rest.mid(comma + 1);
        }
    }
    const int comma = rest.indexOf(QLatin1Char(','));
    const QString parity = comma < 0 ? rest : rest.left(comma);

    s.portName = fields[0];
    s.baudRate = wholeNumber(fields[1]);
    s.dataBits = wholeNumber(fields[2]);
    s.stopBits = wholeNumber(fields[3]);
    if (parity.contains(QLatin1Char('N'), Qt::CaseInsensitive)) {
        s.hasParity = true;
        s.parity = QSerialPort::NoParity;
    } else if (parity.contains(QLatin1Char('E'), Qt::CaseInsensitive)) {
        s.hasParity = true;
        s.parity = QSerialPort::EvenParity;
    } else if (parity.contains(QLatin1Char('O'), Qt::CaseInsensitive)) {
        s.hasParity = true;
        s.parity = QSerialPort::OddParity;
    }
    const bool usable
        = !s.portName.isEmpty() && s.baudRate != 0 && s.dataBits != 0 && s.stopBits != 0;
    s.status = usable ? DeviceLinkSettings::Ok : DeviceLinkSettings::Invalid;
    return s;
}

DeviceLink::DeviceLink(QSerialPort *port)
    : m_port(port)
{
    if (m_port) {
        m_errorConnection
            = QObject::connect(m_port, &QSerialPort::errorOccurred, m_port,
                               [this](QSerialPort::SerialPortError error) { onPortError(error); });
    }
}

DeviceLink::~DeviceLink()
{
    QObject::disconnect(m_errorConnection);
}

void DeviceLink::onPortError(QSerialPort::SerialPortError error)
{
    // Qt reports a read error only when a line that signalled data gave none: a hung-up line
    // does so at once, again and again, for as long as the port stays open.
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!m_port->isOpen())
        return;
    // The error text of a hung-up line is often a stale one; it goes to the log only.
    qCDebug(lcDevice) << "serial line gone:" << m_port->portName() << error
                      << m_port->errorString();
    m_port->close();
    if (m_lossHandler)
        m_lossHandler();
}

bool DeviceLink::isOpen() const
{
    return m_port && m_port->isOpen();
}

bool DeviceLink::open(const DeviceLinkSettings &settings)
{
    if (!m_port || settings.status != DeviceLinkSettings::Ok)
        return false;
    if (m_port->isOpen()) {
        m_port->clear(QSerialPort::AllDirections);
        m_port->close();
    }
    m_port->setPortName(settings.portName);
    m_port->setBaudRate(settings.baudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::DataBits(settings.dataBits));
    m_port->setStopBits(QSerialPort::StopBits(settings.stopBits));
    if (settings.hasParity)
        m_port->setParity(settings.parity);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_lineClear = QDeadlineTimer(0);
    return m_port->open(QIODevice::ReadWrite);
}

void DeviceLink::close()
{
    if (m_port)
        m_port->close();
    m_lineClear = QDeadlineTimer(0);
}

int DeviceLink::sendingMs() const
{
    return int(m_lineClear.remainingTime());
}

bool DeviceLink::write(const QByteArray &packet)
{
    if (!isOpen())
        return false;
    if (m_port->write(packet) != packet.size()) {
        qCDebug(lcDevice) << "Failed to write data to serial port.";
        m_port->close();
        return false;
    }
    // Out now rather than at the next wait, which may not come before the reader needs it.
    m_port->flush();
    // The bytes queue behind what is still going out.
    const int onLine = lineTimeMs(packet.size(), m_port->baudRate(QSerialPort::Output),
                                  m_port->dataBits(), m_port->parity(), m_port->stopBits());
    m_lineClear = QDeadlineTimer(sendingMs() + onLine, Qt::PreciseTimer);
    return true;
}

QByteArray DeviceLink::readMore(int timeoutMs)
{
    if (!isOpen() || !waitForBytes(timeoutMs))
        return {};
    return m_port->readAll();
}

int DeviceLink::dropUntilSilence(int silenceMs)
{
    int dropped = 0;
    while (isOpen() && waitForBytes(silenceMs))
        dropped += int(m_port->readAll().size());
    if (dropped > 0)
        qCDebug(lcDevice) << "dropped" << dropped << "bytes of an ignored reply";
    return dropped;
}

void DeviceLink::dropWaitingInput()
{
    // What the port's buffer holds is counted for the log; what the line still holds goes too.
    const QByteArray stale = m_port->readAll();
    m_port->clear(QSerialPort::Input);
    if (!stale.isEmpty())
        qCDebug(lcDevice) << "dropped before the request:" << stale.toHex(' ');
}

bool DeviceLink::sendRequest(const QByteArray &frame)
{
    if (!isOpen())
        return false;
    dropWaitingInput();
    return write(frame);
}

bool DeviceLink::waitForBytes(int timeoutMs)
{
    // No answer can come before the request has arrived.
    const QDeadlineTimer deadline(qMax(0, timeoutMs) + sendingMs());
    while (isOpen()) {
        if (m_waitHook)
            m_waitHook();
        // The hook may have run the event loop, which reads the line too (or closed it).
        if (!isOpen())
            return false;
        if (m_port->bytesAvailable() > 0) {
            farEndAnswered();
            return true;
        }
        // The line is asked at least once, even when the time is up.
        const qint64 left = qMax<qint64>(0, deadline.remainingTime());
        const int slice = m_waitHook ? int(qMin<qint64>(left, waitSliceMs)) : int(left);
        if (m_port->waitForReadyRead(slice)) {
            farEndAnswered();
            return true;
        }
        if (deadline.hasExpired()) {
            if (!isOpen() || m_port->bytesAvailable() == 0)
                return false;
            farEndAnswered();
            return true;
        }
    }
    return false;
}

int DeviceLink::exchange(const QByteArray &frame, QByteArray *reply, int timeoutMs,
                         const ReplyLength &replyLength, int pieceTimeoutMs)
{
    if (!sendRequest(frame))
        return -1;
    const int pieceMs = pieceTimeoutMs < 0 ? timeoutMs : pieceTimeoutMs;
    QByteArray received;
    while (true) {
        if (!waitForBytes(received.isEmpty() ? timeoutMs : pieceMs)) {
            if (received.isEmpty())
                return -1;
            break;
        }
        received.append(m_port->readAll());
        if (received.isEmpty()) {
            qCDebug(lcDevice) << "waitForReadyRead data ";
            continue;
        }
        const int needed = replyLength ? replyLength(received) : 0;
        if (needed > 0 && received.size() >= needed)
            break;
    }
    *reply = received;
    return 0;
}

