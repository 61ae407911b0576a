#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class DeviceLink;

// The two images of a controller that the firmware page uploads.
enum class FirmwareImage { App, Os };

// The way packets reach the controller: through the broker, or on the serial device link.
enum class FirmwareChannel { Mqtt, Serial };

// What an update start finds: an upload of this image still running, or the image file.
struct FirmwareStart
{
    enum class Outcome { Started, Running, CannotOpen, TooSmall, TooLarge };
    Outcome outcome = Outcome::CannotOpen;
    qint64 size = 0; // bytes of the image file
};

// The answer to one block request of the controller.
struct FirmwareBlock
{
    enum class Outcome { Block, NotContiguous, Complete, CannotOpen, Ended };
    Outcome outcome = Outcome::CannotOpen;
    quint16 number = 0;  // block number, counting from 1, cut to 16 bits
    QByteArray data;     // 1 to 256 image bytes
    qint64 progress = 0; // image bytes sent so far, this block included
    qint64 size = 0;     // bytes of the image file
    qint64 offset = 0;   // where the requested piece starts in the image
};

// One image's upload: the controller asks for the image block by block after a start, and
// each request is answered only when it asks for the block after the last one sent. The image is
// read once, whole, when the upload starts, and every block comes from those bytes: a file
// changed, replaced or gone mid-upload cannot put other bytes into the controller. The upload
// keeps the channel it began on until it ends; a start while it runs is refused, so that the
// controller is never left holding part of one image while the next begins.
class FirmwareUpload
{
public:
    // The controller fetches the image in pieces of this many bytes.
    static constexpr qint64 blockBytes = 256;
    // An APP image needs more than this many bytes; an OS image may have at most this many.
    static constexpr qint64 appMinimumExclusiveBytes = 0x18FFF;
    static constexpr qint64 osMaximumBytes = 0x19000;

    explicit FirmwareUpload(FirmwareImage image)
        : m_kind(image)
    {
    }

    FirmwareImage image() const { return m_kind; }
    // Blocks sent since the last start.
    qint32 counter() const { return m_counter; }
    // Between a start and the completion, unless stopped: the controller still owes requests.
    bool isRunning() const { return m_running; }
    // The channel of the last start: the one the controller asks on while the upload runs.
    FirmwareChannel channel() const { return m_channel; }
    // Image bytes sent since the last start.
    qint64 sentBytes() const { return m_sentBytes; }
    // The controller will ask no more (its link is gone, it fell silent, the user stopped it):
    // until the next start a late request gets nothing (Ended).
    void stop()
    {
        m_cutOff = m_running;
        m_running = false;
    }
    // The file and the size of the image the blocks come from.
    QString path() const { return m_path; }
    qint64 size() const { return m_size; }

    // Reads the image at path and checks it against its size limit; a started upload counts
    // from 0 again, on channel, and sends exactly these bytes. While the upload runs it is
    // refused (Running) and nothing changes.
    FirmwareStart start(const QString &path, FirmwareChannel channel);
    // Answers request index requestIndex from the image of the last start. Before any start
    // there is none: the image at path is read then and serves the requests that follow.
    FirmwareBlock answer(int requestIndex, const QString &path);

private:
    // The whole file at path; false, with the debug line, when it cannot be read.
    static bool readImage(const QString &path, QByteArray *bytes);

    FirmwareImage m_kind;
    qint32 m_counter = 0;
    bool m_running = false;
    FirmwareChannel m_channel = FirmwareChannel::Serial;
    qint64 m_sentBytes = 0;
    QString m_path;
    qint64 m_size = 0;
    bool m_hasImage = false;
    bool m_cutOff = false;
    QByteArray m_image;
};

// One dialogue with a controller on the serial link, begun by a packet of the firmware page.
// Input that waits before the packet is dropped, never read as its answer. Every whole packet
// that comes back goes to the handler, which may write the next one with answer(); the dialogue
// ends once the controller has been silent for as long as the last packet written allows it, or
// when the line fails. While it waits or reads, idle runs at least every idleIntervalMs.
class FirmwareSerialExchange
{
public:
    using PacketHandler = std::function<void(const QByteArray &packet)>;
    using Idle = std::function<void()>;

    // How long the controller may take to answer, ms. A start packet makes it erase its flash
    // before the first request; a user waits that long for an upload to begin.
    static constexpr int startReplyMs = 5000;
    // Every other packet: a block request, the version, or nothing after a reboot.
    static constexpr int replyMs = 200;
    // Longest stretch without idle, ms, so that the window stays painted.
    static constexpr int idleIntervalMs = 50;

    FirmwareSerialExchange(DeviceLink *link, PacketHandler handler, Idle idle = {});

    // -1 when the link is not open or the write fails; 0 once the dialogue is over.
    int run(const QByteArray &packet, int replyWaitMs);
    // From the handler: the packet goes out at once; its answer may take replyWaitMs.
    bool answer(const QByteArray &packet, int replyWaitMs);
    // The line reported an error (it has gone away) and ended the dialogue.
    bool lineFailed() const { return m_lineFailed; }
    // Ends the dialogue at its next turn: nothing more is handed over or answered.
    void stop() { m_stopped = true; }
    bool stopped() const { return m_stopped; }

private:
    bool open() const;
    void handOver(const QList<QByteArray> &packets);

    DeviceLink *m_link;
    PacketHandler m_handler;
    Idle m_idle;
    int m_waitMs = replyMs;
    bool m_answered = false;
    bool m_lineFailed = false;
    bool m_stopped = false;
};
