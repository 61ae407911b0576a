#pragma once

// Starts the Bluetooth module simulator (tools/atmodulesim) on a serial line as a child process
// and always stops it again; reads the commands it logged.
#include "socatptypair.h"

#include <QStringList>
#include <QTemporaryDir>

class AtModuleSimProcess
{
public:
    ~AtModuleSimProcess() { stop(); }

    // extra: further options (--role, --scan-line, --fault, --peer ...).
    bool start(const QString &device, const QStringList &extra, int timeoutMs = 10000)
    {
        static const QRegularExpression ready(QStringLiteral("atmodulesim ready serial "));
        return m_process.start(
            builtProgram(QStringLiteral("atmodulesim")),
            QStringList{QStringLiteral("--serial"), device, QStringLiteral("--log"), logPath()}
                + extra,
            ready, timeoutMs);
    }

    // The module's default peer address, and the commands a whole link sequence sends it, as
    // the log shows them.
    static QString peerAddress() { return QStringLiteral("C8FD19A0B1C2"); }
    static QStringList linkCommands(int role)
    {
        QStringList commands{QStringLiteral("AT"), QStringLiteral("AT+ROLE?")};
        if (role != 1)
            commands << QStringLiteral("AT+ROLE=1");
        commands << QStringLiteral("AT+SCAN?") << QStringLiteral("AT+SCAN=1,20,1")
                 << QStringLiteral("AT+CONNECT=,") + peerAddress()
                 << QStringLiteral("AT+CONNECT=,") + peerAddress()
                 << QStringLiteral("AT+SCAN=0,20,1");
        for (QString &c : commands)
            c.prepend(QStringLiteral("cmd "));
        return commands;
    }

    QString error() const { return m_process.error(); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("module.log")); }

    // "cmd <command>" per command received, "data <hex>" per piece passed to the peer.
    QStringList logLines() const { return logFileLines(logPath()); }

    void stop() { m_process.stop(); }

private:
    ChildProcess m_process;
    QTemporaryDir m_dir;
};
