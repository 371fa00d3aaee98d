#include "PagesReport.h"

#include "collector/report/ReportStatements.h"
#include "common/database/SqlQuery.h"

namespace vorenta {

ReportTable PagesReport(DatabaseConnection& connection, const QString& month, const QString& chave)
{
    SqlQuery query(connection);
    query.setStatement(PagesStatement(!chave.isEmpty()));
    query.bindText(QStringLiteral("xMes"), month);
    if (!chave.isEmpty())
        query.bindText(QStringLiteral("xChave"), chave);
    query.open();
    // The month's own pages first; the counters at its end only for the total, which a
    // technician compares with the device's display.
    return ReportFromQuery(query, {{QStringLiteral("Chave")},
                                   {QStringLiteral("NSerie")},
                                   {QStringLiteral("Fabricante")},
                                   {QStringLiteral("Modelo")},
                                   {QStringLiteral("Mes")},
                                   {QStringLiteral("LeituraInicial")},
                                   {QStringLiteral("LeituraFinal")},
                                   {QStringLiteral("ContGeralFinal"), true},
                                   {QStringLiteral("PaginasGeral"), true},
                                   {QStringLiteral("PaginasColor"), true},
                                   {QStringLiteral("PaginasPb"), true},
                                   {QStringLiteral("PaginasScan"), true},
                                   {QStringLiteral("PaginasA3"), true},
                                   {QStringLiteral("PaginasA4"), true},
                                   {QStringLiteral("ContadorRecuou"), true}});
}

} // namespace vorenta
