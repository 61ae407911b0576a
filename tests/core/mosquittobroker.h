#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// A real mosquitto broker on 127.0.0.1 for one test: started on a free port, stopped and
// started again on the same port, killed with the test.
class MosquittoBroker
{
public:
    ~MosquittoBroker() { stop(); }

    static QString executable()
    {
        const QString found = QStandardPaths::findExecutable("mosquitto");
        return found.isEmpty()
                   ? QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"})
                   : found;
    }

    static quint16 freePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        return server.serverPort();
    }

    quint16 port() const { return m_port; }
    // What the broker logged so far, e.g. "New client connected from ... as <id> (p2, c1, k30).".
    QString log() const
    {
        QFile file(m_dir.filePath("broker.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Picks the port without starting, so that a test can connect before the broker is up.
    void choosePort()
    {
        if (m_port == 0)
            m_port = freePort();
    }

    // True once the broker accepts connections (within timeoutMs).
    bool start(int timeoutMs = 20000)
    {
        choosePort();
        const QString program = executable();
        if (program.isEmpty() || !m_dir.isValid())
            return false;
        QFile config(m_dir.filePath("broker.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write(
            QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(m_port).toUtf8());
        config.close();
        // Its log stays beside its configuration, for a failing test to read.
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_dir.filePath("broker.log"), QIODevice::Append);
        m_process.start(program, {"-c", config.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && isRunning()) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    void stop()
    {
        if (!isRunning())
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
