// The window while a device job runs, driven from outside as a user would (every click given in
// the pauses of the job that keeps the window painted), against the data-logger simulator on a
// socat pty pair at the program's own time-outs: a read-off keeps the history file and the
// project it started with whatever the menus are asked, the menus and the page buttons refuse
// what would change them or open a dialog, monitoring's warning waits for the job's end, 退出
// stops the job or waits for it and names it in the language of the moment, and the busy
// refusal of 开始监视 stays readable beside the read-off's progress.
#include "../trend/historyseed.h"
#include "dialognewproject.h"
#include "dialogsetlink.h"
#include "loggersimprocess.h"
#include "pausedinput.h"
#include "projectfile.h"
#include "sqlrows.h"
#include "testdrivercontrol.h"
#include "testwatchdog.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QDateTimeEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>

namespace {

const QString tips = QStringLiteral("提示信息");
const QString readOffJob = QStringLiteral("离线读取设备数据");
// 200 batches of 50 values at the pace of a 115200-baud line: some seconds of read-off.
const QStringList longReadOff{"--batches", "200", "--values", "50", "--line-rate", "115200"};
constexpr int batchesHeld = 200;
constexpr int valuesPerBatch = 50;
// What a read-off of all of them into a fresh history says.
QString readOffDone()
{
    return QStringLiteral("离线数据导入完成：已导入%1批（%2条数据）")
        .arg(batchesHeld)
        .arg(batchesHeld * valuesPerBatch);
}

QString quitQuestion(const QString &job)
{
    return QStringLiteral("“%1”正在进行。\n停止作业：已收到的数据完整保存，并告知停在何处，"
                          "然后退出程序。\n等待：作业结束后退出程序。")
        .arg(job);
}

const QStringList quitButtons{"停止作业并退出", "等待作业结束后退出", "取消"};

// The same in the English catalogue.
const QString readOffJobEnglish = QStringLiteral("Read Off Device Data");
QString quitQuestionEnglish(const QString &job)
{
    return QStringLiteral("“%1” is running.\nStop the job: what has been received is kept whole "
                          "and you are told where it stopped, then the program quits.\nWait: the "
                          "program quits once the job has ended.")
        .arg(job);
}
const QStringList quitButtonsEnglish{"Stop the job and quit", "Quit when the job has ended",
                                     "Cancel"};

// Every status-bar message with the milliseconds it came at.
class MessageLog : public QObject
{
public:
    explicit MessageLog(QStatusBar *bar)
    {
        clock.start();
        connect(bar, &QStatusBar::messageChanged, this, [this](const QString &text) {
            times << clock.elapsed();
            texts << text;
        });
    }
    QElapsedTimer clock;
    QList<qint64> times;
    QStringList texts;
};

} // namespace

class TestDeviceJobs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readOffKeepsItsProject_data();
    void readOffKeepsItsProject();
    void gatedDuringJob();
    void warningWaitsForTheJob_data();
    void warningWaitsForTheJob();
    void quitDuringReadOff_data();
    void quitDuringReadOff();
    void quitNamesJobInCurrentLanguage_data();
    void quitNamesJobInCurrentLanguage();
    void quitStopsDownload();
    void busyRefusalReadable();

private:
    // The window in a program folder whose settings give the instance mode, shown.
    void createWindow(const QString &mode);
    void startSim(const QStringList &options);
    // name.dpro beside the window, on the test driver and the simulator's line.
    QString writeProject(const QString &name);
    void openProject(const QString &path);
    // The read-off's batch count as its progress line shows it; -1 without one.
    int batchesShown() const;
    QStringList logLines() const
    {
        return m_ui->textBrowser->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
    void expectReadOff(const QString &end);
    // An image of the download's size in the program folder, named in the page's path field.
    void writeImage();
    // Monitoring of the open project on the test driver, one tick done, the next one only when
    // the test starts it.
    void startMonitoring();

    WindowFixture m_fx;
    TestDriverControl *m_control = nullptr;
    MainWindow *m_window = nullptr;
    Ui::MainWindow *m_ui = nullptr;
    std::unique_ptr<LoggerSimProcess> m_sim;
    TestWatchdog m_watchdog;
};

void TestDeviceJobs::initTestCase()
{
    // The same file as the window's binding (through a link), hence the same control record.
    QString error;
    m_control
        = loadTestDriverControl(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver"), &error);
    QVERIFY2(m_control, qPrintable(error));
}

void TestDeviceJobs::init()
{
    m_watchdog.arm(QTest::currentTestFunction(), 240);
    m_fx.setUp();
    QVERIFY(m_fx.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                            "LibTest.so"));
    m_sim = std::make_unique<LoggerSimProcess>();
    m_control->reset();
}

void TestDeviceJobs::cleanup()
{
    m_sim.reset();
    m_window = nullptr;
    m_ui = nullptr;
    m_fx.tearDown();
    m_watchdog.disarm();
}

void TestDeviceJobs::createWindow(const QString &mode)
{
    QFile settings(m_fx.path("settings.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(QStringLiteral("[multiModeofAPP]\nMode=%1\n").arg(mode).toUtf8());
    settings.close();
    m_window = m_fx.create();
    m_ui = m_window->form();
    QCOMPARE(m_window->instanceMode(), mode);
    // The language change the constructor posts puts back the form's texts: let it pass first.
    QCoreApplication::sendPostedEvents();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestDeviceJobs::startSim(const QStringList &options)
{
    QVERIFY2(m_sim->start(options), qPrintable(m_sim->error()));
    m_window->linkDialog()->linkParameter(m_sim->portName() + ",115200,8,1,N");
}

QString TestDeviceJobs::writeProject(const QString &name)
{
    ProjectData data;
    data.name = name + ".dpro";
    data.driveLibName = "LibTest";
    data.hasConnect = true;
    data.linkMode = "com";
    data.linkParameter = m_sim->portName() + ",115200,8,1,N";
    data.labels << LabelRow{"", "AI3", "", "", "", "Int32"};
    const QString path = m_fx.path(name + ".dpro");
    if (!ProjectFile::write(path, data))
        return QString();
    return path;
}

void TestDeviceJobs::openProject(const QString &path)
{
    m_fx.chooser->answers << path;
    m_ui->action_openPro->trigger();
    QCOMPARE(m_window->projectFilePath(false), path);
    QVERIFY(m_window->projectId() > 0);
}

int TestDeviceJobs::batchesShown() const
{
    static const QRegularExpression count(QStringLiteral("已读取(\\d+)批"));
    const QRegularExpressionMatch m = count.match(m_window->statusBar()->currentMessage());
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

void TestDeviceJobs::expectReadOff(const QString &end)
{
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    if (!end.isEmpty())
        m_fx.prompt->expect("information", tips, end);
}

void TestDeviceJobs::writeImage()
{
    QByteArray image(88488, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char((i * 7 + i / 253) & 0xFF);
    QFile file(m_fx.path("logger.bin"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(image);
    file.close();
    m_ui->lineEdit_binpath->setText(file.fileName());
}

void TestDeviceJobs::startMonitoring()
{
    m_window->samplingSeconds = 300;
    QVERIFY(m_ui->pushButton_startMonitor->isEnabled());
    m_ui->pushButton_startMonitor->click();
    QVERIFY(m_window->monitorRunning());
    QTRY_COMPARE_WITH_TIMEOUT(m_control->blockReadings, 1, 10000);
    QVERIFY(m_window->connectionGood);
    // The tick has ended (its sample stored) once the next one is minutes away.
    QTRY_VERIFY_WITH_TIMEOUT(m_window->monitorTimer()->isActive()
                                 && m_window->monitorTimer()->remainingTime() > 60000,
                             10000);
}

void TestDeviceJobs::readOffKeepsItsProject_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("entry");
    QTest::newRow("打开工程 B, multiple-instance mode") << "1"
                                                        << "action_openPro";
    QTest::newRow("多开模式 → 开启, single-instance mode") << "0"
                                                           << "action_openMM";
    QTest::newRow("新建工程, single-instance mode") << "0"
                                                    << "action_newPro";
}

// Project A's read-off while the user picks a menu entry that would open project B or move the
// history to another file: the entry is greyed out and does nothing, and every row goes into
// the file and under the project the read-off started with.
void TestDeviceJobs::readOffKeepsItsProject()
{
    QFETCH(QString, mode);
    QFETCH(QString, entry);
    createWindow(mode);
    startSim(longReadOff);
    const QString projectA = writeProject("A");
    const QString projectB = writeProject("B");
    QVERIFY(!projectA.isEmpty() && !projectB.isEmpty());
    openProject(projectA);
    const int idA = m_window->projectId();
    const QString fileA = m_window->databaseFileName();
    QCOMPARE(fileA, m_fx.path(mode == "1" ? "A.db" : "HistoryData.db"));
    // The rights that let 多开模式 open.
    m_window->onPermissionGranted();
    QVERIFY(m_ui->menu_MM->isEnabled());
    QAction *action = m_window->findChild<QAction *>(entry);
    QVERIFY(action && action->isEnabled());
    m_fx.chooser->answers << projectB;

    bool enabledDuring = true;
    int batchesAtClick = -1;
    PausedInput input;
    QMenu *menu = entry == "action_openMM" ? m_ui->menu_config : m_ui->menu_file;
    QMenu *submenu = entry == "action_openMM" ? m_ui->menu_MM : nullptr;
    input.menuEntry([this] { return batchesShown() >= 10; }, m_ui->menubar, menu, action,
                    &enabledDuring, submenu);
    input.step([] { return true; }, [&] { batchesAtClick = batchesShown(); });
    input.start();
    expectReadOff(readOffDone());
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());
    QVERIFY2(batchesAtClick > 0 && batchesAtClick < batchesHeld,
             qPrintable(QString::number(batchesAtClick)));

    QVERIFY(!enabledDuring);
    QCOMPARE(m_fx.chooser->calls, QStringList("dpro"));
    m_fx.chooser->answers.clear();
    QVERIFY(!m_window->newProjectDialog()->isVisible());
    QCOMPARE(m_window->projectFilePath(false), projectA);
    QCOMPARE(m_window->projectId(), idA);
    QCOMPARE(m_window->instanceMode(), mode);
    QCOMPARE(m_window->databaseFileName(), fileA);
    QCOMPARE(sqlRows(fileA, "SELECT projectid, COUNT(*), COUNT(DISTINCT datetime) FROM data "
                            "GROUP BY projectid"),
             QStringList(QStringLiteral("%1|%2|%3")
                             .arg(idA)
                             .arg(batchesHeld * valuesPerBatch)
                             .arg(batchesHeld)));
    QVERIFY(!QFileInfo::exists(m_fx.path("B.db")));
    QVERIFY(!QFileInfo::exists(m_fx.path("A.db")) || mode == "1");
    // Free again once the job has ended.
    QVERIFY(action->isEnabled());
}

// During a job every entry that would change the project or the history file, or open a
// dialog, is greyed out, and so are the page buttons whose file dialog or query would hold the
// job (保存图像, 查询数据, 保存报表); one triggered all the same is refused with a word. 退出, the
// languages and 显示窗口 stay. Afterwards each is as it was, the entries disabled for their own
// reasons included.
void TestDeviceJobs::gatedDuringJob()
{
    createWindow("0");
    startSim(longReadOff);
    // A chart section of the project's label, and its history of the last minutes: the report
    // can be queried and saved.
    {
        QSettings sections(m_fx.path("A.ini"), QSettings::IniFormat);
        sections.setValue("Section/0", 1);
        sections.setValue("Section/1", 1);
        sections.setValue("Section1/1", "AI3");
        sections.setValue("Section1/name", "Plant");
    }
    openProject(writeProject("A"));
    QCOMPARE(m_window->projectFilePath(true), m_fx.path("A.ini"));
    const QDateTime now = QDateTime::currentDateTime();
    QVERIFY(seedHistory(m_window->historyDatabase()->database(),
                        historyPolls(m_window->projectId(), {"AI3"}, 5, now.addSecs(-120))));
    m_ui->dateTimeStart->setDateTime(now.addSecs(-600));
    m_ui->dateTimeEnd->setDateTime(now.addSecs(60));
    m_ui->queryData->click();
    QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("查询成功"));
    QCOMPARE(m_ui->reportTable->model()->rowCount(), 5);
    m_window->onPermissionGranted();
    const QList<QAction *> labelMenu = m_window->labelMenu()->actions();
    const QList<QAction *> trayMenu = m_window->trayMenu()->actions();
    const QList<QObject *> gated{m_ui->action_newPro,
                                 m_ui->action_openPro,
                                 m_ui->action_savePro,
                                 m_ui->action_SetLink,
                                 m_ui->actionDatabase,
                                 m_ui->action_permissionsSettings,
                                 m_ui->action_openMM,
                                 m_ui->action_closeMM,
                                 m_ui->action_Tray,
                                 trayMenu.at(0),
                                 labelMenu.at(1),
                                 labelMenu.at(3),
                                 labelMenu.at(4),
                                 m_ui->pb_openfile,
                                 m_ui->pb_openfile_vexmar,
                                 m_ui->filepath,
                                 m_ui->filepath_vexmar,
                                 m_ui->lineEdit_binpath,
                                 m_ui->pushButton_openbinfile,
                                 m_ui->saveWave,
                                 m_ui->queryData,
                                 m_ui->saveReport};
    const QList<QObject *> kept{m_ui->action_closeAPP, m_ui->action_Chinese, m_ui->action_English,
                                trayMenu.at(1),        trayMenu.at(2),       labelMenu.at(0),
                                labelMenu.at(2),       labelMenu.at(5),      labelMenu.at(6)};
    const auto states = [](const QList<QObject *> &objects) {
        QList<bool> enabled;
        for (QObject *o : objects) {
            if (auto *a = qobject_cast<QAction *>(o))
                enabled << a->isEnabled();
            else
                enabled << qobject_cast<QWidget *>(o)->isEnabled();
        }
        return enabled;
    };
    const QList<bool> gatedBefore = states(gated);
    const QList<bool> keptBefore = states(kept);
    // The rights leave the login entry disabled, the open project the rest enabled.
    QCOMPARE(gatedBefore.count(false), 2); // the login and 关闭多应用模式
    QCOMPARE(keptBefore.count(false), 0);

    QList<bool> gatedDuring;
    QList<bool> keptDuring;
    QStringList refusals;
    const QList<QPushButton *> pageButtons{m_ui->saveWave, m_ui->queryData, m_ui->saveReport};
    PausedInput input;
    input.step([this] { return batchesShown() >= 10; },
               [&] {
                   gatedDuring = states(gated);
                   keptDuring = states(kept);
                   // What a shortcut or a script could still reach.
                   for (QAction *a : {m_ui->action_newPro, m_ui->action_openPro,
                                      m_ui->action_openMM, m_ui->action_closeMM}) {
                       m_window->statusBar()->clearMessage();
                       a->trigger();
                       refusals << m_window->statusBar()->currentMessage();
                   }
                   // A press that came before the buttons were greyed out.
                   for (QPushButton *b : pageButtons) {
                       m_window->statusBar()->clearMessage();
                       emit b->clicked();
                       refusals << m_window->statusBar()->currentMessage();
                   }
               });
    // A click on each greyed button, its page in front, takes nothing.
    QStringList clicked;
    for (QPushButton *b : pageButtons) {
        input.step([] { return true; },
                   [this, b, &clicked] {
                       for (QWidget *w = b; w; w = w->parentWidget()) {
                           if (m_ui->tabWidget->indexOf(w) >= 0)
                               m_ui->tabWidget->setCurrentWidget(w);
                       }
                       m_window->statusBar()->clearMessage();
                       QTest::mouseClick(b, Qt::LeftButton);
                       clicked << m_window->statusBar()->currentMessage();
                   });
    }
    input.start();
    expectReadOff(readOffDone());
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());

    QCOMPARE(gatedDuring, QVector<bool>(gated.size(), false).toList());
    QCOMPARE(keptDuring, keptBefore);
    const QString refusal = QStringLiteral("“%1”正在进行，请等它结束后再操作").arg(readOffJob);
    QCOMPARE(refusals, QStringList(QVector<QString>(7, refusal).toList()));
    QCOMPARE(logLines().count(refusal), 7);
    QCOMPARE(clicked, QStringList({"", "", ""}));
    // No file dialog opened and the report was not read again.
    QVERIFY(m_fx.chooser->calls.size() == 1);
    QCOMPARE(m_ui->reportTable->model()->rowCount(), 5);
    QCOMPARE(m_window->instanceMode(), QStringLiteral("0"));
    QVERIFY(!m_window->newProjectDialog()->isVisible());
    QCOMPARE(states(gated), gatedBefore);
    QCOMPARE(states(kept), keptBefore);
}

void TestDeviceJobs::warningWaitsForTheJob_data()
{
    QTest::addColumn<QString>("job");
    QTest::newRow("离线读取设备数据") << "read-off";
    QTest::newRow("下载") << "download";
    QTest::newRow("更新APP, serial") << "upload";
}

// Monitoring meets a response time-out in a tick that runs inside a job on the serial link (in
// one of the job's pauses): its warning box waits for the job's end and comes after the job's
// own end box, and the job goes on meanwhile.
void TestDeviceJobs::warningWaitsForTheJob()
{
    QFETCH(QString, job);
    const bool readOff = job == "read-off";
    const bool upload = job == "upload";
    auto *prompt = new WatchedPrompt;
    m_fx.prompt.reset(prompt);
    createWindow("0");
    startSim(readOff ? longReadOff : QStringList{"--line-rate", "460800"});
    openProject(writeProject("A"));
    startMonitoring();
    // A quarter megabyte of APP image, or the download's image; its progress in the bar.
    const int uploadBytes = 256 * 1024;
    const int whole = readOff ? batchesHeld : upload ? uploadBytes : 88488;
    const int begun = readOff ? 10 : whole / 8;
    const auto progress
        = [this, readOff] { return readOff ? batchesShown() : m_ui->progressBar->value(); };
    QPushButton *button = readOff  ? m_ui->pushButton_COM_ReadOff
                          : upload ? m_ui->pb_update
                                   : m_ui->pushButton_bindownload;
    if (upload) {
        const QString path = m_fx.path("image.bin");
        QByteArray image(uploadBytes, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char((i * 13 + i / 251) & 0xFF);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(image);
        file.close();
        m_ui->filepath->setText(path);
        QVERIFY(m_ui->button_Serial->isChecked());
        m_ui->pb_Connect->click();
    } else if (!readOff) {
        writeImage();
        m_window->openDeviceLink();
    }
    QVERIFY(readOff || m_window->isDeviceLinkOpen());

    int dueAt = -1;
    int tickedAt = -1;
    PausedInput input;
    input.step([&] { return progress() >= begun; },
               [&] {
                   m_control->statusByAddress.insert("AI3", 8);
                   m_window->monitorTimer()->start(0);
               });
    input.step([this] { return m_control->blockReadings >= 2; },
               [&] {
                   dueAt = progress();
                   tickedAt = m_control->blockReadings;
               });
    input.start();
    bool jobAtWarning = true;
    prompt->onBox = [&] { jobAtWarning = m_window->deviceJobRunning(); };
    // The upload ends in its log, the others in a box.
    if (readOff)
        expectReadOff(readOffDone());
    else if (!upload)
        m_fx.prompt->expect("information", tips, "下载完成");
    m_fx.prompt->expect("warning", "警告", "连接异常：响应超时");
    const int jobBoxes = readOff ? 2 : upload ? 0 : 1;
    button->click();
    QVERIFY(input.done());
    // The warning fell due with the job under way, and the job went on to its end.
    QVERIFY2(dueAt >= begun && dueAt < whole, qPrintable(QString::number(dueAt)));
    QCOMPARE(tickedAt, 2);
    if (readOff) {
        // Every row read off, beside the one sample of the first tick.
        QCOMPARE(sqlRows(m_window->databaseFileName(), "SELECT COUNT(*) FROM data"),
                 QStringList(QString::number(batchesHeld * valuesPerBatch + 1)));
    } else {
        QCOMPARE(m_ui->progressBar->value(), whole);
    }
    if (upload)
        QCOMPARE(logLines().last(), QStringLiteral("APP 下载完成"));
    // Its box comes from the event loop once the job's slot has returned.
    QCOMPARE(m_fx.prompt->shown, jobBoxes);
    QTRY_COMPARE_WITH_TIMEOUT(m_fx.prompt->pending(), 0, 10000);
    QCOMPARE(m_fx.prompt->texts.last(), QStringLiteral("连接异常：响应超时"));
    QVERIFY(!jobAtWarning);
    m_ui->pushButton_stopMonitor->click();
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->monitorRunning(), 10000);
}

void TestDeviceJobs::quitDuringReadOff_data()
{
    QTest::addColumn<QString>("via");
    QTest::addColumn<int>("choice");
    QTest::newRow("文件 → 退出, stop") << "menu" << 0;
    QTest::newRow("文件 → 退出, wait") << "menu" << 1;
    QTest::newRow("文件 → 退出, stay") << "menu" << 2;
    QTest::newRow("tray 退出, stop") << "tray" << 0;
    QTest::newRow("window closed, wait") << "close" << 1;
}

// 退出 during a read-off says that it runs and lets the user stop it or wait for it, the window
// saying which: a stopped read-off keeps every batch it received whole and says where it
// stopped, then the program quits; a waited one ends, then the program quits.
void TestDeviceJobs::quitDuringReadOff()
{
    QFETCH(QString, via);
    QFETCH(int, choice);
    createWindow("0");
    startSim(longReadOff);
    MessageLog messages(m_window->statusBar());

    PausedInput input;
    const auto begun = [this] { return batchesShown() >= 10; };
    if (via == "menu") {
        input.menuEntry(begun, m_ui->menubar, m_ui->menu_file, m_ui->action_closeAPP);
    } else if (via == "tray") {
        QMenu *tray = m_window->trayMenu();
        input.step(begun, [tray] { tray->popup(QPoint(40, 40)); });
        input.step([tray] { return tray->isVisible(); },
                   [tray] {
                       QTest::mouseClick(tray, Qt::LeftButton, {},
                                         tray->actionGeometry(tray->actions().last()).center());
                   });
    } else {
        input.step(begun, [this] { m_window->close(); });
    }
    input.start();
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    m_fx.prompt->expectChoice("确认退出", quitQuestion(readOffJob), quitButtons, choice);
    if (choice == 0)
        m_fx.prompt->expectStartingWith("information", tips, "离线数据导入已停止：");
    else
        m_fx.prompt->expect("information", tips, readOffDone());
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());
    QVERIFY(!m_window->isDeviceLinkOpen());

    const QString file = m_window->databaseFileName();
    const int rows = sqlRows(file, "SELECT COUNT(*) FROM data").value(0).toInt();
    // What the progress line said after the window said the choice.
    const QString waiting = QStringLiteral("“%1”结束后退出程序").arg(readOffJob);
    QStringList progressAfter;
    for (int i = messages.texts.indexOf(waiting) + 1; i > 0 && i < messages.texts.size(); ++i) {
        if (messages.texts.at(i).contains("已读取"))
            progressAfter << messages.texts.at(i);
    }
    if (choice == 2) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(m_fx.quits, 0);
        QCOMPARE(rows, batchesHeld * valuesPerBatch);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_fx.quits, 1, 10000);
    if (choice == 1) {
        QVERIFY(logLines().contains(waiting));
        QVERIFY2(progressAfter.size() >= 3, qPrintable(progressAfter.join(" | ")));
        for (const QString &text : progressAfter)
            QVERIFY2(text.contains(waiting), qPrintable(text));
        QCOMPARE(rows, batchesHeld * valuesPerBatch);
        return;
    }
    QVERIFY(logLines().contains(QStringLiteral("正在停止“%1”，停止后退出程序").arg(readOffJob)));
    static const QRegularExpression said(
        QStringLiteral("^离线数据导入已停止：已导入(\\d+)批（(\\d+)条数据），停在记录索引(\\d+)$"));
    const QRegularExpressionMatch m = said.match(m_fx.prompt->texts.last());
    QVERIFY2(m.hasMatch(), qPrintable(m_fx.prompt->texts.last()));
    const int batches = m.captured(1).toInt();
    QVERIFY2(batches >= 10 && batches < batchesHeld, qPrintable(m.captured(0)));
    // Whole batches only, and the next one is where it stopped.
    QCOMPARE(m.captured(2).toInt(), batches * valuesPerBatch);
    QCOMPARE(rows, batches * valuesPerBatch);
    QCOMPARE(sqlRows(file, "SELECT COUNT(DISTINCT datetime) FROM data"),
             QStringList(QString::number(batches)));
    QCOMPARE(m.captured(3).toInt(), batches);
    QCOMPARE(m_sim->requestKinds().size(), batches);
}

void TestDeviceJobs::quitNamesJobInCurrentLanguage_data()
{
    QTest::addColumn<bool>("switchFirst");
    QTest::newRow("英文, then 退出") << true;
    QTest::newRow("退出 (wait), then 英文") << false;
}

// A read-off started in Chinese, the language switched to English during it: the quit box and
// the word on the waiting quit name the job in English, as the page's button now does.
void TestDeviceJobs::quitNamesJobInCurrentLanguage()
{
    QFETCH(bool, switchFirst);
    createWindow("0");
    startSim(longReadOff);
    MessageLog messages(m_window->statusBar());
    const QString waitingEnglish
        = QStringLiteral("The program quits once “%1” has ended").arg(readOffJobEnglish);

    PausedInput input;
    const auto begun = [this] { return batchesShown() >= 10; };
    const auto english = [&input, this](PausedInput::Condition when) {
        input.menuEntry(std::move(when), m_ui->menubar, m_ui->menu_config, m_ui->action_English,
                        nullptr, m_ui->menu);
    };
    const auto quit = [&input, this](PausedInput::Condition when) {
        input.menuEntry(std::move(when), m_ui->menubar, m_ui->menu_file, m_ui->action_closeAPP);
    };
    m_fx.prompt->expect("question", "读取数据", "读取数据请等待", true);
    if (switchFirst) {
        english(begun);
        quit([this] { return m_ui->pushButton_COM_ReadOff->text() == readOffJobEnglish; });
        m_fx.prompt->expectChoice("Warning", quitQuestionEnglish(readOffJobEnglish),
                                  quitButtonsEnglish, 1);
    } else {
        quit(begun);
        english([] { return true; });
        m_fx.prompt->expectChoice("确认退出", quitQuestion(readOffJob), quitButtons, 1);
    }
    m_fx.prompt->expect("information", "Information",
                        QStringLiteral("Offline data imported; %1 batches (%2 values) imported")
                            .arg(batchesHeld)
                            .arg(batchesHeld * valuesPerBatch));
    input.start();
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());
    QTRY_COMPARE_WITH_TIMEOUT(m_fx.quits, 1, 10000);

    // Once the quit waits, the progress lines in English carry its word in English.
    int said = 0;
    while (said < messages.texts.size() && !messages.texts.at(said).contains(waitingEnglish))
        ++said;
    QStringList englishLines;
    for (int i = said; i < messages.texts.size(); ++i) {
        if (messages.texts.at(i).startsWith("Reading the device records:"))
            englishLines << messages.texts.at(i);
    }
    QVERIFY2(englishLines.size() >= 3, qPrintable(messages.texts.join(" | ")));
    for (const QString &text : qAsConst(englishLines))
        QVERIFY2(text.contains(waitingEnglish), qPrintable(text));
}

// A download stopped by 退出 ends before its finish mark, says how far it came, and the program
// quits; the device hears neither the finish mark nor a closing command.
void TestDeviceJobs::quitStopsDownload()
{
    createWindow("0");
    startSim({"--line-rate", "460800"});
    writeImage();
    m_window->openDeviceLink();
    QVERIFY(m_window->isDeviceLinkOpen());

    PausedInput input;
    input.menuEntry([this] { return m_ui->progressBar->value() >= 20000; }, m_ui->menubar,
                    m_ui->menu_file, m_ui->action_closeAPP);
    input.start();
    m_fx.prompt->expectChoice("确认退出", quitQuestion(m_ui->pushButton_bindownload->text()),
                              quitButtons, 0);
    m_fx.prompt->expectStartingWith("information", tips, "下载已停止：已写入 ");
    m_ui->pushButton_bindownload->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());
    QTRY_COMPARE_WITH_TIMEOUT(m_fx.quits, 1, 10000);
    const int shown = m_ui->progressBar->value();
    QCOMPARE(m_fx.prompt->texts.last(),
             QStringLiteral("下载已停止：已写入 %1/88488 Byte，设备未收到结束标记").arg(shown));
    QVERIFY(shown >= 20000 && shown < 88488);
    // The opening command is the only command; the last write is an area's, not the finish.
    const QStringList kinds = m_sim->requestKinds();
    QCOMPARE(kinds.count("command"), 1);
    const QStringList requests = m_sim->requests();
    const QByteArray last = QByteArray::fromHex(requests.last().section(' ', 2).toLatin1());
    QCOMPARE(quint8(last.at(0)), quint8(0x02));
    QVERIFY(quint8(last.at(4)) != quint8(33)); // not the control block
}

// 开始监视 during a read-off is refused, and the refusal stays readable: the progress line
// carries it on for the program's notice time, and the device log keeps it.
void TestDeviceJobs::busyRefusalReadable()
{
    createWindow("0");
    startSim(longReadOff);
    openProject(writeProject("A"));
    QVERIFY(m_ui->pushButton_startMonitor->isEnabled());
    MessageLog messages(m_window->statusBar());
    PausedInput input;
    input.step([this] { return batchesShown() >= 10; },
               [this] { m_ui->tabWidget->setCurrentWidget(m_ui->tab); });
    input.step([] { return true; },
               [this] { QTest::mouseClick(m_ui->pushButton_startMonitor, Qt::LeftButton); });
    input.start();
    expectReadOff(readOffDone());
    m_ui->pushButton_COM_ReadOff->click();
    QCOMPARE(m_fx.prompt->pending(), 0);
    QVERIFY(input.done());
    QVERIFY(!m_window->monitorRunning());

    const QString busy = QStringLiteral("串口正忙，请稍后再试");
    const int refused = messages.texts.indexOf(busy);
    QVERIFY2(refused >= 0, qPrintable(messages.texts.join(" | ")));
    const qint64 at = messages.times.at(refused);
    int progressLines = 0;
    for (int i = refused + 1; i < messages.texts.size(); ++i) {
        if (messages.times.at(i) >= at + MainWindow::deviceNoticeMs - 500)
            break;
        if (!messages.texts.at(i).contains("已读取"))
            continue;
        ++progressLines;
        QVERIFY2(messages.texts.at(i).contains(busy), qPrintable(messages.texts.at(i)));
    }
    QVERIFY2(progressLines >= 3, qPrintable(QString::number(progressLines)));
    QVERIFY(logLines().contains(busy));
}

QTEST_MAIN(TestDeviceJobs)
#include "tst_devicejobs.moc"
