#include "DatabaseDriver.h"

#include <QSqlDatabase>

namespace vorenta {

namespace {

struct Driver {
    const char* name;
    const char* package;
};

Driver DriverOf(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return {"QPSQL", "libqt6sql6-psql"};
    case DatabaseBackend::SqlServer:
        return {"QODBC", "libqt6sql6-odbc"};
    case DatabaseBackend::Sqlite:
        break;
    }
    return {"QSQLITE", "libqt6sql6-sqlite"};
}

} // namespace

QString DriverName(DatabaseBackend backend)
{
    return QString::fromLatin1(DriverOf(backend).name);
}

QString DriverPackage(DatabaseBackend backend)
{
    return QString::fromLatin1(DriverOf(backend).package);
}

bool DriverInstalled(DatabaseBackend backend)
{
    return QSqlDatabase::isDriverAvailable(DriverName(backend));
}

} // namespace vorenta
