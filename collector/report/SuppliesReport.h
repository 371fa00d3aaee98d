#pragma once

#include "collector/report/ReportTable.h"

#include <QString>

#include <optional>

namespace vorenta {

class DatabaseConnection;

/// The supplies of every device's newest reading from SuprimentoAtual, of customer `chave` only
/// when it is not empty, and only those below `belowPercent` when it is given (a slot whose
/// percent is unknown is then left out), in Chave, NSerie and Slot order. Throws DatabaseError.
ReportTable SuppliesReport(DatabaseConnection& connection, const QString& chave,
                           std::optional<int> belowPercent);

} // namespace vorenta
