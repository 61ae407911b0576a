#pragma once

// Folders the program cannot write, as a user meets them (a read-only share, another user's
// folder). Root ignores a folder's write bits, so under root the test function runs again in a
// child process of this test program as the unprivileged user "nobody" (setpriv); as any other
// user the folder's mode alone does it.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <pwd.h>

// What a run of the current test function as "nobody" gave.
struct UnprivilegedRun
{
    bool ran = false;    // false: this process is not root and runs the test itself
    bool passed = false; // the child ran the function and it passed
    QString output;      // the child's test log, or why it could not run
};

// Whether this process makes its files as root (whose uid unistd.h would give, but it declares
// names such as link() that tests use for their own).
inline bool makesFilesAsRoot()
{
    QTemporaryFile file;
    return file.open() && QFileInfo(file.fileName()).ownerId() == 0;
}

// Under root: runs the current test function (and data row) in a child process as "nobody" and
// waits for it up to timeoutMs. The build tree and the temporary folder must be readable by it.
inline UnprivilegedRun runAsUnprivilegedWhenRoot(int timeoutMs = 60000)
{
    UnprivilegedRun run;
    if (!makesFilesAsRoot())
        return run;
    run.ran = true;
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody) {
        run.output = QStringLiteral("no user \"nobody\" to run the test as");
        return run;
    }
    const QString name = QString::fromLatin1(QTest::currentTestFunction());
    const QString tag
        = QTest::currentDataTag() ? QString::fromLocal8Bit(QTest::currentDataTag()) : QString();
    const QString function = tag.isEmpty() ? name : name + QLatin1Char(':') + tag;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Root's own folders are not the child's.
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("HOME"), QDir::tempPath());
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(QDir::tempPath());
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(nobody->pw_uid),
                 QStringLiteral("--regid=%1").arg(nobody->pw_gid), QStringLiteral("--clear-groups"),
                 QStringLiteral("--"), QCoreApplication::applicationFilePath(), function});
    if (!child.waitForStarted(timeoutMs)) {
        run.output = QStringLiteral("setpriv: ") + child.errorString();
        return run;
    }
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
        run.output = QStringLiteral("the run as nobody did not end in %1 ms\n").arg(timeoutMs);
    }
    run.output += QString::fromLocal8Bit(child.readAll());
    // The function itself passed, not merely nothing failed (a skip passes nothing).
    const QString passLine = QStringLiteral("::%1(%2)").arg(name, tag);
    bool functionPassed = false;
    for (const QString &line : run.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("PASS   : ")) && line.contains(passLine))
            functionPassed = true;
    }
    run.passed = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                 && functionPassed;
    if (!run.passed) {
        // QtTest cuts long messages short: the child's log goes to stderr whole, less its
        // debug lines.
        QStringList lines;
        for (const QString &line : run.output.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1String("QDEBUG : ")))
                lines << line;
        }
        std::fprintf(stderr, "---- the run as nobody ----\n%s\n----\n",
                     qPrintable(lines.join(QLatin1Char('\n'))));
        run.output = QStringLiteral("the run as nobody failed (its log is above)");
    }
    return run;
}

// Makes dir a folder the running user cannot write; false, with why, when it still can be.
inline bool makeUnwritable(const QString &dir, QString *why)
{
    if (!QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther)) {
        *why = QStringLiteral("cannot change the mode of ") + dir;
        return false;
    }
    QFile probe(QDir(dir).filePath(QStringLiteral(".probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        *why = dir + QStringLiteral(" is still writable: the test runs with rights that ignore "
                                    "the folder's mode");
        return false;
    }
    return true;
}

// Runs the rest of the current test function as "nobody" when this process is root, and then
// ends it with the child's outcome; as any other user it goes on in this process.
#define RUN_UNPRIVILEGED_WHEN_ROOT()                                                               \
    do {                                                                                           \
        const UnprivilegedRun unprivileged = runAsUnprivilegedWhenRoot();                          \
        if (unprivileged.ran) {                                                                    \
            QVERIFY2(unprivileged.passed, qPrintable(unprivileged.output));                        \
            return;                                                                                \
        }                                                                                          \
    } while (false)
