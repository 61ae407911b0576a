// The widget-free rules of the polling loop and of writing: interval, texts, colours, the warning
// once per change from good to bad, value conversion, sample times, history batches, write
// parsing with range checks, and the project path on the command line.
#include "commandline.h"
#include "elementtype.h"
#include "monitorlogic.h"
#include "sqlitehandler.h"
#include "sqlrows.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

Q_DECLARE_METATYPE(CLabelVariable)

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

template<typename T>
CLabelVariable recordOf(int type, const QList<T> &elements)
{
    CLabelVariable r;
    r.status = 0;
    r.type = type;
    r.count = elements.size();
    r.value = QVariant::fromValue(elements);
    return r;
}

} // namespace

class tst_MonitorLogic : public QObject
{
    Q_OBJECT

private slots:
    void nextTickDelay_data();
    void nextTickDelay();
    void deadLinkAfterTwoFailedBlocks_data();
    void deadLinkAfterTwoFailedBlocks();
    void connectFailureTexts_data();
    void connectFailureTexts();
    void linkName_data();
    void linkName();
    void warningsOncePerChange_data();
    void warningsOncePerChange();
    void colourAndWarningByStatus_data();
    void colourAndWarningByStatus();
    void conversion_data();
    void conversion();
    void sampleTimeOwnOrNow();
    void tickStampTakenOnce();
    void historyBatchInOrder();
    void historyBatchFailureKeepsEarlierRowsAndRecovers();
    void failureRunReportedOnce();
    void rowIndexByAddressAndType();
    void writeParsing_data();
    void writeParsing();
    void writeRecord_data();
    void writeRecord();
    void exactIntegers_data();
    void exactIntegers();
    void editText_data();
    void editText();
    void prefillWritesBackWhatIsHeld_data();
    void prefillWritesBackWhatIsHeld();
    void projectFromArguments_data();
    void projectFromArguments();
};

void tst_MonitorLogic::nextTickDelay_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("elapsedMs"); // since the tick started
    QTest::addColumn<int>("delayMs");
    QTest::newRow("1 s, 3 labels in 0.1 s") << 1 << 100 << 900;
    QTest::newRow("1 s, a tick of exactly 1 s") << 1 << 1000 << 0;
    QTest::newRow("1 s, a 2.4 s tick: next at once, no backlog") << 1 << 2400 << 0;
    QTest::newRow("2 s, quick tick") << 2 << 0 << 2000;
    QTest::newRow("300 s, 10 s tick") << 300 << 10000 << 290000;
    QTest::newRow("0 s counts as 1 s") << 0 << 250 << 750;
    QTest::newRow("a clock set back waits one period") << 5 << -3000 << 5000;
}

void tst_MonitorLogic::nextTickDelay()
{
    QFETCH(int, seconds);
    QFETCH(int, elapsedMs);
    QFETCH(int, delayMs);
    QCOMPARE(MonitorLogic::nextTickDelayMs(seconds, elapsedMs), delayMs);
}

void tst_MonitorLogic::deadLinkAfterTwoFailedBlocks_data()
{
    QTest::addColumn<QList<QList<int>>>("blocks"); // the entry statuses of each block in turn
    QTest::addColumn<bool>("dead");
    QTest::addColumn<int>("status");
    QTest::newRow("one time-out") << QList<QList<int>>{{8, 8}} << false << 8;
    QTest::newRow("two time-outs") << QList<QList<int>>{{8, 8}, {8}} << true << 8;
    QTest::newRow("time-out then offline") << QList<QList<int>>{{8}, {9, 9}} << true << 9;
    QTest::newRow("a value in between") << QList<QList<int>>{{8}, {0}, {8}} << false << 8;
    QTest::newRow("one good entry keeps the block alive")
        << QList<QList<int>>{{8}, {8, 0}} << false << 8;
    QTest::newRow("refusals are not link failures") << QList<QList<int>>{{3, 3}, {2}} << false << 0;
    QTest::newRow("frame errors count") << QList<QList<int>>{{7}, {7}, {7}} << true << 7;
}

void tst_MonitorLogic::deadLinkAfterTwoFailedBlocks()
{
    QFETCH(QList<QList<int>>, blocks);
    QFETCH(bool, dead);
    QFETCH(int, status);
    DeadLinkRule rule;
    for (const QList<int> &block : blocks)
        rule.noteBlock(block);
    QCOMPARE(rule.linkDead(), dead);
    QCOMPARE(rule.failureStatus(), status);
}

void tst_MonitorLogic::connectFailureTexts_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("-1 address") << -1 << zh("监视失败(原因：IP或地址错误)");
    QTest::newRow("-2 handshake") << -2 << zh("监视失败(原因：握手错误)");
    QTest::newRow("-3 socket") << -3 << zh("监视失败(原因：socket连接失败)");
    QTest::newRow("-4 parameter") << -4 << zh("监视失败(原因：输入参数错误)");
    QTest::newRow("-7 unknown") << -7 << QString();
    QTest::newRow("1 unknown") << 1 << QString();
}

void tst_MonitorLogic::connectFailureTexts()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    QCOMPARE(MonitorLogic::connectFailureText(result), text);
}

void tst_MonitorLogic::linkName_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("name");
    QTest::newRow("serial") << "COM3,115200,8,1,N"
                            << "COM3";
    QTest::newRow("network") << "127.0.0.1:5000"
                             << "127.0.0.1:5000";
    QTest::newRow("empty first field") << ",9600"
                                       << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_MonitorLogic::linkName()
{
    QFETCH(QString, link);
    QFETCH(QString, name);
    QCOMPARE(MonitorLogic::linkNameOf(link), name);
}

void tst_MonitorLogic::warningsOncePerChange_data()
{
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<int>("warnings");
    QTest::newRow("errors before any good value") << QList<int>{8, 8} << 0;
    QTest::newRow("one change to bad") << QList<int>{0, 8, 8, 8} << 1;
    QTest::newRow("good in between re-arms") << QList<int>{0, 8, 0, 8} << 2;
    QTest::newRow("other errors alike") << QList<int>{0, 7, 9, 0, 9} << 2;
    QTest::newRow("all good") << QList<int>{0, 0, 0} << 0;
}

void tst_MonitorLogic::warningsOncePerChange()
{
    QFETCH(QList<int>, statuses);
    QFETCH(int, warnings);
    ConnectionWatch watch;
    int shown = 0;
    for (int status : statuses) {
        if (status == 0)
            watch.noteGood();
        else
            shown += watch.noteError();
        QCOMPARE(watch.good(), status == 0);
    }
    QCOMPARE(shown, warnings);
}

void tst_MonitorLogic::colourAndWarningByStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("coloured");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("reason"); // what a refused label's tooltip or a failed write names
    const QString frame = zh("连接异常：返回错误，设备响应报文错误");
    const QString timeout = zh("连接异常：响应超时");
    const QString offline = zh("连接异常：设备掉线");
    QTest::newRow("0 ok") << 0 << true << 0 << 205 << 0 << QString() << false << QString();
    QTest::newRow("7 frame") << 7 << true << 255 << 245 << 0 << frame << false << frame;
    QTest::newRow("8 timeout") << 8 << true << 255 << 165 << 0 << timeout << false << timeout;
    QTest::newRow("9 offline") << 9 << true << 255 << 0 << 0 << offline << false << offline;
    QTest::newRow("1 not done") << 1 << false << 0 << 0 << 0 << QString() << false << zh("未执行");
    QTest::newRow("2 type refused")
        << 2 << true << 148 << 0 << 211 << QString() << true << zh("该地址不支持此数据类型");
    QTest::newRow("3 area refused")
        << 3 << true << 148 << 0 << 211 << QString() << true << zh("无法识别的地址");
    QTest::newRow("4 count refused")
        << 4 << true << 148 << 0 << 211 << QString() << true << zh("数量或长度不符");
    QTest::newRow("5 out of range")
        << 5 << true << 148 << 0 << 211 << QString() << true << zh("地址超出区域范围");
    QTest::newRow("6 input area") << 6 << true << 148 << 0 << 211 << QString() << true
                                  << zh("输入区的值会被设备覆盖");
    QTest::newRow("10 unknown") << 10 << false << 0 << 0 << 0 << QString() << false << QString();
}

void tst_MonitorLogic::colourAndWarningByStatus()
{
    QFETCH(int, status);
    QFETCH(bool, coloured);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    QFETCH(QString, warning);
    QFETCH(bool, refused);
    MonitorLogic::CellColour colour;
    QCOMPARE(MonitorLogic::statusColour(status, &colour), coloured);
    if (coloured)
        QCOMPARE(colour, (MonitorLogic::CellColour{red, green, blue}));
    QCOMPARE(MonitorLogic::isConnectionError(status), !warning.isEmpty());
    QCOMPARE(MonitorLogic::connectionErrorText(status), warning);
    QCOMPARE(MonitorLogic::isRefusal(status), refused);
    QTEST(MonitorLogic::statusReasonText(status), "reason");
    QCOMPARE(MonitorLogic::stoppedColour(), (MonitorLogic::CellColour{0, 0, 0}));
}

void tst_MonitorLogic::conversion_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<CLabelVariable>("record");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("stored");
    const double twoTo63 = std::ldexp(1.0, 63);
    QTest::newRow("bool true") << int(Bool) << recordOf<bool>(Bool, {true}) << 1.0 << "1"
                               << QVariant(1.0);
    QTest::newRow("Int8 -128") << int(Int8) << recordOf<char>(Int8, {char(-128)}) << -128.0
                               << "-128" << QVariant(-128.0);
    QTest::newRow("UInt8 255") << int(UInt8) << recordOf<unsigned char>(UInt8, {255}) << 255.0
                               << "255" << QVariant(255.0);
    QTest::newRow("Int16 -5") << int(Int16) << recordOf<short>(Int16, {-5}) << -5.0 << "-5"
                              << QVariant(-5.0);
    QTest::newRow("UInt16 65535") << int(UInt16) << recordOf<unsigned short>(UInt16, {65535})
                                  << 65535.0 << "65535" << QVariant(65535.0);
    QTest::newRow("Int32 1234567 shows every digit")
        << int(Int32) << recordOf<int>(Int32, {1234567}) << 1234567.0 << "1234567"
        << QVariant(1234567.0);
    QTest::newRow("int32_BADC as Int32")
        << int(int32_BADC) << recordOf<int>(int32_BADC, {-7}) << -7.0 << "-7" << QVariant(-7.0);
    QTest::newRow("UInt32 max") << int(UInt32) << recordOf<unsigned>(UInt32, {4294967295u})
                                << 4294967295.0 << "4294967295" << QVariant(4294967295.0);
    QTest::newRow("float_CDAB as float")
        << int(float_CDAB) << recordOf<float>(float_CDAB, {1.5f}) << 1.5 << "1.5" << QVariant(1.5);
    QTest::newRow("float 1.6 stored as 1.6, not its widened digits")
        << int(Float) << recordOf<float>(Float, {1.6f}) << double(1.6f) << "1.6" << QVariant(1.6);
    QTest::newRow("float 21.91 stored as 21.91") << int(Float) << recordOf<float>(Float, {21.91f})
                                                 << double(21.91f) << "21.91" << QVariant(21.91);
    QTest::newRow("float 1234567.9 keeps the digits six would drop")
        << int(Float) << recordOf<float>(Float, {1234567.9f}) << double(1234567.9f) << "1.23457e+06"
        << QVariant(1234567.9);
    QTest::newRow("Int64 -2^40") << int(Int64) << recordOf<qint64>(Int64, {-(qint64(1) << 40)})
                                 << -std::ldexp(1.0, 40) << "-1099511627776"
                                 << QVariant(-std::ldexp(1.0, 40));
    QTest::newRow("UInt64 2^63") << int(UInt64) << recordOf<quint64>(UInt64, {quint64(1) << 63})
                                 << twoTo63 << "9223372036854775808" << QVariant(twoTo63);
    QTest::newRow("Int64 1269585 every digit") << int(Int64) << recordOf<qint64>(Int64, {1269585})
                                               << 1269585.0 << "1269585" << QVariant(1269585.0);
    QTest::newRow("Int64 max, more digits than a double holds")
        << int(Int64) << recordOf<qint64>(Int64, {std::numeric_limits<qint64>::max()}) << twoTo63
        << "9223372036854775807" << QVariant(twoTo63);
    QTest::newRow("UInt64 max") << int(UInt64)
                                << recordOf<quint64>(UInt64, {std::numeric_limits<quint64>::max()})
                                << std::ldexp(1.0, 64) << "18446744073709551615"
                                << QVariant(std::ldexp(1.0, 64));
    QTest::newRow("double") << int(Double) << recordOf<double>(Double, {0.1234567891})
                            << 0.1234567891 << "0.123457" << QVariant(0.1234567891);
    QTest::newRow("only element 0")
        << int(Int16) << recordOf<short>(Int16, {4, 9}) << 4.0 << "4" << QVariant(4.0);
    QTest::newRow("string text") << int(string) << recordOf<QString>(string, {"run", "x"}) << 0.0
                                 << "run" << QVariant(QString("run"));
    QTest::newRow("wrong list type gives 0")
        << int(Int16) << recordOf<int>(Int16, {5}) << 0.0 << "0" << QVariant(0.0);
    QTest::newRow("empty list gives 0")
        << int(Double) << recordOf<double>(Double, {}) << 0.0 << "0" << QVariant(0.0);
    QTest::newRow("null type gives 0")
        << int(null) << recordOf<int>(null, {5}) << 0.0 << "0" << QVariant(0.0);
}

void tst_MonitorLogic::conversion()
{
    QFETCH(int, type);
    QFETCH(CLabelVariable, record);
    QFETCH(double, number);
    QFETCH(QString, text);
    QFETCH(QVariant, stored);
    const LabelValue v = LabelValue::convert(type, record);
    QCOMPARE(v.number, number);
    QCOMPARE(LabelValue::toDouble(type, record), number);
    QCOMPARE(v.displayText, text);
    QCOMPARE(v.storedValue, stored);
    QCOMPARE(v.isString, type == string);
}

void tst_MonitorLogic::sampleTimeOwnOrNow()
{
    const QDateTime own(QDate(2024, 3, 5), QTime(7, 8, 9, 10));
    const QDateTime now(QDate(2025, 1, 2), QTime(3, 4, 5, 6));
    QCOMPARE(MonitorLogic::sampleTimeText(own, now), QStringLiteral("2024-03-05 07:08:09.010"));
    QCOMPARE(MonitorLogic::sampleTimeText(QDateTime(), now),
             QStringLiteral("2025-01-02 03:04:05.006"));
}

// The tick's first good record fixes the time of the whole tick; one without a time gives the
// tick's start, never an empty text.
void tst_MonitorLogic::tickStampTakenOnce()
{
    const QDateTime tickStart(QDate(2024, 3, 5), QTime(7, 8, 9, 0));
    const QDateTime first = tickStart.addMSecs(120);
    const QDateTime later = tickStart.addMSecs(1300);

    TickStamp stamp(tickStart);
    QCOMPARE(stamp.text(first), QStringLiteral("2024-03-05 07:08:09.120"));
    QCOMPARE(stamp.text(later), QStringLiteral("2024-03-05 07:08:09.120"));
    QCOMPARE(stamp.text(QDateTime()), QStringLiteral("2024-03-05 07:08:09.120"));

    TickStamp withoutTime(tickStart);
    QCOMPARE(withoutTime.text(QDateTime()), QStringLiteral("2024-03-05 07:08:09.000"));
    QCOMPARE(withoutTime.text(later), QStringLiteral("2024-03-05 07:08:09.000"));
}

void tst_MonitorLogic::historyBatchInOrder()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("HistoryData.db"));
    SQLiteHandler db;
    QVERIFY(db.openDatabase(file));
    HistoryBatch batch;
    QVERIFY(batch.flush(db)); // nothing to write
    batch.add(MonitorLogic::historySample(3, "LW2", "2024-01-01 00:00:00.000", 1234567.0));
    batch.add(MonitorLogic::historySample(3, "LW1", "2024-01-01 00:00:00.001", 0.5));
    batch.add(MonitorLogic::historySample(3, "SD1", "2024-01-01 00:00:00.002", QString("run")));
    QVERIFY(batch.flush(db));
    QCOMPARE(batch.size(), 0);
    QCOMPARE(
        sqlRows(file, "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
        (QStringList{"3|LW2|1234567|2024-01-01 00:00:00.000", "3|LW1|0.5|2024-01-01 00:00:00.001",
                     "3|SD1|run|2024-01-01 00:00:00.002"}));
    // The transaction is closed: the next batch writes as well.
    batch.add(MonitorLogic::historySample(3, "LW1", "2024-01-01 00:00:01.000", 2.0));
    QVERIFY(batch.flush(db));
    QCOMPARE(sqlRows(file, "SELECT count(*) FROM data"), QStringList{"4"});
}

void tst_MonitorLogic::historyBatchFailureKeepsEarlierRowsAndRecovers()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("HistoryData.db"));
    SQLiteHandler db;
    QVERIFY(db.openDatabase(file));
    QSqlQuery trigger(db.database());
    QVERIFY(trigger.exec("CREATE TRIGGER refuse BEFORE INSERT ON data WHEN NEW.label = 'BAD' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    HistoryBatch batch;
    batch.add(MonitorLogic::historySample(1, "A", "2024-01-01 00:00:00.000", 1.0));
    batch.add(MonitorLogic::historySample(1, "BAD", "2024-01-01 00:00:00.000", 2.0));
    batch.add(MonitorLogic::historySample(1, "C", "2024-01-01 00:00:00.000", 3.0));
    QString error;
    QVERIFY(!batch.flush(db, &error));
    QVERIFY2(error.contains("refused"), qPrintable(error));
    QCOMPARE(batch.size(), 0);
    QCOMPARE(sqlRows(file, "SELECT label FROM data ORDER BY id"), QStringList{"A"});
    batch.add(MonitorLogic::historySample(1, "D", "2024-01-01 00:00:01.000", 4.0));
    QVERIFY(batch.flush(db));
    QCOMPARE(sqlRows(file, "SELECT label FROM data ORDER BY id"), (QStringList{"A", "D"}));
}

void tst_MonitorLogic::failureRunReportedOnce()
{
    // Told once when a run of failures starts, once when it ends; a reset ends one silently.
    FailureRun run;
    QList<bool> told;
    const QDateTime start(QDate(2024, 5, 6), QTime(7, 8, 9));
    for (char step : QByteArray("fffsfssfrs")) {
        if (step == 'f')
            told << run.noteFailure(start.addSecs(told.size()));
        else if (step == 's')
            told << run.noteSuccess();
        else
            run.reset();
    }
    QCOMPARE(told, (QList<bool>{true, false, false, true, true, true, false, true, false}));
    QVERIFY(!run.failing());
    QCOMPARE(run.since(), start.addSecs(7)); // the start of the last run
}

void tst_MonitorLogic::rowIndexByAddressAndType()
{
    LabelRowIndex index;
    index.add(0, "LW1", Int16);
    index.add(1, "LW1", Int32);
    index.add(2, "LW1", Int16);
    index.add(3, "LW2", Int16);
    QCOMPARE(index.rowsOf({"LW1", Int16}), (QList<int>{0, 2}));
    QCOMPARE(index.rowsOf({"LW1", Int32}), QList<int>{1});
    QCOMPARE(index.rowsOf({"LW3", Int16}), QList<int>());
    QCOMPARE(index.rowsOf({"lw1", Int16}), QList<int>());
}

void tst_MonitorLogic::writeParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("error");
    const QString notNumber = zh("不是有效的数值：");
    const QString range = zh("超出");
    QTest::newRow("letters") << "abc" << int(Int16) << false << 0.0 << notNumber;
    QTest::newRow("empty") << "" << int(Double) << false << 0.0 << notNumber;
    QTest::newRow("nan") << "nan" << int(Double) << false << 0.0 << notNumber;
    QTest::newRow("inf") << "inf" << int(Float) << false << 0.0 << notNumber;
    QTest::newRow("-inf") << "-inf" << int(Int32) << false << 0.0 << notNumber;
    QTest::newRow("fraction to Int16") << "3.9" << int(Int16) << true << 3.9 << "";
    QTest::newRow("blanks around") << " 12 " << int(Int16) << true << 12.0 << "";
    QTest::newRow("Int16 max") << "32767" << int(Int16) << true << 32767.0 << "";
    QTest::newRow("Int16 over") << "32768" << int(Int16) << false << 0.0 << range;
    QTest::newRow("Int16 min, fraction truncated")
        << "-32768.9" << int(int16_BA) << true << -32768.9 << "";
    QTest::newRow("Int16 under") << "-32769" << int(Int16) << false << 0.0 << range;
    QTest::newRow("UInt16 negative") << "-1" << int(UInt16) << false << 0.0 << range;
    QTest::newRow("UInt8 -0.5 truncates to 0") << "-0.5" << int(UInt8) << true << -0.5 << "";
    QTest::newRow("UInt8 over") << "256" << int(UInt8) << false << 0.0 << range;
    QTest::newRow("Int8 under") << "-129" << int(Int8) << false << 0.0 << range;
    QTest::newRow("UInt32 max") << "4294967295" << int(uint32_DCBA) << true << 4294967295.0 << "";
    QTest::newRow("Int64 2^63 over")
        << "9223372036854775808" << int(Int64) << false << 0.0 << range;
    QTest::newRow("Int64 -2^63") << "-9223372036854775808" << int(Int64) << true
                                 << -9223372036854775808.0 << "";
    QTest::newRow("UInt64 2^64 over")
        << "18446744073709551616" << int(UInt64) << false << 0.0 << range;
    QTest::newRow("float over") << "1e39" << int(Float) << false << 0.0 << range;
    QTest::newRow("float in range") << "-3.4e38" << int(float_ABCD) << true << -3.4e38 << "";
    QTest::newRow("double large") << "1e300" << int(Double) << true << 1e300 << "";
    QTest::newRow("bool any number") << "0.5" << int(Bool) << true << 0.5 << "";
    // The minus sign U+2212 is a minus sign for every type; other look-alikes are no number.
    QTest::newRow("double minus sign") << zh("−2.5") << int(Double) << true << -2.5 << "";
    QTest::newRow("float minus sign in the exponent")
        << zh("1e−3") << int(Float) << true << 1e-3 << "";
    QTest::newRow("Int16 minus sign") << zh("−5") << int(Int16) << true << -5.0 << "";
    QTest::newRow("UInt8 minus sign") << zh("−1") << int(UInt8) << false << 0.0 << range;
    QTest::newRow("Int16 full-width minus") << zh("－1") << int(Int16) << false << 0.0 << notNumber;
    QTest::newRow("float full-width minus") << zh("－1") << int(Float) << false << 0.0 << notNumber;
    QTest::newRow("Int64 sign apart") << zh("− 1") << int(Int64) << false << 0.0 << notNumber;
    QTest::newRow("Int64 group separator") << "1,000" << int(Int64) << false << 0.0 << notNumber;
    QTest::newRow("UInt32 hexadecimal") << "0x10" << int(UInt32) << false << 0.0 << notNumber;
    QTest::newRow("Int64 letters") << "12abc" << int(Int64) << false << 0.0 << notNumber;
    QTest::newRow("Int64 beyond any double") << "1e400" << int(Int64) << false << 0.0 << range;
    QTest::newRow("Int32 point only") << "." << int(Int32) << false << 0.0 << notNumber;
    // The shortest text of the largest float lies above it, and rounds to it.
    QTest::newRow("float largest float's text")
        << "3.4028235e+38" << int(Float) << true << 3.4028235e38 << "";
    QTest::newRow("float rounds to infinity")
        << "-3.4028236e+38" << int(float_DCBA) << false << 0.0 << range;
}

void tst_MonitorLogic::writeParsing()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(bool, ok);
    QFETCH(double, value);
    QFETCH(QString, error);
    const WriteValue::Parsed p = WriteValue::parse(text, type);
    QCOMPARE(p.ok, ok);
    if (ok) {
        QCOMPARE(p.value, value);
        QVERIFY(p.errorText.isEmpty());
        QVERIFY(WriteValue::check(type, value).isEmpty());
    } else {
        QVERIFY2(p.errorText.contains(error), qPrintable(p.errorText));
    }
}

void tst_MonitorLogic::writeRecord_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("value");
    QTest::addColumn<QVariant>("elements");
    QTest::newRow("Int16 3.9 sends 3") << int(Int16) << 3.9 << QVariant::fromValue(QList<short>{3});
    QTest::newRow("Int16 -3.9 sends -3")
        << int(Int16) << -3.9 << QVariant::fromValue(QList<short>{-3});
    QTest::newRow("bool 0.5 sends true")
        << int(Bool) << 0.5 << QVariant::fromValue(QList<bool>{true});
    QTest::newRow("bool 0 sends false")
        << int(Bool) << 0.0 << QVariant::fromValue(QList<bool>{false});
    QTest::newRow("uint32_CDAB as UInt32")
        << int(uint32_CDAB) << 4000000000.0 << QVariant::fromValue(QList<unsigned>{4000000000u});
    QTest::newRow("float narrowed") << int(Float) << 0.1 << QVariant::fromValue(QList<float>{0.1f});
    QTest::newRow("double unchanged")
        << int(double_HGFEDCBA) << 0.1 << QVariant::fromValue(QList<double>{0.1});
    QTest::newRow("UInt64 large") << int(UInt64) << 1e19
                                  << QVariant::fromValue(QList<quint64>{10000000000000000000ull});
}

void tst_MonitorLogic::writeRecord()
{
    QFETCH(int, type);
    QFETCH(double, value);
    QFETCH(QVariant, elements);
    const CLabelVariable r = WriteValue::record(type, value);
    // The list type the driver expects; QVariant compares such lists by address, so the one
    // element is compared as a number.
    QCOMPARE(r.value.userType(), elements.userType());
    CLabelVariable expected;
    expected.value = elements;
    QCOMPARE(LabelValue::toDouble(type, r), LabelValue::toDouble(type, expected));
    QCOMPARE(r.count, 1);
    QCOMPARE(r.type, type);
    QCOMPARE(r.status, int(LabelStatus::NotDone));
    QVERIFY(WriteValue::isWritableType(type));
    QVERIFY(!WriteValue::isWritableType(string));
    QVERIFY(!WriteValue::isWritableType(null));
}

void tst_MonitorLogic::exactIntegers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("written"); // every digit of the element sent; empty: refused
    QTest::addColumn<QString>("refusal");
    const char *int64 = "Int64 的范围（-9223372036854775808 至 9223372036854775807）";
    const char *uint64 = "UInt64 的范围（0 至 18446744073709551615）";
    const struct
    {
        const char *tag;
        const char *text;
        int type;
        const char *written;
        const char *refused = nullptr; // the typed number the refusal names
        const char *bounds = nullptr;
    } rows[] = {
        {"Int64 2^53 + 1", "9007199254740993", Int64, "9007199254740993"},
        {"Int64 eighteen digits", "123456789012345678", Int64, "123456789012345678"},
        {"Int64 largest", "9223372036854775807", Int64, "9223372036854775807"},
        {"Int64 smallest", "-9223372036854775808", Int64, "-9223372036854775808"},
        {"Int64 2^63", "9223372036854775808", Int64, "", "9223372036854775808", int64},
        // Its double is -2^63, which the type holds: only the digits tell it is outside.
        {"Int64 below the smallest", "-9223372036854775809", Int64, "", "-9223372036854775809",
         int64},
        {"Int64 fraction truncated, byte order", " -123456789012345678.9 ", int64_HGFEDCBA,
         "-123456789012345678"},
        {"Int64 exponent", "1.5e18", Int64, "1500000000000000000"},
        {"UInt64 twenty digits", "18000000000000000001", UInt64, "18000000000000000001"},
        {"UInt64 largest, leading zeros", "+00018446744073709551615", UInt64,
         "18446744073709551615"},
        {"UInt64 2^64", "18446744073709551616", UInt64, "", "18446744073709551616", uint64},
        {"UInt64 far out", "1e30", UInt64, "", "1e30", uint64},
        {"UInt64 -0.5 truncates to 0", "-0.5", UInt64, "0"},
        {"UInt64 negative", "-1", uint64_BADCFEHG, "", "-1",
         "uint64_BADCFEHG 的范围（0 至 18446744073709551615）"},
        {"Int32 exponent below one", "125e-2", Int32, "1"},
        {"Int8 smallest", "-128", Int8, "-128"},
        {"Int8 over", "128", Int8, "", "128", "Int8 的范围（-128 至 127）"},
        {"UInt32 2^32", "4294967296", UInt32, "", "4294967296", "UInt32 的范围（0 至 4294967295）"},
        // U+2212, as a copy from a document gives it: read as the digits, never as a double.
        {"Int64 minus sign 2^53 + 1", "−9007199254740993", Int64, "-9007199254740993"},
        {"Int64 minus sign eighteen digits", " −123456789012345678 ", Int64, "-123456789012345678"},
        {"Int64 minus sign smallest", "−9223372036854775808", int64_BADCFEHG,
         "-9223372036854775808"},
        {"Int64 minus sign below the smallest", "−9223372036854775809", Int64, "",
         "−9223372036854775809", int64},
        {"Int32 minus sign in the exponent", "125e−2", Int32, "1"},
        {"UInt64 minus sign -0.5 truncates to 0", "−0.5", UInt64, "0"},
        {"UInt16 minus sign negative", "−1", UInt16, "", "−1", "UInt16 的范围（0 至 65535）"},
    };
    for (const auto &r : rows) {
        const QString refusal
            = r.refused ? zh("数值 %1 超出 %2").arg(r.refused, zh(r.bounds)) : QString();
        QTest::newRow(r.tag) << zh(r.text) << r.type << r.written << refusal;
    }
}

void tst_MonitorLogic::exactIntegers()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QString, written);
    QFETCH(QString, refusal);
    const WriteValue::Parsed p = WriteValue::parse(text, type);
    QCOMPARE(p.errorText, refusal);
    QCOMPARE(p.ok, refusal.isEmpty());
    if (!p.ok)
        return;
    QCOMPARE(p.value, text.toDouble());
    QCOMPARE(WriteValue::exactText(type, p.exact), written);
    // The record carries the element itself, read back as the table shows it.
    CLabelVariable sent = WriteValue::exactRecord(type, p.exact);
    QCOMPARE(sent.count, 1);
    sent.status = 0;
    const LabelValue shown = LabelValue::convert(type, sent);
    QCOMPARE(shown.displayText, written);
    QCOMPARE(WriteValue::exactText(type, shown.exact), written);
    // Held so, it stands for the double the menu hands on: the dialog starts from every digit.
    QVERIFY(WriteValue::standsFor(shown.exact, shown.number));
    QVERIFY(!WriteValue::standsFor(shown.exact, shown.number + 1e6));
    QVERIFY(!WriteValue::standsFor(QVariant(), shown.number));
}

void tst_MonitorLogic::projectFromArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << QStringList{"Morvelin"} << "";
    QTest::newRow("relative") << QStringList{"Morvelin", "demo/a.dpro"} << "/start/demo/a.dpro";
    QTest::newRow("absolute") << QStringList{"Morvelin", "/p/../q/b.dpro", "more"} << "/q/b.dpro";
}

void tst_MonitorLogic::projectFromArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, path);
    QCOMPARE(projectPathFromArguments(arguments, "/start"), path);
}

void tst_MonitorLogic::editText_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("short stays short") << int(Int16) << -5.0 << "-5";
    QTest::newRow("Int32 beyond six digits") << int(Int32) << 1234567.0 << "1234567";
    QTest::newRow("UInt64 2^63") << int(UInt64) << 9223372036854775808.0 << "9223372036854775808";
    QTest::newRow("float as float") << int(float_CDAB) << double(1.1f) << "1.1";
    QTest::newRow("double 0.1") << int(Double) << 0.1 << "0.1";
    QTest::newRow("double a third") << int(Double) << 1.0 / 3.0 << "0.3333333333333333";
}

void tst_MonitorLogic::editText()
{
    QFETCH(int, type);
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(WriteValue::editText(type, value), text);
    // Confirming the text unchanged writes what was read.
    const WriteValue::Parsed parsed = WriteValue::parse(text, type);
    QVERIFY(parsed.ok);
    QCOMPARE(LabelValue::toDouble(type, WriteValue::record(type, parsed.value)),
             LabelValue::toDouble(type, WriteValue::record(type, value)));
}
void tst_MonitorLogic::prefillWritesBackWhatIsHeld_data()
{
    QTest::addColumn<CLabelVariable>("held"); // the record a tick read
    using F = std::numeric_limits<float>;
    using D = std::numeric_limits<double>;
    using I = std::numeric_limits<qint64>;
    const struct
    {
        const char *tag;
        CLabelVariable held;
    } rows[] = {
        {"float largest", recordOf(Float, QList<float>{F::max()})},
        {"float most negative", recordOf(float_CDAB, QList<float>{-F::max()})},
        {"float smallest normal", recordOf(Float, QList<float>{F::min()})},
        {"float smallest denormal", recordOf(Float, QList<float>{F::denorm_min()})},
        {"float largest denormal", recordOf(Float, QList<float>{F::min() - F::denorm_min()})},
        {"float negative denormal", recordOf(float_DCBA, QList<float>{-F::denorm_min()})},
        {"float 0.1", recordOf(Float, QList<float>{0.1f})},
        {"double largest", recordOf(Double, QList<double>{D::max()})},
        {"double most negative", recordOf(double_GHEFCDAB, QList<double>{-D::max()})},
        {"double smallest normal", recordOf(Double, QList<double>{D::min()})},
        {"double smallest denormal", recordOf(Double, QList<double>{D::denorm_min()})},
        {"double a third", recordOf(Double, QList<double>{1.0 / 3.0})},
        {"Int64 largest", recordOf(Int64, QList<qint64>{I::max()})},
        {"Int64 smallest", recordOf(Int64, QList<qint64>{I::min()})},
        {"Int64 2^53 + 1 byte order", recordOf(int64_HGFEDCBA, QList<qint64>{9007199254740993})},
        {"UInt64 largest", recordOf(UInt64, QList<quint64>{std::numeric_limits<quint64>::max()})},
        {"UInt64 2^63 + 1", recordOf(uint64_GHEFCDAB, QList<quint64>{9223372036854775809ull})},
        {"UInt64 zero", recordOf(UInt64, QList<quint64>{0})},
        {"Int32 smallest", recordOf(Int32, QList<int>{std::numeric_limits<int>::min()})},
        {"UInt32 largest", recordOf(UInt32, QList<unsigned>{std::numeric_limits<unsigned>::max()})},
        {"Int8 smallest", recordOf(Int8, QList<char>{char(-128)})},
        {"bool true", recordOf(Bool, QList<bool>{true})},
    };
    for (const auto &r : rows)
        QTest::newRow(r.tag) << r.held;
}

void tst_MonitorLogic::prefillWritesBackWhatIsHeld()
{
    QFETCH(CLabelVariable, held);
    const int type = held.type;
    // As the table keeps it and the menu hands it to the dialog.
    const LabelValue shown = LabelValue::convert(type, held);
    const QString text = WriteValue::prefillText(type, shown.exact.toDouble(), shown.exact);
    // Confirmed unchanged: taken, and the record sent holds the element read, bit for bit.
    const WriteValue::Parsed parsed = WriteValue::parse(text, type);
    QVERIFY2(parsed.ok, qPrintable(text + QLatin1Char(' ') + parsed.errorText));
    CLabelVariable sent = WriteValue::exactRecord(type, parsed.exact);
    QCOMPARE(sent.value.userType(), held.value.userType());
    withElementType(type, [&](auto tag) {
        using T = decltype(tag);
        const T want = held.value.value<QList<T>>().value(0);
        const T got = sent.value.value<QList<T>>().value(0);
        QVERIFY2(std::memcmp(&want, &got, sizeof(T)) == 0, qPrintable(text));
    });
}

QTEST_GUILESS_MAIN(tst_MonitorLogic)
#include "tst_monitorlogic.moc"
