#pragma once

// Starts the data-logger simulator (tools/loggersim) on one end of a socat pty pair, reads its
// request log and its memory dumps, and always stops both again. Free of QtTest, so the
// benchmark can use it too.
#include "ptysimprocess.h"

class LoggerSimProcess : public PtySimProcess
{
public:
    // A pty pair, the simulator on its second end; extra are further options (--fault ...).
    bool start(const QStringList &extra = {}, int timeoutMs = 10000)
    {
        const QStringList args{QStringLiteral("--log"),     path(QStringLiteral("requests.log")),
                               QStringLiteral("--dump"),    path(QStringLiteral("memory.bin")),
                               QStringLiteral("--fw-dump"), path(QStringLiteral("fw.bin"))};
        return startOnPair(QStringLiteral("loggersim"), args + extra, timeoutMs);
    }

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
    QByteArray memory() const { return fileBytes(path(QStringLiteral("memory.bin"))); }
    QByteArray firmware() const { return fileBytes(path(QStringLiteral("fw.bin"))); }

private:
    QStringList logLines() const { return logFileLines(path(QStringLiteral("requests.log"))); }
};
