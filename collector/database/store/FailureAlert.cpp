#include "FailureAlert.h"

#include "collector/database/store/AlertRows.h"

namespace vorenta {

namespace {

void MakeReadingsCountable(const StoreContext& store)
{
    SqlQuery& padrao = store.sql.prepare(store.sql.dm.QryPadrao, Statement::MakeReadingsCountable);
    padrao.bindText(QStringLiteral("xNSerie"), store.keys.NSerie);
    store.sql.execute(padrao);
}

// The window is on the server's clock, the clock DataLog was written with.
qint64 CountRecentFailures(const StoreContext& store)
{
    const QDateTime& ServerNow = store.start.ServerNow;
    SqlQuery& falhas = store.sql.prepare(store.sql.dm.QryAlimentaFalha, Statement::CountRecentFailures);
    falhas.bindText(QStringLiteral("xIDServ"), store.keys.IDServ);
    falhas.bindDateTime(QStringLiteral("xWindowStart"), ServerNow.addDays(-store.start.alerts.FailureWindowDays));
    falhas.bindDateTime(QStringLiteral("xWindowEnd"), ServerNow);
    falhas.bindText(QStringLiteral("xNSerie"), store.keys.NSerie);
    store.sql.open(falhas);
    const qint64 TotalFalhas = falhas.hasRows() ? falhas.integer(QStringLiteral("TotalFalhas")) : 0;
    falhas.close();
    return TotalFalhas;
}

void MarkFailuresNotified(const StoreContext& store)
{
    SqlQuery& padrao = store.sql.prepare(store.sql.dm.QryPadrao, Statement::MarkFailuresNotified);
    padrao.bindText(QStringLiteral("xIDServ"), store.keys.IDServ);
    padrao.bindText(QStringLiteral("xNSerie"), store.keys.NSerie);
    store.sql.execute(padrao);
}

} // namespace

bool RaiseFailureAlert(const StoreContext& store)
{
    MakeReadingsCountable(store);
    if (CountRecentFailures(store) < store.start.alerts.FailureThreshold)
        return false;
    // With a threshold of 0 or below, or one reached through rows stored under another customer
    // key, this customer may have no failure reading of the device: nothing to alert on.
    const std::optional<NewestReading> newest =
        NewestFailureReadingOf(store.sql, store.keys.NSerie, store.keys.Chave);
    if (!newest || HasAlert(store.sql, store.keys.Chave, newest->Cod))
        return false;
    // Another collector of the key may have raised it since the check: then it is raised.
    if (!InsertAlert(store.sql, store.start.ServerNow, store.keys.Chave, newest->Cod, newest->IdServ))
        return false;
    MarkFailuresNotified(store);
    return true;
}

} // namespace vorenta
