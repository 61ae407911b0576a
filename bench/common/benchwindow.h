#pragma once

#include "mainwindow.h"
#include "projectfile.h"
#include "recordingprompt.h"
#include "ui_mainwindow.h"
#include "weekhistory.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cmath>

// The services of a benchmark's window: its boxes and file dialogs go to the given seams, its
// program folder is `folder`, and it lists no serial port.
inline MainWindowServices benchWindowServices(Prompt *prompt, FileChooser *fileChooser,
                                              const QString &folder)
{
    MainWindowServices services;
    services.prompt = prompt;
    services.fileChooser = fileChooser;
    services.folder = ProgramFolder(folder);
    services.serialPortNames = [] { return QStringList(); };
    return services;
}

// A temporary program folder, the working directory while it lives, for windows whose boxes and
// file dialogs are recorded: nothing a benchmark does should open one.
struct BenchFolder
{
    QTemporaryDir dir;
    RecordingPrompt prompt;
    ScriptedFileChooser files;
    MainWindowServices services;

    BenchFolder()
    {
        QDir::setCurrent(dir.path());
        services = benchWindowServices(&prompt, &files, dir.path());
    }
    ~BenchFolder() { QDir::setCurrent(QDir::tempPath()); }

    // Lists the boxes that came all the same.
    void printUnexpected(QTextStream &out) const
    {
        for (const QString &box : prompt.unexpected)
            out << "unexpected box: " << box << "\n";
    }
};

// Project `name` in folder with labels, bound at link to the driver whose library driverFile is
// linked into the folder's "libdrive" (the test driver, or a real one); its path.
inline QString writeBenchProject(const QString &folder, const QString &name,
                                      const QList<LabelRow> &labels, const QString &driverFile,
                                      const QString &link = QStringLiteral("127.0.0.1:5000"))
{
    const QDir dir(folder);
    dir.mkpath(QStringLiteral("libdrive"));
    const QFileInfo library(driverFile);
    QFile::link(driverFile, dir.filePath(QStringLiteral("libdrive/") + library.fileName()));
    ProjectData data;
    data.name = name;
    data.driveLibName = library.completeBaseName();
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = link;
    data.labels = labels;
    const QString path = dir.filePath(name);
    ProjectFile::write(path, data);
    return path;
}

// The project "bench.dpro" of the week's labels in folder, bound to the driver whose library is
// driverFile, with the week file as its history and one section "week" of every label (scale 0
// to 200); its path.
inline QString writeWeekProject(const QString &folder, const QString &weekFile,
                                const QString &driverFile)
{
    const QDir dir(folder);
    QList<LabelRow> labels;
    for (int i = 0; i < weekLabelCount; ++i)
        labels << LabelRow{"", weekLabelName(i), "", "50", "", "float"};
    const QString project
        = writeBenchProject(folder, QStringLiteral("bench.dpro"), labels, driverFile);
    QFile::link(QFileInfo(weekFile).absoluteFilePath(),
                dir.filePath(QStringLiteral("HistoryData.db")));
    QSettings sections(dir.filePath(QStringLiteral("bench.ini")), QSettings::IniFormat);
    sections.setValue(QStringLiteral("Section/0"), 1);
    sections.setValue(QStringLiteral("Section/1"), weekLabelCount);
    sections.setValue(QStringLiteral("Section1/name"), QStringLiteral("week"));
    for (int i = 0; i < weekLabelCount; ++i) {
        sections.setValue(QStringLiteral("Section1/%1").arg(i + 1), weekLabelName(i));
        sections.setValue(QStringLiteral("Section1/Max%1").arg(i + 1), 0);
        sections.setValue(QStringLiteral("Section1/Min%1").arg(i + 1), 200);
    }
    return project;
}

// The window shown at 1920x1080 on its trend page, its trend clock reading the caller's `now`,
// laid out before anything is measured so that the plot area is the screen's.
inline void showTrendPage(MainWindow &window, const QDateTime &now)
{
    window.setTrendClock([&now] { return now; });
    window.resize(1920, 1080);
    window.show();
    window.form()->tabWidget->setCurrentWidget(window.form()->tab_3);
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Every label row to a trend panel through the label menu; the curve timers are stopped, so that
// only the benchmark feeds the curves.
inline void trendAllLabels(MainWindow &window)
{
    window.form()->tableView_label->selectAll();
    window.labelMenu()->actions().at(5)->trigger();
    for (QTimer *timer : window.seriesTimers)
        timer->stop();
}

// A curve's one-second samples: a slow wave with noise.
inline double benchSample(int curve, qint64 second)
{
    return 50 + 40 * std::sin(double(second) / 600.0 + curve) + double((second * 7919) % 13) / 4;
}
