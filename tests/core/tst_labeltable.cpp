// The label table of the main window: rows and their type cells, the context-menu
// entries (add, write, delete, hide, import, export) against real files, the accessors the
// other pages use, and delayMs.
#include "customcombobox.h"
#include "labeltypes.h"
#include "ui_mainwindow.h"
#include "windowfixture.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTimer>

namespace {

QString zh(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// (row, column) of selected cells, in the order they are selected.
using Cells = QList<QPair<int, int>>;

enum MenuEntry {
    AddEntry,
    WriteEntry,
    DeleteEntry,
    ImportEntry,
    ExportEntry,
    TrendEntry,
    HideEntry
};

} // namespace

class tst_LabelTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addRows();
    void typeChosenOnlyWhileEditing();
    void manyRowsHoldNoWidgetPerRow();
    void typeOfRow_data();
    void typeOfRow();
    void deleteExactRows_data();
    void deleteExactRows();
    void hideAndShowColumns();
    void writeEntry_data();
    void writeEntry();
    void csvRoundTrip();
    void csvFailuresReported();
    void cancelledChooserChangesNothing();
    void menuWaitsForNothing();
    void sortingKeepsSelectorsWithTheirRows();
    void accessors();
    void delayMsProcessesEvents();

private:
    void addRows(const QList<QStringList> &rows);
    void select(const Cells &cells);
    QAction *entry(MenuEntry e) const { return m_f.window->labelMenu()->actions().at(e); }
    QStringList labels() const;

    WindowFixture m_f;
    MainWindow *m_window = nullptr;
};

void tst_LabelTable::init()
{
    m_f.setUp();
    m_window = m_f.create();
}

void tst_LabelTable::cleanup()
{
    m_window = nullptr;
    m_f.tearDown();
}

void tst_LabelTable::addRows(const QList<QStringList> &rows)
{
    for (const QStringList &row : rows)
        m_window->addLabelRow(row);
}

void tst_LabelTable::select(const Cells &cells)
{
    QItemSelectionModel *selection = m_window->form()->tableView_label->selectionModel();
    selection->clear();
    for (const auto &cell : cells)
        selection->select(m_window->labelModel()->index(cell.first, cell.second),
                          QItemSelectionModel::Select);
}

QStringList tst_LabelTable::labels() const
{
    QStringList result;
    for (int row = 0; row < m_window->labelRowCount(); ++row)
        result << m_window->labelItem(row, 1)->text();
    return result;
}

void tst_LabelTable::addRows()
{
    entry(AddEntry)->trigger();
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    m_window->addLabelRow({"only", "five", "fields", "make", "nothing"});
    QCOMPARE(m_window->labelRowCount(), 3);
    QCOMPARE(m_window->labelRows(),
             (QList<QStringList>{{"", "", "", "", "", "null"},
                                 {"08:00", "D100", "tank", "12.5", "m", "Int16"},
                                 {"", "", "", "", "", "null"}}));
    // New rows are locked until the permission lock opens them.
    QVERIFY(!m_window->labelItem(1, 2)->isEditable());
    QVERIFY(!m_window->labelItem(1, 5)->isEditable());
    QCOMPARE(m_window->labelItem(1, 0)->textAlignment(), Qt::AlignHCenter | Qt::AlignVCenter);
}

void tst_LabelTable::typeChosenOnlyWhileEditing()
{
    m_f.window->show();
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    QTableView *view = m_window->form()->tableView_label;
    const QModelIndex cell = m_window->labelModel()->index(0, 5);
    // Locked: the cell opens no selector, so neither a click nor a key changes the type.
    view->edit(cell);
    QVERIFY(!view->indexWidget(cell));

    m_window->setLabelTableEditable(true);
    view->setCurrentIndex(cell);
    view->edit(cell);
    auto *selector = qobject_cast<CustomComboBox *>(view->indexWidget(cell));
    QVERIFY(selector);
    QCOMPARE(selector->count(), LabelTypes::entryCount);
    QCOMPARE(selector->currentText(), QStringLiteral("Int16"));
    QVERIFY(selector->popupEnabled());
    // Choosing an entry from the list is the whole edit.
    selector->setCurrentIndex(26); // float_BADC
    emit selector->activated(26);
    QTRY_VERIFY_WITH_TIMEOUT(!view->indexWidget(cell), 5000);
    QCOMPARE(m_window->labelDataType(0), 34);
    QCOMPARE(m_window->labelRows().first().last(), QStringLiteral("float_BADC"));
}

void tst_LabelTable::manyRowsHoldNoWidgetPerRow()
{
    // A widget per row cost minutes and hundreds of MB at ten thousand labels.
    m_f.window->show();
    for (int i = 0; i < 200; ++i)
        m_window->addLabelRow({"", QStringLiteral("D%1").arg(i), "", "", "", "bool"});
    QCoreApplication::processEvents();
    QTableView *view = m_window->form()->tableView_label;
    QVERIFY(view->findChildren<QComboBox *>().isEmpty());
    QCOMPARE(m_window->labelRowCount(), 200);
    QCOMPARE(m_window->labelDataType(199), 1);
}

void tst_LabelTable::typeOfRow_data()
{
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<int>("type");
    const QString padded = QStringLiteral("float_ABCD") + QString(249, ' ');
    QTest::newRow("null") << "null" << 0;
    QTest::newRow("string") << "string" << 12;
    QTest::newRow("uint32_DCBA, last of the direct positions") << "uint32_DCBA" << 24;
    QTest::newRow("float_ABCD with its 249 blanks") << padded << 33;
    QTest::newRow("float_ABCD without the blanks selects nothing") << "float_ABCD" << 0;
    QTest::newRow("float_DCBA") << "float_DCBA" << 36;
    QTest::newRow("double_ABCDEFGH") << "double_ABCDEFGH" << 37;
    QTest::newRow("double_HGFEDCBA") << "double_HGFEDCBA" << 40;
    QTest::newRow("other case selects nothing") << "INT16" << 0;
}

void tst_LabelTable::typeOfRow()
{
    QFETCH(QString, typeText);
    QFETCH(int, type);
    QCOMPARE(LabelTypes::dataTypeNames().at(25).size(), 259);
    m_window->addLabelRow({"", "D1", "", "", "", typeText});
    QCOMPARE(m_window->labelDataType(0), type);
}

void tst_LabelTable::deleteExactRows_data()
{
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("rows 2 and 5, those between stay")
        << Cells{{2, 0}, {5, 3}} << QStringList{"D0", "D1", "D3", "D4", "D6"};
    QTest::newRow("selected bottom up")
        << Cells{{5, 1}, {2, 4}} << QStringList{"D0", "D1", "D3", "D4", "D6"};
    QTest::newRow("two cells of one row")
        << Cells{{4, 0}, {4, 2}} << QStringList{"D0", "D1", "D2", "D3", "D5", "D6"};
    QTest::newRow("nothing selected")
        << Cells{} << QStringList{"D0", "D1", "D2", "D3", "D4", "D5", "D6"};
}

void tst_LabelTable::deleteExactRows()
{
    QFETCH(Cells, cells);
    QFETCH(QStringList, left);
    for (int i = 0; i < 7; ++i)
        m_window->addLabelRow(
            {"", QString("D%1").arg(i), "", "", "", LabelTypes::dataTypeNames()[i]});
    select(cells);
    entry(DeleteEntry)->setEnabled(true);
    entry(DeleteEntry)->trigger();
    QCOMPARE(labels(), left);
    // Every remaining row kept its own selector.
    for (int row = 0; row < left.size(); ++row)
        QCOMPARE(m_window->labelDataType(row), left[row].mid(1).toInt());
}

void tst_LabelTable::hideAndShowColumns()
{
    QTableView *view = m_window->form()->tableView_label;
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    // Last cell selected first: the span still runs from column 1 to column 3.
    select({{0, 3}, {0, 1}});
    entry(HideEntry)->trigger();
    for (int c = 0; c < 6; ++c)
        QCOMPARE(view->isColumnHidden(c), c >= 1 && c <= 3);
    QVERIFY(!m_window->form()->pushButton_hide->isHidden());

    m_window->form()->pushButton_hide->click();
    for (int c = 0; c < 6; ++c)
        QVERIFY(!view->isColumnHidden(c));
    QVERIFY(m_window->form()->pushButton_hide->isHidden());

    select({});
    entry(HideEntry)->trigger();
    QVERIFY(m_window->form()->pushButton_hide->isHidden());
}

void tst_LabelTable::writeEntry_data()
{
    QTest::addColumn<Cells>("cells");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("value");
    QTest::newRow("one cell") << Cells{{1, 4}} << true << 1 << "D200" << 12.5;
    QTest::newRow("value no number starts at 0") << Cells{{0, 0}} << true << 0 << "D100" << 0.0;
    QTest::newRow("two cells") << Cells{{0, 0}, {1, 0}} << false << 0 << "" << 0.0;
    QTest::newRow("no cell") << Cells{} << false << 0 << "" << 0.0;
}

void tst_LabelTable::writeEntry()
{
    QFETCH(Cells, cells);
    QFETCH(bool, asked);
    addRows({{"", "D100", "", "--", "", "Int16"}, {"", "D200", "", "12.5", "", "float"}});
    QSignalSpy spy(m_window, &MainWindow::labelWriteRequested);
    select(cells);
    entry(WriteEntry)->setEnabled(true);
    entry(WriteEntry)->trigger();
    QCOMPARE(spy.count(), asked ? 1 : 0);
    if (!asked)
        return;
    QFETCH(int, row);
    QFETCH(QString, label);
    QFETCH(double, value);
    QCOMPARE(spy.first().at(0).toInt(), row);
    QCOMPARE(spy.first().at(1).toString(), label);
    QCOMPARE(spy.first().at(2).toDouble(), value);
}

void tst_LabelTable::csvRoundTrip()
{
    const QString padded = LabelTypes::dataTypeNames().at(25);
    const QList<QStringList> rows{
        {"08:00", "D100", zh("液位, 1号罐"), "12.5", "m", "Int16"},
        {"08:01", "D102", zh("5\" 管道 \xe5\x8e\x8b\xe5\x8a\x9b"), "", "kPa", padded},
        {"", "D104", "plain", "1", "", "double_HGFEDCBA"},
    };
    addRows(rows);
    const QString file = m_f.path("labels.csv");
    m_f.chooser->answers << file;
    m_f.prompt->expect("information", zh("信息"), zh("导出完成：3条记录"));
    entry(ExportEntry)->trigger();
    QCOMPARE(m_f.chooser->calls.last(), zh("保存CSV"));

    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    // Only the fields that need it are quoted.
    QVERIFY(bytes.contains("\"5\"\" "));
    QVERIFY(bytes.contains(",D104,plain,1,,double_HGFEDCBA\n"));

    m_window->addLabelRow({"", "extra", "", "", "", "null"});
    m_f.chooser->answers << file;
    m_f.prompt->expect("information", zh("信息"), zh("导入完成：3条记录，跳过0行"));
    entry(ImportEntry)->trigger();
    QCOMPARE(m_f.chooser->calls.last(), zh("导入CSV"));
    QCOMPARE(m_window->labelRows(), rows);
    QCOMPARE(m_window->labelDataType(1), 33);
}

void tst_LabelTable::csvFailuresReported()
{
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    const QString missingFolder = m_f.path("gone/labels.csv");
    m_f.chooser->answers << missingFolder << missingFolder;
    m_f.prompt->expectStartingWith("warning", zh("信息"), zh("导出失败："));
    entry(ExportEntry)->trigger();
    QVERIFY(!QFile::exists(missingFolder));
    m_f.prompt->expectStartingWith("warning", zh("信息"), zh("导入失败："));
    entry(ImportEntry)->trigger();
    QCOMPARE(labels(), QStringList{"D100"});

    // A file that yields no label leaves the table as it was: a header line alone, and a binary
    // file whose lines are no labels.
    const struct
    {
        const char *name;
        QByteArray bytes;
        int skipped;
    } empties[] = {
        {"header.csv", "a,b,c,d,e,f\n", 0},
        // The start of a PNG file, then bytes of a JPEG: three lines after the first.
        {"image.csv", QByteArray::fromHex("89504e470d0a 1a0a 0000000d494844520a ffd82c010a"), 3},
    };
    for (const auto &empty : empties) {
        QFile file(m_f.path(empty.name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(empty.bytes);
        file.close();
        m_f.chooser->answers << file.fileName();
        m_f.prompt->expect(
            "warning", zh("信息"),
            zh("导入失败：文件中没有可导入的标签（跳过%1行），标签表未改变").arg(empty.skipped));
        entry(ImportEntry)->trigger();
        QCOMPARE(labels(), QStringList{"D100"});
    }

    // Fourteen lines: an unclosed quote swallows nothing, blank lines are no rows, and the row
    // of three fields is skipped and counted.
    QFile flawed(m_f.path("flawed.csv"));
    QVERIFY(flawed.open(QIODevice::WriteOnly));
    flawed.write("time,label,describe,value,unit,type\n,D1,,,,Int16\n,D2,\"tank,1,m,Int16\n"
                 ",D3,,,,Int16\n\n,D4,,,,Int16\n,D5,,,,bool\na,b,c\n,D6,,,,Int16\n\n"
                 ",D7,,,,Int16\n,D8,,,,Int16\n,D9,,,,Int16\n,D10,,,,Int16\n");
    flawed.close();
    m_f.chooser->answers << flawed.fileName();
    m_f.prompt->expect("information", zh("信息"), zh("导入完成：10条记录，跳过1行"));
    entry(ImportEntry)->trigger();
    QCOMPARE(labels(), (QStringList{"D1", "D2", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D10"}));
    QCOMPARE(m_window->labelDataType(4), 1);
}

void tst_LabelTable::cancelledChooserChangesNothing()
{
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    entry(ImportEntry)->trigger();
    entry(ExportEntry)->trigger();
    QCOMPARE(m_f.chooser->calls.size(), 2);
    QCOMPARE(m_f.prompt->shown, 0);
    QCOMPARE(labels(), QStringList{"D100"});
}

void tst_LabelTable::menuWaitsForNothing()
{
    // The menu opens and the call returns at once: no event loop of its own waits for a choice.
    QMenu *menu = m_window->labelMenu();
    QTimer guard; // closes a menu that did wait, so that the test fails rather than hangs
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, menu, &QMenu::close);
    guard.start(5000);
    QVERIFY(
        QMetaObject::invokeMethod(m_window, "onShowlabelMenuMenu", Q_ARG(QPoint, QPoint(5, 5))));
    QVERIFY(guard.isActive());
    QVERIFY(menu->isVisible());
    menu->close();
}

void tst_LabelTable::sortingKeepsSelectorsWithTheirRows()
{
    addRows({{"2", "D2", "", "", "", "Int16"}, {"1", "D1", "", "", "", "float"}});
    m_window->form()->tableView_label->sortByColumn(0, Qt::AscendingOrder);
    QCOMPARE(labels(), (QStringList{"D1", "D2"}));
    QCOMPARE(m_window->labelDataType(0), 8);
    QCOMPARE(m_window->labelDataType(1), 4);
}

void tst_LabelTable::accessors()
{
    m_window->addLabelRow({"08:00", "D100", "tank", "12.5", "m", "Int16"});
    QCOMPARE(m_window->labelRowCount(), 1);
    QCOMPARE(m_window->labelItem(0, 2)->text(), QStringLiteral("tank"));
    QVERIFY(!m_window->labelItem(1, 0));
    QVERIFY(!m_window->labelItem(0, 9));
    QCOMPARE(m_window->labelDataType(3), 0);
    // No project is open yet.
    QVERIFY(m_window->projectFilePath(false).isEmpty());
    QVERIFY(m_window->projectFilePath(true).isEmpty());
}

void tst_LabelTable::delayMsProcessesEvents()
{
    bool fired = false;
    QTimer::singleShot(10, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    MainWindow::delayMs(60);
    QVERIFY(clock.elapsed() >= 60);
    QVERIFY(fired);
}

QTEST_MAIN(tst_LabelTable)

#include "tst_labeltable.moc"
