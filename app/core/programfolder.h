#pragma once

#include <QString>

// The one place that knows the program folder and the working directory. The program runs with
// its folder as the working directory, so the settings file, the link keys, the per-project
// settings and the history database all sit together.
class ProgramFolder
{
public:
    explicit ProgramFolder(const QString &programDir = QString());

    QString programDir() const { return m_programDir; }
    // The working directory at the moment of the call.
    static QString workingDir();
    // Makes the program folder the working directory; false when it cannot be entered.
    bool enter() const;
    // "%1/%2.ini" with the program folder and the base name.
    QString iniFilePath(const QString &baseName) const;
    QString settingsFilePath() const { return iniFilePath(QStringLiteral("settings")); }
    QString filePath(const QString &fileName) const;

private:
    QString m_programDir;
};
