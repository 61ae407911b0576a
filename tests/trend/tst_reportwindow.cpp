// The report page and housekeeping in the main window: a project with chart sections and a
// seeded history, queried and saved through the file-chooser seam; the housekeeping signal
// trimming the project's database.
#include "../core/windowfixture.h"
#include "chartdrawer.h"
#include "historyseed.h"
#include "monitorlogic.h"
#include "projectfile.h"
#include "reportmodel.h"
#include "testdrivercontrol.h"
#include "trendtest.h"
#include "ui_mainwindow.h"
#include "xlsxreadback.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGraphicsLineItem>
#include <QLibrary>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace {

const QDateTime base(QDate(2024, 5, 1), QTime(10, 0, 0));

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void queryAndSave();
    void columnsShowWholeValues();
    void queryFailures();
    void saveFailures();
    void housekeeping();
    void paintedWhileWorking();
    void busyHistoryFile();
    void pollsDuringQueryKept();
    void rowsArePolls();
    void reportAndGuidesTakeTheFirstStored();
    void warningWaitsForTheSave();

private:
    struct Section
    {
        QString name;
        QStringList labels;
    };
    // A project bound to the test driver with these label rows and chart sections.
    MainWindow *openProject(const QList<LabelRow> &labels, const QList<Section> &sections);
    // Labels A, C and A again; sections "Tank" (A, B, C) and "Empty".
    MainWindow *openProject();
    Ui::MainWindow *ui() const { return m_f.window->form(); }
    ReportModel *model() const { return qobject_cast<ReportModel *>(ui()->reportTable->model()); }
    QString status() const { return m_f.window->statusBar()->currentMessage(); }
    void query(int section, const QDateTime &start, const QDateTime &end);

    WindowFixture m_f;
    TestDriverControl *m_control = nullptr;
};

void tst_ReportWindow::initTestCase()
{
    // The same file as the window's binding (through a link), hence the same control record.
    QString error;
    m_control
        = loadTestDriverControl(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver"), &error);
    QVERIFY2(m_control, qPrintable(error));
}

void tst_ReportWindow::init()
{
    m_f.setUp();
    m_control->reset();
}

void tst_ReportWindow::cleanup()
{
    m_f.tearDown();
}

MainWindow *tst_ReportWindow::openProject()
{
    // B is in a section but not in the label table.
    return openProject({LabelRow{"", "A", "Tank level", "", "", "float"},
                        LabelRow{"", "C", "Pump speed", "", "", "float"},
                        LabelRow{"", "A", "second row of A", "", "", "float"}},
                       {{"Tank", {"A", "B", "C"}}, {"Empty", {}}});
}

MainWindow *tst_ReportWindow::openProject(const QList<LabelRow> &labels,
                                          const QList<Section> &sections)
{
    if (!m_f.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"), "LibTest.so"))
        return nullptr;
    ProjectData data;
    data.name = QStringLiteral("a.dpro");
    data.driveLibName = QStringLiteral("LibTest");
    data.hasConnect = true;
    data.linkMode = QStringLiteral("net");
    data.linkParameter = QStringLiteral("127.0.0.1:9");
    data.labels = labels;
    const QString path = m_f.path("a.dpro");
    if (!ProjectFile::write(path, data))
        return nullptr;
    {
        QSettings settings(m_f.path("a.ini"), QSettings::IniFormat);
        settings.setValue("Section/0", sections.size());
        for (int n = 1; n <= sections.size(); ++n) {
            const Section &section = sections.at(n - 1);
            settings.setValue(QStringLiteral("Section/%1").arg(n), section.labels.size());
            for (int i = 0; i < section.labels.size(); ++i)
                settings.setValue(QStringLiteral("Section%1/%2").arg(n).arg(i + 1),
                                  section.labels.at(i));
            settings.setValue(QStringLiteral("Section%1/name").arg(n), section.name);
        }
    }
    MainWindow *window = m_f.create();
    if (!window->openProjectFile(path))
        return nullptr;
    return window;
}

void tst_ReportWindow::query(int section, const QDateTime &start, const QDateTime &end)
{
    ui()->dataClassification1->setCurrentIndex(section);
    ui()->dateTimeStart->setDateTime(start);
    ui()->dateTimeEnd->setDateTime(end);
    ui()->queryData->click();
}

void tst_ReportWindow::queryAndSave()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QVERIFY(window->projectId() > 0);
    QVector<HistoryRow> rows = historyPolls(window->projectId(), {"A", "B", "C"}, 3, base);
    rows += historyPolls(window->projectId() + 1, {"A", "B", "C"}, 3, base);
    QVERIFY(seedHistory(window->historyDatabase()->database(), rows));
    QVERIFY(!ui()->saveReport->isEnabled());
    QCOMPARE(ui()->reportTable->metaObject()->className(), "QTableView");

    ui()->columnHeading->setCurrentIndex(1);
    query(0, base.addSecs(-60), base.addDays(8));
    QCOMPARE(status(), zh("查询成功"));
    QVERIFY(ui()->saveReport->isEnabled());
    QCOMPARE(ui()->dateTimeEnd->dateTime(), base.addSecs(-60).addDays(7));
    QCOMPARE(model()->rowCount(), 3);
    QCOMPARE(model()->columnCount(), 4);
    QStringList headings;
    for (int c = 0; c < 4; ++c)
        headings << model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headings, (QStringList{zh("时间"), "Tank level", "", "Pump speed"}));
    QCOMPARE(model()->cellText(2, 0), QStringLiteral("2024-05-01 10:00:02"));
    QCOMPARE(model()->cellText(2, 3), QStringLiteral("202"));
    QCOMPARE(ui()->reportTable->columnWidth(0), 180);

    // Saved where the user says; the folder is remembered for the next default name.
    QDir(m_f.dir->path()).mkpath("reports");
    const QString path = m_f.path("reports/week.xlsx");
    m_f.chooser->answers << path;
    ui()->saveReport->click();
    QCOMPARE(status(), zh("报表保存成功"));
    QCOMPARE(m_f.chooser->calls, QStringList{"Save Xlsx File"});
    QVERIFY(m_f.chooser->dirs.at(0).startsWith(m_f.dir->path() + "/2"));
    QCOMPARE(window->programSettings()->value("Path/xlsx").toString(), m_f.path("reports"));
    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QMap<QString, QString> written;
    for (auto it = sheet.cells.cbegin(); it != sheet.cells.cend(); ++it)
        written.insert(it.key(), it.value().text);
    QMap<QString, QString> expected{{"A1", zh("时间")}, {"B1", "Tank level"}, {"D1", "Pump speed"}};
    for (int r = 0; r < 3; ++r) {
        const QString row = QString::number(r + 2);
        expected.insert("A" + row, model()->cellText(r, 0));
        expected.insert("B" + row, QString::number(r * 100));
        expected.insert("C" + row, QString::number(r * 100 + 1));
        expected.insert("D" + row, QString::number(r * 100 + 2));
    }
    QCOMPARE(written, expected);

    // The heading choice now goes to both the table and the next workbook.
    ui()->columnHeading->setCurrentIndex(0);
    QCOMPARE(model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("B"));
    m_f.chooser->answers << m_f.path("reports/labels.xlsx");
    ui()->saveReport->click();
    QVERIFY(m_f.chooser->dirs.at(1).startsWith(m_f.path("reports") + "/2"));
    QCOMPARE(readXlsx(m_f.path("reports/labels.xlsx")).cells.value("C1").text, QStringLiteral("B"));
}

// A value wider than a default column is shown whole, not cut to "1....".
void tst_ReportWindow::columnsShowWholeValues()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    const int id = window->projectId();
    QVector<HistoryRow> rows;
    for (int poll = 0; poll < 2; ++poll) {
        const QString time = historyTime(base.addSecs(poll));
        rows << HistoryRow{id, "A", 12345.678901234567, time} << HistoryRow{id, "B", 7, time}
             << HistoryRow{id, "C", -0.00012345678901234, time};
    }
    QVERIFY(seedHistory(window->historyDatabase()->database(), rows));
    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(status(), zh("查询成功"));
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(ui()->reportTable->columnWidth(0), 180);
    const QFontMetrics metrics(ui()->reportTable->font());
    for (int column = 1; column < model()->columnCount(); ++column) {
        for (int row = 0; row < model()->rowCount(); ++row) {
            const QString text = model()->cellText(row, column);
            QVERIFY2(ui()->reportTable->columnWidth(column) > metrics.horizontalAdvance(text) + 6,
                     qPrintable(text));
        }
    }
}

void tst_ReportWindow::queryFailures()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A", "B", "C"}, 2, base)));
    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(model()->rowCount(), 2);

    // A section without labels leaves the last report, and says so in place of the last
    // query's success.
    QCOMPARE(status(), zh("查询成功"));
    query(1, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(status(), zh("查询失败：数据组没有标签"));

    // No record in the span: no failure, no data.
    query(0, base.addSecs(60), base.addSecs(120));
    QCOMPARE(status(), zh("查询成功，但没有数据"));
    QCOMPARE(model()->rowCount(), 0);
    QVERIFY(!ui()->saveReport->isEnabled());

    // No section at all.
    query(0, base.addSecs(-60), base.addSecs(60));
    QVERIFY(ui()->saveReport->isEnabled());
    ui()->dataClassification1->clear();
    ui()->queryData->click();
    QCOMPARE(status(), zh("查询失败"));
    QCOMPARE(model()->rowCount(), 0);

    // No report: nothing to save, and the export asks for no file.
    QVERIFY(!ui()->saveReport->isEnabled());
    QMetaObject::invokeMethod(ui()->saveReport, "clicked");
    QVERIFY(m_f.chooser->calls.isEmpty());
}

void tst_ReportWindow::saveFailures()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A"}, 2, base)));
    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(status(), zh("查询成功"));

    ui()->saveReport->click(); // cancelled
    QCOMPARE(status(), zh("报表保存失败"));

    // A plain file where the folder should be: unwritable whoever runs the test.
    QFile blocker(m_f.path("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_f.chooser->answers << m_f.path("blocker/r.xlsx");
    window->statusBar()->clearMessage();
    ui()->saveReport->click();
    // The reason follows.
    QVERIFY2(status().startsWith(zh("报表保存失败：")), qPrintable(status()));
    QVERIFY(status().size() > zh("报表保存失败：").size());
    QVERIFY(!QFile::exists(m_f.path("blocker/r.xlsx")));
    // That folder does not exist, so the next default lies in the program folder.
    ui()->saveReport->click();
    QCOMPARE(m_f.chooser->dirs.size(), 3);
    QCOMPARE(QFileInfo(m_f.chooser->dirs.at(2)).absolutePath(), m_f.dir->path());
}

void tst_ReportWindow::housekeeping()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QSqlDatabase db = window->historyDatabase()->database();
    QVector<HistoryRow> rows;
    for (int i = 0; i < 5000; ++i)
        rows.append({window->projectId(), "A", double(i), historyTime(base.addSecs(i))});
    QVERIFY(seedHistory(db, rows));
    // Over "10M" while more than 3000 rows are left.
    window->historyTrim()->setUsedSize([](const QSqlDatabase &database) {
        return historyCount(database) > 3000 ? qint64(20) << 20 : qint64(1) << 20;
    });

    // No selection in either list: nothing is trimmed.
    ui()->maxMemory->setCurrentIndex(-1);
    ui()->clearDays->setCurrentIndex(-1);
    emit window->historyHousekeepingDue();
    QCOMPARE(historyCount(db), qint64(5000));

    // The housekeeping timer of monitoring runs the trim.
    ui()->maxMemory->setCurrentIndex(0);
    QTimer *timer = window->housekeepingTimer();
    QVERIFY(!timer->isActive()); // not monitoring
    QCOMPARE(timer->interval(), 30000);
    timer->start(10);
    QTRY_COMPARE_WITH_TIMEOUT(historyCount(db), qint64(3000), 10000);
    timer->stop();
    QSqlQuery first(db);
    QVERIFY(first.exec("SELECT MIN(value) FROM data") && first.next());
    QCOMPARE(first.value(0).toInt(), 2000);

    // Age: everything is older than a day.
    ui()->clearDays->setCurrentIndex(0);
    emit window->historyHousekeepingDue();
    QCOMPARE(historyCount(db), qint64(0));
}

// The window goes on painting while the report is queried and saved, the status saying what
// runs; a name without a suffix gets ".xlsx".
void tst_ReportWindow::paintedWhileWorking()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A", "B", "C"}, 50, base)));
    QString seen;
    QTimer::singleShot(0, window, [&] { seen = status(); });
    query(0, base.addSecs(-60), base.addSecs(120));
    QCOMPARE(seen, zh("正在查询……"));
    QCOMPARE(status(), zh("查询成功"));
    QCOMPARE(model()->rowCount(), 50);

    seen.clear();
    m_f.chooser->answers << m_f.path("plain");
    QTimer::singleShot(0, window, [&] { seen = status(); });
    ui()->saveReport->click();
    QCOMPARE(seen, zh("正在保存报表……"));
    QCOMPARE(status(), zh("报表保存成功"));
    QVERIFY(!QFile::exists(m_f.path("plain")));
    const XlsxSheet sheet = readXlsx(m_f.path("plain.xlsx"));
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.cells.value("D51").text, QStringLiteral("4902"));
    QVERIFY(ui()->queryData->isEnabled());
    QVERIFY(ui()->saveReport->isEnabled());
}

// Another program holds the history file: the report says so.
void tst_ReportWindow::busyHistoryFile()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A", "B", "C"}, 2, base)));
    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(status(), zh("查询成功"));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "holder");
        other.setDatabaseName(window->historyDatabase()->databaseFile());
        QVERIFY(other.open());
        QSqlQuery hold(other);
        QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
        query(0, base.addSecs(-60), base.addSecs(60));
        QCOMPARE(status(), zh("查询失败：历史数据文件正被其他程序占用，请稍后再试"));
        QCOMPARE(model()->rowCount(), 0);
        QVERIFY(!ui()->saveReport->isEnabled());
        QVERIFY(hold.exec("ROLLBACK"));
        other.close();
    }
    QSqlDatabase::removeDatabase("holder");
    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(status(), zh("查询成功"));
}

// A poll during the query: its samples wait while the query's readers hold the history file,
// and are written when it is done.
void tst_ReportWindow::pollsDuringQueryKept()
{
    MainWindow *window = openProject();
    QVERIFY(window);
    window->setMonitorPause([](int) {});
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A", "B", "C"}, 50, base)));
    ui()->pushButton_startMonitor->click();
    QVERIFY(window->isMonitoring());
    window->onMonitorTimeout();
    const QSqlDatabase db = window->historyDatabase()->database();
    const qint64 before = historyCount(db);
    // One tick's samples, stored at once while no query runs.
    const qint64 perTick = before - 150;
    QVERIFY(perTick > 0);
    qint64 during = -1;
    QTimer::singleShot(0, window, [&] {
        window->onMonitorTimeout();
        during = historyCount(db);
    });
    query(0, base.addSecs(-60), base.addSecs(120));
    QCOMPARE(status(), zh("查询成功"));
    QCOMPARE(model()->rowCount(), 50);
    QCOMPARE(during, before);
    QCOMPARE(historyCount(db), before + perTick);
    ui()->pushButton_stopMonitor->click();
}

// A demo-like project at a sampling time of 1 s whose tick takes longer: twelve labels, a block
// each and 100 ms after each block, so that the ticks run back to back. The section's labels lie
// in different blocks, the time between two of them within a poll (AO1 to LA1) longer than from
// the last of one poll to the first of the next. Lost: the section's first label in one poll, its
// last in another, the tick's first record in a third. Every row holds the values of one poll,
// every poll has one row, a lost record is an empty cell.
void tst_ReportWindow::rowsArePolls()
{
    const QStringList labels{"DI1", "AI1", "AI2", "AI17", "AI19", "AI21",
                             "AO1", "AO2", "DO1", "SA1",  "LA1",  "LW1"};
    const QStringList section{"AI1", "AI17", "AI19", "AO1", "LA1"};
    QList<LabelRow> labelRows;
    for (const QString &label : labels)
        labelRows << LabelRow{"", label, "", "", "", "Int32"};
    MainWindow *window = openProject(labelRows, {{"Plant", section}});
    QVERIFY(window);
    m_control->blockSize = 1;
    // The driver's value is the number of its block reads so far: poll p's label at position l
    // reads p * 12 + l + 1.
    const int perPoll = labels.size();
    const auto readingOf = [&](int poll, const QString &label) {
        return poll * perPoll + labels.indexOf(label) + 1;
    };
    m_control->statusByReading.insert(readingOf(1, "AI1"), 8);
    m_control->statusByReading.insert(readingOf(2, "LA1"), 8);
    m_control->statusByReading.insert(readingOf(3, "DI1"), 8);
    for (int i = 0; i < 3; ++i)
        m_f.prompt->expect("warning", zh("警告"), zh("连接异常：响应超时"));
    QCOMPARE(window->samplingSeconds, 1);
    const QDateTime started = QDateTime::currentDateTime();
    ui()->pushButton_startMonitor->click();
    QVERIFY(window->isMonitoring());
    QTRY_VERIFY_WITH_TIMEOUT(m_control->blockReadings >= 5 * perPoll, 60000);
    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->monitorRunning(), 10000);

    // What each poll stored of the section, and its stamp.
    QMap<int, QMap<QString, int>> stored; // poll -> label -> value
    QMap<int, QSet<QString>> stamps;      // poll -> its records' stamps
    QSqlQuery rows(window->historyDatabase()->database());
    QVERIFY(rows.exec("SELECT label, value, datetime FROM data"));
    while (rows.next()) {
        const int value = rows.value(1).toInt();
        const int poll = (value - 1) / perPoll;
        QCOMPARE(labels.at((value - 1) % perPoll), rows.value(0).toString());
        stamps[poll] << rows.value(2).toString();
        if (section.contains(rows.value(0).toString()))
            stored[poll].insert(rows.value(0).toString(), value);
    }
    QVERIFY(stored.size() >= 5);
    // One stamp a tick, the tick whose first record was lost included.
    for (auto it = stamps.cbegin(); it != stamps.cend(); ++it)
        QVERIFY2(it.value().size() == 1, qPrintable(QStringList(it.value().values()).join(", ")));
    // Ticks longer than the sampling time, each at least twelve pauses of 100 ms.
    const auto stampOf = [&](int poll) {
        return QDateTime::fromString(*stamps.value(poll).cbegin(), "yyyy-MM-dd hh:mm:ss.zzz");
    };
    QVERIFY(stampOf(0).msecsTo(stampOf(4)) >= 4 * 1200);
    QVERIFY(!stored.value(1).contains("AI1"));
    QVERIFY(!stored.value(2).contains("LA1"));
    QCOMPARE(stored.value(3).size(), section.size());

    query(0, started.addSecs(-60), QDateTime::currentDateTime().addSecs(60));
    QCOMPARE(status(), zh("查询成功"));
    QCOMPARE(model()->rowCount(), stored.size());
    int row = 0;
    for (auto poll = stored.cbegin(); poll != stored.cend(); ++poll, ++row) {
        QCOMPARE(model()->cellText(row, 0), stamps.value(poll.key()).cbegin()->left(19));
        for (int c = 0; c < section.size(); ++c) {
            const QString label = section.at(c);
            const QString expected = poll.value().contains(label)
                                         ? QString::number(poll.value().value(label))
                                         : QString();
            QVERIFY2(model()->cellText(row, c + 1) == expected,
                     qPrintable(QStringLiteral("row %1 %2: %3, poll %4 stored %5")
                                    .arg(row)
                                    .arg(label, model()->cellText(row, c + 1))
                                    .arg(poll.key())
                                    .arg(expected)));
        }
    }
}

// Two rows of the label table on one address with different types store two records of that
// address under one stamp each poll. The report's cell and the guide's readout of that second
// show the same record, the first stored, whichever of the two values is the smaller.
void tst_ReportWindow::reportAndGuidesTakeTheFirstStored()
{
    struct Stored
    {
        QString address;
        double first;  // read as the first of its two types
        double second; // the same memory read as the other type
    };
    const QList<Stored> table{
        {"LW1", 65535, -1},  // UInt16, then Int32: the first stored is the larger
        {"LW2", -2, 65534}}; // Int16, then UInt16: the first stored is the smaller
    MainWindow *window = openProject(
        {LabelRow{"", "LW1", "", "", "", "UInt16"}, LabelRow{"", "LW1", "", "", "", "Int32"},
         LabelRow{"", "LW2", "", "", "", "Int16"}, LabelRow{"", "LW2", "", "", "", "UInt16"}},
        {{"Plant", {"LW1", "LW2"}}});
    QVERIFY(window);
    // As the polling loop stores a tick: the read list's order (address, then type), one
    // stamp, one batch through the window's own history connection.
    const int polls = 4;
    for (int p = 0; p < polls; ++p) {
        HistoryBatch batch;
        const QString stamp = historyTime(base.addSecs(p).addMSecs(250));
        for (const Stored &stored : table) {
            batch.add(MonitorLogic::historySample(window->projectId(), stored.address, stamp,
                                                  stored.first - p));
            batch.add(MonitorLogic::historySample(window->projectId(), stored.address, stamp,
                                                  stored.second + p));
        }
        QString error;
        QVERIFY2(batch.flush(*window->historyDatabase(), &error), qPrintable(error));
    }

    query(0, base.addSecs(-60), base.addSecs(60));
    QCOMPARE(status(), zh("查询成功"));
    QCOMPARE(model()->rowCount(), polls);

    // The trend page shows the section; a search of the same seconds, a guide on each.
    QCOMPARE(ui()->tableWidget->rowCount(), table.size());
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(base);
    ui()->searchfor->click();
    QCOMPARE(status(), zh("查询成功"));
    ChartDrawer *view = window->trendView();
    view->guideLineItem(0)->show();
    for (int p = 0; p < polls; ++p) {
        view->setGuideTime(base.addSecs(p), base.addSecs(p));
        window->updateGuideReadouts(0);
        for (int c = 0; c < table.size(); ++c) {
            const QString first = QString::number(table.at(c).first - p);
            const QTableWidgetItem *guide = ui()->tableWidget->item(c, 5);
            const QString shown = QStringLiteral("%1 at %2: report %3, guide %4")
                                      .arg(table.at(c).address)
                                      .arg(p)
                                      .arg(model()->cellText(p, c + 1),
                                           guide ? guide->text() : QStringLiteral("<none>"));
            QVERIFY2(model()->cellText(p, c + 1) == first, qPrintable(shown));
            QVERIFY2(guide && guide->text() == first, qPrintable(shown));
        }
    }
}

// A tick that runs inside the workbook's save (its wait keeps the event loop running) meets a
// failed read: its warning waits until the save is done.
void tst_ReportWindow::warningWaitsForTheSave()
{
    auto *prompt = new WatchedPrompt;
    m_f.prompt.reset(prompt);
    MainWindow *window = openProject();
    QVERIFY(window);
    window->setMonitorPause([](int) {});
    // Enough rows for the workbook to take a while.
    QVERIFY(seedHistory(window->historyDatabase()->database(),
                        historyPolls(window->projectId(), {"A", "B", "C"}, 5000, base)));
    query(0, base.addSecs(-60), base.addSecs(6000));
    QCOMPARE(model()->rowCount(), 5000);

    window->samplingSeconds = 300;
    ui()->pushButton_startMonitor->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_control->blockReadings, 1, 10000);
    m_control->statusByReading.insert(2, 8);
    prompt->expect("warning", zh("警告"), zh("连接异常：响应超时"));
    bool busyAtBox = true;
    prompt->onBox = [&] { busyAtBox = !ui()->saveReport->isEnabled(); };
    m_f.chooser->answers << m_f.path("report.xlsx");
    window->monitorTimer()->start(0);
    ui()->saveReport->click();
    QCOMPARE(m_control->blockReadings, 2); // the tick ran while the workbook was written
    QCOMPARE(prompt->shown, 0);
    QCOMPARE(status(), zh("报表保存成功"));
    QTRY_COMPARE_WITH_TIMEOUT(prompt->shown, 1, 10000);
    QVERIFY(!busyAtBox);
    ui()->pushButton_stopMonitor->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window->monitorRunning(), 10000);
}

QTEST_MAIN(tst_ReportWindow)
#include "tst_reportwindow.moc"
