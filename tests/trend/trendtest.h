#pragma once

#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <csignal>
#include <sys/resource.h>

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

// Every key of the settings file at path as "key=value", sorted, as the disk holds them: settings
// objects of one path share what they hold in memory, so a copy of the file is read.
inline QStringList settingsKeysOnDisk(const QString &path)
{
    const QString copy = path + QStringLiteral(".copy.ini");
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return {QStringLiteral("<no file>")};
    QStringList keys;
    {
        QSettings file(copy, QSettings::IniFormat);
        for (const QString &key : file.allKeys())
            keys << key + QLatin1Char('=') + file.value(key).toString();
    }
    QFile::remove(copy);
    keys.sort();
    return keys;
}

// While it lives, no file of this process can grow beyond a few bytes: writes fail as on a full
// disk (the limit holds for every user, also for root, where a read-only folder does not).
class FullDisk
{
public:
    FullDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit full = m_old;
        full.rlim_cur = 16;
        m_active = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &m_old); }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    bool m_active = false;
};
