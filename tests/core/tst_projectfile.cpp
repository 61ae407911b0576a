#include "linkstring.h"
#include "projectfile.h"
#include "sqlitehandler.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ProjectData project(const QString &mode, const QString &linkParameter,
                    const QList<LabelRow> &labels = {})
{
    ProjectData data;
    data.name = QStringLiteral("line1.dpro");
    data.driveLibName = QStringLiteral("LibVexmar");
    data.linkMode = mode;
    data.linkParameter = linkParameter;
    data.labels = labels;
    return data;
}

} // namespace

class tst_ProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void saveAndOpen();
    void savedLayout();
    void emptyTable();
    void newProjectFileOpens();
    void newProjectRefusesExistingFile();
    void failedWrites();
    void unstorableCharacterNamed_data();
    void unstorableCharacterNamed();
    void whitespaceControlsStored();
    void xmlErrorNamesLine();
    void missingFile();
    void missingAttributesAreEmpty();
    void serialLinkRestored();
    void driverName_data();
    void driverName();
    void historyDatabase_data();
    void historyDatabase();
    void sameProjectIdOnReopen();
    void settingsPath_data();
    void settingsPath();

private:
    QString path(const QString &name = QStringLiteral("line1.dpro")) const
    {
        return m_dir->filePath(name);
    }
    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_ProjectFile::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_ProjectFile::saveAndOpen()
{
    const ProjectData data = project(
        QStringLiteral("net"), QStringLiteral("192.168.1.10:502"),
        {{"08:00", "D100", "say \"hi\" & <go> 'now'", "12.5", "m", "Int16"},
         {"", "AI3", QStringLiteral(u"\u6DB2\u4F4D"), "", "", LabelTypes::entryName(float_ABCD)}});
    QString error;
    QVERIFY2(ProjectFile::write(path(), data, &error), qPrintable(error));

    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::Ok);
    QVERIFY(read.errorText.isEmpty());
    QCOMPARE(read.data.name, data.name);
    QCOMPARE(read.data.driveLibName, data.driveLibName);
    QVERIFY(read.data.hasConnect);
    QCOMPARE(read.data.linkMode, data.linkMode);
    QCOMPARE(read.data.linkParameter, data.linkParameter);
    QCOMPARE(read.data.labels, data.labels);
    QCOMPARE(LabelTypes::positionOfName(read.data.labels.at(1).at(LabelColumnType)), 25);
    QVERIFY(readAll(path()).contains("&amp;"));
}

void tst_ProjectFile::savedLayout()
{
    ProjectData data = project(QStringLiteral("com"), QStringLiteral("COM3,115200,8,1,N"),
                               {{"t", "DB1.DBW0", "desc", "1", "bar", "UInt16"}});
    data.name = QStringLiteral("a.dpro");
    data.driveLibName = QStringLiteral("LibCorvid");
    QVERIFY(ProjectFile::write(path(), data));
    QCOMPARE(readAll(path()),
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<pro>\n"
                        "    <name>a.dpro</name>\n"
                        "    <drivelib>LibCorvid</drivelib>\n"
                        "    <connect select=\"com\" par=\"COM3,115200,8,1,N\"/>\n"
                        "    <label>\n"
                        "        <item time=\"t\" label=\"DB1.DBW0\" type=\"UInt16\" value=\"1\" "
                        "unit=\"bar\" describe=\"desc\"/>\n"
                        "    </label>\n"
                        "</pro>\n"));
}

void tst_ProjectFile::emptyTable()
{
    QVERIFY(ProjectFile::write(path(), project(QStringLiteral("com"), QString())));
    QVERIFY(readAll(path()).contains("<label/>"));
    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::Ok);
    QVERIFY(read.data.labels.isEmpty());
}

void tst_ProjectFile::newProjectFileOpens()
{
    QString error;
    QVERIFY2(ProjectFile::create(path(), QStringLiteral("line1"), QStringLiteral("LibVexmar"),
                                 &error),
             qPrintable(error));
    QCOMPARE(readAll(path()), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                         "<pro>\n"
                                         "    <name>line1</name>\n"
                                         "    <drivelib>LibVexmar</drivelib>\n"
                                         "</pro>\n"));
    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::Ok);
    QCOMPARE(read.data.driveLibName, QStringLiteral("LibVexmar"));
    QVERIFY(!read.data.hasConnect);
    QVERIFY(read.data.labels.isEmpty());
}

void tst_ProjectFile::newProjectRefusesExistingFile()
{
    QVERIFY(ProjectFile::write(path(), project(QStringLiteral("com"), QString(),
                                               {{"", "D1", "", "", "", "bool"}})));
    const QByteArray before = readAll(path());

    QString error;
    QVERIFY(!ProjectFile::create(path(), QStringLiteral("line1"), QStringLiteral("LibCorvid"),
                                 &error));
    QVERIFY(error.contains(path()));
    QCOMPARE(readAll(path()), before);
}

void tst_ProjectFile::failedWrites()
{
    const QString inMissingDir = path(QStringLiteral("missing/line1.dpro"));
    QString error;
    QVERIFY(!ProjectFile::write(inMissingDir, ProjectData(), &error));
    QVERIFY(error.contains(inMissingDir));
    error.clear();
    QVERIFY(!ProjectFile::create(inMissingDir, QStringLiteral("line1"), QStringLiteral("L"),
                                 &error));
    QVERIFY(error.contains(inMissingDir));
    QVERIFY(!QFile::exists(inMissingDir));
}

void tst_ProjectFile::unstorableCharacterNamed_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cause"); // after "无法保存项目文件 <path>："
    const QString held = zh("第 2 行（标签 LW2）的%1含有项目文件无法保存的字符 %2");
    QTest::newRow("bell in a description")
        << 1 << int(LabelColumnDescription) << "tank\a" << held.arg(zh("描述"), "U+0007");
    QTest::newRow("vertical tab in a unit")
        << 1 << int(LabelColumnUnit) << "m\v" << held.arg(zh("单位"), "U+000B");
    QTest::newRow("NUL in a time")
        << 1 << int(LabelColumnTime) << QString(QChar(0)) << held.arg(zh("时间"), "U+0000");
    QTest::newRow("U+FFFF in a value")
        << 1 << int(LabelColumnValue) << QString(QChar(0xFFFF)) << held.arg(zh("当前值"), "U+FFFF");
    // The writer would drop it without a word.
    QTest::newRow("half a surrogate pair in a label")
        << 1 << int(LabelColumnLabel) << QStringLiteral("LW2") + QChar(0xD800)
        << zh("第 2 行（标签 LW2%1）的标签/地址含有项目文件无法保存的字符 U+D800")
               .arg(QChar(0xD800));
    QTest::newRow("escape in the link")
        << -1 << 0 << "127.0.0.1:5000\x1b" << zh("通信设置含有项目文件无法保存的字符 U+001B");
}

void tst_ProjectFile::unstorableCharacterNamed()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, cause);
    ProjectData data
        = project(QStringLiteral("net"), QStringLiteral("127.0.0.1:5000"),
                  {{"", "LW1", "", "", "", "Int16"}, {"", "LW2", "", "", "", "Int16"}});
    if (row < 0)
        data.linkParameter = text;
    else
        data.labels[row][column] = text;
    QVERIFY(writeFile(path(), "kept"));
    QString error;
    QVERIFY(!ProjectFile::write(path(), data, &error));
    QCOMPARE(error, zh("无法保存项目文件 %1：%2").arg(path(), cause));
    QCOMPARE(ProjectFile::unstorableText(data), cause);
    QCOMPARE(readAll(path()), QByteArray("kept"));
}

void tst_ProjectFile::whitespaceControlsStored()
{
    // Tab and line breaks are text a project file carries.
    const ProjectData data = project(QStringLiteral("net"), QStringLiteral("127.0.0.1:5000"),
                                     {{"", "LW1", "two\r\nlines\tand a tab", "", "", "Int16"}});
    QVERIFY(ProjectFile::unstorableText(data).isEmpty());
    QVERIFY(ProjectFile::write(path(), data));
    QCOMPARE(ProjectFile::read(path()).data.labels, data.labels);
}

void tst_ProjectFile::xmlErrorNamesLine()
{
    QVERIFY(writeFile(path(), "<?xml version=\"1.0\"?>\n"
                              "<pro>\n"
                              "    <drivelib>LibVexmar</drivelib>\n"
                              "    <label>\n"
                              "        <item label=\"D1\" type=\"bool\"/>\n"
                              "        <item label=\"D2\" type=\"bool\">\n"
                              "    </label>\n"
                              "</pro>\n"));
    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::XmlError);
    QCOMPARE(read.errorLine, 7);
    QVERIFY(read.errorText.contains(path()));
    QVERIFY(read.errorText.contains(QStringLiteral("7")));
    // Half a project is none: nothing read before the error is handed back.
    QVERIFY(read.data.driveLibName.isEmpty());
    QVERIFY(read.data.labels.isEmpty());
    QVERIFY(!read.data.hasConnect);
}

void tst_ProjectFile::missingFile()
{
    const ProjectReadResult read = ProjectFile::read(path(QStringLiteral("absent.dpro")));
    QCOMPARE(read.status, ProjectReadResult::OpenFailed);
    QVERIFY(read.errorText.contains(path(QStringLiteral("absent.dpro"))));
}

void tst_ProjectFile::missingAttributesAreEmpty()
{
    QVERIFY(writeFile(path(), "<pro><label><item label=\"D1\" unit=\"m\"/></label></pro>"));
    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::Ok);
    QCOMPARE(read.data.labels, QList<LabelRow>({{"", "D1", "", "", "m", ""}}));
}

void tst_ProjectFile::serialLinkRestored()
{
    const QString serial = QStringLiteral("ttyUSB0,115200,8,1,N");
    QVERIFY(ProjectFile::write(path(), project(QStringLiteral("com"), serial)));

    const ProjectReadResult read = ProjectFile::read(path());
    QCOMPARE(read.status, ProjectReadResult::Ok);
    LinkString link;
    link.setLinkMode(QStringLiteral("net"));
    QVERIFY(link.setLinkMode(read.data.linkMode));
    QCOMPARE(link.linkParameter(read.data.linkParameter), LinkString::Shape::Serial);
    QCOMPARE(link.mode(), QStringLiteral("com"));
    QCOMPARE(link.text(), serial);
    QCOMPARE(link.fields().portName, QStringLiteral("ttyUSB0"));
}

void tst_ProjectFile::driverName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");

    QTest::newRow("library in the folder") << "LibVexmar" << true;
    QTest::newRow("parent folder") << "../LibVexmar" << false;
    QTest::newRow("dots alone") << ".." << false;
    QTest::newRow("absolute path") << "/usr/lib/LibVexmar" << false;
    QTest::newRow("backslash") << "..\\LibVexmar" << false;
    QTest::newRow("drive letter") << "C:LibVexmar" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("not a library") << "notes" << false;
    QTest::newRow("not in the folder") << "LibCorvid" << false;
}

void tst_ProjectFile::driverName()
{
    QFETCH(QString, name);
    QFETCH(bool, found);

    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("libdrive")));
    const QString driverDir = m_dir->filePath(QStringLiteral("libdrive"));
    QVERIFY(writeFile(driverDir + QStringLiteral("/LibVexmar.so"), "x"));
    QVERIFY(writeFile(driverDir + QStringLiteral("/notes.txt"), "x"));
    // A library outside the folder that "../LibVexmar" would reach.
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("LibVexmar.so")), "x"));

    QString error;
    const QString library = ProjectFile::driverLibraryPath(driverDir, name, &error);
    QCOMPARE(library.isEmpty(), !found);
    QCOMPARE(error.isEmpty(), found);
    if (found)
        QCOMPARE(library, QDir(driverDir).absoluteFilePath(QStringLiteral("LibVexmar.so")));
    else
        QVERIFY(error.contains(name));
}

void tst_ProjectFile::historyDatabase_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("project");
    QTest::addColumn<QString>("database");

    QTest::newRow("multiple-instance mode: beside the project") << "1" << "proj/a.dpro"
                                                                << "proj/a.db";
    QTest::newRow("multiple-instance mode, upper-case suffix") << "1" << "proj/b.DPRO"
                                                               << "proj/b.db";
    QTest::newRow("single-instance mode: shared file") << "0" << "proj/a.dpro"
                                                       << "shared/HistoryData.db";
    QTest::newRow("unknown mode is single-instance") << "" << "proj/a.dpro"
                                                     << "shared/HistoryData.db";
}

void tst_ProjectFile::historyDatabase()
{
    QFETCH(QString, mode);
    QFETCH(QString, project);
    QFETCH(QString, database);

    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("proj")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("shared")));
    const QString name = ProjectFile::historyDatabasePath(mode, m_dir->filePath(project),
                                                          m_dir->filePath("shared"));
    QCOMPARE(name, m_dir->filePath(database));
    QVERIFY(QFileInfo(name).isAbsolute());

    // The file so named is the one created and the one opened, tables and all.
    QString error;
    QVERIFY2(SQLiteHandler::createDatabase(name, &error), qPrintable(error));
    QVERIFY(QFile::exists(m_dir->filePath(database)));
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(name));
    QCOMPARE(handler.databaseFile(), name);
    QVERIFY(handler.database().tables().contains(QStringLiteral("data")));
}

void tst_ProjectFile::sameProjectIdOnReopen()
{
    QVERIFY(ProjectFile::create(path(QStringLiteral("a.dpro")), QStringLiteral("a"),
                                QStringLiteral("LibVexmar")));
    const QString database =
        ProjectFile::historyDatabasePath(QStringLiteral("1"), path(QStringLiteral("a.dpro")), {});
    int ids[2] = {-1, -2};
    for (int &id : ids) {
        SQLiteHandler handler;
        QVERIFY(handler.openDatabase(database));
        id = handler.projectRecordId(QFileInfo(path(QStringLiteral("a.dpro"))).fileName());
    }
    QVERIFY(ids[0] >= 0);
    QCOMPARE(ids[1], ids[0]);
}

void tst_ProjectFile::settingsPath_data()
{
    QTest::addColumn<QString>("projectFileName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("suffix dropped") << "a.dpro"
                                    << "/work/a.ini";
    QTest::newRow("no suffix") << "it's"
                               << "/work/it's.ini";
    // The program settings and the broker file are never a project's.
    QTest::newRow("named settings") << "settings.dpro"
                                    << "/work/settings.dpro.ini";
    QTest::newRow("named Settings") << "Settings.dpro"
                                    << "/work/Settings.dpro.ini";
    QTest::newRow("named config") << "config.dpro"
                                  << "/work/config.dpro.ini";
    QTest::newRow("settings within a name") << "settings2.dpro"
                                            << "/work/settings2.ini";
}

void tst_ProjectFile::settingsPath()
{
    QFETCH(QString, projectFileName);
    QFETCH(QString, expected);
    QCOMPARE(ProjectFile::projectSettingsPath(QStringLiteral("/work"), projectFileName), expected);
}

QTEST_GUILESS_MAIN(tst_ProjectFile)
#include "tst_projectfile.moc"
