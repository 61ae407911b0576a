#include "sqlitehandler.h"
#include "sqlrows.h"
#include "unprivileged.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using Call = std::function<void(SQLiteHandler &)>;
Q_DECLARE_METATYPE(Call)

class tst_SQLiteHandler : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void buildSelectQuery_data();
    void buildSelectQuery();
    void offsetWithoutLimitRuns();
    void schemaReadBack_data();
    void schemaReadBack();
    void createDatabaseOnExistingFile();
    void createDatabaseKeepsHandlerWorking();
    void handlersShareOneConnection();
    void createDatabaseFailureText();
    void openFailure();
    void failedOpenKeepsTheFileInUse_data();
    void failedOpenKeepsTheFileInUse();
    void insertBindsInKeyOrder();
    void insertRecordsRefusesOtherKeys();
    void updateAndDelete();
    void selectJoin();
    void projectNameWithApostrophe();
    void invalidArguments_data();
    void invalidArguments();
    void failedQueryEmits();

private:
    QString dbPath(const QString &name = QStringLiteral("HistoryData.db")) const
    {
        return m_dir->filePath(name);
    }
    QVariantMap sample(int projectId, const QString &label, double value) const
    {
        return {{QStringLiteral("projectid"), projectId},
                {QStringLiteral("label"), label},
                {QStringLiteral("datetime"), QStringLiteral("2024-01-01 08:00:00.000")},
                {QStringLiteral("value"), value}};
    }
    int rowCount(SQLiteHandler &handler, const QString &table)
    {
        return handler.selectRecords(table, {}, {}, {}, {}, -1, -1).size();
    }

    QScopedPointer<QTemporaryDir> m_dir;
};

void tst_SQLiteHandler::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_SQLiteHandler::buildSelectQuery_data()
{
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("orderBy");
    QTest::addColumn<QString>("groupBy");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("statement");

    const QStringList valueTime = {QStringLiteral("value"), QStringLiteral("datetime")};
    QTest::newRow("history read") << valueTime << "label IN ('a')" << "" << "" << -1 << -1
                                  << "SELECT value,datetime FROM data WHERE label IN ('a')";
    QTest::newRow("no columns is star") << QStringList() << "" << "" << "" << -1 << -1
                                        << "SELECT * FROM data";
    QTest::newRow("zero limit and offset add nothing")
        << valueTime << "" << "" << "" << 0 << 0 << "SELECT value,datetime FROM data";
    QTest::newRow("limit and offset") << QStringList() << "" << "" << "" << 10 << 5
                                      << "SELECT * FROM data LIMIT 10 OFFSET 5";
    QTest::newRow("offset alone gets an open limit")
        << QStringList() << "" << "" << "" << -1 << 5 << "SELECT * FROM data LIMIT -1 OFFSET 5";
    QTest::newRow("group by before order by, order given first")
        << QStringList{QStringLiteral("label")} << "projectid = 1" << "label DESC" << "label"
        << 3 << -1
        << "SELECT label FROM data WHERE projectid = 1 GROUP BY label ORDER BY label DESC LIMIT 3";
}

void tst_SQLiteHandler::buildSelectQuery()
{
    QFETCH(QStringList, columns);
    QFETCH(QString, where);
    QFETCH(QString, orderBy);
    QFETCH(QString, groupBy);
    QFETCH(int, limit);
    QFETCH(int, offset);
    QFETCH(QString, statement);

    SQLiteHandler handler;
    QCOMPARE(handler.buildSelectQuery(QStringLiteral("data"), columns, where, orderBy, groupBy,
                                      limit, offset),
             statement);
    // Every statement built must also be one SQLite runs.
    QVERIFY(handler.openDatabase(dbPath()));
    QSignalSpy errors(&handler, &SQLiteHandler::errorOccurred);
    handler.selectRecords(QStringLiteral("data"), columns, where, orderBy, groupBy, limit, offset);
    QCOMPARE(errors.count(), 0);
}

void tst_SQLiteHandler::offsetWithoutLimitRuns()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    for (int i = 0; i < 4; ++i)
        QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QString::number(i), i)));
    const QList<QVariantMap> rows = handler.selectRecords(
        QStringLiteral("data"), {QStringLiteral("label")}, {}, QStringLiteral("id"), {}, -1, 1);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.first().value("label").toString(), QStringLiteral("1"));
}

void tst_SQLiteHandler::schemaReadBack_data()
{
    QTest::addColumn<bool>("throughCreate");
    QTest::newRow("createDatabase") << true;
    QTest::newRow("tables ensured on open") << false;
}

void tst_SQLiteHandler::schemaReadBack()
{
    QFETCH(bool, throughCreate);
    SQLiteHandler handler;
    if (throughCreate) {
        QString error;
        QVERIFY(SQLiteHandler::createDatabase(dbPath(), &error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    QVERIFY(handler.openDatabase(dbPath()));
    const QList<QVariantMap> rows = handler.selectRecords(
        QStringLiteral("sqlite_master"), {QStringLiteral("sql")}, QStringLiteral("type = 'table'"),
        QStringLiteral("name"), {}, -1, -1);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).value("sql").toString(),
             QStringLiteral("CREATE TABLE data (id INTEGER PRIMARY KEY,projectid  INTEGER NOT "
                            "NULL,label  VARCHAR NOT NULL,value REAL ,datetime  datetime NOT "
                            "NULL)"));
    QCOMPARE(rows.at(1).value("sql").toString(),
             QStringLiteral("CREATE TABLE project (id INTEGER PRIMARY KEY,name VARCHAR UNIQUE)"));
}

void tst_SQLiteHandler::createDatabaseOnExistingFile()
{
    QVERIFY(SQLiteHandler::createDatabase(dbPath()));
    QString error;
    QVERIFY(SQLiteHandler::createDatabase(dbPath(), &error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_SQLiteHandler::createDatabaseKeepsHandlerWorking()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("a"), 1)));
    QVERIFY(SQLiteHandler::createDatabase(dbPath()));
    QVERIFY(SQLiteHandler::createDatabase(dbPath(QStringLiteral("other.db"))));
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("b"), 2)));
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 2);
}

void tst_SQLiteHandler::handlersShareOneConnection()
{
    SQLiteHandler main;
    QVERIFY(main.openDatabase(dbPath()));
    {
        SQLiteHandler trend;
        QVERIFY(trend.openDatabase(dbPath()));
        QCOMPARE(trend.database().connectionName(), main.database().connectionName());
        QVERIFY(trend.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("a"), 1)));
        trend.closeDatabase();
        QVERIFY(!trend.isOpen());
        // Opening another file elsewhere leaves this one alone.
        QVERIFY(trend.openDatabase(dbPath(QStringLiteral("line1.db"))));
    }
    QVERIFY(main.isOpen());
    QVERIFY(main.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("b"), 2)));
    QCOMPARE(rowCount(main, QStringLiteral("data")), 2);
    QCOMPARE(main.databaseFile(), QFileInfo(dbPath()).absoluteFilePath());
    // Reopening the file it already has keeps the handler working.
    QVERIFY(main.openDatabase(dbPath()));
    QCOMPARE(rowCount(main, QStringLiteral("data")), 2);
}

void tst_SQLiteHandler::createDatabaseFailureText()
{
    QString error;
    QVERIFY(!SQLiteHandler::createDatabase(dbPath(QStringLiteral("missing/dir/a.db")), &error));
    QVERIFY(error.startsWith(QCoreApplication::translate("SQLiteHandler", "无法打开数据库连接！")));
}

void tst_SQLiteHandler::openFailure()
{
    SQLiteHandler handler;
    QSignalSpy errors(&handler, &SQLiteHandler::errorOccurred);
    QVERIFY(!handler.openDatabase(dbPath(QStringLiteral("missing/dir/a.db"))));
    QCOMPARE(errors.count(), 1);
    QVERIFY(!handler.isOpen());
    QVERIFY(handler.databaseFile().isEmpty());
}

void tst_SQLiteHandler::failedOpenKeepsTheFileInUse_data()
{
    QTest::addColumn<bool>("unwritableFolder"); // else a folder that is not there
    QTest::newRow("folder the program cannot write") << true;
    QTest::newRow("missing folder") << false;
}

void tst_SQLiteHandler::failedOpenKeepsTheFileInUse()
{
    QFETCH(bool, unwritableFolder);
    if (unwritableFolder)
        RUN_UNPRIVILEGED_WHEN_ROOT();
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("a"), 1)));
    QString other = dbPath(QStringLiteral("missing/line1.db"));
    if (unwritableFolder) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("share")));
        QString why;
        QVERIFY2(makeUnwritable(dbPath(QStringLiteral("share")), &why), qPrintable(why));
        other = dbPath(QStringLiteral("share/line1.db"));
    }
    QSignalSpy errors(&handler, &SQLiteHandler::errorOccurred);
    QVERIFY(!handler.openDatabase(other));
    QCOMPARE(errors.count(), 1);
    QVERIFY(!errors.first().first().toString().isEmpty());
    QVERIFY(!QFileInfo::exists(other));
    // Whoever writes through this handler goes on writing into the file it had.
    QVERIFY(handler.isOpen());
    QCOMPARE(handler.databaseFile(), QFileInfo(dbPath()).absoluteFilePath());
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("b"), 2)));
    QCOMPARE(sqlRows(dbPath(), QStringLiteral("SELECT label FROM data ORDER BY id")),
             (QStringList{"a", "b"}));
}

void tst_SQLiteHandler::insertBindsInKeyOrder()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVERIFY(handler.createTable(QStringLiteral("t"), {{QStringLiteral("label"), "TEXT"},
                                                      {QStringLiteral("value"), "REAL"}}));
    QVERIFY(handler.insertRecord(QStringLiteral("t"), {{QStringLiteral("value"), 2.5},
                                                       {QStringLiteral("label"), "a'b"}}));
    const QList<QVariantMap> rows =
        handler.selectRecords(QStringLiteral("t"), {}, {}, {}, {}, -1, -1);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().value("label").toString(), QStringLiteral("a'b"));
    QCOMPARE(rows.first().value("value").toDouble(), 2.5);
}

void tst_SQLiteHandler::insertRecordsRefusesOtherKeys()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVariantMap odd = sample(1, QStringLiteral("b"), 2);
    odd.remove(QStringLiteral("value"));
    odd.insert(QStringLiteral("id"), 7);
    QVERIFY(!handler.insertRecords(QStringLiteral("data"),
                                   {sample(1, QStringLiteral("a"), 1), odd}));
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 0);
    QVERIFY(handler.insertRecords(QStringLiteral("data"), {sample(1, QStringLiteral("a"), 1),
                                                           sample(2, QStringLiteral("b"), 2)}));
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 2);
}

void tst_SQLiteHandler::updateAndDelete()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVERIFY(handler.insertRecords(QStringLiteral("data"), {sample(1, QStringLiteral("a'1"), 1),
                                                           sample(1, QStringLiteral("b"), 2)}));
    QVERIFY(handler.updateRecord(QStringLiteral("data"), {{QStringLiteral("value"), 9}},
                                 QStringLiteral("label = ?"), {QStringLiteral("a'1")}));
    QCOMPARE(handler
                 .selectRecords(QStringLiteral("data"), {}, QStringLiteral("value = 9"), {}, {},
                                -1, -1)
                 .size(),
             1);
    QVERIFY(handler.deleteRecord(QStringLiteral("data"), QStringLiteral("label = ?"),
                                 {QStringLiteral("a'1")}));
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 1);
    QVERIFY(handler.deleteRecord(QStringLiteral("data"), QString()));
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 0);
}

void tst_SQLiteHandler::selectJoin()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    const int id = handler.projectRecordId(QStringLiteral("line1.dpro"));
    QVERIFY(id >= 0);
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(id, QStringLiteral("D100"), 3)));
    const QList<QVariantMap> rows = handler.selectJoin(
        QStringLiteral("data"), QStringLiteral("project"),
        {QStringLiteral("data.label"), QStringLiteral("project.name")},
        QStringLiteral("data.projectid = project.id"), QStringLiteral("data.value > 1"));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().value("name").toString(), QStringLiteral("line1.dpro"));
    QCOMPARE(rows.first().value("label").toString(), QStringLiteral("D100"));
}

void tst_SQLiteHandler::projectNameWithApostrophe()
{
    const QString name = QStringLiteral("it's.dpro");
    int first = -1;
    {
        SQLiteHandler handler;
        QVERIFY(handler.openDatabase(dbPath()));
        first = handler.projectRecordId(name);
        QVERIFY(first >= 0);
        QVERIFY(handler.projectRecordId(QStringLiteral("other.dpro")) != first);
    }
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QCOMPARE(handler.projectRecordId(name), first);
    const QList<QVariantMap> rows = handler.selectRecords(
        QStringLiteral("project"), {QStringLiteral("id"), QStringLiteral("name")},
        QStringLiteral("name = ?"), {name}, {}, {}, -1, -1);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().value("id").toInt(), first);
    QCOMPARE(rowCount(handler, QStringLiteral("project")), 2);
}

void tst_SQLiteHandler::invalidArguments_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<QString>("text");
    const QString t = QStringLiteral("data");
    const QVariantMap values = {{QStringLiteral("label"), "a"}};

    QTest::newRow("createTable no columns")
        << Call([t](SQLiteHandler &h) { QVERIFY(!h.createTable(t, {})); })
        << "Invalid table name or columns.";
    QTest::newRow("insertRecord no values")
        << Call([t](SQLiteHandler &h) { QVERIFY(!h.insertRecord(t, {})); })
        << "Invalid table name or values.";
    QTest::newRow("insertRecord no table")
        << Call([values](SQLiteHandler &h) { QVERIFY(!h.insertRecord({}, values)); })
        << "Invalid table name or values.";
    QTest::newRow("insertRecords no records")
        << Call([t](SQLiteHandler &h) { QVERIFY(!h.insertRecords(t, {})); })
        << "Invalid table name or records.";
    QTest::newRow("updateRecord no values")
        << Call([t](SQLiteHandler &h) { QVERIFY(!h.updateRecord(t, {}, {})); })
        << "Invalid table name or values.";
    QTest::newRow("deleteRecord no table")
        << Call([](SQLiteHandler &h) { QVERIFY(!h.deleteRecord({}, {})); })
        << "Invalid table name.";
    QTest::newRow("selectRecords no table")
        << Call([](SQLiteHandler &h) {
               QVERIFY(h.selectRecords({}, {}, {}, {}, {}, -1, -1).isEmpty());
           })
        << "Invalid table name.";
    QTest::newRow("selectJoin no condition")
        << Call([t](SQLiteHandler &h) {
               QVERIFY(h.selectJoin(t, QStringLiteral("project"), {QStringLiteral("id")}, {}, {})
                           .isEmpty());
           })
        << "Invalid table names or columns.";
}

void tst_SQLiteHandler::invalidArguments()
{
    QFETCH(Call, call);
    QFETCH(QString, text);
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QVERIFY(handler.insertRecord(QStringLiteral("data"), sample(1, QStringLiteral("a"), 1)));
    QSignalSpy errors(&handler, &SQLiteHandler::errorOccurred);
    call(handler);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.first().first().toString(), text);
    QCOMPARE(rowCount(handler, QStringLiteral("data")), 1);
}

void tst_SQLiteHandler::failedQueryEmits()
{
    SQLiteHandler handler;
    QVERIFY(handler.openDatabase(dbPath()));
    QSignalSpy errors(&handler, &SQLiteHandler::errorOccurred);
    QVERIFY(handler.selectRecords(QStringLiteral("data"), {}, {}, {}, {}, -1, -1).isEmpty());
    QCOMPARE(errors.count(), 0);
    QVERIFY(handler.selectRecords(QStringLiteral("missing"), {}, {}, {}, {}, -1, -1).isEmpty());
    QCOMPARE(errors.count(), 1);
    QVERIFY(!errors.first().first().toString().isEmpty());
}

QTEST_GUILESS_MAIN(tst_SQLiteHandler)
#include "tst_sqlitehandler.moc"
