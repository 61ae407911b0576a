// The MQTT client of the firmware page against a real mosquitto broker on 127.0.0.1:
// connect, subscribe, a message round trip, disconnect, connects that fail at once, retries
// until a late broker is up, and the keep-alive intervals libmosquitto would refuse.
#include "mosquittobroker.h"
#include "qmqtt/qmqtt_client.h"

#include <QSignalSpy>
#include <QtTest>

class tst_MqttClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roundTrip();
    void keepAlive_data();
    void keepAlive();
    void immediateFailure_data();
    void immediateFailure();
    void lateBroker_data();
    void lateBroker();

private:
    MosquittoBroker m_broker;
};

void tst_MqttClient::initTestCase()
{
    if (MosquittoBroker::executable().isEmpty())
        QSKIP("mosquitto broker not installed (scripts/setup.sh installs it)");
    QVERIFY(m_broker.start());
}

void tst_MqttClient::roundTrip()
{
    QMQTT::Client client(QHostAddress::LocalHost, m_broker.port());
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

void tst_MqttClient::keepAlive_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("sent");
    QTest::newRow("off") << 0 << 0;
    QTest::newRow("1 s, raised to 5") << 1 << 5;
    QTest::newRow("4 s, raised to 5") << 4 << 5;
    QTest::newRow("5 s") << 5 << 5;
    QTest::newRow("largest 16-bit") << 65535 << 65535;
}

// Every interval the broker settings can hold gets a connection, with the interval the broker
// accepts.
void tst_MqttClient::keepAlive()
{
    QFETCH(int, seconds);
    QFETCH(int, sent);
    QMQTT::Client client(QHostAddress::LocalHost, m_broker.port());
    const QString id = QStringLiteral("keepalive%1").arg(seconds);
    client.setClientId(id);
    client.setKeepAlive(seconds);
    QSignalSpy connected(&client, &QMQTT::Client::connected);
    QSignalSpy error(&client, &QMQTT::Client::error);
    client.connectToHost();
    QVERIFY(connected.wait(10000));
    QCOMPARE(error.count(), 0);
    QCOMPARE(client.keepAlive(), seconds);
    const QString line = QStringLiteral(" as %1 (p2, c1, k%2)").arg(id).arg(sent);
    QTRY_VERIFY2_WITH_TIMEOUT(m_broker.log().contains(line), qPrintable(m_broker.log()), 10000);
    client.disconnectFromHost();
}

void tst_MqttClient::immediateFailure_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("port0");
    QTest::addColumn<bool>("autoReconnect");
    QTest::newRow("empty host, no retry") << QString() << false << false;
    QTest::newRow("empty host, retried") << QString() << false << true;
    QTest::newRow("port 0") << QStringLiteral("127.0.0.1") << true << false;
    QTest::newRow("no listener, no retry") << QStringLiteral("127.0.0.1") << false << false;
    QTest::newRow("no listener, retried") << QStringLiteral("127.0.0.1") << false << true;
}

// A connect that cannot even start is reported at once, with a text, and only retried when
// asked to.
void tst_MqttClient::immediateFailure()
{
    QFETCH(QString, host);
    QFETCH(bool, port0);
    QFETCH(bool, autoReconnect);
    QMQTT::Client client(QHostAddress::LocalHost, port0 ? 0 : MosquittoBroker::freePort());
    client.setHostName(host);
    client.setAutoReconnect(autoReconnect);
    QSignalSpy connected(&client, &QMQTT::Client::connected);
    QSignalSpy error(&client, &QMQTT::Client::error);
    QSignalSpy disconnected(&client, &QMQTT::Client::disconnected);
    client.connectToHost();
    QTRY_VERIFY_WITH_TIMEOUT(error.count() > 0, 10000);
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(error.first().at(0).toInt() != 0);
    QVERIFY(!client.errorString().isEmpty());
    QCOMPARE(connected.count(), 0);
    QVERIFY(!client.isConnectedToHost());
    QCOMPARE(client.isRetryPending(), autoReconnect);
    client.disconnectFromHost();
    QVERIFY(!client.isRetryPending());
}

void tst_MqttClient::lateBroker_data()
{
    QTest::addColumn<bool>("disconnectFirst");
    QTest::newRow("retries until it is up") << false;
    QTest::newRow("a disconnect ends the retries") << true;
}

// A broker that comes up after the connect is found by the retries, which then stop; after a
// disconnect nothing tries again.
void tst_MqttClient::lateBroker()
{
    QFETCH(bool, disconnectFirst);
    MosquittoBroker late;
    late.choosePort();
    QMQTT::Client client(QHostAddress::LocalHost, late.port());
    client.setAutoReconnect(true);
    QSignalSpy connected(&client, &QMQTT::Client::connected);
    QSignalSpy error(&client, &QMQTT::Client::error);
    client.connectToHost();
    QTRY_VERIFY_WITH_TIMEOUT(error.count() > 0, 10000);
    QVERIFY(client.isRetryPending());
    if (disconnectFirst)
        client.disconnectFromHost();
    QVERIFY(late.start());
    if (disconnectFirst) {
        // Longer than the first wait.
        QVERIFY(!connected.wait(3000));
        QCOMPARE(error.count(), 1);
        return;
    }
    // The waits double from 1 s; a loaded machine may need several.
    QVERIFY(connected.count() > 0 || connected.wait(40000));
    QVERIFY(client.isConnectedToHost());
    QVERIFY(!client.isRetryPending());
    client.disconnectFromHost();
}

QTEST_GUILESS_MAIN(tst_MqttClient)

#include "tst_mqttclient.moc"
