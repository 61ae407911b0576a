// Prints the polling loop's own cost per tick: the real MainWindow tick (driver calls, value
// conversion, table cells, the history transaction) against the test driver bound from libdrive,
// with one block holding every label. The 100 ms pause after each block and the timer interval
// are the loop's by design; they are counted, not slept, and left out of the figures.
#include "drivebaseclass.h"
#include "filechooser.h"
#include "labeltypes.h"
#include "mainwindow.h"
#include "projectfile.h"
#include "prompt.h"
#include "testdrivercontrol.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

Figures measure(int labelCount, int ticks, TestDriverControl *control, CDriveBaseClass *driver)
{
    Figures f;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir(dir.path()).mkpath("libdrive");
    QFile::link(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                dir.filePath("libdrive/LibTestDriver.so"));
    ProjectData data;
    data.name = "bench.dpro";
    data.driveLibName = "LibTestDriver";
    data.hasConnect = true;
    data.linkMode = "net";
    data.linkParameter = "127.0.0.1:5000";
    data.labels = labels(labelCount);
    const QString path = dir.filePath("bench.dpro");
    ProjectFile::write(path, data);

    PrintingPrompt prompt;
    NoFiles files;
    MainWindowServices services;
    services.prompt = &prompt;
    services.fileChooser = &files;
    services.folder = ProgramFolder(dir.path());
    services.serialPortNames = [] { return QStringList(); };
    control->reset();
    control->recordCalls = false;
    {
        MainWindow window(services);
        int pausedMs = 0;
        window.setMonitorPause([&](int ms) { pausedMs += ms; });
        window.openProjectFile(path);
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
        f.driverMs = driverOnly(driver, data.labels, ticks);
        window.findChild<QPushButton *>("pushButton_stopMonitor")->click();
        window.onMonitorTimeout();
        QSqlQuery count(window.historyDatabase()->database());
        if (count.exec("SELECT count(*) FROM data") && count.next())
            f.rows = count.value(0).toInt();
    }
    QDir::setCurrent(QDir::tempPath());
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
           "20 ms at 1000 labels. A real tick also waits 100 ms per block and the timer interval\n"
           "((S - 1) * 1000 + 100 ms); samples/s counts the tick's work only.\n";
    return 0;
}
