#pragma once

#include <QString>

// The rule that composes the main window's title from the instance mode and the monitoring state.
struct WindowTitleState
{
    QString mode;           // "1" multiple-instance, "0" single-instance
    bool monitoring = false;
    QString linkName;       // first field of the link string
    QString deviceText;     // latest value text of the label "LW110"
};

QString programTitle();
// multipleSuffix is the translated " —— Multiple Mode".
QString composeWindowTitle(const WindowTitleState &state, const QString &multipleSuffix);
