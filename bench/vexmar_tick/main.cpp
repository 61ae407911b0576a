// Prints how long one polling tick takes through the LibVexmar module, loaded as the program
// loads it, against the simulator on 127.0.0.1: InductiveDrive_Read of the whole list, then one
// BlockReading per block. The program's tick adds a 100 ms pause after every block and waits
// its timer interval (100 ms at a sampling time of 1 s) between ticks; those are printed apart,
// not slept.

#include "driverloader.h"
#include "vexmarsimprocess.h"
#include "vexmartick.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

// What the polling loop waits by design: after each block, and between ticks at S = 1 s.
constexpr int pauseAfterBlockMs = 100;
constexpr int timerIntervalMs = 100;

// A mix like a plant's: mostly 32-bit registers, some bits, a few 16-bit system words.
QList<Induction::SReadInfo> labels(int n)
{
    QList<Induction::SReadInfo> list;
    for (int i = 0; i < n; ++i) {
        const int kind = i % 10;
        if (kind < 7)
            list.append({QStringLiteral("NAI%1").arg(i + 1), Int32});
        else if (kind < 9)
            list.append({QStringLiteral("NDI%1").arg(i + 1), Bool});
        else
            list.append({QStringLiteral("SA%1").arg(i / 10 + 1), Int16});
    }
    return list;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("LibVexmar polling ticks per label count"));
    parser.addHelpOption();
    const QCommandLineOption ticksOption(QStringLiteral("ticks"),
                                         QStringLiteral("Ticks per label count (default 50)"),
                                         QStringLiteral("n"), QStringLiteral("50"));
    parser.addOption(ticksOption);
    parser.process(app);
    const int ticks = qMax(1, parser.value(ticksOption).toInt());

    QTextStream out(stdout);
    const LoadedDriver loaded = loadDriver(QStringLiteral("LibVexmar"));
    if (!loaded.driver) {
        out << "cannot load LibVexmar: " << loaded.error << Qt::endl;
        return 1;
    }
    VexmarSimProcess sim;
    if (!sim.startUdp({QStringLiteral("--pattern")})) {
        out << "simulator: " << sim.error() << Qt::endl;
        return 1;
    }
    CDriveBaseClass *driver = loaded.driver;
    if (driver->ConnectDrive(QStringLiteral("127.0.0.1:%1").arg(sim.port())) != 0) {
        out << "no link to the simulator" << Qt::endl;
        return 1;
    }

    out << "LibVexmar tick over UDP loopback, " << ticks << " ticks per row\n";
    out << "labels  blocks  failed  driver ms/tick  pauses ms/tick  period at S=1 s (ms)\n";
    for (int n : {100, 1000}) {
        const QList<Induction::SReadInfo> list = labels(n);
        runTick(driver, list); // the first tick groups the list; later ones repeat it
        QElapsedTimer t;
        t.start();
        int blocks = 0;
        int failed = 0;
        for (int i = 0; i < ticks; ++i) {
            const VexmarTick tick = runTick(driver, list);
            blocks = tick.blocks.size();
            for (const CLabelVariable &v : tick.values)
                failed += v.status == LabelStatus::Ok ? 0 : 1;
        }
        const double driverMs = double(t.nsecsElapsed()) / 1e6 / ticks;
        const int pausesMs = blocks * pauseAfterBlockMs;
        out << QString::asprintf("%6d  %6d  %6d  %14.2f  %14d  %20.0f\n", n, blocks, failed,
                                 driverMs, pausesMs, driverMs + pausesMs + timerIntervalMs);
    }
    driver->DestroyFree();
    return 0;
}
