#pragma once

#include "common/database/DatabaseSettings.h"

#include <QString>

namespace vorenta {

/// The Qt SQL driver a back end is reached through: QSQLITE, QPSQL or QODBC.
QString DriverName(DatabaseBackend backend);

/// The Debian package that installs that driver (libqt6sql6-sqlite, -psql, -odbc).
QString DriverPackage(DatabaseBackend backend);

/// True when the driver of `backend` can be loaded on this machine.
bool DriverInstalled(DatabaseBackend backend);

} // namespace vorenta
