// The history side of the trend page in the main window, offscreen, against real project,
// settings and database files: chart sections kept per project.
#include "projectfile.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

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
    void newProjectAfterOneWithSections();

private:
    QString writeProject(const QString &name, const QStringList &labels);
    void open(const QString &path);
    // Puts rows into the series table the way the section slots read them.
    void setSeriesRows(const QList<SeriesRow> &rows);
    // Every key of the project's settings file as "key=value", sorted.
    QStringList sectionKeys(const QString &iniName) const;
    QStringList comboTexts(QComboBox *combo) const;
    Ui::MainWindow *ui() const { return m_f.window->form(); }

    WindowFixture m_f;
};

void tst_HistoryWindow::init()
{
    m_f.setUp();
    QVERIFY(QDir(m_f.dir->path()).mkpath("libdrive"));
    QVERIFY(QFile::link(QStringLiteral(MORVELIN_TEST_DRIVER_DIR "/LibTestDriver.so"),
                        m_f.path("libdrive/LibTest.so")));
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

    // A new project starts with no sections, and its first Add is section 1.
    window->newProject(m_f.path("fresh.dpro"), "LibTest");
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

QTEST_MAIN(tst_HistoryWindow)
#include "tst_historywindow.moc"
