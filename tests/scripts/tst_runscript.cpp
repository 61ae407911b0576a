// scripts/run.sh on a built tree with a stand-in for the program: it opens the demo from the
// user's own copy only once the simulator answers, keeps that copy, stops the simulator with the
// program, and says plainly that the demo's port is taken instead of starting a program that
// could only time out.
#include "childprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

// Far above the script's own 10 s wait for the simulator; nothing is built.
constexpr int scriptTimeoutMs = 60000;

} // namespace

class tst_RunScript : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void demoOpensOnceTheSimulatorAnswers();
    void takenPortStopsWithItsReason();

private:
    QString copyPath() const
    {
        return m_home->filePath(QStringLiteral(".local/share/Morvelin/vexmar-demo.dpro"));
    }
    QString example() const
    {
        return QStringLiteral(MORVELIN_SOURCE_DIR "/examples/vexmar-demo.dpro");
    }
    // Starts the script with the stand-in program and the simulator on port (0: a free one).
    void startScript(quint16 port);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_script;
    // The simulator the script reported; stopped here should the script have been killed.
    pid_t m_simulator = 0;
};

void tst_RunScript::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    // The stand-in records its arguments, then waits (10 s at most) until the test lets it end.
    const QString standIn = m_home->filePath("morvelin-stand-in");
    QFile file(standIn);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n"
               "printf '%s\\n' \"$@\" > \"$STAND_IN_DIR/args\"\n"
               "i=0\n"
               "while [ ! -e \"$STAND_IN_DIR/go\" ] && [ $i -lt 100 ]; do\n"
               "    sleep 0.1; i=$((i + 1))\n"
               "done\n");
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

void tst_RunScript::cleanup()
{
    if (m_script && m_script->state() != QProcess::NotRunning) {
        m_script->kill();
        m_script->waitForFinished(5000);
        if (m_simulator > 0)
            ::kill(m_simulator, SIGTERM);
    }
    m_simulator = 0;
    m_script.reset();
    m_home.reset();
}

void tst_RunScript::startScript(quint16 port)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_home->path());
    env.remove("XDG_DATA_HOME");
    // A display is named, so that the stand-in is started as it is, not under xvfb-run.
    env.insert("DISPLAY", ":stand-in");
    env.insert("MORVELIN_BUILD_DIR", QFileInfo(QStringLiteral(MORVELIN_BIN_DIR)).path());
    env.insert("MORVELIN_PROGRAM", m_home->filePath("morvelin-stand-in"));
    env.insert("MORVELIN_DEMO_PORT", QString::number(port));
    env.insert("STAND_IN_DIR", m_home->path());
    env.remove("VEXMARSIM");
    m_script = std::make_unique<QProcess>();
    m_script->setProcessEnvironment(env);
    m_script->start("bash", {QStringLiteral(MORVELIN_SOURCE_DIR "/scripts/run.sh")});
    QVERIFY(m_script->waitForStarted(5000));
}

void tst_RunScript::demoOpensOnceTheSimulatorAnswers()
{
    for (int run = 0; run < 2; ++run) {
        startScript(0);
        QByteArray out;
        const QRegularExpressionMatch ready = waitForOutput(
            m_script.get(), QProcess::StandardOutput,
            QRegularExpression("Vexmar simulator on 127.0.0.1:(\\d+) \\(process (\\d+)\\)"),
            scriptTimeoutMs, &out);
        QVERIFY2(ready.hasMatch(), out + m_script->readAllStandardError());
        const quint16 port = quint16(ready.captured(1).toUInt());
        m_simulator = pid_t(ready.captured(2).toInt());

        // The program is started on the user's copy, with the simulator already answering.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_home->filePath("args")), scriptTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(logFileLines(m_home->filePath("args")), QStringList{copyPath()},
                                  5000);
        QUdpSocket socket;
        QSignalSpy replies(&socket, &QUdpSocket::readyRead);
        socket.writeDatagram(QByteArray::fromHex("0401"), QHostAddress::LocalHost, port);
        QVERIFY(replies.wait(5000));
        QCOMPARE(socket.receiveDatagram().data(), QByteArray::fromHex("0401"));
        QCOMPARE(out.contains("Made your copy"), run == 0);
        if (run == 0)
            QCOMPARE(fileBytes(copyPath()), fileBytes(example()));
        else
            QCOMPARE(fileBytes(copyPath()), QByteArray("<pro>edited by its user</pro>\n"));

        QFile go(m_home->filePath("go"));
        QVERIFY(go.open(QIODevice::WriteOnly));
        go.close();
        QVERIFY(m_script->waitForFinished(scriptTimeoutMs));
        QCOMPARE(m_script->exitCode(), 0);
        // The simulator went with the program: its port is free again.
        QTRY_VERIFY_WITH_TIMEOUT(QUdpSocket().bind(QHostAddress::LocalHost, port), 5000);
        QVERIFY(QFile::remove(m_home->filePath("go")));
        QVERIFY(QFile::remove(m_home->filePath("args")));

        // What the user saved stays theirs: the next run keeps the copy as it is.
        QFile copy(copyPath());
        QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
        copy.write("<pro>edited by its user</pro>\n");
        copy.close();
    }
}

void tst_RunScript::takenPortStopsWithItsReason()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress(QHostAddress::LocalHost), 0));
    startScript(holder.localPort());
    QVERIFY(m_script->waitForFinished(scriptTimeoutMs));
    const QString err = QString::fromLocal8Bit(m_script->readAllStandardError());
    QCOMPARE(m_script->exitCode(), 1);
    QVERIFY2(err.contains(QStringLiteral("UDP port %1 of 127.0.0.1").arg(holder.localPort()))
                 && err.contains("is in use"),
             qPrintable(err));
    QVERIFY(!QFile::exists(m_home->filePath("args")));
    QVERIFY(!m_script->readAllStandardOutput().contains("Opening"));
}

QTEST_GUILESS_MAIN(tst_RunScript)
#include "tst_runscript.moc"
