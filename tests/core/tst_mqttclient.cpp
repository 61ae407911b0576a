// The MQTT client of the firmware page against a real mosquitto broker on 127.0.0.1:
// connect, subscribe, a message round trip, disconnect, and a refused connection.
#include "qmqtt/qmqtt_client.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

} // namespace

class tst_MqttClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void roundTrip();
    void noBrokerGivesNoConnection();

private:
    QTemporaryDir m_dir;
    QProcess m_broker;
    quint16 m_port = 0;
};

void tst_MqttClient::initTestCase()
{
    QString mosquitto = QStandardPaths::findExecutable("mosquitto");
    if (mosquitto.isEmpty())
        mosquitto = QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
    if (mosquitto.isEmpty())
        QSKIP("mosquitto broker not installed (scripts/setup.sh installs it)");
    m_port = freePort();
    QFile config(m_dir.filePath("broker.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n")
                     .arg(m_port).toUtf8());
    config.close();
    m_broker.start(mosquitto, {"-c", config.fileName()});
    QVERIFY(m_broker.waitForStarted(5000));
    // Ready once it accepts connections.
    QTRY_VERIFY_WITH_TIMEOUT(
        [this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            return probe.waitForConnected(200);
        }(),
        10000);
}

void tst_MqttClient::cleanupTestCase()
{
    if (m_broker.state() != QProcess::NotRunning) {
        m_broker.kill();
        m_broker.waitForFinished(5000);
    }
}

void tst_MqttClient::roundTrip()
{
    QMQTT::Client client(QHostAddress::LocalHost, m_port);
    client.setClientId("OTAClient42");
    client.setCleanSession(true);
    client.setKeepAlive(30);
    QSignalSpy connected(&client, &QMQTT::Client::connected);
    QSignalSpy subscribed(&client, &QMQTT::Client::subscribed);
    QSignalSpy received(&client, &QMQTT::Client::received);
    QSignalSpy disconnected(&client, &QMQTT::Client::disconnected);

    client.connectToHost();
    QVERIFY(connected.wait(10000));
    QVERIFY(client.isConnectedToHost());
    QVERIFY(client.subscribe("kxota/up/v1/dev1", 0) != 0);
    QVERIFY(subscribed.wait(10000));
    QCOMPARE(subscribed.first().at(0).toString(), QStringLiteral("kxota/up/v1/dev1"));

    const QByteArray payload("\x01\x02\x00\xff", 4);
    client.publish(QMQTT::Message(1, "kxota/up/v1/dev1", payload, 0, false, false));
    QVERIFY(received.wait(10000));
    const auto message = received.first().at(0).value<QMQTT::Message>();
    QCOMPARE(message.topic(), QStringLiteral("kxota/up/v1/dev1"));
    QCOMPARE(message.payload(), payload);

    client.disconnectFromHost();
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(!client.isConnectedToHost());
}

void tst_MqttClient::noBrokerGivesNoConnection()
{
    QMQTT::Client client(QHostAddress::LocalHost, freePort());
    client.setAutoReconnect(false);
    QSignalSpy connected(&client, &QMQTT::Client::connected);
    QSignalSpy error(&client, &QMQTT::Client::error);
    client.connectToHost();
    QTRY_VERIFY_WITH_TIMEOUT(error.count() > 0, 10000);
    QCOMPARE(connected.count(), 0);
    QVERIFY(!client.isConnectedToHost());
}

QTEST_GUILESS_MAIN(tst_MqttClient)

#include "tst_mqttclient.moc"
