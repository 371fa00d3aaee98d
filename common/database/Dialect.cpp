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

QString Dialect::currentTimeStatement() const
{
    switch (m_backend) {
    case DatabaseBackend::SqlServer:
        return QStringLiteral("SELECT GETDATE() AS DataeHoraAtual");
    case DatabaseBackend::PostgreSql:
        // LOCALTIMESTAMP is the server's wall clock in its own time zone, like GETDATE().
        return QStringLiteral("SELECT LOCALTIMESTAMP(0) AS DataeHoraAtual");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("SELECT datetime('now','localtime') AS DataeHoraAtual");
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
    if (m_backend == DatabaseBackend::PostgreSql)
        return QStringLiteral("CAST(%1 AS text)=''").arg(column);
    return column + QStringLiteral("=''");
}

QString Dialect::resultName(const QString& name) const
{
    return m_backend == DatabaseBackend::PostgreSql ? LowerAscii(name) : name;
}

} // namespace vorenta
