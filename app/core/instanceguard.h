#pragma once

#include <QSharedMemory>
#include <QString>

// Guards against a second copy of the program in single-instance mode: the holder of a small
// shared segment under the instance key is the running copy.
class InstanceGuard
{
public:
    static const char *const defaultKey;
    // The program's key. A System V segment on Linux is seen by every user of the machine, so
    // there the key names the user (uid): each user runs a copy of their own.
    static QString programKey();
    static QString keyForUser(uint userId);

    explicit InstanceGuard(const QString &key = programKey());

    // Holds the segment; false when another live process holds it. On Linux a segment outlives
    // a crashed holder, so a stale one (no process attached) is removed first.
    bool acquire();
    bool isHeld() const { return m_held; }
    QString key() const { return m_memory.key(); }
    QString errorString() const { return m_memory.errorString(); }

private:
    QSharedMemory m_memory;
    bool m_held = false;
};
