// loggersim: a simulated data-logger on a serial line for the tests and the benchmark.

#include "loggerdevice.h"
#include "simfaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("loggersim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated data-logger on a serial line. It clears its flash (07 01 02), sets its\n"
        "clock (30 01 ...), hands out its records batch by batch (07 01 01 <index>), takes a\n"
        "memory image through write, read and command frames (02, 01, 06), and answers FW\n"
        "packets like a controller taking an APP or OS image. Once it listens it prints:\n"
        "  loggersim ready serial <path> <baud>\n"
        "\n"
        "Faults (--fault, repeatable): <kind>[=<n>]@<k>, @<k>-<m> or %<k>, requests numbered\n"
        "from 1 in arrival order. Kinds:\n"
        "  silence      no reply\n"
        "  short=<n>    <n> bytes cut off the end of the reply\n"
        "  split=<n>    the first <n> bytes, the rest after --split-ms\n"
        "  crc          the reply's check bytes are wrong\n"
        "  overcount    a records batch names one value more than it carries\n"
        "  result=<n>   the device's result or status is <n>\n"
        "  status=<n>   a read-back of memory starts with the byte <n>\n"
        "  extra=<n>    <n> bytes 0xEE added to the reply\n"
        "  repeat       a block is answered with a request for the same block again\n"
        "  skip         a block is answered with a request for the block after the next\n"
        "  pair         a version reply follows the reply in the same write\n"
        "  late=<n>     the reply goes out <n> ms late (holding back what follows)\n"
        "  cut=<n>      the reply stops after its first <n> bytes\n"
        "Batch i holds --values values i*1000+j-1 at seconds\n"
        "--first-seconds + i * --step-seconds, ms (37i mod 1000)."));
    parser.addHelpOption();
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Serial line"),
                                    QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate"),
                                  QStringLiteral("rate"), QStringLiteral("115200"));
    const QCommandLineOption batches(QStringLiteral("batches"),
                                     QStringLiteral("Record batches held (default 3)"),
                                     QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption values(QStringLiteral("values"),
                                    QStringLiteral("Values per batch (default 2)"),
                                    QStringLiteral("k"), QStringLiteral("2"));
    const QCommandLineOption area(QStringLiteral("area"),
                                  QStringLiteral("Area code of the records (default 7)"),
                                  QStringLiteral("code"), QStringLiteral("7"));
    const QCommandLineOption first(QStringLiteral("address"),
                                   QStringLiteral("Address of each batch's first value"),
                                   QStringLiteral("a"), QStringLiteral("3"));
    const QCommandLineOption firstSeconds(
        QStringLiteral("first-seconds"),
        QStringLiteral("Time stamp of batch 0 in seconds from 1970-01-01 08:00 local time\n"
                       "(default 1000000)"),
        QStringLiteral("s"), QStringLiteral("1000000"));
    const QCommandLineOption stepSeconds(
        QStringLiteral("step-seconds"),
        QStringLiteral("Seconds from one batch's time stamp to the next (default 10)"),
        QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption splitMs(QStringLiteral("split-ms"),
                                     QStringLiteral("Pause inside a split reply (default 100)"),
                                     QStringLiteral("ms"), QStringLiteral("100"));
    const QCommandLineOption lineRate(
        QStringLiteral("line-rate"),
        QStringLiteral("Answer at the pace of a line of this baud rate: a reply goes out once\n"
                       "the request would have arrived, and takes its own time (default: at once)"),
        QStringLiteral("baud"), QStringLiteral("0"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("One line per request and per reply"),
                                 QStringLiteral("file"));
    const QCommandLineOption dump(QStringLiteral("dump"),
                                  QStringLiteral("Memory image, written at every command frame"),
                                  QStringLiteral("file"));
    const QCommandLineOption fwDump(QStringLiteral("fw-dump"),
                                    QStringLiteral("The last FW image received in full"),
                                    QStringLiteral("file"));
    const QCommandLineOption fault = faultOption();
    parser.addOptions({serial, baud, batches, values, area, first, firstSeconds, stepSeconds,
                       splitMs, lineRate, log, dump, fwDump, fault});
    parser.process(app);

    LoggerOptions options;
    options.batches = parser.value(batches).toInt();
    options.values = qBound(0, parser.value(values).toInt(), 255);
    options.areaCode = parser.value(area).toInt();
    options.firstAddress = parser.value(first).toInt();
    options.firstSeconds = parser.value(firstSeconds).toLongLong();
    options.stepSeconds = parser.value(stepSeconds).toInt();
    options.splitMs = parser.value(splitMs).toInt();
    options.lineRate = qMax(0, parser.value(lineRate).toInt());
    options.logPath = parser.value(log);
    options.dumpPath = parser.value(dump);
    options.fwDumpPath = parser.value(fwDump);
    if (!parseFaults(parser.values(fault), &options.faults))
        return 2;

    QSerialPort port(parser.value(serial));
    port.setBaudRate(parser.value(baud).toInt());
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "loggersim: cannot open %s: %s\n", qPrintable(port.portName()),
                     qPrintable(port.errorString()));
        return 1;
    }
    LoggerDevice device(&port, options);
    std::printf("loggersim ready serial %s %s\n", qPrintable(port.portName()),
                qPrintable(parser.value(baud)));
    std::fflush(stdout);
    return app.exec();
}
