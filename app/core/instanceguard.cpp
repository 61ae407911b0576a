#include "instanceguard.h"

const char *const InstanceGuard::defaultKey = "MyApplicationMemoryKey";

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
