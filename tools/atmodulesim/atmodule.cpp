#include "atmodule.h"

#include <QSerialPort>

namespace {
const QByteArray lineEnd("\r\n");
const QByteArray ok("+OK\r\n");
} // namespace

AtModule::AtModule(Settings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
{
    m_trickleTimer.setInterval(qMax(1, m_settings.trickleMs));
    connect(&m_trickleTimer, &QTimer::timeout, this, &AtModule::sendPiece);
}

bool AtModule::openLog(const QString &path)
{
    return m_log.open(path);
}

bool AtModule::openLine(const QString &path)
{
    m_line = new QSerialPort(path, this);
    if (!m_line->open(QIODevice::ReadWrite))
        return false;
    connect(m_line, &QSerialPort::readyRead, this, &AtModule::onLineBytes);
    return true;
}

bool AtModule::openPeerLine(const QString &path)
{
    m_peer = new QSerialPort(path, this);
    if (!m_peer->open(QIODevice::ReadWrite))
        return false;
    connect(m_peer, &QSerialPort::readyRead, this, &AtModule::onPeerBytes);
    return true;
}

void AtModule::onLineBytes()
{
    m_in.append(m_line->readAll());
    take();
}

void AtModule::onPeerBytes()
{
    const QByteArray bytes = m_peer->readAll();
    if (m_connected)
        m_line->write(bytes);
}

void AtModule::take()
{
    while (!m_in.isEmpty()) {
        // A command starts with "AT"; a lone "A" may be the start of one.
        if (m_in.startsWith("AT") || m_in == "A") {
            const int end = m_in.indexOf(lineEnd);
            if (end < 0)
                return;
            const QString command = QString::fromLatin1(m_in.left(end));
            m_in.remove(0, end + lineEnd.size());
            logLine(QStringLiteral("cmd ") + command);
            if (!m_settings.silent.contains(command))
                send(answer(command), command.startsWith(QLatin1String("AT+SCAN=1")));
            continue;
        }
        // Anything else is data for the device behind, up to the next command.
        int next = m_in.indexOf("AT", 1);
        if (next < 0)
            next = m_in.size();
        const QByteArray data = m_in.left(next);
        m_in.remove(0, next);
        if (m_connected && m_peer) {
            logLine(QStringLiteral("data ") + QString::fromLatin1(data.toHex()));
            m_peer->write(data);
        } else {
            logLine(QStringLiteral("dropped ") + QString::fromLatin1(data.toHex()));
        }
    }
}

QByteArray AtModule::answer(const QString &command)
{
    if (m_settings.answers.contains(command))
        return m_settings.answers.value(command);
    if (command == QLatin1String("AT"))
        return ok;
    if (command == QLatin1String("AT+ROLE?"))
        // The module's own spelling of its role answer.
        return m_settings.role == 1
                   ? QByteArray("+RLOE=1\r\n")
                   : QByteArray("+ROLE=") + QByteArray::number(m_settings.role) + lineEnd;
    if (command == QLatin1String("AT+ROLE=1")) {
        m_settings.role = 1;
        // Setting the role is answered without a line end.
        return QByteArray("+OK");
    }
    if (command == QLatin1String("AT+SCAN?"))
        return QByteArray("+SCAN=0\r\n");
    if (command.startsWith(QLatin1String("AT+SCAN=1,"))) {
        QByteArray list;
        for (const QString &line : m_settings.scanLines)
            list += line.toLatin1() + lineEnd;
        return list;
    }
    if (command.startsWith(QLatin1String("AT+SCAN=0,")))
        return ok;
    if (command.startsWith(QLatin1String("AT+CONNECT=,"))) {
        if (command.mid(12) != m_settings.address)
            return QByteArray("+ERR=NOT FOUND\r\n");
        m_connected = true;
        return QByteArray("+CONNECTED\r\n");
    }
    return QByteArray("+ERR\r\n");
}

void AtModule::send(const QByteArray &bytes, bool trickle)
{
    if (bytes.isEmpty())
        return;
    if (!trickle || m_settings.trickleBytes <= 0) {
        m_line->write(bytes);
        return;
    }
    m_trickle += bytes;
    if (!m_trickleTimer.isActive())
        m_trickleTimer.start();
}

void AtModule::sendPiece()
{
    m_line->write(m_trickle.left(m_settings.trickleBytes));
    m_trickle.remove(0, m_settings.trickleBytes);
    if (m_trickle.isEmpty())
        m_trickleTimer.stop();
}

void AtModule::logLine(const QString &text)
{
    m_log.line(text);
}
