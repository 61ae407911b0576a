#include "qmqtt_client.h"

#include <QMutexLocker>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>

namespace QMQTT {

namespace {

// Waits between connection attempts that fail at once, ms: the same 1 s doubling to 30 s that
// libmosquitto uses for a lost connection.
const int firstRetryDelayMs = 1000;
const int lastRetryDelayMs = 30000;

// libmosquitto refuses keep-alive intervals of 1 to 4 s; 0 turns keep-alive off.
int effectiveKeepAlive(int seconds)
{
    return seconds <= 0 ? 0 : qMax(5, seconds);
}

void initLibrary()
{
    static const int once = [] {
        mosquitto_lib_init();
        qRegisterMetaType<QMQTT::Message>();
        return 0;
    }();
    Q_UNUSED(once)
}

} // namespace

Client::Client(const QHostAddress &host, quint16 port, QObject *parent)
    : QObject(parent)
    , m_hostName(host.toString())
    , m_port(port)
{
    initLibrary();
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &Client::attemptConnection);
}

Client::~Client()
{
    release();
}

void Client::release()
{
    if (!m_mosq)
        return;
    // A requested disconnect ends the network thread, also while it waits to reconnect.
    mosquitto_disconnect(m_mosq);
    mosquitto_loop_stop(m_mosq, false);
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
    m_connected = false;
    // Signals of the ended connection still queued for this thread are dropped.
    ++m_generation;
}

QString Client::errorText(int code)
{
    return QString::fromUtf8(mosquitto_strerror(code));
}

void Client::connectToHost()
{
    m_retryTimer.stop();
    m_retryDelayMs = firstRetryDelayMs;
    attemptConnection();
}

void Client::attemptConnection()
{
    release();
    const QByteArray id = m_clientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), m_cleanSession || id.isEmpty(),
                           this);
    if (!m_mosq) {
        failAtOnce(MOSQ_ERR_NOMEM, errorText(MOSQ_ERR_NOMEM));
        return;
    }
    mosquitto_connect_callback_set(m_mosq, &Client::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &Client::onDisconnect);
    mosquitto_subscribe_callback_set(m_mosq, &Client::onSubscribe);
    mosquitto_message_callback_set(m_mosq, &Client::onMessage);
    if (!m_username.isEmpty()) {
        mosquitto_username_pw_set(m_mosq, m_username.toUtf8().constData(),
                                  m_password.isEmpty() ? nullptr : m_password.constData());
    }
    // Waits between reconnection attempts, seconds: 1 doubling up to 30.
    mosquitto_reconnect_delay_set(m_mosq, 1, 30, true);
    const int rc = mosquitto_connect_async(m_mosq, m_hostName.toUtf8().constData(), m_port,
                                           effectiveKeepAlive(m_keepAlive));
    if (rc != MOSQ_ERR_SUCCESS) {
        // errno belongs to this thread only now.
        failAtOnce(rc, rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                            : errorText(rc));
        return;
    }
    // After a failed first connect libmosquitto's thread neither reports nor retries, so it
    // only runs for a connection under way; it reconnects a lost one by itself.
    const int loop = mosquitto_loop_start(m_mosq);
    if (loop != MOSQ_ERR_SUCCESS)
        failAtOnce(loop, errorText(loop));
}

void Client::failAtOnce(int code, const QString &text)
{
    release();
    if (m_autoReconnect) {
        // Started before the signals so that a receiver's disconnectFromHost() stops it.
        m_retryTimer.start(m_retryDelayMs);
        m_retryDelayMs = qMin(2 * m_retryDelayMs, lastRetryDelayMs);
    }
    m_errorString = text;
    emit error(code);
    emit disconnected();
}

void Client::disconnectFromHost()
{
    m_retryTimer.stop();
    const bool wasConnected = m_connected;
    release();
    if (wasConnected)
        emit disconnected();
}

quint16 Client::subscribe(const QString &topic, quint8 qos)
{
    if (!m_mosq)
        return 0;
    QMutexLocker lock(&m_pendingLock);
    int mid = 0;
    if (mosquitto_subscribe(m_mosq, &mid, topic.toUtf8().constData(), qos) != MOSQ_ERR_SUCCESS)
        return 0;
    m_pendingSubscriptions.insert(mid, topic);
    return quint16(mid);
}

quint16 Client::publish(const Message &message)
{
    if (!m_mosq)
        return 0;
    int mid = 0;
    const QByteArray payload = message.payload();
    if (mosquitto_publish(m_mosq, &mid, message.topic().toUtf8().constData(), payload.size(),
                          payload.constData(), message.qos(), message.retain())
        != MOSQ_ERR_SUCCESS)
        return 0;
    return quint16(mid);
}

void Client::connectionLost()
{
    m_connected = false;
    emit disconnected();
    // Without automatic reconnection the network thread must not keep trying.
    if (!m_autoReconnect)
        release();
}

void Client::queueToOwnThread(std::function<void()> work)
{
    // Read here, on the network thread: work for a connection ended meanwhile is dropped.
    const quint32 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation, work] {
            if (generation == m_generation)
                work();
        },
        Qt::QueuedConnection);
}

// The callbacks below run on libmosquitto's network thread.

void Client::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<Client *>(self);
    client->queueToOwnThread([client, rc] {
        if (rc != 0) {
            client->m_errorString = QString::fromUtf8(mosquitto_connack_string(rc));
            emit client->error(rc);
            return;
        }
        client->m_connected = true;
        client->m_retryDelayMs = firstRetryDelayMs;
        emit client->connected();
    });
}

void Client::onDisconnect(mosquitto *, void *self, int rc)
{
    // rc 0 is a disconnect this side asked for; release() reports that itself.
    if (rc == 0)
        return;
    auto *client = static_cast<Client *>(self);
    client->queueToOwnThread([client, rc] {
        if (client->m_connected) {
            client->connectionLost();
            return;
        }
        // The connection never came up.
        client->m_errorString = errorText(rc);
        emit client->error(rc);
        if (!client->m_autoReconnect)
            client->release();
    });
}

void Client::onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted)
{
    auto *client = static_cast<Client *>(self);
    QString topic;
    {
        QMutexLocker lock(&client->m_pendingLock);
        topic = client->m_pendingSubscriptions.take(mid);
    }
    const quint8 qos = count > 0 ? quint8(granted[0]) : 0;
    client->queueToOwnThread([client, topic, qos] { emit client->subscribed(topic, qos); });
}

void Client::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<Client *>(self);
    const Message copy(quint16(message->mid), QString::fromUtf8(message->topic),
                       QByteArray(static_cast<const char *>(message->payload), message->payloadlen),
                       quint8(message->qos), message->retain, false);
    client->queueToOwnThread([client, copy] { emit client->received(copy); });
}

} // namespace QMQTT
