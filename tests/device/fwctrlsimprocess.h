#pragma once

// Starts the firmware-controller simulator (tools/fwctrlsim) on one end of a socat pty pair,
// reads its packet log and the image it received, and always stops both again.
#include "ptysimprocess.h"

class FwCtrlSimProcess : public PtySimProcess
{
public:
    // A pty pair, the simulator on its second end; faults as its --fault options take them.
    bool start(const QStringList &faults = {}, int timeoutMs = 10000)
    {
        QStringList args{QStringLiteral("--log"), path(QStringLiteral("packets.log")),
                         QStringLiteral("--fw-dump"), path(QStringLiteral("fw.bin"))};
        for (const QString &fault : faults)
            args << QStringLiteral("--fault") << fault;
        return startOnPair(QStringLiteral("fwctrlsim"), args, timeoutMs);
    }

    // "<n> fw <packet hex>" per packet received, in arrival order.
    QStringList packets() const { return lines().filter(QRegularExpression("^\\d+ fw ")); }
    // "reply <n> <hex>" per reply, once it has been written.
    QStringList replies() const { return lines().filter(QRegularExpression("^reply ")); }
    QByteArray firmware() const { return fileBytes(path(QStringLiteral("fw.bin"))); }

private:
    QStringList lines() const { return logFileLines(path(QStringLiteral("packets.log"))); }
};
