#include "chartsections.h"
#include "trendtest.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

SectionEntry entry(const QString &label, const QString &zero, const QString &full)
{
    return {label, zero, full, true};
}

const QList<SectionEntry> rowsA{entry("a1", "0", "100"), entry("a2", "-1", "1")};
const QList<SectionEntry> rowsB{entry("b1", "5", "6")};
const QList<SectionEntry> rowsC{entry("c1", "1", "2"), entry("c2", "3", "4"),
                                entry("c3", "5", "6")};

} // namespace

// The section records of a real per-project settings file, read back from the file itself.
class tst_ChartSections : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstAddReplacesThePlaceholder();
    void rowWithoutLabelLeavesAGap();
    void entriesReadBack();
    void countsThatAreNoNumbers_data();
    void countsThatAreNoNumbers();
    void newNames_data();
    void newNames();
    void remove_data();
    void remove();
    void removeOutOfRange();
    void modifyRenamesAndReplaces();
    void writeThatFailsKeepsTheFile();

private:
    // Every key of the file as "key=value", sorted, through a settings object of its own.
    QStringList fileKeys() const;
    QStringList diskKeys() const;

    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<QSettings> m_settings;
    QString m_path;
};

void tst_ChartSections::init()
{
    m_dir.reset(new QTemporaryDir);
    m_path = m_dir->filePath(QStringLiteral("line1.ini"));
    m_settings.reset(new QSettings(m_path, QSettings::IniFormat));
}

QStringList tst_ChartSections::diskKeys() const
{
    return settingsKeysOnDisk(m_path);
}

QStringList tst_ChartSections::fileKeys() const
{
    m_settings->sync();
    QSettings file(m_path, QSettings::IniFormat);
    QStringList keys;
    for (const QString &key : file.allKeys())
        keys << key + QLatin1Char('=') + file.value(key).toString();
    keys.sort();
    return keys;
}

void tst_ChartSections::firstAddReplacesThePlaceholder()
{
    ChartSections sections(m_settings.data());
    sections.startFile();
    QCOMPARE(fileKeys(), QStringList{"Section/1=value"});
    QCOMPARE(sections.count(), 0);
    QCOMPARE(sections.entryCount(1), 0);

    const QString name = sections.newName(QStringLiteral("数据组合"));
    QCOMPARE(name, QStringLiteral("数据组合1"));
    QCOMPARE(sections.add(rowsC, name), 1);
    QCOMPARE(fileKeys(),
             (QStringList{"Section/0=1", "Section/1=3", "Section1/1=c1", "Section1/2=c2",
                          "Section1/3=c3", "Section1/Max1=1", "Section1/Max2=3", "Section1/Max3=5",
                          "Section1/Min1=2", "Section1/Min2=4", "Section1/Min3=6",
                          "Section1/name=数据组合1"}));
}

void tst_ChartSections::rowWithoutLabelLeavesAGap()
{
    ChartSections sections(m_settings.data());
    SectionEntry gap;
    gap.hasLabel = false;
    sections.add({entry("x", "1", "2"), gap, entry("z", "5", "6")}, QStringLiteral("s"));
    QCOMPARE(fileKeys(), (QStringList{"Section/0=1", "Section/1=3", "Section1/1=x", "Section1/3=z",
                                      "Section1/Max1=1", "Section1/Max3=5", "Section1/Min1=2",
                                      "Section1/Min3=6", "Section1/name=s"}));
    // The gap reads back as an entry with empty texts.
    QCOMPARE(sections.labelNames(1), (QStringList{"x", "", "z"}));
    QCOMPARE(sections.entries(1)[1].zeroScale, QString());
}

void tst_ChartSections::entriesReadBack()
{
    ChartSections sections(m_settings.data());
    sections.add(rowsA, QStringLiteral("first"));
    sections.add(rowsB, QStringLiteral("second"));
    QCOMPARE(sections.count(), 2);
    QCOMPARE(sections.names(), (QStringList{"first", "second"}));
    const QList<SectionEntry> read = sections.entries(1);
    QCOMPARE(read.size(), 2);
    // Max carries the zero scale, Min the full scale.
    QCOMPARE(m_settings->value("Section1/Max1").toString(), QStringLiteral("0"));
    QCOMPARE(read[0].label, QStringLiteral("a1"));
    QCOMPARE(read[0].zeroScale, QStringLiteral("0"));
    QCOMPARE(read[0].fullScale, QStringLiteral("100"));
    QCOMPARE(read[1].zeroScale, QStringLiteral("-1"));
    QCOMPARE(sections.labelNames(2), QStringList{"b1"});
    QCOMPARE(sections.entries(3).size(), 0);
    // Section numbers start at 1: the count of sections is no section.
    QCOMPARE(sections.entryCount(0), 0);
    QCOMPARE(sections.entries(0).size(), 0);
}

void tst_ChartSections::countsThatAreNoNumbers_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("sectionCount");
    QTest::addColumn<int>("entryCount");

    QTest::newRow("placeholder") << "Section/1" << QVariant("value") << 0 << 0;
    QTest::newRow("label count no number") << "Section/1" << QVariant("x3") << 0 << 0;
    QTest::newRow("negative label count") << "Section/1" << QVariant(-4) << 0 << 0;
    QTest::newRow("section count no number") << "Section/0" << QVariant("many") << 0 << 0;
    QTest::newRow("negative section count") << "Section/0" << QVariant(-2) << 0 << 0;
    QTest::newRow("huge section count") << "Section/0" << QVariant(5000000) << 1000 << 0;
}

void tst_ChartSections::countsThatAreNoNumbers()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(int, sectionCount);
    QFETCH(int, entryCount);
    m_settings->setValue(key, value);
    ChartSections sections(m_settings.data());
    QCOMPARE(sections.count(), sectionCount);
    QCOMPARE(sections.entryCount(1), entryCount);
    QCOMPARE(sections.entries(1).size(), entryCount);
}

void tst_ChartSections::newNames_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");

    QTest::newRow("none") << QStringList{} << "数据组合1";
    QTest::newRow("third, free") << QStringList{"数据组合1", "x"} << "数据组合3";
    QTest::newRow("third, taken") << QStringList{"数据组合3", "y"} << "数据组合3_1";
    QTest::newRow("third, _1 taken too")
        << QStringList{"数据组合3", "数据组合3_1"} << "数据组合3_2";
    QTest::newRow("taken up to _2")
        << QStringList{"数据组合4_1", "数据组合4", "数据组合4_2"} << "数据组合4_3";
}

void tst_ChartSections::newNames()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    ChartSections sections(m_settings.data());
    for (const QString &name : existing)
        sections.add(rowsB, name);
    const QString name = sections.newName(QStringLiteral("数据组合"));
    QCOMPARE(name, expected);
    sections.add(rowsB, name);
    QCOMPARE(sections.names().count(expected), 1);
}

void tst_ChartSections::remove_data()
{
    QTest::addColumn<int>("sectionsBefore");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("middle of three")
        << 3 << 2 << QStringList{"Section/0=2",      "Section/1=2",       "Section/2=3",
                                 "Section1/1=a1",    "Section1/2=a2",     "Section1/Max1=0",
                                 "Section1/Max2=-1", "Section1/Min1=100", "Section1/Min2=1",
                                 "Section1/name=A",  "Section2/1=c1",     "Section2/2=c2",
                                 "Section2/3=c3",    "Section2/Max1=1",   "Section2/Max2=3",
                                 "Section2/Max3=5",  "Section2/Min1=2",   "Section2/Min2=4",
                                 "Section2/Min3=6",  "Section2/name=C"};
    QTest::newRow("last of three")
        << 3 << 3 << QStringList{"Section/0=2",      "Section/1=2",       "Section/2=1",
                                 "Section1/1=a1",    "Section1/2=a2",     "Section1/Max1=0",
                                 "Section1/Max2=-1", "Section1/Min1=100", "Section1/Min2=1",
                                 "Section1/name=A",  "Section2/1=b1",     "Section2/Max1=5",
                                 "Section2/Min1=6",  "Section2/name=B"};
    QTest::newRow("the only one") << 1 << 1 << QStringList{"Section/0=0"};
}

void tst_ChartSections::remove()
{
    QFETCH(int, sectionsBefore);
    QFETCH(int, removed);
    QFETCH(QStringList, keys);
    ChartSections sections(m_settings.data());
    const QList<QList<SectionEntry>> rows{rowsA, rowsB, rowsC};
    const QStringList names{"A", "B", "C"};
    for (int i = 0; i < sectionsBefore; ++i)
        sections.add(rows[i], names[i]);
    QVERIFY(sections.remove(removed));
    QCOMPARE(fileKeys(), keys);
    QCOMPARE(sections.count(), sectionsBefore - 1);
}

void tst_ChartSections::removeOutOfRange()
{
    ChartSections sections(m_settings.data());
    sections.add(rowsA, QStringLiteral("A"));
    const QStringList before = fileKeys();
    for (int n : {0, -1, 2})
        QVERIFY(!sections.remove(n));
    QVERIFY(!sections.modify(2, rowsB, QStringLiteral("B")));
    QVERIFY(!sections.modify(0, rowsB, QStringLiteral("B")));
    QCOMPARE(fileKeys(), before);
}

void tst_ChartSections::modifyRenamesAndReplaces()
{
    ChartSections sections(m_settings.data());
    sections.add(rowsC, QStringLiteral("C"));
    sections.add(rowsA, QStringLiteral("A"));
    // Three rows become one: no entry of the old rows stays behind.
    QVERIFY(sections.modify(1, rowsB, QStringLiteral("renamed")));
    QCOMPARE(fileKeys(),
             (QStringList{"Section/0=2", "Section/1=1", "Section/2=2", "Section1/1=b1",
                          "Section1/Max1=5", "Section1/Min1=6", "Section1/name=renamed",
                          "Section2/1=a1", "Section2/2=a2", "Section2/Max1=0", "Section2/Max2=-1",
                          "Section2/Min1=100", "Section2/Min2=1", "Section2/name=A"}));
}

void tst_ChartSections::writeThatFailsKeepsTheFile()
{
    ChartSections sections(m_settings.data());
    QCOMPARE(sections.add(rowsA, QStringLiteral("A")), 1);
    QVERIFY(!sections.writeFailed());
    const QStringList stored = diskKeys();
    QVERIFY(stored.contains(QStringLiteral("Section1/name=A")));
    {
        FullDisk full;
        QVERIFY(full.isActive());
        QCOMPARE(sections.add(rowsB, QStringLiteral("B")), 0);
        QVERIFY(sections.writeFailed());
        QVERIFY(!sections.modify(1, rowsB, QStringLiteral("renamed")));
        QVERIFY(sections.writeFailed());
        QVERIFY(!sections.remove(1));
        QVERIFY(sections.writeFailed());
        // The sections read as the file holds them.
        QCOMPARE(sections.names(), QStringList{QStringLiteral("A")});
        QCOMPARE(sections.entries(1).size(), rowsA.size());
    }
    QCOMPARE(diskKeys(), stored);
    // Nothing unsaved reaches the file later either, when the settings object goes.
    m_settings.reset();
    QCOMPARE(diskKeys(), stored);

    // With room again a change is written and says so.
    m_settings.reset(new QSettings(m_path, QSettings::IniFormat));
    ChartSections again(m_settings.data());
    QCOMPARE(again.add(rowsB, QStringLiteral("B")), 2);
    QVERIFY(!again.writeFailed());
    QVERIFY(diskKeys().contains(QStringLiteral("Section2/name=B")));
}

QTEST_GUILESS_MAIN(tst_ChartSections)
#include "tst_chartsections.moc"
