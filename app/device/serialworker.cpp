#include "serialworker.h"

namespace {

// How long a write may take to leave the port before it counts as failed.
const int writeTimeoutMs = 1000;

struct LinkFields
{
    QString portName;
    int baudRate = 0;
    int dataBits = 0;
    int stopBits = 0;
    QString parity;
};

// Interim cutter of "port,baud,databits,stopbits,parity": a short string reuses its last field.
LinkFields cutLink(const QString &text)
{
    QString rest = text;
    QString fields[4];
    for (QString &field : fields) {
        const int comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0) {
            field = rest;
            continue;
        }
        field = rest.left(comma);
        rest = rest.mid(comma + 1);
    }
    LinkFields link;
    link.portName = fields[0];
    link.baudRate = fields[1].toInt();
    link.dataBits = fields[2].toInt();
    link.stopBits = fields[3].toInt();
    link.parity = rest.section(QLatin1Char(','), 0, 0);
    return link;
}

} // namespace

SerialWorker::SerialWorker(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialWorker::handleError,
            Qt::QueuedConnection);
    connect(m_port, &QSerialPort::readyRead, this, &SerialWorker::handleReadyRead);
}

SerialWorker::~SerialWorker()
{
    // Closing here must not call back into a half-destroyed worker.
    disconnect(m_port, nullptr, this, nullptr);
    if (m_port->isOpen())
        m_port->close();
}

int SerialWorker::openSerialPort(QString linkpar)
{
    QString failure;
    int result;
    {
        QMutexLocker lock(&m_mutex);
        result = openLocked(linkpar, &failure);
    }
    if (result == Opened)
        emit portOpened();
    else if (result == OpenFailed)
        emit errorOccurred(QStringLiteral("Failed to open port: %1").arg(failure));
    return result;
}

int SerialWorker::openLocked(const QString &linkpar, QString *failure)
{
    if (m_port->isOpen())
        m_port->close();
    if (!linkpar.contains(QLatin1Char(',')))
        return NoSerialLink;
    const LinkFields link = cutLink(linkpar);
    if (link.portName.isEmpty() || link.baudRate == 0 || link.dataBits == 0 || link.stopBits == 0)
        return BadParameters;
    m_port->setPortName(link.portName);
    m_port->setBaudRate(link.baudRate, QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::DataBits(link.dataBits));
    m_port->setStopBits(QSerialPort::StopBits(link.stopBits));
    if (link.parity.contains(QLatin1Char('N'), Qt::CaseInsensitive))
        m_port->setParity(QSerialPort::NoParity);
    else if (link.parity.contains(QLatin1Char('E'), Qt::CaseInsensitive))
        m_port->setParity(QSerialPort::EvenParity);
    else if (link.parity.contains(QLatin1Char('O'), Qt::CaseInsensitive))
        m_port->setParity(QSerialPort::OddParity);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        *failure = m_port->errorString();
        return OpenFailed;
    }
    return Opened;
}

void SerialWorker::closeSerialPort()
{
    bool closed = false;
    {
        QMutexLocker lock(&m_mutex);
        if (m_port->isOpen()) {
            m_port->close();
            closed = true;
        }
    }
    if (closed)
        emit portClosed();
}

void SerialWorker::writeData(QByteArray data)
{
    QString error;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_port->isOpen())
            return;
        if (m_port->write(data) < 0)
            error = QStringLiteral("Write error: %1").arg(m_port->errorString());
        else if (!m_port->waitForBytesWritten(writeTimeoutMs))
            error = QStringLiteral("Write timeout");
    }
    if (!error.isEmpty())
        emit errorOccurred(error);
}

void SerialWorker::processData()
{
    if (m_buffer.isEmpty())
        return;
    const QByteArray data = m_buffer;
    m_buffer.clear();
    emit dataReceived(data);
}

void SerialWorker::handleReadyRead()
{
    QByteArray data;
    {
        QMutexLocker lock(&m_mutex);
        if (m_port->isOpen())
            m_buffer.append(m_port->readAll());
        data = m_buffer;
        m_buffer.clear();
    }
    if (!data.isEmpty())
        emit dataReceived(data);
}

void SerialWorker::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError)
        return;
    QString text;
    {
        QMutexLocker lock(&m_mutex);
        text = QStringLiteral("Serial error: %1").arg(m_port->errorString());
        if (error == QSerialPort::ResourceError && m_port->isOpen())
            m_port->close();
    }
    emit errorOccurred(text);
}
