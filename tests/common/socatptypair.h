#pragma once

// socat pty pairs for serial links. Free of QtTest, so benchmarks can use it too.
#include "childprocess.h"

// Two linked pseudo-terminals from socat: what is written to one is read from the other. socat
// is killed on stop() and at the latest when the pair goes.
class SocatPtyPair
{
public:
    bool start(int timeoutMs = 10000)
    {
        // socat names the two terminals on its standard error when told -d -d.
        static const QRegularExpression pair(
            QStringLiteral("PTY is (\\S+)[\\s\\S]*PTY is (\\S+)[\\s\\S]*starting data transfer"));
        if (!m_process.start(QStringLiteral("socat"),
                             {QStringLiteral("-d"), QStringLiteral("-d"),
                              QStringLiteral("pty,raw,echo=0"), QStringLiteral("pty,raw,echo=0")},
                             pair, timeoutMs, QProcess::StandardError))
            return false;
        m_first = m_process.readyMatch().captured(1);
        m_second = m_process.readyMatch().captured(2);
        return true;
    }

    QString first() const { return m_first; }
    QString second() const { return m_second; }

    void stop() { m_process.stop(); }

private:
    ChildProcess m_process;
    QString m_first;
    QString m_second;
};
