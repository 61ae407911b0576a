// Monitoring in the window against the test driver library bound from libdrive: start, ticks,
// the history rows, stop and restart, connect failures, warnings, omitted entries, the "LW110"
// title, the failures the window survives, and writing a value through the dialog.
#include "dialogsetlink.h"
#include "dialogwritelabel.h"
#include "projectfile.h"
#include "sqlrows.h"
#include "testdrivercontrol.h"
#include "ui_mainwindow.h"
#include "unprivileged.h"
#include "windowfixture.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFile>
#include <QLibrary>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

const char timeFormat[] = "yyyy-MM-dd hh:mm:ss.zzz";
const QString link = QStringLiteral("127.0.0.1:5000");

QColor green()
{
    return QColor(0, 205, 0);
}

} // namespace

class tst_MonitorWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pollStoreStopAndRestart();
    void tickCallsAndPausesPerBlock();
    void stopDuringTickEndsAfterItsBlock();
    void stopAtOnceAtLongSamplingTime();
    void ticksStartOnePeriodApart_data();
    void ticksStartOnePeriodApart();
    void deadLinkCostsTwoBlocks();
    void pauseOnlyAfterAnExchange_data();
    void pauseOnlyAfterAnExchange();
    void tickWaitsBetweenBlocksInTheEventLoop();
    void dialogHeldOpenLeavesNoGap();
    void refusedLabelsShownAsRefused();
    void connectFailures_data();
    void connectFailures();
    void invalidPortRefusedBeforeTheDriver_data();
    void invalidPortRefusedBeforeTheDriver();
    void englishTexts();
    void warningsOverTicks_data();
    void warningsOverTicks();
    void omittedEntryKeepsTextAndColour();
    void integerTextWholeValueStored();
    void deviceLabelInTitle();
    void failedFirstEntryKeepsRealTimes();
    void oneTimePerTick_data();
    void oneTimePerTick();
    void exitStoresWhatTheTickRead_data();
    void exitStoresWhatTheTickRead();
    void rowsFoundByAddressAndType();
    void stopKeepsRowOrder();
    void historyFailureShownOncePerRun();
    void unmakeableHistoryFileChangesNothing_data();
    void unmakeableHistoryFileChangesNothing();
    void lostHistoryConnectionNamesFileAndCause();
    void bindingFailures_data();
    void bindingFailures();
    void busySerialLinkRefusesStart();
    void tableLockedWhileMonitoring();
    void handleDataTypeSetsStringText();
    void writeThroughDialog_data();
    void writeThroughDialog();
    void writeFailureReasonShown_data();
    void writeFailureReasonShown();
    void writeRefusedWhenRowChanged();

private:
    // Labels as (address, type name); the project binds the test driver under driverName.
    MainWindow *openProject(const QList<QPair<QString, QString>> &labels,
                            const QString &driverName = QStringLiteral("LibTestDriver"));
    void start();
    void tick() { m_f.window->onMonitorTimeout(); }
    QStandardItem *valueCell(int row) const { return m_f.window->labelItem(row, 3); }
    QStringList dataRows(const QString &columns) const;
    QAction *labelAction(int index) const { return m_f.window->labelMenu()->actions().at(index); }
    Ui::MainWindow *ui() const { return m_f.window->form(); }
    QString status() const { return m_f.window->statusBar()->currentMessage(); }
    void openWriteDialog(int row);

    WindowFixture m_f;
    TestDriverControl *m_control = nullptr;
    QList<int> m_pauses;
    std::function<void()> m_onPause;
};

void tst_MonitorWindow::initTestCase()
{
    // The same file as the window's binding (through a link), hence the same control record.
    QString error;
    m_control
        = loadTestDriverControl(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver"), &error);
    QVERIFY2(m_control, qPrintable(error));
}

void tst_MonitorWindow::init()
{
    m_f.setUp();
    m_control->reset();
    m_pauses.clear();
    m_onPause = nullptr;
    QVERIFY(m_f.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                           "LibTestDriver.so"));
}

void tst_MonitorWindow::cleanup()
{
    m_f.tearDown();
}

MainWindow *tst_MonitorWindow::openProject(const QList<QPair<QString, QString>> &labels,
                                           const QString &driverName)
{
    ProjectData data;
    data.name = QStringLiteral("a.dpro");
    data.driveLibName = driverName;
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = link;
    for (const auto &label : labels)
        data.labels << LabelRow{"", label.first, "", "", "", label.second};
    const QString path = m_f.path("a.dpro");
    if (!ProjectFile::write(path, data))
        return nullptr;
    MainWindow *window = m_f.create();
    window->setMonitorPause([this](int ms) {
        m_pauses << ms;
        if (m_onPause)
            m_onPause();
    });
    if (!window->openProjectFile(path))
        return nullptr;
    return window;
}

void tst_MonitorWindow::start()
{
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    ui()->pushButton_startMonitor->click();
    QVERIFY(m_f.window->isMonitoring());
}

QStringList tst_MonitorWindow::dataRows(const QString &columns) const
{
    return sqlRows(m_f.window->databaseFileName(),
                   QStringLiteral("SELECT %1 FROM data ORDER BY id").arg(columns));
}

void tst_MonitorWindow::openWriteDialog(int row)
{
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->select(m_f.window->labelModel()->index(row, 3), QItemSelectionModel::ClearAndSelect);
    labelAction(1)->trigger();
}

void tst_MonitorWindow::pollStoreStopAndRestart()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LA2", "float"}, {"SD3", "string"}});
    QVERIFY(window);
    QTimer *housekeeping = window->housekeepingTimer();
    start();
    QCOMPARE(status(), zh("开始监视"));
    // The first tick comes at once; each tick schedules the next one.
    QCOMPARE(window->monitorTimer()->interval(), 0);
    QVERIFY(window->monitorTimer()->isSingleShot());
    QVERIFY(window->monitorTimer()->isActive());
    QVERIFY(housekeeping->isActive());
    QCOMPARE(housekeeping->interval(), 30000);
    QVERIFY(!ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(ui()->pushButton_stopMonitor->isEnabled());
    QVERIFY(!ui()->samplingTime->isEnabled());
    QVERIFY(!ui()->action_openPro->isEnabled());
    QCOMPARE(m_control->calls.first().args, QStringList{link});

    tick();
    tick();
    // The driver's default value is its BlockReading count: 1, then 2.
    QCOMPARE(valueCell(0)->text(), QStringLiteral("2"));
    QCOMPARE(valueCell(1)->text(), QStringLiteral("2"));
    QCOMPARE(valueCell(2)->text(), QStringLiteral("2"));
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(valueCell(row)->foreground().color(), green());
        QVERIFY(QDateTime::fromString(window->labelItem(row, 0)->text(), timeFormat).isValid());
    }
    QVERIFY(window->connectionGood);
    const QString id = QString::number(window->projectId());
    QCOMPARE(dataRows("projectid, label, value"),
             (QStringList{id + "|LW1|1", id + "|LA2|1", id + "|SD3|1", id + "|LW1|2", id + "|LA2|2",
                          id + "|SD3|2"}));
    for (const QString &time : dataRows("datetime"))
        QVERIFY2(QDateTime::fromString(time, timeFormat).isValid(), qPrintable(time));

    // No tick runs: the stop takes effect at once, with one pause whatever the row count.
    m_pauses.clear();
    ui()->pushButton_stopMonitor->click();
    QVERIFY(!window->isMonitoring());
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QCOMPARE(m_pauses, QList<int>{10});
    QVERIFY(!window->monitorTimer()->isActive());
    QVERIFY(!housekeeping->isActive());
    QVERIFY(!window->connectionGood);
    QCOMPARE(status(), zh("停止监视"));
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(valueCell(row)->foreground().color(), QColor(Qt::black));
        QCOMPARE(valueCell(row)->text(), QStringLiteral("2"));
    }
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(!ui()->pushButton_stopMonitor->isEnabled());
    QVERIFY(ui()->samplingTime->isEnabled());
    QVERIFY(ui()->action_openPro->isEnabled());
    QCOMPARE(dataRows("id").size(), 6);
    tick(); // a late tick after the stop does nothing
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QCOMPARE(m_control->count("BlockReading"), 2);

    // Again, on the same driver object, with the one housekeeping timer.
    start();
    QCOMPARE(m_control->count("ConnectDrive"), 2);
    QCOMPARE(window->housekeepingTimer(), housekeeping);
    QCOMPARE(housekeeping->parent(), window);
    const int readings = m_control->count("BlockReading");
    tick();
    QCOMPARE(m_control->count("BlockReading"), readings + 1);
    QCOMPARE(dataRows("label").mid(6), (QStringList{"LW1", "LA2", "SD3"}));
    QCOMPARE(valueCell(0)->text(), QStringLiteral("3"));
    const void *driver = m_control->calls.first().driver;
    for (const TestDriverCall &call : m_control->calls)
        QCOMPARE(call.driver, driver);
}

void tst_MonitorWindow::tickCallsAndPausesPerBlock()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    m_control->blockSize = 2;
    start();
    m_control->calls.clear();
    m_pauses.clear();
    tick();
    QCOMPARE(m_control->slotList(), (QList<int>{2, 12, 20, 20}));
    QCOMPARE(m_control->calls[0].args, QStringList{"1"}); // StopDebug
    QCOMPARE(m_control->calls[1].args, (QStringList{"1", "3"}));
    QCOMPARE(m_control->calls[2].args, (QStringList{"1", "2"}));
    QCOMPARE(m_control->calls[3].args, (QStringList{"1", "1"}));
    QCOMPARE(m_pauses, (QList<int>{100, 100}));
    QCOMPARE(window->readList().size(), 3);
    QCOMPARE(window->readList().at(2).name, QStringLiteral("LW3"));
    QCOMPARE(window->readList().at(2).type, int(Int16));
}

void tst_MonitorWindow::stopDuringTickEndsAfterItsBlock()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    m_control->blockSize = 1;
    start();
    // Pressed while the tick waits after its first block.
    m_onPause = [this] {
        if (m_f.window->isMonitoring()) {
            ui()->pushButton_stopMonitor->click();
            // Taken at once, though the stop itself waits for the block under way.
            QVERIFY(!ui()->pushButton_stopMonitor->isEnabled());
            QCOMPARE(m_control->count("DestroyFree"), 0);
        }
    };
    tick();
    QCOMPARE(m_control->count("BlockReading"), 1); // no block after the stop
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QVERIFY(!window->monitorTimer()->isActive());
    QVERIFY(!window->monitorRunning());
    QCOMPARE(dataRows("label"), (QStringList{"LW1"}));
}

void tst_MonitorWindow::stopAtOnceAtLongSamplingTime()
{
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    ui()->samplingTime->setCurrentIndex(ui()->samplingTime->count() - 1);
    QCOMPARE(window->samplingSeconds, 300);
    qint64 now = 0;
    window->setMonitorClock([&now] { return now; });
    start();
    tick();
    QCOMPARE(window->monitorTimer()->interval(), 300000); // the next tick is 5 minutes away
    QVERIFY(window->monitorTimer()->isActive());
    m_pauses.clear();
    ui()->pushButton_stopMonitor->click();
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QVERIFY(!window->monitorTimer()->isActive());
    QVERIFY(!window->monitorRunning());
    QCOMPARE(status(), zh("停止监视"));
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(!ui()->pushButton_stopMonitor->isEnabled());
    QCOMPARE(m_pauses, QList<int>{10});
}

void tst_MonitorWindow::ticksStartOnePeriodApart_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("labels");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("readMs"); // what each block read takes on the clock
    QTest::addColumn<int>("nextMs"); // the wait after the tick
    QTest::newRow("1 s, 3 labels, one block") << 1 << 3 << 0 << 0 << 900;
    QTest::newRow("1 s, 46 labels in 23 blocks: next at once") << 1 << 46 << 2 << 0 << 0;
    QTest::newRow("2 s, 3 blocks of 150 ms") << 2 << 3 << 1 << 150 << 1250;
    QTest::newRow("300 s, one block") << 300 << 1 << 0 << 20 << 299880;
}

void tst_MonitorWindow::ticksStartOnePeriodApart()
{
    QFETCH(int, seconds);
    QFETCH(int, labels);
    QFETCH(int, blockSize);
    QFETCH(int, readMs);
    QFETCH(int, nextMs);
    QList<QPair<QString, QString>> list;
    for (int i = 1; i <= labels; ++i)
        list.append({QStringLiteral("LW%1").arg(i), QStringLiteral("Int16")});
    MainWindow *window = openProject(list);
    QVERIFY(window);
    window->samplingSeconds = seconds;
    m_control->blockSize = blockSize;
    // The clock moves by the pauses and by the block reads (counted at each pause).
    qint64 now = 1000000;
    window->setMonitorClock([&now] { return now; });
    window->setMonitorPause([&](int ms) { now += ms + readMs; });
    start();
    tick();
    QVERIFY(window->monitorTimer()->isActive());
    QVERIFY(window->monitorTimer()->isSingleShot());
    QCOMPARE(window->monitorTimer()->interval(), nextMs);
    // The wait is measured from the tick's own start: time that passed before it does not count.
    now += 5000;
    tick();
    QCOMPARE(window->monitorTimer()->interval(), nextMs);
}

void tst_MonitorWindow::deadLinkCostsTwoBlocks()
{
    MainWindow *window = openProject(
        {{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}, {"LW4", "Int16"}, {"LW5", "Int16"}});
    QVERIFY(window);
    m_control->blockSize = 1;
    start();
    tick();
    m_control->calls.clear();
    for (int i = 1; i <= 5; ++i)
        m_control->statusByAddress[QStringLiteral("LW%1").arg(i)] = 8;
    m_pauses.clear();
    tick();
    // Two blocks asked the dead controller; the other three report its failure at once.
    QCOMPARE(m_control->count("BlockReading"), 2);
    QCOMPARE(m_pauses, (QList<int>{100, 100}));
    for (int row = 0; row < 5; ++row)
        QCOMPARE(valueCell(row)->foreground().color(), QColor(255, 165, 0));
    QVERIFY(!window->connectionGood);
    // The next tick tries again, and the controller is back.
    m_control->statusByAddress.clear();
    tick();
    QCOMPARE(m_control->count("BlockReading"), 7);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(valueCell(row)->foreground().color(), green());
    QCOMPARE(dataRows("id").size(), 10);
    // One box for the change from good to bad, shown after the tick.
    QTRY_COMPARE(m_f.prompt->shown, 1);
    QCOMPARE(m_f.prompt->texts, QStringList{zh("连接异常：响应超时")});
    m_f.prompt->unexpected.clear();
}

void tst_MonitorWindow::pauseOnlyAfterAnExchange_data()
{
    QTest::addColumn<QList<int>>("statuses"); // of LW1, LW2, ...; -1: left out of the reply
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<QList<int>>("pauses");
    const QList<int> one{100};
    QTest::newRow("good blocks") << QList<int>{0, 0} << 1 << QList<int>{100, 100};
    QTest::newRow("refused before any frame: 2, 3, 4, 5") << QList<int>{0, 2, 3, 4, 5} << 1 << one;
    QTest::newRow("3 good in one block, 30 past the area's end")
        << (QList<int>{0, 0, 0} + QVector<int>(15, 3).toList() + QVector<int>(15, 5).toList()) << 1
        << QList<int>{100, 100, 100};
    QTest::newRow("a good and a refused entry in one block") << QList<int>{3, 0} << 2 << one;
    QTest::newRow("refused blocks alone") << QList<int>{3, 5} << 1 << QList<int>{};
    QTest::newRow("a time-out was an exchange") << QList<int>{8, 3} << 1 << one;
    QTest::newRow("not done may have been one") << QList<int>{1, 2} << 1 << one;
    QTest::newRow("an entry left out may have been asked for") << QList<int>{-1, 4} << 1 << one;
}

void tst_MonitorWindow::pauseOnlyAfterAnExchange()
{
    QFETCH(QList<int>, statuses);
    QFETCH(int, blockSize);
    QFETCH(QList<int>, pauses);
    QList<QPair<QString, QString>> labels;
    for (int i = 1; i <= statuses.size(); ++i) {
        const QString address = QStringLiteral("LW%1").arg(i);
        labels.append({address, QStringLiteral("Int16")});
        if (statuses.at(i - 1) < 0)
            m_control->omitted.insert(address);
        else
            m_control->statusByAddress[address] = statuses.at(i - 1);
    }
    MainWindow *window = openProject(labels);
    QVERIFY(window);
    m_control->blockSize = blockSize;
    start();
    tick();
    // The reasons of the refused labels are asked once, after the first tick.
    m_pauses.clear();
    tick();
    QCOMPARE(m_pauses, pauses);
    QCOMPARE(dataRows("id").size(), 2 * int(statuses.count(0)));
}

void tst_MonitorWindow::tickWaitsBetweenBlocksInTheEventLoop()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    window->setMonitorPause(nullptr); // the program's own pause
    m_control->blockSize = 1;
    start();
    // The tick reads its first block and returns to the event loop for the pause.
    tick();
    QCOMPARE(m_control->count("BlockReading"), 1);
    QTRY_COMPARE(m_control->count("BlockReading"), 3);
    QTRY_COMPARE(dataRows("label"), (QStringList{"LW1", "LW2", "LW3"}));
    QVERIFY(window->monitorTimer()->isActive()); // the next tick, a second after this one
    // A stop pressed while a tick waits between blocks ends it at once, after its block.
    window->monitorTimer()->start(0);
    QTRY_COMPARE(m_control->count("BlockReading"), 4);
    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY(!window->monitorRunning());
    QCOMPARE(m_control->count("BlockReading"), 4);
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QCOMPARE(dataRows("label"), (QStringList{"LW1", "LW2", "LW3", "LW1"}));
    QCOMPARE(status(), zh("停止监视"));
}

void tst_MonitorWindow::dialogHeldOpenLeavesNoGap()
{
    // Two blocks, so that every tick pauses between them.
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}});
    QVERIFY(window);
    window->setMonitorPause(nullptr);
    m_control->blockSize = 1;
    QCOMPARE(window->samplingSeconds, 1);
    // Once a few samples are stored, a modal dialog opens as soon as the events run after the
    // first block of a tick, as when the user opens one while the tick pauses, and stays open
    // for 5 s.
    const int holdMs = 5000;
    QDateTime opened;
    QDateTime closed;
    connect(window->labelModel(), &QStandardItemModel::itemChanged, this, [&](QStandardItem *item) {
        if (opened.isValid() || item->column() != 3 || item->row() != 0
            || m_control->blockReadings < 5)
            return;
        opened = QDateTime::currentDateTime();
        QTimer::singleShot(0, this, [&] {
            QDialog dialog(window);
            QTimer::singleShot(holdMs, &dialog, &QDialog::accept);
            dialog.exec();
            closed = QDateTime::currentDateTime();
        });
    });
    start();
    QTRY_VERIFY_WITH_TIMEOUT(closed.isValid(), 20000);
    // Two more ticks after the dialog.
    const int stored = dataRows("id").size();
    QTRY_VERIFY_WITH_TIMEOUT(dataRows("id").size() >= stored + 4, 5000);
    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY(!window->monitorRunning());

    // Both labels kept their one sample a second all the while.
    for (const QString &label : QStringList{"LW1", "LW2"}) {
        const QStringList times = sqlRows(
            window->databaseFileName(),
            QStringLiteral("SELECT datetime FROM data WHERE label = '%1' ORDER BY id").arg(label));
        QList<QDateTime> stamps;
        for (const QString &t : times)
            stamps << QDateTime::fromString(t, timeFormat);
        int duringDialog = 0;
        for (int i = 0; i < stamps.size(); ++i) {
            QVERIFY2(stamps.at(i).isValid(), qPrintable(times.at(i)));
            duringDialog += stamps.at(i) > opened && stamps.at(i) < closed;
            // A tick missed would leave two seconds; a tick held by the dialog, five.
            if (i > 0)
                QVERIFY2(stamps.at(i - 1).msecsTo(stamps.at(i)) < 2000,
                         qPrintable(times.at(i - 1) + " .. " + times.at(i)));
        }
        QVERIFY2(duringDialog >= holdMs / 1000 - 1, qPrintable(QString::number(duringDialog)));
    }
}

void tst_MonitorWindow::refusedLabelsShownAsRefused()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"AI0", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    m_control->statusByAddress["AI0"] = 3;
    m_control->statusByAddress["LW3"] = 2;
    start();
    tick();
    tick();
    QCOMPARE(valueCell(0)->foreground().color(), green());
    QCOMPARE(valueCell(1)->foreground().color(), QColor(148, 0, 211));
    QCOMPARE(valueCell(1)->toolTip(), zh("无法识别的地址"));
    QCOMPARE(valueCell(2)->foreground().color(), QColor(148, 0, 211));
    QCOMPARE(valueCell(2)->toolTip(), zh("该地址不支持此数据类型"));
    QVERIFY(valueCell(1)->text().isEmpty());
    // Refusals are no link failure: the link stays good, no box, no sample.
    QVERIFY(window->connectionGood);
    QCoreApplication::processEvents();
    QCOMPARE(m_f.prompt->shown, 0);
    QCOMPARE(dataRows("label"), (QStringList{"LW1", "LW1"}));
    // A label that reads again loses the reason.
    m_control->statusByAddress.remove("LW3");
    tick();
    QCOMPARE(valueCell(2)->foreground().color(), green());
    QVERIFY(valueCell(2)->toolTip().isEmpty());
}

void tst_MonitorWindow::connectFailures_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("-1") << -1 << zh("监视失败(原因：IP或地址错误)");
    QTest::newRow("-2") << -2 << zh("监视失败(原因：握手错误)");
    QTest::newRow("-3") << -3 << zh("监视失败(原因：socket连接失败)");
    QTest::newRow("-4") << -4 << zh("监视失败(原因：输入参数错误)");
    QTest::newRow("-7 has no text") << -7 << QString();
}

void tst_MonitorWindow::connectFailures()
{
    QFETCH(int, result);
    QFETCH(QString, text);
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    m_control->connectResult = result;
    m_f.prompt->expect("warning", zh("警告"), text);
    ui()->pushButton_startMonitor->click();
    QCOMPARE(status(), zh("监视失败"));
    QVERIFY(!window->isMonitoring());
    QVERIFY(!window->monitorTimer()->isActive());
    QVERIFY(!window->housekeepingTimer()->isActive());
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(window->readList().isEmpty());
}

void tst_MonitorWindow::invalidPortRefusedBeforeTheDriver_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("port");
    QTest::newRow("above 65535") << "127.0.0.1:99999" << "99999";
    QTest::newRow("zero") << "127.0.0.1:0" << "0";
    QTest::newRow("not a number") << "127.0.0.1:abc" << "0";
}

void tst_MonitorWindow::invalidPortRefusedBeforeTheDriver()
{
    QFETCH(QString, stored);
    QFETCH(QString, port);
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    // As a project file holding that link leaves the link dialog.
    window->linkDialog()->linkParameter(stored);
    m_f.prompt->expect("warning", zh("警告"),
                       zh("监视失败(原因：端口号%1无效，应为1到65535)").arg(port));
    ui()->pushButton_startMonitor->click();
    QCOMPARE(status(), zh("监视失败"));
    QCOMPARE(m_control->count("ConnectDrive"), 0);
    QVERIFY(!window->isMonitoring());
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
}

void tst_MonitorWindow::englishTexts()
{
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    ui()->action_English->trigger();
    m_control->connectResult = -3;
    m_f.prompt->expect("warning", "Warning",
                       "Monitoring failed (reason: socket connection failed)");
    ui()->pushButton_startMonitor->click();
    QCOMPARE(status(), QStringLiteral("Monitoring failed"));
    m_control->connectResult = 0;
    start();
    QCOMPARE(status(), QStringLiteral("Monitoring started"));
    QCOMPARE(ui()->pushButton_startMonitor->text(), QStringLiteral("Start Monitoring"));
    ui()->pushButton_stopMonitor->click();
    QCOMPARE(status(), QStringLiteral("Monitoring stopped"));
}

void tst_MonitorWindow::warningsOverTicks_data()
{
    QTest::addColumn<QList<int>>("statuses");
    QTest::addColumn<int>("warnings");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("[8,8]") << QList<int>{8, 8} << 0 << QColor(255, 165, 0);
    QTest::newRow("[0,8,8,8]") << QList<int>{0, 8, 8, 8} << 1 << QColor(255, 165, 0);
    QTest::newRow("[0,8,0,8]") << QList<int>{0, 8, 0, 8} << 2 << QColor(255, 165, 0);
    QTest::newRow("[0,7]") << QList<int>{0, 7} << 1 << QColor(255, 245, 0);
    QTest::newRow("[0,9,0]") << QList<int>{0, 9, 0} << 1 << green();
}

void tst_MonitorWindow::warningsOverTicks()
{
    QFETCH(QList<int>, statuses);
    QFETCH(int, warnings);
    QFETCH(QColor, colour);
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    // The program's pause between blocks processes events, as this one does.
    m_onPause = [] { QCoreApplication::processEvents(); };
    start();
    int good = 0;
    for (int s : statuses) {
        m_control->statusByAddress["LW1"] = s;
        const int before = m_f.prompt->shown;
        tick();
        // The box never comes inside the tick: its own event loop would hold the polling.
        QCOMPARE(m_f.prompt->shown, before);
        QCoreApplication::processEvents();
        good += s == 0;
        QCOMPARE(window->connectionGood, s == 0);
    }
    // The boxes are counted here rather than expected one by one.
    QCOMPARE(m_f.prompt->shown, warnings);
    for (const QString &box : m_f.prompt->unexpected)
        QVERIFY2(box.startsWith(zh("warning [警告] 连接异常：")), qPrintable(box));
    m_f.prompt->unexpected.clear();
    QCOMPARE(valueCell(0)->foreground().color(), colour);
    QCOMPARE(dataRows("id").size(), good);
}

void tst_MonitorWindow::omittedEntryKeepsTextAndColour()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}});
    QVERIFY(window);
    start();
    tick();
    QCOMPARE(valueCell(1)->text(), QStringLiteral("1"));
    const QString time = window->labelItem(1, 0)->text();
    m_control->omitted.insert("LW2");
    tick();
    QCOMPARE(valueCell(0)->text(), QStringLiteral("2"));
    QCOMPARE(valueCell(1)->text(), QStringLiteral("1"));
    QCOMPARE(valueCell(1)->foreground().color(), green());
    QCOMPARE(window->labelItem(1, 0)->text(), time);
    QCOMPARE(dataRows("label"), (QStringList{"LW1", "LW2", "LW1"}));
    QCOMPARE(m_f.prompt->shown, 0);
}

void tst_MonitorWindow::integerTextWholeValueStored()
{
    MainWindow *window = openProject({{"LW5", "Int32"}, {"LW7", "UInt64"}});
    QVERIFY(window);
    m_control->valueByAddress["LW5"] = QVariant::fromValue(QList<int>{1234567});
    m_control->valueByAddress["LW7"] = QVariant::fromValue(QList<quint64>{quint64(1) << 63});
    start();
    tick();
    // Integer types show every digit.
    QCOMPARE(valueCell(0)->text(), QStringLiteral("1234567"));
    QCOMPARE(valueCell(1)->text(), QStringLiteral("9223372036854775808"));
    // The history keeps the value, not its text.
    QCOMPARE(dataRows("label, value"), (QStringList{"LW5|1234567", "LW7|9223372036854776000"}));
    QCOMPARE(sqlRows(window->databaseFileName(), "SELECT typeof(value) FROM data"),
             (QStringList{"real", "real"}));
    // The write dialog starts from the whole value, so an unchanged OK writes 1234567 back.
    openWriteDialog(0);
    auto *edit = window->writeDialog()->findChild<QLineEdit *>("lineEdit");
    QCOMPARE(edit->text(), QStringLiteral("1234567"));
    window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(m_control->written.value("LW5").value.value<QList<int>>(), QList<int>{1234567});
}

void tst_MonitorWindow::deviceLabelInTitle()
{
    MainWindow *window = openProject({{"LW110", "Int16"}, {"LW1", "Int16"}});
    QVERIFY(window);
    m_control->valueByAddress["LW110"] = QVariant::fromValue(QList<short>{12});
    start();
    QCOMPARE(window->windowTitle(), QStringLiteral("Morvelin V1.8.5"));
    tick();
    QCOMPARE(window->windowTitle(), QString::fromUtf8("Morvelin V1.8.5 —— 127.0.0.1:5000 —— 12"));
    // An unchanged value asks for no new title.
    window->setWindowTitle("marker");
    tick();
    QCOMPARE(window->windowTitle(), QStringLiteral("marker"));
    m_control->valueByAddress["LW110"] = QVariant::fromValue(QList<short>{13});
    tick();
    QCOMPARE(window->windowTitle(), QString::fromUtf8("Morvelin V1.8.5 —— 127.0.0.1:5000 —— 13"));
}

void tst_MonitorWindow::failedFirstEntryKeepsRealTimes()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    m_control->statusByAddress["LW1"] = 8; // the first entry of every tick, without a time
    start();
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    tick();
    const QStringList rows = dataRows("label, datetime");
    QCOMPARE(rows.size(), 2);
    for (const QString &row : rows) {
        const QDateTime time = QDateTime::fromString(row.section('|', 1), timeFormat);
        QVERIFY2(time.isValid() && time >= before, qPrintable(row));
    }
    QVERIFY(QDateTime::fromString(window->labelItem(1, 0)->text(), timeFormat).isValid());
    QVERIFY(window->labelItem(0, 0)->text().isEmpty());
}

void tst_MonitorWindow::oneTimePerTick_data()
{
    QTest::addColumn<QString>("lost"); // the label whose read fails, or none
    QTest::newRow("every record good") << "";
    QTest::newRow("the tick's first record lost") << "LW1";
    QTest::newRow("the tick's last record lost") << "LW4";
}

// The blocks of a tick are read 100 ms apart, each record with its own time: every sample and
// time cell of the tick carries the one time of its first good record.
void tst_MonitorWindow::oneTimePerTick()
{
    QFETCH(QString, lost);
    const QStringList labels{"LW1", "LW2", "LW3", "LW4"};
    MainWindow *window = openProject(
        {{labels.at(0), "Int16"}, {labels.at(1), "Int16"}, {labels.at(2), "Int16"},
         {labels.at(3), "Int16"}});
    QVERIFY(window);
    // The real pause between blocks, on a timer.
    window->setMonitorPause(nullptr);
    m_control->blockSize = 1;
    if (!lost.isEmpty())
        m_control->statusByAddress[lost] = 8;
    // Lost after a good value: the link turned bad.
    if (lost == labels.last())
        m_f.prompt->expect("warning", zh("警告"), zh("连接异常：响应超时"));
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    start();
    const int stored = lost.isEmpty() ? 4 : 3;
    QTRY_COMPARE_WITH_TIMEOUT(dataRows("id").size(), stored, 10000);
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->monitorRunning(), 10000);

    const QStringList times = dataRows("datetime");
    QCOMPARE(times.size(), stored);
    QCOMPARE(QSet<QString>(times.cbegin(), times.cend()).size(), 1);
    const QDateTime time = QDateTime::fromString(times.first(), timeFormat);
    QVERIFY2(time.isValid() && time >= before && time <= after, qPrintable(times.first()));
    // Three pauses of 100 ms follow the first block: its time is the first record's.
    QVERIFY2(time.msecsTo(after) >= 300, qPrintable(times.first()));
    for (int row = 0; row < labels.size(); ++row) {
        const QString cell = window->labelItem(row, 0)->text();
        QCOMPARE(cell, labels.at(row) == lost ? QString() : times.first());
    }
}

void tst_MonitorWindow::exitStoresWhatTheTickRead_data()
{
    QTest::addColumn<bool>("tray");       // the tray menu's 退出, else 文件 → 退出 → 是
    QTest::addColumn<bool>("midTick");    // after two blocks of a tick, else between ticks
    QTest::addColumn<bool>("warningDue"); // a connection warning waits for the tick's end
    QTest::newRow("menu, after two blocks") << false << true << false;
    QTest::newRow("tray, after two blocks") << true << true << false;
    QTest::newRow("menu, after two blocks, a warning due") << false << true << true;
    QTest::newRow("menu, between ticks") << false << false << false;
}

// Quitting while monitoring: the samples the running tick has read reach the file, the driver's
// connection is closed as the stop sequence closes it, and no block is read after it, nor a box
// shown.
void tst_MonitorWindow::exitStoresWhatTheTickRead()
{
    QFETCH(bool, tray);
    QFETCH(bool, midTick);
    QFETCH(bool, warningDue);
    MainWindow *window = openProject({{"LW1", "Int16"},
                                      {"LW2", "Int16"},
                                      {"LW3", "Int16"},
                                      {"LW4", "Int16"},
                                      {"LW5", "Int16"},
                                      {"LW6", "Int16"}});
    QVERIFY(window);
    window->setMonitorPause(nullptr);
    m_control->blockSize = 1;
    // At a long sampling time a second tick comes only when asked for.
    ui()->samplingTime->setCurrentIndex(ui()->samplingTime->count() - 1);
    if (warningDue)
        m_control->statusByReading.insert(2, 8); // LW2 of the first tick, after LW1 was good
    if (!tray)
        m_f.prompt->expect("question", zh("确认退出"), zh("确定要退出程序吗？"), true);
    start();
    int readBefore = -1;
    QTimer exit;
    exit.setInterval(5);
    connect(&exit, &QTimer::timeout, window, [&] {
        // Two blocks read and the tick waiting for its third, or the first tick done.
        const bool due = midTick ? m_control->blockReadings >= 2
                                 : !dataRows("id").isEmpty() && window->monitorTimer()->isActive();
        if (!due || readBefore >= 0)
            return;
        readBefore = m_control->blockReadings;
        if (tray)
            window->trayMenu()->actions().last()->trigger();
        else
            ui()->action_closeAPP->trigger();
    });
    exit.start();
    QTRY_COMPARE_WITH_TIMEOUT(m_f.quits, 1, 10000);
    exit.stop();
    QVERIFY(readBefore > 0);
    if (midTick)
        QVERIFY2(readBefore < 6, qPrintable(QString::number(readBefore)));
    else
        QCOMPARE(readBefore, 6);
    // Every good read of the tick is in the file.
    QCOMPARE(dataRows("id").size(), readBefore - (warningDue ? 1 : 0));
    QCOMPARE(m_control->count("DestroyFree"), 1);
    QCOMPARE(m_control->calls.last().operation, QStringLiteral("DestroyFree"));
    QCOMPARE(m_control->blockReadings, readBefore);
    QVERIFY(!window->monitorTimer()->isActive());
    QVERIFY(!window->housekeepingTimer()->isActive());
    QVERIFY(!window->monitorRunning());
    QCOMPARE(m_f.prompt->shown, tray ? 0 : 1);
}

void tst_MonitorWindow::rowsFoundByAddressAndType()
{
    MainWindow *window
        = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW1", "Int16"}, {"LW1", "Int32"}});
    QVERIFY(window);
    m_control->valueByAddress["LW2"] = QVariant::fromValue(QList<short>{7});
    // Sorted by address before the start: rows move, values still land by address and type.
    ui()->tableView_label->sortByColumn(1, Qt::DescendingOrder);
    QCOMPARE(window->labelItem(0, 1)->text(), QStringLiteral("LW2"));
    start();
    QVERIFY(!ui()->tableView_label->horizontalHeader()->sectionsClickable());
    m_control->valueByAddress["LW1"] = QVariant::fromValue(QList<short>{5});
    tick();
    for (int row = 0; row < 4; ++row) {
        const QString address = window->labelItem(row, 1)->text();
        const bool int32 = window->labelDataType(row) == Int32;
        // The script holds Int16 elements per address: the Int32 entry of LW1 converts to 0,
        // its Int16 rows show 5.
        const QString expected = address == "LW2" ? "7" : int32 ? "0" : "5";
        QCOMPARE(valueCell(row)->text(), expected);
    }
    // One sample per label and type, however many rows show it.
    QCOMPARE(dataRows("label, value").size(), 3);
}

void tst_MonitorWindow::stopKeepsRowOrder()
{
    // LW3 is never served, so its time cell stays empty: re-sorting by the time column at the
    // stop would move it to the top.
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}, {"LW3", "Int16"}});
    QVERIFY(window);
    m_control->omitted.insert("LW3");
    start();
    tick();
    ui()->pushButton_stopMonitor->click();
    QVERIFY(!ui()->pushButton_stopMonitor->isEnabled());
    QStringList order;
    for (int row = 0; row < 3; ++row)
        order << window->labelItem(row, 1)->text();
    QCOMPARE(order, (QStringList{"LW1", "LW2", "LW3"}));
}

void tst_MonitorWindow::historyFailureShownOncePerRun()
{
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    const QString file = window->databaseFileName();
    const QString failure = zh("历史数据写入失败");
    auto setRefusal = [&](bool on) {
        QSqlQuery query(window->historyDatabase()->database());
        QVERIFY(query.exec(on ? "CREATE TRIGGER refuse BEFORE INSERT ON data BEGIN "
                                "SELECT RAISE(ABORT, 'refused'); END"
                              : "DROP TRIGGER refuse"));
    };
    start();
    setRefusal(true);
    // A box once writes start failing, after the tick: the file, the reason, what it means.
    m_f.prompt->expectStartingWith(
        "warning", zh("警告"),
        zh("历史数据无法写入：")
            + QDir::toNativeSeparators(window->historyDatabase()->databaseFile()));
    tick();
    QCOMPARE(status(), failure);
    QCOMPARE(valueCell(0)->text(), QStringLiteral("1")); // the value is shown all the same
    QTRY_COMPARE(m_f.prompt->pending(), 0);
    QVERIFY2(m_f.prompt->texts.last().contains("refused"), qPrintable(m_f.prompt->texts.last()));
    // Nothing more while they keep failing.
    window->statusBar()->showMessage("other");
    tick();
    QCoreApplication::processEvents();
    QCOMPARE(status(), QStringLiteral("other"));
    QCOMPARE(m_f.prompt->shown, 1);
    // They work again: said once.
    setRefusal(false);
    tick();
    QVERIFY2(status().startsWith(zh("历史数据已恢复写入（")), qPrintable(status()));
    QCOMPARE(sqlRows(file, "SELECT value FROM data"), QStringList{"3"});
    window->statusBar()->showMessage("other");
    tick();
    QCOMPARE(status(), QStringLiteral("other"));
    // A new run of failures is told again.
    setRefusal(true);
    m_f.prompt->expectStartingWith("warning", zh("警告"), zh("历史数据无法写入："));
    tick();
    QCOMPARE(status(), failure);
    QTRY_COMPARE(m_f.prompt->pending(), 0);
}

void tst_MonitorWindow::unmakeableHistoryFileChangesNothing_data()
{
    QTest::addColumn<QString>("mode");        // the saved instance mode
    QTest::addColumn<bool>("switchMode");     // else a project is opened
    QTest::addColumn<QString>("consequence"); // the box's last line up to the file still in use
    QTest::newRow("switch to multiple-instance mode")
        << "0" << true << zh("多应用模式未开启，历史数据仍写入 ");
    QTest::newRow("open a project in multiple-instance mode")
        << "1" << false << zh("工程未打开，历史数据仍写入 ");
}

void tst_MonitorWindow::unmakeableHistoryFileChangesNothing()
{
    RUN_UNPRIVILEGED_WHEN_ROOT();
    QFETCH(QString, mode);
    QFETCH(bool, switchMode);
    QFETCH(QString, consequence);
    QSettings(m_f.path("settings.ini"), QSettings::IniFormat).setValue("multiModeofAPP/Mode", mode);
    // A project in a folder this program cannot write (a read-only share, another user's).
    ProjectData data;
    data.driveLibName = QStringLiteral("LibTestDriver");
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = link;
    data.labels << LabelRow{"", "LW1", "", "", "", "Int16"};
    QVERIFY(QDir(m_f.dir->path()).mkdir("share"));
    data.name = QStringLiteral("a.dpro");
    const QString shared = m_f.path("share/a.dpro");
    QVERIFY(ProjectFile::write(shared, data));
    data.name = QStringLiteral("here.dpro");
    QVERIFY(ProjectFile::write(m_f.path("here.dpro"), data));
    QString why;
    QVERIFY2(makeUnwritable(m_f.path("share"), &why), qPrintable(why));
    QFile probe(m_f.path("share/a.db"));
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    const QString reason = probe.errorString();

    MainWindow *window = m_f.create();
    window->setMonitorPause([](int) {});
    QVERIFY(window->openProjectFile(switchMode ? shared : m_f.path("here.dpro")));
    QTRY_COMPARE(window->windowTitle(),
                 "Morvelin V1.8.5" + QString(mode == "1" ? zh(" —— 多应用模式") : QString()));
    const QString title = window->windowTitle();
    const QString file = window->databaseFileName();
    const QString project = window->projectFilePath(false);
    QCOMPARE(QFileInfo(file).fileName(), mode == "1" ? "here.db" : "HistoryData.db");

    // Refused, with the file that cannot be made, why, and where the history still goes.
    m_f.prompt->expectStartingWith(
        "critical", "Error",
        zh("无法创建文件！") + "\n" + QDir::toNativeSeparators(m_f.path("share/a.db")) + "\n"
            + reason + "\n" + consequence + QDir::toNativeSeparators(file));
    if (switchMode)
        ui()->action_openMM->trigger();
    else
        QVERIFY(!window->openProjectFile(shared));
    QCOMPARE(m_f.prompt->pending(), 0);
    QCOMPARE(m_f.prompt->shown, 1);
    QVERIFY(!QFileInfo::exists(m_f.path("share/a.db")));
    QCOMPARE(window->instanceMode(), mode);
    QCOMPARE(ui()->action_openMM->isEnabled(), mode == "0");
    QCOMPARE(ui()->action_closeMM->isEnabled(), mode == "1");
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(QSettings(m_f.path("settings.ini"), QSettings::IniFormat)
                 .value("multiModeofAPP/Mode")
                 .toString(),
             mode);
    QCOMPARE(window->databaseFileName(), file);
    QCOMPARE(window->projectFilePath(false), project);

    // Every sample goes on into the file in use, and the trend reads them back from it.
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->select(m_f.window->labelModel()->index(0, 1), QItemSelectionModel::ClearAndSelect);
    labelAction(5)->trigger();
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    start();
    tick();
    tick();
    const QString count = QStringLiteral("SELECT count(*) FROM data");
    QCOMPARE(sqlRows(file, count), QStringList{"2"});
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(QDateTime::currentDateTime().addSecs(-30));
    ui()->searchfor->click();
    QCOMPARE(status(), zh("查询成功"));
    tick();
    QCOMPARE(sqlRows(file, count), QStringList{"3"});

    // A reader's failed open of another file leaves the polling's connection alone.
    QVERIFY(!window->historyDatabase()->openDatabase(m_f.path("share/a.db")));
    QCOMPARE(window->historyDatabase()->databaseFile(), file);
    tick();
    tick();
    QCOMPARE(sqlRows(file, count), QStringList{"5"});
    QCoreApplication::processEvents();
    QCOMPARE(m_f.prompt->shown, 1);
}

void tst_MonitorWindow::lostHistoryConnectionNamesFileAndCause()
{
    RUN_UNPRIVILEGED_WHEN_ROOT();
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    const QString file = window->databaseFileName();
    start();
    tick();
    // The connection gone and the file unreadable to this program (another user's now).
    window->historyDatabase()->closeDatabase();
    const QFile::Permissions mode = QFile::permissions(file);
    QVERIFY(QFile::setPermissions(file, QFile::WriteOwner));
    QVERIFY(!QFile(file).open(QIODevice::ReadOnly));
    m_f.prompt->expectStartingWith(
        "warning", zh("警告"), zh("历史数据无法写入：") + QDir::toNativeSeparators(file) + "\n");
    tick();
    QTRY_COMPARE(m_f.prompt->pending(), 0);
    // The cause is SQLite's refusal of the file, not Qt's "Driver not loaded".
    const QString text = m_f.prompt->texts.last();
    QVERIFY2(!text.contains("Driver not loaded") && text.contains("unable to open"),
             qPrintable(text));
    // Readable again: the next tick opens it and stores, and says so.
    QVERIFY(QFile::setPermissions(file, mode));
    tick();
    QVERIFY2(status().startsWith(zh("历史数据已恢复写入（")), qPrintable(status()));
    QCOMPARE(sqlRows(file, "SELECT value FROM data"), (QStringList{"1", "3"}));
}

void tst_MonitorWindow::bindingFailures_data()
{
    QTest::addColumn<QString>("library"); // what libdrive/Broken.so is; empty: no such file
    QTest::addColumn<QString>("warning");
    QTest::newRow("no library") << "" << zh("在 ");
    QTest::newRow("not a library") << "empty" << zh("库加载失败");
    QTest::newRow("no getSharedLibrary")
        << QLibraryInfo::location(QLibraryInfo::LibrariesPath) + "/libQt5Core.so.5"
        << zh("库加载失败");
}

void tst_MonitorWindow::bindingFailures()
{
    QFETCH(QString, library);
    QFETCH(QString, warning);
    if (library == "empty") {
        QFile file(m_f.path("libdrive/Broken.so"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (!library.isEmpty()) {
        QVERIFY(QFile::exists(library));
        QVERIFY(m_f.linkDriver(library, "Broken.so"));
    }
    m_f.prompt->expectStartingWith("warning", zh("警告"), warning);
    MainWindow *window = openProject({{"LW1", "Int16"}}, "Broken");
    QVERIFY(window);
    QVERIFY(!window->driver());
    QVERIFY(!ui()->pushButton_startMonitor->isEnabled());
    // The slot itself, as a stale enabled button would call it: a message, no crash.
    m_f.prompt->expect("information", zh("提示信息"), zh("未加载驱动库，无法开始监视"));
    QVERIFY(QMetaObject::invokeMethod(window, "on_pushButton_startMonitor_clicked"));
    QVERIFY(!window->isMonitoring());
    tick();
    window->onsetValue(0, 1.0);
    QCOMPARE(m_control->calls.size(), 0);
}

void tst_MonitorWindow::busySerialLinkRefusesStart()
{
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    window->serialLinkLock()->lock();
    ui()->pushButton_startMonitor->click();
    window->serialLinkLock()->unlock();
    QCOMPARE(status(), zh("串口正忙，请稍后再试"));
    QCOMPARE(m_control->count("ConnectDrive"), 0);
    QVERIFY(!window->isMonitoring());
    start(); // the lock was released after the refusal
}

void tst_MonitorWindow::tableLockedWhileMonitoring()
{
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    window->onPermissionGranted();
    QVERIFY(labelAction(0)->isEnabled() && labelAction(2)->isEnabled());
    start();
    for (int i : {0, 2, 3})
        QVERIFY2(!labelAction(i)->isEnabled(), qPrintable(labelAction(i)->text()));
    QVERIFY(labelAction(1)->isEnabled()); // writing stays possible
    QVERIFY(!ui()->menu_MM->isEnabled());
    // Neither a new login nor a closed dialog opens the way to the table or to a project.
    window->onPermissionGranted();
    window->onDialogClosed();
    QVERIFY(!labelAction(0)->isEnabled() && !labelAction(2)->isEnabled());
    QVERIFY(!ui()->menu_MM->isEnabled());
    QVERIFY(!ui()->action_openPro->isEnabled() && !ui()->action_newPro->isEnabled());
    ui()->pushButton_stopMonitor->click();
    for (int i : {0, 2, 3})
        QVERIFY(labelAction(i)->isEnabled());
    QVERIFY(ui()->menu_MM->isEnabled());
    QVERIFY(ui()->tableView_label->horizontalHeader()->sectionsClickable());
}

void tst_MonitorWindow::handleDataTypeSetsStringText()
{
    MainWindow *window = openProject({{"SD1", "string"}});
    QVERIFY(window);
    CLabelVariable text;
    text.value = QVariant::fromValue(QList<QString>{"open"});
    QCOMPARE(window->handleDataType(string, text, valueCell(0)), 0.0);
    QCOMPARE(valueCell(0)->text(), QStringLiteral("open"));
    CLabelVariable number;
    number.value = QVariant::fromValue(QList<short>{-5});
    QCOMPARE(window->handleDataType(Int16, number, valueCell(0)), -5.0);
    QCOMPARE(valueCell(0)->text(), QStringLiteral("open"));
}

void tst_MonitorWindow::writeThroughDialog_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // start of the refusal box, empty when accepted
    QTest::addColumn<QString>("sent");    // the element written, as a number text
    QTest::addColumn<QString>("statusText");
    QTest::newRow("Int16 3.9 sends 3") << "Int16"
                                       << "3.9"
                                       << ""
                                       << "3" << zh("写值成功：LW1 = 3");
    QTest::newRow("Int16 -3.9 sends -3") << "Int16"
                                         << "-3.9"
                                         << ""
                                         << "-3" << zh("写值成功：LW1 = -3");
    QTest::newRow("bool 0.5 sends true") << "bool"
                                         << "0.5"
                                         << ""
                                         << "1" << zh("写值成功：LW1 = 1");
    QTest::newRow("double keeps digits") << "double"
                                         << "1234567.25"
                                         << ""
                                         << "1234567.25" << zh("写值成功：LW1 = 1234567.25");
    QTest::newRow("abc refused") << "Int16"
                                 << "abc" << zh("不是有效的数值：abc") << ""
                                 << "";
    QTest::newRow("nan refused") << "double"
                                 << "nan" << zh("不是有效的数值：nan") << ""
                                 << "";
    QTest::newRow("inf refused") << "float"
                                 << "inf" << zh("不是有效的数值：inf") << ""
                                 << "";
    QTest::newRow("Int16 out of range") << "Int16"
                                        << "40000" << zh("数值 40000 超出 Int16") << ""
                                        << "";
    QTest::newRow("UInt8 negative") << "UInt8"
                                    << "-1" << zh("数值 -1 超出 UInt8") << ""
                                    << "";
    QTest::newRow("string label writes nothing") << "string"
                                                 << "5"
                                                 << ""
                                                 << "" << zh("该类型的标签不能写值：LW1");
}

void tst_MonitorWindow::writeThroughDialog()
{
    QFETCH(QString, type);
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    QFETCH(QString, sent);
    QFETCH(QString, statusText);
    MainWindow *window = openProject({{"LW1", type}});
    QVERIFY(window);
    openWriteDialog(0);
    DialogWriteLabel *dialog = window->writeDialog();
    QVERIFY(dialog->isVisible());
    QVERIFY(!window->centralWidget()->isEnabled());
    QCOMPARE(dialog->findChild<QLabel *>("label")->text(), QStringLiteral("LW1"));
    auto *edit = dialog->findChild<QLineEdit *>("lineEdit");
    QCOMPARE(edit->text(), QStringLiteral("0"));
    edit->setText(text);
    if (!refusal.isEmpty())
        m_f.prompt->expectStartingWith("warning", zh("提示"), refusal);
    dialog->findChild<QPushButton *>("pushButton_ok")->click();
    if (!refusal.isEmpty()) {
        QVERIFY(dialog->isVisible()); // open for a correction
        QCOMPARE(m_control->count("WriteVariable"), 0);
        return;
    }
    QVERIFY(!dialog->isVisible());
    QVERIFY(window->centralWidget()->isEnabled());
    QCOMPARE(status(), statusText);
    if (sent.isEmpty()) {
        QCOMPARE(m_control->count("WriteVariable"), 0);
        return;
    }
    QCOMPARE(m_control->count("WriteVariable"), 1);
    QCOMPARE(m_control->calls.last().slot, 9);
    QCOMPARE(m_control->calls.last().args.last(), QStringLiteral("1"));
    CLabelVariable written = m_control->written.value("LW1");
    QCOMPARE(written.count, 1);
    QCOMPARE(written.type, window->labelDataType(0));
    QCOMPARE(QString::number(LabelValue::toDouble(written.type, written), 'g', 15), sent);
}

void tst_MonitorWindow::writeFailureReasonShown_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("9 offline") << 9 << zh("写值失败：LW1（连接异常：设备掉线，状态码 9）");
    QTest::newRow("2 type not taken here")
        << 2 << zh("写值失败：LW1（该地址不支持此数据类型，状态码 2）");
    QTest::newRow("5 past the area") << 5 << zh("写值失败：LW1（地址超出区域范围，状态码 5）");
    QTest::newRow("42 unknown") << 42 << zh("写值失败：LW1（状态码 42）");
    // The controller took it; its input scan will put the input's own value back.
    QTest::newRow("6 input area") << 6 << zh("已写入：LW1 = 4（输入区的值会被设备覆盖，状态码 6）");
}

void tst_MonitorWindow::writeFailureReasonShown()
{
    QFETCH(int, status);
    QFETCH(QString, text);
    MainWindow *window = openProject({{"LW1", "Int16"}});
    QVERIFY(window);
    m_control->writeStatus = status;
    openWriteDialog(0);
    window->writeDialog()->findChild<QLineEdit *>("lineEdit")->setText("4");
    window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(this->status(), text);
}

void tst_MonitorWindow::writeRefusedWhenRowChanged()
{
    MainWindow *window = openProject({{"LW1", "Int16"}, {"LW2", "Int16"}});
    QVERIFY(window);
    openWriteDialog(1);
    window->labelItem(1, 1)->setText("LW9"); // the row changed while the dialog was open
    window->writeDialog()->findChild<QLineEdit *>("lineEdit")->setText("4");
    window->writeDialog()->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(status(), zh("标签已改变，未写入"));
    // A row number that no longer matches what the dialog was opened for writes nothing either.
    window->labelItem(1, 1)->setText("LW2");
    window->onsetValue(0, 4.0);
    QCOMPARE(m_control->count("WriteVariable"), 0);
}

QTEST_MAIN(tst_MonitorWindow)
#include "tst_monitorwindow.moc"
