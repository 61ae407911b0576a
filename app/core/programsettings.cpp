#include "programsettings.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

const char *const ProgramSettings::languageKey = "Language/language";
const char *const ProgramSettings::projectFolderKey = "Path/dPro";
const char *const ProgramSettings::reportFolderKey = "Path/xlsx";
const char *const ProgramSettings::modeKey = "multiModeofAPP/Mode";

ProgramSettings::ProgramSettings(const QString &filePath)
    : m_filePath(filePath), m_settings(new QSettings(filePath, QSettings::IniFormat))
{
}

ProgramSettings::~ProgramSettings()
{
    delete m_settings;
}

StartupSettings ProgramSettings::load(const QString &programDir)
{
    StartupSettings result;
    result.existed = QFileInfo::exists(m_filePath);
    if (result.existed) {
        result.language = m_settings->value(languageKey).toString();
        result.projectFolder = m_settings->value(projectFolderKey).toString();
        result.reportFolder = m_settings->value(reportFolderKey).toString();
        result.mode = m_settings->value(modeKey).toString();
    } else {
        result.language = QStringLiteral("Chinese");
        setLanguage(result.language);
        result.projectFolder = programDir;
        result.reportFolder = programDir;
        setProjectFolder(programDir);
        setReportFolder(programDir);
    }
    result.mode = normalizedMode(result.mode);
    setMode(result.mode);
    m_settings->sync();
    return result;
}

QString ProgramSettings::peekMode(const QString &filePath)
{
    if (!QFileInfo::exists(filePath))
        return QStringLiteral("0");
    return normalizedMode(QSettings(filePath, QSettings::IniFormat).value(modeKey).toString());
}

QString ProgramSettings::peekLanguage(const QString &filePath)
{
    return QSettings(filePath, QSettings::IniFormat).value(languageKey).toString();
}

void ProgramSettings::setLanguage(const QString &language)
{
    m_settings->setValue(languageKey, language);
    // The language must survive a crash right after the first start.
    m_settings->sync();
}

void ProgramSettings::setMode(const QString &mode)
{
    m_settings->setValue(modeKey, mode);
    m_settings->sync();
}

void ProgramSettings::setProjectFolder(const QString &folder)
{
    m_settings->setValue(projectFolderKey, folder);
}

void ProgramSettings::setReportFolder(const QString &folder)
{
    m_settings->setValue(reportFolderKey, folder);
}

QString ProgramSettings::translationResource(const QString &language)
{
    return language == QLatin1String("English") ? QStringLiteral(":/lang_English.qm")
                                                : QStringLiteral(":/lang_Chinese.qm");
}

bool ProgramSettings::loadQtTranslation(QTranslator *translator, const QString &language)
{
    if (language == QLatin1String("English")) {
        // Emptied, so that an earlier Chinese catalogue no longer answers.
        translator->load(QString());
        return false;
    }
    return translator->load(QStringLiteral("qtbase_zh_CN"),
                            QLibraryInfo::location(QLibraryInfo::TranslationsPath));
}

QString ProgramSettings::normalizedMode(const QString &mode)
{
    return mode == QLatin1String("1") ? mode : QStringLiteral("0");
}

QString ProgramSettings::databaseFileName(const QString &mode, const QString &projectFilePath)
{
    if (mode != QLatin1String("1") || projectFilePath.isEmpty())
        return QStringLiteral("HistoryData.db");
    const QString name = QFileInfo(projectFilePath).fileName();
    return name.left(qMax(0, name.size() - 4)) + QStringLiteral("db");
}
