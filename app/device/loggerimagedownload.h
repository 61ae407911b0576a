#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// Writes a memory image into the data-logger: an opening command, a start mark in the control
// block, status polls, every memory area in frames of at most 1000 bytes, a finish mark and two
// closing commands. The exchange, the pauses and the progress display are handed in.
class LoggerImageDownload
{
public:
    struct Area
    {
        int number;
        int size; // bytes of the area's image; 0: not part of the image
    };
    // The device's memory areas in download order; the image is their images back to back.
    static const QList<Area> &areas();
    static constexpr int imageBytes = 88488;
    // The sum of the areas' sizes: the size an image file of them must have.
    static int imageSize(const QList<Area> &areas);
    static constexpr int frameBytes = 1000;
    // The control block: 20 bytes at offset 0 of this area, byte 0 the command or status.
    static constexpr int controlArea = 32;
    static constexpr int controlBytes = 20;
    // Area 26 carries the first closing command's code at byte 56, its parameters at 57-64.
    static constexpr int closingArea = 26;
    static constexpr int closingCodeOffset = 56;
    static constexpr int closingParameterBytes = 8;

    static constexpr int replyTimeoutMs = 200;
    // The device answers the first closing command only once it has stored the image.
    static constexpr int firstClosingTimeoutMs = 30000;
    static constexpr int pauseMs = 10;
    static constexpr int statusPolls = 10;
    // A status poll reading this ends the download.
    static constexpr int refusedStatus = 5;

    // Control-block commands.
    enum Command { ReadStatus = 0, StartMark = 4, FinishMark = 6 };

    using Exchange = std::function<int(const QByteArray &frame, QByteArray *reply, int timeoutMs)>;
    using Pause = std::function<void(int ms)>;
    // Drops what arrives until silenceMs pass without a byte.
    using DropReply = std::function<void(int silenceMs)>;
    using Progress = std::function<void(int value)>;
    // Asked before each step up to the finish mark: true ends the download there.
    using StopCheck = std::function<bool()>;

    enum class Outcome {
        Done,
        Failed,        // a start or finish mark, a status 5 or an area frame: result in code
        ClosingFailed, // a closing reply other than the fixed answer
        SizeError,     // the file is not 88,488 bytes
        Unreadable,    // the file cannot be read
        Halted,        // the stop check asked to stop before the finish mark
    };
    // How far the device got in the control block when the download ended.
    enum class Marks {
        None,       // no start mark accepted: the device keeps what it had
        Start,      // the start mark accepted, no finish mark sent
        FinishSent, // the finish mark sent, not confirmed
        Finish,     // the finish mark accepted
    };
    struct Result
    {
        Outcome outcome = Outcome::Done;
        int code = 0;
        int sentBytes = 0; // image bytes the device accepted
        Marks marks = Marks::None;
    };

    static QByteArray writeFrame(quint8 counter, quint8 area, int offset, int length,
                                 const QByteArray &data);
    static QByteArray readFrame(quint8 area, int offset, int length);
    static QByteArray commandFrame(quint8 code, quint8 length, const QByteArray &parameters);

    void setExchange(Exchange exchange) { m_exchange = std::move(exchange); }
    void setPause(Pause pause) { m_pause = std::move(pause); }
    // After the opening command, whose answer is ignored: that answer, however late, must not
    // be read as the start mark's.
    void setDropReply(DropReply drop) { m_dropReply = std::move(drop); }
    // maximum is set once the file has been read; value follows every accepted frame.
    void setProgress(Progress maximum, Progress value);
    void setStopCheck(StopCheck check) { m_stopCheck = std::move(check); }
    // The areas written, areas() unless a test writes a shorter image.
    void setAreas(const QList<Area> &areas) { m_areas = areas; }
    int imageSize() const { return imageSize(m_areas); }

    // Exchanges a write frame and steps the frame counter: the device's result, or -1.
    int writeArea(quint8 area, int offset, int length, const QByteArray &data);
    // Exchanges a read frame: 0 with the area's bytes appended to out, or -1.
    int readArea(quint8 area, int offset, int length, QByteArray &out);
    // One operation on the control block (Command); -1 for any other command.
    int controlBlock(int command);

    // Checks the file, then runs the whole download.
    Result run(const QString &path);

    quint8 frameCounter() const { return m_counter; }

private:
    int exchange(const QByteArray &frame, QByteArray *reply, int timeoutMs);
    void pause(int ms);
    void showProgress(const Progress &p, int value);
    bool closingAccepted(const QByteArray &frame, int timeoutMs);
    bool stopAsked() const { return m_stopCheck && m_stopCheck(); }

    Exchange m_exchange;
    Pause m_pause;
    DropReply m_dropReply;
    Progress m_maximum;
    Progress m_value;
    StopCheck m_stopCheck;
    QList<Area> m_areas = areas();
    // One counter for the whole run of the program, stepped by every write frame.
    quint8 m_counter = 0;
};
