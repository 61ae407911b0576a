#include "historybusy.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// SQLite's primary result codes; extended codes carry them in their low byte.
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;

} // namespace

HistoryBusyWait::HistoryBusyWait(const QSqlDatabase &db, int waitMs)
    : m_db(db)
{
    QSqlQuery query(m_db);
    if (query.exec(QStringLiteral("PRAGMA busy_timeout")) && query.next())
        m_previousMs = query.value(0).toInt();
    query.finish();
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(waitMs));
}

HistoryBusyWait::~HistoryBusyWait()
{
    if (m_previousMs < 0)
        return;
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(m_previousMs));
}

bool HistoryBusyWait::isBusy(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (ok && (code == sqliteBusy || code == sqliteLocked))
        return true;
    return isBusy(error.databaseText());
}

bool HistoryBusyWait::isBusy(const QString &errorText)
{
    return errorText.contains(QLatin1String("database is locked"))
           || errorText.contains(QLatin1String("database table is locked"));
}
