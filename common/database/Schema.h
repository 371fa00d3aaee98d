#pragma once

#include "common/database/DatabaseSettings.h"

#include <QString>
#include <QStringList>

namespace vorenta {

/// The schema script of `backend`, as in common/database/schema/<backend>.sql (built into the
/// library, so the embedded database can be created wherever the program runs).
QString SchemaScript(DatabaseBackend backend);

/// The statements of a script: "--" comments dropped, split at ';' that ends a line.
QStringList SplitSqlScript(const QString& script);

} // namespace vorenta
