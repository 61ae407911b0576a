#pragma once

// How long the program itself keeps a thread from its event loop, on a machine that other work
// keeps busy. A wall-clock gap between two runs of the event loop also holds the time the
// thread was ready to run but waited for a CPU: that is the machine's load, not the program's
// doing. ThreadClock takes that wait out of the wall clock; a blocking wait or work between the
// event loop's runs still counts in full. Linux keeps a thread's run-queue wait in
// /proc/thread-self/schedstat (second field, ns). Where the system does not keep it (no such
// file, or the "0 0 0" of a kernel that counts nothing), nothing is taken out: the figures are
// the wall clock's, as strict as ever, and describe() says so. Free of QtTest, so benchmarks
// can use it too.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <QtGlobal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace ThreadClockDetail {

// The calling thread's run-queue wait so far in ns, from a file laid out as schedstat; -1 where
// it does not tell (no such file, or nothing counted: a thread that reads its own figures has
// been given a CPU at least once).
inline qint64 runQueueWaitNs(const char *schedstatPath)
{
    const int fd = ::open(schedstatPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[128];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0)
        return -1;
    text[got] = '\0';
    unsigned long long runNs = 0;
    unsigned long long waitNs = 0;
    unsigned long long slices = 0;
    if (std::sscanf(text, "%llu %llu %llu", &runNs, &waitNs, &slices) != 3 || slices == 0)
        return -1;
    return qint64(waitNs);
}

// The calling thread's time on a CPU so far in ns.
inline qint64 cpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace ThreadClockDetail

// The wall clock of the thread that started it, less the time that thread spent ready to run
// but waiting for a CPU. Read it only on that thread.
class ThreadClock
{
public:
    struct Reading
    {
        qint64 wallNs = 0;
        qint64 queuedNs = 0; // waited for a CPU; 0 where not known
        qint64 cpuNs = 0;    // ran on a CPU
        qint64 ownMs() const { return (wallNs - queuedNs) / 1000000; }
        qint64 wallMs() const { return wallNs / 1000000; }
        qint64 queuedMs() const { return queuedNs / 1000000; }
        qint64 cpuMs() const { return cpuNs / 1000000; }
        // Neither on a CPU nor waiting for one: a blocking wait (a sleep, a lock, the disk).
        qint64 blockedMs() const { return qMax<qint64>(0, wallNs - queuedNs - cpuNs) / 1000000; }
        Reading operator-(const Reading &earlier) const
        {
            return {wallNs - earlier.wallNs, queuedNs - earlier.queuedNs, cpuNs - earlier.cpuNs};
        }
    };

    // schedstatPath: where the thread's scheduler figures are read; only tests of this clock
    // give another.
    explicit ThreadClock(const char *schedstatPath = "/proc/thread-self/schedstat")
        : m_schedstatPath(schedstatPath)
    {
    }

    void start()
    {
        m_thread = QThread::currentThread();
        m_wall.start();
        m_startQueuedNs = ThreadClockDetail::runQueueWaitNs(m_schedstatPath.constData());
        m_startCpuNs = ThreadClockDetail::cpuNs();
    }
    bool runQueueKnown() const { return m_startQueuedNs >= 0; }

    // Since start. The wait is read on both sides of the other clocks, so that a switch away
    // between them cannot move a wait from one gap into the next; a few tries at most.
    Reading read() const
    {
        if (QThread::currentThread() != m_thread)
            qFatal("ThreadClock read on another thread than the one that started it");
        if (!runQueueKnown())
            return {m_wall.nsecsElapsed(), 0, ThreadClockDetail::cpuNs() - m_startCpuNs};
        qint64 before = ThreadClockDetail::runQueueWaitNs(m_schedstatPath.constData());
        qint64 wallNs = m_wall.nsecsElapsed();
        qint64 cpuNs = ThreadClockDetail::cpuNs();
        for (int attempt = 0; attempt < 8; ++attempt) {
            const qint64 after = ThreadClockDetail::runQueueWaitNs(m_schedstatPath.constData());
            if (after == before)
                break;
            before = after;
            wallNs = m_wall.nsecsElapsed();
            cpuNs = ThreadClockDetail::cpuNs();
        }
        return {wallNs, qMax<qint64>(0, before - m_startQueuedNs), cpuNs - m_startCpuNs};
    }

    // For a failure text or the log.
    QString describe(const Reading &span) const
    {
        if (!runQueueKnown())
            return QStringLiteral("%1 ms on the wall clock, %2 ms of it on a CPU (this system "
                                  "does not tell the wait for a CPU: none taken out)")
                .arg(span.wallMs())
                .arg(span.cpuMs());
        return QStringLiteral("%1 ms of the thread's own: %2 ms on a CPU, %3 ms blocked (%4 ms "
                              "on the wall clock, %5 ms of it waiting for a CPU)")
            .arg(span.ownMs())
            .arg(span.cpuMs())
            .arg(span.blockedMs())
            .arg(span.wallMs())
            .arg(span.queuedMs());
    }

private:
    QByteArray m_schedstatPath;
    QElapsedTimer m_wall;
    qint64 m_startQueuedNs = -1;
    qint64 m_startCpuNs = 0;
    QThread *m_thread = nullptr;
};

// The gaps between the runs of one thread's event loop from start() to stop(), measured with
// ThreadClock: tick() from something the event loop runs (a timer, a paint), on that thread.
class EventLoopGaps
{
public:
    void start()
    {
        m_clock.start();
        m_last = m_clock.read();
        m_longest = {};
        m_longestWallMs = 0;
        m_ticks = 0;
        m_running = true;
    }
    void tick()
    {
        if (!m_running)
            return;
        const ThreadClock::Reading now = m_clock.read();
        const ThreadClock::Reading gap = now - m_last;
        if (m_ticks == 0 || gap.ownMs() > m_longest.ownMs())
            m_longest = gap;
        m_longestWallMs = qMax(m_longestWallMs, gap.wallMs());
        ++m_ticks;
        m_last = now;
    }
    // The end counts as a last run.
    void stop()
    {
        tick();
        m_running = false;
    }

    // The longest gap without the thread's wait for a CPU, in ms.
    qint64 longestMs() const { return m_longest.ownMs(); }
    ThreadClock::Reading total() const { return m_last; }
    int gaps() const { return m_ticks; }
    QString describe() const
    {
        return QStringLiteral("longest gap between event-loop runs %1; longest on the wall "
                              "clock %2 ms; %3 gaps in %4")
            .arg(m_clock.describe(m_longest))
            .arg(m_longestWallMs)
            .arg(m_ticks)
            .arg(m_clock.describe(m_last));
    }

private:
    ThreadClock m_clock;
    ThreadClock::Reading m_last;
    ThreadClock::Reading m_longest;
    qint64 m_longestWallMs = 0;
    int m_ticks = 0;
    bool m_running = false;
};
