// Projects in the main window against real files: the new-project dialog, open and save, the
// history database by instance mode with its project row, the driver-name check, the link and
// the chart sections restored, and the failures the user is told about.
#include "dialognewproject.h"
#include "dialogsetlink.h"
#include "projectfile.h"
#include "sqlitehandler.h"
#include "sqlrows.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A history file whose "project" table refuses every new row ("refused").
void makeRowlessDatabase(const QString &path)
{
    QVERIFY(SQLiteHandler::createDatabase(path));
    QCOMPARE(sqlRows(path, "CREATE TRIGGER refuse BEFORE INSERT ON project "
                           "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
             QStringList());
}

} // namespace

class tst_ProjectWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void programOffersSystemDriversOnly();
    void newSaveAndReopen();
    void newProjectRefusesExistingOrUnwritableFile();
    void historyDatabaseByMode_data();
    void historyDatabaseByMode();
    void modeSwitchMovesOpenProject();
    void modeSwitchRefusedWithoutProjectRow();
    void driverNameChecked_data();
    void driverNameChecked();
    void noProjectRowKeepsMonitoringOff();
    void malformedFileOpensNothing_data();
    void malformedFileOpensNothing();
    void uncreatableDatabaseBoxUntranslated();
    void projectNamedSettingsKeepsProgramSettings();
    void failedSaveReported();
    void unsavableCharacterNamedAndSavedMessageGone();
    void importLeavesOutWhatCannotBeSaved();
    void randomBytesKeepTheDemoLabels();
    void unknownTypeNamedAndKept();
    void linkRestored_data();
    void linkRestored();
    void chartSectionsAndFolders();
    void dataLoggerPortsRefreshed();

private:
    void makeDriver(const QString &name);
    void setMode(const QString &mode);
    // A project file with driver LibTest and the given labels in folder sub of the program folder.
    QString writeProject(const QString &sub, const QString &name, const QString &driver,
                         const QList<LabelRow> &labels = {});
    void open(const QString &path);
    Ui::MainWindow *ui() const { return m_f.window->form(); }

    WindowFixture m_f;
};

void tst_ProjectWindow::init()
{
    m_f.setUp();
}

void tst_ProjectWindow::cleanup()
{
    m_f.tearDown();
}

void tst_ProjectWindow::makeDriver(const QString &name)
{
    // The test driver under the project's name, so that the binding really loads it.
    QVERIFY(
        m_f.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"), name + ".so"));
}

void tst_ProjectWindow::setMode(const QString &mode)
{
    QSettings settings(m_f.path("settings.ini"), QSettings::IniFormat);
    settings.setValue("multiModeofAPP/Mode", mode);
}

QString tst_ProjectWindow::writeProject(const QString &sub, const QString &name,
                                        const QString &driver, const QList<LabelRow> &labels)
{
    QDir(m_f.dir->path()).mkpath(sub);
    const QString path = m_f.path(sub + "/" + name + ".dpro");
    ProjectData data;
    data.name = name + ".dpro";
    data.driveLibName = driver;
    data.hasConnect = true;
    data.linkMode = "com";
    data.linkParameter = "ttyS0,115200,8,1,N";
    data.labels = labels;
    if (!ProjectFile::write(path, data))
        return QString();
    return path;
}

void tst_ProjectWindow::open(const QString &path)
{
    m_f.chooser->answers << path;
    ui()->action_openPro->trigger();
}

void tst_ProjectWindow::programOffersSystemDriversOnly()
{
    // The built program's driver folder, as the new-project dialog lists it: the test driver is
    // built elsewhere, so a user never binds a project to invented values.
    MainWindow *window = m_f.create();
    DialogNewProject *dialog = window->newProjectDialog();
    dialog->loadDriveList(QStringLiteral(MORVELIN_DRIVER_DIR));
    auto *box = dialog->findChild<QComboBox *>("comboBox_libname");
    QStringList offered;
    for (int i = 0; i < box->count(); ++i)
        offered << box->itemText(i);
    QCOMPARE(offered, (QStringList{"LibCorvid", "LibVexmar"}));
}

void tst_ProjectWindow::newSaveAndReopen()
{
    makeDriver("LibTest");
    QVERIFY(QDir(m_f.dir->path()).mkpath("proj"));
    const QString path = m_f.path("proj/it's.dpro");

    // Created through the dialog.
    MainWindow *window = m_f.create();
    ui()->action_newPro->trigger();
    DialogNewProject *dialog = window->newProjectDialog();
    QVERIFY(dialog->isVisible());
    QSignalSpy created(dialog, &DialogNewProject::creatProject);
    dialog->findChild<QLineEdit *>("lineEdit_name")->setText("it's");
    m_f.chooser->answers << m_f.path("proj");
    dialog->findChild<QPushButton *>("pushButton_dir")->click();
    QCOMPARE(dialog->findChild<QComboBox *>("comboBox_libname")->currentText(),
             QStringLiteral("LibTest"));
    dialog->findChild<QPushButton *>("pushButton_ok")->click();
    QCOMPARE(created.count(), 1);
    QCOMPARE(created.first().at(0).toString(), path);
    QVERIFY(!dialog->isVisible());
    QVERIFY(ui()->centralwidget->isEnabled());
    QCOMPARE(window->projectFilePath(false), path);
    QCOMPARE(window->projectFilePath(true), m_f.path("it's.ini"));
    QCOMPARE(QSettings(m_f.path("it's.ini"), QSettings::IniFormat).value("Section/1").toString(),
             QStringLiteral("value"));
    const int id = window->projectId();
    QVERIFY(id > 0);
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    QVERIFY(ui()->action_savePro->isEnabled());

    // The file the dialog wrote opens: no labels, the link dialog keeps what it had.
    window = m_f.create();
    open(path);
    QCOMPARE(window->labelRowCount(), 0);
    QVERIFY(window->linkDialog()->linkString().isEmpty());
    QCOMPARE(window->projectId(), id);
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());

    // Saved with labels and a link, then opened again unchanged.
    const QList<QStringList> rows{
        {"08:00", "D100", "say \"hi\" & <b>", "12.5", "m", "Int16"},
        {"", "D102", zh("压力 < 5 & \"高\""), "", "kPa", LabelTypes::dataTypeNames().at(25)},
    };
    for (const QStringList &row : rows)
        window->addLabelRow(row);
    window->linkDialog()->setLinkMode("net");
    window->linkDialog()->linkParameter("192.168.1.10:502");
    ui()->action_savePro->trigger();

    window = m_f.create();
    open(path);
    QCOMPARE(window->labelRows(), rows);
    QCOMPARE(window->linkDialog()->linkMode(), QStringLiteral("net"));
    QCOMPARE(window->linkDialog()->linkString(), QStringLiteral("192.168.1.10:502"));
    QCOMPARE(window->projectId(), id);
    QCOMPARE(sqlRows(m_f.path("HistoryData.db"), "SELECT name FROM project"),
             QStringList{"it's.dpro"});
}

void tst_ProjectWindow::newProjectRefusesExistingOrUnwritableFile()
{
    makeDriver("LibTest");
    const QString path = writeProject("proj", "a", "LibTest", {{"", "D1", "", "", "", "Int16"}});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    MainWindow *window = m_f.create();
    ui()->action_newPro->trigger();
    DialogNewProject *dialog = window->newProjectDialog();
    QSignalSpy created(dialog, &DialogNewProject::creatProject);
    auto *ok = dialog->findChild<QPushButton *>("pushButton_ok");
    // An empty field does nothing at all.
    dialog->findChild<QLineEdit *>("lineEdit_name")->setText("a");
    ok->click();
    QCOMPARE(m_f.prompt->shown, 0);

    dialog->findChild<QLineEdit *>("lineEdit_path")->setText(m_f.path("proj"));
    m_f.prompt->expectStartingWith("warning", zh("新建工程"), zh("项目文件已存在"));
    ok->click();
    QCOMPARE(created.count(), 0);
    QVERIFY(dialog->isVisible());
    QVERIFY(window->projectFilePath(false).isEmpty());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);

    // A file that cannot be written is reported the same way.
    dialog->findChild<QLineEdit *>("lineEdit_path")->setText(m_f.path("nowhere"));
    m_f.prompt->expectStartingWith("warning", zh("新建工程"), zh("无法创建项目文件"));
    ok->click();
    QCOMPARE(created.count(), 0);
    QVERIFY(!QFileInfo::exists(m_f.path("nowhere")));
}

void tst_ProjectWindow::historyDatabaseByMode_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("notCreated");
    QTest::newRow("single-instance: shared file in the program folder") << "0"
                                                                        << "HistoryData.db"
                                                                        << "proj/a.db";
    QTest::newRow("multiple-instance: a.db beside a.dpro") << "1"
                                                           << "proj/a.db"
                                                           << "HistoryData.db";
}

void tst_ProjectWindow::historyDatabaseByMode()
{
    QFETCH(QString, mode);
    QFETCH(QString, database);
    QFETCH(QString, notCreated);
    makeDriver("LibTest");
    setMode(mode);
    const QString path = writeProject("proj", "a", "LibTest");
    // Opened from elsewhere, the file is still the one of the mode.
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    MainWindow *window = m_f.create();
    open(path);
    QCOMPARE(window->databaseFileName(), m_f.path(database));
    QVERIFY(!QFileInfo::exists(m_f.path(notCreated)));
    QCOMPARE(sqlRows(m_f.path(database), "SELECT sql FROM sqlite_master WHERE type = 'table' "
                                         "ORDER BY name"),
             SQLiteHandler::schemaStatements());
    QVERIFY(window->projectId() > 0);
}

void tst_ProjectWindow::modeSwitchMovesOpenProject()
{
    makeDriver("LibTest");
    // Another project first, so that a's row has a different id in the shared file.
    writeProject("proj", "other", "LibTest");
    const QString path = writeProject("proj", "a", "LibTest");
    MainWindow *window = m_f.create();
    open(m_f.path("proj/other.dpro"));
    open(path);
    QCOMPARE(window->projectId(), 2);

    m_f.prompt->expect("information", zh("提示"), zh("多应用模式已开启。"));
    ui()->action_openMM->trigger();
    QCOMPARE(window->databaseFileName(), m_f.path("proj/a.db"));
    QCOMPARE(sqlRows(m_f.path("proj/a.db"), "SELECT id FROM project WHERE name = 'a.dpro'"),
             QStringList{"1"});
    QCOMPARE(window->projectId(), 1);
}

void tst_ProjectWindow::modeSwitchRefusedWithoutProjectRow()
{
    makeDriver("LibTest");
    const QString path = writeProject("proj", "a", "LibTest");
    // The project's own file is there but takes no project row.
    makeRowlessDatabase(m_f.path("proj/a.db"));
    MainWindow *window = m_f.create();
    open(path);
    const int id = window->projectId();
    QVERIFY(id > 0);

    m_f.prompt->expectStartingWith("critical", "Error",
                                   zh("数据库无相关ID或数据") + "\n"
                                       + QDir::toNativeSeparators(m_f.path("proj/a.db"))
                                       + "\nrefused");
    ui()->action_openMM->trigger();
    // Nothing moved: the mode, its setting, the file and the project's row in it.
    QCOMPARE(window->instanceMode(), QStringLiteral("0"));
    QVERIFY(ui()->action_openMM->isEnabled());
    QCOMPARE(window->databaseFileName(), m_f.path("HistoryData.db"));
    QCOMPARE(window->historyDatabase()->databaseFile(), m_f.path("HistoryData.db"));
    QCOMPARE(window->projectId(), id);
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());
    QCOMPARE(QSettings(m_f.path("settings.ini"), QSettings::IniFormat)
                 .value("multiModeofAPP/Mode")
                 .toString(),
             QStringLiteral("0"));
}

void tst_ProjectWindow::driverNameChecked_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("warning");
    QTest::newRow("library in libdrive") << "LibTest"
                                         << "";
    QTest::newRow("parent folder") << "../LibTest"
                                   << "驱动库名称无效";
    QTest::newRow("absolute path") << "%1/LibTest"
                                   << "驱动库名称无效";
    QTest::newRow("backslash") << "..\\LibTest"
                               << "驱动库名称无效";
    QTest::newRow("not in libdrive") << "Missing"
                                     << "在 ";
}

void tst_ProjectWindow::driverNameChecked()
{
    QFETCH(QString, driver);
    QFETCH(QString, warning);
    makeDriver("LibTest");
    // A library beside libdrive, where "../LibTest" would lead.
    writeBytes(m_f.path("LibTest.so"), QByteArray());
    const QString path = writeProject("proj", "a", QString(driver).replace("%1", m_f.dir->path()),
                                      {{"", "D1", "", "", "", "Int16"}});
    MainWindow *window = m_f.create();
    if (!warning.isEmpty())
        m_f.prompt->expectStartingWith("warning", zh("警告"), warning);
    open(path);
    // The labels are there either way; only a found driver lets monitoring start.
    QCOMPARE(window->labelRowCount(), 1);
    QCOMPARE(ui()->pushButton_startMonitor->isEnabled(), warning.isEmpty());
}

void tst_ProjectWindow::noProjectRowKeepsMonitoringOff()
{
    makeDriver("LibTest");
    setMode("1");
    const QString good = writeProject("proj", "good", "LibTest");
    const QString bad = writeProject("proj", "bad", "LibTest");
    makeRowlessDatabase(m_f.path("proj/bad.db"));
    MainWindow *window = m_f.create();
    open(good);
    QVERIFY(window->projectId() > 0);
    QVERIFY(ui()->pushButton_startMonitor->isEnabled());

    open(bad);
    QCOMPARE(window->projectId(), -1);
    QVERIFY(!ui()->pushButton_startMonitor->isEnabled());
    QCOMPARE(window->statusBar()->currentMessage(), zh("数据库无相关ID或数据"));
}

void tst_ProjectWindow::malformedFileOpensNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::newRow("cut off mid-list") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                    "<pro>\n"
                                                    "    <drivelib>LibTest</drivelib>\n"
                                                    "    <label>\n"
                                                    "        <item label=\"D1\" type=\"Int16\"/>\n"
                                                    "        <item label=\"D2\" type=\"In")
                                      << 6;
    QTest::newRow("broken element") << QByteArray("<pro>\n"
                                                  "    <drivelib>LibTest</drivelib>\n"
                                                  "    <label>\n"
                                                  "        <item label=\"D1\" type=\"Int16\"/>\n"
                                                  "        <item label=\"D2\" <oops/>\n"
                                                  "    </label>\n"
                                                  "</pro>\n")
                                    << 5;
    QTest::newRow("empty") << QByteArray() << 1;
    QTest::newRow("not XML") << QByteArray("time,label,type\n,D1,Int16\n") << 1;
    QTest::newRow("another root element") << QByteArray(
        "<?xml version=\"1.0\"?>\n<project>\n<drivelib>LibTest</drivelib>\n</project>\n")
                                          << 2;
}

void tst_ProjectWindow::malformedFileOpensNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    makeDriver("LibTest");
    setMode("1");
    const QList<LabelRow> labels{{"", "D7", "", "", "", "Int16"}};
    const QString good = writeProject("proj", "good", "LibTest", labels);
    const QString bad = m_f.path("proj/bad.dpro");
    writeBytes(bad, content);
    MainWindow *window = m_f.create();
    open(good);
    QCOMPARE(window->statusBar()->currentMessage(), good);
    const int id = window->projectId();

    // One box naming the file and the line; no driver box for a name never read.
    m_f.prompt->expectStartingWith("warning", zh("打开工程"),
                                   zh("项目文件 %1 第 %2 行有错误").arg(bad).arg(line));
    open(bad);
    QCOMPARE(m_f.prompt->shown, 1);
    QCOMPARE(window->projectFilePath(false), good);
    QCOMPARE(window->projectId(), id);
    QCOMPARE(window->labelRows(), (QList<QStringList>{{"", "D7", "", "", "", "Int16"}}));
    QVERIFY(!QFileInfo::exists(m_f.path("proj/bad.db")));

    // Saving writes the open project, never the file that did not read.
    ui()->action_savePro->trigger();
    QFile file(bad);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(ProjectFile::read(good).data.labels, labels);
}

void tst_ProjectWindow::uncreatableDatabaseBoxUntranslated()
{
    // A shared database whose file cannot be made (a link into a missing folder fails even for
    // root), with the English catalogue: the box keeps its fixed texts.
    makeDriver("LibTest");
    setMode("0");
    QSettings(m_f.path("settings.ini"), QSettings::IniFormat)
        .setValue("Language/language", "English");
    QVERIFY(QFile::link(m_f.path("missing/HistoryData.db"), m_f.path("HistoryData.db")));
    const QString path = writeProject("proj", "a", "LibTest", {{"", "D1", "", "", "", "Int16"}});
    MainWindow *window = m_f.create();
    QCOMPARE(ui()->menu_file->title(), QStringLiteral("File"));
    // The file is named, and what did not happen.
    m_f.prompt->expectStartingWith(
        "critical", "Error",
        zh("无法创建文件！") + "\n" + QDir::toNativeSeparators(m_f.path("HistoryData.db")) + "\n");
    open(path);
    QVERIFY2(m_f.prompt->texts.last().endsWith("\nThe project was not opened."),
             qPrintable(m_f.prompt->texts.last()));
    QVERIFY(window->projectFilePath(false).isEmpty());
    QCOMPARE(window->labelRowCount(), 0);
}

void tst_ProjectWindow::projectNamedSettingsKeepsProgramSettings()
{
    makeDriver("LibTest");
    const QString path = writeProject("proj", "settings", "LibTest");
    MainWindow *window = m_f.create();
    open(path);
    QCOMPARE(window->projectFilePath(true), m_f.path("settings.dpro.ini"));
    window->projectSettings()->setValue("Section/0", 0);
    window->projectSettings()->sync();
    const QSettings program(m_f.path("settings.ini"), QSettings::IniFormat);
    QVERIFY(program.contains("multiModeofAPP/Mode"));
    QVERIFY(!program.childGroups().contains("Section"));
}

void tst_ProjectWindow::failedSaveReported()
{
    makeDriver("LibTest");
    const QString path = writeProject("gone", "a", "LibTest");
    MainWindow *window = m_f.create();
    open(path);
    QVERIFY(QDir(m_f.path("gone")).removeRecursively());
    m_f.prompt->expectStartingWith("critical", zh("错误"), zh("无法保存项目文件"));
    ui()->action_savePro->trigger();
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(window->labelRowCount(), 0);
}

void tst_ProjectWindow::unsavableCharacterNamedAndSavedMessageGone()
{
    makeDriver("LibTest");
    const QString path = writeProject("p", "a", "LibTest", {{"", "LW1", "tank", "", "", "Int16"}});
    MainWindow *window = m_f.create();
    open(path);
    ui()->action_savePro->trigger();
    QCOMPARE(window->statusBar()->currentMessage(), zh("工程已保存：%1").arg(path));
    const QByteArray saved = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    // A character pasted into a cell that XML cannot carry.
    window->addLabelRow({"", "LW2", "bell\a", "", "", "Int16"});
    m_f.prompt->expect("critical", zh("错误"),
                       zh("无法保存项目文件 %1：第 2 行（标签 LW2）的描述含有项目文件无法保存的"
                          "字符 U+0007")
                           .arg(path));
    ui()->action_savePro->trigger();
    QCOMPARE(window->statusBar()->currentMessage(), zh("工程未保存：%1").arg(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), saved);
}

void tst_ProjectWindow::importLeavesOutWhatCannotBeSaved()
{
    makeDriver("LibTest");
    const QString path = writeProject("p", "a", "LibTest");
    MainWindow *window = m_f.create();
    open(path);
    const QString csv = m_f.path("labels.csv");
    writeBytes(csv, "time,label,describe,value,unit,type\n,LW1,a\x07,,,Int16\n,LW2,b\x0b,,,Int16\n"
                    ",LW3,c,,,Int16\n");
    m_f.chooser->answers << csv;
    m_f.prompt->expect("information", zh("信息"), zh("导入完成：1条记录，跳过2行"));
    window->labelMenu()->actions().at(3)->trigger();
    QCOMPARE(window->labelRows(), (QList<LabelRow>{{"", "LW3", "c", "", "", "Int16"}}));
    // So the next save works.
    ui()->action_savePro->trigger();
    QCOMPARE(window->statusBar()->currentMessage(), zh("工程已保存：%1").arg(path));
    QCOMPARE(ProjectFile::read(path).data.labels, window->labelRows());
}

void tst_ProjectWindow::randomBytesKeepTheDemoLabels()
{
    QVERIFY(m_f.linkDrivers(QStringLiteral(MORVELIN_DRIVER_DIR), {"LibVexmar.so"}));
    const QString path = m_f.path("vexmar-demo.dpro");
    QVERIFY(QFile::copy(QStringLiteral(MORVELIN_SOURCE_DIR "/examples/vexmar-demo.dpro"), path));
    MainWindow *window = m_f.create();
    open(path);
    const QList<LabelRow> demo = window->labelRows();
    QCOMPARE(demo.size(), 47);

    // Noise two of whose lines happen to cut into six fields.
    QRandomGenerator random(8);
    QByteArray noise(20 * 1024, '\0');
    for (char &b : noise)
        b = char(random.bounded(256));
    writeBytes(m_f.path("noise.csv"), noise);
    m_f.chooser->answers << m_f.path("noise.csv");
    m_f.prompt->expectStartingWith("warning", zh("信息"), zh("导入失败：文件中没有可导入的标签"));
    window->labelMenu()->actions().at(3)->trigger();
    QCOMPARE(window->labelRows(), demo);
    ui()->action_savePro->trigger();
    QCOMPARE(window->statusBar()->currentMessage(), zh("工程已保存：%1").arg(path));
}

void tst_ProjectWindow::unknownTypeNamedAndKept()
{
    makeDriver("LibTest");
    const QList<LabelRow> rows{{"", "LW1", "", "", "", "no_such_type"},
                               {"", "LW2", "", "", "", "Int16"}};
    const QString path = writeProject("p", "a", "LibTest", rows);
    const QString what
        = zh("1 个标签的数据类型无法识别，按 \"null\" 处理（不监视，不能写值）；表中保留"
             "原来的类型文本，保存时原样写回。请为它们选择数据类型：\n%1");
    MainWindow *window = m_f.create();
    m_f.prompt->expect("warning", zh("打开工程"), what.arg("LW1 (no_such_type)"));
    open(path);
    QCOMPARE(m_f.prompt->pending(), 0);
    QCOMPARE(window->labelDataType(0), int(null));
    QCOMPARE(window->labelDataType(1), int(Int16));
    QCOMPARE(window->labelRows(), rows);
    // Saved back as it was read.
    ui()->action_savePro->trigger();
    QCOMPARE(ProjectFile::read(path).data.labels, rows);

    const QString csv = m_f.path("labels.csv");
    writeBytes(csv, "time,label,describe,value,unit,type\n,LW9,,,,Int61\n,LW8,,,,bool\n");
    m_f.chooser->answers << csv;
    m_f.prompt->expect("warning", zh("信息"),
                       zh("导入完成：2条记录，跳过0行\n\n") + what.arg("LW9 (Int61)"));
    window->labelMenu()->actions().at(3)->trigger();
    QCOMPARE(window->labelDataType(0), int(null));
    QCOMPARE(window->labelRows().first().last(), QStringLiteral("Int61"));
}

void tst_ProjectWindow::linkRestored_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("port");
    QTest::newRow("Linux USB adapter") << "com"
                                       << "ttyUSB0,115200,8,1,N"
                                       << "ttyUSB0,115200,8,1,N"
                                       << "ttyUSB0";
    QTest::newRow("pseudo-terminal") << "com"
                                     << "/dev/pts/4,9600,8,1,N"
                                     << "/dev/pts/4,9600,8,1,N"
                                     << "/dev/pts/4";
    QTest::newRow("short text") << "com"
                                << "ttyS1"
                                << "ttyS1,115200,8,1,N"
                                << "ttyS1";
    QTest::newRow("network") << "net"
                             << "192.168.1.10:502"
                             << "192.168.1.10:502"
                             << "ttyS0";
}

void tst_ProjectWindow::linkRestored()
{
    QFETCH(QString, mode);
    QFETCH(QString, stored);
    QFETCH(QString, link);
    QFETCH(QString, port);
    makeDriver("LibTest");
    ProjectData data;
    data.driveLibName = "LibTest";
    data.hasConnect = true;
    data.linkMode = mode;
    data.linkParameter = stored;
    QVERIFY(ProjectFile::write(m_f.path("a.dpro"), data));
    // Neither port is listed by the system.
    m_f.ports = QStringList{"ttyS0"};
    MainWindow *window = m_f.create();
    open(m_f.path("a.dpro"));
    QCOMPARE(window->linkDialog()->linkMode(), mode);
    QCOMPARE(window->linkDialog()->linkString(), link);
    QCOMPARE(window->linkDialog()->findChild<QComboBox *>("comboBox_comx")->currentText(), port);

    // Opened from the menu over the program's stored defaults ("0,0,0,0", port 0), the dialog
    // shows the link the project uses, ready to confirm unchanged.
    ui()->action_SetLink->trigger();
    DialogSetLink *dialog = window->linkDialog();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QRadioButton *>("radioButton_" + mode)->isChecked(), true);
    QCOMPARE(dialog->findChild<QComboBox *>("comboBox_comx")->currentText(), port);
    if (mode == "net") {
        QCOMPARE(dialog->findChild<QLineEdit *>("lineEdit_ip")->text() + ":"
                     + dialog->findChild<QLineEdit *>("lineEdit_port")->text(),
                 link);
    } else {
        QCOMPARE(dialog->findChild<QComboBox *>("comboBox_baud")->currentText(),
                 link.section(',', 1, 1));
    }
    auto *ok = dialog->findChild<QPushButton *>("pushButton_ok");
    QVERIFY(ok->isEnabled());
    ok->click();
    QCOMPARE(dialog->linkString(), link);
}

void tst_ProjectWindow::chartSectionsAndFolders()
{
    makeDriver("LibTest");
    const QString path = writeProject("proj", "a", "LibTest");
    {
        QSettings sections(m_f.path("a.ini"), QSettings::IniFormat);
        sections.setValue("Section/0", 2);
        sections.setValue("Section1/name", "Tank");
        sections.setValue("Section2/name", "Pump");
    }
    MainWindow *window = m_f.create();
    open(path);
    QCOMPARE(window->projectFilePath(true), m_f.path("a.ini"));
    for (QComboBox *combo : {ui()->dataClassification, ui()->dataClassification1}) {
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(0), QStringLiteral("Tank"));
        QCOMPARE(combo->itemText(1), QStringLiteral("Pump"));
    }
    // The start folder goes to the program settings, never into the project's file.
    QCOMPARE(window->programSettings()->value("Path/dPro").toString(), m_f.path("proj"));
    QVERIFY(!window->projectSettings()->contains("Path/dPro"));
    QCOMPARE(m_f.chooser->calls, QStringList{"dpro"});
}

void tst_ProjectWindow::dataLoggerPortsRefreshed()
{
    m_f.ports = QStringList{"ttyS0"};
    m_f.create();
    ui()->tabWidget->setCurrentIndex(5);
    QCOMPARE(ui()->comboBox_comB->count(), 1);

    // An adapter plugged in later appears the next time the page is shown.
    m_f.ports = QStringList{"ttyS0", "ttyUSB0"};
    ui()->tabWidget->setCurrentIndex(0);
    ui()->tabWidget->setCurrentIndex(5);
    QCOMPARE(ui()->comboBox_comB->count(), 2);
    QCOMPARE(ui()->comboBox_comB->itemText(1), QStringLiteral("ttyUSB0"));
}

QTEST_MAIN(tst_ProjectWindow)

#include "tst_projectwindow.moc"
