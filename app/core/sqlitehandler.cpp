#include "sqlitehandler.h"

#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

Q_LOGGING_CATEGORY(lcSql, "morvelin.sql")

namespace {

const char driverName[] = "QSQLITE";
const char connectionPrefix[] = "morvelin_history:";
const char createConnectionName[] = "morvelin_create_history";

// The table names and their statements; stored files carry exactly this text in sqlite_master.
const char *const tableNames[] = {"data", "project"};
const char *const tableStatements[] = {
    "CREATE TABLE data (id INTEGER PRIMARY KEY,projectid  INTEGER NOT NULL,label  VARCHAR NOT "
    "NULL,value REAL ,datetime  datetime NOT NULL)",
    "CREATE TABLE project (id INTEGER PRIMARY KEY,name VARCHAR UNIQUE)",
};

// Led by (label, datetime); projectid and value make it cover the history reads, which then
// never visit the table (a 24-hour search of 25 labels reads 2.16M rows).
const char historyIndexStatement[] = "CREATE INDEX IF NOT EXISTS data_label_datetime ON data "
                                     "(label, datetime, projectid, value)";
// Led by the time: housekeeping finds and deletes the oldest samples, whatever their id or
// label, without a scan (a 20M-row table needs 1.6 s to scan). About 40 bytes a row in the
// file, which the size limit counts; a file stored without it gets it on its next open.
const char historyTimeIndexStatement[]
    = "CREATE INDEX IF NOT EXISTS data_datetime ON data (datetime)";

// How many handlers hold each file's connection; the last one to let go removes it.
QHash<QString, int> &connectionUsers()
{
    static QHash<QString, int> users;
    return users;
}

// Creates the tables of the schema that db lacks. Both are tried even when the first fails.
bool ensureTables(QSqlDatabase &db, QString *errorText)
{
    const QStringList existing = db.tables();
    bool ok = true;
    for (int i = 0; i < 2; ++i) {
        if (existing.contains(QLatin1String(tableNames[i])))
            continue;
        QSqlQuery query(db);
        QString failure;
        if (!query.prepare(QLatin1String(tableStatements[i])))
            failure = SQLiteHandler::tr("无法准备查询！");
        else if (!query.exec())
            failure = SQLiteHandler::tr("无法创建表格！");
        if (failure.isEmpty())
            continue;
        ok = false;
        if (errorText && errorText->isEmpty())
            *errorText = failure + QLatin1Char('\n') + query.lastError().text();
    }
    // History reads pick one label's samples of a time window; without this index every read
    // scans the whole table. It grows the file, which the size limit of the housekeeping counts.
    if (ok) {
        for (const char *statement : {historyIndexStatement, historyTimeIndexStatement}) {
            QSqlQuery query(db);
            if (!query.exec(QLatin1String(statement))) {
                ok = false;
                if (errorText && errorText->isEmpty())
                    *errorText = SQLiteHandler::tr("无法创建表格！") + QLatin1Char('\n')
                                 + query.lastError().text();
                break;
            }
        }
    }
    return ok;
}

QString joinedPlaceholders(int count)
{
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks.append(QStringLiteral("?"));
    return marks.join(QLatin1Char(','));
}

} // namespace

SQLiteHandler::SQLiteHandler(QObject *parent)
    : QObject(parent)
{
}

SQLiteHandler::~SQLiteHandler()
{
    closeDatabase();
}

QStringList SQLiteHandler::schemaStatements()
{
    return {QLatin1String(tableStatements[0]), QLatin1String(tableStatements[1])};
}

bool SQLiteHandler::openDatabase(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    const QString name = QLatin1String(connectionPrefix) + path;
    if (name == m_connectionName && m_db.isOpen())
        return true;

    // The file in use stays open until the new one is: a reader that asks for a file it cannot
    // open must not take away the connection the polling writes through.
    const bool reopening = name == m_connectionName;
    QSqlDatabase db;
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, false);
    } else {
        db = QSqlDatabase::addDatabase(QLatin1String(driverName), name);
        db.setDatabaseName(path);
    }
    if (!reopening)
        ++connectionUsers()[name];

    QString error;
    if (!db.isOpen() && !db.open())
        error = db.lastError().text();
    else
        ensureTables(db, &error);
    if (!error.isEmpty()) {
        // Open without its tables is no use to anyone; nobody else had it open.
        if (reopening)
            db.close();
        db = QSqlDatabase();
        if (!reopening)
            releaseConnection(name);
        emit errorOccurred(error);
        return false;
    }
    if (!reopening) {
        const QString previous = m_connectionName;
        m_db = QSqlDatabase(); // no handle may outlive the removal of its connection
        releaseConnection(previous);
    }
    m_db = db;
    m_connectionName = name;
    return true;
}

void SQLiteHandler::closeDatabase()
{
    const QString name = m_connectionName;
    m_connectionName.clear();
    m_db = QSqlDatabase();
    releaseConnection(name);
}

void SQLiteHandler::releaseConnection(const QString &name)
{
    if (name.isEmpty())
        return;
    int &users = connectionUsers()[name];
    if (--users > 0)
        return;
    connectionUsers().remove(name);
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool SQLiteHandler::isOpen() const
{
    return m_db.isOpen();
}

QString SQLiteHandler::databaseFile() const
{
    return m_db.isOpen() ? m_db.databaseName() : QString();
}

QSqlDatabase SQLiteHandler::database() const
{
    return m_db;
}

bool SQLiteHandler::executeQuery(QSqlQuery &query)
{
    const bool ok = query.exec();
    if (!ok)
        emit errorOccurred(query.lastError().text());
    return ok;
}

bool SQLiteHandler::runStatement(QSqlQuery &query, const QString &statement,
                                 const QVariantList &values)
{
    if (!query.prepare(statement)) {
        emit errorOccurred(query.lastError().text());
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    return executeQuery(query);
}

bool SQLiteHandler::createTable(const QString &table, const QMap<QString, QString> &columns)
{
    if (table.isEmpty() || columns.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name or columns."));
        return false;
    }
    QStringList definitions;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        definitions.append(it.key() + QLatin1Char(' ') + it.value());
    QSqlQuery query(m_db);
    return runStatement(query,
                        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)")
                            .arg(table, definitions.join(QLatin1Char(','))),
                        {});
}

bool SQLiteHandler::insertRecord(const QString &table, const QVariantMap &values)
{
    if (table.isEmpty() || values.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name or values."));
        return false;
    }
    return insertRecords(table, {values});
}

bool SQLiteHandler::insertRecords(const QString &table, const QList<QVariantMap> &records)
{
    if (table.isEmpty() || records.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name or records."));
        return false;
    }
    const QStringList columns = records.first().keys();
    // Values are bound by position, so a record with other keys would land in wrong columns.
    for (const QVariantMap &record : records) {
        if (record.keys() != columns) {
            emit errorOccurred(QStringLiteral("Invalid table name or records."));
            return false;
        }
    }
    const QString statement
        = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(table, columns.join(QLatin1Char(',')), joinedPlaceholders(columns.size()));
    QSqlQuery query(m_db);
    if (!query.prepare(statement)) {
        emit errorOccurred(query.lastError().text());
        return false;
    }
    for (const QVariantMap &record : records) {
        int position = 0;
        for (auto it = record.cbegin(); it != record.cend(); ++it)
            query.bindValue(position++, it.value());
        if (!executeQuery(query))
            return false;
    }
    return true;
}

bool SQLiteHandler::updateRecord(const QString &table, const QVariantMap &values,
                                 const QString &condition)
{
    return updateRecord(table, values, condition, {});
}

bool SQLiteHandler::updateRecord(const QString &table, const QVariantMap &values,
                                 const QString &condition, const QVariantList &conditionValues)
{
    if (table.isEmpty() || values.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name or values."));
        return false;
    }
    QStringList assignments;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        assignments.append(it.key() + QStringLiteral(" = ?"));
    QString statement = QStringLiteral("UPDATE %1 SET %2").arg(table, assignments.join(','));
    if (!condition.isEmpty())
        statement += QStringLiteral(" WHERE ") + condition;
    QSqlQuery query(m_db);
    return runStatement(query, statement, values.values() + conditionValues);
}

bool SQLiteHandler::deleteRecord(const QString &table, const QString &condition)
{
    return deleteRecord(table, condition, {});
}

bool SQLiteHandler::deleteRecord(const QString &table, const QString &condition,
                                 const QVariantList &conditionValues)
{
    if (table.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name."));
        return false;
    }
    QString statement = QStringLiteral("DELETE FROM ") + table;
    if (!condition.isEmpty())
        statement += QStringLiteral(" WHERE ") + condition;
    QSqlQuery query(m_db);
    return runStatement(query, statement, conditionValues);
}

bool SQLiteHandler::createDatabase(const QString &fileName, QString *errorText)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QLatin1String(driverName),
                                                    QLatin1String(createConnectionName));
        db.setDatabaseName(QFileInfo(fileName).absoluteFilePath());
        if (!db.open())
            error = tr("无法打开数据库连接！") + QLatin1Char('\n') + db.lastError().text();
        else
            ensureTables(db, &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(createConnectionName));
    if (errorText)
        *errorText = error;
    return error.isEmpty();
}

QString SQLiteHandler::buildSelectQuery(const QString &table, const QStringList &columns,
                                        const QString &where, const QString &orderBy,
                                        const QString &groupBy, int limit, int offset) const
{
    QString statement
        = QStringLiteral("SELECT %1 FROM %2")
              .arg(columns.isEmpty() ? QStringLiteral("*") : columns.join(','), table);
    if (!where.isEmpty())
        statement += QStringLiteral(" WHERE ") + where;
    if (!groupBy.isEmpty())
        statement += QStringLiteral(" GROUP BY ") + groupBy;
    if (!orderBy.isEmpty())
        statement += QStringLiteral(" ORDER BY ") + orderBy;
    if (limit > 0)
        statement += QStringLiteral(" LIMIT ") + QString::number(limit);
    if (offset > 0) {
        // SQLite accepts OFFSET only after a LIMIT; -1 means no limit.
        if (limit <= 0)
            statement += QStringLiteral(" LIMIT -1");
        statement += QStringLiteral(" OFFSET ") + QString::number(offset);
    }
    qCDebug(lcSql) << statement;
    return statement;
}

QList<QVariantMap> SQLiteHandler::selectRecords(const QString &table, const QStringList &columns,
                                                const QString &where, const QString &orderBy,
                                                const QString &groupBy, int limit, int offset)
{
    return selectRecords(table, columns, where, {}, orderBy, groupBy, limit, offset);
}

QList<QVariantMap> SQLiteHandler::selectRecords(const QString &table, const QStringList &columns,
                                                const QString &where,
                                                const QVariantList &whereValues,
                                                const QString &orderBy, const QString &groupBy,
                                                int limit, int offset)
{
    if (table.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table name."));
        return {};
    }
    return collectRows(buildSelectQuery(table, columns, where, orderBy, groupBy, limit, offset),
                       whereValues);
}

QList<QVariantMap> SQLiteHandler::selectJoin(const QString &table1, const QString &table2,
                                             const QStringList &columns, const QString &onCondition,
                                             const QString &where)
{
    if (table1.isEmpty() || table2.isEmpty() || onCondition.isEmpty() || columns.isEmpty()) {
        emit errorOccurred(QStringLiteral("Invalid table names or columns."));
        return {};
    }
    QString statement = QStringLiteral("SELECT %1 FROM %2 INNER JOIN %3 ON %4")
                            .arg(columns.join(','), table1, table2, onCondition);
    if (!where.isEmpty())
        statement += QStringLiteral(" WHERE ") + where;
    return collectRows(statement, {});
}

QList<QVariantMap> SQLiteHandler::collectRows(const QString &statement, const QVariantList &values)
{
    QSqlQuery query(m_db);
    if (!runStatement(query, statement, values))
        return {};
    QList<QVariantMap> rows;
    while (query.next()) {
        const QSqlRecord record = query.record();
        QVariantMap row;
        for (int i = 0; i < record.count(); ++i)
            row.insert(record.fieldName(i), query.value(i));
        rows.append(row);
    }
    return rows;
}

int SQLiteHandler::projectRecordId(const QString &name)
{
    const auto find = [this, &name] {
        return selectRecords(QStringLiteral("project"),
                             {QStringLiteral("id"), QStringLiteral("name")},
                             QStringLiteral("name = ?"), {name}, QString(), QString(), -1, -1);
    };
    QList<QVariantMap> rows = find();
    if (rows.isEmpty()) {
        insertRecord(QStringLiteral("project"), {{QStringLiteral("name"), name}});
        rows = find();
    }
    if (rows.isEmpty())
        return -1;
    bool ok = false;
    const int id = rows.first().value(QStringLiteral("id")).toInt(&ok);
    return ok ? id : -1;
}
