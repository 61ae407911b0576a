// fwctrlsim: a controller taking FW packets on a serial line or through an MQTT broker, for the
// firmware page's tests.

#include "brokersettings.h"
#include "fwcontroller.h"
#include "qmqtt/qmqtt_client.h"
#include "simfaults.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <cstdio>

namespace {

void printReady(const QString &where)
{
    std::printf("fwctrlsim ready %s\n", qPrintable(where));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fwctrlsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A controller taking FW packets, on a serial line (--serial) or through an MQTT broker\n"
        "on 127.0.0.1 (--mqtt, on the topics of --device): after an APP or OS start packet it\n"
        "asks for index 0, after block k for index k, and the request past the end completes\n"
        "the image; it answers the version request and carries out reboots silently. Once it\n"
        "listens (through a broker: once it has subscribed) it prints one of:\n"
        "  fwctrlsim ready serial <path> <baud>\n"
        "  fwctrlsim ready mqtt <port> <device id>\n"
        "\n"
        "Faults (--fault, repeatable), for request k, numbered from 1 in arrival order:\n"
        "  late=<ms>@<k>   the reply goes out <ms> late (a flash erase, a slow write); the\n"
        "                  replies behind it wait for it\n"
        "  stray=<n>@<k>   <n> bytes 0x55 go out in front of the reply\n"
        "  silence@<k>     no reply\n"
        "  crc@<k>         the reply's check bytes are wrong"));
    parser.addHelpOption();
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Serial line"),
                                    QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate"),
                                  QStringLiteral("rate"), QStringLiteral("115200"));
    const QCommandLineOption mqtt(QStringLiteral("mqtt"),
                                  QStringLiteral("Port of the MQTT broker on 127.0.0.1"),
                                  QStringLiteral("port"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Device id: the end of both MQTT topics"),
                                    QStringLiteral("id"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("One line per packet and per reply written"),
                                 QStringLiteral("file"));
    const QCommandLineOption fwDump(QStringLiteral("fw-dump"),
                                    QStringLiteral("The last image received in full"),
                                    QStringLiteral("file"));
    const QCommandLineOption fault = faultOption();
    parser.addOptions({serial, baud, mqtt, device, log, fwDump, fault});
    parser.process(app);

    QList<FwControllerFault> faults;
    if (!parseFaults(parser.values(fault), &faults))
        return 2;
    if (parser.isSet(serial) == parser.isSet(mqtt)) {
        std::fprintf(stderr, "fwctrlsim: give either --serial or --mqtt\n");
        return 2;
    }

    if (parser.isSet(mqtt)) {
        const QString deviceId = parser.value(device);
        bool portOk = false;
        const quint16 port = parser.value(mqtt).toUShort(&portOk);
        if (!portOk || !isUsableDeviceId(deviceId)) {
            std::fprintf(stderr, "fwctrlsim: --mqtt needs a port and --device a usable id\n");
            return 2;
        }
        QMQTT::Client client(QHostAddress::LocalHost, port);
        client.setClientId(QStringLiteral("fwctrlsim-") + deviceId);
        client.setAutoReconnect(true);
        FwController controller(
            [&client, &deviceId](const QByteArray &bytes) {
                client.publish(QMQTT::Message(0, otaUpTopic(deviceId), bytes));
            },
            faults, parser.value(log), parser.value(fwDump));
        QObject::connect(&client, &QMQTT::Client::received, &controller,
                         [&controller](const QMQTT::Message &m) { controller.take(m.payload()); });
        QObject::connect(&client, &QMQTT::Client::connected, &controller,
                         [&client, &deviceId] { client.subscribe(otaDownTopic(deviceId), 0); });
        bool ready = false;
        QObject::connect(&client, &QMQTT::Client::subscribed, &controller,
                         [&ready, port, &deviceId] {
                             if (ready)
                                 return;
                             ready = true;
                             printReady(QStringLiteral("mqtt %1 %2").arg(port).arg(deviceId));
                         });
        client.connectToHost();
        return app.exec();
    }

    QSerialPort port(parser.value(serial));
    port.setBaudRate(parser.value(baud).toInt());
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "fwctrlsim: cannot open %s: %s\n", qPrintable(port.portName()),
                     qPrintable(port.errorString()));
        return 1;
    }
    FwController controller(
        [&port](const QByteArray &bytes) {
            port.write(bytes);
            port.flush();
        },
        faults, parser.value(log), parser.value(fwDump));
    QObject::connect(&port, &QSerialPort::readyRead, &controller,
                     [&port, &controller] { controller.feed(port.readAll()); });
    printReady(QStringLiteral("serial %1 %2").arg(port.portName(), parser.value(baud)));
    return app.exec();
}
