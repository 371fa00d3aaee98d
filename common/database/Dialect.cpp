#include "Dialect.h"

#include "common/TextRules.h"

namespace vorenta {

const Dialect& Dialect::of(DatabaseBackend backend)
{
    static const Dialect sqlite(DatabaseBackend::Sqlite);
    static const Dialect postgreSql(DatabaseBackend::PostgreSql);
    static const Dialect sqlServer(DatabaseBackend::SqlServer);
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return postgreSql;
    case DatabaseBackend::SqlServer:
        return sqlServer;
    case DatabaseBackend::Sqlite:
        break;
    }
    return sqlite;
}

QString Dialect::currentTime() const
{
    switch (m_backend) {
    case DatabaseBackend::SqlServer:
        return QStringLiteral("GETDATE()");
    case DatabaseBackend::PostgreSql:
        // LOCALTIMESTAMP is the server's wall clock in its own time zone, like GETDATE().
        return QStringLiteral("LOCALTIMESTAMP(0)");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("datetime('now','localtime')");
}

QString Dialect::currentTimeStatement() const
{
    return QStringLiteral("SELECT ") + currentTime() + QStringLiteral(" AS DataeHoraAtual");
}

QString Dialect::daysBefore(const QString& dateTime, int days) const
{
    switch (m_backend) {
    case DatabaseBackend::SqlServer:
        return QStringLiteral("DATEADD(day,%1,%2)").arg(-days).arg(dateTime);
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("(%1 - interval '%2 days')").arg(dateTime).arg(days);
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("datetime(%1,'-%2 days')").arg(dateTime).arg(days);
}

QString Dialect::topOne() const
{
    return m_backend == DatabaseBackend::SqlServer ? QStringLiteral("top(1) ") : QString();
}

QString Dialect::limitOne() const
{
    return m_backend == DatabaseBackend::SqlServer ? QString() : QStringLiteral("limit 1");
}

QString Dialect::integerAsText(const QString& column) const
{
    switch (m_backend) {
    case DatabaseBackend::SqlServer:
        return QStringLiteral("CAST(%1 AS varchar(20))").arg(column);
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("CAST(%1 AS text)").arg(column);
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("CAST(%1 AS TEXT)").arg(column);
}

QString Dialect::isEmptyText(const QString& column) const
{
    // A PostgreSQL timestamp never reads as the empty text; comparing its text with '' would
    // only hide the column from its index.
    if (m_backend == DatabaseBackend::PostgreSql)
        return QStringLiteral("false");
    return column + QStringLiteral("=''");
}

namespace {

/// "a,b" as "xa,xb" with prefix "x".
QString Prefixed(const QString& prefix, const QStringList& names)
{
    QStringList prefixed;
    for (const QString& name : names)
        prefixed << prefix + name;
    return prefixed.join(u',');
}

QString Assignments(const QStringList& names, const QString& source, const QStringList& cleared)
{
    QStringList set;
    for (const QString& name : names)
        set << name + u'=' + source + name;
    for (const QString& name : cleared)
        set << name + QStringLiteral("=NULL");
    return set.join(u',');
}

/// PostgreSQL and SQLite: the insert with its ON CONFLICT clause, `action` after DO.
QString InsertOnConflict(const Dialect::KeyedRow& row, const QString& action)
{
    return QStringLiteral("insert into ") + row.table + QStringLiteral(" (") + row.columns.join(u',') +
           QStringLiteral(")\nvalues (") + Prefixed(QStringLiteral(":x"), row.columns) +
           QStringLiteral(")\non conflict (") + row.key.join(u',') + u')' +
           (row.onlyWhere.isEmpty() ? QString() : QStringLiteral(" where ") + row.onlyWhere) +
           QStringLiteral(" do ") + action;
}

/// SQL Server: the MERGE that finds the row of the key under a key-range lock held to the end of
/// the transaction (HOLDLOCK), so that a second writer waits instead of inserting too; `matched`
/// is its WHEN MATCHED clause, or empty.
QString MergeHoldlock(const Dialect::KeyedRow& row, const QString& matched)
{
    QStringList on;
    for (const QString& name : row.key)
        on << QStringLiteral("t.") + name + QStringLiteral("=s.") + name;
    if (!row.onlyWhere.isEmpty())
        on << QStringLiteral("t.") + row.onlyWhere;
    return QStringLiteral("merge into ") + row.table +
           QStringLiteral(" with (holdlock) as t\nusing (values (") +
           Prefixed(QStringLiteral(":x"), row.columns) + QStringLiteral(")) as s (") +
           row.columns.join(u',') + QStringLiteral(")\non (") + on.join(QStringLiteral(" and ")) + u')' +
           (matched.isEmpty() ? QString() : QStringLiteral("\nwhen matched then ") + matched) +
           QStringLiteral("\nwhen not matched then insert (") + row.columns.join(u',') +
           QStringLiteral(") values (") + Prefixed(QStringLiteral("s."), row.columns) + QStringLiteral(");");
}

QStringList Updated(const Dialect::KeyedRow& row)
{
    QStringList updated;
    for (const QString& name : row.columns) {
        if (!row.key.contains(name, Qt::CaseInsensitive))
            updated << name;
    }
    return updated;
}

} // namespace

QString Dialect::upsert(const KeyedRow& row) const
{
    if (m_backend == DatabaseBackend::SqlServer)
        return MergeHoldlock(row, QStringLiteral("update set ") +
                                      Assignments(Updated(row), QStringLiteral("s."), row.clearedOnUpdate));
    return InsertOnConflict(row,
                            QStringLiteral("update set ") +
                                Assignments(Updated(row), QStringLiteral("excluded."), row.clearedOnUpdate));
}

QString Dialect::insertUnlessPresent(const KeyedRow& row) const
{
    if (m_backend == DatabaseBackend::SqlServer)
        return MergeHoldlock(row, {});
    return InsertOnConflict(row, QStringLiteral("nothing"));
}

QString Dialect::resultName(const QString& name) const
{
    return m_backend == DatabaseBackend::PostgreSql ? LowerAscii(name) : name;
}

QString Dialect::beginTransaction() const
{
    switch (m_backend) {
    case DatabaseBackend::SqlServer:
        return QStringLiteral("BEGIN TRANSACTION");
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("BEGIN");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("BEGIN IMMEDIATE");
}

QString Dialect::commitTransaction() const
{
    return m_backend == DatabaseBackend::SqlServer ? QStringLiteral("COMMIT TRANSACTION")
                                                   : QStringLiteral("COMMIT");
}

QString Dialect::rollbackTransaction() const
{
    return m_backend == DatabaseBackend::SqlServer ? QStringLiteral("ROLLBACK TRANSACTION")
                                                   : QStringLiteral("ROLLBACK");
}

QString Dialect::savepoint(const QString& name) const
{
    return (m_backend == DatabaseBackend::SqlServer ? QStringLiteral("SAVE TRANSACTION ")
                                                    : QStringLiteral("SAVEPOINT ")) +
           name;
}

QString Dialect::rollbackToSavepoint(const QString& name) const
{
    return (m_backend == DatabaseBackend::SqlServer ? QStringLiteral("ROLLBACK TRANSACTION ")
                                                    : QStringLiteral("ROLLBACK TO SAVEPOINT ")) +
           name;
}

} // namespace vorenta
