#include "firmwareupload.h"

#include "devicelink.h"
#include "devicelog.h"
#include "fwpacket.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>

bool FirmwareUpload::readImage(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Failed to open file";
        return false;
    }
    const qint64 size = file.size();
    *bytes = file.readAll();
    // A file cut short or grown while it is read is no image to trust.
    if (bytes->size() != size || file.error() != QFileDevice::NoError) {
        qDebug() << "Failed to open file";
        bytes->clear();
        return false;
    }
    return true;
}

FirmwareStart FirmwareUpload::start(const QString &path, FirmwareChannel channel)
{
    FirmwareStart result;
    if (m_running) {
        result.outcome = FirmwareStart::Outcome::Running;
        result.size = m_size;
        return result;
    }
    QByteArray image;
    if (!readImage(path, &image))
        return result;
    result.size = image.size();
    if (m_kind == FirmwareImage::App && result.size <= appMinimumExclusiveBytes) {
        result.outcome = FirmwareStart::Outcome::TooSmall;
        return result;
    }
    if (m_kind == FirmwareImage::Os && result.size > osMaximumBytes) {
        result.outcome = FirmwareStart::Outcome::TooLarge;
        return result;
    }
    result.outcome = FirmwareStart::Outcome::Started;
    m_counter = 0;
    m_running = true;
    m_channel = channel;
    m_sentBytes = 0;
    m_path = path;
    m_size = result.size;
    m_image = image;
    m_hasImage = true;
    m_cutOff = false;
    return result;
}

FirmwareBlock FirmwareUpload::answer(int requestIndex, const QString &path)
{
    FirmwareBlock result;
    if (m_cutOff) {
        result.outcome = FirmwareBlock::Outcome::Ended;
        return result;
    }
    if (requestIndex != m_counter) {
        result.outcome = FirmwareBlock::Outcome::NotContiguous;
        return result;
    }
    if (!m_hasImage) {
        if (!readImage(path, &m_image))
            return result;
        m_hasImage = true;
        m_path = path;
        m_size = m_image.size();
    }
    result.size = m_size;
    result.offset = qint64(m_counter) * blockBytes;
    qDebug() << result.offset;
    if (result.offset >= result.size) {
        // The counter stays, so a repeated completion request completes again.
        result.outcome = FirmwareBlock::Outcome::Complete;
        m_running = false;
        return result;
    }
    result.data = m_image.mid(int(result.offset), int(blockBytes));
    ++m_counter;
    result.outcome = FirmwareBlock::Outcome::Block;
    result.number = quint16(m_counter);
    result.progress = result.offset + result.data.size();
    m_sentBytes = result.progress;
    return result;
}

FirmwareSerialExchange::FirmwareSerialExchange(DeviceLink *link, PacketHandler handler, Idle idle)
    : m_link(link)
    , m_handler(std::move(handler))
    , m_idle(std::move(idle))
{
}

bool FirmwareSerialExchange::open() const
{
    return m_link && m_link->isOpen();
}

bool FirmwareSerialExchange::answer(const QByteArray &packet, int replyWaitMs)
{
    m_waitMs = replyWaitMs;
    m_answered = true;
    return m_link->write(packet);
}

void FirmwareSerialExchange::handOver(const QList<QByteArray> &packets)
{
    for (const QByteArray &packet : packets) {
        if (m_stopped)
            return;
        m_handler(packet);
        if (!open())
            return;
    }
}

int FirmwareSerialExchange::run(const QByteArray &packet, int replyWaitMs)
{
    if (!open())
        return -1;
    QSerialPort *port = m_link->port();
    port->clearError();
    m_waitMs = replyWaitMs;
    m_lineFailed = false;
    m_stopped = false;
    // What a controller sent after the last dialogue ended belongs to no packet of this one.
    if (!m_link->sendRequest(packet))
        return -1;
    FwStreamFramer framer;
    QElapsedTimer silence;
    silence.start();
    QElapsedTimer sinceIdle;
    sinceIdle.start();
    while (open() && !m_stopped) {
        if (m_idle && sinceIdle.elapsed() >= idleIntervalMs) {
            m_idle();
            sinceIdle.restart();
            if (!open() || m_stopped)
                break;
        }
        const int left = m_waitMs - int(silence.elapsed());
        const int slice = qBound(1, left, idleIntervalMs);
        if (port->bytesAvailable() > 0 || port->waitForReadyRead(slice)) {
            const QByteArray bytes = port->readAll();
            if (!bytes.isEmpty()) {
                m_link->farEndAnswered();
                silence.restart();
                handOver(framer.feed(bytes));
                continue;
            }
        }
        // A line that has gone away answers every wait at once with an error.
        const QSerialPort::SerialPortError error = port->error();
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
            qCDebug(lcDevice) << "FW exchange ended by a line error:" << port->errorString();
            m_lineFailed = true;
            break;
        }
        // Silence counts once the last packet written has left the line.
        if (m_link->sendingMs() > 0)
            silence.restart();
        if (silence.elapsed() < m_waitMs)
            continue;
        // A packet cut short by the silence is still handed over, and the dialogue goes on if
        // the handler answered it.
        m_answered = false;
        handOver(framer.takeRest());
        if (!m_answered)
            break;
        silence.restart();
    }
    return 0;
}
