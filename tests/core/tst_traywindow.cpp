// The real program on a virtual X server with a window manager (openbox) and a system tray
// (trayer) of the test's own, driven from outside through the X server as a user drives it
// (xdotool: clicks and key presses): closed into the tray, a box that opens and is closed there
// leaves it running and monitoring; it ends only through its own exit paths.
#include "childprocess.h"
#include "projectfile.h"
#include "sqlrows.h"
#include "ui_mainwindow.h"
#include "vexmarsimprocess.h"
#include "windowfixture.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <csignal>
#include <sys/types.h>

namespace {

// One xdotool call answers at once; a busy machine may hold it a while.
constexpr int toolTimeoutMs = 10000;
// The window manager, the tray or the program coming up, and the program's exit, on a busy
// machine.
constexpr int startTimeoutMs = 30000;
// A controller that stops answering: the driver's own reply time-out, the ticks that count it
// and the box's way to the screen.
constexpr int warningTimeoutMs = 30000;
// One close of a window by the window manager, until the program shows what follows it.
constexpr int closeTimeoutMs = 10000;
// Well past the 1.3-1.9 s after which a box closed in the tray used to end the program.
constexpr int watchMs = 5000;
// Read requests that show polling going on: two ticks or more of the project's two labels at
// its 1 s period.
constexpr int ticksShown = 4;
constexpr int ticksTimeoutMs = 20000;

const char timeFormat[] = "yyyy-MM-dd hh:mm:ss.zzz";

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A box that comes while the window is in the tray.
enum class Box { TrayLabelOk, TrayLabelCancel, ConnectionWarning };

// Runs xdotool with args; its standard output, trimmed. xdotool's "search" fails when it finds
// nothing, which is no failure here.
QString xdo(const QStringList &args)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    if (!tool.waitForFinished(toolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished(toolTimeoutMs);
        qWarning() << "xdotool did not answer:" << args;
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

QStringList visibleWindows(qint64 pid)
{
    if (pid <= 0)
        return {};
    return xdo({"search", "--onlyvisible", "--pid", QString::number(pid)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QSize windowSize(const QString &window)
{
    QSize size;
    for (const QString &line : xdo({"getwindowgeometry", "--shell", window}).split('\n')) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            size.setWidth(line.mid(6).toInt());
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

// Keys to the window, once the window manager has made it the active one: xdotool types
// through the X server's test extension to whatever has the focus.
void keysTo(const QString &window, const QStringList &keys)
{
    xdo({"windowactivate", "--sync", window});
    xdo(QStringList{"key", "--delay", "50"} + keys);
}

} // namespace

Q_DECLARE_METATYPE(Box)

class tst_TrayWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void closedWithoutTrayAsksBeforeEnding();
    void boxClosedInTrayLeavesItRunning_data();
    void boxClosedInTrayLeavesItRunning();

private:
    void setTray(bool on);
    // Starts the built program from a program folder of its own with arguments.
    void startProgram(const QStringList &args);
    qint64 pid() const { return m_program->processId(); }
    // Waits until done() holds, while the program runs, for timeoutMs at most; done() then.
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    // Closes the window as its title bar's close button does (the window manager's Alt+F4) until
    // followed() holds. A press the window manager takes while it is still busy with the window
    // may go unseen, as a user would find; they would press again, and so does this, twice at
    // most. A window blocked by a box ignores a further close, and a hidden one hides again.
    bool closeWindow(const QString &window, const std::function<bool()> &followed);
    // The one visible window of the program besides known, once there is one; empty if none.
    QString newWindow(const QStringList &known, int timeoutMs);
    // Whether the program runs, its windows and what it wrote: what a failure message needs.
    QByteArray state();
    // Where the start-monitoring button lies in a main window of size: the same form laid out
    // in this process.
    static QPoint startButtonCentre(const QSize &size);
    void openTrayMenu(const QString &trayIcon);
    QString programOutput();

    QProcess m_windowManager;
    QProcess m_tray;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<QProcess> m_program;
    std::unique_ptr<VexmarSimProcess> m_sim;
};

void tst_TrayWindow::initTestCase()
{
    // Activation and the close of a window (Alt+F4) come from the window manager.
    QTemporaryDir flag;
    QVERIFY(flag.isValid());
    const QString ready = flag.filePath(QStringLiteral("ready"));
    m_windowManager.start(QStringLiteral("openbox"),
                          {"--startup", QStringLiteral("touch %1").arg(ready)});
    QVERIFY2(m_windowManager.waitForStarted(startTimeoutMs),
             qPrintable(m_windowManager.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), startTimeoutMs);
}

void tst_TrayWindow::cleanupTestCase()
{
    for (QProcess *p : {&m_tray, &m_windowManager}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(toolTimeoutMs)) {
                p->kill();
                p->waitForFinished(toolTimeoutMs);
            }
        }
    }
}

void tst_TrayWindow::cleanup()
{
    if (m_program && m_program->state() != QProcess::NotRunning) {
        qWarning().noquote() << "the program still ran; its output:\n" << programOutput();
        m_program->kill();
        m_program->waitForFinished(toolTimeoutMs);
    }
    m_program.reset();
    m_folder.reset();
    m_sim.reset();
}

void tst_TrayWindow::setTray(bool on)
{
    if (on && m_tray.state() == QProcess::NotRunning) {
        m_tray.start(QStringLiteral("trayer"), QStringList());
        QVERIFY2(m_tray.waitForStarted(startTimeoutMs), qPrintable(m_tray.errorString()));
    } else if (!on && m_tray.state() != QProcess::NotRunning) {
        m_tray.terminate();
        QVERIFY(m_tray.waitForFinished(startTimeoutMs));
    }
    // What the program asks before it hides its window. A machine without a tray fails here:
    // the test needs one.
    QTRY_COMPARE_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), on, startTimeoutMs);
}

void tst_TrayWindow::startProgram(const QStringList &args)
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    const QString program = m_folder->filePath(QStringLiteral("Morvelin"));
    // A copy, as the program keeps its settings and history beside itself.
    QVERIFY(QFile::copy(QStringLiteral(MORVELIN_BIN_DIR "/Morvelin"), program));
    QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("libdrive")));
    QVERIFY(QFile::link(QStringLiteral(MORVELIN_DRIVER_DIR "/LibVexmar.so"),
                        m_folder->filePath(QStringLiteral("libdrive/LibVexmar.so"))));
    // Multiple-instance mode, so that a copy another test runs at the same time cannot refuse
    // this one.
    QFile settings(m_folder->filePath(QStringLiteral("settings.ini")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[multiModeofAPP]\nMode=1\n");
    settings.close();

    m_program = std::make_unique<QProcess>();
    m_program->setProcessChannelMode(QProcess::MergedChannels);
    m_program->setWorkingDirectory(m_folder->path());
    m_program->start(program, args);
    QVERIFY2(m_program->waitForStarted(startTimeoutMs), qPrintable(m_program->errorString()));
}

bool tst_TrayWindow::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs || m_program->state() != QProcess::Running)
            return done();
        QTest::qWait(50);
    }
    return true;
}

bool tst_TrayWindow::closeWindow(const QString &window, const std::function<bool()> &followed)
{
    for (int press = 0; press < 3; ++press) {
        if (press > 0)
            qWarning() << "closing the window again, press" << press + 1;
        keysTo(window, {"alt+F4"});
        if (waitFor(followed, closeTimeoutMs))
            return true;
    }
    return false;
}

QString tst_TrayWindow::newWindow(const QStringList &known, int timeoutMs)
{
    QString window;
    waitFor(
        [&] {
            for (const QString &w : visibleWindows(pid())) {
                if (!known.contains(w))
                    window = w;
            }
            return !window.isEmpty();
        },
        timeoutMs);
    return window;
}

QByteArray tst_TrayWindow::state()
{
    QStringList windows;
    for (const QString &w : visibleWindows(pid()))
        windows << w + QLatin1Char(' ') + xdo({"getwindowname", w});
    const QString running = m_program->state() == QProcess::Running
                                ? QStringLiteral("running")
                                : QStringLiteral("ended, exit code %1").arg(m_program->exitCode());
    const QString tray
        = m_tray.state() == QProcess::Running
              ? QStringLiteral("runs")
              : QStringLiteral("does not run (%1)").arg(QString::fromLocal8Bit(m_tray.readAll()));
    return QStringLiteral("program %1; its windows: [%2]; the tray %3; the program's output:\n%4")
        .arg(running, windows.join(QStringLiteral(", ")), tray, programOutput())
        .toLocal8Bit();
}

QPoint tst_TrayWindow::startButtonCentre(const QSize &size)
{
    WindowFixture f;
    f.setUp();
    MainWindow *window = f.create();
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->resize(size);
    window->show();
    QPushButton *button = window->form()->pushButton_startMonitor;
    const QPoint centre = button->isVisibleTo(window)
                              ? button->mapTo(window, button->rect().center())
                              : QPoint(-1, -1);
    f.tearDown();
    return centre;
}

void tst_TrayWindow::openTrayMenu(const QString &trayIcon)
{
    const QSize size = windowSize(trayIcon);
    xdo({"mousemove", "--window", trayIcon, QString::number(size.width() / 2),
         QString::number(size.height() / 2), "click", "3"});
}

QString tst_TrayWindow::programOutput()
{
    return m_program ? QString::fromLocal8Bit(m_program->readAll()) : QString();
}

void tst_TrayWindow::closedWithoutTrayAsksBeforeEnding()
{
    // With no tray to come back from, closing the window is the program's own exit, with its
    // question: No leaves it as it was, Yes ends it.
    setTray(false);
    if (QTest::currentTestFailed())
        return;
    startProgram({});
    if (QTest::currentTestFailed())
        return;
    const QString window = newWindow({}, startTimeoutMs);
    QVERIFY2(!window.isEmpty(), state());
    QVERIFY(xdo({"getwindowname", window}).startsWith(QLatin1String("Morvelin V")));

    QString box;
    const auto boxShown = [&] {
        box = newWindow({window}, 0);
        return !box.isEmpty();
    };
    QVERIFY2(closeWindow(window, boxShown), state());
    QCOMPARE(xdo({"getwindowname", box}), zh("确认退出"));
    keysTo(box, {"n"});
    QVERIFY2(waitFor([&] { return visibleWindows(pid()) == QStringList{window}; }, startTimeoutMs),
             state());
    QCOMPARE(m_program->state(), QProcess::Running);

    QVERIFY2(closeWindow(window, boxShown), state());
    QCOMPARE(xdo({"getwindowname", box}), zh("确认退出"));
    keysTo(box, {"y"});
    QVERIFY2(m_program->waitForFinished(startTimeoutMs), "the program did not end on Yes");
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
}

void tst_TrayWindow::boxClosedInTrayLeavesItRunning_data()
{
    QTest::addColumn<Box>("box");
    QTest::addColumn<QString>("title");
    // Whether the controller answers every read in time.
    QTest::addColumn<bool>("answered");
    QTest::newRow("tray label, OK") << Box::TrayLabelOk << zh("托盘标签") << true;
    QTest::newRow("tray label, Cancel") << Box::TrayLabelCancel << zh("托盘标签") << true;
    QTest::newRow("connection warning") << Box::ConnectionWarning << zh("警告") << false;
}

void tst_TrayWindow::boxClosedInTrayLeavesItRunning()
{
    QFETCH(Box, box);
    QFETCH(QString, title);
    QFETCH(bool, answered);
    setTray(true);
    if (QTest::currentTestFailed())
        return;
    m_sim = std::make_unique<VexmarSimProcess>();
    QVERIFY2(m_sim->startUdp({"--pattern"}), qPrintable(m_sim->error()));

    // A project polling two labels of the simulator, named on the command line as a user may.
    QTemporaryDir projects;
    QVERIFY(projects.isValid());
    ProjectData data;
    data.name = QStringLiteral("tray.dpro");
    data.driveLibName = QStringLiteral("LibVexmar");
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = QStringLiteral("127.0.0.1:%1").arg(m_sim->port());
    data.labels << LabelRow{"", "AI1", "", "", "", "Int32"}
                << LabelRow{"", "DI1", "", "", "", "bool"};
    const QString project = projects.filePath(data.name);
    QVERIFY(ProjectFile::write(project, data));
    startProgram({project});
    if (QTest::currentTestFailed())
        return;

    // The main window and the tray icon.
    QVERIFY2(waitFor([&] { return visibleWindows(pid()).size() == 2; }, startTimeoutMs), state());
    QString window;
    QString trayIcon;
    for (const QString &w : visibleWindows(pid()))
        (xdo({"getwindowname", w}).startsWith(QLatin1String("Morvelin V")) ? window : trayIcon) = w;
    QVERIFY(!window.isEmpty() && !trayIcon.isEmpty());

    // Start monitoring, clicked where the form puts the button in a window of this size.
    const QPoint start = startButtonCentre(windowSize(window));
    QVERIFY(start.x() >= 0);
    xdo({"windowactivate", "--sync", window});
    xdo({"mousemove", "--window", window, QString::number(start.x()), QString::number(start.y()),
         "click", "1"});
    QVERIFY2(waitFor([&] { return m_sim->frameCount() >= ticksShown; }, ticksTimeoutMs), state());

    // Closed: into the tray.
    QVERIFY2(closeWindow(window, [&] { return visibleWindows(pid()) == QStringList{trayIcon}; }),
             state());

    QString opened;
    switch (box) {
    case Box::TrayLabelOk:
    case Box::TrayLabelCancel: {
        openTrayMenu(trayIcon);
        const QString menu = newWindow({trayIcon}, startTimeoutMs);
        QVERIFY2(!menu.isEmpty(), state());
        // Edit the tray label, the menu's first entry.
        xdo({"key", "--delay", "50", "Down", "Return"});
        QVERIFY2(waitFor([&] { return !visibleWindows(pid()).contains(menu); }, startTimeoutMs),
                 state());
        opened = newWindow({trayIcon}, startTimeoutMs);
        QVERIFY2(!opened.isEmpty(), state());
        QCOMPARE(xdo({"getwindowname", opened}), title);
        xdo({"windowactivate", "--sync", opened});
        xdo({"type", "--delay", "50", "Line A"});
        // The line has the focus; OK comes next, then Cancel.
        keysTo(opened, box == Box::TrayLabelOk ? QStringList{"Return"}
                                               : QStringList{"Tab", "Tab", "space"});
        break;
    }
    case Box::ConnectionWarning: {
        // The controller stops answering until the box is there.
        QVERIFY(::kill(pid_t(m_sim->processId()), SIGSTOP) == 0);
        opened = newWindow({trayIcon}, warningTimeoutMs);
        QVERIFY(::kill(pid_t(m_sim->processId()), SIGCONT) == 0);
        QVERIFY2(!opened.isEmpty(), state());
        QCOMPARE(xdo({"getwindowname", opened}), title);
        keysTo(opened, {"Return"});
        break;
    }
    }
    QVERIFY2(waitFor([&] { return !visibleWindows(pid()).contains(opened); }, startTimeoutMs),
             state());
    const QString closedAt = QDateTime::currentDateTime().toString(timeFormat);
    const int frames = m_sim->frameCount();

    // Still there, the window in the tray, monitoring going on.
    QVERIFY2(!m_program->waitForFinished(watchMs), "ended after the box closed: " + state());
    QVERIFY2(visibleWindows(pid()) == QStringList{trayIcon}, state());
    QVERIFY2(waitFor([&] { return m_sim->frameCount() >= frames + ticksShown; }, ticksTimeoutMs),
             state());

    // The tray menu's exit, its third entry, ends it.
    openTrayMenu(trayIcon);
    QVERIFY2(!newWindow({trayIcon}, startTimeoutMs).isEmpty(), state());
    xdo({"key", "--delay", "50", "Down", "Down", "Down", "Return"});
    QVERIFY2(m_program->waitForFinished(startTimeoutMs),
             "the program did not end on the tray's exit");
    QCOMPARE(m_program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program->exitCode(), 0);
    // Both labels were stored after the box had closed, in the history beside the project.
    const QString history = projects.filePath(QStringLiteral("tray.db"));
    QCOMPARE(
        sqlRows(history, QStringLiteral("SELECT DISTINCT label FROM data WHERE datetime > '%1' "
                                        "ORDER BY label")
                             .arg(closedAt)),
        (QStringList{"AI1", "DI1"}));
    // The exit stored what the ticks read, to the last answered read: one sample each (a click
    // is not taken inside a read's wait).
    if (answered) {
        QCOMPARE(sqlRows(history, QStringLiteral("SELECT count(*) FROM data")),
                 QStringList{QString::number(m_sim->frameCount())});
    }
}

QTEST_MAIN(tst_TrayWindow)
#include "tst_traywindow.moc"
