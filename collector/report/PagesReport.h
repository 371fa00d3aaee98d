#pragma once

#include "collector/report/ReportTable.h"

#include <QString>

namespace vorenta {

class DatabaseConnection;

/// The pages of every device in `month` (yyyy-mm) from PaginasPorMes, of customer `chave` only
/// when it is not empty, in Chave and NSerie order. Throws DatabaseError (a server whose
/// upgrade did not run has no view).
ReportTable PagesReport(DatabaseConnection& connection, const QString& month, const QString& chave);

} // namespace vorenta
