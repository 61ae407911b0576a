#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

// Runs statement on a database file through a connection of its own, apart from the code under
// test; every result row as its columns joined by "|".
inline QStringList sqlRows(const QString &file, const QString &statement)
{
    QStringList rows;
    const QString name = QStringLiteral("tests_sqlrows");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement)) {
                while (query.next()) {
                    QStringList fields;
                    for (int i = 0; i < query.record().count(); ++i)
                        fields << query.value(i).toString();
                    rows << fields.join(QLatin1Char('|'));
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
