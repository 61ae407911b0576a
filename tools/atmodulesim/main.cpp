// atmodulesim: a simulated Bluetooth serial module for the tests of the module's link sequence.

#include "atmodule.h"
#include "simfaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {

// "\r" and "\n" written out in an answer given on the command line.
QByteArray unescape(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    bytes.replace("\\r", "\r").replace("\\n", "\n");
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("atmodulesim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Bluetooth serial module on a serial line. It answers\n"
        "  AT -> +OK\\r\\n       AT+ROLE? -> +RLOE=1\\r\\n in role 1, else +ROLE=<r>\\r\\n\n"
        "  AT+ROLE=1 -> +OK (no line end)   AT+SCAN? -> +SCAN=0\\r\\n\n"
        "  AT+SCAN=1,... -> the scan list, one line per --scan-line\n"
        "  AT+CONNECT=,<address> -> +CONNECTED\\r\\n for --address, else +ERR=NOT FOUND\\r\\n\n"
        "  AT+SCAN=0,... -> +OK\\r\\n   anything else starting AT -> +ERR\\r\\n\n"
        "Once connected, bytes that are no AT command go to --peer and what the peer sends comes\n"
        "back. When ready it prints: atmodulesim ready serial <path>\n"
        "Faults: --fault silent:<command> (no answer), --fault answer:<command>=><text> (another\n"
        "answer; \\r and \\n written out), --fault trickle=<bytes>,<ms> (the scan list in "
        "pieces)."));
    parser.addHelpOption();
    const QCommandLineOption serialOption(QStringLiteral("serial"),
                                          QStringLiteral("The module's serial line"),
                                          QStringLiteral("path"));
    const QCommandLineOption peerOption(QStringLiteral("peer"),
                                        QStringLiteral("The line of the device behind"),
                                        QStringLiteral("path"));
    const QCommandLineOption roleOption(QStringLiteral("role"),
                                        QStringLiteral("Role at start (default 0)"),
                                        QStringLiteral("role"), QStringLiteral("0"));
    const QCommandLineOption addressOption(
        QStringLiteral("address"), QStringLiteral("Address a connect succeeds for"),
        QStringLiteral("address"), QStringLiteral("C8FD19A0B1C2"));
    const QCommandLineOption scanOption(QStringLiteral("scan-line"),
                                        QStringLiteral("A line of the scan list (repeatable)"),
                                        QStringLiteral("text"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Write \"cmd <command>\" per command and \"data <hex>\" per passed piece"),
        QStringLiteral("file"));
    const QCommandLineOption fault = faultOption();
    parser.addOptions(
        {serialOption, peerOption, roleOption, addressOption, scanOption, logOption, fault});
    parser.process(app);

    QTextStream err(stderr);
    AtModule::Settings settings;
    settings.role = parser.value(roleOption).toInt();
    settings.address = parser.value(addressOption);
    settings.scanLines = parser.values(scanOption);
    for (const QString &text : parser.values(fault)) {
        if (text.startsWith(QLatin1String("silent:"))) {
            settings.silent.insert(text.mid(7));
        } else if (text.startsWith(QLatin1String("answer:"))
                   && text.contains(QLatin1String("=>"))) {
            // Commands and answers both hold "=", so "=>" separates them.
            const int arrow = text.indexOf(QLatin1String("=>"));
            settings.answers.insert(text.mid(7, arrow - 7), unescape(text.mid(arrow + 2)));
        } else if (text.startsWith(QLatin1String("trickle="))) {
            const QStringList parts = text.mid(8).split(QLatin1Char(','));
            settings.trickleBytes = parts.value(0).toInt();
            settings.trickleMs = parts.value(1, QStringLiteral("20")).toInt();
        } else {
            err << "atmodulesim: not a fault: " << text << Qt::endl;
            return 2;
        }
    }

    AtModule module(settings);
    if (parser.isSet(logOption) && !module.openLog(parser.value(logOption))) {
        err << "atmodulesim: cannot write the log " << parser.value(logOption) << Qt::endl;
        return 1;
    }
    if (parser.isSet(peerOption) && !module.openPeerLine(parser.value(peerOption))) {
        err << "atmodulesim: cannot open the peer line " << parser.value(peerOption) << Qt::endl;
        return 1;
    }
    const QString path = parser.value(serialOption);
    if (path.isEmpty() || !module.openLine(path)) {
        err << "atmodulesim: cannot open the serial line " << path << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "atmodulesim ready serial " << path << Qt::endl;
    return app.exec();
}
