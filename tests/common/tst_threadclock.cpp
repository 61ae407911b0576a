// The measure that the window tests bound their event-loop gaps with: what the thread itself
// spends between two ticks, a blocking wait or work, counts in full; the time it waited for a
// CPU that another thread held is taken out, and where the system does not tell that wait,
// nothing is.
#include "threadclock.h"

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QTemporaryFile>
#include <QtTest>
#include <atomic>
#include <memory>
#include <sched.h>

namespace {

// What stands between two ticks of the measured thread.
enum class Between { BlockingWait, Work };

constexpr int spanMs = 150;

double threadCpuMs()
{
    return double(ThreadClockDetail::cpuNs()) / 1e6;
}

// Keeps the CPU busy for ms of this thread's own CPU time, however long that takes.
double workFor(int ms)
{
    const double begun = threadCpuMs();
    double now = begun;
    while (now - begun < ms)
        now = threadCpuMs();
    return now - begun;
}

// The program blocking: nothing releases the semaphore, so it waits out its time.
bool blockFor(int ms)
{
    QSemaphore never;
    return !never.tryAcquire(1, ms);
}

bool pinTo(int cpu)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    return sched_setaffinity(0, sizeof set, &set) == 0;
}

} // namespace

Q_DECLARE_METATYPE(Between)

class tst_ThreadClock : public QObject
{
    Q_OBJECT

private slots:
    void programTimeCounts_data();
    void programTimeCounts();
    void waitForCpuTakenOut();
    void wallClockWhereNotTold_data();
    void wallClockWhereNotTold();
};

void tst_ThreadClock::programTimeCounts_data()
{
    QTest::addColumn<Between>("between");
    QTest::newRow("a blocking wait without the event loop") << Between::BlockingWait;
    QTest::newRow("work between event-loop runs") << Between::Work;
}

// Ticks around a gap the thread makes itself: the gap is the longest, in full, and it is told
// as what it was, a wait or work.
void tst_ThreadClock::programTimeCounts()
{
    QFETCH(Between, between);
    EventLoopGaps gaps;
    gaps.start();
    gaps.tick();
    ThreadClock part;
    part.start();
    if (between == Between::BlockingWait)
        QVERIFY(blockFor(spanMs));
    else
        workFor(spanMs);
    const ThreadClock::Reading span = part.read();
    gaps.stop();
    QCOMPARE(gaps.gaps(), 2);
    // A futex or CPU time rounded to whole ms on the way may leave a fraction out.
    QVERIFY2(gaps.longestMs() >= spanMs - 1, qPrintable(gaps.describe()));
    QVERIFY2(gaps.total().ownMs() >= gaps.longestMs(), qPrintable(gaps.describe()));
    if (between == Between::BlockingWait)
        QVERIFY2(span.blockedMs() >= spanMs - 1, qPrintable(part.describe(span)));
    else
        QVERIFY2(span.cpuMs() >= spanMs - 1, qPrintable(part.describe(span)));
}

// Work that shares its CPU with a thread that never yields: about half the wall-clock time
// goes to waiting for the CPU, and that part is taken out, the work itself kept.
void tst_ThreadClock::waitForCpuTakenOut()
{
    ThreadClock clock;
    clock.start();
    if (!clock.runQueueKnown())
        QSKIP("This system does not tell a thread's wait for a CPU; the clock is the wall clock.");
    cpu_set_t saved;
    QVERIFY(sched_getaffinity(0, sizeof saved, &saved) == 0);
    const int cpu = sched_getcpu();
    QVERIFY(cpu >= 0);

    std::atomic<bool> pinned{false};
    std::atomic<bool> done{false};
    std::atomic<bool> hogPinned{true};
    std::unique_ptr<QThread> hog(QThread::create([&] {
        hogPinned = pinTo(cpu);
        pinned = true;
        // Bounded, should the test end early.
        const QDeadlineTimer deadline(20000);
        while (!done && !deadline.hasExpired()) {
        }
    }));
    hog->start();
    const QDeadlineTimer started(10000);
    while (!pinned && !started.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY(pinned);
    if (!hogPinned || !pinTo(cpu)) {
        done = true;
        hog->wait();
        QSKIP("Threads cannot be bound to one CPU here.");
    }

    const ThreadClock::Reading before = clock.read();
    const double workMs = workFor(spanMs);
    const ThreadClock::Reading span = clock.read() - before;

    done = true;
    sched_setaffinity(0, sizeof saved, &saved);
    QVERIFY(hog->wait(10000));
    const QString text = clock.describe(span) + QStringLiteral(", %1 ms of work").arg(workMs);
    qInfo("%s", qPrintable(text));
    // The work counts in full; the CPU's other half, at the least a good share of it, not.
    QVERIFY2(span.ownMs() >= qint64(workMs) - 1, qPrintable(text));
    QVERIFY2(span.queuedMs() >= spanMs / 4, qPrintable(text));
    QVERIFY2(span.ownMs() <= span.wallMs() - spanMs / 4, qPrintable(text));
}

void tst_ThreadClock::wallClockWhereNotTold_data()
{
    QTest::addColumn<QByteArray>("schedstat"); // the file's text; empty: no such file
    QTest::newRow("no such file") << QByteArray();
    QTest::newRow("a kernel that counts nothing") << QByteArray("0 0 0\n");
    QTest::newRow("not figures") << QByteArray("sched_info off\n");
}

// Where the wait for a CPU is not told, nothing is taken out: the clock is the wall clock,
// as strict as ever, and it says so.
void tst_ThreadClock::wallClockWhereNotTold()
{
    QFETCH(QByteArray, schedstat);
    QTemporaryFile file;
    QVERIFY(file.open());
    QByteArray path = file.fileName().toLocal8Bit();
    if (schedstat.isEmpty())
        path += ".missing";
    else
        QCOMPARE(file.write(schedstat), qint64(schedstat.size()));
    file.close();

    ThreadClock clock(path.constData());
    clock.start();
    QVERIFY(!clock.runQueueKnown());
    QVERIFY(blockFor(spanMs));
    const ThreadClock::Reading span = clock.read();
    QCOMPARE(span.queuedNs, qint64(0));
    QCOMPARE(span.ownMs(), span.wallMs());
    QVERIFY2(span.ownMs() >= spanMs - 1, qPrintable(clock.describe(span)));
    QVERIFY2(clock.describe(span).contains(QStringLiteral("none taken out")),
             qPrintable(clock.describe(span)));
}

QTEST_GUILESS_MAIN(tst_ThreadClock)
#include "tst_threadclock.moc"
