#include "InoperativeSweep.h"

#include "collector/database/store/AlertRows.h"

#include <QList>
#include <QPair>

namespace vorenta {

namespace {

QDateTime SilentSince(const StoreContext& store)
{
    return store.start.ServerNow.addDays(-kSilentDays);
}

// Chave and nSerie of the silent devices. The list is taken whole before the rows are worked on:
// the updates change the table it comes from, and SQLite gives no promise about a result walked
// while its table changes.
QList<QPair<QString, QString>> SilentDevices(const StoreContext& store)
{
    SqlQuery& dadosOid = store.sql.prepare(store.sql.dm.QryDadosOid, Statement::SilentDevices);
    dadosOid.bindDateTime(QStringLiteral("xSilentSince"), SilentSince(store));
    store.sql.open(dadosOid);
    QList<QPair<QString, QString>> silent;
    for (; !dadosOid.atEnd(); dadosOid.next())
        silent.append({dadosOid.text(QStringLiteral("Chave")), dadosOid.text(QStringLiteral("nSerie"))});
    dadosOid.close();
    return silent;
}

// One device of one customer on the exclusion list: the sweep leaves it alone.
bool IsDeviceExcluded(const StoreContext& store, const QString& chave, const QString& nSerie)
{
    SqlQuery& padrao = store.sql.prepare(store.sql.dm.QryPadrao, Statement::IsDeviceExcluded);
    padrao.bindText(QStringLiteral("xChave"), chave);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    store.sql.open(padrao);
    const bool excluded = padrao.hasRows();
    padrao.close();
    return excluded;
}

// Marks the device reported, if it is still silent and unreported: true when this store did it.
// The others, whose update waits for that one's commit and then finds the row marked, leave it.
bool ClaimSilentDevice(const StoreContext& store, const QString& nSerie)
{
    SqlQuery& aux = store.sql.prepare(store.sql.dm.QryAux, Statement::ClaimSilentDevice);
    aux.bindDateTime(QStringLiteral("xUltNotif"), store.start.ServerNow);
    aux.bindText(QStringLiteral("xNSerie"), nSerie);
    aux.bindDateTime(QStringLiteral("xSilentSince"), SilentSince(store));
    store.sql.execute(aux);
    return aux.rowsAffected() > 0;
}

// Replaces the open alerts of the newest reading by one inoperative alert and marks the reading
// "5-Inoperante" (the device is marked reported already: not swept again until a new reading
// rewrites it).
void ReportInoperative(const StoreContext& store, const QString& chave, const NewestReading& newest)
{
    SqlQuery& aux = store.sql.prepare(store.sql.dm.QryAux, Statement::DeleteOpenAlerts);
    aux.bindInteger(QStringLiteral("xIDDadosOid"), newest.Cod);
    store.sql.execute(aux);

    store.sql.prepare(aux, Statement::MarkInoperative);
    aux.bindInteger(QStringLiteral("xCod"), newest.Cod);
    store.sql.execute(aux);

    InsertAlert(store.sql, store.start.ServerNow, chave, newest.Cod, std::nullopt);
}

void SweepDevice(const StoreContext& store, const QString& chave, const QString& nSerie)
{
    if (IsDeviceExcluded(store, chave, nSerie))
        return;
    const std::optional<NewestReading> newest = NewestReadingOf(store.sql, nSerie);
    if (newest && ClaimSilentDevice(store, nSerie))
        ReportInoperative(store, chave, *newest);
}

} // namespace

bool SweepInoperative(TransactionSteps& steps, const StoreContext& store)
{
    QList<QPair<QString, QString>> silent;
    if (!steps.step([&] { silent = SilentDevices(store); }))
        return false;
    for (const auto& [chave, nSerie] : silent) {
        if (!steps.step([&] { SweepDevice(store, chave, nSerie); }))
            return false;
    }
    return true;
}

} // namespace vorenta
