#pragma once

// A device simulator of tools/ on the second end of a socat pty pair, with a folder of its own
// for its log and dumps; started once it prints its ready line, and always stopped again with
// the pair. Free of QtTest, so the benchmarks can use it too.
#include "socatptypair.h"

#include <QStringList>
#include <QTemporaryDir>

class PtySimProcess
{
public:
    ~PtySimProcess() { stop(); }

    // The end of the pair the program opens.
    QString portName() const { return m_pair.first(); }
    QString error() const { return m_error; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    void stop()
    {
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
        return true;
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
    SocatPtyPair m_pair;
    ChildProcess m_process;
    QTemporaryDir m_dir;
    QString m_error;
};
