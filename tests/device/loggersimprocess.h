#pragma once

// Starts the data-logger simulator (tools/loggersim) on one end of a socat pty pair, reads its
// request log and its memory dumps, and always stops both again. Free of QtTest, so the
// benchmark can use it too.
#include "socatptypair.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

class LoggerSimProcess
{
public:
    ~LoggerSimProcess() { stop(); }

    // A pty pair, the simulator on its second end; extra are further options (--fault ...).
    bool start(const QStringList &extra = {}, int timeoutMs = 10000)
    {
        stop();
        if (!m_pair.start(timeoutMs)) {
            m_error = QStringLiteral("socat did not start");
            return false;
        }
        QStringList args{QStringLiteral("--serial"),  m_pair.second(),
                         QStringLiteral("--log"),     path(QStringLiteral("requests.log")),
                         QStringLiteral("--dump"),    path(QStringLiteral("memory.bin")),
                         QStringLiteral("--fw-dump"), path(QStringLiteral("fw.bin"))};
        static const QRegularExpression ready(QStringLiteral("loggersim ready serial "));
        if (!m_process.start(builtProgram(QStringLiteral("loggersim")), args + extra, ready,
                             timeoutMs)) {
            m_error = m_process.error();
            return false;
        }
        return true;
    }

    // The end of the pair the program opens.
    QString portName() const { return m_pair.first(); }
    QString error() const { return m_error; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // "<n> <kind> <request hex>" per request, in arrival order.
    QStringList requests() const
    {
        QStringList lines;
        for (const QString &line : logLines()) {
            if (!line.startsWith(QLatin1String("reply ")))
                lines << line;
        }
        return lines;
    }
    // The kinds of the requests, in order ("records", "write", "clock 2026-03-07 14:05:09" ...).
    QStringList requestKinds() const
    {
        QStringList kinds;
        for (const QString &line : requests()) {
            const QStringList parts = line.split(QLatin1Char(' '));
            if (parts.size() >= 3 && parts.first().toInt() > 0)
                kinds << parts.mid(1, parts.size() - 2).join(QLatin1Char(' '));
        }
        return kinds;
    }
    QByteArray memory() const { return readAll(path(QStringLiteral("memory.bin"))); }
    QByteArray firmware() const { return readAll(path(QStringLiteral("fw.bin"))); }

    void stop()
    {
        m_process.stop();
        m_pair.stop();
    }

private:
    QStringList logLines() const { return logFileLines(path(QStringLiteral("requests.log"))); }
    static QByteArray readAll(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    SocatPtyPair m_pair;
    ChildProcess m_process;
    QTemporaryDir m_dir;
    QString m_error;
};
