#pragma once

#include <QString>

#include <optional>

namespace vorenta {

/// What `VorentaServer --relatorio` was asked for.
struct ReportRequest {
    enum class Kind { Pages, Supplies };
    Kind kind = Kind::Pages;
    QString month;                   ///< --mes yyyy-mm (pages)
    QString chave;                   ///< --chave; empty: every customer in the database
    bool csv = false;                ///< --csv instead of an aligned table
    std::optional<int> belowPercent; ///< --abaixo P (supplies)
};

/// Prints the report from the program folder's database (Coletor.ini [BANCO]) on standard
/// output, UTF-8. Returns 0 when it was printed (a report without rows too: its header, and a
/// line on standard error), 1 when the database could not be opened or read, with the reason and
/// what to do on standard error. Never creates a database.
int RunReport(const ReportRequest& request, const QString& programFolder);

} // namespace vorenta
