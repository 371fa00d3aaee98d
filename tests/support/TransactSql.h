#pragma once

#include <QString>
#include <QStringList>

namespace vorenta::test {

/// Parses each of `statements` as T-SQL with node-sql-parser (TransactSqlParse.js beside this
/// file), the check SQL Server statements get where no SQL Server runs. Returns one line per
/// statement, "ok" and its result columns separated by commas, or "erro" and the parser's message;
/// nothing, with `missing` naming the peer, when node or the parser is not installed
/// (scripts/lib/packages.sh installs both).
QStringList ParseTransactSql(const QStringList& statements, QString* missing);

} // namespace vorenta::test
