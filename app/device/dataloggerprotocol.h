#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

// The frames of the data-logger on the device link, the judges of its replies with the texts
// they lead to, and the records of a read-off turned into history rows.
namespace DataLoggerProtocol {

// Every request waits this long for each piece of its reply, except the flash clearing, which
// the device answers only once the flash is erased.
constexpr int replyTimeoutMs = 200;
constexpr int clearFlashTimeoutMs = 20000;

// Fixed part of a records reply around its k values of 4 bytes.
constexpr int recordsHeaderBytes = 19;
constexpr int recordsReplyBytes = 23; // with k = 0

QByteArray clearFlashFrame();
// 30 01, year - 2000, month, day, hour, minute, second as plain bytes, 00 00, CRC of bytes 0-9.
QByteArray setClockFrame(const QDateTime &localTime);
QByteArray readRecordsFrame(quint32 index);

// "清除成功", or "清除失败，错误码：" with the status (0 when the reply has none).
QString clearFlashText(const QByteArray &reply);
// "校对成功", "校对失败，响应错误" or "校对失败，错误码：" with the status.
QString setClockText(const QByteArray &reply);

// The CRC of a records reply, located from its end: over n - 11 bytes from byte 7 (to the end
// when that is negative), compared with bytes n - 4 and n - 3.
bool recordsCheckPasses(const QByteArray &reply);
// Bytes a records reply needs in all, once its value count (byte 17) has arrived; else 0.
int recordsReplyLength(const QByteArray &received);
// Bytes the reply to frame needs in all, judged from the frame and what has arrived; 0 while
// that cannot be told (the end mark of the records has no length of its own). Covers every
// frame the device is sent: commands, records requests and the download's frames.
int replyBytes(const QByteArray &frame, const QByteArray &received);

// The device's end mark is a records reply of at most this many bytes that fails the check.
constexpr int endMarkMaxBytes = 7;

enum class RecordsReply {
    Batch, // rows to store, then the next index
    End,   // the end mark: fails the check, starts 07 01, at most endMarkMaxBytes long
    // Fails the check otherwise (a longer reply cut short, a wrong CRC, no reply), or holds
    // fewer bytes than its value count needs
    CheckFailed,
    Stop, // passes the check but is no batch: the read-off ends without a word
};
RecordsReply judgeRecords(const QByteArray &reply);

struct RecordBatch
{
    quint32 nextIndex = 0;
    qint64 msecsSinceEpoch = 0;
    quint8 areaCode = 0;
    quint8 firstAddress = 0;
    QList<quint32> values;
};
// The fields of a reply judged a Batch.
RecordBatch parseBatch(const QByteArray &reply);
// The area name that begins a stored value's label; empty for codes without one.
QString areaName(int code);
// One row of the table "data" per value: projectid, label, datetime, value (signed 32 bits).
QList<QVariantMap> historyRows(const RecordBatch &batch, int projectId);

// A read-off's end texts name the link it came over.
enum class Wording { Serial, Bluetooth };
QString endText(Wording wording);
QString checkFailedText(Wording wording);

} // namespace DataLoggerProtocol
