// The project half of the main window: new, open and save, the driver check, the project row
// in the history database and the per-project settings file.
#include "chartsections.h"
#include "dialognewproject.h"
#include "dialogsetlink.h"
#include "mainwindow.h"
#include "projectfile.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>

namespace {

// The box of a history database file that cannot be made keeps these texts in every language.
const char untranslatedCannotCreate[] = "\xe6\x97\xa0\xe6\xb3\x95\xe5\x88\x9b\xe5\xbb\xba"
                                        "\xe6\x96\x87\xe4\xbb\xb6\xef\xbc\x81";

} // namespace

QString MainWindow::driverDir() const
{
    return m_services.folder.filePath(QStringLiteral("libdrive"));
}

QString MainWindow::historyDatabasePathFor(const QString &projectPath) const
{
    return ProjectFile::historyDatabasePath(m_instanceMode, projectPath,
                                            m_services.folder.programDir());
}

bool MainWindow::ensureHistoryDatabase(const QString &path, const QString &consequence)
{
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            reportHistoryFileFailure(QString::fromUtf8(untranslatedCannotCreate), path,
                                     file.errorString(), consequence);
            return false;
        }
    }
    QString error;
    if (!SQLiteHandler::createDatabase(path, &error)) {
        // Its first line says what failed, the rest why.
        const int cut = error.indexOf(QLatin1Char('\n'));
        reportHistoryFileFailure(error.left(cut), path, cut < 0 ? QString() : error.mid(cut + 1),
                                 consequence);
        return false;
    }
    return true;
}

void MainWindow::reportHistoryFileFailure(const QString &what, const QString &path,
                                          const QString &reason, const QString &consequence)
{
    qDebug() << "history database" << path << what << reason;
    QStringList lines{what, QDir::toNativeSeparators(path)};
    for (const QString &line : {reason, consequence}) {
        if (!line.isEmpty())
            lines << line;
    }
    prompt()->critical(nullptr, QStringLiteral("Error"), lines.join(QLatin1Char('\n')));
}

bool MainWindow::moveProjectHistory(const QString &path, const QString &consequence)
{
    // A handler of its own finds the row, so that the polling's connection moves only to a file
    // that holds it.
    SQLiteHandler probe;
    QString reason;
    connect(&probe, &SQLiteHandler::errorOccurred, this,
            [&reason](const QString &error) { reason = error; });
    const int id = probe.openDatabase(path) ? probe.projectRecordId(m_projectFileName) : -1;
    if (id < 0 || !m_sqlite.openDatabase(path)) {
        reportHistoryFileFailure(tr("数据库无相关ID或数据"), path, reason, consequence);
        return false;
    }
    m_projectId = id;
    statusBar()->showMessage(tr("打开成功"));
    updateStartButton();
    return true;
}

QString MainWindow::projectFilePath(bool settingsFile) const
{
    if (!m_projectOpen)
        return QString();
    return settingsFile ? m_projectSettingsPath : m_projectFilePath;
}

bool MainWindow::loadDriveLibrary(const QString &driveName)
{
    QString error;
    const QString path = ProjectFile::driverLibraryPath(driverDir(), driveName, &error);
    m_driverReady = !path.isEmpty();
    if (!m_driverReady) {
        qDebug() << "driver library refused:" << driveName;
        statusBar()->showMessage(tr("库加载失败"));
        prompt()->warning(this, tr("警告"), error);
        return false;
    }
    return bindDriver(path);
}

void MainWindow::updateStartButton()
{
    ui->pushButton_startMonitor->setEnabled(m_projectOpen && m_projectId >= 0 && m_driverReady
                                            && !m_monitoring);
}

void MainWindow::openProjectRecord()
{
    if (!m_sqlite.openDatabase(m_dbFileName)) {
        qDebug() << "Failed to open the database.";
        statusBar()->showMessage(tr("打开数据库失败"));
        m_projectId = -1;
        updateStartButton();
        return;
    }
    statusBar()->showMessage(tr("查询不到ID"));
    // Without a row no sample may be stored, not even under the previous project's id.
    m_projectId = m_sqlite.projectRecordId(m_projectFileName);
    qDebug() << "project id" << m_projectId;
    statusBar()->showMessage(m_projectId < 0 ? tr("数据库无相关ID或数据") : tr("打开成功"));
    updateStartButton();
}

void MainWindow::openProjectSettings()
{
    m_projectSettingsPath
        = ProjectFile::projectSettingsPath(m_services.folder.programDir(), m_projectFileName);
    const bool existed = QFileInfo::exists(m_projectSettingsPath);
    delete m_projectSettings;
    m_projectSettings = new QSettings(m_projectSettingsPath, QSettings::IniFormat);
    if (!existed)
        ChartSections(m_projectSettings).startFile();
    loadChartSections();
}

void MainWindow::newProject(QString filepath, QString driveName)
{
    const QFileInfo file(filepath);
    m_projectFilePath = file.absoluteFilePath();
    m_projectFileName = file.fileName();
    m_projectFolder = file.absolutePath();
    m_driverName = driveName;
    // A new project gets the database of the mode at once, like an opened one; a failure is
    // reported there and leaves the project without a row.
    m_dbFileName = historyDatabasePathFor(m_projectFilePath);
    ensureHistoryDatabase(m_dbFileName);
    loadDriveLibrary(m_driverName);
    clearLabelRows();
    ui->tabWidget->show();
    statusBar()->showMessage(filepath);
    openProjectRecord();
    openProjectSettings();
    enableProjectActions();
}

bool MainWindow::openProjectFile(const QString &path)
{
    const ProjectReadResult read = ProjectFile::read(path);
    // A file that does not read whole opens nothing; the open project stays as it was.
    if (read.status != ProjectReadResult::Ok) {
        prompt()->warning(this, tr("打开工程"), read.errorText);
        return false;
    }
    // A project whose history file cannot be made is not opened: the open one keeps its file.
    const QString databasePath = historyDatabasePathFor(path);
    const QString notOpened
        = m_projectOpen
              ? tr("工程未打开，历史数据仍写入 %1。").arg(QDir::toNativeSeparators(m_dbFileName))
              : tr("工程未打开。");
    if (!ensureHistoryDatabase(databasePath, notOpened))
        return false;

    const QFileInfo file(path);
    m_projectFilePath = file.absoluteFilePath();
    m_projectFileName = file.fileName();
    m_projectFolder = file.absolutePath();
    m_dbFileName = databasePath;
    m_driverName = read.data.driveLibName;
    loadDriveLibrary(m_driverName);
    if (read.data.hasConnect) {
        m_linkDialog->setLinkMode(read.data.linkMode);
        m_linkDialog->linkParameter(read.data.linkParameter);
    }
    clearLabelRows();
    for (const LabelRow &row : read.data.labels)
        addLabelRow(row);

    ui->tabWidget->show();
    openProjectRecord();
    // The path replaces the record's success text; a missing project row stays in view.
    if (m_projectId >= 0)
        statusBar()->showMessage(m_projectFilePath);
    openProjectSettings();
    enableProjectActions();
    const QString unknownTypes = LabelRows::unknownTypesText(read.data.labels);
    if (!unknownTypes.isEmpty())
        prompt()->warning(this, tr("打开工程"), unknownTypes);
    return true;
}

bool MainWindow::saveProject()
{
    ProjectData data;
    data.name = m_projectFileName;
    data.driveLibName = m_driverName;
    data.hasConnect = true;
    data.linkMode = m_linkDialog->linkMode();
    data.linkParameter = m_linkDialog->linkString();
    data.labels = labelRows();
    QString error;
    if (!ProjectFile::write(m_projectFilePath, data, &error)) {
        // An earlier save's message must not stand while this one failed.
        statusBar()->showMessage(tr("工程未保存：%1").arg(m_projectFilePath));
        prompt()->critical(this, tr("错误"), error);
        return false;
    }
    statusBar()->showMessage(tr("工程已保存：%1").arg(m_projectFilePath));
    return true;
}

void MainWindow::on_action_newPro_triggered()
{
    // A device job stores into the project and the history file it started with.
    if (refuseDuringDeviceJob())
        return;
    m_newProjectDialog->loadDriveList(driverDir());
    m_newProjectDialog->show();
    disableMenuActions();
}

void MainWindow::on_action_openPro_triggered()
{
    if (refuseDuringDeviceJob())
        return;
    if (m_lastProjectFolder.isEmpty() || !QDir(m_lastProjectFolder).exists())
        m_lastProjectFolder = m_services.folder.programDir();
    const QString path = fileChooser()->openFileName(nullptr, tr("dpro"), m_lastProjectFolder,
                                                     QStringLiteral("bin Files (*.dpro)"));
    if (path.isEmpty())
        return;
    // The program settings keep the folder for the next start, never the project's file.
    m_lastProjectFolder = QFileInfo(path).absolutePath();
    m_programSettings->setProjectFolder(m_lastProjectFolder);
    openProjectFile(path);
}

void MainWindow::on_action_savePro_triggered()
{
    saveProject();
}
