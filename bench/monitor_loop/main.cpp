// Prints the polling loop's own cost per tick: the real MainWindow tick (driver calls, value
// conversion, table cells, the history transaction) against the test driver bound from libdrive,
// with one block holding every label. The 100 ms pause after each block and the wait for the next
// tick are the loop's by design; they are counted, not slept, and left out of these figures.
// Then the sampling period the user gets at a sampling time of 1 s, on the real timer with the
// real pauses, for 3, 46 (the demo's 23 blocks) and 1,000 labels, and for 3 good labels beside
// 30 that the driver refuses before sending anything (past their area's end): on the test driver
// and on LibVexmar against its simulator over UDP loopback.
#include "benchwindow.h"
#include "drivebaseclass.h"
#include "filechooser.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "projectfile.h"
#include "prompt.h"
#include "testdrivercontrol.h"
#include "vexmarsimprocess.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

namespace {

// A box during the benchmark means something went wrong: say so and go on.
class PrintingPrompt : public Prompt
{
public:
    void information(QWidget *, const QString &title, const QString &text) override
    {
        print(title, text);
    }
    void warning(QWidget *, const QString &title, const QString &text) override
    {
        print(title, text);
    }
    void critical(QWidget *, const QString &title, const QString &text) override
    {
        print(title, text);
    }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        print(title, text);
        return false;
    }
    int choose(QWidget *, const QString &title, const QString &text,
               const QStringList &buttons) override
    {
        print(title, text);
        return int(buttons.size()) - 1;
    }
    int boxes = 0;

private:
    void print(const QString &title, const QString &text)
    {
        ++boxes;
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << "\n";
    }
};

class NoFiles : public FileChooser
{
public:
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString existingDirectory(QWidget *, const QString &, const QString &) override { return {}; }
};

// A plant-like mix of 16-bit words, floats and bits.
QList<LabelRow> labels(int n)
{
    QList<LabelRow> rows;
    for (int i = 0; i < n; ++i) {
        const int kind = i % 10;
        const QString type = kind < 6 ? "Int16" : kind < 9 ? "float" : "bool";
        rows << LabelRow{"", QStringLiteral("LW%1").arg(i + 1), "", "", "", type};
    }
    return rows;
}

struct Figures
{
    double medianMs = 0;
    double meanMs = 0;
    double driverMs = 0; // the driver's own calls for the same list, outside the window
    double samplesPerSecond = 0;
    int pausedMsPerTick = 0;
    int rows = 0;
};

// Mean ms of InductiveDrive_Read and BlockReading alone, called as a tick calls them.
double driverOnly(CDriveBaseClass *driver, const QList<LabelRow> &rows, int ticks)
{
    QList<Induction::SReadInfo> list;
    for (const LabelRow &row : rows)
        list.append({row.at(1), LabelTypes::dataTypeAt(LabelTypes::positionOfName(row.at(5)))});
    const QString key = QStringLiteral("1");
    QElapsedTimer clock;
    clock.start();
    int served = 0;
    for (int i = 0; i < ticks; ++i) {
        for (const QList<Induction::SReadInfo> &block : driver->InductiveDrive_Read(key, list))
            served += driver->BlockReading(key, block).size();
    }
    return served == ticks * list.size() ? clock.nsecsElapsed() / 1e6 / ticks : -1.0;
}

// The driver a benchmark's project binds, and its link.
struct Binding
{
    QString library = QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so");
    QString link = QStringLiteral("127.0.0.1:5000");
};

// The project of the rows in dir, bound as binding says; its path.
QString writeProject(const QTemporaryDir &dir, const QList<LabelRow> &rows,
                     const Binding &binding)
{
    QDir::setCurrent(dir.path());
    return writeBenchProject(dir.path(), QStringLiteral("bench.dpro"), rows, binding.library,
                             binding.link);
}

// A project of the rows in a folder of its own, made the current one, and the window's services
// for it; the test driver reset. The current folder moves out again at the end.
struct BenchRun
{
    BenchRun(const QList<LabelRow> &rows, TestDriverControl *control,
             const Binding &binding = Binding())
        : path(writeProject(dir, rows, binding))
        , services(benchWindowServices(&prompt, &files, dir.path()))
    {
        control->reset();
        control->recordCalls = false;
    }
    ~BenchRun() { QDir::setCurrent(QDir::tempPath()); }

    QTemporaryDir dir;
    const QString path;
    PrintingPrompt prompt;
    NoFiles files;
    MainWindowServices services;
};

struct Period
{
    int ticks = 0;
    int labelsStored = 0; // labels with samples in the history
    double periodMs = 0; // start to start
    double tickMs = 0;   // start to end
};

// How the test driver answers: labels per block (0: one block) and statuses by address.
struct Script
{
    int blockSize = 0;
    QMap<QString, int> statusByAddress;
};

// Ticks on the window's own timer at a sampling time of 1 s, for ticks + 1 tick starts.
Period measurePeriod(const QList<LabelRow> &rows, int ticks, TestDriverControl *control,
                     const Script &script, const Binding &binding = Binding())
{
    Period p;
    BenchRun run(rows, control, binding);
    control->blockSize = script.blockSize;
    control->statusByAddress = script.statusByAddress;
    {
        MainWindow window(run.services);
        window.openProjectFile(run.path);
        window.samplingSeconds = 1;
        // The tick reads the clock at its start and at its end.
        QElapsedTimer steady;
        steady.start();
        QList<qint64> stamps;
        window.setMonitorClock([&] {
            stamps << steady.elapsed();
            return stamps.last();
        });
        window.findChild<QPushButton *>("pushButton_startMonitor")->click();
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (stamps.size() >= 2 * (ticks + 1) + 1)
                loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit); // bounded
        loop.exec();
        window.findChild<QPushButton *>("pushButton_stopMonitor")->click();
        QCoreApplication::processEvents();
        p.ticks = qMin(ticks, stamps.size() / 2 - 1);
        for (int i = 0; i < p.ticks; ++i) {
            p.periodMs += double(stamps.at(2 * i + 2) - stamps.at(2 * i)) / p.ticks;
            p.tickMs += double(stamps.at(2 * i + 1) - stamps.at(2 * i)) / p.ticks;
        }
        QSqlQuery count(window.historyDatabase()->database());
        if (count.exec("SELECT count(DISTINCT label) FROM data") && count.next())
            p.labelsStored = count.value(0).toInt();
    }
    return p;
}

// 3 good labels and 30 past the end of their area (AI holds 320 registers), each of those in a
// block of its own.
QList<LabelRow> refusedMix()
{
    QList<LabelRow> rows;
    for (int i = 1; i <= 3; ++i)
        rows << LabelRow{"", QStringLiteral("AI%1").arg(i), "", "", "", "Int32"};
    for (int i = 321; i <= 350; ++i)
        rows << LabelRow{"", QStringLiteral("AI%1").arg(i), "", "", "", "Int32"};
    return rows;
}

Figures measure(int labelCount, int ticks, TestDriverControl *control, CDriveBaseClass *driver)
{
    Figures f;
    const QList<LabelRow> rows = labels(labelCount);
    BenchRun run(rows, control);
    {
        MainWindow window(run.services);
        int pausedMs = 0;
        window.setMonitorPause([&](int ms) { pausedMs += ms; });
        window.openProjectFile(run.path);
        window.findChild<QPushButton *>("pushButton_startMonitor")->click();
        // The benchmark calls the ticks itself.
        window.monitorTimer()->stop();
        for (int i = 0; i < 3; ++i) { // warm-up
            window.onMonitorTimeout();
            QCoreApplication::processEvents();
        }
        pausedMs = 0;
        QList<double> times;
        QElapsedTimer clock;
        for (int i = 0; i < ticks; ++i) {
            clock.start();
            window.onMonitorTimeout();
            times << clock.nsecsElapsed() / 1e6;
            // What the event loop does between ticks (repaints, layout) is not the loop's.
            QCoreApplication::processEvents();
        }
        f.pausedMsPerTick = pausedMs / ticks;
        std::sort(times.begin(), times.end());
        f.medianMs = times.at(times.size() / 2);
        for (double t : times)
            f.meanMs += t / times.size();
        f.samplesPerSecond = labelCount / (f.meanMs / 1000.0);
        f.driverMs = driverOnly(driver, rows, ticks);
        window.findChild<QPushButton *>("pushButton_stopMonitor")->click();
        QSqlQuery count(window.historyDatabase()->database());
        if (count.exec("SELECT count(*) FROM data") && count.next())
            f.rows = count.value(0).toInt();
    }
    return f;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Diagnostics of the window would only slow the figures down.
    QLoggingCategory::setFilterRules("*.debug=false");

    QLibrary library(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver"));
    auto controlFn
        = reinterpret_cast<TestDriverControlFn>(library.resolve(testDriverControlSymbol));
    if (!controlFn) {
        QTextStream(stderr) << "cannot load the test driver: " << library.errorString() << "\n";
        return 1;
    }
    QTextStream out(stdout);
    auto entry = reinterpret_cast<GetSharedLibraryFn>(library.resolve(getSharedLibrarySymbol));
    CDriveBaseClass *driver = entry ? entry() : nullptr;
    if (!driver)
        return 1;
    out << "Polling loop per tick (test driver, one block; pauses counted, not slept)\n";
    out << "labels  tick median ms  tick mean ms  driver ms  own ms  samples/s  paused ms/tick"
           "  rows stored\n";
    for (const auto &[labelCount, ticks] : {std::pair{10, 200}, {100, 100}, {1000, 30}}) {
        const Figures f = measure(labelCount, ticks, controlFn(), driver);
        out << QString("%1  %2  %3  %4  %5  %6  %7  %8\n")
                   .arg(labelCount, 6)
                   .arg(f.medianMs, 14, 'f', 3)
                   .arg(f.meanMs, 12, 'f', 3)
                   .arg(f.driverMs, 9, 'f', 3)
                   .arg(f.meanMs - f.driverMs, 6, 'f', 3)
                   .arg(f.samplesPerSecond, 9, 'f', 0)
                   .arg(f.pausedMsPerTick, 14)
                   .arg(f.rows, 11);
        out.flush();
    }
    out << "own = tick - driver: conversion, table cells, the history transaction. Aim: under\n"
           "20 ms at 1000 labels. A real tick also waits 100 ms after each block that made an\n"
           "exchange; samples/s counts the tick's work only.\n\n";

    out << "Sampling period at a sampling time of 1 s (real timer, real 100 ms pause after each\n"
           "block that made an exchange)\n";
    out << "labels  blocks  exchanges  ticks  labels stored  period ms  tick ms  driver\n";
    out.flush();
    const auto print = [&out](int labelCount, int blocks, int exchanges, const Period &p,
                              const char *driverName) {
        out << QString("%1  %2  %3  %4  %5  %6  %7  %8\n")
                   .arg(labelCount, 6)
                   .arg(blocks, 6)
                   .arg(exchanges, 9)
                   .arg(p.ticks, 5)
                   .arg(p.labelsStored, 13)
                   .arg(p.periodMs, 9, 'f', 0)
                   .arg(p.tickMs, 7, 'f', 0)
                   .arg(QString::fromLatin1(driverName));
        out.flush();
    };
    for (const auto &[labelCount, blockSize] : {std::pair{3, 0}, {46, 2}, {1000, 64}}) {
        const int blocks = blockSize > 0 ? (labelCount + blockSize - 1) / blockSize : 1;
        const Period p = measurePeriod(labels(labelCount), 4, controlFn(), {blockSize, {}});
        print(labelCount, blocks, blocks, p, "test driver");
    }

    // 3 good labels beside 30 refused before any frame, half as not recognised (3), half as out
    // of range (5): each refused one in a block of its own, as LibVexmar forms them.
    const QList<LabelRow> mix = refusedMix();
    Script refusing{1, {}};
    for (int i = 3; i < mix.size(); ++i)
        refusing.statusByAddress.insert(mix.at(i).at(1), i < 18 ? 3 : 5);
    print(mix.size(), mix.size(), 3, measurePeriod(mix, 8, controlFn(), refusing), "test driver");

    VexmarSimProcess sim;
    if (!sim.startUdp({QStringLiteral("--pattern")})) {
        out << "LibVexmar: no simulator: " << sim.error() << "\n";
    } else {
        const Binding vexmar{QStringLiteral(MORVELIN_DRIVER_DIR "/LibVexmar.so"),
                             QStringLiteral("127.0.0.1:%1").arg(sim.port())};
        const Period p = measurePeriod(mix, 8, controlFn(), Script(), vexmar);
        const int exchanges = sim.frameCount() / (p.ticks + 1);
        // The driver's own grouping: one block for the good labels, one per refused label.
        print(mix.size(), 31, exchanges, p, "LibVexmar, simulator over UDP");
    }
    out << "Ticks start 1 s apart, start to start; a tick longer than that (100 ms per exchange)\n"
           "is followed at once. A block the driver refuses before sending anything costs no\n"
           "pause: 3 good and 30 refused labels aim at one sample a second, within 2 %.\n";
    return 0;
}
