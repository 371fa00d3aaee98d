#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vorenta::test {

/// The two T-SQL checks the SQL Server statements get where no SQL Server runs.
///  - UnparsableAsTsql: the syntax, with sqlfluff's T-SQL grammar (Debian package sqlfluff); it
///    refuses what T-SQL refuses, which node-sql-parser does not always do.
///  - ParseTransactSql: the result columns of a SELECT, which only node-sql-parser gives.

/// The indexes of `statements` that sqlfluff's T-SQL grammar cannot parse whole; nothing, with
/// `missing` naming the peer, when sqlfluff is not installed. Throws std::runtime_error when it
/// runs but gives no verdict.
std::optional<QList<int>> UnparsableAsTsql(const QStringList& statements, QString* missing);

/// Parses each of `statements` as T-SQL with node-sql-parser (TransactSqlParse.js beside this
/// file), the check SQL Server statements get where no SQL Server runs. Returns one line per
/// statement, "ok" and its result columns separated by commas, or "erro" and the parser's message;
/// nothing, with `missing` naming the peer, when node or the parser is not installed
/// (scripts/lib/packages.sh installs both).
QStringList ParseTransactSql(const QStringList& statements, QString* missing);

} // namespace vorenta::test
