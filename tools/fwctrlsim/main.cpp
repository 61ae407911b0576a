// fwctrlsim: a controller taking FW packets on a serial line, for the firmware page's tests.

#include "fwcontroller.h"
#include "simfaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fwctrlsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A controller on a serial line taking FW packets: after an APP or OS start packet it\n"
        "asks for index 0, after block k for index k, and the request past the end completes\n"
        "the image; it answers the version request and carries out reboots silently. Once it\n"
        "listens it prints:\n"
        "  fwctrlsim ready serial <path> <baud>\n"
        "\n"
        "Faults (--fault, repeatable), for request k, numbered from 1 in arrival order:\n"
        "  late=<ms>@<k>   the reply goes out <ms> late (a flash erase, a slow write)\n"
        "  stray=<n>@<k>   <n> bytes 0x55 go out in front of the reply\n"
        "  silence@<k>     no reply\n"
        "  crc@<k>         the reply's check bytes are wrong"));
    parser.addHelpOption();
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Serial line"),
                                    QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate"),
                                  QStringLiteral("rate"), QStringLiteral("115200"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("One line per packet and per reply written"),
                                 QStringLiteral("file"));
    const QCommandLineOption fwDump(QStringLiteral("fw-dump"),
                                    QStringLiteral("The last image received in full"),
                                    QStringLiteral("file"));
    const QCommandLineOption fault = faultOption();
    parser.addOptions({serial, baud, log, fwDump, fault});
    parser.process(app);

    QList<FwControllerFault> faults;
    if (!parseFaults(parser.values(fault), &faults))
        return 2;
    QSerialPort port(parser.value(serial));
    port.setBaudRate(parser.value(baud).toInt());
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "fwctrlsim: cannot open %s: %s\n", qPrintable(port.portName()),
                     qPrintable(port.errorString()));
        return 1;
    }
    FwController controller(&port, faults, parser.value(log), parser.value(fwDump));
    std::printf("fwctrlsim ready serial %s %s\n", qPrintable(port.portName()),
                qPrintable(parser.value(baud)));
    std::fflush(stdout);
    return app.exec();
}
