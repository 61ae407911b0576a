#pragma once

// The replies of a simulator going out in order, each after its own delay: a delayed reply
// holds back everything behind it, as one serial line does.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>

class SimOutbox
{
public:
    // Writes one reply, with the number of the request it answers.
    using Writer = std::function<void(const QByteArray &bytes, int request)>;

    explicit SimOutbox(Writer writer)
        : m_writer(std::move(writer))
    {
    }

    void send(const QByteArray &bytes, int delayMs, int request = 0)
    {
        m_pending << Pending{bytes, delayMs, request};
        if (!m_waiting)
            sendNext();
    }

private:
    void sendNext()
    {
        while (!m_pending.isEmpty()) {
            Pending &next = m_pending.first();
            if (next.delayMs > 0) {
                m_waiting = true;
                const int delay = next.delayMs;
                next.delayMs = 0;
                QTimer::singleShot(delay, Qt::PreciseTimer, &m_context, [this] {
                    m_waiting = false;
                    sendNext();
                });
                return;
            }
            const Pending sent = m_pending.takeFirst();
            m_writer(sent.bytes, sent.request);
        }
    }

    struct Pending
    {
        QByteArray bytes;
        int delayMs;
        int request;
    };
    Writer m_writer;
    QList<Pending> m_pending;
    bool m_waiting = false;
    QObject m_context; // ends the timers with the outbox
};
