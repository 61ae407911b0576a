// The history side of the trend page in the main window, offscreen, against real project,
// settings and database files: chart sections kept per project, section switching and refresh,
// pause and resume with the paused stretch filled, the history search and its steps.
#include "chartdrawer.h"
#include "historyseed.h"
#include "projectfile.h"
#include "trendtest.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QGraphicsLineItem>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardItemModel>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

// A series-table row as the section slots read it: label, zero and full scale.
struct SeriesRow
{
    QString label;
    QString zero;
    QString full;
};

} // namespace

class tst_HistoryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sectionsAddDeleteModify();
    void typedNameIsNoEntry();
    void sectionsOnAFullDisk();
    void newProjectAfterOneWithSections();
    void projectOpenLoadsSectionOne();
    void switchAndRefresh();
    void pauseAndResume();
    void search();
    void searchOfADayDrawsItsExcursion();
    void refreshWhilePausedAfterSearch();
    void nonFiniteRowsAreSkipped();
    void panelAddedWhilePausedIsPrefilled();
    void historyCurveTakesTheRowColour();
    void guidesReadTheStoredSamples();
    void eachSearchSaysItsOutcome();
    void searchWithoutDataClearsTheReadouts_data();
    void searchWithoutDataClearsTheReadouts();
    void heldValuesReadAtEveryGuideSecond_data();
    void heldValuesReadAtEveryGuideSecond();

private:
    // Opens project "line" with labels a, b'c and c, two sections and a seeded history; the
    // trend clock stands at m_now.
    void openSeededProject(const QVector<HistoryRow> &rows);
    QLineSeries *seriesOf(int row, int column) const
    {
        return ChartDrawer::seriesAt(ui()->dataTableWidget, row, column);
    }
    // The points of row's live curve as "hh:mm:ss.zzz=value".
    QStringList livePoints(int row) const;
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = ui()->tableWidget->item(row, column);
        return item ? item->text() : QString("<none>");
    }
    QPair<double, double> valueRange() const
    {
        const QValueAxis *axis = m_f.window->trendView()->valueAxis();
        return {axis->min(), axis->max()};
    }
    static QDateTime at(const QString &time)
    {
        return QDateTime::fromString("2024-01-01 " + time, "yyyy-MM-dd hh:mm:ss.zzz");
    }

    QString writeProject(const QString &name, const QStringList &labels);
    void open(const QString &path);
    // Puts rows into the series table the way the section slots read them.
    void setSeriesRows(const QList<SeriesRow> &rows);
    // Every key of the project's settings file as "key=value", sorted.
    QStringList sectionKeys(const QString &iniName) const;
    // The keys the file on disk holds, as sectionKeys.
    QStringList diskKeys(const QString &iniName) const;
    QStringList comboTexts(QComboBox *combo) const;
    Ui::MainWindow *ui() const { return m_f.window->form(); }
    // Adds a panel for label row labelRow through the label menu's entry to the trend.
    void addToTrend(int labelRow);
    // Shows both guides at t1 and t2 and fills their readouts.
    void readAtGuides(const QDateTime &t1, const QDateTime &t2);

    WindowFixture m_f;
    QDateTime m_now;
};

void tst_HistoryWindow::init()
{
    m_f.setUp();
    QVERIFY(
        m_f.linkDriver(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"), "LibTest.so"));
}

void tst_HistoryWindow::cleanup()
{
    m_f.tearDown();
}

QString tst_HistoryWindow::writeProject(const QString &name, const QStringList &labels)
{
    const QString path = m_f.path(name + ".dpro");
    ProjectData data;
    data.name = name + ".dpro";
    data.driveLibName = "LibTest";
    data.hasConnect = true;
    data.linkMode = "com";
    data.linkParameter = "ttyS0,115200,8,1,N";
    for (const QString &label : labels)
        data.labels << LabelRow{"", label, "", "1.5", "m", "float"};
    return ProjectFile::write(path, data) ? path : QString();
}

void tst_HistoryWindow::open(const QString &path)
{
    m_f.chooser->answers << path;
    ui()->action_openPro->trigger();
}

void tst_HistoryWindow::setSeriesRows(const QList<SeriesRow> &rows)
{
    QTableWidget *table = ui()->tableWidget;
    table->setRowCount(0);
    table->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        if (!rows[r].label.isNull())
            table->setItem(r, 3, new QTableWidgetItem(rows[r].label));
        table->setItem(r, 14, new QTableWidgetItem(rows[r].zero));
        table->setItem(r, 15, new QTableWidgetItem(rows[r].full));
    }
}

QStringList tst_HistoryWindow::sectionKeys(const QString &iniName) const
{
    QSettings file(m_f.path(iniName), QSettings::IniFormat);
    QStringList keys;
    for (const QString &key : file.allKeys())
        keys << key + QLatin1Char('=') + file.value(key).toString();
    keys.sort();
    return keys;
}

QStringList tst_HistoryWindow::comboTexts(QComboBox *combo) const
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

void tst_HistoryWindow::sectionsAddDeleteModify()
{
    m_f.create();
    open(writeProject("line", {"a", "b"}));
    QCOMPARE(sectionKeys("line.ini"), QStringList{"Section/1=value"});

    // With no rows Add does nothing.
    ui()->addData->click();
    QCOMPARE(ui()->dataClassification->count(), 0);

    setSeriesRows({{"a", "0", "10"}, {QString(), "1", "2"}, {"b", "-1", "1"}});
    ui()->addData->click();
    setSeriesRows({{"b", "5", "6"}});
    ui()->addData->click();
    ui()->addData->click();
    const QStringList names{zh("数据组合1"), zh("数据组合2"), zh("数据组合3")};
    QCOMPARE(comboTexts(ui()->dataClassification), names);
    QCOMPARE(comboTexts(ui()->dataClassification1), names);
    QCOMPARE(ui()->dataClassification->currentIndex(), 2);
    QCOMPARE(ui()->dataClassification1->currentIndex(), 2);
    QStringList keys = sectionKeys("line.ini");
    // The placeholder became the count of section 1; the row without a label left a gap.
    for (const char *key :
         {"Section/0=3", "Section/1=3", "Section1/1=a", "Section1/3=b", "Section1/Max1=0",
          "Section1/Min1=10", "Section1/Max3=-1", "Section1/Min3=1", "Section/3=1", "Section3/1=b"})
        QVERIFY2(keys.contains(QString::fromUtf8(key)), key);
    QVERIFY(!keys.contains("Section1/2=") && !keys.contains("Section1/Max2=1"));

    // Delete the middle one: the third moves down.
    ui()->dataClassification->setCurrentIndex(1);
    ui()->deleteData->click();
    QCOMPARE(comboTexts(ui()->dataClassification), (QStringList{names[0], names[2]}));
    QCOMPARE(comboTexts(ui()->dataClassification1), (QStringList{names[0], names[2]}));
    keys = sectionKeys("line.ini");
    QVERIFY(keys.contains("Section/0=2"));
    QVERIFY(keys.contains("Section2/name=" + names[2]));
    QVERIFY(!keys.join(' ').contains("Section3") && !keys.join(' ').contains("Section/3"));
    // The next Add is section 3 again, whose plain name the moved section holds.
    ui()->addData->click();
    QCOMPARE(ui()->dataClassification->itemText(2), names[2] + "_1");

    // A name typed into the list renames the section shown through Save, with its new rows.
    ui()->dataClassification->setCurrentIndex(1);
    ui()->dataClassification->setEditText("Tank");
    setSeriesRows({{"a", "7", "8"}, {"b", "9", "11"}});
    ui()->modifyData->click();
    const QStringList renamed{names[0], "Tank", names[2] + "_1"};
    QCOMPARE(comboTexts(ui()->dataClassification), renamed);
    QCOMPARE(comboTexts(ui()->dataClassification1), renamed);
    keys = sectionKeys("line.ini");
    for (const char *key :
         {"Section/2=2", "Section2/name=Tank", "Section2/1=a", "Section2/Max1=7", "Section2/Min1=8",
          "Section2/2=b", "Section2/Max2=9", "Section2/Min2=11"})
        QVERIFY2(keys.contains(QString::fromUtf8(key)), key);

    // Deleting down to nothing; a further delete does nothing.
    for (int i = 0; i < 4; ++i) {
        ui()->dataClassification->setCurrentIndex(0);
        ui()->deleteData->click();
    }
    QCOMPARE(ui()->dataClassification->count(), 0);
    QCOMPARE(ui()->dataClassification1->count(), 0);
    QCOMPARE(sectionKeys("line.ini"), QStringList{"Section/0=0"});
    // Save with no section stores nothing.
    ui()->modifyData->click();
    QCOMPARE(sectionKeys("line.ini"), QStringList{"Section/0=0"});
}

void tst_HistoryWindow::typedNameIsNoEntry()
{
    m_f.create();
    open(writeProject("line", {"a"}));
    setSeriesRows({{"a", "0", "1"}});
    ui()->addData->click();
    ui()->addData->click();

    // Enter on a typed name adds no entry that has no section behind it.
    QLineEdit *edit = ui()->dataClassification->lineEdit();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, "Typed");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(ui()->dataClassification->count(), 2);
    QCOMPARE(ui()->dataClassification->currentIndex(), 1);

    // Delete then removes the section shown, not a real one beyond it.
    ui()->deleteData->click();
    QCOMPARE(comboTexts(ui()->dataClassification), QStringList{zh("数据组合1")});
    QVERIFY(sectionKeys("line.ini").contains("Section/0=1"));
    QVERIFY(sectionKeys("line.ini").contains("Section1/name=" + zh("数据组合1")));
}

QStringList tst_HistoryWindow::diskKeys(const QString &iniName) const
{
    return settingsKeysOnDisk(m_f.path(iniName));
}

void tst_HistoryWindow::sectionsOnAFullDisk()
{
    m_f.create();
    open(writeProject("line", {"a", "b"}));
    setSeriesRows({{"a", "0", "10"}});
    ui()->addData->click();
    const QStringList first{zh("数据组合1")};
    const QStringList stored = diskKeys("line.ini");
    QVERIFY(stored.contains("Section1/name=" + first[0]));

    // Add, Save under a typed name and Delete each say that the file was not written, and the
    // lists keep what the file holds.
    for (int i = 0; i < 3; ++i)
        m_f.prompt->expectStartingWith("warning", zh("警告"), zh("数据组合未能保存"));
    {
        FullDisk full;
        QVERIFY(full.isActive());
        setSeriesRows({{"b", "5", "6"}});
        ui()->addData->click();
        QCOMPARE(comboTexts(ui()->dataClassification), first);
        QCOMPARE(comboTexts(ui()->dataClassification1), first);
        ui()->dataClassification->setEditText("Tank");
        ui()->modifyData->click();
        QCOMPARE(comboTexts(ui()->dataClassification), first);
        QCOMPARE(ui()->dataClassification->currentText(), first[0]);
        ui()->deleteData->click();
        QCOMPARE(comboTexts(ui()->dataClassification), first);
        QCOMPARE(comboTexts(ui()->dataClassification1), first);
    }
    QCOMPARE(m_f.prompt->pending(), 0);
    QCOMPARE(diskKeys("line.ini"), stored);

    // With room again the next Add is section 2; nothing of the failed changes comes back,
    // not even when the program ends.
    ui()->addData->click();
    QCOMPARE(comboTexts(ui()->dataClassification), (QStringList{first[0], zh("数据组合2")}));
    m_f.window.reset();
    const QStringList keys = diskKeys("line.ini");
    QVERIFY(keys.contains("Section/0=2"));
    QVERIFY(keys.contains("Section2/1=b"));
    QVERIFY(keys.contains("Section1/name=" + first[0]));
    QVERIFY(!keys.join(' ').contains("Tank"));
}

void tst_HistoryWindow::newProjectAfterOneWithSections()
{
    {
        QSettings sections(m_f.path("old.ini"), QSettings::IniFormat);
        sections.setValue("Section/0", 2);
        sections.setValue("Section/1", 0);
        sections.setValue("Section/2", 0);
        sections.setValue("Section1/name", "Tank");
        sections.setValue("Section2/name", "Pump");
    }
    MainWindow *window = m_f.create();
    open(writeProject("old", {"a"}));
    QCOMPARE(comboTexts(ui()->dataClassification), (QStringList{"Tank", "Pump"}));

    // A new project starts with no sections and no panels, and its first Add is section 1.
    setSeriesRows({{"a", "0", "1"}});
    window->newProject(m_f.path("fresh.dpro"), "LibTest");
    QCOMPARE(ui()->tableWidget->rowCount(), 0);
    QCOMPARE(ui()->dataClassification->count(), 0);
    QCOMPARE(ui()->dataClassification1->count(), 0);
    setSeriesRows({{"a", "0", "1"}, {"a", "2", "3"}});
    ui()->addData->click();
    QCOMPARE(sectionKeys("fresh.ini"),
             (QStringList{"Section/0=1", "Section/1=2", "Section1/1=a", "Section1/2=a",
                          "Section1/Max1=0", "Section1/Max2=2", "Section1/Min1=1",
                          "Section1/Min2=3", "Section1/name=" + zh("数据组合1")}));
    QCOMPARE(comboTexts(ui()->dataClassification), QStringList{zh("数据组合1")});
}

void tst_HistoryWindow::openSeededProject(const QVector<HistoryRow> &rows)
{
    {
        QSettings sections(m_f.path("line.ini"), QSettings::IniFormat);
        const QStringList keys{"Section/0=2",        "Section/1=4",       "Section1/1=a",
                               "Section1/2=gone",    "Section1/3=b'c",    "Section1/4=c",
                               "Section1/Max1=0",    "Section1/Min1=100", "Section1/Max3=5",
                               "Section1/Min3=6",    "Section1/Max4=-1",  "Section1/Min4=1",
                               "Section1/name=Tank", "Section/2=1",       "Section2/1=c",
                               "Section2/Max1=7",    "Section2/Min1=8",   "Section2/name=Pump"};
        for (const QString &key : keys)
            sections.setValue(key.section('=', 0, 0), key.section('=', 1));
    }
    SQLiteHandler seed;
    QVERIFY(seed.openDatabase(m_f.path("HistoryData.db")));
    QVERIFY(seedHistory(seed.database(), rows));
    MainWindow *window = m_f.create();
    window->setTrendClock([this] { return m_now; });
    open(writeProject("line", {"a", "b'c", "c"}));
    QCOMPARE(window->projectId(), 1);
}

QStringList tst_HistoryWindow::livePoints(int row) const
{
    QStringList points;
    const TrendCurve *curve = m_f.window->drawnCurve(seriesOf(row, 0)).curve;
    for (int i = 0; curve && i < curve->size(); ++i)
        points << QDateTime::fromMSecsSinceEpoch(curve->timeAt(i)).toString("hh:mm:ss.zzz") + "="
                      + QString::number(curve->valueAt(i));
    return points;
}

namespace {

HistoryRow row(int project, const QString &label, double value, const QString &time)
{
    return {project, label, value, "2024-01-01 " + time};
}

// Around 10:00:00.500, where the window opens: a 60-second window prefills from 09:59:40 up
// to, not including, 10:00:00.
const QVector<HistoryRow> seeded{
    row(1, "a", 1, "09:59:39.900"),
    row(1, "a", 2, "09:59:40.100"),
    row(1, "a", 3, "09:59:40.600"),
    row(1, "a", 4, "09:59:59.200"),
    row(2, "a", 50, "09:59:50.000"),
    row(1, "b'c", 7, "09:59:45.000"),
    // Stored while the view will stand from 10:00:00.500 to 10:00:02.600.
    row(1, "a", 10, "10:00:00.100"),
    row(1, "a", 11, "10:00:00.900"),
    row(1, "a", 12, "10:00:01.200"),
    row(1, "a", 13, "10:00:02.300"),
    // Read off a data-logger later: stored last, earlier in time.
    row(1, "c", 21, "10:00:03.700"),
    row(1, "c", 20, "10:00:03.100"),
    // What the search finds from 11:00:00 on.
    row(1, "a", 20.4, "11:00:00.000"),
    row(1, "a", 20.2, "11:00:10.000"),
    row(1, "a", 20.8, "11:00:59.999"),
    row(1, "a", 99, "11:01:00.000"),
    row(1, "a", -5, "10:59:59.999"),
    row(2, "a", 500, "11:00:30.000"),
    row(1, "b'c", 20.5, "11:00:20.000"),
};

} // namespace

void tst_HistoryWindow::projectOpenLoadsSectionOne()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    QCOMPARE(ui()->dataClassification->currentText(), QStringLiteral("Tank"));
    // The label not in the table is skipped; the others keep the section's order and scales.
    QCOMPARE(ui()->tableWidget->rowCount(), 3);
    QCOMPARE(ui()->dataTableWidget->rowCount(), 3);
    const QStringList labels{"a", "b'c", "c"};
    const QStringList zero{"0", "5", "-1"};
    const QStringList full{"100", "6", "1"};
    const QStringList colours{"#ff0000", "#00ff00", "#0000ff"};
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(cell(r, 0), QString::number(r + 1));
        QCOMPARE(cell(r, 3), labels[r]);
        QCOMPARE(cell(r, 14), zero[r]);
        QCOMPARE(cell(r, 15), full[r]);
        QVERIFY(seriesOf(r, 0));
        QVERIFY(m_f.window->seriesTimers.value(seriesOf(r, 0))->isActive());
        const QPushButton *button = ui()->tableWidget->cellWidget(r, 2)->findChild<QPushButton *>();
        QCOMPARE(button->styleSheet(), "QPushButton {background-color: " + colours[r] + ";}");
    }
    // The last third of the window, one point a second, the last on its whole second; the other
    // project's row of the same label is not drawn, the label with a quote is.
    QCOMPARE(livePoints(0), (QStringList{"09:59:40.600=3", "09:59:59.000=4"}));
    QCOMPARE(livePoints(1), QStringList{"09:59:45.000=7"});
    QCOMPARE(livePoints(2), QStringList{});
}

void tst_HistoryWindow::switchAndRefresh()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    // A 180-second window prefills 60 s: the row at 09:59:39.900 comes in too.
    ui()->rangeTime->setCurrentIndex(1);
    emit ui()->dataClassification->activated(0);
    QCOMPARE(livePoints(0), (QStringList{"09:59:39.900=1", "09:59:40.600=3", "09:59:59.000=4"}));
    QCOMPARE(m_f.window->seriesTimers.size(), 3);

    // Refresh: the range starts again at 0..1, the curves start empty, the buttons get the
    // plain style; nothing of the old panels stays on the chart.
    m_f.window->trendView()->valueAxis()->setRange(-40, 90);
    ui()->refresh->click();
    QCOMPARE(valueRange(), qMakePair(-0.05, 1.05));
    QCOMPARE(ui()->tableWidget->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(livePoints(r), QStringList{});
        const QPushButton *button = ui()->tableWidget->cellWidget(r, 2)->findChild<QPushButton *>();
        QVERIFY(button->styleSheet().startsWith("background-color: #"));
    }
    // The view's own base line "line0" besides the three curves.
    QCOMPARE(m_f.window->trendView()->chart()->series().size(), 1 + 3);
    QCOMPARE(m_f.window->seriesTimers.size(), 3);

    // Switching to section 2 replaces the three panels by one.
    emit ui()->dataClassification->activated(1);
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    QCOMPARE(cell(0, 3), QStringLiteral("c"));
    QCOMPARE(cell(0, 14), QStringLiteral("7"));
    QCOMPARE(m_f.window->trendView()->chart()->series().size(), 1 + 1);
    QCOMPARE(m_f.window->seriesTimers.size(), 1);
}

void tst_HistoryWindow::pauseAndResume()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    QTimer *timer = m_f.window->seriesTimers.value(seriesOf(0, 0));
    ui()->StartandPause->click();
    QCOMPARE(ui()->StartandPause->text(), zh("开始"));
    QVERIFY(!timer->isActive());
    QVERIFY(!ui()->startDateTimeEdit->isHidden() && !ui()->searchfor->isHidden());

    // Resumed two seconds later: the rows of the pause second and the next, one a second; the
    // resume second's row is left to the live ticks.
    m_now = at("10:00:02.600");
    ui()->StartandPause->click();
    QCOMPARE(ui()->StartandPause->text(), zh("暂停"));
    QVERIFY(timer->isActive());
    QVERIFY(ui()->startDateTimeEdit->isHidden() && ui()->searchfor->isHidden());
    QVERIFY(!ui()->goBack1min->isEnabled());
    QCOMPARE(livePoints(0), (QStringList{"09:59:40.600=3", "09:59:59.000=4", "10:00:00.900=11",
                                         "10:00:01.000=12"}));

    // A switch while paused builds rows without curves; the resume gives them one, started
    // like a switched one (rows stored out of id order come in time order).
    ui()->StartandPause->click();
    emit ui()->dataClassification->activated(1);
    QCOMPARE(ui()->tableWidget->rowCount(), 1);
    QVERIFY(!seriesOf(0, 0));
    QVERIFY(m_f.window->seriesTimers.isEmpty());
    m_now = at("10:00:05.000");
    ui()->StartandPause->click();
    QVERIFY(seriesOf(0, 0));
    QVERIFY(m_f.window->seriesTimers.value(seriesOf(0, 0))->isActive());
    QCOMPARE(livePoints(0), QStringList{"10:00:03.000=21"});

    // A language switch keeps the run state the button's text carries.
    ui()->StartandPause->click();
    ui()->action_English->trigger();
    QCOMPARE(ui()->StartandPause->text(), QStringLiteral("Start"));
    QVERIFY(!m_f.window->seriesTimers.value(seriesOf(0, 0))->isActive());
    ui()->StartandPause->click();
    QCOMPARE(ui()->StartandPause->text(), QStringLiteral("Pause"));
    QVERIFY(m_f.window->seriesTimers.value(seriesOf(0, 0))->isActive());
    ui()->action_Chinese->trigger();
    QCOMPARE(ui()->StartandPause->text(), zh("暂停"));
}

void tst_HistoryWindow::search()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    QLineSeries *live = seriesOf(0, 0);
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at("11:00:00.000"));
    ui()->searchfor->click();

    QVERIFY(m_f.window->chartOption());
    QVERIFY(!live->isVisible());
    const QDateTimeAxis *time = m_f.window->trendView()->timeAxis();
    QCOMPARE(time->min(), at("11:00:00.000"));
    QCOMPARE(time->max(), at("11:01:00.000"));
    QVERIFY(ui()->goBack1min->isEnabled() && ui()->fastForwardfor1min->isEnabled());
    // Every row with data is drawn in its palette colour; a row without keeps its scales.
    QCOMPARE(seriesOf(0, 4)->count(), 3);
    QCOMPARE(seriesOf(0, 4)->at(2), QPointF(at("11:00:59.999").toMSecsSinceEpoch(), 20.8));
    QCOMPARE(seriesOf(0, 4)->color(), QColor(Qt::red));
    QCOMPARE(seriesOf(1, 4)->count(), 1);
    QCOMPARE(seriesOf(2, 4)->count(), 0);
    QCOMPARE(cell(0, 14), QStringLiteral("19"));
    QCOMPARE(cell(0, 15), QStringLiteral("21"));
    QCOMPARE(cell(1, 14), QStringLiteral("20"));
    QCOMPARE(cell(1, 15), QStringLiteral("22"));
    QCOMPARE(cell(2, 14), QStringLiteral("-1"));
    QCOMPARE(cell(2, 15), QStringLiteral("1"));
    const QPair<double, double> range = valueRange();
    QVERIFY2(qAbs(range.first - 19.96) < 1e-4 && qAbs(range.second - 20.84) < 1e-4,
             qPrintable(QString("%1 %2").arg(range.first).arg(range.second)));

    // The four steps move the start and search again; each row keeps one history curve.
    const int seriesOnChart = m_f.window->trendView()->chart()->series().size();
    const QList<QPair<QPushButton *, QString>> steps{{ui()->goBack1min, "10:59:00.000"},
                                                     {ui()->goBack15s, "10:58:45.000"},
                                                     {ui()->fastForwardfor15s, "10:59:00.000"},
                                                     {ui()->fastForwardfor1min, "11:00:00.000"}};
    for (const auto &step : steps) {
        step.first->click();
        QCOMPARE(ui()->startDateTimeEdit->dateTime(), at(step.second));
        QCOMPARE(time->min(), at(step.second));
        QCOMPARE(m_f.window->trendView()->chart()->series().size(), seriesOnChart);
    }
    ui()->goBack1min->click();
    QCOMPARE(seriesOf(0, 4)->count(), 1);
    QCOMPARE(seriesOf(0, 4)->at(0).y(), -5.0);

    // A window without any data says so.
    ui()->startDateTimeEdit->setDateTime(at("08:00:00.000"));
    ui()->searchfor->click();
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("查询成功，但没有数据"));

    // Resume: the history curves go, the live ones come back with the live range.
    ui()->StartandPause->click();
    QVERIFY(!m_f.window->chartOption());
    for (int r = 0; r < 3; ++r)
        QVERIFY(!seriesOf(r, 4));
    QVERIFY(live->isVisible());
    QCOMPARE(valueRange(), qMakePair(-0.05, 1.05));
    QVERIFY(!ui()->goBack1min->isEnabled());
}

void tst_HistoryWindow::searchOfADayDrawsItsExcursion()
{
    // A day of label a at a row a second, with a 10-second excursion to 100 just after noon and
    // a stored NaN (NULL) at six.
    const QDateTime dayStart = at("00:00:00.000").addDays(1);
    QVector<HistoryRow> rows;
    rows.reserve(86401);
    for (int i = 0; i < 86400; ++i) {
        const bool excursion = i > 43200 && i <= 43210;
        rows.append({1, "a", excursion ? 100.0 : 20 + (i % 60) / 10.0,
                     historyTime(dayStart.addSecs(i).addMSecs(250))});
    }
    m_now = at("10:00:00.500");
    openSeededProject(rows);
    {
        SQLiteHandler handler;
        QVERIFY(handler.openDatabase(m_f.path("HistoryData.db")));
        QSqlQuery nan(handler.database());
        QVERIFY(nan.exec("INSERT INTO data (projectid, label, value, datetime) VALUES "
                         "(1, 'a', NULL, '2024-01-02 06:00:00.500')"));
    }
    ui()->StartandPause->click();
    ui()->rangeTime->setCurrentIndex(11);
    ui()->startDateTimeEdit->setDateTime(dayStart);
    ui()->searchfor->click();

    const QLineSeries *history = seriesOf(0, 4);
    QVERIFY(history);
    // Far fewer points than rows, yet the excursion is among them and the axis takes it in.
    QVERIFY2(history->count() < 4 * 1920, qPrintable(QString::number(history->count())));
    bool excursion = false;
    for (const QPointF &p : history->pointsVector()) {
        excursion = excursion || p.y() == 100.0;
        QVERIFY2(p.y() >= 20.0, qPrintable(QString::number(p.y())));
    }
    QVERIFY(excursion);
    const QPair<double, double> range = valueRange();
    QVERIFY2(range.second >= 100.0 && range.first > 15.0,
             qPrintable(QString("%1 %2").arg(range.first).arg(range.second)));
}

void tst_HistoryWindow::refreshWhilePausedAfterSearch()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at("11:00:00.000"));
    ui()->searchfor->click();
    QCOMPARE(seriesOf(0, 4)->count(), 3);

    // The history curves leave the chart, the rows come back without curves, the time axis
    // stays on the searched window and the value axis starts again at 0..1.
    ui()->refresh->click();
    QCOMPARE(ui()->tableWidget->rowCount(), 3);
    for (int r = 0; r < 3; ++r)
        QVERIFY(!seriesOf(r, 0) && !seriesOf(r, 4));
    QCOMPARE(m_f.window->trendView()->chart()->series().size(), 1);
    QCOMPARE(m_f.window->trendView()->timeAxis()->min(), at("11:00:00.000"));
    QCOMPARE(valueRange(), qMakePair(-0.05, 1.05));

    // Resumed, each row gets its live curve, started with the last third of the window.
    ui()->StartandPause->click();
    QCOMPARE(m_f.window->seriesTimers.size(), 3);
    QCOMPARE(livePoints(0), (QStringList{"09:59:40.600=3", "09:59:59.000=4"}));
    QCOMPARE(m_f.window->trendView()->timeAxis()->max(), at("10:00:00.500"));
}

void tst_HistoryWindow::addToTrend(int labelRow)
{
    QItemSelectionModel *selection = ui()->tableView_label->selectionModel();
    selection->clear();
    selection->select(m_f.window->labelModel()->index(labelRow, 1), QItemSelectionModel::Select);
    m_f.window->labelMenu()->actions().at(toTrendEntry)->trigger();
}

void tst_HistoryWindow::readAtGuides(const QDateTime &t1, const QDateTime &t2)
{
    ChartDrawer *view = m_f.window->trendView();
    view->guideLineItem(0)->show();
    view->guideLineItem(1)->show();
    view->setGuideTime(t1, t2);
    m_f.window->updateGuideReadouts(0);
}

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// Infinities and NaNs (stored as NULL) in the prefill, in the paused stretch and in a search.
const QVector<HistoryRow> nonFinite{
    // In the prefill of a 60-second window opened at 10:00:00.500.
    row(1, "a", 1, "09:59:41.000"),
    row(1, "a", inf, "09:59:42.000"),
    row(1, "a", nan, "09:59:43.000"),
    row(1, "a", -inf, "09:59:44.000"),
    row(1, "a", 2, "09:59:45.000"),
    // In the paused stretch.
    row(1, "a", inf, "10:00:00.200"),
    row(1, "a", nan, "10:00:01.200"),
    row(1, "a", 7, "10:00:01.500"),
    row(1, "a", -inf, "10:00:02.200"),
    // In the searched minute.
    row(1, "a", 3, "11:00:00.000"),
    row(1, "a", inf, "11:00:10.000"),
    row(1, "a", nan, "11:00:20.000"),
    row(1, "a", -inf, "11:00:30.000"),
    row(1, "a", 5, "11:00:40.000"),
};

} // namespace

void tst_HistoryWindow::nonFiniteRowsAreSkipped()
{
    m_now = at("10:00:00.500");
    openSeededProject(nonFinite);
    // Prefill: only the finite rows.
    QCOMPARE(livePoints(0), (QStringList{"09:59:41.000=1", "09:59:45.000=2"}));

    // Resume backfill of the paused stretch: the same.
    ui()->StartandPause->click();
    m_now = at("10:00:03.600");
    ui()->StartandPause->click();
    QCOMPARE(livePoints(0), (QStringList{"09:59:41.000=1", "09:59:45.000=2", "10:00:01.000=7"}));
    QCOMPARE(valueRange(), qMakePair(-0.05, 1.05));

    // Search: two points, and the value axis fitted to them.
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at("11:00:00.000"));
    ui()->searchfor->click();
    QCOMPARE(seriesOf(0, 4)->count(), 2);
    QCOMPARE(seriesOf(0, 4)->at(1).y(), 5.0);
    const QPair<double, double> range = valueRange();
    QVERIFY2(qAbs(range.first - 2.9) < 1e-9 && qAbs(range.second - 5.1) < 1e-9,
             qPrintable(QString("%1 %2").arg(range.first).arg(range.second)));
    // A guide on the infinity's second finds no sample there (sampled every second).
    readAtGuides(at("11:00:10.000"), at("11:00:40.000"));
    QCOMPARE(cell(0, 5), QString());
    QCOMPARE(cell(0, 7), QStringLiteral("5"));
}

void tst_HistoryWindow::panelAddedWhilePausedIsPrefilled()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    ui()->StartandPause->click();
    const QPair<double, double> range = valueRange();
    // Added while paused: no curve and no timer of its own yet.
    addToTrend(0);
    QCOMPARE(ui()->tableWidget->rowCount(), 4);
    QVERIFY(!seriesOf(3, 0));
    QCOMPARE(m_f.window->seriesTimers.size(), 3);
    QCOMPARE(valueRange(), range);

    // At the resume it starts as a switched section's row does: with the last third of the
    // window, one point a second; the row that was live gets the paused stretch.
    m_now = at("10:00:02.600");
    ui()->StartandPause->click();
    QVERIFY(seriesOf(3, 0));
    QVERIFY(m_f.window->seriesTimers.value(seriesOf(3, 0))->isActive());
    QCOMPARE(livePoints(3), (QStringList{"09:59:59.200=4", "10:00:00.900=11", "10:00:01.000=12"}));
    QCOMPARE(livePoints(0), (QStringList{"09:59:40.600=3", "09:59:59.000=4", "10:00:00.900=11",
                                         "10:00:01.000=12"}));
}

void tst_HistoryWindow::historyCurveTakesTheRowColour()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    m_f.window->setColourChooser([](QWidget *, const QColor &) { return QColor(0, 0, 128); });
    ui()->tableWidget->cellWidget(0, 2)->findChild<QPushButton *>()->click();
    QCOMPARE(seriesOf(0, 0)->color(), QColor(0, 0, 128));
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at("11:00:00.000"));
    ui()->searchfor->click();
    QCOMPARE(seriesOf(0, 4)->color(), QColor(0, 0, 128));
    // The other rows keep their palette colours.
    QCOMPARE(seriesOf(1, 4)->color(), QColor(Qt::green));
}

void tst_HistoryWindow::guidesReadTheStoredSamples()
{
    // An hour stored once a second for "a" (value = second of the hour), and every 5 s for
    // "b'c" over the first 20 minutes only.
    QVector<HistoryRow> rows;
    const QDateTime start = at("11:00:00.000");
    for (int s = 0; s < 3600; ++s) {
        rows.append({1, "a", double(s), historyTime(start.addSecs(s).addMSecs(300))});
        if (s % 5 == 0 && s <= 1200)
            rows.append({1, "b'c", double(s), historyTime(start.addSecs(s).addMSecs(300))});
    }
    m_now = at("10:00:00.500");
    openSeededProject(rows);
    ui()->samplingTime->setCurrentIndex(2); // 5 s
    ui()->StartandPause->click();
    ui()->rangeTime->setCurrentIndex(6); // 1 hour: more rows than a search draws
    ui()->startDateTimeEdit->setDateTime(start);
    ui()->searchfor->click();
    QVERIFY(seriesOf(0, 4)->count() < 3600);

    // Every second reads its own stored sample, drawn or not.
    for (int s : {1801, 1803, 2999}) {
        readAtGuides(start.addSecs(s), start.addSecs(s - 1000));
        QCOMPARE(cell(0, 5), QString::number(s));
        QCOMPARE(cell(0, 7), QString::number(s - 1000));
    }
    // Sampled every 5 s: between samples the one before holds; past the last a gap is empty.
    readAtGuides(start.addSecs(603), start.addSecs(1300));
    QCOMPARE(cell(1, 5), QStringLiteral("600"));
    QCOMPARE(cell(1, 7), QString());
    // A scaled copy reads its row's stored value too.
    QMetaObject::invokeMethod(m_f.window.get(), "onCellClicked", Q_ARG(int, 1), Q_ARG(int, 0));
    readAtGuides(start.addSecs(1801), start.addSecs(603));
    QCOMPARE(cell(0, 5), QStringLiteral("1801"));
    QCOMPARE(cell(1, 7), QStringLiteral("600"));
}

void tst_HistoryWindow::eachSearchSaysItsOutcome()
{
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    QStatusBar *bar = m_f.window->statusBar();
    ui()->StartandPause->click();
    // A search that drew curves after one that found nothing, then the steps: each says its own.
    const QList<QPair<QPushButton *, QString>> searches{{ui()->searchfor, "08:00:00.000"},
                                                        {ui()->searchfor, "11:00:00.000"},
                                                        {ui()->fastForwardfor1min, "11:01:00.000"},
                                                        {ui()->fastForwardfor1min, "11:02:00.000"},
                                                        {ui()->goBack1min, "11:01:00.000"}};
    const QStringList said{zh("查询成功，但没有数据"), zh("查询成功"), zh("查询成功"),
                           zh("查询成功，但没有数据"), zh("查询成功")};
    QStringList shown;
    for (const auto &search : searches) {
        if (search.first == ui()->searchfor)
            ui()->startDateTimeEdit->setDateTime(at(search.second));
        search.first->click();
        QCOMPARE(ui()->startDateTimeEdit->dateTime(), at(search.second));
        shown << bar->currentMessage();
    }
    QCOMPARE(shown, said);

    // The resume takes the search's word away with its curves.
    ui()->StartandPause->click();
    QCOMPARE(bar->currentMessage(), QString());
    // Another action's message stays over a resume.
    ui()->StartandPause->click();
    ui()->searchfor->click();
    bar->showMessage(zh("停止监视"), 0);
    ui()->StartandPause->click();
    QCOMPARE(bar->currentMessage(), zh("停止监视"));

    // A history file that does not open: the search failed, not the last one's success.
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at("11:00:00.000"));
    ui()->searchfor->click();
    QCOMPARE(bar->currentMessage(), zh("查询成功"));
    m_f.window->historyDatabase()->closeDatabase();
    QVERIFY(QFile::remove(m_f.path("HistoryData.db")));
    QVERIFY(QDir(m_f.dir->path()).mkdir("HistoryData.db"));
    ui()->searchfor->click();
    QCOMPARE(bar->currentMessage(), zh("查询失败"));
}

void tst_HistoryWindow::searchWithoutDataClearsTheReadouts_data()
{
    QTest::addColumn<QString>("dataStart");
    QTest::addColumn<QString>("emptyStart"); // empty: the ">>" step from the window with data
    QTest::newRow("searched") << QStringLiteral("11:00:00.000") << QStringLiteral("08:00:00.000");
    QTest::newRow("stepped") << QStringLiteral("11:01:00.000") << QString();
}

// After a search that found data and guides read in it, a window without data leaves no value
// or time of the previous window in the readouts, as a search with data does.
void tst_HistoryWindow::searchWithoutDataClearsTheReadouts()
{
    QFETCH(QString, dataStart);
    QFETCH(QString, emptyStart);
    m_now = at("10:00:00.500");
    openSeededProject(seeded);
    ui()->StartandPause->click();
    ui()->startDateTimeEdit->setDateTime(at(dataStart));
    ui()->searchfor->click();
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("查询成功"));
    readAtGuides(at(dataStart), at(dataStart));
    for (int c = 5; c <= 11; ++c)
        QVERIFY2(!cell(0, c).isEmpty(), qPrintable(QString::number(c)));
    QVERIFY(ChartDrawer::textItemAt(ui()->dataTableWidget, 0, 2)->isVisible());

    if (emptyStart.isEmpty()) {
        ui()->fastForwardfor1min->click();
    } else {
        ui()->startDateTimeEdit->setDateTime(at(emptyStart));
        ui()->searchfor->click();
    }
    QCOMPARE(m_f.window->statusBar()->currentMessage(), zh("查询成功，但没有数据"));
    for (int r = 0; r < ui()->tableWidget->rowCount(); ++r) {
        QStringList readouts;
        for (int c = 5; c <= 11; ++c)
            readouts << cell(r, c);
        QCOMPARE(readouts, QVector<QString>(7).toList());
        for (int c : {2, 3})
            QVERIFY(!ChartDrawer::textItemAt(ui()->dataTableWidget, r, c)->isVisible());
    }
    const ChartDrawer *view = m_f.window->trendView();
    QVERIFY(!view->guideLineItem(0)->isVisible());
    QVERIFY(!view->guideLineItem(1)->isVisible());
}

void tst_HistoryWindow::heldValuesReadAtEveryGuideSecond_data()
{
    QTest::addColumn<bool>("search");
    QTest::newRow("history search") << true;
    QTest::newRow("paused stretch filled at the resume") << false;
}

void tst_HistoryWindow::heldValuesReadAtEveryGuideSecond()
{
    QFETCH(bool, search);
    // Polled in 2.32 s at a sampling time of 1 s, the labels in different blocks (stored as a
    // record each); "b'c" and "c" hold their values the whole time, and c's poll at 11:00:25.5
    // was missed.
    const QDateTime base = at("11:00:00.000");
    QVector<HistoryRow> rows;
    for (int k = 0; k <= 20; ++k) {
        const QDateTime poll = base.addMSecs(k * 2320);
        rows.append({1, "a", 7060.0 + k, historyTime(poll)});
        rows.append({1, "b'c", 1.6, historyTime(poll.addMSecs(1210))});
        if (k != 10)
            rows.append({1, "c", 2.5, historyTime(poll.addMSecs(2300))});
    }
    m_now = base.addMSecs(-500);
    openSeededProject(rows);
    QCOMPARE(ui()->samplingTime->currentIndex(), 0);
    ui()->StartandPause->click();
    if (search) {
        ui()->startDateTimeEdit->setDateTime(base);
        ui()->searchfor->click();
        QVERIFY(seriesOf(2, 4)->count() > 0);
    } else {
        m_now = base.addSecs(50);
        ui()->StartandPause->click();
        QCOMPARE(livePoints(1).size(), 21);
    }
    QCOMPARE(cell(0, 3) + cell(1, 3) + cell(2, 3), QStringLiteral("ab'cc"));

    // From the second by which every label has a sample to the last poll: every guide second
    // reads the value held there; c reads nothing only once its missed poll was due.
    QStringList blanks;
    for (int s = 3; s <= 46; ++s) {
        readAtGuides(base.addSecs(s), base.addSecs(s));
        const int a = (s * 1000 + 998) / 2320; // the last poll of a within the second
        QCOMPARE(cell(0, 5), QString::number(7060 + a));
        for (int r : {1, 2}) {
            if (cell(r, 5).isEmpty())
                blanks << QStringLiteral("%1 at %2").arg(cell(r, 3)).arg(s);
            else
                QCOMPARE(cell(r, 5), r == 1 ? QStringLiteral("1.6") : QStringLiteral("2.5"));
        }
    }
    QCOMPARE(blanks, QStringList{"c at 26"});
}

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
