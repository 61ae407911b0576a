// The .xlsx writer: cell references, cells of every kind read back by openpyxl, the rising-row
// rule of constant memory and failures of saveAs.
#include "xlsxdocument.h"
#include "xlsxreadback.h"

#include <QTemporaryDir>
#include <QtTest>

using QXlsx::CellReference;
using QXlsx::Document;

class tst_XlsxDocument : public QObject
{
    Q_OBJECT

private slots:
    void cellReference_data();
    void cellReference();
    void columnName_data();
    void columnName();
    void cellsReadBack();
    void rowsOnlyRise();
    void refusedWrites();
    void saveFailures();
    void saveReplacesFile();

private:
    QTemporaryDir m_dir;
};

void tst_XlsxDocument::cellReference_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    QTest::newRow("first cell") << "A1" << 1 << 1;
    QTest::newRow("last single letter") << "Z9" << 9 << 26;
    QTest::newRow("two letters start") << "AA10" << 10 << 27;
    QTest::newRow("30th label column") << "AE2" << 2 << 31;
    QTest::newRow("after AZ") << "BA3" << 3 << 53;
    QTest::newRow("last cell of a sheet") << "XFD1048576" << 1048576 << 16384;
    QTest::newRow("column past XFD") << "XFE1" << -1 << -1;
    QTest::newRow("row past the sheet") << "A1048577" << -1 << -1;
    QTest::newRow("four letters") << "AAAA1" << -1 << -1;
    QTest::newRow("lower case") << "a1" << -1 << -1;
    QTest::newRow("row zero") << "A0" << -1 << -1;
    QTest::newRow("leading zero") << "A01" << -1 << -1;
    QTest::newRow("digits first") << "1A" << -1 << -1;
    QTest::newRow("no row") << "AB" << -1 << -1;
    QTest::newRow("no column") << "12" << -1 << -1;
    QTest::newRow("trailing text") << "A1B" << -1 << -1;
    QTest::newRow("empty") << "" << -1 << -1;
    QTest::newRow("huge row") << "A99999999999" << -1 << -1;
}

void tst_XlsxDocument::cellReference()
{
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, column);
    const CellReference cell(text);
    QCOMPARE(cell.isValid(), row > 0);
    if (row < 0)
        return;
    QCOMPARE(cell.row(), row);
    QCOMPARE(cell.column(), column);
    QCOMPARE(cell.toString(), text);
    QCOMPARE(CellReference(row, column).toString(), text);
}

void tst_XlsxDocument::columnName_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("name");
    QTest::newRow("1") << 1 << "A";
    QTest::newRow("26") << 26 << "Z";
    QTest::newRow("27") << 27 << "AA";
    QTest::newRow("52") << 52 << "AZ";
    QTest::newRow("702") << 702 << "ZZ";
    QTest::newRow("703") << 703 << "AAA";
    QTest::newRow("16384") << 16384 << "XFD";
    QTest::newRow("0") << 0 << "";
    QTest::newRow("16385") << 16385 << "";
}

void tst_XlsxDocument::columnName()
{
    QFETCH(int, column);
    QFETCH(QString, name);
    QCOMPARE(CellReference::columnName(column), name);
}

void tst_XlsxDocument::cellsReadBack()
{
    Document book;
    QXlsx::Format bold;
    bold.setFontBold(true);
    QVERIFY(book.write(CellReference("A1"), QStringLiteral("时间"), bold));
    QVERIFY(book.write(CellReference("B1"), QStringLiteral("it's \"quoted\" <&>")));
    QVERIFY(book.write(CellReference("AB1"), QStringLiteral("far")));
    QVERIFY(book.write(2, 1, 42));
    QVERIFY(book.write(2, 2, 2.5));
    QVERIFY(book.write(2, 3, true));
    QVERIFY(book.write(2, 4, QVariant())); // left empty
    QVERIFY(book.write(3, 1, QStringLiteral("0.1")));
    const QString path = m_dir.filePath("cells.xlsx");
    QVERIFY2(book.saveAs(path), qPrintable(book.errorString()));

    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.title, QStringLiteral("Sheet1"));
    QCOMPARE(sheet.cells.keys(), (QStringList{"A1", "A2", "A3", "AB1", "B1", "B2", "C2"}));
    const auto check = [&](const char *ref, const char *type, const QString &text, bool isBold) {
        const XlsxCell cell = sheet.cells.value(ref);
        QCOMPARE(cell.type, QString::fromLatin1(type));
        QCOMPARE(cell.text, text);
        QCOMPARE(cell.bold, isBold);
    };
    check("A1", "s", QStringLiteral("时间"), true);
    check("B1", "s", QStringLiteral("it's \"quoted\" <&>"), false);
    check("AB1", "s", QStringLiteral("far"), false);
    check("A2", "n", QStringLiteral("42"), false);
    check("B2", "n", QStringLiteral("2.5"), false);
    check("C2", "b", QStringLiteral("TRUE"), false);
    check("A3", "s", QStringLiteral("0.1"), false); // a text stays text
}

void tst_XlsxDocument::rowsOnlyRise()
{
    Document book;
    QVERIFY(book.write(CellReference("C3"), QStringLiteral("c3")));
    QVERIFY(book.write(CellReference("A3"), QStringLiteral("a3"))); // same row, any column
    QVERIFY(!book.write(CellReference("A2"), QStringLiteral("lost")));
    QVERIFY(!book.errorString().isEmpty());
    QVERIFY(book.write(CellReference("B5"), QStringLiteral("b5")));
    const QString path = m_dir.filePath("rows.xlsx");
    QVERIFY(book.saveAs(path));
    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.cells.keys(), (QStringList{"A3", "B5", "C3"}));
}

void tst_XlsxDocument::refusedWrites()
{
    Document book;
    QVERIFY(!book.write(CellReference("A0"), 1));
    QVERIFY(!book.write(0, 1, 1));
    QVERIFY(!book.write(1, 16385, 1));
    QVERIFY(!book.write(1, 1, QString(32768, QLatin1Char('x'))));
    QVERIFY(book.write(1, 1, QString(32767, QLatin1Char('x'))));
    QVERIFY(book.saveAs(m_dir.filePath("refused.xlsx")));
    QVERIFY(!book.write(2, 1, 1)); // the workbook is closed
}

void tst_XlsxDocument::saveFailures()
{
    // A plain file where a folder should be: unwritable whoever runs the test.
    const QString blocker = m_dir.filePath("blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    Document book;
    QVERIFY(book.write(1, 1, QStringLiteral("kept")));
    QVERIFY(!book.saveAs(blocker + "/report.xlsx"));
    QVERIFY(!book.errorString().isEmpty());
    QVERIFY(!QFile::exists(blocker + "/report.xlsx"));
    // The finished workbook can still go elsewhere.
    const QString path = m_dir.filePath("second try.xlsx");
    QVERIFY2(book.saveAs(path), qPrintable(book.errorString()));
    QCOMPARE(readXlsx(path).cells.value("A1").text, QStringLiteral("kept"));

    Document empty;
    QVERIFY2(empty.saveAs(m_dir.filePath("empty.xlsx")), qPrintable(empty.errorString()));
    QVERIFY(readXlsx(m_dir.filePath("empty.xlsx")).ok);
}

void tst_XlsxDocument::saveReplacesFile()
{
    const QString path = m_dir.filePath("replace.xlsx");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'z'));
    old.close();
    Document book;
    QVERIFY(book.write(1, 1, QStringLiteral("new")));
    QVERIFY(book.saveAs(path));
    const XlsxSheet sheet = readXlsx(path);
    QVERIFY2(sheet.ok, qPrintable(sheet.error));
    QCOMPARE(sheet.cells.value("A1").text, QStringLiteral("new"));
}

QTEST_GUILESS_MAIN(tst_XlsxDocument)
#include "tst_xlsxdocument.moc"
