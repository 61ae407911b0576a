#pragma once

// Child processes of tests and benchmarks: reading a process's output until a pattern shows,
// and socat pty pairs for serial links. Free of QtTest, so benchmarks can use it too.
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>

// Reads from process until pattern matches the collected text or the time is up.
inline QRegularExpressionMatch waitForOutput(QProcess *process, QProcess::ProcessChannel channel,
                                             const QRegularExpression &pattern, int timeoutMs,
                                             QByteArray *collected)
{
    process->setReadChannel(channel);
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        collected->append(process->readAll());
        const QRegularExpressionMatch m = pattern.match(QString::fromLocal8Bit(*collected));
        if (m.hasMatch() || deadline.hasExpired() || process->state() == QProcess::NotRunning)
            return m;
        process->waitForReadyRead(
            int(qMax<qint64>(1, qMin<qint64>(100, deadline.remainingTime()))));
    }
}

// Two linked pseudo-terminals from socat: what is written to one is read from the other.
class SocatPtyPair
{
public:
    SocatPtyPair() = default;
    ~SocatPtyPair() { stop(); }
    SocatPtyPair(const SocatPtyPair &) = delete;
    SocatPtyPair &operator=(const SocatPtyPair &) = delete;

    bool start(int timeoutMs = 10000)
    {
        m_process.start(QStringLiteral("socat"),
                        {QStringLiteral("-d"), QStringLiteral("-d"),
                         QStringLiteral("pty,raw,echo=0"), QStringLiteral("pty,raw,echo=0")});
        if (!m_process.waitForStarted(timeoutMs))
            return false;
        static const QRegularExpression pair(
            QStringLiteral("PTY is (\\S+)[\\s\\S]*PTY is (\\S+)[\\s\\S]*starting data transfer"));
        QByteArray err;
        const QRegularExpressionMatch m
            = waitForOutput(&m_process, QProcess::StandardError, pair, timeoutMs, &err);
        if (!m.hasMatch()) {
            stop();
            return false;
        }
        m_first = m.captured(1);
        m_second = m.captured(2);
        return true;
    }

    QString first() const { return m_first; }
    QString second() const { return m_second; }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    QString m_first;
    QString m_second;
};
