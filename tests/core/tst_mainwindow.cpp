// The main window built offscreen in a temporary program folder: form objects,
// title, exit question, close without a tray, dialog gating, language switch, instance mode,
// tray label and the permission lock.
#include "chartdrawer.h"
#include "customcombobox.h"
#include "dialogdatabase.h"
#include "dialognewproject.h"
#include "dialogpermissions.h"
#include "dialogsetlink.h"
#include "dialogsystemtray.h"
#include "dialogwritelabel.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QSystemTrayIcon>

namespace {

const QString multipleZh = QString::fromUtf8(" \xe2\x80\x94\xe2\x80\x94 \xe5\xa4\x9a\xe5\xba\x94"
                                             "\xe7\x94\xa8\xe6\xa8\xa1\xe5\xbc\x8f");
const QString multipleEn = QString::fromUtf8(" \xe2\x80\x94\xe2\x80\x94 Multiple Mode");

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QList<QAction *> gatedActions(Ui::MainWindow *ui)
{
    return {ui->action_newPro,
            ui->action_openPro,
            ui->actionDatabase,
            ui->action_SetLink,
            ui->action_permissionsSettings,
            ui->action_Chinese,
            ui->action_English,
            ui->action_Tray};
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartWritesDefaults();
    void formObjects_data();
    void formObjects();
    void tabsAndMenus();
    void initialTitleAndStates();
    void exitQuestion_data();
    void exitQuestion();
    void closeWithoutTrayAsks();
    void dialogGating_data();
    void dialogGating();
    void languageSwitch();
    void qtOwnTextsFollowTheLanguage();
    void savedEnglishStartsEnglish();
    void instanceModeSwitch();
    void trayLabel();
    void trayMenu();
    void permissionRefused_data();
    void permissionRefused();
    void permissionLock_data();
    void permissionLock();

private:
    Ui::MainWindow *ui() const { return m_f.window->form(); }

    WindowFixture m_f;
};

void tst_MainWindow::init()
{
    m_f.setUp();
}

void tst_MainWindow::cleanup()
{
    // No file dialog belongs to these tests.
    QVERIFY(m_f.chooser->calls.isEmpty());
    m_f.tearDown();
}

void tst_MainWindow::firstStartWritesDefaults()
{
    m_f.create();
    QSettings file(m_f.dir->path() + "/settings.ini", QSettings::IniFormat);
    QCOMPARE(file.value("Language/language").toString(), QStringLiteral("Chinese"));
    QCOMPARE(file.value("Path/dPro").toString(), m_f.dir->path());
    QCOMPARE(file.value("Path/xlsx").toString(), m_f.dir->path());
    QCOMPARE(file.value("multiModeofAPP/Mode").toString(), QStringLiteral("0"));
    QCOMPARE(m_f.window->databaseFileName(), m_f.dir->filePath("HistoryData.db"));
    QVERIFY(m_f.guard->isHeld());
}

void tst_MainWindow::formObjects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");

    struct Row
    {
        const char *name;
        const char *className;
        const char *text;
        QStringList items;
    };
    const QList<Row> rows{
        {"centralwidget", "QWidget", nullptr, {}},
        {"tabWidget", "QTabWidget", nullptr, {}},
        {"menubar", "QMenuBar", nullptr, {}},
        {"statusbar", "QStatusBar", nullptr, {}},
        {"action_openPro", "QAction", "打开工程", {}},
        {"action_savePro", "QAction", "保存工程", {}},
        {"action_newPro", "QAction", "新建工程", {}},
        {"action_SetLink", "QAction", "通信设置", {}},
        {"actionDatabase", "QAction", "数据库设置", {}},
        {"action_Chinese", "QAction", "中文", {}},
        {"action_English", "QAction", "英文", {}},
        {"action_permissionsSettings", "QAction", "权限设置", {}},
        {"action_openMM", "QAction", "开启多应用模式", {}},
        {"action_closeMM", "QAction", "关闭多应用模式", {}},
        {"action_ReadOff", "QAction", "离线读取", {}},
        {"action_CheckTime", "QAction", "校对时间", {}},
        {"action_ClearData", "QAction", "清除数据", {}},
        {"action_closeAPP", "QAction", "关闭程序", {}},
        {"action_Tray", "QAction", "托盘标签设置", {}},
        {"menu_file", "QMenu", "文件", {}},
        {"menu_config", "QMenu", "设置", {}},
        {"menu", "QMenu", "语言设置", {}},
        {"menu_MM", "QMenu", "多应用模式", {}},
        // Page 0
        {"tableView_label", "QTableView", nullptr, {}},
        {"pushButton_hide", "QPushButton", "取消隐藏", {}},
        {"label_4", "QLabel", "覆盖时间：", {}},
        {"clearDays",
         "QComboBox",
         nullptr,
         {"1天", "3天", "5天", "10天", "15天", "1个月", "3个月", "6个月", "不覆盖"}},
        {"pushButton_stopMonitor", "QPushButton", "停止监视", {}},
        {"pushButton_stopEdit", "QPushButton", "停止编辑", {}},
        {"label_6", "QLabel", "采样时间：", {}},
        {"samplingTime",
         "QComboBox",
         nullptr,
         {"1秒", "2秒", "5秒", "10秒", "30秒", "60秒/1分钟", "120秒/2分钟", "300秒/5分钟"}},
        {"pushButton_startMonitor", "QPushButton", "开始监视", {}},
        {"label_5", "QLabel", "最大使用内存：", {}},
        {"maxMemory", "QComboBox", nullptr, {"10M", "50M", "100M", "500M", "1G"}},
        // Page 1
        {"tableWidget", "QTableWidget", nullptr, {}},
        {"dataTableWidget", "QTableWidget", nullptr, {}},
        {"StartandPause", "QPushButton", "暂停", {}},
        {"label_2", "QLabel", "背景颜色", {}},
        {"backgroundColorSelect", "CustomComboBox", nullptr, {"", "", ""}},
        {"saveWave", "QPushButton", "保存图像", {}},
        {"dataClassification", "QComboBox", nullptr, {}},
        {"addData", "QPushButton", "添加", {}},
        {"deleteData", "QPushButton", "删除", {}},
        {"modifyData", "QPushButton", "保存", {}},
        {"startTime", "QLabel", "开始时间", {}},
        {"startDateTimeEdit", "QDateTimeEdit", nullptr, {}},
        {"viewTime", "QLabel", "查看时间", {}},
        {"rangeTime",
         "QComboBox",
         nullptr,
         {"1分钟", "3分钟", "5分钟", "10分钟", "15分钟", "30分钟", "1小时", "2小时", "3小时",
          "6小时", "12小时", "24小时/1天", "3天", "7天"}},
        {"searchfor", "QPushButton", "查询", {}},
        {"goBack1min", "QPushButton", "<<", {}},
        {"goBack15s", "QPushButton", "<", {}},
        {"refresh", "QPushButton", "", {}},
        {"fastForwardfor15s", "QPushButton", ">", {}},
        {"fastForwardfor1min", "QPushButton", ">>", {}},
        {"verticalLayout", "QVBoxLayout", nullptr, {}},
        // Page 2
        {"label", "QLabel", "开始时间：", {}},
        {"dateTimeStart", "QDateTimeEdit", nullptr, {}},
        {"label_3", "QLabel", "结束时间：", {}},
        {"dateTimeEnd", "QDateTimeEdit", nullptr, {}},
        {"pushButton_currentTime", "QPushButton", "当前时间", {}},
        {"label_7", "QLabel", "列标题：", {}},
        {"columnHeading", "QComboBox", nullptr, {"标签", "描述"}},
        {"label_8", "QLabel", "数据组：", {}},
        {"dataClassification1", "QComboBox", nullptr, {}},
        {"queryData", "QPushButton", "查询数据", {}},
        {"saveReport", "QPushButton", "保存报表", {}},
        {"reportTable", "QTableView", nullptr, {}},
        // Page 3
        {"label_17", "QLabel", "Bin文件", {}},
        {"pb_Connect", "QPushButton", "连接", {}},
        {"label_13", "QLabel", "进度：", {}},
        {"pb_openfile", "QPushButton", "打开APP文件", {}},
        {"label_11", "QLabel", "Vexmar文件：", {}},
        {"pb_Disconnect", "QPushButton", "断开", {}},
        {"devesn", "QLineEdit", nullptr, {}},
        {"pb_openfile_vexmar", "QPushButton", "打开Vexmar文件", {}},
        {"label_18", "QLabel", "数据：", {}},
        {"textBrowser", "QTextBrowser", nullptr, {}},
        {"label_10", "QLabel", "APP文件：", {}},
        {"progressBar_2", "QProgressBar", nullptr, {}},
        {"filepath", "QLineEdit", "", {}},
        {"filepath_vexmar", "QLineEdit", "", {}},
        {"pushButton_openbinfile", "QPushButton", "打开文件", {}},
        {"label_16", "QLabel", "进度：", {}},
        {"lineEdit_binpath", "QLineEdit", "", {}},
        {"label_19", "QLabel", "通信方式：", {}},
        {"pb_reboot", "QPushButton", "重启APP版本", {}},
        {"pb_update", "QPushButton", "更新APP", {}},
        {"label_14", "QLabel", "ESN：", {}},
        {"progressBar", "QProgressBar", nullptr, {}},
        {"pb_version", "QPushButton", "获取版本信息", {}},
        {"pb_update_vexmar", "QPushButton", "更新Vexmar", {}},
        {"progressBar_vexmar", "QProgressBar", nullptr, {}},
        {"pushButton_bindownload", "QPushButton", "Bin下载", {}},
        {"version", "QLineEdit", "1", {}},
        {"button_Serial", "QRadioButton", "串口通信", {}},
        {"button_MQTT", "QRadioButton", "MQTT通信", {}},
        {"label_12", "QLabel", "设置APP版本", {}},
        {"pb_reboot_vexmar", "QPushButton", "重启Vexmar版本", {}},
        {"label_9", "QLabel", "进度：", {}},
        {"version_vexmar", "QLineEdit", "1", {}},
        {"label_15", "QLabel", "设置Vexmar版本", {}},
        // Page 5
        {"label_22", "QLabel", "    串口连接", {}},
        {"pushButton_COM_ReadOff", "QPushButton", "离线读取设备数据", {}},
        {"pushButton_COM_CheckTime", "QPushButton", "校准设备时间", {}},
        {"pushButton_COM_ClearFlashData", "QPushButton", "清除设备存储数据", {}},
        {"pushButton_COM_ClearDatabaseData", "QPushButton", "清除本地数据库", {}},
        {"label_23", "QLabel", "    蓝牙连接", {}},
        {"label_20", "QLabel", "蓝牙名称", {}},
        {"BlueToothName", "QTextEdit", nullptr, {}},
        {"label_24", "QLabel", "串口号", {}},
        {"comboBox_comB", "QComboBox", nullptr, {}},
        {"pushButton_B_Link", "QPushButton", "蓝牙连接", {}},
        {"pushButton_B_RecData", "QPushButton", "接收数据", {}},
        {"pushButton_B_ClearDBData", "QPushButton", "清除数据库数据", {}},
        {"pushButton_B_ClearFlashData", "QPushButton", "清除内存数据", {}},
        {"label_21", "QLabel", "文件名称", {}},
        {"BlueToothFileName", "QTextEdit", nullptr, {}},
    };
    for (const Row &row : rows) {
        QStringList items;
        for (const QString &item : row.items)
            items << item;
        QTest::newRow(row.name) << QString::fromLatin1(row.name)
                                << QString::fromLatin1(row.className)
                                << (row.text ? QString::fromUtf8(row.text) : QString()) << items;
    }
}

void tst_MainWindow::formObjects()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    QFETCH(QStringList, items);

    m_f.create();
    QObject *object = m_f.window->findChild<QObject *>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    if (!text.isNull()) {
        const char *property = qobject_cast<QMenu *>(object) ? "title" : "text";
        QCOMPARE(object->property(property).toString(), text);
    }
    if (auto *combo = qobject_cast<QComboBox *>(object)) {
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        QCOMPARE(shown, items);
    }
}

void tst_MainWindow::tabsAndMenus()
{
    m_f.create();
    const QStringList tabs{zh("标签数据"), zh("趋势图"),     zh("报表"),
                           zh("程序下载"), zh("标签数据区"), zh("数据管理")};
    const QList<QWidget *> pages{ui()->tab,   ui()->tab_3, ui()->tab_5,
                                 ui()->tab_2, ui()->tab_4, ui()->tab_6};
    QCOMPARE(ui()->tabWidget->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(ui()->tabWidget->tabText(i), tabs[i]);
        QCOMPARE(ui()->tabWidget->widget(i), pages[i]);
    }
    QCOMPARE(ui()->tabWidget->currentIndex(), 0);

    auto names = [](const QList<QAction *> &actions) {
        QStringList result;
        for (QAction *a : actions)
            result << (a->menu() ? a->menu()->objectName() : a->objectName());
        return result;
    };
    QCOMPARE(names(ui()->menubar->actions()), (QStringList{"menu_file", "menu_config"}));
    QCOMPARE(names(ui()->menu_file->actions()),
             (QStringList{"action_newPro", "action_openPro", "action_savePro", "action_closeAPP"}));
    QCOMPARE(names(ui()->menu_config->actions()),
             (QStringList{"action_SetLink", "actionDatabase", "menu", "action_permissionsSettings",
                          "menu_MM", "action_Tray"}));
    QCOMPARE(names(ui()->menu->actions()), (QStringList{"action_Chinese", "action_English"}));
    QCOMPARE(names(ui()->menu_MM->actions()), (QStringList{"action_openMM", "action_closeMM"}));
    // Three actions exist but sit in no menu.
    for (QAction *a : {ui()->action_ReadOff, ui()->action_CheckTime, ui()->action_ClearData}) {
        for (QWidget *w : a->associatedWidgets())
            QVERIFY2(!qobject_cast<QMenu *>(w), qPrintable(a->objectName()));
    }
    QCOMPARE(ui()->action_savePro->toolTip(), zh("保存工程"));
}

void tst_MainWindow::initialTitleAndStates()
{
    m_f.create();
    QCOMPARE(m_f.window->windowTitle(), QStringLiteral("Morvelin V1.8.5"));
    QCOMPARE(m_f.window->objectName(), QStringLiteral("parentWidget"));
    QVERIFY(!ui()->menu_MM->isEnabled());
    QVERIFY(!ui()->action_savePro->isEnabled());
    QVERIFY(!ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(ui()->action_openMM->isEnabled());
    QVERIFY(!ui()->action_closeMM->isEnabled());
    QVERIFY(ui()->pushButton_stopEdit->isHidden());
    QVERIFY(ui()->BlueToothName->isHidden());
    QCOMPARE(ui()->clearDays->currentIndex(), 8);
    QCOMPARE(ui()->maxMemory->currentIndex(), 4);
    QVERIFY(m_f.window->trendView());
    QCOMPARE(m_f.window->labelModel()->columnCount(), 6);
    QCOMPARE(ui()->tableWidget->columnCount(), 17);
    QCOMPARE(m_f.window->trayIcon()->toolTip(), zh("新设备"));
}

void tst_MainWindow::exitQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes quits") << true;
    QTest::newRow("No stays") << false;
}

void tst_MainWindow::exitQuestion()
{
    QFETCH(bool, yes);
    m_f.create();
    m_f.window->show();
    m_f.prompt->expect("question", zh("确认退出"), zh("确定要退出程序吗？"), yes);
    ui()->action_closeAPP->trigger();
    QCOMPARE(m_f.prompt->shown, 1);
    QCOMPARE(m_f.quits, yes ? 1 : 0);
    QVERIFY(m_f.window->isVisible());
}

void tst_MainWindow::closeWithoutTrayAsks()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this platform has a system tray; closing hides the window there");
    m_f.create();
    m_f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_f.window.get()));
    m_f.prompt->expect("question", zh("确认退出"), zh("确定要退出程序吗？"), false);
    QVERIFY(!m_f.window->close());
    QVERIFY(m_f.window->isVisible());
    QCOMPARE(m_f.quits, 0);
}

void tst_MainWindow::dialogGating_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("ending");
    const QList<QPair<const char *, QString>> dialogs{
        {"tray label", "action_Tray"},
        {"database", "actionDatabase"},
        {"permissions", "action_permissionsSettings"},
        {"link settings", "action_SetLink"},
        {"new project", "action_newPro"},
        {"write", "write"},
    };
    // Esc hides a dialog without a close event; the close button sends one.
    for (const auto &dialog : dialogs) {
        for (const QString ending : {"Esc", "close button"})
            QTest::addRow("%s, %s", dialog.first, qPrintable(ending)) << dialog.second << ending;
    }
}

void tst_MainWindow::dialogGating()
{
    QFETCH(QString, action);
    QFETCH(QString, ending);
    m_f.create();
    m_f.window->show();
    QWidget *dialog = nullptr;
    if (action == "write") {
        m_f.window->addLabelRow({"", "LW1", "", "", "", "Int16"});
        emit m_f.window->labelWriteRequested(0, "LW1", 0);
        dialog = m_f.window->writeDialog();
    } else {
        m_f.window->findChild<QAction *>(action)->trigger();
        if (action == "action_Tray")
            dialog = m_f.window->findChild<dialogSystemTray *>();
        else if (action == "actionDatabase")
            dialog = m_f.window->databaseDialog();
        else if (action == "action_SetLink")
            dialog = m_f.window->linkDialog();
        else if (action == "action_newPro")
            dialog = m_f.window->newProjectDialog();
        else
            dialog = m_f.window->findChild<DialogPermissions *>();
    }
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!m_f.window->centralWidget()->isEnabled());
    if (action != "write") {
        for (QAction *a : gatedActions(ui()))
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    }

    QSignalSpy closed(dialog, SIGNAL(Closed()));
    if (ending == "Esc")
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        QVERIFY(dialog->close());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(closed.count(), 1);
    QVERIFY(m_f.window->centralWidget()->isEnabled());
    for (QAction *a : gatedActions(ui()))
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));

    // Opened and ended again: the window is as usable as the first time.
    if (action != "write") {
        m_f.window->findChild<QAction *>(action)->trigger();
        QVERIFY(dialog->isVisible());
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCOMPARE(closed.count(), 2);
        QVERIFY(m_f.window->centralWidget()->isEnabled());
    }
}

void tst_MainWindow::languageSwitch()
{
    m_f.create();
    ui()->samplingTime->setCurrentIndex(3);
    m_f.guard->acquire();
    m_f.prompt->expect("information", zh("提示"), zh("多应用模式已开启。"));
    ui()->action_openMM->trigger();
    QCOMPARE(m_f.window->windowTitle(), "Morvelin V1.8.5" + multipleZh);

    ui()->action_English->trigger();
    QCOMPARE(ui()->tabWidget->tabText(1), QStringLiteral("Trend"));
    QCOMPARE(ui()->menu_file->title(), QStringLiteral("File"));
    QCOMPARE(ui()->action_openPro->text(), QStringLiteral("Open Project"));
    QCOMPARE(ui()->samplingTime->itemText(3), QStringLiteral("10 s"));
    QCOMPARE(ui()->samplingTime->currentIndex(), 3);
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << m_f.window->labelModel()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"Time", "Tag/Address", "Description", "Current value", "Unit",
                                   "Data Type"}));
    QCOMPARE(ui()->tableWidget->horizontalHeaderItem(0)->text(), QStringLiteral("No"));
    QCOMPARE(ui()->tableWidget->horizontalHeaderItem(16)->text(), QStringLiteral("Auto scale"));
    QCOMPARE(m_f.window->labelMenu()->actions().last()->text(), QStringLiteral("Hide"));
    QCOMPARE(m_f.window->trayMenu()->actions().last()->text(), QStringLiteral("Quit"));
    QCOMPARE(m_f.window->windowTitle(), "Morvelin V1.8.5" + multipleEn);
    // The dialogs follow on the language-change event the catalogue posts.
    QTRY_COMPARE_WITH_TIMEOUT(m_f.window->linkDialog()->windowTitle(),
                              QStringLiteral("Link Settings"), 5000);
    QCOMPARE(m_f.window->newProjectDialog()->windowTitle(), QStringLiteral("New Project"));
    QCOMPARE(m_f.window->databaseDialog()->windowTitle(), QStringLiteral("Database Settings"));
    QCOMPARE(m_f.window->databaseDialog()->findChild<QLabel *>("label")->text(),
             QStringLiteral("Database"));
    QCOMPARE(m_f.window->programSettings()->value("Language/language").toString(),
             QStringLiteral("English"));

    // Switching back removes the English catalogue rather than stacking both.
    ui()->action_Chinese->trigger();
    QCOMPARE(ui()->tabWidget->tabText(1), zh("趋势图"));
    QCOMPARE(m_f.window->windowTitle(), "Morvelin V1.8.5" + multipleZh);
    QTRY_COMPARE_WITH_TIMEOUT(m_f.window->databaseDialog()->windowTitle(), zh("数据库配置"), 5000);
    QCOMPARE(m_f.window->databaseDialog()->findChild<QLabel *>("label")->text(), zh("数据库"));
    QSettings file(m_f.dir->path() + "/settings.ini", QSettings::IniFormat);
    QCOMPARE(file.value("Language/language").toString(), QStringLiteral("Chinese"));
    QCOMPARE(file.value("multiModeofAPP/Mode").toString(), QStringLiteral("1"));
}

void tst_MainWindow::qtOwnTextsFollowTheLanguage()
{
    // Standard buttons and Qt's own file dialog speak the window's language, at start and
    // after each switch.
    m_f.create();
    QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::Cancel);
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    const QLabel *lookIn = files.findChild<QLabel *>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), zh("取消"));
    QCOMPARE(buttons.button(QDialogButtonBox::Yes)->text(), zh("是(&Y)"));
    QCOMPARE(lookIn->text(), zh("查找范围："));

    ui()->action_English->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(buttons.button(QDialogButtonBox::Cancel)->text(),
                              QStringLiteral("Cancel"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(lookIn->text(), QStringLiteral("Look in:"), 5000);

    ui()->action_Chinese->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(buttons.button(QDialogButtonBox::Cancel)->text(), zh("取消"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(lookIn->text(), zh("查找范围："), 5000);
}

void tst_MainWindow::savedEnglishStartsEnglish()
{
    {
        QSettings file(m_f.dir->path() + "/settings.ini", QSettings::IniFormat);
        file.setValue("Language/language", "English");
        file.setValue("multiModeofAPP/Mode", "1");
    }
    m_f.create();
    QCOMPARE(ui()->tabWidget->tabText(0), QStringLiteral("Label Data"));
    QVERIFY(!m_f.guard->isHeld()); // multiple-instance mode holds nothing at start
    // The change event that installing the catalogue posts completes the title.
    QTRY_COMPARE_WITH_TIMEOUT(m_f.window->windowTitle(), "Morvelin V1.8.5" + multipleEn, 5000);
    QVERIFY(!ui()->action_openMM->isEnabled());
    QVERIFY(ui()->action_closeMM->isEnabled());
}

void tst_MainWindow::instanceModeSwitch()
{
    m_f.create();
    m_f.prompt->expect("information", zh("提示"), zh("多应用模式已开启。"));
    ui()->action_openMM->trigger();
    QCOMPARE(m_f.window->instanceMode(), QStringLiteral("1"));
    QVERIFY(!ui()->action_openMM->isEnabled());
    QVERIFY(ui()->action_closeMM->isEnabled());

    // Back to single-instance mode with no project: the shared history file is created.
    m_f.prompt->expect("information", zh("提示"), zh("单应用模式已开启。"));
    ui()->action_closeMM->trigger();
    QCOMPARE(m_f.window->windowTitle(), QStringLiteral("Morvelin V1.8.5"));
    QCOMPARE(m_f.window->databaseFileName(), m_f.dir->filePath("HistoryData.db"));
    QVERIFY(QFileInfo::exists(m_f.dir->path() + "/HistoryData.db"));
    QSettings file(m_f.dir->path() + "/settings.ini", QSettings::IniFormat);
    QCOMPARE(file.value("multiModeofAPP/Mode").toString(), QStringLiteral("0"));
    QVERIFY(m_f.guard->isHeld());
}

void tst_MainWindow::trayLabel()
{
    m_f.create();
    ui()->action_Tray->trigger();
    auto *dialog = m_f.window->findChild<dialogSystemTray *>();
    QVERIFY(dialog->isVisible());
    dialog->findChild<QLineEdit *>("lineEdit")->setText("Line 3");
    dialog->findChild<QPushButton *>("pushButton_OK")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(m_f.window->trayIcon()->toolTip(), QStringLiteral("Line 3"));
    QVERIFY(ui()->action_Tray->isEnabled());

    // An empty label keeps the previous one.
    m_f.window->handleCustomButtonClick(QString());
    QCOMPARE(m_f.window->trayIcon()->toolTip(), QStringLiteral("Line 3"));
}

void tst_MainWindow::trayMenu()
{
    m_f.create();
    QStringList texts;
    for (QAction *a : m_f.window->trayMenu()->actions())
        texts << a->text();
    QCOMPARE(texts, (QStringList{zh("修改托盘标签"), zh("显示窗口"), zh("退出")}));
    QVERIFY(m_f.window->trayIcon()->isVisible());
    m_f.window->hide();
    m_f.window->trayMenu()->actions().at(1)->trigger();
    QVERIFY(m_f.window->isVisible());

    // The tray's exit quits without a question.
    m_f.window->trayMenu()->actions().at(2)->trigger();
    QCOMPARE(m_f.quits, 1);
    QCOMPARE(m_f.prompt->shown, 0);
}

void tst_MainWindow::permissionRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("crossed") << "tovek"
                             << "kavrum@4682";
    QTest::newRow("case") << "MIRN"
                          << "kavrum@4682";
    QTest::newRow("blank") << "tovek"
                           << " tovek";
}

void tst_MainWindow::permissionRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    m_f.create();
    ui()->action_permissionsSettings->trigger();
    auto *dialog = m_f.window->findChild<DialogPermissions *>();
    auto *userEdit = dialog->findChild<QLineEdit *>("lineEditUserName");
    auto *passwordEdit = dialog->findChild<QLineEdit *>("lineEditPassword");
    QCOMPARE(passwordEdit->echoMode(), QLineEdit::Password);
    userEdit->setText(user);
    passwordEdit->setText(password);
    m_f.prompt->expect("warning", zh("警告"), zh("用户名或密码错误"));
    dialog->findChild<QPushButton *>("pushButtonOK")->click();
    QVERIFY(dialog->isVisible());
    QVERIFY(userEdit->text().isEmpty());
    QVERIFY(passwordEdit->text().isEmpty());
    QVERIFY(!m_f.window->hasRights());
    QVERIFY(!ui()->menu_MM->isEnabled());
}

void tst_MainWindow::permissionLock_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("first pair") << "tovek"
                                << "tovek";
    QTest::newRow("second pair") << "mirn"
                                 << "kavrum@4682";
}

void tst_MainWindow::permissionLock()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    m_f.create();
    m_f.window->show();
    m_f.window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    QStandardItemModel *model = m_f.window->labelModel();
    QList<QAction *> labelActions = m_f.window->labelMenu()->actions();

    ui()->action_permissionsSettings->trigger();
    auto *dialog = m_f.window->findChild<DialogPermissions *>();
    dialog->findChild<QLineEdit *>("lineEditUserName")->setText(user);
    dialog->findChild<QLineEdit *>("lineEditPassword")->setText(password);
    dialog->findChild<QPushButton *>("pushButtonOK")->click();

    QVERIFY(!dialog->isVisible());
    QVERIFY(m_f.window->hasRights());
    QVERIFY(!ui()->pushButton_stopEdit->isHidden());
    // Closing the login dialog must not offer the login again while unlocked.
    QVERIFY(!ui()->action_permissionsSettings->isEnabled());
    QVERIFY(ui()->menu_MM->isEnabled());
    QVERIFY(labelActions[0]->isEnabled());
    QVERIFY(!labelActions[1]->isEnabled()); // writing needs an open project
    QVERIFY(labelActions[2]->isEnabled());
    // The type cell too: its selector opens only while editing is on.
    for (int c : {0, 1, 2, 4, 5})
        QVERIFY2(model->item(0, c)->isEditable(), qPrintable(QString::number(c)));
    QVERIFY(!model->item(0, 3)->isEditable());
    QVERIFY(m_f.window->labelEditingEnabled());
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("权限开启"));

    ui()->pushButton_stopEdit->click();
    QVERIFY(!m_f.window->hasRights());
    QVERIFY(ui()->pushButton_stopEdit->isHidden());
    QVERIFY(ui()->action_permissionsSettings->isEnabled());
    QVERIFY(!ui()->menu_MM->isEnabled());
    QVERIFY(!labelActions[0]->isEnabled());
    QVERIFY(!labelActions[2]->isEnabled());
    for (int c : {0, 1, 2, 4, 5})
        QVERIFY(!model->item(0, c)->isEditable());
    QCOMPARE(model->item(0, 3)->text(), QStringLiteral("12.5"));
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("权限关闭"));
}

QTEST_MAIN(tst_MainWindow)

#include "tst_mainwindow.moc"
