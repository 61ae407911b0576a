#pragma once

#include "atlinksequence.h"
#include "dataloggerprotocol.h"
#include "devicelink.h"
#include "dialogdatabase.h"
#include "filechooser.h"
#include "guidereadout.h"
#include "historyrules.h"
#include "historytrim.h"
#include "induction.h"
#include "instanceguard.h"
#include "loggerimagedownload.h"
#include "monitorlogic.h"
#include "programfolder.h"
#include "programsettings.h"
#include "prompt.h"
#include "sqlitehandler.h"
#include "trendcurve.h"

#include <QColor>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QLibrary>
#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QTranslator>
#include <functional>
#include <memory>

class CDriveBaseClass;
class ChartDrawer;
class ColumnFitter;
class DialogNewProject;
class DialogPermissions;
class DialogSetLink;
class DialogWriteLabel;
class QAbstractButton;
class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QMenu;
class QPoint;
class QPushButton;
class QSerialPort;
class QSettings;
class QStandardItem;
class QStandardItemModel;
class QSystemTrayIcon;
class QTableWidgetItem;
struct SectionEntry;
class QTimer;
class Update_Bin;
class datasheet;
class dialogSystemTray;

namespace QtCharts {
class QLineSeries;
class QXYSeries;
} // namespace QtCharts

QT_BEGIN_NAMESPACE
class Ui_MainWindow;
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

// What the window needs from outside; main builds the real ones, tests their own.
struct MainWindowServices
{
    Prompt *prompt = nullptr;
    FileChooser *fileChooser = nullptr;
    ProgramFolder folder;
    // Held by main before the window exists; the window creates under it on a mode switch.
    InstanceGuard *instanceGuard = nullptr;
    // Ends the program; QCoreApplication::quit when empty.
    std::function<void()> quitApplication;
    // Serial port names the system lists; QSerialPortInfo when empty.
    std::function<QStringList()> serialPortNames;
};

// The one main window of the program. Its members are defined across the folders named in the
// groups below.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(const MainWindowServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Registers the compiled-in images and catalogues (they live in a static library).
    static void initResources();

    Ui::MainWindow *form() const { return ui; }
    Prompt *prompt() const { return m_services.prompt; }
    FileChooser *fileChooser() const { return m_services.fileChooser; }
    const ProgramFolder &programFolder() const { return m_services.folder; }

    // Core (mainwindow.cpp)
    QString instanceMode() const { return m_instanceMode; }
    QString databaseFileName() const { return m_dbFileName; }
    QSettings *programSettings() const;
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QMenu *trayMenu() const { return m_trayMenu; }
    DialogDatabase *databaseDialog() { return &m_databaseDialog; }
    bool hasRights() const { return m_rights; }
    void updateWindowTitle();
    void disableMenuActions();
    void enableProjectActions();
    void onPermissionGranted();
    // Waits ms milliseconds while events keep being processed.
    static void delayMs(int ms);

    // Project (mainwindow_project.cpp)
    // Path of the open project file, or of its settings file; empty with no project.
    QString projectFilePath(bool settingsFile) const;
    int projectId() const { return m_projectId; }
    SQLiteHandler *historyDatabase() { return &m_sqlite; }
    QSettings *projectSettings() const { return m_projectSettings; }
    DialogSetLink *linkDialog() const { return m_linkDialog; }
    DialogNewProject *newProjectDialog() const { return m_newProjectDialog; }
    // Opens a project file: database, driver, link, labels, project row, settings.
    bool openProjectFile(const QString &path);
    bool saveProject();
    void openProjectRecord();
    // Binds the driver named by a project; false, with a message, when it cannot.
    bool loadDriveLibrary(const QString &driveName);

    // Label table (mainwindow_labeltable.cpp)
    QStandardItemModel *labelModel() const { return m_labelModel; }
    QMenu *labelMenu() const { return m_labelMenu; }
    void addLabelRow(const QStringList &fields);
    int labelDataType(int row) const;
    QStandardItem *labelItem(int row, int column) const;
    int labelRowCount() const;
    bool labelEditingEnabled() const { return m_labelEditing; }
    // Opens or locks the cells to editing; the address and type cells stay locked while
    // monitoring runs, and open again with the others after it stops.
    void setLabelTableEditable(bool editable);
    // The rows as texts in column order, the type column as its selector shows it.
    QList<QStringList> labelRows() const;
    QStringList labelHeaderTexts() const;

    // Monitoring (mainwindow_monitor.cpp)
    // The pauses of the polling loop: 100 ms after each block that made an exchange, and the
    // wait of the stop. By default the pause after a block is a timer, the tick going on from
    // the event loop, and the stop's is delayMs. A test or a benchmark may put its own pause
    // instead, which is called where the tick pauses; the tick goes on when it returns.
    using PauseFunction = std::function<void(int ms)>;
    void setMonitorPause(PauseFunction pause);
    // Milliseconds of a steady clock, which the tick period is measured with; tests put theirs.
    using ClockFunction = std::function<qint64()>;
    void setMonitorClock(ClockFunction clock);
    // The bound driver of the open project; null when its library did not load.
    CDriveBaseClass *driver() const;
    // The state the stop button clears.
    bool isMonitoring() const { return m_monitoring; }
    // From a successful start until the stop sequence has ended.
    bool monitorRunning() const { return m_monitorRunning; }
    QTimer *monitorTimer() const { return m_monitorTimer; }
    QTimer *housekeepingTimer() const { return m_housekeepingTimer; }
    DialogWriteLabel *writeDialog() const { return m_writeDialog; }
    const QList<Induction::SReadInfo> &readList() const { return m_readList; }
    // Shared with the data-logger link.
    QMutex *serialLinkLock() { return &m_serialLock; }

    // Device link and data-logger (app/device/mainwindow_device.cpp)
    // Opens, or closes and reopens, the device link from the link string; see the flag.
    void openDeviceLink();
    void closeDeviceLink();
    bool isDeviceLinkOpen() const;
    // Mode 0: writes frame and reads its reply to the length the data-logger's protocol gives
    // it; mode 1: hands every packet that comes back to the firmware page until a silence. Input
    // waiting before the frame goes out is dropped. 0, or -1 when nothing came.
    int sendFrame(QByteArray frame, QByteArray *reply, int timeoutMs, int mode);
    int sendAtCommand(const QString &command, QByteArray *reply, int timeoutMs);
    DeviceLink *deviceLink() const { return m_deviceLink.get(); }
    QSerialPort *serialPort() const { return m_serialPort; }
    void readDeviceRecords(quint32 index, DataLoggerProtocol::Wording wording);
    int buildFirmwareFrame(quint8 area, int offset, int length, QByteArray data);
    int buildFirmwareReadFrame(quint8 area, int offset, int length, QByteArray &out);
    int sendFirmwarePacket(int command);
    // The local time the clock command sends; the system clock unless a test puts its own.
    using DeviceClockFunction = std::function<QDateTime()>;
    void setDeviceClock(DeviceClockFunction clock);
    // The download's 10 ms pauses; delayMs unless a test puts its own.
    void setDevicePause(PauseFunction pause);
    // No device wait is shorter than this (0: the protocol's own time-outs); for a loaded test
    // machine.
    void setDeviceWaitFloor(int ms) { m_deviceWaitFloorMs = ms; }
    quint8 imageFrameCounter() const { return m_imageDownload.frameCounter(); }
    // The areas the download writes; the device's whole table unless a test writes fewer.
    void setImageAreas(const QList<LoggerImageDownload::Area> &areas)
    {
        m_imageDownload.setAreas(areas);
    }
    // The firmware page's updater; it lives as long as the window.
    Update_Bin *updateBin() const { return m_updateBin; }
    // Runs operation, the device job of the button job, holding the serial lock; false, with the
    // busy message, when another device operation holds it.
    bool runSerialOperation(const QAbstractButton *job, const std::function<void()> &operation);
    const AtLinkSequence *atLinkSequence() const { return m_atLink.get(); }
    // A device job runs: an operation on the serial link (read-off, download, commands, a
    // firmware dialogue) or an upload over MQTT. Meanwhile nothing that changes the project or
    // the history file runs and no menu opens a dialog; a quit asks to stop the job or wait.
    bool deviceJobRunning() const;
    // A device job holds the serial lock (any but an upload over MQTT): it runs on the GUI
    // thread, and whatever runs an event loop of its own now (a box, a file dialog, the report's
    // query) would run inside it and hold it until closed or done.
    bool serialJobRunning() const;
    // Refuses, saying why, what would hold a job on the serial link; false when none runs.
    bool refuseDuringSerialJob();
    // The running job's name: the text that the button which began it shows now.
    QString deviceJobName() const;
    // After a job began or ended: the gating follows, and a quit or a box that waited goes on.
    void deviceJobChanged();
    // A quit chose to stop the running job: it ends at its next step, keeping what it has.
    bool deviceJobStopRequested() const { return m_deviceStopRequested; }
    // A refusal or a word on the running job: in the status bar and the device log. The
    // read-off's progress line carries it on for ms (-1: not; it makes a quit's word anew).
    void showDeviceNotice(const QString &text, int ms);
    // How long a refusal stays beside the read-off's progress (ms): long enough to be read.
    static constexpr int deviceNoticeMs = 5000;
    // Refuses, saying why, what must wait for the end of the device job named job.
    void refuseForJob(const QString &job);

    // Trend (app/trend/mainwindow_trend.cpp)
    ChartDrawer *trendView() const { return chartDrawer; }
    QMenu *seriesMenu() const { return chartMenu; }
    // The scaled-view flag and row, and whether a history search is shown.
    int chartFlag() const { return seriesSelected; }
    int chartIndex() const { return selectedRow; }
    bool chartOption() const { return historyShown; }
    // Marks a history search result as shown; for tests that fill the history columns themselves.
    void setHistoryShown(bool shown) { historyShown = shown; }
    // The clock of the trend page; the system clock unless a test or a benchmark puts its own.
    using TrendClock = std::function<QDateTime()>;
    void setTrendClock(TrendClock clock) { m_trendClock = std::move(clock); }
    QDateTime trendNow() const;
    // The colour picker of the series rows; an invalid colour means it was cancelled.
    using ColourChooser = std::function<QColor(QWidget *parent, const QColor &initial)>;
    void setColourChooser(ColourChooser chooser) { m_colourChooser = std::move(chooser); }
    // The data a drawn series shows: its own live curve, or for a scaled copy its row's curve
    // and the map onto the selected row's scale; curve null for a series without live data.
    struct DrawnCurve
    {
        const TrendCurve *curve = nullptr;
        bool mapped = false;
        TrendRules::ScaleMap map;
    };
    DrawnCurve drawnCurve(QtCharts::QXYSeries *series) const;
    // What a row shows at a guide's second: the sample of its base series that holds there (the
    // last one at or before it, until its label's next poll is due), read for a search's curve
    // from the stored history rather than from the thinned drawn points, and the height it is
    // drawn at on `drawn` (the base itself or a scaled copy of it).
    GuideReadout::Sample guideSample(QtCharts::QXYSeries *drawn, QtCharts::QXYSeries *base,
                                     qint64 secondMs);
    // The samples behind a live series, for filling it from elsewhere; null for any other series.
    TrendCurve *trendCurve(QtCharts::QXYSeries *series);
    // Gives every shown series its visible window again (all of them with force, else those
    // whose window moved a pixel column).
    // Empties the visible drawn series, which the next feedDrawnSeries(true) fills again.
    void clearDrawnSeries();
    void feedDrawnSeries(bool force);
    bool colorComponents(const QColor &a, const QColor &b) const;
    // Moves both guide times by `seconds`, then fills the readouts at the guide lines
    // (app/trend/mainwindow_guides.cpp).
    void updateGuideReadouts(int seconds = 0);
    int samplingSeconds = 1;
    bool connectionGood = false;
    // The timer that feeds each live series.
    QMap<QtCharts::QLineSeries *, QTimer *> seriesTimers;

    // Report and housekeeping (app/trend/mainwindow_report.cpp)
    HistoryTrim *historyTrim() { return &m_historyTrim; }

signals:
    // The write entry of the label table chose a label: its row, address and current value.
    void labelWriteRequested(int row, const QString &label, double value);
    // Every 30 s while monitoring runs: time to trim the history by size and age.
    void historyHousekeepingDue();

public slots:
    // Core (mainwindow.cpp)
    void onDialogClosed();
    void handleCustomButtonClick(QString message);

    // Project (mainwindow_project.cpp)
    void newProject(QString filepath, QString driveName);

    // Monitoring (mainwindow_monitor.cpp)
    // One tick of the monitor timer.
    void onMonitorTimeout();
    // Element 0 of var as a number; a string label's text goes into strdata instead (0 back).
    double handleDataType(DataType datatype, CLabelVariable var, QStandardItem *strdata);
    // Writes value to the label the write dialog was opened for, if row Indexcow still holds it;
    // the dialog's exact value when value is its confirmation.
    void onsetValue(int Indexcow, double value);

    // Label table (mainwindow_labeltable.cpp)
    void onMenuAddlabelClicked();
    void onMenuWritelabelClicked();
    void onMenuDellabelClicked();
    void onMenuHideDataClicked();
    void onMenuImportLabelClicked();
    void onMenuExportLableClicked();
    void onShowlabelMenuMenu(const QPoint &pos);
    void handleItemChanged(QStandardItem *item);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    // Core (mainwindow.cpp), connected by name
    void on_action_closeAPP_triggered();
    void on_action_Chinese_triggered();
    void on_action_English_triggered();
    void on_action_openMM_triggered();
    void on_action_closeMM_triggered();
    void on_action_permissionsSettings_triggered();
    void on_actionDatabase_triggered();
    void on_action_Tray_triggered();
    void on_pushButton_stopEdit_clicked();
    void on_action_SetLink_triggered();
    void on_tabWidget_currentChanged(int index);

    // Project (mainwindow_project.cpp), connected by name
    void on_action_newPro_triggered();
    void on_action_openPro_triggered();
    void on_action_savePro_triggered();

    // Label table (mainwindow_labeltable.cpp), connected by name
    void on_pushButton_hide_clicked();

    // Monitoring (mainwindow_monitor.cpp), connected by name
    void on_pushButton_startMonitor_clicked();
    void on_pushButton_stopMonitor_clicked();

    // Device (app/device/mainwindow_device.cpp), connected by name
    void on_pushButton_COM_ClearFlashData_clicked();
    void on_pushButton_COM_CheckTime_clicked();
    void on_pushButton_COM_ClearDatabaseData_clicked();
    void on_pushButton_COM_ReadOff_clicked();
    void on_pushButton_B_RecData_clicked();
    void on_pushButton_B_ClearDBData_clicked();
    void on_pushButton_B_ClearFlashData_clicked();
    void on_pushButton_openbinfile_clicked();
    void on_pushButton_bindownload_clicked();
    void on_button_MQTT_clicked();
    void on_button_Serial_clicked();
    void on_pushButton_B_Link_clicked();
    // One step of the Bluetooth module's sequence; called directly, never connected.
    void RecSol(QString messages);

    // Trend (app/trend/mainwindow_trend.cpp)
    void on_backgroundColorSelect_activated(int index);
    void on_samplingTime_currentIndexChanged(int index);
    void on_rangeTime_currentIndexChanged(int index);
    void on_tableWidget_itemChanged(QTableWidgetItem *item);
    void on_pushButton_currentTime_clicked();
    void onCellClicked(int row, int column);
    void updateTimeLine();
    void onShowChartMenu(const QPoint &pos);
    void onMenuAddChartClicked();
    void onMenuDeleteChartClicked();
    void updateLineSeries(QtCharts::QLineSeries *series, const QString &label, QTimer *timer0,
                          QCheckBox *checkBox_15);
    void lineisVisit(int state, int addrow);
    void isModifyContent(int state, QTableWidgetItem *item1, QTableWidgetItem *item2);
    void changeButtonColor(QPushButton *button, QLabel *label, QtCharts::QLineSeries *series);

    // Report and housekeeping (app/trend/mainwindow_report.cpp)
    void trimHistoryData();
    void on_saveWave_clicked();

    // Trend history and sections (app/trend/mainwindow_history.cpp), connected by name
    void on_addData_clicked();
    void on_deleteData_clicked();
    void on_modifyData_clicked();
    void on_dataClassification_activated(int index);
    void on_refresh_clicked();
    void on_StartandPause_clicked();
    void on_searchfor_clicked();
    void on_goBack1min_clicked();
    void on_goBack15s_clicked();
    void on_fastForwardfor15s_clicked();
    void on_fastForwardfor1min_clicked();

private:
    // Core (mainwindow.cpp)
    void applyStyles();
    void styleLoggerButtons();
    void setEditingUnlocked(bool unlocked);
    void readProgramSettings();
    void applyInstanceMode();
    void switchInstanceMode(const QString &mode);
    void selectLanguage(const QString &language);
    void loadTranslators(const QString &language);
    void installTranslators();
    void retranslateOwnTexts();
    void initSystemTray();
    QMenu *createTrayMenu();
    void setMenuActionsEnabled(bool enabled);
    void askToQuit();
    void quitApplication();

    // Label table (mainwindow_labeltable.cpp)
    void initLabelTable();
    void setLabelHeaders();
    void clearLabelRows();
    // The columns that say what a row reads: the address and the data type.
    static bool definesRead(int column);
    // Closes, unsaved, an editor open on such a cell.
    void closeReadCellEditor();

    // Project (mainwindow_project.cpp)
    QString driverDir() const;
    // The history database of projectPath in the current instance mode, absolute.
    QString historyDatabasePathFor(const QString &projectPath) const;
    // Creates the file and its tables where missing. On failure a box names the file, the
    // reason and what was not done (consequence), and the result is false.
    bool ensureHistoryDatabase(const QString &path, const QString &consequence = QString());
    // The box of a history file that cannot be made or opened: what failed, the file, why.
    void reportHistoryFileFailure(const QString &what, const QString &path, const QString &reason,
                                  const QString &consequence);
    // Moves the open project's history to the file path (made already) once its project row is
    // found or made there; else a box, and the project stays on the file it had.
    bool moveProjectHistory(const QString &path, const QString &consequence);
    void openProjectSettings();
    void updateStartButton();

    // Monitoring (mainwindow_monitor.cpp)
    void initMonitoring();
    // Loads the library at path and takes its driver object; reports a failure.
    bool bindDriver(const QString &path);
    void startMonitoring();
    void runStopSequence();
    void setMonitorControls(bool running);
    // Disables what must not run inside the handshake; gives back what it disabled.
    QList<QAction *> holdControlsWhileConnecting();
    void releaseControlsAfterConnecting(const QList<QAction *> &held);
    void showUnservedRefusals(CDriveBaseClass *d, const QMap<Induction::SReadInfo, bool> &served,
                              const LabelRowIndex &rows);
    // A box after the tick. A link warning waits for none: while a box is open or waiting it is
    // left out; with queue, the text waits its turn.
    void warnLater(const QString &text, bool queue = false);
    void showPendingWarning();
    // Whether a box must wait now (see showPendingWarning).
    bool boxesHeld() const;
    // The report's query or workbook save has ended: the samples it kept back and the boxes
    // that waited for it.
    void reportWorkEnded();
    // At exit: stores what the running tick has read and closes the driver's connection as the
    // stop sequence does, without a box.
    void stopMonitoringForExit();
    void sendHeldWrites();
    QString writeResultText(const HeldWrite &write, int status) const;
    LabelRowIndex labelRowIndex() const;
    void applyReading(const Induction::SReadInfo &entry, const CLabelVariable &record,
                      const QList<int> &rows);
    void storeHistoryBatch();
    // The blocks of the running tick from the next one on, until a pause or the end.
    void runTickBlocks();
    void finishTick();
    // A press or move of the window itself, handed to the trend view at its place there.
    void forwardToTrendView(QMouseEvent *event);
    void showWriteDialog(int row, const QString &label, double value);
    bool rowHolds(const WriteTarget &target) const;
    void writeLabelValue(const WriteTarget &target, const WriteValue::Parsed &value);

    // Trend (app/trend/mainwindow_trend.cpp)
    void initSeriesTable();
    void initChartView();
    void setSeriesHeaders();
    void applyChartColors(QColor fg, QColor bg, QColor guide1, QColor guide2);
    // One series panel for label row labelRow, appended to the series table; its row. Without
    // live, the row has no series, timer or colour-button connection yet.
    int addSeriesPanel(int labelRow, bool live = true);
    // The live series of series row `row`, its update timer and colour-button connection.
    QtCharts::QLineSeries *addLiveSeries(int row);
    // The history series of series row `row` for a search of `label`: in the row's colour, on
    // both axes, kept in the companion table; the guides read it from the stored history.
    QtCharts::QLineSeries *addHistorySeries(int row, const QString &label);
    // The value that holds at a second on a series (see guideSample); false when none does.
    bool heldValue(QtCharts::QXYSeries *series, qint64 secondMs, double *value);
    // Hides every row's readout texts of both guides.
    void hideReadoutTexts();
    // Removes series row `row` with its series, copies, timer and readout texts.
    void removeSeriesRow(int row);
    void renumberSeriesRows();
    // Takes a series out of the chart and the trend's books and deletes it with its timer.
    void dropSeries(QtCharts::QXYSeries *series);
    // Gives a shown series its part of the time axis' window `shown` (by default the axis' own)
    // unless that window has not moved a pixel column since its last feed.
    void feedSeries(QtCharts::QXYSeries *series, bool force);
    void feedSeries(QtCharts::QXYSeries *series, bool force, const FedWindow &shown);
    // The time axis' range now, on the plot's pixel columns.
    FedWindow shownWindow() const;
    // Pixel columns of the plot area, which the drawn windows are thinned to.
    int plotColumns() const;
    int seriesRowOf(QtCharts::QXYSeries *series) const;
    int rowOfCellWidget(int column, const QWidget *widget) const;
    int labelRowOf(const QString &label) const;
    QColor rowColour(int row) const;
    // Writes a row's zero- and full-scale cells, editable.
    void setScaleCells(int row, const QString &zero, const QString &full);
    TrendRules::ScaleMap rowScaleOnto(int row, int selected) const;
    void makeScaledCopy(int row, int selected, int base);
    void restoreScaledView(int base);
    void showSelection(int row, int base);
    void setSeriesVisible(int row, int base);
    // The extremes the value axis returns to when the scaled view ends.
    void shownValueExtremes(float *max, float *min) const;

    // Report and housekeeping (app/trend/mainwindow_report.cpp)
    // 保存图像 and the report's buttons: as a project and a job on the serial link allow.
    void showReportButtons();

    // Trend history and sections (app/trend/mainwindow_history.cpp)
    // The series table's rows as section entries: label, zero and full scale texts.
    QList<SectionEntry> seriesSectionRows() const;
    // Fills both section lists from the project's settings file and shows section 1, or no
    // panel when there is none.
    void loadChartSections();
    // Tells that a section change did not reach the per-project settings file.
    void sectionsNotSaved();
    void endScaledView();
    // Removes every series row with all it holds.
    void clearSeriesRows();
    // Rebuilds the panels from section n; fromHistory: a switch (live curves start with the last
    // third of the window), else a refresh (empty curves, plain colour-button style).
    void showSection(int n, bool fromHistory);
    // The samples of each label in the window, in the order of labels; thinned to `columns`
    // pixel columns as a search draws them, every sample when columns < 1.
    QVector<QVector<HistorySample>> readHistories(const QStringList &labels,
                                                  const HistoryRules::Window &window,
                                                  int columns);
    // Appends the window's history to the live curves of rows, one point a second.
    void appendHistory(const QList<int> &rows, const HistoryRules::Window &window);
    void pauseTrend();
    void resumeTrend();
    void dropHistorySeries(int row);
    void setStepButtonsEnabled(bool enabled);
    // Guide lines released and hidden, the readouts of the first rows emptied.
    void resetHistoryGuides(int rows);
    void stepSearch(int seconds);
    // The outcome of a search in the status bar, in place of whatever an earlier action said.
    void showSearchStatus(const QString &text);

    // Device (app/device/mainwindow_device.cpp)
    class DeviceOperation;
    void initDeviceLink();
    void releaseDeviceLink();
    void startReadOff(DataLoggerProtocol::Wording wording);
    // One command frame on a link opened for it; the reply's text in a box.
    void runLoggerCommand(const QAbstractButton *job, const QByteArray &frame, int timeoutMs,
                          QString (*replyText)(const QByteArray &));
    int deviceWaitMs(int timeoutMs) const;
    // Mode 0 of sendFrame with the reply's length told: the first bytes within timeoutMs, the
    // rest of the reply in pieces no further apart than a data-logger reply may be.
    int exchangeReply(const QByteArray &frame, QByteArray *reply, int timeoutMs,
                      const DeviceLink::ReplyLength &replyLength);
    // Page 3's 连接 and 断开 after the serial link opened or closed, whichever page or event
    // did it.
    void showDeviceLinkButtons();
    // The line under the open link went away: the port is closed already.
    void onDeviceLinkLost();
    // Runs the event loop at most every paintEveryMs while a long device job waits or works.
    class KeepPainted;
    void keepWindowPainted();
    // The actions a device job refuses, gathered so that one switch greys them all out while
    // each keeps its own state for afterwards.
    void initDeviceJobGate();
    // The file buttons and fields of the device pages, which must not change under a job.
    void showDeviceFileControls();
    // The busy refusal of the serial lock.
    void showSerialBusy();
    // Refuses, saying why, what must not run during a device job; false when none runs.
    bool refuseDuringDeviceJob();
    // What a quit chosen during the job waits for, in the language of the moment; empty when
    // no quit waits.
    QString quitAfterJobText() const;
    // The exit during a device job: stop it, wait for it, or stay.
    void askToQuitDuringDeviceJob();
    void quitFromTray();
    QString readOffProgressText(int batches) const;

    // ---- Trend state (app/trend/mainwindow_trend.cpp) ----
    int rangeSeconds = 60;
    ChartDrawer *chartDrawer = nullptr;
    QMenu *chartMenu = nullptr;
    QAction *deleteChartAction = nullptr;
    // Keeps the series table's "PV" column and the scales in view on a narrow window.
    ColumnFitter *m_seriesColumns = nullptr;
    QTimer *timeLineTimer = nullptr;
    QDateTime windowNow;
    int sectionCount = 0;
    int seriesSelected = 0;
    int selectedRow = 0;
    bool historyShown = false;
    int historyStep = 0;
    // Set while the program itself writes the series table, whose every write is an itemChanged.
    bool isEditingSeries = false;
    float autoRangeMax = 1.0f;
    float autoRangeMin = 0.0f;
    // The samples of every live series, and the base and map of every scaled copy.
    struct ScaledCopy
    {
        QtCharts::QXYSeries *base = nullptr;
        TrendRules::ScaleMap map;
    };
    QHash<QtCharts::QXYSeries *, TrendCurve> m_trendCurves;
    QHash<QtCharts::QXYSeries *, ScaledCopy> m_scaledCopies;
    QHash<QtCharts::QXYSeries *, FedWindow> m_fedWindows;
    // The label each search curve was read for: the guides look its stored samples up.
    QHash<QtCharts::QXYSeries *, QString> m_historyLabels;
    TrendClock m_trendClock;
    ColourChooser m_colourChooser;

    // ---- Trend history (app/trend/mainwindow_history.cpp) ----
    // The local time of the last pause, where the resume's fill of the paused stretch starts.
    QDateTime pauseTime;
    // 1 from a search until the next resume.
    int historySeriesVisible = 0;
    // The extremes the last search drew; the value axis returns to them after a scaled view.
    float historyValueMax = 0.0f;
    float historyValueMin = 0.0f;
    // What the last search said; the resume takes it away with the history it spoke of.
    QString m_searchStatus;

    // ---- Report and housekeeping (app/trend/mainwindow_report.cpp) ----
    HistoryTrim m_historyTrim;

    // ---- Device state (app/device/mainwindow_device.cpp) ----
    bool m_deviceLinkOpen = false;

    // ---- Core (mainwindow.cpp) ----
    MainWindowServices m_services;
    QString m_dbFileName = QStringLiteral("HistoryData.db");
    Ui::MainWindow *ui;

    // ---- Label table (mainwindow_labeltable.cpp) ----
    QStandardItemModel *m_labelModel = nullptr;
    QMenu *m_labelMenu = nullptr;
    QList<QAction *> m_labelActions; // add, write, delete, import, export, to trend, hide
    bool m_labelEditing = false;
    // Keeps the value, unit and type columns in view on a narrow window.
    ColumnFitter *m_labelColumns = nullptr;

    // ---- Driver and monitoring (the monitoring issue's files) ----
    QLibrary m_driverLibrary;
    CDriveBaseClass *m_driver = nullptr;
    // The dialog the menu opens and the projects use; the second only lists serial ports.
    DialogSetLink *m_linkDialog = nullptr;
    DialogSetLink *m_portDialog = nullptr;
    DialogPermissions *m_permissionDialog = nullptr;
    DialogNewProject *m_newProjectDialog = nullptr;
    DialogDatabase m_databaseDialog;
    datasheet *m_datasheet = nullptr;
    Update_Bin *m_updateBin = nullptr;
    dialogSystemTray *m_trayDialog = nullptr;
    QTimer *m_monitorTimer = nullptr;
    bool m_monitoring = false;
    QString m_linkName;
    QString m_deviceText;
    QTimer *m_housekeepingTimer = nullptr;
    DialogWriteLabel *m_writeDialog = nullptr;
    PauseFunction m_pause;
    bool m_monitorRunning = false;
    // From a tick's start until its end, pauses between blocks included.
    bool m_tickRunning = false;
    TickProgress m_tick;
    QTimer *m_blockPauseTimer = nullptr;
    ClockFunction m_clock;
    // A driver call is under way (its waits process events): nothing else may call the driver.
    bool m_driverBusy = false;
    QList<HeldWrite> m_heldWrites;
    bool m_refusalsChecked = false;
    bool m_warningShown = false;
    QStringList m_pendingWarnings; // waiting for the end of the tick, shown one at a time
    bool m_exiting = false;        // the program is quitting: no box, no pause
    ConnectionWatch m_connectionWatch;
    HistoryBatch m_historyBatch;
    FailureRun m_historyFailures;

    // ---- Project (mainwindow_project.cpp) ----
    QString m_projectFileName;
    QString m_driverName;
    QString m_projectFolder;
    SQLiteHandler m_sqlite;
    // -1 when the database has no row for the project: nothing may then be stored.
    int m_projectId = 0;
    bool m_driverReady = false;

    // ---- Device serial link (app/device/mainwindow_device.cpp) ----
    QMutex m_serialLock;
    QSerialPort *m_serialPort = nullptr;
    std::unique_ptr<DeviceLink> m_deviceLink;
    std::unique_ptr<AtLinkSequence> m_atLink;
    LoggerImageDownload m_imageDownload;
    DeviceClockFunction m_deviceClock;
    int m_deviceWaitFloorMs = 0;
    // Set when the line went away under the open link, until the link is opened again.
    bool m_deviceLinkLost = false;
    QElapsedTimer m_paintClock;
    // Operations holding the serial lock (one at a time), and the button that began the job.
    int m_deviceOperations = 0;
    const QAbstractButton *m_deviceJobButton = nullptr;
    bool m_deviceJobShown = false;
    bool m_deviceStopRequested = false;
    bool m_quitAfterDeviceJob = false;
    QActionGroup *m_deviceJobGate = nullptr;
    // A refusal shown for a while.
    QString m_deviceNotice;
    QElapsedTimer m_deviceNoticeClock;
    int m_deviceNoticeMs = 0;

    // ---- Trend colours (app/trend/mainwindow_trend.cpp) ----
    QList<QColor> seriesColors;

    // ---- Settings, language and instance mode (mainwindow.cpp) ----
    QTranslator m_translator;
    // Qt's own catalogue for the same language; loaded for Chinese only.
    QTranslator m_qtTranslator;
    bool m_qtTranslatorLoaded = false;
    bool m_translatorInstalled = false;
    QString m_settingsFilePath;
    QString m_projectSettingsPath;
    bool m_settingsExisted = false;
    ProgramSettings *m_programSettings = nullptr; // lives until the process ends
    QSettings *m_projectSettings = nullptr;       // chart sections of the open project
    int m_projectOpen = 0;
    QString m_projectFilePath;
    QString m_lastProjectFolder;
    QString m_lastReportFolder;
    QString m_instanceMode = QStringLiteral("0");
    QList<Induction::SReadInfo> m_readList;

    // ---- Tray and permission lock (mainwindow.cpp) ----
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_trayEditAction = nullptr;
    QAction *m_trayShowAction = nullptr;
    QAction *m_trayQuitAction = nullptr;
    bool m_rights = false;
};
