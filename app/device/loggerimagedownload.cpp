#include "loggerimagedownload.h"

#include "devicelog.h"

#include <QFile>

namespace {

// The closing commands must both be answered with exactly these bytes.
const char expectedClosingReply[] = "0601040000000000";

// Offsets and lengths go out as bits 23..16, then 7..0, then 15..8.
void appendAddress(QByteArray *f, int value)
{
    const quint32 v = quint32(value);
    f->append(char((v >> 16) & 0xFF));
    f->append(char(v & 0xFF));
    f->append(char((v >> 8) & 0xFF));
}

quint8 at(const QByteArray &b, int i)
{
    return i < b.size() ? quint8(b.at(i)) : 0;
}

} // namespace

const QList<LoggerImageDownload::Area> &LoggerImageDownload::areas()
{
    static const QList<Area> table = {
        {1, 32},    {2, 32},    {4, 32},     {5, 32}, {7, 128},  {8, 32},   {10, 64},   {11, 16},
        {12, 32},   {13, 128},  {18, 0},     {19, 0}, {20, 0},   {21, 500}, {22, 2000}, {23, 2000},
        {24, 0},    {25, 0},    {26, 80},    {32, 0}, {33, 0},   {34, 0},   {35, 0},    {36, 20},
        {37, 1860}, {38, 9300}, {39, 72000}, {41, 0}, {42, 200}, {44, 0},
    };
    return table;
}

int LoggerImageDownload::imageSize(const QList<Area> &areas)
{
    int bytes = 0;
    for (const Area &a : areas)
        bytes += qMax(0, a.size);
    return bytes;
}

QByteArray LoggerImageDownload::writeFrame(quint8 counter, quint8 area, int offset, int length,
                                           const QByteArray &data)
{
    QByteArray f;
    f.append(char(0x02));
    f.append(char(counter));
    f.append(char(0x01));
    f.append(char(0x00));
    f.append(char(quint8(area + 1)));
    appendAddress(&f, offset);
    appendAddress(&f, length);
    f.append(data.left(length));
    return f;
}

QByteArray LoggerImageDownload::readFrame(quint8 area, int offset, int length)
{
    QByteArray f = writeFrame(0, area, offset, length, QByteArray());
    f[0] = char(0x01);
    return f;
}

QByteArray LoggerImageDownload::commandFrame(quint8 code, quint8 length,
                                             const QByteArray &parameters)
{
    QByteArray f;
    f.append(char(0x06));
    f.append(char(0x01));
    f.append(char(code));
    f.append(char(length));
    f.append(parameters.left(closingParameterBytes).leftJustified(closingParameterBytes, '\0'));
    return f;
}

void LoggerImageDownload::setProgress(Progress maximum, Progress value)
{
    m_maximum = std::move(maximum);
    m_value = std::move(value);
}

int LoggerImageDownload::exchange(const QByteArray &frame, QByteArray *reply, int timeoutMs)
{
    return m_exchange ? m_exchange(frame, reply, timeoutMs) : -1;
}

void LoggerImageDownload::pause(int ms)
{
    if (m_pause)
        m_pause(ms);
}

void LoggerImageDownload::showProgress(const Progress &p, int value)
{
    if (p)
        p(value);
}

int LoggerImageDownload::writeArea(quint8 area, int offset, int length, const QByteArray &data)
{
    const quint8 sent = m_counter;
    QByteArray reply;
    const int rc = exchange(writeFrame(sent, area, offset, length, data), &reply, replyTimeoutMs);
    ++m_counter;
    if (rc != 0 || reply.size() < 8 || at(reply, 0) != 0x02 || at(reply, 1) != sent)
        return -1;
    return qint32(quint32(at(reply, 4)) | quint32(at(reply, 5)) << 8 | quint32(at(reply, 6)) << 16
                  | quint32(at(reply, 7)) << 24);
}

int LoggerImageDownload::readArea(quint8 area, int offset, int length, QByteArray &out)
{
    QByteArray reply;
    const int rc = exchange(readFrame(area, offset, length), &reply, replyTimeoutMs);
    if (rc != 0 || reply.size() <= 4 || at(reply, 0) != 0x01 || at(reply, 1) != 0x00)
        return -1;
    out.append(reply.mid(4));
    return 0;
}

int LoggerImageDownload::controlBlock(int command)
{
    if (command == ReadStatus) {
        QByteArray block;
        if (readArea(controlArea, 0, controlBytes, block) != 0)
            return -1;
        return qint8(at(block, 0));
    }
    if (command != StartMark && command != FinishMark)
        return -1;
    QByteArray block(controlBytes, '\0');
    block[0] = char(command);
    return writeArea(controlArea, 0, controlBytes, block) == 0 ? 0 : -1;
}

bool LoggerImageDownload::closingAccepted(const QByteArray &frame, int timeoutMs)
{
    QByteArray reply;
    exchange(frame, &reply, timeoutMs);
    return reply.toHex() == expectedClosingReply;
}

LoggerImageDownload::Result LoggerImageDownload::run(const QString &path)
{
    // The file is checked before the device hears anything, so a wrong file leaves it alone.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcDevice) << "Failed to open file";
        return {Outcome::Unreadable, 0};
    }
    const int size = imageSize();
    if (file.size() != size)
        return {Outcome::SizeError, 0};
    const QByteArray image = file.readAll();
    file.close();
    if (image.size() != size)
        return {Outcome::Unreadable, 0};

    QByteArray reply;
    exchange(commandFrame(0xFF, 0, QByteArray()), &reply, replyTimeoutMs);
    // A device slow to answer the opening would answer the start mark with it.
    if (m_dropReply)
        m_dropReply(replyTimeoutMs);
    pause(pauseMs);
    // Up to the finish mark the device keeps what it had; after it, it stores the image and
    // the closing commands must run.
    Result r{Outcome::Halted, 0, 0, Marks::None};
    if (stopAsked())
        return r;
    if (const int rc = controlBlock(StartMark))
        return {Outcome::Failed, rc};
    r.marks = Marks::Start;
    pause(pauseMs);
    // The device reports 5 when it refuses the image; any other status lets it go on.
    for (int poll = 0; poll < statusPolls; ++poll) {
        if (stopAsked())
            return r;
        if (controlBlock(ReadStatus) == refusedStatus) {
            r.outcome = Outcome::Failed;
            r.code = refusedStatus;
            return r;
        }
        pause(pauseMs);
    }

    showProgress(m_maximum, size);
    showProgress(m_value, 0);
    int imageOffset = 0;
    QByteArray closingCode;
    QByteArray closingParameters;
    for (const Area &area : qAsConst(m_areas)) {
        if (area.size <= 0)
            continue;
        const QByteArray data = image.mid(imageOffset, area.size);
        imageOffset += area.size;
        if (area.number == closingArea) {
            closingCode = data.mid(closingCodeOffset, 1);
            closingParameters = data.mid(closingCodeOffset + 1, closingParameterBytes);
        }
        for (int offset = 0; offset < area.size; offset += frameBytes) {
            if (stopAsked())
                return r;
            const int length = qMin(frameBytes, area.size - offset);
            if (const int rc
                = writeArea(quint8(area.number), offset, length, data.mid(offset, length))) {
                r.outcome = Outcome::Failed;
                r.code = rc;
                return r;
            }
            r.sentBytes += length;
            showProgress(m_value, r.sentBytes);
        }
    }
    if (stopAsked())
        return r;
    showProgress(m_value, size - size / 100);

    r.marks = Marks::FinishSent;
    if (const int rc = controlBlock(FinishMark)) {
        r.outcome = Outcome::Failed;
        r.code = rc;
        return r;
    }
    r.marks = Marks::Finish;
    const bool closed
        = closingAccepted(
              commandFrame(quint8(at(closingCode, 0)), closingParameterBytes, closingParameters),
              firstClosingTimeoutMs)
          && closingAccepted(commandFrame(0x04, closingParameterBytes, closingParameters),
                             replyTimeoutMs);
    if (!closed) {
        showProgress(m_value, 0);
        r.outcome = Outcome::ClosingFailed;
        return r;
    }
    showProgress(m_value, size);
    r.outcome = Outcome::Done;
    return r;
}
