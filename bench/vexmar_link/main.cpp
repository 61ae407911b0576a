// Prints how many request/reply exchanges per second the Vexmar link makes against the
// simulator over UDP on 127.0.0.1 and over a socat pty pair at 115200 baud, and the most that
// line rate allows for the same bytes.

#include "cmdvexmar.h"
#include "vexmarframes.h"
#include "vexmarsimprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

constexpr int serialBaud = 115200;
constexpr int bitsPerChar = 10; // start, 8 data, stop

struct Run
{
    int exchanges = 0;
    int failures = 0;
    qint64 ms = 0;
    double perSecond() const { return ms > 0 ? exchanges * 1000.0 / ms : 0.0; }
};

Run measure(CmdVexmar *cmd, int count, int bytes)
{
    Run run;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < count; ++i) {
        QByteArray out;
        if (cmd->ReadValues(7, 0, bytes, &out, QStringLiteral("AI1")) != 0)
            ++run.failures;
        ++run.exchanges;
    }
    run.ms = t.elapsed();
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Vexmar link exchanges per second"));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("exchanges"),
                                         QStringLiteral("Exchanges per link (default 2000 UDP, "
                                                        "200 serial)"),
                                         QStringLiteral("n"));
    const QCommandLineOption bytesOption(QStringLiteral("bytes"),
                                         QStringLiteral("Data bytes per read (default 64)"),
                                         QStringLiteral("n"), QStringLiteral("64"));
    parser.addOptions({countOption, bytesOption});
    parser.process(app);
    const int bytes = qBound(4, parser.value(bytesOption).toInt() / 4 * 4, 1464);
    const int udpCount = parser.isSet(countOption) ? parser.value(countOption).toInt() : 2000;
    const int serialCount = parser.isSet(countOption) ? parser.value(countOption).toInt() : 200;
    const int frameBytes = Vexmar::requestHeaderBytes + Vexmar::readReplyBytes(bytes);

    QTextStream out(stdout);
    out << "Read of " << bytes << " data bytes: " << frameBytes << " bytes on the wire" << Qt::endl;

    {
        VexmarSimProcess sim;
        CmdVexmar cmd;
        if (!sim.startUdp() || cmd.OpenUdp(QStringLiteral("127.0.0.1"), sim.port()) != 0) {
            out << "UDP: simulator not reachable " << sim.error() << Qt::endl;
            return 1;
        }
        const Run r = measure(&cmd, udpCount, bytes);
        out << QStringLiteral("UDP loopback:      %1 exchanges in %2 ms = %3 exchanges/s"
                              " (%4 failed)")
                   .arg(r.exchanges)
                   .arg(r.ms)
                   .arg(r.perSecond(), 0, 'f', 0)
                   .arg(r.failures)
            << Qt::endl;
    }

    {
        SocatPtyPair pair;
        VexmarSimProcess sim;
        CmdVexmar cmd;
        if (!pair.start() || !sim.startSerial(pair.second(), serialBaud)
            || cmd.OpenSerial(pair.first(), serialBaud, 8, 1, QStringLiteral("N")) != 0) {
            out << "Serial: pty pair or simulator not available " << sim.error() << Qt::endl;
            return 1;
        }
        const Run r = measure(&cmd, serialCount, bytes);
        // Only the reply is paced by the simulator; the line would carry the request too.
        const double limit = double(serialBaud) / (bitsPerChar * frameBytes);
        out << QStringLiteral("Serial %1 baud: %2 exchanges in %3 ms = %4 exchanges/s"
                              " (%5 failed); the line allows at most %6 exchanges/s (%7%)")
                   .arg(serialBaud)
                   .arg(r.exchanges)
                   .arg(r.ms)
                   .arg(r.perSecond(), 0, 'f', 1)
                   .arg(r.failures)
                   .arg(limit, 0, 'f', 1)
                   .arg(100.0 * r.perSecond() / limit, 0, 'f', 0)
            << Qt::endl;
    }
    return 0;
}
