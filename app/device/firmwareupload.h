#pragma once

#include <QByteArray>
#include <QString>

// The two images of a controller that the firmware page uploads.
enum class FirmwareImage { App, Os };

// What an update start finds in the image file.
struct FirmwareStart
{
    enum class Outcome { Started, CannotOpen, TooSmall, TooLarge };
    Outcome outcome = Outcome::CannotOpen;
    qint64 size = 0; // bytes of the image file
};

// The answer to one block request of the controller.
struct FirmwareBlock
{
    enum class Outcome { Block, NotContiguous, Complete, CannotOpen };
    Outcome outcome = Outcome::CannotOpen;
    quint16 number = 0;  // block number, counting from 1, cut to 16 bits
    QByteArray data;     // 1 to 256 image bytes
    qint64 progress = 0; // image bytes sent so far, this block included
    qint64 size = 0;     // bytes of the image file
    qint64 offset = 0;   // where the requested piece starts in the image
};

// One image's upload: the controller asks for the image block by block after a start, and
// each request is answered only when it asks for the block after the last one sent. The image
// file is opened afresh for every request, so a path changed mid-upload feeds the next blocks.
class FirmwareUpload
{
public:
    // The controller fetches the image in pieces of this many bytes.
    static constexpr qint64 blockBytes = 256;
    // An APP image needs more than this many bytes; an OS image may have at most this many.
    static constexpr qint64 appMinimumExclusiveBytes = 0x18FFF;
    static constexpr qint64 osMaximumBytes = 0x19000;

    explicit FirmwareUpload(FirmwareImage image)
        : m_image(image)
    {
    }

    FirmwareImage image() const { return m_image; }
    // Blocks sent since the last start.
    qint32 counter() const { return m_counter; }
    // The path and size of the last start; requests read the path given to answer().
    QString path() const { return m_path; }
    qint64 size() const { return m_size; }

    // Checks the image at path against its size limit; a started upload counts from 0 again.
    FirmwareStart start(const QString &path);
    // Answers request index requestIndex from the image now at path.
    FirmwareBlock answer(int requestIndex, const QString &path);

private:
    FirmwareImage m_image;
    qint32 m_counter = 0;
    QString m_path;
    qint64 m_size = 0;
};
