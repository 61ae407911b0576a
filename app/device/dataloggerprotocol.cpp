#include "dataloggerprotocol.h"

#include "fwpacket.h"

#include <QCoreApplication>

namespace DataLoggerProtocol {

namespace {

// The texts belong to the window that shows them.
QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// A byte past the end of a reply reads as 0.
quint8 at(const QByteArray &b, int i)
{
    return i >= 0 && i < b.size() ? quint8(b.at(i)) : 0;
}

quint32 le32(const QByteArray &b, int i)
{
    return quint32(at(b, i)) | quint32(at(b, i + 1)) << 8 | quint32(at(b, i + 2)) << 16
           | quint32(at(b, i + 3)) << 24;
}

bool startsRecords(const QByteArray &reply)
{
    return at(reply, 0) == 0x07 && at(reply, 1) == 0x01;
}

} // namespace

QByteArray clearFlashFrame()
{
    return QByteArray::fromHex("07010200000000");
}

QByteArray setClockFrame(const QDateTime &localTime)
{
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    QByteArray f = QByteArray::fromHex("3001");
    f.append(char((d.year() - 2000) & 0xFF));
    f.append(char(d.month()));
    f.append(char(d.day()));
    f.append(char(t.hour()));
    f.append(char(t.minute()));
    f.append(char(t.second()));
    f.append(2, '\0');
    return FwPacket::withCrc(f);
}

QByteArray readRecordsFrame(quint32 index)
{
    QByteArray f = QByteArray::fromHex("070101");
    for (int shift = 0; shift < 32; shift += 8)
        f.append(char((index >> shift) & 0xFF));
    return f;
}

QString clearFlashText(const QByteArray &reply)
{
    if (startsRecords(reply) && (reply.size() == 2 || at(reply, 2) == 0))
        return tr("清除成功");
    return tr("清除失败，错误码：") + QString::number(qint8(at(reply, 2)));
}

QString setClockText(const QByteArray &reply)
{
    if (reply.size() != 5 || at(reply, 0) != 0x30 || at(reply, 1) != 0x01)
        return tr("校对失败，响应错误");
    if (at(reply, 2) != 0)
        return tr("校对失败，错误码：") + QString::number(qint8(at(reply, 2)));
    return tr("校对成功");
}

bool recordsCheckPasses(const QByteArray &reply)
{
    const int n = reply.size();
    if (n < 4)
        return false;
    const int start = 7;
    const int length = n - 11 >= 0 ? n - 11 : qMax(0, n - start);
    const quint16 crc = calcCrc16(
        reinterpret_cast<const quint8 *>(reply.constData()) + qMin(start, n), quint16(length));
    return crc == quint16(at(reply, n - 4) | at(reply, n - 3) << 8);
}

int recordsReplyLength(const QByteArray &received)
{
    if (received.size() < 18)
        return 0;
    return recordsReplyBytes + 4 * at(received, 17);
}

int replyBytes(const QByteArray &frame, const QByteArray &received)
{
    switch (at(frame, 0)) {
    case 0x07:
        if (at(frame, 2) == 0x01)
            return recordsReplyLength(received);
        // The flash clearing is answered 07 01 and its status; more may follow, unexamined.
        return 3;
    case 0x30: // the clock: 30 01, the status and two bytes
        return 5;
    case 0x02: // a download write frame: type, counter, two bytes, the result
    case 0x06: // a command frame
        return 8;
    case 0x01: // a download read frame: four bytes, then the length asked for (bytes 8-10)
        return 4 + (at(frame, 8) << 16 | at(frame, 9) | at(frame, 10) << 8);
    default:
        return 0;
    }
}

RecordsReply judgeRecords(const QByteArray &reply)
{
    // A batch cut short fails its CRC, or names more values than it holds.
    if (startsRecords(reply) && reply.size() > 14
        && reply.size() < recordsReplyBytes + 4 * at(reply, 17))
        return RecordsReply::CheckFailed;
    // Only the device's short end mark means it has nothing more; a longer reply that fails
    // the check is a batch lost on the way, however it starts.
    if (!recordsCheckPasses(reply)) {
        return startsRecords(reply) && reply.size() <= endMarkMaxBytes ? RecordsReply::End
                                                                       : RecordsReply::CheckFailed;
    }
    if (reply.size() <= 14 || !startsRecords(reply))
        return RecordsReply::Stop;
    return RecordsReply::Batch;
}

RecordBatch parseBatch(const QByteArray &reply)
{
    RecordBatch b;
    b.nextIndex = le32(reply, 3);
    const qint32 seconds = qint32(le32(reply, 9));
    const int msecs = at(reply, 13) | at(reply, 14) << 8;
    // The device counts seconds from 1970-01-01 08:00:00 of the PC's local time.
    const qint64 base = QDateTime(QDate(1970, 1, 1), QTime(8, 0), Qt::LocalTime).toSecsSinceEpoch();
    b.msecsSinceEpoch = (base + seconds) * 1000 + msecs;
    b.areaCode = at(reply, 15);
    b.firstAddress = at(reply, 16);
    const int count = at(reply, 17);
    for (int j = 0; j < count; ++j)
        b.values << le32(reply, recordsHeaderBytes + 4 * j);
    return b;
}

QString areaName(int code)
{
    static const char *const names[]
        = {"DI", "DI_F", "DI_S", "DO",  "DO_F", "DO_S", "AI",  "AI_F", "AI_S", "AO", "AO_F", "AO_S",
           "SD", "SA",   "NDI",  "NDO", "NAI",  "NAO",  "HDS", "HDP",  "HAI",  "LD", "LA",   "LW"};
    if (code < 1 || code > int(sizeof names / sizeof names[0]))
        return QString();
    return QLatin1String(names[code - 1]);
}

QList<QVariantMap> historyRows(const RecordBatch &batch, int projectId)
{
    const QString name = areaName(batch.areaCode);
    const QString time = QDateTime::fromMSecsSinceEpoch(batch.msecsSinceEpoch)
                             .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    QList<QVariantMap> rows;
    for (int j = 0; j < batch.values.size(); ++j) {
        QVariantMap row;
        row.insert(QStringLiteral("projectid"), projectId);
        row.insert(QStringLiteral("label"), name + QString::number(batch.firstAddress + j));
        row.insert(QStringLiteral("datetime"), time);
        row.insert(QStringLiteral("value"), qint32(batch.values.at(j)));
        rows << row;
    }
    return rows;
}

QString endText(Wording wording)
{
    return wording == Wording::Serial ? tr("离线数据导入完成") : tr("蓝牙导入完成");
}

QString checkFailedText(Wording wording)
{
    return wording == Wording::Serial ? tr("校验错误，离线数据导入停止")
                                      : tr("校验错误，蓝牙数据导入停止");
}

} // namespace DataLoggerProtocol
