#pragma once

#include <QStringList>

namespace vorenta {

// Every statement the reports send, in one place. They read the report views only, whose
// columns and meaning are the same on every back end, so one text serves SQLite, PostgreSQL and
// SQL Server; the values (month, customer key, percent) are bound.

/// One month of PaginasPorMes, `:xMes` (yyyy-mm); with `byCustomer`, of customer `:xChave` only.
QStringList PagesStatement(bool byCustomer);

/// SuprimentoAtual; with `byCustomer`, of customer `:xChave` only; with `below`, the slots whose
/// Percentual is below `:xAbaixo` (a slot of unknown percent is not below anything).
QStringList SuppliesStatement(bool byCustomer, bool below);

} // namespace vorenta
