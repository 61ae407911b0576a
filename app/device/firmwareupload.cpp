#include "firmwareupload.h"

#include <QDebug>
#include <QFile>

FirmwareStart FirmwareUpload::start(const QString &path)
{
    FirmwareStart result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Failed to open file";
        return result;
    }
    result.size = file.size();
    file.close();
    if (m_image == FirmwareImage::App && result.size <= appMinimumExclusiveBytes) {
        result.outcome = FirmwareStart::Outcome::TooSmall;
        return result;
    }
    if (m_image == FirmwareImage::Os && result.size > osMaximumBytes) {
        result.outcome = FirmwareStart::Outcome::TooLarge;
        return result;
    }
    result.outcome = FirmwareStart::Outcome::Started;
    m_counter = 0;
    m_path = path;
    m_size = result.size;
    return result;
}

FirmwareBlock FirmwareUpload::answer(int requestIndex, const QString &path)
{
    FirmwareBlock result;
    if (requestIndex != m_counter) {
        result.outcome = FirmwareBlock::Outcome::NotContiguous;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "Failed to open file";
        return result;
    }
    result.size = file.size();
    result.offset = qint64(m_counter) * blockBytes;
    qDebug() << result.offset;
    if (result.offset >= result.size) {
        // The counter stays, so a repeated completion request completes again.
        result.outcome = FirmwareBlock::Outcome::Complete;
        return result;
    }
    if (!file.seek(result.offset)) {
        qDebug() << "Failed to open file";
        return result;
    }
    result.data = file.read(blockBytes);
    if (result.data.isEmpty()) {
        qDebug() << "Failed to open file";
        return result;
    }
    ++m_counter;
    result.outcome = FirmwareBlock::Outcome::Block;
    result.number = quint16(m_counter);
    result.progress = result.offset + result.data.size();
    return result;
}
