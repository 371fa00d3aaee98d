#pragma once

#include "common/database/StatementCatalogue.h"

namespace vorenta {

// Which statement of the catalogue a report sends. They read the report views only, whose
// columns and meaning are the same on every back end; the values (month, customer key, percent)
// are bound.

/// One month of PaginasPorMes, `:xMes` (yyyy-mm); with `byCustomer`, of customer `:xChave` only.
Statement PagesStatement(bool byCustomer);

/// SuprimentoAtual; with `byCustomer`, of customer `:xChave` only; with `below`, the slots whose
/// Percentual is below `:xAbaixo` (a slot of unknown percent is not below anything).
Statement SuppliesStatement(bool byCustomer, bool below);

} // namespace vorenta
