#pragma once

#include "fwuploadpeer.h"
#include "simlog.h"
#include "simoutbox.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

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

// The controller: takes FW packets, cut from a serial stream or whole from a broker, and
// answers them as a controller taking an image does (FwUploadPeer), with the faults asked for;
// a completed image goes to fwDumpPath.
class FwController : public QObject
{
    Q_OBJECT

public:
    // Puts one reply on the controller's way back to the program.
    using Writer = std::function<void(const QByteArray &bytes)>;

    FwController(Writer writer, QList<FwControllerFault> faults, const QString &logPath,
                 const QString &fwDumpPath);

    // Bytes from a serial line: every packet they finish is answered.
    void feed(const QByteArray &bytes);
    // One message from the broker, which carries one packet whole.
    void take(const QByteArray &payload);

private:
    void handle(const QByteArray &packet);
    const FwControllerFault *fault(FwControllerFault::Kind kind) const;

    Writer m_writer;
    QList<FwControllerFault> m_faults;
    SimLog m_log;
    FwUploadPeer m_peer;
    // Each reply is logged when it is written, so that a test can wait for it.
    SimOutbox m_outbox;
    QByteArray m_buffer;
    int m_request = 0;
};
