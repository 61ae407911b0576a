#pragma once

#include "qmqtt_message.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>

struct mosquitto;
struct mosquitto_message;

namespace QMQTT {

// A small MQTT client over libmosquitto. Settings only take effect at the next connectToHost().
// libmosquitto runs its network loop on its own thread; every signal is queued back to the
// thread of this object, so receivers run on the GUI thread. A connect that fails at once
// (no host, no listener) emits error() and disconnected(); with automatic reconnection on it
// is tried again after 1 s, doubling to 30 s, until disconnectFromHost().
class Client : public QObject
{
    Q_OBJECT

public:
    explicit Client(const QHostAddress &host = QHostAddress::LocalHost, quint16 port = 1883,
                    QObject *parent = nullptr);
    ~Client() override;

    QString hostName() const { return m_hostName; }
    void setHostName(const QString &hostName) { m_hostName = hostName; }
    void setHost(const QHostAddress &host) { m_hostName = host.toString(); }
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    QString clientId() const { return m_clientId; }
    void setClientId(const QString &clientId) { m_clientId = clientId; }
    QString username() const { return m_username; }
    void setUsername(const QString &username) { m_username = username; }
    QByteArray password() const { return m_password; }
    void setPassword(const QByteArray &password) { m_password = password; }
    int keepAlive() const { return m_keepAlive; }
    // 0 turns keep-alive off; 1 to 4 s, which libmosquitto refuses, are sent as 5 s.
    void setKeepAlive(int seconds) { m_keepAlive = seconds; }
    bool cleanSession() const { return m_cleanSession; }
    void setCleanSession(bool clean) { m_cleanSession = clean; }
    bool autoReconnect() const { return m_autoReconnect; }
    void setAutoReconnect(bool on) { m_autoReconnect = on; }
    bool isConnectedToHost() const { return m_connected; }
    // A connection attempt is waiting for its next try.
    bool isRetryPending() const { return m_retryTimer.isActive(); }
    // The text of the last error() code.
    QString errorString() const { return m_errorString; }
    static QString errorText(int code);

public slots:
    // Both return at once; the outcome arrives as connected() or disconnected().
    void connectToHost();
    void disconnectFromHost();
    // Return the message id, 0 when the request could not be queued.
    quint16 subscribe(const QString &topic, quint8 qos = 0);
    quint16 publish(const QMQTT::Message &message);

signals:
    void connected();
    void disconnected();
    void subscribed(const QString &topic, quint8 qos = 0);
    void received(const QMQTT::Message &message);
    void error(int code);

private:
    static void onConnect(mosquitto *, void *self, int rc);
    static void onDisconnect(mosquitto *, void *self, int rc);
    static void onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);
    // Runs work on this object's thread unless the connection has ended by then.
    void queueToOwnThread(std::function<void()> work);
    void attemptConnection();
    void failAtOnce(int code, const QString &text);
    void release();
    void connectionLost();

    QString m_hostName;
    quint16 m_port;
    QString m_clientId;
    QString m_username;
    QByteArray m_password;
    int m_keepAlive = 60;
    bool m_cleanSession = true;
    bool m_autoReconnect = false;
    bool m_connected = false;
    QString m_errorString;
    QTimer m_retryTimer;
    int m_retryDelayMs = 1000;

    mosquitto *m_mosq = nullptr;
    // Counts ended connections; read by the network thread when it queues a signal.
    std::atomic<quint32> m_generation{0};
    QMutex m_pendingLock; // guards m_pendingSubscriptions against the network thread
    QHash<int, QString> m_pendingSubscriptions;
};

} // namespace QMQTT
