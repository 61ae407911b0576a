// The window's data-logger page against the data-logger simulator on a socat pty pair: the
// commands and their boxes, the read-off into the history database, the memory-image download,
// and the serial lock that refuses a second device operation.
#include "dialogsetlink.h"
#include "loggersimprocess.h"
#include "projectfile.h"
#include "simmarker.h"
#include "sqlrows.h"
#include "testwatchdog.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace {

// No exchange of these tests waits less: replies must not be missed on a loaded machine.
constexpr int waitFloorMs = 1000;
const QString tips = QStringLiteral("提示信息");
constexpr int imageBytes = 88488;

// The rows the simulator's batch i of two values from address 3 of area AI becomes.
QStringList expectedRows(int firstBatch, int batches, int projectId = 0)
{
    QStringList rows;
    for (int i = firstBatch; i < firstBatch + batches; ++i) {
        // The device counts from 08:00 local time; the text is that clock plus its seconds.
        const QString time = QDateTime(QDate(1970, 1, 1), QTime(8, 0), Qt::UTC)
                                 .addMSecs(qint64(1000000 + 10 * i) * 1000 + (37 * i) % 1000)
                                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (int j = 0; j < 2; ++j)
            rows << QStringLiteral("%1|AI%2|%3|%4")
                        .arg(projectId)
                        .arg(3 + j)
                        .arg(i * 1000 + j - 1)
                        .arg(time);
    }
    return rows;
}

QByteArray testImage()
{
    QByteArray image;
    for (int i = 0; i < imageBytes; ++i)
        image.append(char((i * 7 + i / 253) & 0xFF));
    // Area 26 (bytes 1028 .. 1107 of the image) carries the closing command 04 at its byte 56.
    image[1028 + 56] = char(0x04);
    return image;
}

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
    void readOffRefusedWithoutProjectRow();
    void clearLocalDatabase();
    void download();
    void downloadFailures_data();
    void downloadFailures();
    void busyLinkRefuses();
    void clickDuringDownloadPause();

private:
    void startSim(const QStringList &extra);
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
    m_window->setDeviceWaitFloor(waitFloorMs);
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

void TestLoggerWindow::startSim(const QStringList &extra)
{
    QVERIFY2(m_sim->start(extra), qPrintable(m_sim->error()));
    m_window->linkDialog()->linkParameter(m_sim->portName() + ",115200,8,1,N");
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
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<bool>("bluetooth");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("batchesStored");
    QTest::addColumn<int>("requests");

    const QString end = QStringLiteral("离线数据导入完成");
    const QString failed = QStringLiteral("校验错误，离线数据导入停止");
    QTest::newRow("three batches, then the end") << QStringList() << false << true << end << 3 << 4;
    QTest::newRow("Bluetooth wording, no question")
        << QStringList() << true << true << "蓝牙导入完成" << 3 << 4;
    QTest::newRow("a batch over two reads is read whole")
        << QStringList{"--fault", "split=10@2", "--split-ms", "100"} << false << true << end << 3
        << 4;
    QTest::newRow("no reply to the second request")
        << QStringList{"--fault", "silence@2"} << false << true << failed << 1 << 2;
    QTest::newRow("second batch names a value more than it holds")
        << QStringList{"--fault", "overcount@2"} << false << true << failed << 1 << 2;
    QTest::newRow("second batch cut short")
        << QStringList{"--fault", "short=6@2"} << false << true << failed << 1 << 2;
    QTest::newRow("Bluetooth: no reply") << QStringList{"--fault", "silence@1"} << true << true
                                         << "校验错误，蓝牙数据导入停止" << 0 << 1;
    QTest::newRow("a wrong CRC after 07 01 reads as the end")
        << QStringList{"--fault", "crc@3"} << false << true << end << 2 << 3;
    QTest::newRow("No cancels") << QStringList() << false << false << QString() << 0 << 0;
}

void TestLoggerWindow::readOff()
{
    QFETCH(QStringList, faults);
    QFETCH(bool, bluetooth);
    QFETCH(bool, answer);
    QFETCH(QString, text);
    QFETCH(int, batchesStored);
    QFETCH(int, requests);
    startSim(faults);
    if (!bluetooth)
        m_fx.prompt->expect("question", "读取数据", "读取数据请等待", answer);
    if (!text.isEmpty())
        m_fx.prompt->expect("information", tips, text);
    (bluetooth ? m_ui->pushButton_B_RecData : m_ui->pushButton_COM_ReadOff)->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QCOMPARE(sqlRows(m_window->databaseFileName(),
                     "SELECT projectid, label, value, datetime FROM data ORDER BY id"),
             expectedRows(0, batchesStored));
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

void TestLoggerWindow::readOffRefusedWithoutProjectRow()
{
    startSim({});
    // A database that refuses the project's row.
    const QString db = m_window->databaseFileName();
    QVERIFY(SQLiteHandler::createDatabase(db));
    QCOMPARE(sqlRows(db, "CREATE TRIGGER refuse BEFORE INSERT ON project "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
             QStringList());
    QVERIFY(QDir(m_fx.dir->path()).mkpath("libdrive"));
    QVERIFY(QFile::link(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                        m_fx.path("libdrive/LibTest.so")));
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

void TestLoggerWindow::download()
{
    startSim({});
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
    QTest::newRow("status 5 in the fourth poll")
        << QStringList{"--fault", "status=5@6"} << imageBytes << true << "下载失败:5" << 6 << 7;
    QTest::newRow("device result 7 for an area frame")
        << QStringList{"--fault", "result=7@14"} << imageBytes << true << "下载失败:7" << 14 << 32;
    QTest::newRow("closing reply with one byte more")
        << QStringList{"--fault", "extra=1@116"} << imageBytes << true << "下载失败" << 116 << 0;
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
    for (QPushButton *b :
         {m_ui->pushButton_COM_ClearFlashData, m_ui->pushButton_COM_CheckTime,
          m_ui->pushButton_COM_ReadOff, m_ui->pushButton_B_RecData, m_ui->pushButton_bindownload}) {
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
