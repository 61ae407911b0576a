#pragma once

#include "fwuploadpeer.h"
#include "simlog.h"
#include "simoutbox.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSerialPort;

// A fault that makes the reply to request k (numbered from 1 in arrival order) misbehave.
struct FwControllerFault
{
    enum Kind { Late, Stray, Silence, Crc };
    Kind kind = Late;
    int value = 0; // Late: milliseconds; Stray: bytes 0x55 written in front of the reply
    int request = 0;

    // "late=<ms>@<k>", "stray=<n>@<k>", "silence@<k>", "crc@<k>"; false when malformed.
    static bool parse(const QString &text, FwControllerFault *fault);
};

// The controller: cuts FW packets from the serial stream and answers them as a controller
// taking an image does (FwUploadPeer), with the faults asked for; a completed image goes to
// fwDumpPath.
class FwController : public QObject
{
    Q_OBJECT

public:
    FwController(QSerialPort *port, QList<FwControllerFault> faults, const QString &logPath,
                 const QString &fwDumpPath);

private:
    void onReadyRead();
    void handle(const QByteArray &packet);
    const FwControllerFault *fault(FwControllerFault::Kind kind) const;

    QSerialPort *m_port;
    QList<FwControllerFault> m_faults;
    SimLog m_log;
    FwUploadPeer m_peer;
    // Each reply is logged when it is written, so that a test can wait for it.
    SimOutbox m_outbox;
    QByteArray m_buffer;
    int m_request = 0;
};
