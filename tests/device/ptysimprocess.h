#pragma once

// A device simulator of tools/ on the second end of a socat pty pair, with a folder of its own
// for its log and dumps; started once it prints its ready line, and always stopped again with
// the pair. With a line rate set, the program's end is a second pair joined to the simulator's
// through tools/linerelay, which passes each byte at the pace of a real line of that rate.
// Free of QtTest, so the benchmarks can use it too.
#include "socatptypair.h"

#include <QStringList>
#include <QTemporaryDir>

class PtySimProcess
{
public:
    ~PtySimProcess() { stop(); }

    // The end of the pair the program opens.
    QString portName() const { return m_lineRate > 0 ? m_relayPair.first() : m_pair.first(); }
    // Baud rate of the line between the program and the simulator, from the next start on;
    // 0: no line, bytes pass at once. 10 bits a byte (8N1).
    void setLineRate(int baud) { m_lineRate = baud; }
    QString error() const { return m_error; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void stop()
    {
        m_relay.stop();
        m_relayPair.stop();
        m_process.stop();
        m_pair.stop();
    }

protected:
    // Starts the built program with "--serial <second end>" and args, once it prints
    // "<program> ready serial ".
    bool startOnPair(const QString &program, const QStringList &args, int timeoutMs)
    {
        stop();
        if (!m_pair.start(timeoutMs)) {
            m_error = QStringLiteral("socat did not start");
            return false;
        }
        const QRegularExpression ready(program + QStringLiteral(" ready serial "));
        if (!m_process.start(builtProgram(program),
                             QStringList{QStringLiteral("--serial"), m_pair.second()} + args,
                             ready, timeoutMs)) {
            m_error = m_process.error();
            return false;
        }
        return m_lineRate <= 0 || startRelay(timeoutMs);
    }

    // Starts the built program with args only, for a simulator that needs no serial line, once
    // it prints "<program> ready ".
    bool startAlone(const QString &program, const QStringList &args, int timeoutMs)
    {
        stop();
        const QRegularExpression ready(program + QStringLiteral(" ready "));
        if (!m_process.start(builtProgram(program), args, ready, timeoutMs)) {
            m_error = m_process.error();
            return false;
        }
        return true;
    }

private:
    bool startRelay(int timeoutMs)
    {
        if (!m_relayPair.start(timeoutMs)) {
            m_error = QStringLiteral("socat did not start for the relay");
            return false;
        }
        const QRegularExpression ready(QStringLiteral("linerelay ready serial "));
        if (!m_relay.start(builtProgram(QStringLiteral("linerelay")),
                           {QStringLiteral("--serial"), m_relayPair.second(),
                            QStringLiteral("--serial"), m_pair.first(), QStringLiteral("--baud"),
                            QString::number(m_lineRate)},
                           ready, timeoutMs)) {
            m_error = m_relay.error();
            return false;
        }
        return true;
    }

    SocatPtyPair m_pair;
    SocatPtyPair m_relayPair;
    ChildProcess m_relay;
    int m_lineRate = 0;
    ChildProcess m_process;
    QTemporaryDir m_dir;
    QString m_error;
};
