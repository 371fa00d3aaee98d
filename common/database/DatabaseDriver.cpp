#include "DatabaseDriver.h"

#include <QSqlDatabase>

namespace vorenta {

QString DriverName(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("QPSQL");
    case DatabaseBackend::SqlServer:
        return QStringLiteral("QODBC");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("QSQLITE");
}

QString DriverPackage(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("libqt6sql6-psql");
    case DatabaseBackend::SqlServer:
        return QStringLiteral("libqt6sql6-odbc");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("libqt6sql6-sqlite");
}

bool DriverInstalled(DatabaseBackend backend)
{
    return QSqlDatabase::isDriverAvailable(DriverName(backend));
}

} // namespace vorenta
