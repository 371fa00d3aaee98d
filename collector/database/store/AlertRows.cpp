#include "AlertRows.h"

namespace vorenta {

namespace {

std::optional<NewestReading> NewestRow(StoreQueries& sql, SqlQuery& padrao)
{
    sql.open(padrao);
    std::optional<NewestReading> newest;
    if (padrao.hasRows())
        newest = NewestReading{padrao.integer(QStringLiteral("Cod")), padrao.text(QStringLiteral("IdServ"))};
    padrao.close();
    return newest;
}

} // namespace

std::optional<NewestReading> NewestReadingOf(StoreQueries& sql, const QString& nSerie)
{
    SqlQuery& padrao = sql.prepare(sql.dm.QryPadrao, Statement::NewestReading);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    return NewestRow(sql, padrao);
}

std::optional<NewestReading> NewestFailureReadingOf(StoreQueries& sql, const QString& nSerie, const QString& chave)
{
    SqlQuery& padrao = sql.prepare(sql.dm.QryPadrao, Statement::NewestFailureReading);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    padrao.bindText(QStringLiteral("xChave"), chave);
    return NewestRow(sql, padrao);
}

bool HasAlert(StoreQueries& sql, const QString& chave, qint64 cod)
{
    SqlQuery& aux = sql.prepare(sql.dm.QryAux, Statement::HasAlert);
    aux.bindText(QStringLiteral("xChave"), chave);
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    sql.open(aux);
    const bool found = aux.hasRows();
    aux.close();
    return found;
}

bool InsertAlert(StoreQueries& sql, const QDateTime& ServerNow, const QString& chave, qint64 cod,
                 const std::optional<QString>& idServ)
{
    SqlQuery& aux = sql.prepare(sql.dm.QryAux, Statement::InsertAlert);
    aux.bindDateTime(QStringLiteral("xData"), ServerNow);
    aux.bindText(QStringLiteral("xChave"), chave);
    aux.bindText(QStringLiteral("xTipoAlerta"), QStringLiteral("FALHA"));
    aux.bindText(QStringLiteral("xSituacao"), QStringLiteral("Em Aberto"));
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    if (idServ)
        aux.bindText(QStringLiteral("XIDSERV"), *idServ);
    else
        aux.bindNull(QStringLiteral("XIDSERV"));
    sql.execute(aux);
    return aux.rowsAffected() > 0;
}

} // namespace vorenta
