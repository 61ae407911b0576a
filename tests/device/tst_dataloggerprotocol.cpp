// The data-logger's frames and reply judges, the records of a read-off as history rows, and the
// memory-image download against an in-process device: frames, counter, progress and failures.
// Runs under two time zones (ctest sets TZ); the stored times must not depend on it.
#include "dataloggerprotocol.h"
#include "fwpacket.h"
#include "loggerimagedownload.h"
#include "recordreadoff.h"
#include "sqlitehandler.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(DataLoggerProtocol::RecordsReply)
Q_DECLARE_METATYPE(LoggerImageDownload::Outcome)

// Frame number (from 1) -> the reply the device gives instead; empty for silence.
using FrameReplies = QMap<int, QByteArray>;

using namespace DataLoggerProtocol;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

void appendLe32(QByteArray *b, quint32 v)
{
    for (int shift = 0; shift < 32; shift += 8)
        b->append(char((v >> shift) & 0xFF));
}

// A records reply as the device sends it: 23 + 4k bytes, CRC over bytes 7 .. n - 5.
QByteArray recordsReply(quint32 next, qint32 seconds, int ms, int area, int address,
                        const QList<quint32> &values)
{
    QByteArray r = hex("070100");
    appendLe32(&r, next);
    r.append(hex("0000"));
    appendLe32(&r, quint32(seconds));
    r.append(char(ms & 0xFF));
    r.append(char(ms >> 8));
    r.append(char(area));
    r.append(char(address));
    r.append(char(values.size()));
    r.append('\0');
    for (quint32 v : values)
        appendLe32(&r, v);
    const quint16 crc = calcCrc16(r.mid(7));
    r.append(char(crc & 0xFF));
    r.append(char(crc >> 8));
    return r + hex("0d0a");
}

// A data-logger in the test's own process: it answers every download frame like a good device
// unless a rule for the frame's number (counted from 1) says otherwise.
struct FakeLogger
{
    QList<QByteArray> frames;
    QMap<int, QByteArray> memory;
    // Frame number -> the reply to give instead ("" for silence).
    QMap<int, QByteArray> replies;
    int status = 4;

    int exchange(const QByteArray &frame, QByteArray *reply)
    {
        frames << frame;
        const int n = frames.size();
        if (replies.contains(n)) {
            if (replies.value(n).isEmpty())
                return -1;
            *reply = replies.value(n);
            return 0;
        }
        const auto at = [&frame](int i) { return quint8(frame.at(i)); };
        const int area = at(4) - 1;
        const int offset = at(5) << 16 | at(6) | at(7) << 8;
        const int length = at(8) << 16 | at(9) | at(10) << 8;
        switch (at(0)) {
        case 0x02: {
            QByteArray &m = memory[area];
            if (m.size() < offset + length)
                m.resize(offset + length);
            m.replace(offset, length, frame.mid(11));
            *reply = hex("02") + frame.mid(1, 1) + hex("000000000000");
            return 0;
        }
        case 0x01:
            *reply = hex("01000000") + char(status) + QByteArray(length - 1, '\0');
            return 0;
        default:
            *reply = at(2) == 0xFF ? hex("0601ff00") : hex("0601040000000000");
            return 0;
        }
    }
};

// A valid image: area 26 carries the first closing command (code at 56, parameters 57-64).
QByteArray testImage()
{
    QByteArray image;
    for (int i = 0; i < LoggerImageDownload::imageBytes; ++i)
        image.append(char((i * 31 + i / 251) & 0xFF));
    int offset = 0;
    for (const auto &a : LoggerImageDownload::areas()) {
        if (a.number == LoggerImageDownload::closingArea) {
            image[offset + 56] = char(0x04);
            image.replace(offset + 57, 8, hex("1122334455667788"));
        }
        offset += a.size;
    }
    return image;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

} // namespace

class TestDataLoggerProtocol : public QObject
{
    Q_OBJECT

private slots:
    void clockFrame_data();
    void clockFrame();
    void otherFrames();
    void clearFlashText_data();
    void clearFlashText();
    void setClockText_data();
    void setClockText();
    void judgeRecords_data();
    void judgeRecords();
    void replyLength();
    void batchRows();
    void readOffStopsAtRefusedBatch();
    void readOffWaitsForHeldFile_data();
    void readOffWaitsForHeldFile();
    void readOffEndText_data();
    void readOffEndText();
    void areaNames_data();
    void areaNames();
    void downloadFrames();
    void areaTable();
    void fullDownload();
    void counterWraps();
    void downloadFailures_data();
    void downloadFailures();

private:
    QTemporaryDir m_dir;
};

void TestDataLoggerProtocol::clockFrame_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("2026-03-07 14:05:09")
        << QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)) << hex("30011a03070e0509000077a3");
    QTest::newRow("2099-12-31 23:59:59") << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59))
                                         << FwPacket::withCrc(hex("3001630c1f173b3b0000"));
}

void TestDataLoggerProtocol::clockFrame()
{
    QFETCH(QDateTime, time);
    QFETCH(QByteArray, frame);
    QCOMPARE(setClockFrame(time).toHex(' '), frame.toHex(' '));
}

void TestDataLoggerProtocol::otherFrames()
{
    QCOMPARE(clearFlashFrame(), hex("07010200000000"));
    QCOMPARE(readRecordsFrame(0), hex("07010100000000"));
    QCOMPARE(readRecordsFrame(0x01020304), hex("07010104030201"));
}

void TestDataLoggerProtocol::clearFlashText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("07 01") << hex("0701") << "清除成功";
    QTest::newRow("07 01 00 and more") << hex("07010000aa") << "清除成功";
    QTest::newRow("07 01 FF") << hex("0701ff") << "清除失败，错误码：-1";
    QTest::newRow("07 01 05") << hex("070105") << "清除失败，错误码：5";
    QTest::newRow("no reply") << QByteArray() << "清除失败，错误码：0";
    QTest::newRow("07 02 00") << hex("070200") << "清除失败，错误码：0";
}

void TestDataLoggerProtocol::clearFlashText()
{
    QFETCH(QByteArray, reply);
    QTEST(DataLoggerProtocol::clearFlashText(reply), "text");
}

void TestDataLoggerProtocol::setClockText_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("done") << hex("300100abcd") << "校对成功";
    QTest::newRow("status 5") << hex("3001050000") << "校对失败，错误码：5";
    QTest::newRow("status FB") << hex("3001fb0000") << "校对失败，错误码：-5";
    QTest::newRow("6 bytes") << hex("300100000000") << "校对失败，响应错误";
    QTest::newRow("4 bytes") << hex("30010000") << "校对失败，响应错误";
    QTest::newRow("30 02") << hex("3002000000") << "校对失败，响应错误";
    QTest::newRow("no reply") << QByteArray() << "校对失败，响应错误";
}

void TestDataLoggerProtocol::setClockText()
{
    QFETCH(QByteArray, reply);
    QTEST(DataLoggerProtocol::setClockText(reply), "text");
}

void TestDataLoggerProtocol::judgeRecords_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<RecordsReply>("judged");
    const QByteArray two = recordsReply(9, 100, 0, 7, 3, {1, 2});
    QByteArray badCrc = two;
    badCrc[two.size() - 4] = char(badCrc.at(two.size() - 4) ^ 1);
    QByteArray overCount = two;
    overCount[17] = 3;
    QTest::newRow("31 bytes, k = 2") << two << RecordsReply::Batch;
    QTest::newRow("23 bytes, k = 0") << recordsReply(1, 0, 0, 7, 0, {}) << RecordsReply::Batch;
    QTest::newRow("end mark 07 01 00 + 2") << hex("0701000000") << RecordsReply::End;
    QTest::newRow("bare 07 01") << hex("0701") << RecordsReply::End;
    QTest::newRow("no reply") << QByteArray() << RecordsReply::CheckFailed;
    QTest::newRow("wrong CRC of a whole batch") << badCrc << RecordsReply::CheckFailed;
    // Only the device's short end mark ends the records; a batch cut early is a lost batch.
    QTest::newRow("7 bytes of a batch read as the end mark") << two.left(7) << RecordsReply::End;
    for (int cut : {8, 10, 14})
        QTest::addRow("batch cut after %d bytes", cut)
            << two.left(cut) << RecordsReply::CheckFailed;
    QTest::newRow("wrong CRC, other start")
        << hex("0801") + badCrc.mid(2) << RecordsReply::CheckFailed;
    QTest::newRow("batch cut after 20 bytes") << two.left(20) << RecordsReply::CheckFailed;
    QTest::newRow("batch cut after 15 bytes") << two.left(15) << RecordsReply::CheckFailed;
    QTest::newRow("count names more values than sent") << overCount << RecordsReply::CheckFailed;
    QTest::newRow("checked, 11 bytes") << hex("07010000000000ffff0000") << RecordsReply::Stop;
    QTest::newRow("checked, other start") << hex("08010000000000ffff0000") << RecordsReply::Stop;
}

void TestDataLoggerProtocol::judgeRecords()
{
    QFETCH(QByteArray, reply);
    QTEST(DataLoggerProtocol::judgeRecords(reply), "judged");
}

void TestDataLoggerProtocol::replyLength()
{
    // Every frame the device is sent, with the reply length it is read to.
    const QByteArray two = recordsReply(9, 100, 0, 7, 3, {1, 2});
    QCOMPARE(replyBytes(clearFlashFrame(), hex("07")), 3);
    QCOMPARE(replyBytes(setClockFrame(QDateTime::currentDateTime()), hex("30")), 5);
    QCOMPARE(replyBytes(readRecordsFrame(4), two.left(17)), 0);
    QCOMPARE(replyBytes(readRecordsFrame(4), two.left(18)), 31);
    QCOMPARE(replyBytes(LoggerImageDownload::writeFrame(1, 39, 0, 1000, QByteArray(1000, 'x')),
                        hex("02")),
             8);
    QCOMPARE(replyBytes(LoggerImageDownload::readFrame(32, 0, 20), hex("01")), 24);
    QCOMPARE(replyBytes(LoggerImageDownload::readFrame(39, 0, 0x11558), hex("01")), 4 + 0x11558);
    QCOMPARE(replyBytes(LoggerImageDownload::commandFrame(0xFF, 0, {}), hex("06")), 8);
    QCOMPARE(replyBytes("AT\r\n", "+OK"), 0);

    QCOMPARE(recordsReplyLength(two.left(17)), 0);
    QCOMPARE(recordsReplyLength(two.left(18)), 31);
    QCOMPARE(recordsReplyLength(hex("0701000000")), 0);
    QByteArray many = two.left(18);
    many[17] = char(255);
    QCOMPARE(recordsReplyLength(many), 23 + 4 * 255);
}

void TestDataLoggerProtocol::batchRows()
{
    const QByteArray reply = recordsReply(0x01020304, 0, 500, 7, 3, {5, 0xFFFFFFFF});
    QCOMPARE(DataLoggerProtocol::judgeRecords(reply), RecordsReply::Batch);
    const RecordBatch batch = parseBatch(reply);
    QCOMPARE(batch.nextIndex, quint32(0x01020304));
    const QList<QVariantMap> rows = historyRows(batch, 4);
    QCOMPARE(rows.size(), 2);
    const QString time = QStringLiteral("1970-01-01 08:00:00.500");
    QCOMPARE(rows.at(0),
             (QVariantMap{{"projectid", 4}, {"label", "AI3"}, {"datetime", time}, {"value", 5}}));
    QCOMPARE(rows.at(1),
             (QVariantMap{{"projectid", 4}, {"label", "AI4"}, {"datetime", time}, {"value", -1}}));

    const RecordBatch later = parseBatch(recordsReply(1, 86400 + 61, 7, 1, 0, {1}));
    QCOMPARE(historyRows(later, 0).first().value("datetime").toString(),
             QStringLiteral("1970-01-02 08:01:01.007"));
    QVERIFY(historyRows(parseBatch(recordsReply(1, 0, 0, 7, 0, {})), 0).isEmpty());
}

void TestDataLoggerProtocol::readOffStopsAtRefusedBatch()
{
    const QString file = m_dir.filePath("refused.db");
    QVERIFY(SQLiteHandler::createDatabase(file));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "refuse");
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("CREATE TRIGGER refuse BEFORE INSERT ON data WHEN "
                                   "NEW.value = 21 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    QSqlDatabase::removeDatabase("refuse");

    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(file));
    QList<QByteArray> replies{recordsReply(40, 0, 0, 7, 3, {10, 11}),
                              recordsReply(41, 1, 0, 7, 3, {20, 21}), hex("0701000000")};
    QList<QByteArray> frames;
    RecordReadOff readOff(
        [&](const QByteArray &frame, QByteArray *reply) {
            frames << frame;
            if (replies.isEmpty())
                return -1;
            *reply = replies.takeFirst();
            return 0;
        },
        &handler);
    const RecordReadOff::Result r = readOff.run(7, 3);
    QCOMPARE(r.outcome, RecordReadOff::Outcome::FileRefused);
    QCOMPARE(r.batches, 1);
    QCOMPARE(r.rows, 2);
    QCOMPARE(r.failedRows, 2);
    QCOMPARE(r.nextIndex, quint32(40));
    QVERIFY2(r.fileError.contains("refused"), qPrintable(r.fileError));
    // Not a request past the batch the file refused.
    QCOMPARE(frames, (QList<QByteArray>{readRecordsFrame(7), readRecordsFrame(40)}));
    // The refused batch is not in the history at all: its first row went back with it.
    const QList<QVariantMap> stored
        = handler.selectRecords("data", {"projectid", "label", "value"}, "", "id", "", 0, 0);
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored.at(0).value("value").toInt(), 10);
    QCOMPARE(stored.at(1).value("value").toInt(), 11);
    QCOMPARE(stored.at(1).value("projectid").toInt(), 3);
    const QString text = RecordReadOff::endText(Wording::Serial, r, QString());
    QVERIFY2(text.startsWith(QStringLiteral("历史数据库拒绝写入（") + r.fileError
                             + QStringLiteral("），离线数据导入停止：已导入1批（2条数据），"
                                              "停在记录索引40，该批2条数据未存入")),
             qPrintable(text));
}

void TestDataLoggerProtocol::readOffWaitsForHeldFile_data()
{
    QTest::addColumn<bool>("stop"); // a stop asked while waiting, else the file let go
    QTest::newRow("let go after five tries") << false;
    QTest::newRow("stop asked while waiting") << true;
}

// Another connection holds the file exclusively while the second batch is stored: the read-off
// tries again slice by slice, the hook run between tries with no transaction open.
void TestDataLoggerProtocol::readOffWaitsForHeldFile()
{
    QFETCH(bool, stop);
    const QString file = m_dir.filePath(stop ? "held-stop.db" : "held.db");
    QVERIFY(SQLiteHandler::createDatabase(file));
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(file));
    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName(file);
    QVERIFY(other.open());
    QList<QByteArray> replies{recordsReply(1, 0, 0, 7, 3, {10, 11}),
                              recordsReply(2, 1, 0, 7, 3, {20, 21}), hex("0701000000")};
    int requests = 0;
    RecordReadOff readOff(
        [&](const QByteArray &, QByteArray *reply) {
            if (++requests == 2)
                QSqlQuery(other).exec("BEGIN EXCLUSIVE");
            *reply = replies.value(requests - 1);
            return 0;
        },
        &handler);
    int tries = 0;
    bool stopAsked = false;
    bool transactionSeen = false;
    readOff.setFileWaitHook([&] {
        // Nothing of the read-off's is open: the other connection could write now.
        transactionSeen = transactionSeen || !QSqlQuery(handler.database()).exec("BEGIN");
        QSqlQuery(handler.database()).exec("ROLLBACK");
        if (++tries == 5) {
            if (stop)
                stopAsked = true;
            else
                QSqlQuery(other).exec("ROLLBACK");
        }
    });
    readOff.setStopCheck([&] { return stopAsked; });
    const RecordReadOff::Result r = readOff.run(0, 1);
    QSqlQuery(other).exec("ROLLBACK");
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("other");
    QVERIFY(!transactionSeen);
    QCOMPARE(tries, 5);
    QCOMPARE(r.outcome, stop ? RecordReadOff::Outcome::Halted : RecordReadOff::Outcome::End);
    QCOMPARE(r.batches, stop ? 1 : 2);
    QCOMPARE(r.rows, stop ? 2 : 4);
    QCOMPARE(r.failedRows, stop ? 2 : 0);
    QCOMPARE(r.nextIndex, quint32(stop ? 1 : 2));
    QCOMPARE(handler.selectRecords("data", {"value"}, "", "id", "", 0, 0).size(), r.rows);
}

void TestDataLoggerProtocol::readOffEndText_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<QList<int>>("counts"); // batches, rows, kept, failed, aged, next index
    QTest::addColumn<QString>("text");
    using O = RecordReadOff::Outcome;
    QTest::newRow("complete, some held already, some past the retention")
        << int(O::End) << false << QList<int>{3, 4, 2, 0, 6, 3}
        << "离线数据导入完成：已导入3批（4条数据），另有2条历史数据中已有\n"
           "其中6条早于覆盖时间（1天），将在历史数据清理时删除";
    QTest::newRow("Bluetooth complete") << int(O::End) << true << QList<int>{2, 4, 0, 0, 0, 2}
                                        << "蓝牙导入完成：已导入2批（4条数据）";
    QTest::newRow("check failed")
        << int(O::CheckFailed) << false << QList<int>{1, 2, 0, 0, 0, 1}
        << "校验错误，离线数据导入停止：已导入1批（2条数据），停在记录索引1";
    QTest::newRow("device silent, Bluetooth")
        << int(O::NoReply) << true << QList<int>{0, 0, 0, 0, 0, 0}
        << "设备无应答，蓝牙数据导入停止：已导入0批（0条数据），停在记录索引0";
    QTest::newRow("line lost") << int(O::LinkLost) << false << QList<int>{5, 10, 0, 0, 0, 5}
                               << "串口连接已断开，离线数据导入停止：已导入5批（10条数据），"
                                  "停在记录索引5";
    QTest::newRow("reply no batch") << int(O::Stopped) << false << QList<int>{1, 2, 0, 0, 0, 1}
                                    << "设备应答无法识别，离线数据导入停止：已导入1批（2条数据），"
                                       "停在记录索引1";
    QTest::newRow("stopped while waiting for the file")
        << int(O::Halted) << false << QList<int>{4, 8, 0, 2, 0, 4}
        << "离线数据导入已停止：已导入4批（8条数据），停在记录索引4，该批2条数据未存入";
    QTest::newRow("file held") << int(O::FileHeld) << true << QList<int>{4, 8, 0, 2, 8, 4}
                               << "历史数据库被其他程序占用15秒，蓝牙数据导入停止：已导入4批"
                                  "（8条数据），停在记录索引4，该批2条数据未存入\n"
                                  "其中8条早于覆盖时间（1天），将在历史数据清理时删除";
}

void TestDataLoggerProtocol::readOffEndText()
{
    QFETCH(int, outcome);
    QFETCH(bool, bluetooth);
    QFETCH(QList<int>, counts);
    RecordReadOff::Result r;
    r.outcome = RecordReadOff::Outcome(outcome);
    r.batches = counts.at(0);
    r.rows = counts.at(1);
    r.keptRows = counts.at(2);
    r.failedRows = counts.at(3);
    r.agedRows = counts.at(4);
    r.nextIndex = quint32(counts.at(5));
    QTEST(RecordReadOff::endText(bluetooth ? Wording::Bluetooth : Wording::Serial, r,
                                 QStringLiteral("1天")),
          "text");
}

void TestDataLoggerProtocol::areaNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("label");
    QTest::newRow("1 DI") << 1 << "DI12";
    QTest::newRow("7 AI") << 7 << "AI12";
    QTest::newRow("24 LW") << 24 << "LW12";
    QTest::newRow("0 bare number") << 0 << "12";
    QTest::newRow("25 bare number") << 25 << "12";
    QTest::newRow("200 bare number") << 200 << "12";
}

void TestDataLoggerProtocol::areaNames()
{
    QFETCH(int, code);
    const RecordBatch batch = parseBatch(recordsReply(1, 0, 0, code, 12, {1}));
    QTEST(historyRows(batch, 0).first().value("label").toString(), "label");
}

void TestDataLoggerProtocol::downloadFrames()
{
    const QByteArray data(1200, 'x');
    const QByteArray frame = LoggerImageDownload::writeFrame(5, 39, 71000, 1000, data);
    QCOMPARE(frame.left(11).toHex(' '), QByteArray("02 05 01 00 28 01 58 15 00 e8 03"));
    QCOMPARE(frame.size(), 11 + 1000);
    QCOMPARE(LoggerImageDownload::writeFrame(0, 11, 0, 16, "short").size(), 11 + 5);
    QCOMPARE(LoggerImageDownload::readFrame(32, 0, 20).toHex(' '),
             QByteArray("01 00 01 00 21 00 00 00 00 14 00"));
    QCOMPARE(LoggerImageDownload::commandFrame(0xFF, 0, QByteArray()).toHex(' '),
             QByteArray("06 01 ff 00 00 00 00 00 00 00 00 00"));
    QCOMPARE(LoggerImageDownload::commandFrame(0x04, 8, hex("1122334455667788")).toHex(' '),
             QByteArray("06 01 04 08 11 22 33 44 55 66 77 88"));
}

void TestDataLoggerProtocol::areaTable()
{
    int sum = 0;
    int frames = 0;
    for (const auto &a : LoggerImageDownload::areas()) {
        sum += a.size;
        frames += (a.size + LoggerImageDownload::frameBytes - 1) / LoggerImageDownload::frameBytes;
    }
    QCOMPARE(LoggerImageDownload::areas().size(), 30);
    QCOMPARE(sum, LoggerImageDownload::imageBytes);
    QCOMPARE(frames, 102);
}

void TestDataLoggerProtocol::fullDownload()
{
    const QByteArray image = testImage();
    const QString path = writeFile(m_dir, "image.bin", image);
    FakeLogger device;
    LoggerImageDownload download;
    download.setExchange(
        [&device](const QByteArray &f, QByteArray *r, int) { return device.exchange(f, r); });
    QList<int> pauses;
    download.setPause([&pauses](int ms) { pauses << ms; });
    int maximum = 0;
    QList<int> progress;
    download.setProgress([&maximum](int m) { maximum = m; }, [&progress](int v) { progress << v; });
    const quint8 counter = download.frameCounter();

    const LoggerImageDownload::Result r = download.run(path);
    QCOMPARE(r.outcome, LoggerImageDownload::Outcome::Done);
    // Opening, start mark, 10 polls, 102 area frames, finish mark, two closings.
    QCOMPARE(device.frames.size(), 1 + 1 + 10 + 102 + 1 + 2);
    QCOMPARE(quint8(download.frameCounter() - counter), quint8(104));
    QCOMPARE(pauses.size(), 12);
    QCOMPARE(pauses.count(10), 12);
    QCOMPARE(maximum, 88488);
    QCOMPARE(progress.first(), 0);
    QCOMPARE(progress.mid(progress.size() - 3), (QList<int>{88488, 87604, 88488}));

    // Areas arrive in table order, in frames of at most 1000 bytes: 37 as 1000 + 860, 39 as 72.
    QList<int> area37;
    int area39 = 0;
    for (const QByteArray &f : device.frames) {
        if (f.at(0) == 0x02 && f.at(4) == 38)
            area37 << f.size() - 11;
        area39 += f.at(0) == 0x02 && f.at(4) == 40 ? 1 : 0;
    }
    QCOMPARE(area37, (QList<int>{1000, 860}));
    QCOMPARE(area39, 72);
    QByteArray received;
    for (const auto &a : LoggerImageDownload::areas()) {
        if (a.size > 0)
            received += device.memory.value(a.number);
    }
    QCOMPARE(received.size(), image.size());
    QVERIFY(received == image);
    QCOMPARE(device.memory.value(32).left(1), hex("06"));
    QCOMPARE(device.frames.at(device.frames.size() - 2), hex("060104081122334455667788"));
    QCOMPARE(device.frames.last(), hex("060104081122334455667788"));
}

void TestDataLoggerProtocol::counterWraps()
{
    FakeLogger device;
    LoggerImageDownload download;
    download.setExchange(
        [&device](const QByteArray &f, QByteArray *r, int) { return device.exchange(f, r); });
    // A failed exchange steps the counter as well.
    device.replies.insert(3, QByteArray());
    const quint8 start = download.frameCounter();
    for (int i = 0; i < 256; ++i)
        download.writeArea(1, 0, 1, "a");
    QCOMPARE(download.frameCounter(), start);
    QCOMPARE(quint8(device.frames.at(255).at(1)), quint8(start + 255));
}

void TestDataLoggerProtocol::downloadFailures_data()
{
    QTest::addColumn<FrameReplies>("replies");
    QTest::addColumn<int>("fileBytes");
    QTest::addColumn<LoggerImageDownload::Outcome>("outcome");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("framesSent");
    QTest::addColumn<int>("lastProgress");

    using O = LoggerImageDownload::Outcome;
    using M = FrameReplies;
    const int size = LoggerImageDownload::imageBytes;
    const int all = 117;
    const int firstArea = 13; // frame number of the first area frame
    QTest::newRow("start mark refused")
        << M{{2, hex("020000000300000000")}} << size << O::Failed << -1 << 2 << -1;
    QTest::newRow("start mark silent")
        << M{{2, QByteArray()}} << size << O::Failed << -1 << 2 << -1;
    QTest::newRow("status 5 in the fourth poll")
        << M{{6, hex("0100000005")}} << size << O::Failed << 5 << 6 << -1;
    QTest::newRow("status polls never answered")
        << M{{3, ""}, {4, ""}, {5, ""},  {6, ""},  {7, ""},
             {8, ""}, {9, ""}, {10, ""}, {11, ""}, {12, ""}}
        << size << O::Done << 0 << all << size;
    QTest::newRow("second area frame result 7") << M{{firstArea + 1, hex("0202000007000000")}}
                                                << size << O::Failed << 7 << firstArea + 1 << 32;
    QTest::newRow("area frame with the wrong counter")
        << M{{firstArea, hex("02ff000000000000")}} << size << O::Failed << -1 << firstArea << 0;
    QTest::newRow("area frame reply of 7 bytes")
        << M{{firstArea, hex("02010000000000")}} << size << O::Failed << -1 << firstArea << 0;
    QTest::newRow("finish mark refused")
        << M{{all - 2, QByteArray()}} << size << O::Failed << -1 << all - 2 << size - size / 100;
    QTest::newRow("first closing reply with one byte more")
        << M{{all - 1, hex("060104000000000000")}} << size << O::ClosingFailed << 0 << all - 1 << 0;
    QTest::newRow("second closing silent")
        << M{{all, QByteArray()}} << size << O::ClosingFailed << 0 << all << 0;
    QTest::newRow("file one byte short") << M{} << size - 1 << O::SizeError << 0 << 0 << -1;
    QTest::newRow("file one byte long") << M{} << size + 1 << O::SizeError << 0 << 0 << -1;
    QTest::newRow("no file") << M{} << -1 << O::Unreadable << 0 << 0 << -1;
}

void TestDataLoggerProtocol::downloadFailures()
{
    QFETCH(FrameReplies, replies);
    QFETCH(int, fileBytes);
    QFETCH(int, lastProgress);
    QByteArray image = testImage();
    if (fileBytes >= 0)
        image = image.leftJustified(fileBytes, 'x', true);
    const QString path
        = fileBytes < 0 ? m_dir.filePath("missing.bin") : writeFile(m_dir, "failure.bin", image);
    FakeLogger device;
    device.replies = replies;
    LoggerImageDownload download;
    download.setExchange(
        [&device](const QByteArray &f, QByteArray *r, int) { return device.exchange(f, r); });
    int progress = -1;
    download.setProgress([](int) {}, [&progress](int v) { progress = v; });
    const LoggerImageDownload::Result r = download.run(path);
    QTEST(r.outcome, "outcome");
    QTEST(r.code, "code");
    QTEST(int(device.frames.size()), "framesSent");
    QCOMPARE(progress, lastProgress);
}

QTEST_GUILESS_MAIN(TestDataLoggerProtocol)
#include "tst_dataloggerprotocol.moc"
