#pragma once

#include "instanceguard.h"
#include "mainwindow.h"
#include "recordingprompt.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>
#include <memory>

// The main window offscreen in a temporary program folder (also the working directory), with
// a prompt and a file chooser that answer as the test says and a serial port list of its own.
struct WindowFixture
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingPrompt> prompt;
    std::unique_ptr<ScriptedFileChooser> chooser;
    std::unique_ptr<InstanceGuard> guard;
    std::unique_ptr<MainWindow> window;
    QStringList ports;
    int quits = 0;
    // When set before create(), the window's boxes go here (the program's real ones) instead of
    // to the recording prompt.
    Prompt *boxes = nullptr;

    // From a test's init().
    void setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        prompt = std::make_unique<RecordingPrompt>();
        chooser = std::make_unique<ScriptedFileChooser>();
        // A key of this test alone, so that tests run in parallel.
        guard = std::make_unique<InstanceGuard>(
            "tst-window-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
        QVERIFY(QDir::setCurrent(dir->path()));
        ports.clear();
        quits = 0;
        boxes = nullptr;
    }

    MainWindow *create()
    {
        MainWindowServices services;
        services.prompt = boxes ? boxes : prompt.get();
        services.fileChooser = chooser.get();
        services.folder = ProgramFolder(dir->path());
        services.instanceGuard = guard.get();
        services.quitApplication = [this] { ++quits; };
        services.serialPortNames = [this] { return ports; };
        window = std::make_unique<MainWindow>(services);
        return window.get();
    }

    // From a test's cleanup(): every expected box came, no other, and no file dialog was left
    // unanswered.
    void tearDown()
    {
        window.reset();
        QDir::setCurrent(QDir::tempPath());
        QVERIFY2(prompt->unexpected.isEmpty(), qPrintable(prompt->unexpected.join("\n")));
        QCOMPARE(prompt->pending(), 0);
        QVERIFY2(chooser->answers.isEmpty(), qPrintable(chooser->answers.join(", ")));
        guard.reset();
        dir.reset();
    }

    QString path(const QString &name) const { return dir->filePath(name); }

    // Links the built driver library `library` into the program folder's "libdrive", where the
    // window loads a project's driver from, under the file name `fileName`.
    bool linkDriver(const QString &library, const QString &fileName) const
    {
        return QDir(dir->path()).mkpath(QStringLiteral("libdrive"))
               && QFile::link(library, path("libdrive/" + fileName));
    }

    // Links the built driver libraries `names` (file names in `folder`) under their own names.
    bool linkDrivers(const QString &folder, const QStringList &names) const
    {
        for (const QString &name : names) {
            if (!linkDriver(folder + QLatin1Char('/') + name, name))
                return false;
        }
        return true;
    }
};
