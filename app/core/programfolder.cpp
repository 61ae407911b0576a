#include "programfolder.h"

#include <QCoreApplication>
#include <QDir>

ProgramFolder::ProgramFolder(const QString &programDir)
    : m_programDir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir)
{
}

QString ProgramFolder::workingDir()
{
    return QDir::currentPath();
}

bool ProgramFolder::enter() const
{
    return QDir::setCurrent(m_programDir);
}

QString ProgramFolder::iniFilePath(const QString &baseName) const
{
    return QStringLiteral("%1/%2.ini").arg(m_programDir, baseName);
}

QString ProgramFolder::filePath(const QString &fileName) const
{
    return QDir(m_programDir).filePath(fileName);
}
