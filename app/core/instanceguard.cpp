#include "instanceguard.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

const char *const InstanceGuard::defaultKey = "MyApplicationMemoryKey";

QString InstanceGuard::keyForUser(uint userId)
{
    return QStringLiteral("%1-%2").arg(QLatin1String(defaultKey)).arg(userId);
}

QString InstanceGuard::programKey()
{
#ifdef Q_OS_UNIX
    return keyForUser(uint(getuid()));
#else
    // A Windows named segment lives in the session's own namespace already.
    return QLatin1String(defaultKey);
#endif
}

InstanceGuard::InstanceGuard(const QString &key)
{
    m_memory.setKey(key);
}

bool InstanceGuard::acquire()
{
    if (m_held)
        return true;
    // Detaching the last attachment removes the segment; a live holder keeps its own
    // attachment, so only a segment left behind by a crashed holder goes.
    if (m_memory.attach())
        m_memory.detach();
    m_held = m_memory.create(1, QSharedMemory::ReadWrite);
    return m_held;
}
