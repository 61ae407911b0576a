#pragma once

#include "simdevice.h"
#include "simlog.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

class QSerialPort;
class QUdpSocket;

// One way of misbehaving, for the requests it selects (numbered from 1, handshake included).
struct SimFault
{
    enum Kind { Drop, Late, Twice, Short, Long, Echo, Lead, Stale, Repeat, Tail };
    Kind kind = Drop;
    // late, stale, repeat: ms; short: bytes cut; long, lead, tail: bytes added
    int argument = 0;
    int number = 0; // the (first) request it applies to, or every number-th one
    int last = 0;   // the last request of a range
    bool every = false;

    bool selects(int request) const
    {
        return every ? request % number == 0 : request >= number && request <= last;
    }
    // "drop@3", "late=600@2", "twice%5", "drop@2-9", ...; false when the text is not one.
    static bool parse(const QString &text, SimFault *fault);
};

// Serves a SimDevice over UDP on 127.0.0.1 or over a serial line. The device answers one request
// after the other: a late reply also holds back the replies after it. Serial replies go out at
// the line's rate, and bytes sent back to back keep coming as they would on a real line.
class SimLink : public QObject
{
    Q_OBJECT

public:
    SimLink(SimDevice *device, QList<SimFault> faults, QObject *parent = nullptr);

    bool openLog(const QString &path);
    // The port actually bound (the free one picked for port 0), or 0 on failure.
    quint16 listenUdp(quint16 port);
    bool openSerial(const QString &path, int baud);

private:
    struct Outgoing
    {
        qint64 dueMs;
        QByteArray bytes;
        QHostAddress address;
        quint16 port;
        int request;
    };

    void onDatagrams();
    void onSerialBytes();
    void takeSerialRequests(bool lineQuiet);
    void handle(const QByteArray &request, const QHostAddress &address, quint16 port);
    // Queues bytes due at dueMs behind everything due no later, never ahead of a reply that
    // has started going out.
    void enqueue(const Outgoing &out);
    void pump();
    // Whether the serial line, stopping after its last bytes and then pending, would leave
    // behind them a run that begins where the current request is echoed and is exactly as long
    // as its reply: a receiver that frames replies by silence would take that run for it.
    bool looksLikeWholeReply(const QByteArray &pending) const;
    void logLine(const QString &line);

    SimDevice *m_device;
    QList<SimFault> m_faults;
    SimLog m_log;
    QUdpSocket *m_udp = nullptr;
    QSerialPort *m_serial = nullptr;
    int m_baud = 9600;
    QByteArray m_serialIn;
    QTimer m_serialQuiet; // ends a serial request whose length its header cannot tell
    int m_requests = 0;
    QElapsedTimer m_clock;
    QList<Outgoing> m_queue;
    QHash<quint8, QByteArray> m_lastReply; // by command: what stale sends again
    qint64 m_deviceFreeMs = 0;             // when the device has finished its previous reply
    qint64 m_pacingStartMs = -1;           // when the head of a serial queue started going out
    int m_pacedBytes = 0;
    QByteArray m_lineTail; // the last bytes written to the serial line
    QByteArray m_echo;     // what a reply to the current request begins with
    int m_replyBytes = 0;  // the length of a whole reply to the current request
    QTimer m_pump;
};
