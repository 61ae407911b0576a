#pragma once

// Starts the firmware-controller simulator (tools/fwctrlsim) on one end of a socat pty pair,
// reads its packet log and the image it received, and always stops both again.
#include "socatptypair.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

class FwCtrlSimProcess
{
public:
    ~FwCtrlSimProcess() { stop(); }

    // A pty pair, the simulator on its second end; faults as its --fault options take them.
    bool start(const QStringList &faults = {}, int timeoutMs = 10000)
    {
        stop();
        if (!m_pair.start(timeoutMs)) {
            m_error = QStringLiteral("socat did not start");
            return false;
        }
        QStringList args{QStringLiteral("--serial"),  m_pair.second(),
                         QStringLiteral("--log"),     path(QStringLiteral("packets.log")),
                         QStringLiteral("--fw-dump"), path(QStringLiteral("fw.bin"))};
        for (const QString &fault : faults)
            args << QStringLiteral("--fault") << fault;
        static const QRegularExpression ready(QStringLiteral("fwctrlsim ready serial "));
        if (!m_process.start(builtProgram(QStringLiteral("fwctrlsim")), args, ready, timeoutMs)) {
            m_error = m_process.error();
            return false;
        }
        return true;
    }

    QString portName() const { return m_pair.first(); }
    QString error() const { return m_error; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // "<n> fw <packet hex>" per packet received, in arrival order.
    QStringList packets() const { return lines().filter(QRegularExpression("^\\d+ fw ")); }
    // "reply <n> <hex>" per reply, once it has been written.
    QStringList replies() const { return lines().filter(QRegularExpression("^reply ")); }
    QByteArray firmware() const
    {
        QFile f(path(QStringLiteral("fw.bin")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void stop()
    {
        m_process.stop();
        m_pair.stop();
    }

private:
    QStringList lines() const { return logFileLines(path(QStringLiteral("packets.log"))); }

    SocatPtyPair m_pair;
    ChildProcess m_process;
    QTemporaryDir m_dir;
    QString m_error;
};
