#pragma once

#include "simlog.h"

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
// taking an image does. After a start packet it asks for index 0, after block k for index k;
// the request past the end completes the image, which it then writes to fwDumpPath.
class FwController : public QObject
{
    Q_OBJECT

public:
    FwController(QSerialPort *port, QList<FwControllerFault> faults, const QString &logPath,
                 const QString &fwDumpPath);

private:
    void onReadyRead();
    // Length of the packet at the front of the buffer: 0 while unfinished, -1 if none starts.
    int packetLength() const;
    void handle(const QByteArray &packet);
    QByteArray answer(const QByteArray &packet);
    const FwControllerFault *fault(FwControllerFault::Kind kind) const;
    void send(const QByteArray &bytes, int delayMs, int request);
    void sendNext();

    QSerialPort *m_port;
    QList<FwControllerFault> m_faults;
    QString m_fwDumpPath;
    SimLog m_log;
    QByteArray m_buffer;
    int m_request = 0;
    qint64 m_size[2] = {0, 0}; // announced size of the APP and the OS image
    QByteArray m_image[2];
    struct Pending
    {
        QByteArray bytes;
        int delayMs;
        int request;
    };
    QList<Pending> m_outbox;
    bool m_waiting = false;
};
