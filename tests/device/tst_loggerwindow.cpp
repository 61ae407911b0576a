// The window's data-logger page against the data-logger simulator on a socat pty pair, at the
// program's own time-outs: the commands and their boxes, the read-off into the history database,
// the memory-image download (on a line paced at 9600 baud too), the window kept painted through
// both, a line that goes away, the
// firmware page's buttons after the link closed, and the serial lock that refuses a second
// device operation.
#include "dialogsetlink.h"
#include "loggerimagedownload.h"
#include "loggersimprocess.h"
#include "projectfile.h"
#include "recordreadoff.h"
#include "simmarker.h"
#include "sqlrows.h"
#include "testwatchdog.h"
#include "threadclock.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <algorithm>
#include <ctime>

namespace {

const QString tips = QStringLiteral("提示信息");
constexpr int imageBytes = 88488;
// Generous: other builds load the machine while the tests run.
constexpr int eventWaitMs = 10000;

// Seconds of CPU the whole process has used.
double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The rows the simulator's batch i of `values` values from address 3 of area AI becomes.
QStringList expectedRows(int firstBatch, int batches, int values = 2, int projectId = 0)
{
    QStringList rows;
    for (int i = firstBatch; i < firstBatch + batches; ++i) {
        // The device counts from 08:00 local time; the text is that clock plus its seconds.
        const QString time = QDateTime(QDate(1970, 1, 1), QTime(8, 0), Qt::UTC)
                                 .addMSecs(qint64(1000000 + 10 * i) * 1000 + (37 * i) % 1000)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (int j = 0; j < values; ++j)
            rows << QStringLiteral("%1|AI%2|%3|%4")
                        .arg(projectId)
                        .arg(3 + j)
                        .arg(i * 1000 + j - 1)
                        .arg(time);
    }
    return rows;
}

// The end text of a read-off under the window's default 覆盖时间 (不覆盖): head, the batches and
// rows stored, where it stopped (-1: it completed).
QString readOffText(const QString &head, int batches, int rows, int stopIndex = -1)
{
    QString text = head + QStringLiteral("：已导入%1批（%2条数据）").arg(batches).arg(rows);
    if (stopIndex >= 0)
        text += QStringLiteral("，停在记录索引%1").arg(stopIndex);
    return text;
}

// Image bytes that differ from area to area and frame to frame.
QByteArray imagePattern(int size)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 7 + i / 253) & 0xFF));
    return image;
}

QByteArray testImage()
{
    QByteArray image = imagePattern(imageBytes);
    // Area 26 (bytes 1028 .. 1107 of the image) carries the closing command 04 at its byte 56.
    image[1028 + 56] = char(0x04);
    return image;
}

// Another program holding the history file: python3's sqlite3 in a child process, which takes a
// write lock (BEGIN IMMEDIATE) or an exclusive one (BEGIN EXCLUSIVE) when told, and lets go when
// told or when it ends.
class HistoryLockHolder
{
public:
    ~HistoryLockHolder()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool start(const QString &file)
    {
        static const char script[] = "import sqlite3, sys\n"
                                     "db = sqlite3.connect(sys.argv[1], isolation_level=None, "
                                     "timeout=30)\n"
                                     "for line in iter(sys.stdin.readline, ''):\n"
                                     "    word = line.split()\n"
                                     "    if word[0] == 'lock':\n"
                                     "        db.execute('BEGIN ' + word[1])\n"
                                     "        print('held', flush=True)\n"
                                     "    elif word[0] == 'release':\n"
                                     "        db.execute('ROLLBACK')\n"
                                     "        print('released', flush=True)\n";
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"), QString::fromLatin1(script), file});
        return m_process.waitForStarted(eventWaitMs);
    }
    // mode: IMMEDIATE or EXCLUSIVE.
    bool lock(const QString &mode) { return tell("lock " + mode.toLatin1(), "held"); }
    bool release() { return tell("release", "released"); }

private:
    bool tell(const QByteArray &command, const QByteArray &answer)
    {
        m_process.write(command + '\n');
        const QDeadlineTimer deadline(eventWaitMs);
        QByteArray said;
        for (;;) {
            said += m_process.readAllStandardOutput();
            if (said.contains(answer))
                return true;
            if (deadline.hasExpired()
                || !m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return m_process.readAllStandardOutput().contains(answer);
        }
    }

    QProcess m_process;
};

// What a widget showed each time it was painted.
class PaintLog : public QObject
{
public:
    PaintLog(QWidget *watched, std::function<QString()> shown)
        : m_shown(std::move(shown))
    {
        watched->installEventFilter(this);
    }
    QStringList shown;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            shown << m_shown();
        return false;
    }

private:
    std::function<QString()> m_shown;
};

} // namespace

class TestLoggerWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commands_data();
    void commands();
    void linkWithoutSerialString_data();
    void linkWithoutSerialString();
    void readOff_data();
    void readOff();
    void readOffTwiceStoresOnce();
    void readOffRefusedWithoutProjectRow();
    void readOffHistoryFileHeld_data();
    void readOffHistoryFileHeld();
    void readOffCountsRowsPastRetention_data();
    void readOffCountsRowsPastRetention();
    void clearLocalDatabase();
    void download_data();
    void download();
    void downloadAtLineRate_data();
    void downloadAtLineRate();
    void paintedDuringJob_data();
    void paintedDuringJob();
    void lineGone_data();
    void lineGone();
    void firmwareButtonsFollowTheLink();
    void downloadFailures_data();
    void downloadFailures();
    void busyLinkRefuses();
    void clickDuringDownloadPause();

private:
    // lineRate: the baud rate of a paced line between the window and the simulator, which the
    // link string then names; 0: none, and 115200 in the link string.
    void startSim(const QStringList &extra, int lineRate = 0);
    QString writeImage(const QByteArray &bytes);
    bool sentBeforeMarker(QStringList *sent);
    QString statusText() const { return m_window->statusBar()->currentMessage(); }

    WindowFixture m_fx;
    MainWindow *m_window = nullptr;
    Ui::MainWindow *m_ui = nullptr;
    std::unique_ptr<LoggerSimProcess> m_sim;
    TestWatchdog m_watchdog;
};

void TestLoggerWindow::init()
{
    m_watchdog.arm(QTest::currentTestFunction(), 240);
    m_fx.setUp();
    m_window = m_fx.create();
    m_ui = m_window->form();
    // The language change the constructor posts puts back the form's texts, the image path
    // among them: let it pass before the test fills them.
    QCoreApplication::sendPostedEvents();
    m_window->setDeviceClock([] { return QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)); });
    m_sim = std::make_unique<LoggerSimProcess>();
}

void TestLoggerWindow::cleanup()
{
    m_sim.reset();
    m_fx.tearDown();
    m_window = nullptr;
    m_watchdog.disarm();
}

void TestLoggerWindow::startSim(const QStringList &extra, int lineRate)
{
    m_sim->setLineRate(lineRate);
    QVERIFY2(m_sim->start(extra), qPrintable(m_sim->error()));
    const int baud = lineRate > 0 ? lineRate : 115200;
    m_window->linkDialog()->linkParameter(m_sim->portName()
                                          + QStringLiteral(",%1,8,1,N").arg(baud));
}

QString TestLoggerWindow::writeImage(const QByteArray &bytes)
{
    QFile f(m_fx.path("logger.bin"));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

// What the page sent before a marker written after it on its own port, as requestsBeforeMarker.
// A port the page left closed is opened first: a closed port holds nothing that could still go.
bool TestLoggerWindow::sentBeforeMarker(QStringList *sent)
{
    if (!m_window->serialPort()->isOpen())
        m_window->openDeviceLink();
    return requestsBeforeMarker(*m_sim, m_window->deviceLink(), sent);
}

void TestLoggerWindow::commands_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<bool>("clock");
    QTest::addColumn<QString>("text");

    QTest::newRow("flash cleared") << QStringList() << false << "清除成功";
    QTest::newRow("flash status -1")
        << QStringList{"--fault", "result=-1@1"} << false << "清除失败，错误码：-1";
    QTest::newRow("flash reply 07 01 alone")
        << QStringList{"--fault", "short=1@1"} << false << "清除成功";
    QTest::newRow("clock set") << QStringList() << true << "校对成功";
    QTest::newRow("clock status 5")
        << QStringList{"--fault", "result=5@1"} << true << "校对失败，错误码：5";
    QTest::newRow("clock reply of 6 bytes")
        << QStringList{"--fault", "extra=1@1"} << true << "校对失败，响应错误";
    QTest::newRow("clock without reply")
        << QStringList{"--fault", "silence@1"} << true << "校对失败，响应错误";
    QTest::newRow("clock reply over two reads")
        << QStringList{"--fault", "split=2@1", "--split-ms", "50"} << true << "校对成功";
    QTest::newRow("flash cleared after a long erase")
        << QStringList{"--fault", "late=1500@1"} << false << "清除成功";
}

void TestLoggerWindow::commands()
{
    QFETCH(QStringList, faults);
    QFETCH(bool, clock);
    QFETCH(QString, text);
    startSim(faults);
    m_fx.prompt->expect("information", tips, text);
    (clock ? m_ui->pushButton_COM_CheckTime : m_ui->pushButton_COM_ClearFlashData)->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    const QStringList requests = m_sim->requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.first(), clock ? "1 clock 2026-03-07 14:05:09 30011a03070e0509000077a3"
                                     : "1 clearflash 07010200000000");
    // Every command leaves the link closed.
    QVERIFY(!m_window->isDeviceLinkOpen());
    QVERIFY(!m_window->serialPort()->isOpen());
    QCOMPARE(statusText(), QStringLiteral("断开成功！"));
}

void TestLoggerWindow::linkWithoutSerialString_data()
{
    QTest::addColumn<QString>("link");
    QTest::newRow("network address") << "127.0.0.1:5000";
    QTest::newRow("none") << "";
}

void TestLoggerWindow::linkWithoutSerialString()
{
    QFETCH(QString, link);
    if (!link.isEmpty())
        m_window->linkDialog()->linkParameter(link);
    m_fx.prompt->expect("information", tips, "请设置连接参数：设置-通信设置");
    m_ui->pushButton_COM_CheckTime->click();
    QVERIFY(!m_window->isDeviceLinkOpen());
    QVERIFY(statusText() != QStringLiteral("连接成功！"));
}

void TestLoggerWindow::readOff_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("batchesStored");
    QTest::addColumn<int>("values");
    QTest::addColumn<int>("requests");

    const QString end = QStringLiteral("离线数据导入完成");
    const QString failed = QStringLiteral("校验错误，离线数据导入停止");
    QTest::newRow("three batches, then the end")
        << QStringList() << false << true << end << 3 << 2 << 4;
    QTest::newRow("Bluetooth wording, no question")
        << QStringList() << true << true << "蓝牙导入完成" << 3 << 2 << 4;
    QTest::newRow("a batch over two reads is read whole")
        << QStringList{"--fault", "split=10@2", "--split-ms", "50"} << false << true << end << 3
        << 2 << 4;
    // A device that falls silent is no check failure.
    QTest::newRow("no reply to the second request")
        << QStringList{"--fault", "silence@2"} << false << true << "设备无应答，离线数据导入停止"
        << 1 << 2 << 2;
    QTest::newRow("second batch names a value more than it holds")
        << QStringList{"--fault", "overcount@2"} << false << true << failed << 1 << 2 << 2;
    // A batch that stops early is no end mark: the read-off says it failed.
    for (int cut : {8, 10, 14, 16, 22}) {
        QTest::addRow("second batch stops after %d bytes", cut)
            << QStringList{"--fault", QStringLiteral("cut=%1@2").arg(cut)} << false << true
            << failed << 1 << 2 << 2;
    }
    QTest::newRow("one-value batch paused 300 ms after 10 bytes")
        << QStringList{"--values", "1", "--fault", "split=10@2", "--split-ms", "300"} << false
        << true << failed << 1 << 1 << 2;
    QTest::newRow("wrong CRC of the third batch")
        << QStringList{"--fault", "crc@3"} << false << true << failed << 2 << 2 << 3;
    QTest::newRow("Bluetooth: second batch stops after 10 bytes")
        << QStringList{"--fault", "cut=10@2"} << true << true << "校验错误，蓝牙数据导入停止" << 1
        << 2 << 2;
    QTest::newRow("Bluetooth: no reply") << QStringList{"--fault", "silence@1"} << true << true
                                         << "设备无应答，蓝牙数据导入停止" << 0 << 2 << 1;
    QTest::newRow("No cancels") << QStringList() << false << false << QString() << 0 << 2 << 0;
}

void TestLoggerWindow::readOff()
{
    QFETCH(QStringList, options);
    QFETCH(bool, bluetooth);
    QFETCH(bool, answer);
    QFETCH(QString, text);
    QFETCH(int, batchesStored);
    QFETCH(int, values);
    QFETCH(int, requests);
    startSim(options);
    if (!bluetooth)
        m_fx.prompt->expect("question", "读取数据", "读取数据请等待", answer);
    if (!text.isEmpty()) {
        const bool completed = text.endsWith(QStringLiteral("完成"));
        m_fx.prompt->expect("information", tips,
                            readOffText(text, batchesStored, batchesStored * values,
                                        completed ? -1 : batchesStored));
    }
    (bluetooth ? m_ui->pushButton_B_RecData : m_ui->pushButton_COM_ReadOff)->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(sqlRows(m_window->databaseFileName(),
                     "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
             expectedRows(0, batchesStored, values));
    QStringList kinds;
    for (int i = 0; i < requests; ++i)
        kinds << QStringLiteral("records");
    QCOMPARE(m_sim->requestKinds(), kinds);
    for (int i = 0; i < requests; ++i)
        QVERIFY(m_sim->requests().at(i).endsWith(
            QStringLiteral("070101") + QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0'))
            + QStringLiteral("000000")));
    QVERIFY(!m_window->isDeviceLinkOpen());
}

void TestLoggerWindow::readOffTwiceStoresOnce()
{
    startSim({});
    const QString end = QStringLiteral("离线数据导入完成");
    const QStringList said{readOffText(end, 3, 6),
                           "离线数据导入完成：已导入3批（0条数据），另有6条历史数据中已有"};
    for (const QString &text : said) {
        m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
        m_fx.prompt->expect("information", tips, text);
        m_ui->pushButton_COM_ReadOff->click();
        QCOMPARE(m_fx.prompt->pending(), 0);
    }
    QCOMPARE(m_sim->requestKinds().size(), 8);
    QCOMPARE(sqlRows(m_window->databaseFileName(),
                     "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
             expectedRows(0, 3));
}

void TestLoggerWindow::readOffRefusedWithoutProjectRow()
{
    startSim({});
    // A database that refuses the project's row.
    const QString db = m_window->databaseFileName();
    QVERIFY(SQLiteHandler::createDatabase(db));
    QCOMPARE(sqlRows(db, "CREATE TRIGGER refuse BEFORE INSERT ON project "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
             QStringList());
    QVERIFY(m_fx.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                            "LibTest.so"));
    ProjectData data;
    data.name = "logger.dpro";
    data.driveLibName = "LibTest";
    data.hasConnect = true;
    data.linkMode = "com";
    data.linkParameter = m_sim->portName() + ",115200,8,1,N";
    QVERIFY(ProjectFile::write(m_fx.path("logger.dpro"), data));
    m_fx.chooser->answers << m_fx.path("logger.dpro");
    m_ui->action_openPro->trigger();
    QCOMPARE(m_window->projectId(), -1);

    m_fx.prompt->expect("information", tips, "数据库无相关ID或数据");
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(!m_window->isDeviceLinkOpen());
    QStringList sent;
    QVERIFY2(sentBeforeMarker(&sent), qPrintable(sent.join(" | ")));
    QCOMPARE(sent, QStringList());
}

void TestLoggerWindow::readOffHistoryFileHeld_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<int>("lockedAfter");    // batches stored before the lock is taken
    QTest::addColumn<int>("releaseAfterMs"); // -1: held past the read-off's wait
    QTest::newRow("write lock held past the wait") << "IMMEDIATE" << 4 << -1;
    QTest::newRow("exclusive lock held past the wait") << "EXCLUSIVE" << 4 << -1;
    QTest::newRow("exclusive lock from before the start") << "EXCLUSIVE" << 0 << -1;
    QTest::newRow("write lock let go after 3 s") << "IMMEDIATE" << 4 << 3000;
    QTest::newRow("exclusive lock let go after 3 s") << "EXCLUSIVE" << 4 << 3000;
}

// Another program takes the history file after some batches, or holds it from before the start.
// The read-off waits for it with the window painted; held past the wait, it stops at the batch
// it could not store (before the first request when it could not open the file) and says so,
// and a second read-off brings the rest without a row twice; let go in time, every row is in.
void TestLoggerWindow::readOffHistoryFileHeld()
{
    QFETCH(QString, lock);
    QFETCH(int, lockedAfter);
    QFETCH(int, releaseAfterMs);
    constexpr int batches = 12;
    constexpr int values = 5;
    startSim({"--batches", QString::number(batches), "--values", QString::number(values)});
    const QString file = m_window->databaseFileName();
    HistoryLockHolder holder;
    QVERIFY(holder.start(file));
    bool locked = false;
    bool released = false;
    QElapsedTimer heldFor;
    QTimer release;
    release.setSingleShot(true);
    // Housekeeping falls due as the file is let go, inside the read-off's wait: with 覆盖时间 at
    // 1天 it would delete the stored rows (all from 1970) under the job.
    connect(&release, &QTimer::timeout, this, [&] {
        released = holder.release();
        m_ui->clearDays->setCurrentIndex(0);
        emit m_window->historyHousekeepingDue();
    });
    connect(m_window->statusBar(), &QStatusBar::messageChanged, this, [&](const QString &text) {
        if (locked || !text.contains(QStringLiteral("已读取%1批").arg(lockedAfter)))
            return;
        locked = holder.lock(lock);
        heldFor.start();
        if (releaseAfterMs >= 0)
            release.start(releaseAfterMs);
    });
    EventLoopGaps gaps;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { gaps.tick(); });
    ticker.start(20);

    if (lockedAfter == 0) {
        QVERIFY(SQLiteHandler::createDatabase(file));
        QVERIFY(holder.lock(lock));
        locked = true;
        heldFor.start();
    }
    const bool heldPast = releaseAfterMs < 0;
    const QString unstored = lockedAfter > 0 ? QStringLiteral("，该批5条数据未存入") : QString();
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    m_fx.prompt->expect("information", tips,
                        heldPast ? readOffText("历史数据库被其他程序占用15秒，离线数据导入停止",
                                               lockedAfter, lockedAfter * values, lockedAfter)
                                       + unstored
                                 : readOffText("离线数据导入完成", batches, batches * values));
    gaps.start();
    m_ui->pushButton_COM_ReadOff->click();
    gaps.stop();
    ticker.stop();
    const qint64 waitedMs = heldFor.elapsed();
    QVERIFY(locked);
    QCOMPARE(m_fx.prompt->pending(), 0);
    // Painted while it waited, not standing still for the lock.
    qInfo("%s", qPrintable(gaps.describe()));
    QVERIFY2(gaps.longestMs() <= 250, qPrintable(gaps.describe()));
    if (!heldPast) {
        // Nothing deleted under the job.
        QVERIFY(released);
        QVERIFY2(waitedMs >= releaseAfterMs, qPrintable(QString::number(waitedMs)));
        QCOMPARE(m_sim->requestKinds().size(), batches + 1);
        QCOMPARE(sqlRows(file, "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
                 expectedRows(0, batches, values));
        return;
    }
    // The whole wait, then not a request past the batch it could not store.
    QVERIFY2(waitedMs >= RecordReadOff::fileWaitMs, qPrintable(QString::number(waitedMs)));
    QCOMPARE(m_sim->requestKinds().size(), lockedAfter > 0 ? lockedAfter + 1 : 0);
    QVERIFY(holder.release());
    QCOMPARE(sqlRows(file, "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
             expectedRows(0, lockedAfter, values));
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    QString again = readOffText("离线数据导入完成", batches, (batches - lockedAfter) * values);
    if (lockedAfter > 0)
        again += QStringLiteral("，另有%1条历史数据中已有").arg(lockedAfter * values);
    m_fx.prompt->expect("information", tips, again);
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(sqlRows(file, "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
             expectedRows(0, batches, values));
}

void TestLoggerWindow::readOffCountsRowsPastRetention_data()
{
    QTest::addColumn<int>("clearDays"); // index of 覆盖时间
    QTest::addColumn<QString>("aged");  // the end text's second line
    QTest::addColumn<int>("left");      // rows housekeeping leaves
    QTest::newRow("1天: four of eight batches before the cut-off")
        << 0 << "\n其中20条早于覆盖时间（1天），将在历史数据清理时删除" << 20;
    QTest::newRow("3天: all within") << 1 << "" << 40;
    QTest::newRow("不覆盖: nothing goes") << 8 << "" << 40;
}

// Records a day old, an hour apart around the cut-off of 1天: the end text counts those that the
// housekeeping then deletes.
void TestLoggerWindow::readOffCountsRowsPastRetention()
{
    QFETCH(int, clearDays);
    QFETCH(QString, aged);
    QFETCH(int, left);
    const qint64 deviceEpoch
        = QDateTime(QDate(1970, 1, 1), QTime(8, 0), Qt::LocalTime).toSecsSinceEpoch();
    const qint64 dayAgo = QDateTime::currentDateTime().addDays(-1).toSecsSinceEpoch();
    // 3.5 h to 0.5 h before the cut-off, then 0.5 h to 3.5 h after it.
    startSim({"--batches", "8", "--values", "5", "--step-seconds", "3600", "--first-seconds",
              QString::number(dayAgo - deviceEpoch - 3 * 3600 - 1800)});
    m_ui->clearDays->setCurrentIndex(clearDays);
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    m_fx.prompt->expect("information", tips, readOffText("离线数据导入完成", 8, 40) + aged);
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    const QString file = m_window->databaseFileName();
    QCOMPARE(sqlRows(file, "SELECT COUNT(*) FROM data"), QStringList{"40"});
    emit m_window->historyHousekeepingDue();
    QCOMPARE(sqlRows(file, "SELECT COUNT(*) FROM data"), QStringList{QString::number(left)});
}

void TestLoggerWindow::clearLocalDatabase()
{
    QVERIFY(m_window->historyDatabase()->openDatabase(m_window->databaseFileName()));
    for (int project : {1, 2}) {
        QVERIFY(m_window->historyDatabase()->insertRecord(
            "data", {{"projectid", project},
                     {"label", "AI1"},
                     {"value", 1.5},
                     {"datetime", "2026-03-07 14:05:09.000"}}));
    }
    m_ui->pushButton_COM_ClearDatabaseData->click();
    QCOMPARE(statusText(), QStringLiteral("删除成功"));
    QCOMPARE(sqlRows(m_window->databaseFileName(), "SELECT COUNT(*) FROM data"), QStringList{"0"});
}

void TestLoggerWindow::download_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::newRow("whole replies") << QStringList();
    QTest::newRow("an area frame's reply over two reads")
        << QStringList{"--fault", "split=4@14", "--split-ms", "50"};
    QTest::newRow("a status reply over two reads")
        << QStringList{"--fault", "split=6@3", "--split-ms", "50"};
    // Its answer comes while the start mark's is awaited; it must not be taken for that.
    QTest::newRow("the opening answered 300 ms late") << QStringList{"--fault", "late=300@1"};
}

void TestLoggerWindow::download()
{
    QFETCH(QStringList, faults);
    startSim(faults);
    const QByteArray image = testImage();
    m_fx.chooser->answers << writeImage(image);
    m_ui->progressBar->setValue(40);
    m_ui->pushButton_openbinfile->click();
    QCOMPARE(m_fx.chooser->calls, QStringList{"update bin"});
    QCOMPARE(m_ui->lineEdit_binpath->text(), m_fx.path("logger.bin"));
    QCOMPARE(m_ui->progressBar->value(), 0);

    m_window->openDeviceLink();
    QVERIFY(m_window->isDeviceLinkOpen());
    QList<int> progress;
    connect(m_ui->progressBar, &QProgressBar::valueChanged, this,
            [&progress](int v) { progress << v; });
    m_fx.prompt->expect("information", tips, "下载完成");
    m_ui->pushButton_bindownload->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(m_ui->progressBar->maximum(), imageBytes);
    QCOMPARE(progress.mid(progress.size() - 2), (QList<int>{87604, 88488}));
    QVERIFY(m_sim->memory() == image);
    QCOMPARE(m_sim->requests().size(), 117);
    QCOMPARE(m_window->imageFrameCounter(), quint8(104));
    // The download needs the link open and leaves it so.
    QVERIFY(m_window->isDeviceLinkOpen());

    // A cancelled file dialog changes nothing.
    m_ui->pushButton_openbinfile->click();
    QCOMPARE(m_ui->lineEdit_binpath->text(), m_fx.path("logger.bin"));
    QCOMPARE(m_ui->progressBar->value(), imageBytes);
}

void TestLoggerWindow::downloadAtLineRate_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("9600 baud") << 9600;
    QTest::newRow("115200 baud") << 115200;
}

// Both rates of the link dialog, with every byte on a line of that rate. The whole image takes
// over 90 s at 9600 baud; a shorter one of four areas (2,612 bytes: area 1, area 21 in one frame
// of 500, area 22 in two of 1000, area 26 with the closing command) shows the same frames in
// some seconds.
void TestLoggerWindow::downloadAtLineRate()
{
    QFETCH(int, baud);
    const QList<LoggerImageDownload::Area> areas{{1, 32}, {21, 500}, {22, 2000}, {26, 80}};
    const int size = LoggerImageDownload::imageSize(areas);
    QByteArray image = imagePattern(size);
    // Area 26 is last: its byte 56 is the closing command 04.
    image[size - 80 + LoggerImageDownload::closingCodeOffset] = char(0x04);
    m_window->setImageAreas(areas);
    startSim({}, baud);
    m_ui->lineEdit_binpath->setText(writeImage(image));
    m_window->openDeviceLink();
    QVERIFY(m_window->isDeviceLinkOpen());
    QCOMPARE(m_window->serialPort()->baudRate(), baud);
    m_fx.prompt->expect("information", tips, "下载完成");
    m_ui->pushButton_bindownload->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(m_ui->progressBar->value(), size);

    // The device's memory, laid out by its whole table, holds the four areas and nothing else.
    QByteArray expected;
    int taken = 0;
    for (const LoggerImageDownload::Area &a : LoggerImageDownload::areas()) {
        const bool sent = std::any_of(areas.begin(), areas.end(),
                                      [&a](const auto &s) { return s.number == a.number; });
        if (sent) {
            expected.append(image.mid(taken, a.size));
            taken += a.size;
        } else {
            expected.append(QByteArray(a.size, '\0'));
        }
    }
    QVERIFY(m_sim->memory() == expected);
    // Opening, start mark, ten polls, five area frames, the finish mark (6 into area 32, sent
    // as 0x21) and the two closing commands.
    const QStringList requests = m_sim->requests();
    QCOMPARE(requests.size(), 20);
    const QStringList finish = requests.at(17).split(QLatin1Char(' '));
    QCOMPARE(finish.value(1), QStringLiteral("write"));
    QCOMPARE(finish.value(2).mid(8, 2), QStringLiteral("21"));
    QCOMPARE(finish.value(2).mid(22, 2), QStringLiteral("06"));
    QCOMPARE(m_sim->requestKinds().mid(18), (QStringList{"command", "command"}));
}

void TestLoggerWindow::paintedDuringJob_data()
{
    QTest::addColumn<bool>("readOff");
    QTest::addColumn<QStringList>("options");
    // 100 batches of 50 values at 115200 baud take some seconds; the image at 460800 too.
    QTest::newRow("read-off of 100 batches")
        << true << QStringList{"--batches", "100", "--values", "50", "--line-rate", "115200"};
    QTest::newRow("download") << false << QStringList{"--line-rate", "460800"};
}

// A long job keeps the window painted, showing how far it is: the event loop runs at least
// every 250 ms of the job's own time (a wait for a CPU on a busy machine is not the job's), and
// a click on another device button meanwhile is refused by the lock.
void TestLoggerWindow::paintedDuringJob()
{
    QFETCH(bool, readOff);
    QFETCH(QStringList, options);
    startSim(options);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_ui->tabWidget->setCurrentWidget(readOff ? m_ui->tab_6 : m_ui->tab_2);
    if (readOff) {
        m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
        m_fx.prompt->expect("information", tips, readOffText("离线数据导入完成", 100, 5000));
    } else {
        m_ui->lineEdit_binpath->setText(writeImage(testImage()));
        m_window->openDeviceLink();
        m_fx.prompt->expect("information", tips, "下载完成");
    }
    // The running count of the read-off, the bar of the download.
    QStatusBar *status = m_window->statusBar();
    QProgressBar *bar = m_ui->progressBar;
    const QRegularExpression count(QStringLiteral("已读取(\\d+)批"));
    PaintLog paints(readOff ? static_cast<QWidget *>(status) : bar, [&]() -> QString {
        if (!readOff)
            return QString::number(bar->value());
        const QRegularExpressionMatch m = count.match(status->currentMessage());
        return m.hasMatch() ? m.captured(1) : QString();
    });
    // The gaps between the ticker's runs, less the time the machine's load kept the thread
    // waiting for a CPU: a gap of the program's own making counts in full.
    EventLoopGaps gaps;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { gaps.tick(); });
    ticker.start(20);
    QString refusal;
    QTimer::singleShot(500, this, [&] {
        m_ui->pushButton_COM_CheckTime->click();
        refusal = status->currentMessage();
    });
    gaps.start();
    (readOff ? m_ui->pushButton_COM_ReadOff : m_ui->pushButton_bindownload)->click();
    gaps.stop();
    ticker.stop();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(refusal, QStringLiteral("串口正忙，请稍后再试"));
    QVERIFY(!m_sim->requestKinds().join(',').contains("clock"));
    QVERIFY2(gaps.total().wallMs() > 1000, qPrintable(gaps.describe()));
    qInfo("%s", qPrintable(gaps.describe()));
    QVERIFY2(gaps.longestMs() <= 250, qPrintable(gaps.describe()));
    // Painted on the way, with the figure climbing (the bar while the areas go out; its
    // closing values come after).
    QList<int> painted;
    for (const QString &text : paints.shown) {
        const int value = text.toInt();
        if (!text.isEmpty() && (readOff || value < imageBytes - imageBytes / 100)
            && (painted.isEmpty() || painted.last() != value))
            painted << value;
    }
    QVERIFY2(painted.size() > 5, qPrintable(paints.shown.join(" | ")));
    QVERIFY2(std::is_sorted(painted.begin(), painted.end()), qPrintable(paints.shown.join(" | ")));
    if (readOff) {
        QCOMPARE(sqlRows(m_window->databaseFileName(), "SELECT COUNT(*) FROM data"),
                 QStringList{"5000"});
    } else {
        QVERIFY(m_sim->memory() == testImage());
    }
}

void TestLoggerWindow::lineGone_data()
{
    QTest::addColumn<QString>("during");
    QTest::addColumn<QString>("box");
    QTest::newRow("idle on the firmware page's link") << "idle" << QString();
    // The line goes at the first frame end past 20,000 bytes.
    QTest::newRow("a download")
        << "download"
        << "下载失败:-1\n设备已收到开始标记，已写入 20288/88488 Byte，未收到结束标记";
    // A line lost is said as such, not as a failed check.
    QTest::newRow("a read-off") << "readoff"
                                << readOffText("串口连接已断开，离线数据导入停止", 3, 6, 3);
}

// The far end of the line goes away (the pty pair ends): the link closes, the firmware page's
// buttons are ready to connect again, the page says so, and the idle window uses no CPU.
void TestLoggerWindow::lineGone()
{
    QFETCH(QString, during);
    QFETCH(QString, box);
    startSim({"--batches", "1000", "--line-rate", "115200"});
    m_ui->button_Serial->click();
    if (during == QLatin1String("readoff"))
        m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    if (!box.isEmpty())
        m_fx.prompt->expect("information", tips, box);
    if (during == QLatin1String("idle")) {
        m_ui->pb_Connect->click();
        QVERIFY(m_window->isDeviceLinkOpen());
        QVERIFY(!m_ui->pb_Connect->isEnabled());
        m_sim->stop();
        QTRY_VERIFY_WITH_TIMEOUT(m_ui->pb_Connect->isEnabled(), eventWaitMs);
    } else if (during == QLatin1String("download")) {
        m_ui->lineEdit_binpath->setText(writeImage(testImage()));
        m_ui->pb_Connect->click();
        connect(m_ui->progressBar, &QProgressBar::valueChanged, this, [this](int v) {
            if (v >= 20000)
                m_sim->stop();
        });
        m_ui->pushButton_bindownload->click();
    } else {
        connect(m_window->statusBar(), &QStatusBar::messageChanged, this,
                [this](const QString &text) {
                    if (text.contains(QStringLiteral("已读取3批")))
                        m_sim->stop();
                });
        m_ui->pushButton_COM_ReadOff->click();
        QCOMPARE(sqlRows(m_window->databaseFileName(), "SELECT COUNT(*) FROM data ORDER BY id"),
                 QStringList{"6"});
    }
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(!m_window->isDeviceLinkOpen());
    QVERIFY(!m_window->serialPort()->isOpen());
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());
    const QString status = m_window->statusBar()->currentMessage();
    QCOMPARE(status, QStringLiteral("串口连接已断开：") + m_window->serialPort()->portName());
    QVERIFY(m_ui->textBrowser->toPlainText().contains(status));

    // Idle from here on: nothing polls the dead line.
    const double before = processCpuSeconds();
    QTest::qWait(3000);
    const double used = processCpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 3 s").arg(used)));
}

// Whatever closes the link, the firmware page's buttons follow: after a data-logger command
// closed the link the page had opened, it connects again and 更新APP uploads.
void TestLoggerWindow::firmwareButtonsFollowTheLink()
{
    startSim({});
    m_ui->button_Serial->click();
    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QVERIFY(!m_ui->pb_Connect->isEnabled());
    QVERIFY(m_ui->pb_Disconnect->isEnabled());

    m_fx.prompt->expect("information", tips, "校对成功");
    m_ui->pushButton_COM_CheckTime->click();
    QVERIFY(!m_window->isDeviceLinkOpen());
    QVERIFY(m_ui->pb_Connect->isEnabled());
    QVERIFY(!m_ui->pb_Disconnect->isEnabled());

    m_ui->pb_Connect->click();
    QVERIFY(m_window->isDeviceLinkOpen());
    QByteArray app;
    for (int i = 0; i < 0x19000; ++i)
        app.append(char((i * 11 + i / 256) & 0xFF));
    QFile file(m_fx.path("app.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(app);
    file.close();
    m_ui->filepath->setText(file.fileName());
    m_ui->pb_update->click();
    QVERIFY(m_sim->firmware() == app);
}

void TestLoggerWindow::downloadFailures_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("fileBytes");
    QTest::addColumn<bool>("openLink");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("progress");

    QTest::newRow("link closed: nothing")
        << QStringList() << imageBytes << false << QString() << 0 << 7;
    QTest::newRow("file one byte short, nothing sent")
        << QStringList() << imageBytes - 1 << true << "文件大小错误" << 0 << 7;
    QTest::newRow("file one byte long, nothing sent")
        << QStringList() << imageBytes + 1 << true << "文件大小错误" << 0 << 7;
    // Past the start mark the box says what the device now holds.
    QTest::newRow("status 5 in the fourth poll")
        << QStringList{"--fault", "status=5@6"} << imageBytes << true
        << "下载失败:5\n设备已收到开始标记，已写入 0/88488 Byte，未收到结束标记" << 6 << 7;
    QTest::newRow("device result 7 for an area frame")
        << QStringList{"--fault", "result=7@14"} << imageBytes << true
        << "下载失败:7\n设备已收到开始标记，已写入 32/88488 Byte，未收到结束标记" << 14 << 32;
    QTest::newRow("device silent from the fourth area frame on")
        << QStringList{"--fault", "silence@16-200"} << imageBytes << true
        << "下载失败:-1\n设备已收到开始标记，已写入 96/88488 Byte，未收到结束标记" << 16 << 96;
    QTest::newRow("finish mark refused")
        << QStringList{"--fault", "result=3@115"} << imageBytes << true
        << "下载失败:-1\n设备已收到开始标记，已写入 88488/88488 Byte，结束标记未获确认" << 115
        << 87604;
    QTest::newRow("closing reply with one byte more")
        << QStringList{"--fault", "extra=1@116"} << imageBytes << true
        << "下载失败\n设备已收到开始标记、88488/88488 Byte 和结束标记，关闭命令未获确认" << 116
        << 0;
}

void TestLoggerWindow::downloadFailures()
{
    QFETCH(QStringList, faults);
    QFETCH(int, fileBytes);
    QFETCH(bool, openLink);
    QFETCH(QString, text);
    QFETCH(int, requests);
    startSim(faults);
    m_ui->lineEdit_binpath->setText(writeImage(testImage().leftJustified(fileBytes, 'x', true)));
    m_ui->progressBar->setValue(7);
    if (openLink)
        m_window->openDeviceLink();
    if (!text.isEmpty())
        m_fx.prompt->expect("information", tips, text);
    m_ui->pushButton_bindownload->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QTEST(m_ui->progressBar->value(), "progress");
    QStringList sent;
    QVERIFY2(sentBeforeMarker(&sent), qPrintable(sent.join(" | ")));
    QCOMPARE(sent.size(), requests);
}

void TestLoggerWindow::busyLinkRefuses()
{
    startSim({});
    m_ui->lineEdit_binpath->setText(writeImage(testImage()));
    m_window->openDeviceLink();
    // Monitoring's start, or another device operation, holds the lock.
    QVERIFY(m_window->serialLinkLock()->tryLock());
    for (QPushButton *b : {m_ui->pushButton_COM_ClearFlashData, m_ui->pushButton_COM_CheckTime,
                           m_ui->pushButton_COM_ReadOff, m_ui->pushButton_B_RecData,
                           m_ui->pushButton_bindownload, m_ui->pushButton_COM_ClearDatabaseData}) {
        m_window->statusBar()->clearMessage();
        b->click();
        QCOMPARE(statusText(), QStringLiteral("串口正忙，请稍后再试"));
    }
    m_window->serialLinkLock()->unlock();
    // The link the page opened is still open: no refused click closed it.
    QVERIFY(m_window->isDeviceLinkOpen());
    QStringList sent;
    QVERIFY2(sentBeforeMarker(&sent), qPrintable(sent.join(" | ")));
    QCOMPARE(sent, QStringList());
}

void TestLoggerWindow::clickDuringDownloadPause()
{
    startSim({});
    m_ui->lineEdit_binpath->setText(writeImage(testImage()));
    m_window->openDeviceLink();
    int pauses = 0;
    QString refusal;
    // A click handled during the download's first pause, as the event loop would deliver it.
    m_window->setDevicePause([&](int) {
        if (pauses++ == 0) {
            m_ui->pushButton_COM_CheckTime->click();
            refusal = statusText();
        }
    });
    m_fx.prompt->expect("information", tips, "下载完成");
    m_ui->pushButton_bindownload->click();
    QCOMPARE(refusal, QStringLiteral("串口正忙，请稍后再试"));
    QVERIFY(m_sim->memory() == testImage());
    QVERIFY(!m_sim->requestKinds().join(',').contains("clock"));
    QVERIFY(m_window->serialLinkLock()->tryLock());
    m_window->serialLinkLock()->unlock();
}

QTEST_MAIN(TestLoggerWindow)
#include "tst_loggerwindow.moc"
