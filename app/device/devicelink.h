#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QSerialPort>
#include <QString>
#include <functional>

class FwStreamFramer;

// The serial settings a link string "%1,%2,%3,%4,%5" (port, baud rate, data bits, stop bits,
// parity letter) asks for. Its fields are cut from the front; a missing field repeats the last.
struct DeviceLinkSettings
{
    enum Status {
        Ok,
        Empty,   // no link string at all
        NoComma, // no serial link string (a network address or any other text)
        Invalid, // empty port name, or a number field that is 0 or not a whole number
    };

    Status status = Empty;
    QString portName;
    int baudRate = 0;
    int dataBits = 0;
    int stopBits = 0;
    // Set when the parity field names one (N before E before O, any case, anywhere).
    bool hasParity = false;
    QSerialPort::Parity parity = QSerialPort::NoParity;
};

DeviceLinkSettings parseDeviceLink(const QString &link);

// The blocking send-and-wait channel to a service device over a serial port it does not own.
// Input waiting when a request goes out is dropped: it belongs to no request of this one.
// A reply's first bytes are awaited as long as the request allows; every further silence inside
// the reply is bounded by the piece time-out. Every wait counts from when the last byte written
// has left the line: at 9600 baud a frame of 1000 bytes is on the line for over a second. A line
// that goes away closes the link.
class DeviceLink
{
public:
    // How many bytes the reply needs in all, judged from what has arrived; 0 while unknown.
    using ReplyLength = std::function<int(const QByteArray &received)>;
    // Told once the port is closed because its line went away.
    using LossHandler = std::function<void()>;
    // Run while a wait lasts (see setWaitHook).
    using WaitHook = std::function<void()>;

    // A wait with a hook set calls it at least this often (ms).
    static constexpr int waitSliceMs = 50;

    // Time bytes take on a line of this rate and framing (ms, rounded up): a start bit, the data
    // bits, a parity bit unless none, the stop bits. 0 when the rate is unknown.
    static int lineTimeMs(qint64 bytes, qint32 baudRate, QSerialPort::DataBits dataBits,
                          QSerialPort::Parity parity, QSerialPort::StopBits stopBits);

    explicit DeviceLink(QSerialPort *port);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    QSerialPort *port() const { return m_port; }
    bool isOpen() const;
    // Clears and closes an open port first, then opens it read-write with the settings.
    bool open(const DeviceLinkSettings &settings);
    void close();

    // A resource error, or a read error (the line gave nothing though it said it was ready),
    // means the line is gone: the port is closed and handler told, so nothing polls a dead line.
    void setLossHandler(LossHandler handler) { m_lossHandler = std::move(handler); }
    // Called at the start of every wait and every waitSliceMs while it lasts; empty: none.
    void setWaitHook(WaitHook hook) { m_waitHook = std::move(hook); }

    // Drops the input waiting, writes frame and reads its reply: the first bytes within
    // timeoutMs, then on while replyLength says bytes are missing, or, while it cannot tell, to
    // a silence; each silence after the first bytes is bounded by pieceTimeoutMs (timeoutMs when
    // negative). 0 with what arrived (a read that completes the reply is kept whole, so a reply
    // with a byte too many shows so); -1 when the port is closed, the write fails (the port is
    // then closed) or nothing came.
    int exchange(const QByteArray &frame, QByteArray *reply, int timeoutMs,
                 const ReplyLength &replyLength, int pieceTimeoutMs = -1);
    // Drops the input waiting, which answers no request of this one, and writes frame; false
    // when the port is closed or the write fails.
    bool sendRequest(const QByteArray &frame);
    // Writes at once, without waiting for a reply: for packets sent during a hand-over.
    bool write(const QByteArray &packet);
    // How long what was written is still on its way out at the port's rate and framing (ms);
    // 0 once the last byte has left.
    int sendingMs() const;
    // The far end answered: in this request-and-reply dialogue it has taken what was written
    // before, however fast the line delivered it (a pty, a USB adapter that buffers), so no
    // earlier write is still counted as on its way.
    void farEndAnswered() { m_lineClear = QDeadlineTimer(0); }
    // Reads what arrives within timeoutMs without writing anything; empty on silence.
    QByteArray readMore(int timeoutMs);
    // Drops what arrives until silenceMs pass without a byte: the answer to a request whose
    // reply is ignored, however late it comes within that bound. The bytes dropped.
    int dropUntilSilence(int silenceMs);

private:
    // Waits for bytes unless some are already there; false after timeoutMs of silence counted
    // from when the last byte written has left.
    bool waitForBytes(int timeoutMs);
    void dropWaitingInput();
    void onPortError(QSerialPort::SerialPortError error);

    QSerialPort *m_port;
    QMetaObject::Connection m_errorConnection;
    LossHandler m_lossHandler;
    WaitHook m_waitHook;
    // When the last byte written will have left the line.
    QDeadlineTimer m_lineClear{0};
};
