#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

class QSqlQuery;

// Access to the history database (tables "data" and "project"): opens a database file, builds
// statements from table names, column lists and value maps, runs them and turns rows into maps.
//
// Every file has one connection of its own, shared by all handlers that open that file and
// closed when the last of them lets go, so one handler's open never cuts off another's.
// Run a statement of your own on database(), not on Qt's default connection, and hold no copy
// of it past closeDatabase(). GUI thread only, like every connection of Qt SQL.
class SQLiteHandler : public QObject
{
    Q_OBJECT

public:
    explicit SQLiteHandler(QObject *parent = nullptr);
    ~SQLiteHandler() override;

    // Opens fileName (relative names against the working directory) and makes sure it holds
    // both tables. Opening the file this handler already has open is a no-op; a file that does
    // not open leaves the handler on the file it had.
    bool openDatabase(const QString &fileName);
    void closeDatabase();
    bool isOpen() const;
    // Absolute path of the open file, empty when none is open.
    QString databaseFile() const;
    // The connection of the open file (invalid when none is open).
    QSqlDatabase database() const;

    bool executeQuery(QSqlQuery &query);
    bool createTable(const QString &table, const QMap<QString, QString> &columns);
    bool insertRecord(const QString &table, const QVariantMap &values);
    bool insertRecords(const QString &table, const QList<QVariantMap> &records);
    bool updateRecord(const QString &table, const QVariantMap &values, const QString &condition);
    // condition may hold "?" placeholders; conditionValues are bound after the SET values.
    bool updateRecord(const QString &table, const QVariantMap &values, const QString &condition,
                      const QVariantList &conditionValues);
    bool deleteRecord(const QString &table, const QString &condition);
    bool deleteRecord(const QString &table, const QString &condition,
                      const QVariantList &conditionValues);

    // Creates the two tables in fileName where they are missing, on a connection of its own that
    // is removed again. Returns false and sets errorText (translated) on failure.
    static bool createDatabase(const QString &fileName, QString *errorText = nullptr);

    QString buildSelectQuery(const QString &table, const QStringList &columns, const QString &where,
                             const QString &orderBy, const QString &groupBy, int limit,
                             int offset) const;
    QList<QVariantMap> selectRecords(const QString &table, const QStringList &columns,
                                     const QString &where, const QString &orderBy,
                                     const QString &groupBy, int limit, int offset);
    // where may hold "?" placeholders, filled from whereValues in order: for user texts.
    QList<QVariantMap> selectRecords(const QString &table, const QStringList &columns,
                                     const QString &where, const QVariantList &whereValues,
                                     const QString &orderBy, const QString &groupBy, int limit,
                                     int offset);
    QList<QVariantMap> selectJoin(const QString &table1, const QString &table2,
                                  const QStringList &columns, const QString &onCondition,
                                  const QString &where);

    // id of the "project" row named name, inserting the row when there is none; -1 when no row
    // can be found or made.
    int projectRecordId(const QString &name);

    // The statements that create the tables "data" and "project", in that order.
    static QStringList schemaStatements();

signals:
    void errorOccurred(const QString &error);

private:
    bool runStatement(QSqlQuery &query, const QString &statement, const QVariantList &values);
    QList<QVariantMap> collectRows(const QString &statement, const QVariantList &values);
    // Lets go of the connection name; the last handler to do so closes and removes it.
    static void releaseConnection(const QString &name);

    QSqlDatabase m_db;
    QString m_connectionName;
};
