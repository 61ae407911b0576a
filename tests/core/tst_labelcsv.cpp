#include "labelcsv.h"
#include "labeltypes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using Records = QList<QStringList>;

namespace {

// The label table's header texts ("时间", "标签/地址", "描述", "当前值", "单位", "数据类型").
const QStringList header = {
    QStringLiteral(u"\u65F6\u95F4"),         QStringLiteral(u"\u6807\u7B7E/\u5730\u5740"),
    QStringLiteral(u"\u63CF\u8FF0"),         QStringLiteral(u"\u5F53\u524D\u503C"),
    QStringLiteral(u"\u5355\u4F4D"),         QStringLiteral(u"\u6570\u636E\u7C7B\u578B")};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A literal with its NUL bytes.
template<int N>
QByteArray bytesOf(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

class tst_LabelCsv : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void plainFileByteForByte();
    void roundTrip_data();
    void roundTrip();
    void emptyTable();
    void unencodableTextFallsBackToUtf8();
    void parseCsv_data();
    void parseCsv();
    void importSkipsWhatIsNoLabel_data();
    void importSkipsWhatIsNoLabel();
    void randomBytesGiveNoLabel();
    void failures();
    void typeEntries_data();
    void typeEntries();
    void typeEntryList();
    void unknownTypesListed();
    void removalOrder_data();
    void removalOrder();

private:
    QString path(const QString &name = QStringLiteral("labels.csv")) const
    {
        return m_dir->filePath(name);
    }
    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_LabelCsv::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

void tst_LabelCsv::cleanup()
{
    QTextCodec::setCodecForLocale(nullptr);
}

void tst_LabelCsv::plainFileByteForByte()
{
    const QString floatEntry = LabelTypes::entryName(float_ABCD);
    const QList<LabelRow> rows = {
        {"08:00", "D100", "tank level", "12.5", "m", "Int16"},
        {"", "AI3", "", "", "", floatEntry},
    };
    QVERIFY(LabelCsv::exportFile(path(), header, rows));
    const QByteArray expected = header.join(',').toUtf8() + "\n"
                                + "08:00,D100,tank level,12.5,m,Int16\n"
                                + ",AI3,,,," + floatEntry.toLatin1() + "\n";
    QCOMPARE(readAll(path()), expected);

    LabelCsv::Import back;
    QVERIFY(LabelCsv::importFile(path(), &back));
    QCOMPARE(back.rows, rows);
    QCOMPARE(LabelTypes::positionOfName(back.rows.at(1).at(LabelColumnType)), 25);
}

void tst_LabelCsv::roundTrip_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("comma") << "level, tank 2" << QByteArray("\"level, tank 2\"");
    QTest::newRow("quote") << "5\" pipe" << QByteArray("\"5\"\" pipe\"");
    const QString level = QStringLiteral(u"\u6DB2\u4F4D");
    QTest::newRow("Chinese") << level << level.toUtf8();
    QTest::newRow("all of them and a line break")
        << QStringLiteral(u"\u6DB2\u4F4D, \"A\"\nline 2")
        << QStringLiteral(u"\"\u6DB2\u4F4D, \"\"A\"\"\nline 2\"").toUtf8();
}

void tst_LabelCsv::roundTrip()
{
    QFETCH(QString, description);
    QFETCH(QByteArray, written);

    const QList<LabelRow> rows = {{"08:00", "D100", description, "1", "m", "Int16"},
                                  {"09:00", "D101", "plain", "", "", "bool"}};
    QVERIFY(LabelCsv::exportFile(path(), header, rows));
    QVERIFY(readAll(path()).contains(",D100," + written + ",1,m,Int16\n09:00,D101,plain,,,bool\n"));
    LabelCsv::Import back;
    QVERIFY(LabelCsv::importFile(path(), &back));
    QCOMPARE(back.rows, rows);
}

void tst_LabelCsv::emptyTable()
{
    QVERIFY(LabelCsv::exportFile(path(), header, {}));
    QCOMPARE(readAll(path()), header.join(',').toUtf8() + "\n");
    LabelCsv::Import back;
    back.rows = {{"stale"}};
    back.skipped = 3;
    QVERIFY(LabelCsv::importFile(path(), &back));
    QCOMPARE(back.skipped, 0);
    QVERIFY(back.rows.isEmpty());
}

void tst_LabelCsv::unencodableTextFallsBackToUtf8()
{
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    const QList<LabelRow> rows = {{"", "D1", QStringLiteral(u"\u6DB2\u4F4D"), "", "", "null"}};
    QVERIFY(LabelCsv::exportFile(path(), header, rows));
    QVERIFY(readAll(path()).startsWith("\xEF\xBB\xBF"));
    LabelCsv::Import back;
    QVERIFY(LabelCsv::importFile(path(), &back));
    QCOMPARE(back.rows, rows);

    // Text the locale's encoding holds is still written in it, without a mark.
    QVERIFY(LabelCsv::exportFile(path(), {"a", "b"}, {{QStringLiteral(u"\u00E9"), "x"}}));
    QCOMPARE(readAll(path()), QByteArray("a,b\n\xE9,x\n"));
}

void tst_LabelCsv::parseCsv_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Records>("records");

    QTest::newRow("empty") << "" << Records();
    QTest::newRow("trailing line end adds nothing") << "a,b\n" << Records{{"a", "b"}};
    QTest::newRow("last line without line end") << "a\nb,c" << Records{{"a"}, {"b", "c"}};
    QTest::newRow("empty fields kept, no trimming")
        << ", a ,,\n" << Records{{"", " a ", "", ""}};
    QTest::newRow("blank and white lines give no record") << "a\n\n  \r\n\r\nb\n"
                                                          << Records{{"a"}, {"b"}};
    QTest::newRow("a line of commas is a record") << ",,\n" << Records{{"", "", ""}};
    QTest::newRow("CRLF line ends") << "a,b\r\nc\r\n" << Records{{"a", "b"}, {"c"}};
    QTest::newRow("comma inside an old unquoted file splits")
        << "t,D1,level, tank,1,m,Int16\n"
        << Records{{"t", "D1", "level", " tank", "1", "m", "Int16"}};
    QTest::newRow("quote inside an unquoted field is text")
        << "a,5\" pipe,b\n" << Records{{"a", "5\" pipe", "b"}};
    QTest::newRow("quoted field with doubled quote and line break")
        << "\"x \"\"y\"\"\n z\",w\n" << Records{{"x \"y\"\n z", "w"}};
    QTest::newRow("empty quoted field at the end") << "a,\"\"" << Records{{"a", ""}};
    QTest::newRow("quoted field before CRLF") << "\"a\",b\r\nc" << Records{{"a", "b"}, {"c"}};
    // A quote that does not make a well-formed field is text; the lines after it stay records.
    QTest::newRow("unclosed quote: its line split plainly")
        << "a,\"b,c\nd,e\nf\n"
        << Records{{"a", "\"b", "c"}, {"d", "e"}, {"f"}};
    QTest::newRow("closing quote followed by text: split plainly")
        << "\"ab\"x,c\nd\n"
        << Records{{"\"ab\"x", "c"}, {"d"}};
    QTest::newRow("quote closed lines later by a quote not before a comma")
        << "a,\"b\nc\n\"d\"e,f\n"
        << Records{{"a", "\"b"}, {"c"}, {"\"d\"e", "f"}};
}

void tst_LabelCsv::parseCsv()
{
    QFETCH(QString, text);
    QFETCH(Records, records);
    QCOMPARE(LabelCsv::parseCsv(text), records);
}

void tst_LabelCsv::importSkipsWhatIsNoLabel_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<int>("skipped");
    QTest::newRow("unclosed quote keeps the lines after it")
        << QByteArray(",D1,\"tank,1,m,Int16\n,D2,,,,Int16\n,D3,,,,bool\n")
        << QStringList{"D1", "D2", "D3"} << 0;
    QTest::newRow("blank lines skipped, not counted")
        << QByteArray("\n,D1,,,,Int16\n   \n\n,D2,,,,Int16") << QStringList{"D1", "D2"} << 0;
    QTest::newRow("wrong field counts skipped and counted")
        << QByteArray(",D1,,,,Int16\na,b,c\n,D2,level, tank,,,Int16\n,D3,,,,bool\n")
        << QStringList{"D1", "D3"} << 2;
    QTest::newRow("quoted comma keeps six fields")
        << QByteArray(",D1,\"level, tank\",,,Int16\n") << QStringList{"D1"} << 0;
    // Such rows could never be saved in a project file, or are bytes shown as text.
    QTest::newRow("bell and vertical tab skipped and counted")
        << QByteArray(",D1,tank\x07,,,Int16\n,D2,,,,Int16\n,D3,a\x0b,,,bool\n") << QStringList{"D2"}
        << 2;
    QTest::newRow("NUL, escape, DEL and C1 control skipped")
        << bytesOf(",D1\x00,,,,Int16\n\x1b,D2,,,,Int16\n,D3,,\x7f,,Int16\n,D4,,,\xc2\x85,Int16\n"
                   ",D5,,,,Int16\n")
        << QStringList{"D5"} << 4;
    QTest::newRow("bytes that are not UTF-8 skipped")
        << QByteArray(",D1,\xff\xfe\xfd,,,Int16\n,D2,caf\xe9,,,Int16\n,D3,caf\xc3\xa9,,,Int16\n")
        << QStringList{"D3"} << 2;
    QTest::newRow("U+FFFE skipped")
        << QByteArray(",D1,\xef\xbf\xbe,,,Int16\n,D2,,,,Int16\n") << QStringList{"D2"} << 1;
    QTest::newRow("tab and quoted line break are text")
        << QByteArray(",D1,a\tb,,,Int16\n,D2,\"two\r\nlines\",,,Int16\n") << QStringList{"D1", "D2"}
        << 0;
}

void tst_LabelCsv::importSkipsWhatIsNoLabel()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, labels);
    QFETCH(int, skipped);
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("time,label,describe,value,unit,type\n" + body);
    file.close();
    LabelCsv::Import read;
    QVERIFY(LabelCsv::importFile(path(), &read));
    QStringList got;
    for (const LabelRow &row : read.rows) {
        QCOMPARE(row.size(), int(LabelColumnCount));
        got << row.at(LabelColumnLabel);
    }
    QCOMPARE(got, labels);
    QCOMPARE(read.skipped, skipped);
}

void tst_LabelCsv::randomBytesGiveNoLabel()
{
    // 20 KB of noise, as a file picked by mistake: whatever lines it happens to cut into six
    // fields are no labels.
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random(seed);
        QByteArray noise(20 * 1024, '\0');
        for (char &b : noise)
            b = char(random.bounded(256));
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(noise);
        file.close();
        LabelCsv::Import read;
        QVERIFY(LabelCsv::importFile(path(), &read));
        const QString first = read.rows.value(0).join(QLatin1Char(','));
        QVERIFY2(read.rows.isEmpty(),
                 qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(first)));
        QVERIFY(read.skipped > 0);
    }
}

void tst_LabelCsv::failures()
{
    QString error;
    QVERIFY(!LabelCsv::exportFile(path("missing/labels.csv"), header, {}, &error));
    QVERIFY(error.contains(path("missing/labels.csv")));
    error.clear();
    QVERIFY(!LabelCsv::exportFile(m_dir->path(), header, {}, &error));
    QVERIFY(!error.isEmpty());

    error.clear();
    LabelCsv::Import kept;
    kept.rows = {{"kept"}};
    QVERIFY(!LabelCsv::importFile(path("absent.csv"), &kept, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(kept.rows, QList<LabelRow>{{"kept"}});
}

void tst_LabelCsv::typeEntries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("type");

    QTest::newRow("null") << "null" << 0 << int(null);
    QTest::newRow("string") << "string" << 12 << int(string);
    QTest::newRow("uint32_DCBA") << "uint32_DCBA" << 24 << int(uint32_DCBA);
    QTest::newRow("padded float_ABCD")
        << QStringLiteral("float_ABCD").leftJustified(259, ' ') << 25 << int(float_ABCD);
    QTest::newRow("float_DCBA") << "float_DCBA" << 28 << int(float_DCBA);
    QTest::newRow("double_HGFEDCBA") << "double_HGFEDCBA" << 32 << int(double_HGFEDCBA);
    QTest::newRow("float_ABCD without blanks selects nothing") << "float_ABCD" << -1 << int(null);
    QTest::newRow("other case selects nothing") << "INT16" << -1 << int(null);
    QTest::newRow("64-bit byte order has no entry") << "int64_ABCDEFGH" << -1 << int(null);
}

void tst_LabelCsv::typeEntries()
{
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(int, type);

    QCOMPARE(LabelTypes::positionOfName(text), position);
    QCOMPARE(int(LabelTypes::dataTypeAt(position)), type);
    if (position >= 0) {
        QCOMPARE(LabelTypes::positionOf(type), position);
        QCOMPARE(LabelTypes::entryName(type), text);
    }
}

void tst_LabelCsv::typeEntryList()
{
    const QStringList &names = LabelTypes::dataTypeNames();
    QCOMPARE(names.size(), 33);
    QCOMPARE(names.at(25).size(), 259);
    QCOMPARE(names.at(25).trimmed(), QStringLiteral("float_ABCD"));
    for (int p = 0; p < names.size(); ++p) {
        if (p != 25)
            QCOMPARE(names.at(p), dataTypeName(LabelTypes::dataTypeAt(p)));
    }
    for (int type = int64_ABCDEFGH; type <= uint64_HGFEDCBA; ++type)
        QCOMPARE(LabelTypes::positionOf(type), -1);
    QCOMPARE(int(LabelTypes::dataTypeAt(33)), int(null));
    QCOMPARE(int(LabelTypes::dataTypeAt(-1)), int(null));
}

void tst_LabelCsv::unknownTypesListed()
{
    const QString padded = LabelTypes::entryName(float_ABCD);
    QList<LabelRow> rows{{"", "A", "", "", "", padded},
                         {"", "B", "", "", "", ""}, // no type given: "null" without a word
                         {"", "C", "", "", "", "Int16"},
                         {"", "D", "", "", "", "float_ABCD"}};
    QVERIFY(!LabelTypes::isUnknownName(padded));
    QVERIFY(!LabelTypes::isUnknownName(QString()));
    QVERIFY(LabelTypes::isUnknownName(QStringLiteral("float_ABCD")));
    const QString head = QString::fromUtf8("%1 个标签的数据类型无法识别，按 \"null\" "
                                           "处理（不监视，不能写值）；表中保留原来的类型文本，"
                                           "保存时原样写回。请为它们选择数据类型：\n");
    QCOMPARE(LabelRows::unknownTypesText(rows), head.arg(1) + "D (float_ABCD)");
    QVERIFY(LabelRows::unknownTypesText(rows.mid(0, 3)).isEmpty());
    // A box lists ten of them and counts the rest.
    QStringList listed{"D (float_ABCD)"};
    for (int i = 1; i <= 11; ++i) {
        rows.append({"", QStringLiteral("E%1").arg(i), "", "", "", "int"});
        if (i <= 9)
            listed << QStringLiteral("E%1 (int)").arg(i);
    }
    QCOMPARE(LabelRows::unknownTypesText(rows),
             head.arg(12) + listed.join('\n') + QString::fromUtf8("\n……另有 2 个"));
}

void tst_LabelCsv::removalOrder_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QList<int>>("order");

    QTest::newRow("rows 2 and 5 only, not those between") << QList<int>{2, 5} << QList<int>{5, 2};
    QTest::newRow("selected bottom up") << QList<int>{5, 2} << QList<int>{5, 2};
    QTest::newRow("several cells of one row") << QList<int>{3, 1, 3, 3} << QList<int>{3, 1};
    QTest::newRow("nothing selected") << QList<int>() << QList<int>();
    QTest::newRow("invalid index dropped") << QList<int>{-1, 0} << QList<int>{0};
}

void tst_LabelCsv::removalOrder()
{
    QFETCH(QList<int>, selected);
    QFETCH(QList<int>, order);
    QCOMPARE(LabelRows::removalOrder(selected), order);
}

QTEST_GUILESS_MAIN(tst_LabelCsv)
#include "tst_labelcsv.moc"
