#include "SuppliesReport.h"

#include "collector/report/ReportStatements.h"
#include "common/database/SqlQuery.h"

namespace vorenta {

ReportTable SuppliesReport(DatabaseConnection& connection, const QString& chave,
                           std::optional<int> belowPercent)
{
    SqlQuery query(connection);
    query.setStatement(SuppliesStatement(!chave.isEmpty(), belowPercent.has_value()));
    if (!chave.isEmpty())
        query.bindText(QStringLiteral("xChave"), chave);
    if (belowPercent)
        query.bindInteger(QStringLiteral("xAbaixo"), *belowPercent);
    query.open();
    return ReportFromQuery(query, {{QStringLiteral("Chave")},
                                   {QStringLiteral("NSerie")},
                                   {QStringLiteral("Fabricante")},
                                   {QStringLiteral("Modelo")},
                                   {QStringLiteral("IP")},
                                   {QStringLiteral("DataLog")},
                                   {QStringLiteral("Slot"), true},
                                   {QStringLiteral("Descricao")},
                                   {QStringLiteral("Cor")},
                                   {QStringLiteral("Nivel")},
                                   {QStringLiteral("Capacidade")},
                                   {QStringLiteral("Percentual"), true}});
}

} // namespace vorenta
