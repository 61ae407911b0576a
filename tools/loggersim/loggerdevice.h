#pragma once

#include "fwuploadpeer.h"
#include "simlog.h"
#include "simoutbox.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

class QSerialPort;

// A fault that makes chosen requests misbehave: requests first..last (numbered from 1 in
// arrival order, every kind counted), or every every-th request.
struct LoggerFault
{
    enum Kind {
        Silence,
        Short,
        Split,
        Crc,
        OverCount,
        Result,
        Status,
        Extra,
        Repeat,
        Skip,
        Pair,
        Late,
        Cut,
    };
    Kind kind = Silence;
    int value = 0;
    int first = 0;
    int last = 0;
    int every = 0;

    bool applies(int request) const
    {
        return every > 0 ? request % every == 0 : request >= first && request <= last;
    }
    // "<kind>[=<n>]@<k>", "<kind>[=<n>]@<k>-<m>" or "<kind>[=<n>]%<k>"; false when malformed.
    static bool parse(const QString &text, LoggerFault *fault);
};

struct LoggerOptions
{
    int batches = 3;      // records the device holds, one batch per index 0 .. batches - 1
    int values = 2;       // values per batch
    int areaCode = 7;     // area code of every batch
    int firstAddress = 3; // address of each batch's first value
    // Seconds (from 1970-01-01 08:00 local time) of batch 0's time stamp, and from one batch's
    // to the next.
    qint64 firstSeconds = 1000000;
    int stepSeconds = 10;
    int splitMs = 100;    // pause between the two pieces of a split reply
    // Baud rate of the line the device pretends to sit on: a reply goes out once the request
    // would have arrived and leaves at that pace. 0: as fast as the pty.
    int lineRate = 0;
    QString logPath;
    QString dumpPath;   // memory image, written after every command frame
    QString fwDumpPath; // last FW image received in full
    QList<LoggerFault> faults;
};

// The device: cuts requests from the serial stream, answers them and applies the faults.
class LoggerDevice : public QObject
{
    Q_OBJECT

public:
    LoggerDevice(QSerialPort *port, LoggerOptions options);

    // The value j of batch i as the device stores it.
    static quint32 batchValue(int batch, int j) { return quint32(batch * 1000 + j - 1); }
    // The seconds and milliseconds of batch i's time stamp.
    qint32 batchSeconds(int batch) const
    {
        return qint32(m_options.firstSeconds + qint64(batch) * m_options.stepSeconds);
    }
    static int batchMillis(int batch) { return (batch * 37) % 1000; }

private:
    void onReadyRead();
    // Length of the request at the front of the buffer: 0 while unfinished, -1 if unknown.
    int requestLength() const;
    void handle(const QByteArray &request);
    QByteArray answer(const QByteArray &request, QString *kind);
    QByteArray recordsReply(quint32 index, bool overCount);
    QByteArray writeReply(const QByteArray &request, int result);
    QByteArray readReply(const QByteArray &request, int status);
    QByteArray commandReply(const QByteArray &request, int result);
    QByteArray fwReply(const QByteArray &request);
    void send(const QByteArray &bytes, int delayMs);
    // Milliseconds bytes take on the line at its rate; 0 without one.
    int lineMs(qint64 bytes) const;
    void log(const QString &line);
    void dumpMemory();
    const LoggerFault *fault(LoggerFault::Kind kind) const;

    QSerialPort *m_port;
    LoggerOptions m_options;
    SimLog m_log;
    QByteArray m_buffer;
    QTimer m_resync;
    int m_request = 0;
    QMap<int, QByteArray> m_memory;
    // The controller's side of FW uploads.
    FwUploadPeer m_fw;
    SimOutbox m_outbox;
};
