#pragma once

// What the firmware page's tests and benchmark share: images with telling blocks, block requests,
// and a controller at the far end of a broker. Free of QtTest.
#include "fwpacket.h"
#include "qmqtt/qmqtt_client.h"

#include <QEventLoop>
#include <QFile>
#include <QTimer>

// An image whose every 256-byte block differs from its neighbours, so that a block sent twice
// or out of place shows.
inline QByteArray imageBytes(qint64 size)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    for (int k = 0; k < bytes.size(); ++k)
        bytes[k] = char((k * 7 + k / 256) % 256);
    return bytes;
}

inline bool writeImage(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A block request of the APP (0x81, 0x82) or OS (0x83, 0x84) image.
inline QByteArray blockRequest(quint8 code, quint16 index)
{
    QByteArray bytes("FW");
    bytes.append(char(code));
    bytes.append(char(index & 0xff));
    bytes.append(char(index >> 8));
    return FwPacket::withCrc(bytes);
}

inline quint32 littleEndian(const QByteArray &bytes, int offset, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(offset + i));
    return value;
}

// The controller at the far end: reads the program's packets on its down topic and, while it
// uploads, asks for the next block after the start packet and after every block.
class BrokerController : public QObject
{
public:
    BrokerController(quint16 port, const QString &deviceId)
        : m_client(QHostAddress::LocalHost, port)
        , m_deviceId(deviceId)
    {
        connect(&m_client, &QMQTT::Client::received, this, &BrokerController::onPacket);
        // Like a controller, it comes back by itself after the broker went away.
        connect(&m_client, &QMQTT::Client::connected, this,
                [this] { m_client.subscribe("kxota/down/v1/" + m_deviceId, 0); });
        connect(&m_client, &QMQTT::Client::subscribed, this, [this] { ++subscriptions; });
        m_client.setAutoReconnect(true);
    }

    // Connects and subscribes; false when that takes longer than timeoutMs.
    bool start(int timeoutMs = 10000)
    {
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        bool subscribed = false;
        const auto onSubscribed
            = connect(&m_client, &QMQTT::Client::subscribed, &loop, [&subscribed, &loop] {
                  subscribed = true;
                  loop.quit();
              });
        m_client.setClientId("controller-" + m_deviceId);
        m_client.connectToHost();
        loop.exec();
        disconnect(onSubscribed);
        return subscribed;
    }

    void send(const QByteArray &payload)
    {
        m_client.publish(QMQTT::Message(0, "kxota/up/v1/" + m_deviceId, payload));
    }

    QList<QByteArray> packets; // every packet received, in order
    QByteArray image;          // the blocks received since the last start, joined
    quint32 announcedSize = 0;
    quint16 announcedVersion = 0;
    bool uploading = true;
    // After this many blocks (0: never) it asks for nothing more until told again.
    int holdAfterBlocks = 0;
    int subscriptions = 0; // one per connection to the broker

private:
    void onPacket(const QMQTT::Message &message)
    {
        const QByteArray p = message.payload();
        packets << p;
        if (!uploading || p.size() < 5)
            return;
        const quint8 code = quint8(p.at(2));
        const bool app = code == 0x01 || code == 0x02;
        const quint8 requestCode = app ? 0x81 : 0x83;
        if (code == 0x01 || code == 0x03) {
            announcedVersion = quint16(littleEndian(p, 3, 2));
            announcedSize = littleEndian(p, 5, 3);
            image.clear();
            send(blockRequest(requestCode, 0));
        } else if (code == 0x02 || code == 0x04) {
            const quint16 number = quint16(littleEndian(p, 3, 2));
            image += p.mid(5, p.size() - 7);
            if (holdAfterBlocks > 0 && number >= holdAfterBlocks)
                return;
            // The next index; the one past the end tells the program the image is complete.
            send(blockRequest(requestCode, number));
        }
    }

    QMQTT::Client m_client;
    QString m_deviceId;
};
