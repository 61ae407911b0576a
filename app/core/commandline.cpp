#include "commandline.h"

#include <QDir>

QString projectPathFromArguments(const QStringList &arguments, const QString &workingDir)
{
    const QString path = arguments.value(1);
    if (path.isEmpty())
        return QString();
    return QDir::cleanPath(QDir(workingDir).absoluteFilePath(path));
}
