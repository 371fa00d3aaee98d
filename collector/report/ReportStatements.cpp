#include "ReportStatements.h"

namespace vorenta {

QStringList PagesStatement(bool byCustomer)
{
    QStringList lines = {
        QStringLiteral(
            "select Chave, NSerie, Fabricante, Modelo, Mes, LeituraInicial, LeituraFinal, ContGeralFinal,"),
        QStringLiteral(
            "PaginasGeral, PaginasColor, PaginasPb, PaginasScan, PaginasA3, PaginasA4, ContadorRecuou"),
        QStringLiteral("from PaginasPorMes"),
        QStringLiteral("where Mes = :xMes"),
    };
    if (byCustomer)
        lines.append(QStringLiteral("and Chave = :xChave"));
    lines.append(QStringLiteral("order by Chave, NSerie"));
    return lines;
}

QStringList SuppliesStatement(bool byCustomer, bool below)
{
    QStringList lines = {
        QStringLiteral("select Chave, NSerie, Fabricante, Modelo, IP, DataLog, Slot, Descricao, Cor, Nivel, "
                       "Capacidade,"),
        QStringLiteral("Percentual"),
        QStringLiteral("from SuprimentoAtual"),
    };
    QStringList conditions;
    if (byCustomer)
        conditions.append(QStringLiteral("Chave = :xChave"));
    if (below)
        conditions.append(QStringLiteral("Percentual < :xAbaixo"));
    if (!conditions.isEmpty())
        lines.append(QStringLiteral("where ") + conditions.join(QStringLiteral(" and ")));
    lines.append(QStringLiteral("order by Chave, NSerie, Slot"));
    return lines;
}

} // namespace vorenta
