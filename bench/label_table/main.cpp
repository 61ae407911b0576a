// Prints what a large label table costs the window: importing a CSV list through the label
// menu, opening a project file, and stopping a monitoring run of that many labels against the
// test driver, each with its wall time and the memory (RSS) it added, for 1,000 and 10,000
// labels. Aims: import or open of 10,000 labels under 3 s and 150 MB; stop under 1 s.
#include "benchwindow.h"
#include "filechooser.h"
#include "labelcsv.h"
#include "mainwindow.h"
#include "processmemory.h"
#include "projectfile.h"
#include "prompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMenu>
#include <QPushButton>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <functional>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Answers every file dialog with one path and keeps the boxes; any but an information box
// is printed, since it means the step went wrong.
class BenchServices : public Prompt, public FileChooser
{
public:
    QString path;
    QStringList informationTexts;

    void information(QWidget *, const QString &, const QString &text) override
    {
        informationTexts << text;
    }
    void warning(QWidget *, const QString &title, const QString &text) override
    {
        unexpected("warning", title + ": " + text);
    }
    void critical(QWidget *, const QString &title, const QString &text) override
    {
        unexpected("critical", title + ": " + text);
    }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        return unexpected("question", title + ": " + text);
    }
    int choose(QWidget *, const QString &title, const QString &text,
               const QStringList &buttons) override
    {
        unexpected("choice", title + ": " + text);
        return int(buttons.size()) - 1;
    }
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return path;
    }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return path;
    }
    QString existingDirectory(QWidget *, const QString &, const QString &) override { return path; }

private:
    static bool unexpected(const char *kind, const QString &text)
    {
        QTextStream(stderr) << "unexpected " << kind << " box: " << text << "\n";
        return false;
    }
};

// Resident memory of this process in MB, after handing freed heap back to the system.
double residentMb()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    const qint64 kib = statusKiB("VmRSS");
    return kib < 0 ? -1 : kib / 1024.0;
}

QList<LabelRow> plantLabels(int n)
{
    QList<LabelRow> rows;
    rows.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int kind = i % 10;
        const QString type = kind < 6 ? "Int16" : kind < 9 ? "float" : "bool";
        rows << LabelRow{"",
                         QStringLiteral("LW%1").arg(i + 1),
                         QStringLiteral("tank %1 level").arg(i % 97),
                         "",
                         "m",
                         type};
    }
    return rows;
}

struct Figure
{
    double seconds = 0;
    double addedMb = 0;
    int rows = 0;
};

// Lets the shown window lay out and paint what the step changed, as a user would wait for it.
void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class Bench
{
public:
    explicit Bench(const QString &dir)
        : m_dir(dir)
    {
    }

    // One step on a fresh shown window: its time until the window has settled, and the memory
    // it added.
    Figure timed(const std::function<void(MainWindow *)> &step)
    {
        auto w = window();
        const double before = residentMb();
        QElapsedTimer clock;
        clock.start();
        step(w.get());
        settle();
        Figure f;
        f.seconds = clock.nsecsElapsed() / 1e9;
        f.addedMb = residentMb() - before;
        f.rows = w->labelRowCount();
        return f;
    }

    std::unique_ptr<MainWindow> window()
    {
        auto w = std::make_unique<MainWindow>(
            benchWindowServices(&m_services, &m_services, m_dir.path()));
        w->show();
        settle();
        return w;
    }

    QString writeProject(int n)
    {
        return writeBenchProject(m_dir.path(), QStringLiteral("bench%1.dpro").arg(n),
                                      plantLabels(n),
                                      QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"));
    }

    Figure import(int n)
    {
        const QString csv = m_dir.filePath(QStringLiteral("labels%1.csv").arg(n));
        LabelCsv::exportFile(csv, {"time", "label", "describe", "value", "unit", "type"},
                             plantLabels(n));
        m_services.path = csv;
        return timed([](MainWindow *w) { w->labelMenu()->actions().at(3)->trigger(); });
    }

    Figure open(int n)
    {
        const QString path = writeProject(n);
        return timed([&path](MainWindow *w) { w->openProjectFile(path); });
    }

    // From the stop button to the end of the stop sequence, with the window's own pauses.
    Figure stop(int n)
    {
        const QString path = writeProject(n);
        auto w = window();
        w->openProjectFile(path);
        w->findChild<QPushButton *>(QStringLiteral("pushButton_startMonitor"))->click();
        Figure f;
        QElapsedTimer clock;
        clock.start();
        // One tick stores a sample of every label before the stop (bounded wait).
        while (w->monitorRunning() && clock.elapsed() < 60000
               && w->labelItem(n - 1, 3)->text().isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!w->monitorRunning()) {
            f.seconds = -1;
            return f;
        }
        clock.start();
        w->findChild<QPushButton *>(QStringLiteral("pushButton_stopMonitor"))->click();
        while (w->monitorRunning() && clock.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        f.seconds = w->monitorRunning() ? -1 : clock.nsecsElapsed() / 1e9;
        f.rows = w->labelRowCount();
        return f;
    }

private:
    QDir m_dir;
    BenchServices m_services;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    Bench bench(dir.path());

    QTextStream out(stdout);
    out << "Label table of the shown window (offscreen); memory is the RSS the step added\n";
    out << "labels   import s  import MB   open s  open MB   stop s\n";
    out.flush();
    // Label counts may be given on the command line.
    QList<int> counts{1000, 10000};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i)
            counts << QByteArray(argv[i]).toInt();
    }
    for (int n : counts) {
        const Figure imported = bench.import(n);
        const Figure opened = bench.open(n);
        const Figure stopped = bench.stop(n);
        out << QString("%1  %2  %3  %4  %5  %6\n")
                   .arg(n, 6)
                   .arg(imported.seconds, 9, 'f', 2)
                   .arg(imported.addedMb, 9, 'f', 1)
                   .arg(opened.seconds, 7, 'f', 2)
                   .arg(opened.addedMb, 7, 'f', 1)
                   .arg(stopped.seconds, 7, 'f', 2);
        if (imported.rows != n || opened.rows != n)
            out << "  rows: imported " << imported.rows << ", opened " << opened.rows << "\n";
        out.flush();
    }
    out << "Aims at 10,000 labels: import or open under 3 s and 150 MB; stop under 1 s.\n"
           "A stop of -1 s did not end within its bound.\n";
    return 0;
}
