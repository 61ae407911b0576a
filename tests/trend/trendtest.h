#pragma once

#include <QDateTime>
#include <QString>
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
