#pragma once

#include <QByteArray>
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
// Every wait is bounded by the time-out given to it, which bounds each silence, not the whole
// exchange. Bytes that arrived before a request are read together with its reply.
class DeviceLink
{
public:
    // Hands one whole packet of a firmware exchange to its reader.
    using PacketHandler = std::function<void(const QByteArray &packet)>;
    // How many bytes the reply needs in all, judged from what has arrived; 0 while unknown.
    using ReplyLength = std::function<int(const QByteArray &received)>;

    explicit DeviceLink(QSerialPort *port);

    QSerialPort *port() const { return m_port; }
    bool isOpen() const;
    // Clears and closes an open port first, then opens it read-write with the settings.
    bool open(const DeviceLinkSettings &settings);
    void close();

    // Writes frame and stores the first read that yields bytes in reply: 0, or -1 when the port
    // is closed, the write fails (the port is then closed) or nothing comes within timeoutMs.
    int exchange(const QByteArray &frame, QByteArray *reply, int timeoutMs);
    // Like exchange, but reads on while replyLength says bytes are missing; while it cannot tell
    // yet, it reads on to a silence of timeoutMs. 0 with what arrived, -1 when nothing did.
    int exchangeUntil(const QByteArray &frame, QByteArray *reply, int timeoutMs,
                      const ReplyLength &replyLength);
    // Writes frame and hands every whole packet that comes back to handler, which may write the
    // next frame with write(). Ends with -1 once timeoutMs pass without a byte.
    int exchangeFirmware(const QByteArray &frame, int timeoutMs, const PacketHandler &handler);
    // Writes at once, without waiting for a reply: for packets sent during a hand-over.
    bool write(const QByteArray &packet);
    // Reads what arrives within timeoutMs without writing anything; empty on silence.
    QByteArray readMore(int timeoutMs);
    bool inFirmwareExchange() const { return m_inFirmwareExchange; }

private:
    // Waits for bytes unless some are already there; false after timeoutMs of silence.
    bool waitForBytes(int timeoutMs);

    QSerialPort *m_port;
    bool m_inFirmwareExchange = false;
};
