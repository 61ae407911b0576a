#pragma once

#include <QString>
#include <QStringList>

// The project file named as the program's first argument, absolute against workingDir (the
// directory the program was started from, before it enters its own folder); empty when none.
QString projectPathFromArguments(const QStringList &arguments, const QString &workingDir);
