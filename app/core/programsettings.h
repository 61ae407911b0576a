#pragma once

#include <QString>

class QSettings;
class QTranslator;

// What start-up takes from the program settings file.
struct StartupSettings
{
    bool existed = false;       // the file was there before this start
    QString language;           // "Chinese" or "English"
    QString projectFolder;      // "Path/dPro"
    QString reportFolder;       // "Path/xlsx"
    QString mode;               // "0" single-instance, "1" multiple-instance (normalised)
};

// The program settings file "settings.ini" in the program folder: language, last folders and
// instance mode. These keys always go to this file, never to a project's settings file, so that
// the next start sees them.
class ProgramSettings
{
public:
    explicit ProgramSettings(const QString &filePath);
    ~ProgramSettings();
    ProgramSettings(const ProgramSettings &) = delete;
    ProgramSettings &operator=(const ProgramSettings &) = delete;

    QString filePath() const { return m_filePath; }
    QSettings *settings() const { return m_settings; }

    // Reads the file, or creates it with the defaults when it is missing (program folder for
    // both paths, Chinese, single-instance); every start leaves "0" or "1" as the mode.
    StartupSettings load(const QString &programDir);
    // The saved mode without writing anything: what main needs before the window exists.
    static QString peekMode(const QString &filePath);
    static QString peekLanguage(const QString &filePath);

    void setLanguage(const QString &language);
    void setMode(const QString &mode);
    void setProjectFolder(const QString &folder);
    void setReportFolder(const QString &folder);

    // ":/lang_English.qm" for exactly "English", else the Chinese catalogue.
    static QString translationResource(const QString &language);
    // Qt's own texts (standard buttons, file dialogs) in the language: Qt's "qtbase_zh_CN" from
    // its translations folder for Chinese; English needs none. False when nothing was loaded.
    static bool loadQtTranslation(QTranslator *translator, const QString &language);
    // "1" stays "1"; anything else is single-instance mode "0".
    static QString normalizedMode(const QString &mode);
    // "HistoryData.db" in single-instance mode; in multiple-instance mode the project file's
    // name without its folder, its last four characters ("dpro") replaced by "db".
    static QString databaseFileName(const QString &mode, const QString &projectFilePath);

    static const char *const languageKey;
    static const char *const projectFolderKey;
    static const char *const reportFolderKey;
    static const char *const modeKey;

private:
    QString m_filePath;
    QSettings *m_settings;
};
