// vexmarsim: a simulated controller of the Vexmar family for tests, benchmarks and a first run.

#include "simdemo.h"
#include "simdevice.h"
#include "simfaults.h"
#include "simlink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

namespace {

// The UDP port the simulator listens on unless told otherwise.
constexpr quint16 defaultUdpPort = 5000;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexmarsim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Vexmar controller. It answers the UDP handshake, serves reads and applies\n"
        "writes on a memory per area (bit areas one byte per bit, word areas by byte, the\n"
        "string area SI in 256-byte slots), on 127.0.0.1 over UDP or on a serial line.\n"
        "Once it listens it prints one line to standard output:\n"
        "  vexmarsim ready udp 127.0.0.1:<port>   or   vexmarsim ready serial <path> <baud>\n"
        "\n"
        "Faults (--fault, repeatable) make chosen requests misbehave. A fault is\n"
        "<kind>[=<n>]@<k> for request k alone, <kind>[=<n>]@<k>-<m> for requests k to m (a\n"
        "controller that is dead for a while) or <kind>[=<n>]%<k> for every k-th request;\n"
        "requests are numbered from 1 in arrival order, the handshake included. Kinds:\n"
        "  drop        no reply\n"
        "  late=<ms>   reply after <ms> ms (default 500); later replies wait behind it\n"
        "  twice       the reply is sent two times\n"
        "  short=<n>   <n> bytes (default 1) cut off the end of the reply\n"
        "  long=<n>    <n> bytes (default 4) of 0xEE added to the reply\n"
        "  echo        the reply's sequence byte is wrong\n"
        "  lead=<n>    <n> bytes (default 4) of 0xEE sent ahead of the reply, as the late tail\n"
        "              of an earlier reply would come\n"
        "  stale=<ms>  the previous reply to the same command is sent again just ahead of the\n"
        "              reply, which follows <ms> ms later (default 0)\n"
        "  repeat=<ms> the reply is sent a second time <ms> ms after the first (default 110),\n"
        "              as a slow converter or a noisy line does; later replies do not wait\n"
        "  tail=<n>    <n> bytes (default 6) of 00/01, beginning 01 01, sent ahead of the\n"
        "              reply, as the late tail of a bit-area reply would come\n"
        "Example: vexmarsim --udp 0 --pattern --fault late=600@3 --fault drop%10"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption udpOption(
        QStringLiteral("udp"),
        QStringLiteral("Listen on UDP port <port> of 127.0.0.1 (default %1; 0 picks a free one)")
            .arg(defaultUdpPort),
        QStringLiteral("port"));
    const QCommandLineOption serialOption(QStringLiteral("serial"),
                                          QStringLiteral("Serve the serial line <path> instead"),
                                          QStringLiteral("path"));
    const QCommandLineOption baudOption(
        QStringLiteral("baud"),
        QStringLiteral("Baud rate of the serial line (default 9600); "
                       "replies go out at this rate"),
        QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Write one line per request to <file>, and a line \"reply <n> <hex>\" "
                       "for each reply sent"),
        QStringLiteral("file"));
    const QCommandLineOption patternOption(
        QStringLiteral("pattern"),
        QStringLiteral("Start with a known pattern instead of zeros: word areas byte a = a*7 + "
                       "area code, bit areas 1 at every third bit, SI slot k holds \"S<k>\""));
    const QCommandLineOption changingOption(
        QStringLiteral("changing"),
        QStringLiteral("Let values change over time: AI1..AI16 count up, DI1..DI16 run"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QStringLiteral("Give every label of the project file <dpro> a plausible value: inputs "
                       "drift, count and run every step (--interval); other areas keep what is "
                       "written to them"),
        QStringLiteral("dpro"));
    const QCommandLineOption intervalOption(
        QStringLiteral("interval"), QStringLiteral("Step of --changing and --demo in ms (500)"),
        QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption fault = faultOption();
    parser.addOptions({udpOption, serialOption, baudOption, logOption, patternOption,
                       changingOption, demoOption, intervalOption, fault});
    parser.process(app);

    QTextStream err(stderr);
    QList<SimFault> faults;
    if (!parseFaults(parser.values(fault), &faults))
        return 2;

    SimDevice device;
    if (parser.isSet(patternOption))
        device.fillPattern();
    SimLink link(&device, faults);
    if (parser.isSet(logOption) && !link.openLog(parser.value(logOption))) {
        err << "vexmarsim: cannot write the log " << parser.value(logOption) << Qt::endl;
        return 1;
    }

    SimDemo demo;
    if (parser.isSet(demoOption)) {
        QString error;
        if (!demo.load(parser.value(demoOption), &error)) {
            err << "vexmarsim: cannot read " << parser.value(demoOption) << ": " << error
                << Qt::endl;
            return 1;
        }
        demo.apply(&device, 0);
    }

    QTimer changing;
    int demoStep = 0;
    if (parser.isSet(demoOption)) {
        QObject::connect(&changing, &QTimer::timeout,
                         [&device, &demo, &demoStep] { demo.apply(&device, ++demoStep); });
        changing.start(qMax(1, parser.value(intervalOption).toInt()));
    } else if (parser.isSet(changingOption)) {
        QObject::connect(&changing, &QTimer::timeout, [&device] { device.step(); });
        changing.start(qMax(1, parser.value(intervalOption).toInt()));
    }

    QTextStream out(stdout);
    if (parser.isSet(serialOption)) {
        const QString path = parser.value(serialOption);
        const int baud = parser.value(baudOption).toInt();
        if (baud < 1 || !link.openSerial(path, baud)) {
            err << "vexmarsim: cannot open the serial line " << path << Qt::endl;
            return 1;
        }
        out << "vexmarsim ready serial " << path << ' ' << baud << Qt::endl;
    } else {
        bool ok = true;
        const uint asked
            = parser.isSet(udpOption) ? parser.value(udpOption).toUInt(&ok) : defaultUdpPort;
        const quint16 port = ok && asked <= 65535 ? link.listenUdp(quint16(asked)) : 0;
        if (port == 0) {
            err << "vexmarsim: cannot listen on UDP port " << parser.value(udpOption) << Qt::endl;
            return 1;
        }
        out << "vexmarsim ready udp 127.0.0.1:" << port << Qt::endl;
    }
    return app.exec();
}
