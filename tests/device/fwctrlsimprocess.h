#pragma once

// Starts the firmware-controller simulator (tools/fwctrlsim) on one end of a socat pty pair or
// on a broker's topics, reads its packet log and the image it received, and always stops it
// again.
#include "ptysimprocess.h"

class FwCtrlSimProcess : public PtySimProcess
{
public:
    // A pty pair, the simulator on its second end; faults as its --fault options take them.
    bool start(const QStringList &faults = {}, int timeoutMs = 10000)
    {
        return startOnPair(QStringLiteral("fwctrlsim"), arguments(faults), timeoutMs);
    }

    // The simulator on the topics of deviceId at the broker on 127.0.0.1:brokerPort, ready once
    // it has subscribed.
    bool startOnBroker(quint16 brokerPort, const QString &deviceId, const QStringList &faults = {},
                       int timeoutMs = 20000)
    {
        return startAlone(QStringLiteral("fwctrlsim"),
                          QStringList{QStringLiteral("--mqtt"), QString::number(brokerPort),
                                      QStringLiteral("--device"), deviceId}
                              + arguments(faults),
                          timeoutMs);
    }

    // "<n> fw <packet hex>" per packet received, in arrival order.
    QStringList packets() const { return lines().filter(QRegularExpression("^\\d+ fw ")); }
    // "reply <n> <hex>" per reply, once it has been written.
    QStringList replies() const { return lines().filter(QRegularExpression("^reply ")); }
    QByteArray firmware() const { return fileBytes(path(QStringLiteral("fw.bin"))); }

private:
    QStringList arguments(const QStringList &faults) const
    {
        QStringList args{QStringLiteral("--log"), path(QStringLiteral("packets.log")),
                         QStringLiteral("--fw-dump"), path(QStringLiteral("fw.bin"))};
        for (const QString &fault : faults)
            args << QStringLiteral("--fault") << fault;
        return args;
    }
    QStringList lines() const { return logFileLines(path(QStringLiteral("packets.log"))); }
};
