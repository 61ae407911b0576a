#include "serialworker.h"

#include "devicelink.h"

namespace {

// How long a write may take to leave the port before it counts as failed.
const int writeTimeoutMs = 1000;

} // namespace

SerialWorker::SerialWorker(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialWorker::handleError,
            Qt::QueuedConnection);
    // Queued as well: a write waits for its bytes with the mutex held, and the port reads and
    // announces what came in meanwhile from inside that wait.
    connect(m_port, &QSerialPort::readyRead, this, &SerialWorker::handleReadyRead,
            Qt::QueuedConnection);
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
    // Cut and applied as the device link does, so that both openers read a string alike.
    const DeviceLinkSettings link = parseDeviceLink(linkpar);
    if (link.status == DeviceLinkSettings::Empty || link.status == DeviceLinkSettings::NoComma)
        return NoSerialLink;
    if (link.status != DeviceLinkSettings::Ok)
        return BadParameters;
    if (!DeviceLink(m_port).open(link)) {
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
        // Reports queued before the port was closed belong to a line that is gone.
        if (!m_port->isOpen())
            return;
        text = QStringLiteral("Serial error: %1").arg(m_port->errorString());
        // A line that has gone away reads nothing for ever and would report so at every turn
        // of the event loop: the worker stops on it.
        if (error == QSerialPort::ResourceError
            || (error == QSerialPort::ReadError && m_port->bytesAvailable() == 0))
            m_port->close();
    }
    emit errorOccurred(text);
}
