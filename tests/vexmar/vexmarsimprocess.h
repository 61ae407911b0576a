#pragma once

// Starts the Vexmar simulator (tools/vexmarsim) and socat pty pairs as child processes and
// always stops them again. Free of QtTest, so the benchmark can use it too.
#include "socatptypair.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

// What the simulator's --pattern puts at byte addresses address ... address + count - 1 of a
// word area.
inline QByteArray simPattern(int area, int address, int count)
{
    QByteArray b;
    for (int a = address; a < address + count; ++a)
        b.append(char(quint8(a * 7 + area)));
    return b;
}

class VexmarSimProcess
{
public:
    explicit VexmarSimProcess(QString program = builtProgram(QStringLiteral("vexmarsim")))
        : m_program(std::move(program))
    {
    }
    ~VexmarSimProcess() { stop(); }

    // On a free UDP port of 127.0.0.1; extra are further options (--pattern, --fault ...).
    bool startUdp(const QStringList &extra = {}, int timeoutMs = 10000)
    {
        return start(QStringList{QStringLiteral("--udp"), QStringLiteral("0")} + extra, timeoutMs);
    }

    bool startSerial(const QString &device, int baud, const QStringList &extra = {},
                     int timeoutMs = 10000)
    {
        return start(QStringList{QStringLiteral("--serial"), device, QStringLiteral("--baud"),
                                 QString::number(baud)}
                         + extra,
                     timeoutMs);
    }

    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    QString error() const { return m_process.error(); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("requests.log")); }

    // One line per request the simulator received, in order.
    QStringList logLines() const { return logEntries(false); }
    int requestCount() const { return logLines().size(); }
    // Read and write requests received: the UDP handshake not counted.
    int frameCount() const
    {
        int n = 0;
        for (const QString &line : logLines())
            n += line.section(QLatin1Char(' '), 1, 1) == QLatin1String("handshake") ? 0 : 1;
        return n;
    }
    // How many copies of the reply to request n (numbered from 1) have been sent.
    int repliesSent(int n) const
    {
        const QString prefix = QStringLiteral("reply %1 ").arg(n);
        int sent = 0;
        for (const QString &line : logEntries(true))
            sent += line.startsWith(prefix) ? 1 : 0;
        return sent;
    }

    void stop() { m_process.stop(); }

private:
    QStringList logEntries(bool replies) const
    {
        QStringList lines;
        for (const QString &line : logFileLines(logPath())) {
            if (line.startsWith(QLatin1String("reply ")) == replies)
                lines << line;
        }
        return lines;
    }

    bool start(QStringList args, int timeoutMs)
    {
        args << QStringLiteral("--log") << logPath();
        static const QRegularExpression ready(
            QStringLiteral("vexmarsim ready (udp 127\\.0\\.0\\.1:(\\d+)|serial )"));
        if (!m_process.start(m_program, args, ready, timeoutMs))
            return false;
        m_port = quint16(m_process.readyMatch().captured(2).toUInt());
        return true;
    }

    QString m_program;
    ChildProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
};
