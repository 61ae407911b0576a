#include "qmqtt_client.h"

#include <QMutexLocker>

#include <mosquitto.h>

namespace QMQTT {

namespace {

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
    : QObject(parent), m_hostName(host.toString()), m_port(port)
{
    initLibrary();
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
}

void Client::connectToHost()
{
    release();
    const QByteArray id = m_clientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), m_cleanSession || id.isEmpty(),
                           this);
    if (!m_mosq) {
        emit error(MOSQ_ERR_NOMEM);
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
                                           qMax(5, m_keepAlive));
    if (rc != MOSQ_ERR_SUCCESS && !m_autoReconnect) {
        release();
        emit error(rc);
        return;
    }
    mosquitto_loop_start(m_mosq);
}

void Client::disconnectFromHost()
{
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

// The callbacks below run on libmosquitto's network thread.

void Client::onConnect(mosquitto *, void *self, int rc)
{
    auto *client = static_cast<Client *>(self);
    QMetaObject::invokeMethod(client, [client, rc] {
        if (rc != 0) {
            emit client->error(rc);
            return;
        }
        client->m_connected = true;
        emit client->connected();
    }, Qt::QueuedConnection);
}

void Client::onDisconnect(mosquitto *, void *self, int rc)
{
    // rc 0 is a disconnect this side asked for; release() reports that itself.
    if (rc == 0)
        return;
    auto *client = static_cast<Client *>(self);
    QMetaObject::invokeMethod(client, [client, rc] {
        if (client->m_connected) {
            client->connectionLost();
            return;
        }
        // The connection never came up.
        emit client->error(rc);
        if (!client->m_autoReconnect)
            client->release();
    }, Qt::QueuedConnection);
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
    QMetaObject::invokeMethod(client, [client, topic, qos] { emit client->subscribed(topic, qos); },
                              Qt::QueuedConnection);
}

void Client::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    auto *client = static_cast<Client *>(self);
    const Message copy(quint16(message->mid), QString::fromUtf8(message->topic),
                       QByteArray(static_cast<const char *>(message->payload),
                                  message->payloadlen),
                       quint8(message->qos), message->retain, false);
    QMetaObject::invokeMethod(client, [client, copy] { emit client->received(copy); },
                              Qt::QueuedConnection);
}

} // namespace QMQTT
