#pragma once

// Folders the program cannot write, as a user meets them (a read-only share, another user's
// folder). Root ignores a folder's write bits, so under root the test function runs again in a
// child process of this test program without the capabilities that override file modes
// (setpriv); as any other user the folder's mode alone does it. The child stays root otherwise,
// so a build tree in root's own folder still serves it.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

// What a run of the current test function without file-mode overrides gave.
struct UnprivilegedRun
{
    bool ran = false;    // false: this process honours folder modes and runs the test itself
    bool passed = false; // the child ran the function and it passed
    QString output;      // the child's test log, or why it could not run
};

// Whether this process may write into a folder whose mode forbids it (root's override).
inline bool ignoresFolderModes()
{
    QTemporaryDir dir;
    if (!dir.isValid() || !QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner))
        return false;
    QFile probe(QDir(dir.path()).filePath(QStringLiteral("probe")));
    const bool wrote = probe.open(QIODevice::WriteOnly);
    probe.close();
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return wrote;
}

// Under root: runs the current test function (and data row) in a child process without the
// capabilities that override file modes, and waits for it up to timeoutMs.
inline UnprivilegedRun runAsUnprivilegedWhenRoot(int timeoutMs = 60000)
{
    UnprivilegedRun run;
    if (!ignoresFolderModes())
        return run;
    run.ran = true;
    const QString name = QString::fromLatin1(QTest::currentTestFunction());
    const QString tag
        = QTest::currentDataTag() ? QString::fromLocal8Bit(QTest::currentDataTag()) : QString();
    const QString function = tag.isEmpty() ? name : name + QLatin1Char(':') + tag;
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--bounding-set=-dac_override,-dac_read_search"),
                 QStringLiteral("--"), QCoreApplication::applicationFilePath(), function});
    if (!child.waitForStarted(timeoutMs)) {
        run.output = QStringLiteral("setpriv: ") + child.errorString();
        return run;
    }
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(5000);
        run.output = QStringLiteral("the run without file-mode overrides did not end in %1 ms\n")
                         .arg(timeoutMs);
    }
    run.output += QString::fromLocal8Bit(child.readAll());
    // The function itself passed, not merely nothing failed (a skip passes nothing).
    const QString passLine = QStringLiteral("::%1(%2)").arg(name, tag);
    bool functionPassed = false;
    for (const QString &line : run.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("PASS   : ")) && line.contains(passLine))
            functionPassed = true;
    }
    run.passed
        = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && functionPassed;
    if (!run.passed) {
        // QtTest cuts long messages short: the child's log goes to stderr whole, less its
        // debug lines.
        QStringList lines;
        for (const QString &line : run.output.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1String("QDEBUG : ")))
                lines << line;
        }
        std::fprintf(stderr, "---- the run without file-mode overrides ----\n%s\n----\n",
                     qPrintable(lines.join(QLatin1Char('\n'))));
        run.output
            = QStringLiteral("the run without file-mode overrides failed (its log is above)");
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
        *why = dir
               + QStringLiteral(" is still writable: the test runs with rights that ignore "
                                "the folder's mode");
        return false;
    }
    return true;
}

// Runs the rest of the current test function without file-mode overrides when this process has
// them (root), and then ends it with the child's outcome; otherwise it goes on in this process.
#define RUN_UNPRIVILEGED_WHEN_ROOT()                                                               \
    do {                                                                                           \
        const UnprivilegedRun unprivileged = runAsUnprivilegedWhenRoot();                          \
        if (unprivileged.ran) {                                                                    \
            QVERIFY2(unprivileged.passed, qPrintable(unprivileged.output));                        \
            return;                                                                                \
        }                                                                                          \
    } while (false)
