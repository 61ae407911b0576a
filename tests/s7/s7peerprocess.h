#pragma once

// Runs an S7 peer (the scripted peer or the Snap7 server) for a test: starts it, learns its
// port from its first line, collects the lines it prints, and kills it by its process id.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

inline QString s7PeerDir()
{
    return QStringLiteral(S7_PEER_DIR);
}

inline bool snap7Installed()
{
    return QFile::exists(s7PeerDir() + "/node_modules/node-snap7/build/Release/node_snap7.node")
           && !QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty();
}

// Byte at offset of an area (and data block) of the scripted peer before anything is written.
inline quint8 peerPattern(int area, int db, int offset)
{
    return quint8((7 * offset + 13 * db + area) & 0xFF);
}

class S7PeerProcess
{
public:
    ~S7PeerProcess() { stop(); }

    bool startScripted(const QStringList &args)
    {
        return start(QStringLiteral("/usr/bin/python3"),
                     QStringList{s7PeerDir() + "/s7peer.py"} + args);
    }

    bool startSnap7(const QStringList &areas)
    {
        QStringList args{s7PeerDir() + "/snap7server.js"};
        for (const QString &area : areas)
            args << QStringLiteral("--area") << area;
        return start(QStandardPaths::findExecutable(QStringLiteral("node")), args);
    }

    int port() const { return m_port; }
    QString link() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    // Lines printed since the last call, waiting up to timeoutMs until at least minCount.
    QStringList takeLines(int minCount = 0, int timeoutMs = 3000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            m_buffer += m_process.readAllStandardOutput();
            int nl;
            while ((nl = m_buffer.indexOf('\n')) >= 0) {
                m_lines << QString::fromUtf8(m_buffer.left(nl));
                m_buffer.remove(0, nl + 1);
            }
            if (m_lines.size() >= minCount || deadline.hasExpired())
                break;
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        const QStringList lines = m_lines;
        m_lines.clear();
        return lines;
    }

    QString errorText() const { return m_error; }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    bool start(const QString &program, const QStringList &args)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, args);
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return false;
        }
        const QStringList first = takeLines(1, 15000);
        if (first.isEmpty() || !first.first().startsWith(QLatin1String("PORT "))) {
            m_error = QString::fromUtf8(m_process.readAllStandardError());
            return false;
        }
        m_lines = first.mid(1);
        m_port = first.first().mid(5).toInt();
        return m_port > 0;
    }

    QProcess m_process;
    QByteArray m_buffer;
    QStringList m_lines;
    QString m_error;
    int m_port = 0;
};
