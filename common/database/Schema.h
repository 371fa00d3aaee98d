#pragma once

#include "common/database/DatabaseSettings.h"

#include <QString>
#include <QStringList>

namespace vorenta {

/// The schema script of `backend`, as in common/database/schema/<backend>.sql (built into the
/// library, so the embedded database can be created wherever the program runs).
QString SchemaScript(DatabaseBackend backend);

/// The upgrade an embedded file made by an older version needs before the unique keys of its
/// one-per-key tables can be made (upgrade/unique-keys-sqlite.sql): duplicates removed, the keys
/// created.
QString UniqueKeysUpgradeSqlite();

/// The names of the unique indexes that keep ListaEquipCli, UltLog and the open alerts one per key.
QStringList UniqueKeyIndexes();

/// The statements of a script: "--" comments dropped, split at ';' that ends a line and at a
/// line that holds only GO (sqlcmd's batch separator).
QStringList SplitSqlScript(const QString& script);

} // namespace vorenta
