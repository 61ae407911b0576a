#include "addressgrammar.h"
#include "areanames.h"

#include <QtTest>

namespace {

struct MatchRow
{
    const char *tag;
    QString address;
    int area; // 0: no match expected
    QString letters;
    int index;
};

// What the anchored expressions say, walked in code order: the reference for match().
AddressMatch matchByPatterns(const AddressGrammar &grammar, const QString &address)
{
    AddressMatch m;
    for (auto it = grammar.patterns.cbegin(); it != grammar.patterns.cend(); ++it) {
        const QRegularExpressionMatch r = it.value().match(address);
        if (r.hasMatch()) {
            m.area = it.key();
            m.areaText = r.captured(1);
            m.index = r.captured(2).toInt();
            return m;
        }
    }
    return m;
}

} // namespace

class tst_AddressGrammar : public QObject
{
    Q_OBJECT

private slots:
    void match_data();
    void match();
    void agreesWithPatterns();
    void everyAreaInBothCases();
    void sizeByType_data();
    void sizeByType();
    void patternsTable();
    void formatIndex_data();
    void formatIndex();
    void itemElementSize_data();
    void itemElementSize();
};

void tst_AddressGrammar::match_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("area");
    QTest::addColumn<QString>("letters");
    QTest::addColumn<int>("index");

    const MatchRow rows[] = {
        {"upper case", "DI1", 1, "DI", 1},
        {"lower case, leading zeros", "di00001", 1, "di", 1},
        {"mixed case Di", "Di1", 0, {}, -1},
        {"mixed case dI", "dI1", 0, {}, -1},
        {"index 0", "DI0", 0, {}, -1},
        {"index 00000", "DI00000", 0, {}, -1},
        {"largest index", "DI32767", 1, "DI", 32767},
        {"index 32768", "DI32768", 0, {}, -1},
        {"six digits", "DI000001", 0, {}, -1},
        {"six digits large", "DI100000", 0, {}, -1},
        {"DI_F is not DI", "DI_F10", 2, "DI_F", 10},
        {"DI_f mixed", "DI_f10", 0, {}, -1},
        {"NDI is not DI", "NDI5", 15, "NDI", 5},
        {"SA with zeros", "SA00017", 14, "SA", 17},
        {"ai_f lower", "ai_f3", 8, "ai_f", 3},
        {"last area lower", "so26", 26, "so", 26},
        {"blank before", " DI1", 0, {}, -1},
        {"blank inside", "DI 1", 0, {}, -1},
        {"blank after", "DI1 ", 0, {}, -1},
        {"plus sign", "DI+1", 0, {}, -1},
        {"minus sign", "DI-1", 0, {}, -1},
        {"final line feed", "DI1\n", 1, "DI", 1},
        {"two line feeds", "DI1\n\n", 0, {}, -1},
        {"carriage return", "DI1\r", 0, {}, -1},
        {"string length in brackets", "SI5[20]", 0, {}, -1},
        {"empty", "", 0, {}, -1},
        {"letters only", "DI", 0, {}, -1},
        {"digits only", "17", 0, {}, -1},
        {"underscore alone", "_1", 0, {}, -1},
        {"no such area", "DX1", 0, {}, -1},
        {"trailing letters", "DI1a", 0, {}, -1},
        {"wide digit", QStringLiteral("DI\uFF11"), 0, {}, -1},
    };
    for (const MatchRow &row : rows)
        QTest::newRow(row.tag) << row.address << row.area << row.letters << row.index;
}

void tst_AddressGrammar::match()
{
    QFETCH(QString, address);
    QFETCH(int, area);
    QFETCH(QString, letters);
    QFETCH(int, index);

    const AddressGrammar grammar;
    const AddressMatch m = grammar.match(address, DataType::Int16);
    QCOMPARE(m.area, area);
    QCOMPARE(m.areaText, letters);
    QCOMPARE(m.index, index);
    QCOMPARE(m.bit, -1);
    QCOMPARE(m.size, area == 0 ? 0 : 2);
}

// The hand scanner must accept exactly the language of the expressions.
void tst_AddressGrammar::agreesWithPatterns()
{
    const AddressGrammar grammar;
    const QStringList indexes
        = {"0",     "1",      "7",      "07", "00007", "0000", "32767", "32768", "99999",
           "09999", "000001", "123456", "10", "00100", "3276", "32760", "30000", "19999"};
    const QStringList tails = {"", "\n", "\n\n", "\r", "\r\n", " ", "x", "[20]"};
    int checked = 0;
    for (int code = 1; code <= vexmarAreaCount; ++code) {
        const QString upper = areaNameFromCode(code);
        QString mixed = upper.toLower();
        mixed[0] = mixed[0].toUpper();
        for (const QString &letters : {upper, upper.toLower(), mixed, upper + "_", QString()}) {
            for (const QString &index : indexes) {
                for (const QString &tail : tails) {
                    const QString address = letters + index + tail;
                    const AddressMatch expected = matchByPatterns(grammar, address);
                    const AddressMatch got = grammar.match(address, DataType::Int8);
                    QVERIFY2(
                        got.area == expected.area && got.index == expected.index
                            && got.areaText == expected.areaText,
                        qPrintable(QString("%1: %2/%3 vs %4/%5")
                                       .arg(address.toUtf8().toHex(), QString::number(got.area),
                                            QString::number(got.index),
                                            QString::number(expected.area),
                                            QString::number(expected.index))));
                    ++checked;
                }
            }
        }
    }
    QCOMPARE(checked, 26 * 5 * 18 * 8);
}

void tst_AddressGrammar::everyAreaInBothCases()
{
    const AddressGrammar grammar;
    for (int code = 1; code <= vexmarAreaCount; ++code) {
        const QString name = areaNameFromCode(code);
        for (const QString &letters : {name, name.toLower()}) {
            const AddressMatch m = grammar.match(letters + "12", DataType::Int32);
            QCOMPARE(m.area, code);
            QCOMPARE(m.areaText, letters);
            QCOMPARE(m.index, 12);
        }
    }
}

void tst_AddressGrammar::sizeByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("Int16") << int(Int16) << 2;
    QTest::newRow("string") << int(string) << 0;
    QTest::newRow("null") << int(null) << -1;
    QTest::newRow("one past the last type") << 41 << 1;
    QTest::newRow("bool") << int(Bool) << 1;
    QTest::newRow("uint32_CDAB") << int(uint32_CDAB) << 4;
    QTest::newRow("float_DCBA") << int(float_DCBA) << 4;
    QTest::newRow("int64_GHEFCDAB") << int(int64_GHEFCDAB) << 8;
    QTest::newRow("double") << int(Double) << 8;
}

void tst_AddressGrammar::sizeByType()
{
    QFETCH(int, type);
    QFETCH(int, size);
    const AddressGrammar grammar;
    QCOMPARE(grammar.match("AI3", static_cast<DataType>(type)).size, size);
    // Without a match the type is not looked at.
    QCOMPARE(grammar.match("XX3", static_cast<DataType>(type)).size, 0);
}

void tst_AddressGrammar::patternsTable()
{
    const AddressGrammar grammar;
    QCOMPARE(grammar.patterns.size(), 26);
    QCOMPARE(grammar.patterns.firstKey(), 1);
    QCOMPARE(grammar.patterns.lastKey(), 26);
    const QString sa = grammar.patterns.value(14).pattern();
    QVERIFY(sa.startsWith("^(sa|SA)(["));
    QVERIFY(sa.endsWith("|3276[0-7])$"));
    for (const QRegularExpression &re : grammar.patterns) {
        QVERIFY(re.isValid());
        QCOMPARE(re.patternOptions(), QRegularExpression::NoPatternOption);
        QCOMPARE(re.captureCount(), 2);
    }
}

void tst_AddressGrammar::formatIndex_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("int") << QVariant(17) << "17";
    QTest::newRow("text with zeros") << QVariant("0017") << "17";
    QTest::newRow("not a number") << QVariant("abc") << "0";
    QTest::newRow("invalid") << QVariant() << "0";
    QTest::newRow("negative") << QVariant(-5) << "-5";
}

void tst_AddressGrammar::formatIndex()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    const AddressGrammar grammar;
    grammar.formatIndex(7, value);
    QCOMPARE(value.type(), QVariant::String);
    QCOMPARE(value.toString(), text);
}

void tst_AddressGrammar::itemElementSize_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("length in brackets") << "SI5[20]" << int(string) << 20;
    QTest::newRow("zero in brackets") << "LW3[0]" << int(string) << 0;
    QTest::newRow("brackets too large") << "LW3[99999999999]" << int(string) << 0;
    QTest::newRow("SI slot") << "SI5" << int(string) << 256;
    QTest::newRow("SO slot") << "SO9" << int(string) << 256;
    QTest::newRow("si lower case") << "si5" << int(string) << -1;
    QTest::newRow("string elsewhere") << "LW3" << int(string) << -1;
    QTest::newRow("Int32 anywhere") << "SI5[20]" << int(Int32) << 4;
    QTest::newRow("int16_BA") << "AI1" << int(int16_BA) << 2;
    QTest::newRow("double_HGFEDCBA") << "AI1" << int(double_HGFEDCBA) << 8;
    QTest::newRow("null") << "AI1" << int(null) << -1;
    QTest::newRow("41") << "AI1" << 41 << 1;
    QTest::newRow("42") << "AI1" << 42 << -1;
    QTest::newRow("negative") << "AI1" << -3 << -1;
}

void tst_AddressGrammar::itemElementSize()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(int, size);
    Induction::SReadInfo read;
    read.name = name;
    read.type = type;
    Induction::SWriteInfo write;
    write.name = name;
    write.type = type;
    QCOMPARE(::itemElementSize(read), size);
    QCOMPARE(::itemElementSize(write), size);
}

QTEST_GUILESS_MAIN(tst_AddressGrammar)
#include "tst_addressgrammar.moc"
