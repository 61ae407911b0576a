#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QString>

namespace QMQTT {

// One MQTT message: id, topic, payload and the QoS, retain and duplicate flags.
class Message
{
public:
    Message() = default;
    Message(quint16 id, const QString &topic, const QByteArray &payload, quint8 qos = 0,
            bool retain = false, bool dup = false)
        : m_id(id), m_topic(topic), m_payload(payload), m_qos(qos), m_retain(retain), m_dup(dup)
    {
    }

    quint16 id() const { return m_id; }
    QString topic() const { return m_topic; }
    QByteArray payload() const { return m_payload; }
    void setPayload(const QByteArray &payload) { m_payload = payload; }
    quint8 qos() const { return m_qos; }
    bool retain() const { return m_retain; }
    bool dup() const { return m_dup; }

private:
    quint16 m_id = 0;
    QString m_topic;
    QByteArray m_payload;
    quint8 m_qos = 0;
    bool m_retain = false;
    bool m_dup = false;
};

} // namespace QMQTT

Q_DECLARE_METATYPE(QMQTT::Message)
