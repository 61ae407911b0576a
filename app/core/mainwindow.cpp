#include "mainwindow.h"

#include "chartdrawer.h"
#include "customcombobox.h"
#include "datasheet.h"
#include "dialognewproject.h"
#include "dialogpermissions.h"
#include "dialogsetlink.h"
#include "dialogsystemtray.h"
#include "projectfile.h"
#include "ui_mainwindow.h"
#include "update_bin.h"
#include "windowfit.h"
#include "windowtitle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStandardItemModel>
#include <QSystemTrayIcon>
#include <QTimer>

static void initMorvelinResources()
{
    Q_INIT_RESOURCE(morvelin);
}

namespace {

// Green push buttons of the data-logger page.
const char loggerButtonStyle[]
    = "QPushButton { color: white; background-color: rgb(146, 194, 146); border-radius: 10px;"
      " border-style: outset; border-width: 3px;"
      " border-top-color: rgba(255, 255, 255, 0.6); border-left-color: rgba(255, 255, 255, 0.6);"
      " border-bottom-color: rgba(155, 155, 155, 1); border-right-color: rgba(155, 155, 155, 1);"
      " padding: 5px; }"
      "QPushButton:hover { background-color: rgb(146, 194, 146); }"
      "QPushButton:pressed { background-color: rgb(126, 164, 126); }";

const char tabBarStyle[]
    = "QTabBar::tab { background: rgba(202, 222, 185, 255); border-radius: 5px; color: black;"
      " padding: 5px; border-style: solid; border-width: 2px;"
      " border-top-color: rgba(228, 255, 208, 0.6); border-left-color: rgba(228, 255, 208, 0.6);"
      " border-bottom-color: rgba(128, 128, 128, 0.8);"
      " border-right-color: rgba(128, 128, 128, 0.8); }"
      "QTabBar::tab:selected { background: rgba(160, 193, 152, 255);"
      " border-top-color: rgba(255, 255, 255, 0.6); border-left-color: rgba(255, 255, 255, 0.6);"
      " border-bottom-color: rgba(155, 155, 155, 1); border-right-color: rgba(155, 155, 155, 1); }";

const char lineEditStyle[]
    = "QTextEdit { background-color: white; border-radius: 15px; border: 1px solid black;"
      " padding: 5px; }";

} // namespace

void MainWindow::initResources()
{
    initMorvelinResources();
}

MainWindow::MainWindow(const MainWindowServices &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , ui(new Ui::MainWindow)
{
    initResources();
    seriesColors = {Qt::red,     Qt::green,    Qt::blue,        Qt::darkYellow, Qt::cyan,
                    Qt::magenta, Qt::gray,     Qt::darkRed,     Qt::darkGreen,  Qt::darkBlue,
                    Qt::yellow,  Qt::darkCyan, Qt::darkMagenta, Qt::darkGray,   Qt::lightGray};

    ui->setupUi(this);
    // 1920 x 1080 where the screen holds it; a smaller screen gets the window maximized.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const WindowFit fit
        = fitWindow(QSize(1920, 1080), screen ? screen->availableGeometry() : QRect());
    resize(fit.size);
    if (fit.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    setObjectName(QStringLiteral("parentWidget"));
    setStyleSheet(QStringLiteral("MainWindow#parentWidget {   border-image: "
                                 "url(:/pic/Tbackground.png) 0 0 0 0 stretch stretch;}"));
    applyStyles();

    readProgramSettings();
    // One absolute file, whatever the working directory is when it is opened.
    m_dbFileName = historyDatabasePathFor(QString());
    applyInstanceMode();
    // main has refused a second copy already; a failure here can only be a race at start.
    if (m_instanceMode == QLatin1String("0") && m_services.instanceGuard
        && !m_services.instanceGuard->acquire())
        qWarning() << "single-instance segment not held:"
                   << m_services.instanceGuard->errorString();

    initLabelTable();

    const DialogSetLink::PortLister ports
        = m_services.serialPortNames ? m_services.serialPortNames : DialogSetLink::systemPorts;
    m_datasheet = new datasheet(this, ui);
    connect(m_datasheet, &datasheet::workEnded, this, &MainWindow::reportWorkEnded);
    m_newProjectDialog = new DialogNewProject(prompt(), fileChooser(), driverDir(), this);
    m_permissionDialog = new DialogPermissions(this, this);
    m_linkDialog = new DialogSetLink(m_settingsFilePath, ports, this);
    m_updateBin = new Update_Bin(this, ui);
    m_portDialog = new DialogSetLink(m_settingsFilePath, ports, this);
    m_trayDialog = new dialogSystemTray(this);

    connect(m_newProjectDialog, &DialogNewProject::Closed, this, &MainWindow::onDialogClosed);
    connect(m_permissionDialog, &DialogPermissions::Closed, this, &MainWindow::onDialogClosed);
    connect(m_linkDialog, &DialogSetLink::Closed, this, &MainWindow::onDialogClosed);
    connect(m_portDialog, &DialogSetLink::Closed, this, &MainWindow::onDialogClosed);
    connect(&m_databaseDialog, &DialogDatabase::Closed, this, &MainWindow::onDialogClosed);
    connect(this, &MainWindow::historyHousekeepingDue, this, &MainWindow::trimHistoryData);
    connect(m_newProjectDialog, &DialogNewProject::creatProject, this, &MainWindow::newProject);
    connect(&m_sqlite, &SQLiteHandler::errorOccurred, this,
            [](const QString &error) { qWarning() << "history database:" << error; });
    connect(m_trayDialog, &dialogSystemTray::Closed, this, &MainWindow::onDialogClosed);
    connect(m_trayDialog, &dialogSystemTray::buttonClicked, this,
            &MainWindow::handleCustomButtonClick);
    initMonitoring();

    ui->backgroundColorSelect->setStyleSheet(
        QStringLiteral("QComboBox::drop-down { border: none; }"));
    ui->backgroundColorSelect->setItemData(0, QColor(Qt::white), Qt::BackgroundRole);
    ui->backgroundColorSelect->setItemData(1, QColor(Qt::black), Qt::BackgroundRole);
    ui->backgroundColorSelect->setItemData(2, QColor(Qt::gray), Qt::BackgroundRole);
    ui->clearDays->setCurrentIndex(8);
    ui->maxMemory->setCurrentIndex(4);

    installTranslators();
    ui->retranslateUi(this);

    initDeviceLink();
    m_linkDialog->loadSettings(m_settingsExisted);

    sectionCount = 0;
    // The live window starts as long as the time-window selector shows.
    if (const int seconds = TrendRules::rangeSecondsAt(ui->rangeTime->currentIndex()); seconds > 0)
        rangeSeconds = seconds;
    seriesSelected = 0;
    historyStep = 0;

    for (QWidget *w :
         {static_cast<QWidget *>(ui->addData), static_cast<QWidget *>(ui->deleteData),
          static_cast<QWidget *>(ui->modifyData), static_cast<QWidget *>(ui->rangeTime),
          static_cast<QWidget *>(ui->fastForwardfor1min),
          static_cast<QWidget *>(ui->fastForwardfor15s), static_cast<QWidget *>(ui->goBack15s),
          static_cast<QWidget *>(ui->goBack1min), static_cast<QWidget *>(ui->StartandPause),
          static_cast<QWidget *>(ui->saveWave), static_cast<QWidget *>(ui->dataClassification),
          static_cast<QWidget *>(ui->queryData), static_cast<QWidget *>(ui->saveReport),
          static_cast<QWidget *>(ui->dataClassification1),
          static_cast<QWidget *>(ui->pushButton_startMonitor), static_cast<QWidget *>(ui->refresh)})
        w->setEnabled(false);
    ui->action_savePro->setEnabled(false);
    ui->menu_MM->setEnabled(false);
    for (QWidget *w :
         {static_cast<QWidget *>(ui->startDateTimeEdit), static_cast<QWidget *>(ui->startTime),
          static_cast<QWidget *>(ui->searchfor), static_cast<QWidget *>(ui->dataTableWidget),
          static_cast<QWidget *>(ui->pushButton_stopEdit),
          static_cast<QWidget *>(ui->pushButton_hide)})
        w->setVisible(false);
    ui->backgroundColorSelect->setPopupEnabled(true);
    ui->progressBar->setValue(0);
    ui->refresh->setIcon(QIcon(QStringLiteral(":/pic/refresh.png")));
    ui->dateTimeStart->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    ui->dateTimeEnd->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);

    updateWindowTitle();
    ui->devesn->setEnabled(false);
    showDeviceLinkButtons();
    on_backgroundColorSelect_activated(0);
    initSystemTray();
    initDeviceJobGate();

    isEditingSeries = false;
    connect(ui->tableWidget, &QTableWidget::cellClicked, this, &MainWindow::onCellClicked);
    ui->startDateTimeEdit->setDateTime(QDateTime::currentDateTime());

    styleLoggerButtons();
    ui->tabWidget->setAutoFillBackground(false);
    // The Bluetooth module is not offered yet; its widgets stay in the form but hidden.
    for (QWidget *w :
         {static_cast<QWidget *>(ui->label_23), static_cast<QWidget *>(ui->label_20),
          static_cast<QWidget *>(ui->label_21), static_cast<QWidget *>(ui->label_24),
          static_cast<QWidget *>(ui->pushButton_B_ClearDBData),
          static_cast<QWidget *>(ui->pushButton_B_RecData),
          static_cast<QWidget *>(ui->pushButton_B_ClearFlashData),
          static_cast<QWidget *>(ui->pushButton_B_Link), static_cast<QWidget *>(ui->BlueToothName),
          static_cast<QWidget *>(ui->BlueToothFileName), static_cast<QWidget *>(ui->comboBox_comB)})
        w->setVisible(false);
}

MainWindow::~MainWindow()
{
    releaseDeviceLink();
    // Both keep pointers to the form, so they go before it.
    delete m_updateBin;
    m_updateBin = nullptr;
    delete m_datasheet;
    delete ui;
    ui = nullptr;
    delete m_projectSettings;
    delete m_programSettings;
    // The driver library stays loaded: the driver object is never destroyed.
}

QSettings *MainWindow::programSettings() const
{
    return m_programSettings->settings();
}

void MainWindow::applyStyles()
{
    ui->tabWidget->setStyleSheet(QLatin1String(tabBarStyle));
    ui->tabWidget->setAutoFillBackground(false);
    styleLoggerButtons();
    ui->BlueToothName->setStyleSheet(QLatin1String(lineEditStyle));
    ui->BlueToothFileName->setStyleSheet(QLatin1String(lineEditStyle));
    ui->menubar->setStyleSheet(QStringLiteral(
        "QMenuBar {   border-image: url(:/pic/background.png) 0 0 0 0 stretch stretch;}"));
    ui->statusbar->setStyleSheet(QStringLiteral(
        "QStatusBar {   border-image: url(:/pic/status.png) 0 0 0 0 stretch stretch;}"));
    QPalette pagePalette;
    pagePalette.setColor(QPalette::All, QPalette::Window, QColor(242, 248, 242));
    for (QWidget *page : {ui->tab, ui->tab_2, ui->tab_3, ui->tab_4, ui->tab_5, ui->tab_6}) {
        page->setPalette(pagePalette);
        page->setAutoFillBackground(true);
    }
}

void MainWindow::styleLoggerButtons()
{
    for (QPushButton *b : {ui->pushButton_COM_ClearFlashData, ui->pushButton_COM_ReadOff,
                           ui->pushButton_COM_CheckTime, ui->pushButton_COM_ClearDatabaseData,
                           ui->pushButton_B_ClearDBData, ui->pushButton_B_ClearFlashData,
                           ui->pushButton_B_Link, ui->pushButton_B_RecData})
        b->setStyleSheet(QLatin1String(loggerButtonStyle));
}

void MainWindow::readProgramSettings()
{
    m_settingsFilePath = m_services.folder.settingsFilePath();
    m_programSettings = new ProgramSettings(m_settingsFilePath);
    const StartupSettings saved = m_programSettings->load(m_services.folder.programDir());
    m_settingsExisted = saved.existed;
    loadTranslators(saved.language);
    m_lastProjectFolder = saved.projectFolder;
    m_lastReportFolder = saved.reportFolder;
    m_instanceMode = saved.mode;
}

void MainWindow::applyInstanceMode()
{
    const bool multiple = m_instanceMode == QLatin1String("1");
    ui->action_openMM->setEnabled(!multiple);
    ui->action_closeMM->setEnabled(multiple);
    updateWindowTitle();
    m_programSettings->setMode(m_instanceMode);
}

void MainWindow::switchInstanceMode(const QString &mode)
{
    const bool multiple = mode == QLatin1String("1");
    // The database changes with the mode only while a project is open in multiple-instance mode
    // (its own file) or while none is open in single-instance mode (the shared file). That file
    // is made and opened before anything else: a switch that cannot have it changes nothing.
    const bool fileChanges
        = multiple == (m_projectOpen != 0) && !(multiple && m_projectFilePath.isEmpty());
    if (fileChanges) {
        const QString path = ProjectFile::historyDatabasePath(mode, m_projectFilePath,
                                                              m_services.folder.programDir());
        const QString refused = multiple ? tr("多应用模式未开启，历史数据仍写入 %1。")
                                               .arg(QDir::toNativeSeparators(m_dbFileName))
                                         : tr("单应用模式未开启。");
        if (!ensureHistoryDatabase(path, refused))
            return;
        // The open project's samples go to its own file now, under that file's project row.
        if (multiple && !moveProjectHistory(path, refused))
            return;
        m_dbFileName = path;
    }
    m_instanceMode = mode;
    applyInstanceMode();
    // Holding the segment from now on refuses a later start in single-instance mode.
    if (m_services.instanceGuard)
        m_services.instanceGuard->acquire();
    // Last: whatever runs in the box's own event loop finds the mode and its file in place.
    prompt()->information(this, tr("Info"),
                          multiple ? tr("Multiple instance mode enabled.")
                                   : tr("Single instance mode enabled."));
}

void MainWindow::on_action_openMM_triggered()
{
    // The history file of the open project would change under a device job.
    if (refuseDuringDeviceJob())
        return;
    switchInstanceMode(QStringLiteral("1"));
}

void MainWindow::on_action_closeMM_triggered()
{
    if (refuseDuringDeviceJob())
        return;
    switchInstanceMode(QStringLiteral("0"));
}

void MainWindow::selectLanguage(const QString &language)
{
    loadTranslators(language);
    installTranslators();
    retranslateOwnTexts();
    m_programSettings->setLanguage(language);
}

void MainWindow::loadTranslators(const QString &language)
{
    m_translator.load(ProgramSettings::translationResource(language));
    m_qtTranslatorLoaded = ProgramSettings::loadQtTranslation(&m_qtTranslator, language);
}

void MainWindow::installTranslators()
{
    // Installing twice would stack the same catalogue; remove the earlier installation first.
    if (m_translatorInstalled) {
        QApplication::removeTranslator(&m_qtTranslator);
        QApplication::removeTranslator(&m_translator);
    }
    if (m_qtTranslatorLoaded)
        QApplication::installTranslator(&m_qtTranslator);
    QApplication::installTranslator(&m_translator);
    m_translatorInstalled = true;
}

void MainWindow::on_action_Chinese_triggered()
{
    selectLanguage(QStringLiteral("Chinese"));
}

void MainWindow::on_action_English_triggered()
{
    selectLanguage(QStringLiteral("English"));
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && ui)
        retranslateOwnTexts();
    QMainWindow::changeEvent(event);
}

void MainWindow::retranslateOwnTexts()
{
    // The form would put its initial texts back into the firmware page's fields.
    const QStringList deviceFields = m_updateBin ? m_updateBin->keptFieldTexts() : QStringList();
    // The form would also turn a paused trend's button back to "pause", which is its run state.
    const bool trendPaused = TrendRules::trendPaused(ui->StartandPause->text());
    ui->retranslateUi(this);
    if (trendPaused)
        ui->StartandPause->setText(tr("开始"));
    if (m_updateBin)
        m_updateBin->restoreFieldTexts(deviceFields);
    setSeriesHeaders();
    setLabelHeaders();
    const QStringList labelMenuTexts{tr("新增标签"), tr("标签写值"), tr("删除标签"),
                                     tr("导入标签"), tr("导出标签"), tr("加入趋势图"),
                                     tr("隐藏")};
    for (int i = 0; i < m_labelActions.size() && i < labelMenuTexts.size(); ++i)
        m_labelActions[i]->setText(labelMenuTexts[i]);
    if (deleteChartAction)
        deleteChartAction->setText(tr("删除数据"));
    if (m_trayMenu) {
        m_trayEditAction->setText(tr("修改托盘标签"));
        m_trayShowAction->setText(tr("显示窗口"));
        m_trayQuitAction->setText(tr("退出"));
    }
    // The whole rule, so that a title with the link and device text survives a switch.
    updateWindowTitle();
}

void MainWindow::updateWindowTitle()
{
    WindowTitleState state;
    state.mode = m_instanceMode;
    state.monitoring = m_monitoring;
    state.linkName = m_linkName;
    state.deviceText = m_deviceText;
    setWindowTitle(composeWindowTitle(state, tr(" —— Multiple Mode")));
}

void MainWindow::askToQuit()
{
    // A device job would be cut off mid-way: the user stops it or waits for it.
    if (deviceJobRunning()) {
        askToQuitDuringDeviceJob();
        return;
    }
    if (prompt()->question(this, tr("确认退出"), tr("确定要退出程序吗？")))
        quitApplication();
}

void MainWindow::quitApplication()
{
    stopMonitoringForExit();
    if (m_services.quitApplication)
        m_services.quitApplication();
    else
        QCoreApplication::quit();
}

void MainWindow::on_action_closeAPP_triggered()
{
    askToQuit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Without a system tray a hidden window could never be shown again.
    if (m_trayIcon && m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
        event->ignore();
        return;
    }
    event->ignore();
    askToQuit();
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    forwardToTrendView(event);
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    forwardToTrendView(event);
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::forwardToTrendView(QMouseEvent *event)
{
    if (!chartDrawer)
        return;
    // What the view passed up has been handled there already; anything else is handed on at
    // its place in the view, so a press or move elsewhere never lands on a guide by accident.
    const QWidget *under = childAt(event->pos());
    if (under && (under == chartDrawer || chartDrawer->isAncestorOf(under)))
        return;
    QWidget *viewport = chartDrawer->viewport();
    const QPointF local
        = viewport->mapFrom(this, event->pos()) + (event->localPos() - event->pos());
    QMouseEvent mapped(event->type(), local, event->windowPos(), event->screenPos(),
                       event->button(), event->buttons(), event->modifiers(), event->source());
    if (event->type() == QEvent::MouseMove)
        chartDrawer->mouseMoveEvent(&mapped);
    else
        chartDrawer->mousePressEvent(&mapped);
}

void MainWindow::initSystemTray()
{
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/pic/mvlogo.png")));
    m_trayIcon->setVisible(true);
    m_trayIcon->setContextMenu(createTrayMenu());
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason != QSystemTrayIcon::DoubleClick)
                    return;
                showNormal();
                activateWindow();
            });
    m_trayIcon->setToolTip(tr("新设备"));
}

QMenu *MainWindow::createTrayMenu()
{
    m_trayMenu = new QMenu(this);
    m_trayEditAction = m_trayMenu->addAction(tr("修改托盘标签"));
    connect(m_trayEditAction, &QAction::triggered, this, &MainWindow::on_action_Tray_triggered);
    m_trayShowAction = m_trayMenu->addAction(tr("显示窗口"));
    connect(m_trayShowAction, &QAction::triggered, this, [this] {
        showNormal();
        activateWindow();
    });
    m_trayQuitAction = m_trayMenu->addAction(tr("退出"));
    connect(m_trayQuitAction, &QAction::triggered, this, &MainWindow::quitFromTray);
    return m_trayMenu;
}

void MainWindow::handleCustomButtonClick(QString message)
{
    if (!message.isEmpty())
        m_trayIcon->setToolTip(message);
}

void MainWindow::setMenuActionsEnabled(bool enabled)
{
    centralWidget()->setEnabled(enabled);
    for (QAction *a :
         {ui->action_newPro, ui->action_openPro, ui->actionDatabase, ui->action_SetLink,
          ui->action_permissionsSettings, ui->action_Chinese, ui->action_English, ui->action_Tray})
        a->setEnabled(enabled);
}

void MainWindow::disableMenuActions()
{
    setMenuActionsEnabled(false);
}

void MainWindow::onDialogClosed()
{
    setMenuActionsEnabled(true);
    // While editing is unlocked the login entry stays off.
    if (m_rights)
        ui->action_permissionsSettings->setEnabled(false);
    // A project change while monitoring runs would pull the labels from under the polling loop.
    if (m_monitorRunning) {
        ui->action_newPro->setEnabled(false);
        ui->action_openPro->setEnabled(false);
    }
}

void MainWindow::enableProjectActions()
{
    ui->addData->setEnabled(true);
    ui->deleteData->setEnabled(true);
    ui->modifyData->setEnabled(true);
    ui->rangeTime->setVisible(true);
    ui->viewTime->setVisible(true);
    for (QWidget *w :
         {static_cast<QWidget *>(ui->rangeTime), static_cast<QWidget *>(ui->StartandPause),
          static_cast<QWidget *>(ui->dataClassification),
          static_cast<QWidget *>(ui->dataClassification1)})
        w->setEnabled(true);
    ui->action_savePro->setEnabled(true);
    ui->refresh->setEnabled(true);
    if (m_labelActions.size() > 1)
        m_labelActions[1]->setEnabled(true);
    m_projectOpen = 1;
    // 保存图像 and 查询数据.
    showReportButtons();
    updateStartButton();
}

void MainWindow::on_action_SetLink_triggered()
{
    m_linkDialog->show();
    disableMenuActions();
    m_linkDialog->refreshPorts();
    m_linkDialog->loadSettings(true);
    // The stored keys fill what the link in use leaves open; that link is what the form shows.
    if (!m_linkDialog->linkString().isEmpty())
        m_linkDialog->linkParameter(m_linkDialog->linkString());
}

void MainWindow::on_tabWidget_currentChanged(int index)
{
    // The data-logger page: adapters plugged in since the last visit appear.
    if (index != 5 || !m_portDialog)
        return;
    m_portDialog->refreshPorts();
    ui->comboBox_comB->clear();
    ui->comboBox_comB->addItems(m_portDialog->portNames());
}

void MainWindow::delayMs(int ms)
{
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // Waits in an event loop rather than spinning; re-armed should a timer fire early.
    QElapsedTimer clock;
    clock.start();
    for (qint64 remaining = ms; remaining > 0; remaining = ms - clock.elapsed()) {
        QEventLoop loop;
        QTimer::singleShot(int(remaining), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void MainWindow::on_action_Tray_triggered()
{
    m_trayDialog->show();
    disableMenuActions();
}

void MainWindow::on_actionDatabase_triggered()
{
    m_databaseDialog.show();
    disableMenuActions();
}

void MainWindow::on_action_permissionsSettings_triggered()
{
    m_permissionDialog->show();
    disableMenuActions();
}

void MainWindow::onPermissionGranted()
{
    setEditingUnlocked(true);
    statusBar()->showMessage(tr("权限开启"));
}

void MainWindow::on_pushButton_stopEdit_clicked()
{
    setEditingUnlocked(false);
    statusBar()->showMessage(tr("权限关闭"));
}

void MainWindow::setEditingUnlocked(bool unlocked)
{
    ui->pushButton_stopEdit->setVisible(unlocked);
    ui->action_permissionsSettings->setEnabled(!unlocked);
    setLabelTableEditable(unlocked);
    // While monitoring runs the rows stay as they are and the database stays where it is.
    m_labelActions[0]->setEnabled(unlocked && !m_monitorRunning); // add label
    m_labelActions[2]->setEnabled(unlocked && !m_monitorRunning); // delete label
    ui->menu_MM->setEnabled(unlocked && !m_monitorRunning);
    m_rights = unlocked;
}
