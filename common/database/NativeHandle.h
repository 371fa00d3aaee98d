#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <cstring>

namespace vorenta {

/// The driver's native handle of `database` when it is of the named type, else null. Qt names
/// the type after the struct behind the typedef: "pg_conn*" for PGconn*, "sqlite3*"; ODBC's
/// SQLHDBC comes as "void*".
template <class Handle> Handle* NativeHandle(const QSqlDatabase& database, const char* typeName)
{
    const QSqlDriver* driver = database.driver();
    if (driver == nullptr)
        return nullptr;
    const QVariant handle = driver->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), typeName) != 0)
        return nullptr;
    return *static_cast<Handle* const*>(handle.constData());
}

} // namespace vorenta
