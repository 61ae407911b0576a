#pragma once

#include <QDateTime>
#include <QString>

// What the trend page's tests share.

// A text of the Chinese interface, written as UTF-8 in the source.
inline QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Where the window tests start their trend clock.
const QDateTime clockStart = QDateTime::fromString("2026-12-10T10:00:00", Qt::ISODate);
// The label menu's entry that adds the selected labels to the trend.
const int toTrendEntry = 5;
