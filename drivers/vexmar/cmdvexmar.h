#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>

class QEventLoop;
class QSerialPort;
class QTimer;
class QUdpSocket;

// The link to one controller of the family, over UDP or a serial line, and the requests that
// travel on it. One exchange at a time: a request goes out, and only a reply that echoes it
// (and, on a serial line, is whole and exactly as long as the request calls for) is taken as
// its answer.
class CmdVexmar : public QObject
{
    Q_OBJECT

public:
    // Results of the requests. Negative codes say why nothing usable came back.
    enum Result : int {
        Ok = 0,
        FrameError = -1, // a reply echoed the request but had the wrong length
        NoReply = -2,    // nothing that echoes the request arrived in time
        LinkDown = -3,   // no usable link: nothing sent
        Busy = -4,       // another exchange is waiting on this link: nothing sent
        BadAddress = -5, // the run lies (partly) outside the area: nothing sent
        BadData = -6,    // the count or the data cannot make a frame: nothing sent
    };
    // The record status a request result stands for.
    static int statusOf(int result);

    // Misfit: on a serial line, bytes that echo the request but are not a whole reply of the
    // length it calls for.
    enum class Exchange { Reply, NoReply, WrongEcho, Misfit, Busy, LinkDown };

    explicit CmdVexmar(QObject *parent = nullptr);
    ~CmdVexmar() override;

    // 0 linked, -1 the address is no IP address (no name is looked up), -2 no handshake reply.
    int OpenUdp(QString address, int port);
    // 0 open, -1 the port cannot be opened. Values outside the accepted lists leave the
    // port's setting as it was.
    int OpenSerial(QString portName, int baudRate, int dataBits, int stopBits, QString parity);
    // 0 when the controller answered 04 01, 1 otherwise.
    int ConnectHandshake();
    // 0 when the link last opened is usable, -3 when it is not.
    int IsConnected() const;
    // Whether a UDP socket exists (DestroyFree releases it), so a close can tell it has none.
    bool hasUdpSocket() const { return !udpSocket.isNull(); }
    int CloseSerial();
    int CloseUdp();
    int ReleaseSerial();
    int ReleaseUdp();
    // 0 when a serial port or a UDP socket existed and is now closed and released, 1 if neither.
    int CloseTransport();

    // Reads append the reply's data to out; writes send data. Results as in Result.
    int ReadValues(int area, int index, int count, QByteArray *out, QString label);
    int ReadString(int area, int index, int count, QByteArray *out, QString label);
    int ReadBits(int area, int index, int count, QByteArray *out, QString label);
    int WriteValues(int area, int index, int count, QByteArray data, QString label);
    // count strings as the string encoder lays them out, each into its own slot.
    int WriteString(int area, int index, int count, QByteArray data, QString label);
    int WriteBits(int area, int index, int count, QByteArray data, QString label);

    // Sends request and waits for the reply that echoes it; replyBytes is the size of a
    // complete reply, the only size a serial reply may have. Everything that arrived before
    // the request went out is discarded first. On WrongEcho or Misfit, reply gets what came
    // instead.
    Exchange exchange(const QByteArray &request, int replyBytes, QByteArray *reply);

    // How long a UDP reply may take, and a serial reply before its bytes' own transfer time.
    int replyTimeoutMs() const { return m_replyTimeoutMs; }
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }
    // The whole wait of a serial exchange: the reply time plus twice the bytes' transfer time.
    int serialTimeoutMs(int requestBytes, int replyBytes) const;
    int silenceIntervalMs() const { return silenceMs; }

    // Request and reply traces; LibVexmar's DebugCmd switches it.
    bool debugEnabled = false;

private slots:
    void myconnected();
    void mydisconnected();

private:
    enum class Link { None, Udp, Serial };

    void createUdpSocket();
    Exchange udpExchange(const QByteArray &request, QByteArray *reply);
    Exchange serialExchange(const QByteArray &request, int replyBytes, QByteArray *reply);
    void drain();
    // Waits in loop; a release of the link from an event handled meanwhile ends the wait.
    void runWait(QEventLoop &loop);
    void wakeWait();
    void settleSerial();
    int readRequest(const QByteArray &request, int area, int index, int dataLength,
                    const QString &label, QByteArray *out, int kind);
    int writeRequest(const QByteArray &request, int area, int index, int shownLength,
                     const QString &label, bool bitLines);
    QString logLine(const QString &format, const QString &label, int length,
                    const QByteArray &bytes) const;

    QByteArray recvBuffer;
    QPointer<QTimer> silenceTimer;
    QPointer<QSerialPort> serialPort;
    QHostAddress peerAddress;
    QPointer<QUdpSocket> udpSocket;
    int peerPort = 0;
    int silenceMs = 2;
    Link m_link = Link::None;
    bool m_busy = false;
    QEventLoop *m_waitLoop = nullptr;
    // A serial exchange gave up: its reply may still be on the way.
    bool m_replyOutstanding = false;
    int m_replyTimeoutMs = 350;
};
