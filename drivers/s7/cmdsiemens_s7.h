#pragma once

#include "s7protocol.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>

class QTcpSocket;

// The S7 transport: one ISO-on-TCP connection, its set-up, and read and write jobs whose replies
// are framed by TPKT length and matched to their request by PDU reference.
class CmdSiemens_S7 : public QObject
{
    Q_OBJECT
public:
    // Results of the request operations.
    enum Result : int {
        Ok = 0,
        FrameError = -1,   // a reply came but is not the answer to the request
        NoReply = -2,      // nothing complete within replyTimeoutMs; the connection is closed
        NotConnected = -3, // no socket or not connected; nothing was sent
        Refused = -4,      // the controller refused an item: lastReturnCode() tells why
        BadLength = -5,    // the data hold fewer bytes than asked to write; nothing was sent
    };

    CmdSiemens_S7();
    ~CmdSiemens_S7() override;

    // 0 connected and negotiated; -1 not an IP address; -2 COTP or set-up refused or not
    // answered; -3 no TCP connection.
    int ConnectToPlc(QString address, int port);
    int CotpConnect();
    int SetupCommunication();
    // Drops stale bytes, sends, and hands over exactly one TPKT frame: 0, or -1 when none came
    // complete in time, -2 when the bytes cannot be TPKT.
    int SendAndReceive(QByteArray request, QByteArray *reply);
    int DisconnectFromPlc();
    int DestroyFree();
    int ReleaseSocket();

    // Byte reads and writes, sliced into as many requests as the granted PDU needs.
    int ReadArea(int byteAddress, int count, QByteArray *data, int dbNumber, int area,
                 QString address);
    int WriteArea(int dbNumber, int startBits, int count, QByteArray *data, int area,
                  QString address);
    // Bit writes at consecutive bit addresses, one byte (0 or not) per bit in bits.
    int WriteBits(int dbNumber, int bitAddress, const QByteArray &bits, int area,
                  const QString &address);
    // One read job with several items (at most maxReadItems of the PDU); results get one entry
    // per item with its return code.
    int ReadItems(const QList<S7::ReadItem> &items, QList<S7::ItemResult> *results,
                  const QString &address);

    bool isConnected() const;
    // PDU length granted at set-up; the smallest common one until then.
    int pduLength() const { return m_pduLength; }
    // Item return code of the last Refused result.
    quint8 lastReturnCode() const { return m_lastReturnCode; }
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }

    // Frame logging; set and cleared by the driver's DebugCmd.
    bool debugEnabled = false;

public slots:
    void myconnected();
    void mydisconnected();
    void myreadyRead();

private:
    using Parser = std::function<S7::Reply(const QByteArray &frame)>;
    int transact(const QByteArray &request, const Parser &parse, S7::Reply *reply,
                 const QString &command, const QString &address, int length);
    int receiveFrame(const QDeadlineTimer &deadline, QByteArray *reply);
    int writeJob(const QByteArray &request, const QString &address, int length);
    quint16 nextReference();
    void logFrame(const QString &command, const QString &address, int length,
                  const QByteArray &frame) const;

    QByteArray recvBuffer;
    QHostAddress plcAddress;
    QTcpSocket *socket = nullptr;
    int plcPort = 0;
    int m_pduLength = 240;
    quint16 m_lastReference = 0;
    quint8 m_lastReturnCode = 0;
    int m_replyTimeoutMs = 2000; // per request, as long as a controller may take to answer
};
