#pragma once

// Child processes of tests and benchmarks: reading a process's output until a pattern shows, and
// simulators started as child processes. Free of QtTest, so benchmarks can use it too.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

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

// The path of a program built into the build's bin/ folder (the simulators under tools/).
inline QString builtProgram(const QString &name)
{
#ifdef MORVELIN_BIN_DIR
    return QStringLiteral(MORVELIN_BIN_DIR "/") + name;
#else
    return name;
#endif
}

// The lines a simulator wrote to its log file so far; none while the file is not there yet.
inline QStringList logFileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The whole of a file a child process wrote; empty while it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A child process that is ready once what it prints matches a pattern; killed by its process id
// on stop() and at the latest when this object goes.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // Stops an earlier run, starts program and waits up to timeoutMs until its output on channel
    // matches ready. False, with error() saying why and the process stopped, when it does not.
    bool start(const QString &program, const QStringList &args, const QRegularExpression &ready,
               int timeoutMs, QProcess::ProcessChannel channel = QProcess::StandardOutput)
    {
        stop();
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, args);
        if (!m_process.waitForStarted(timeoutMs)) {
            m_error = m_process.errorString();
            return false;
        }
        QByteArray out;
        m_ready = waitForOutput(&m_process, channel, ready, timeoutMs, &out);
        if (!m_ready.hasMatch()) {
            m_error = QString::fromLocal8Bit(out + m_process.readAllStandardError());
            stop();
            return false;
        }
        return true;
    }

    // The match of the ready pattern of the last start that succeeded.
    QRegularExpressionMatch readyMatch() const { return m_ready; }
    QString error() const { return m_error; }
    // 0 while it does not run.
    qint64 processId() const { return m_process.processId(); }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    QRegularExpressionMatch m_ready;
    QString m_error;
};
