#include "ReadingRows.h"

#include "collector/database/DadosOidColumns.h"
#include "common/TextRules.h"

namespace vorenta {

namespace {

/// InstallationLocation trimmed, a blank, the device's location: LocalInstal of ListaEquipCli
/// and UltLog (the DadosOid row trims the whole).
QString LocalInstal(const StoreContext& store)
{
    return StoredText(QStringLiteral("LocalInstal"),
                      Trim(store.request.identity.InstallationLocation) + u' ' + store.request.reading.DeviceLocation);
}

} // namespace

void InsertReading(const StoreContext& store)
{
    const StoreRequest& request = store.request;
    // The device list and the collector's last store say when the reading reached the server
    // (ServerNow): an outage longer than the sweep's three days must not make every device look
    // silent at the replay. DataLog keeps when it was read.
    const QDateTime DataLog = request.DataLog.value_or(store.start.ServerNow);
    QList<StoreColumn> columns =
        DadosOidColumns(request.reading, request.identity, request.settings, DataLog, store.start.today);
    const bool earlier = !request.IdLeitura.isEmpty();
    if (earlier)
        columns.append({QStringLiteral("IdLeitura"), StoredText(QStringLiteral("IdLeitura"), request.IdLeitura)});
    SqlQuery& dadosOid = store.sql.prepare(store.sql.dm.QryDadosOid,
                                           earlier ? Statement::InsertEarlierReading : Statement::InsertReading);
    for (const StoreColumn& c : columns) {
        const QString name = QStringLiteral("x") + c.column;
        if (c.value.metaType() == QMetaType::fromType<QDateTime>())
            dadosOid.bindDateTime(name, c.value.toDateTime());
        else
            dadosOid.bindText(name, c.value.toString());
    }
    store.sql.execute(dadosOid);
}

void RewriteEquipmentList(const StoreContext& store)
{
    const DeviceReading& r = store.request.reading;
    const CollectorSettings& settings = store.request.settings;
    SqlQuery& dadosOid = store.sql.prepare(store.sql.dm.QryDadosOid, Statement::UpsertEquipment);
    dadosOid.bindText(QStringLiteral("xChave"), store.keys.Chave);
    dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(store));
    dadosOid.bindText(QStringLiteral("xnSerie"), store.keys.NSerie);
    dadosOid.bindText(QStringLiteral("xFabricante"), StoredText(QStringLiteral("Fabricante"), Trim(r.Fabricante)));
    dadosOid.bindText(QStringLiteral("xModelo"), StoredText(QStringLiteral("Modelo"), Trim(r.Modelo)));
    dadosOid.bindText(QStringLiteral("xIDServ"), store.keys.IDServ);
    dadosOid.bindDateTime(QStringLiteral("xUltLog"), store.start.ServerNow);
    dadosOid.bindText(QStringLiteral("xCodEmpresa"), StoredText(QStringLiteral("CodEmpresa"), Trim(settings.CodEmpresa)));
    dadosOid.bindText(QStringLiteral("xIP"), StoredText(QStringLiteral("IP"), Trim(r.IP)));
    dadosOid.bindText(QStringLiteral("xVersao"), StoredText(QStringLiteral("Versao"), Trim(settings.VersionText)));
    store.sql.execute(dadosOid);
}

void RewriteLastStore(const StoreContext& store)
{
    SqlQuery& dadosOid = store.sql.prepare(store.sql.dm.QryDadosOid, Statement::UpsertLastStore);
    dadosOid.bindText(QStringLiteral("xIDServ"), store.keys.IDServ);
    dadosOid.bindText(QStringLiteral("xChave"), store.keys.Chave);
    dadosOid.bindDateTime(QStringLiteral("xDataLOG"), store.start.ServerNow);
    dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(store));
    store.sql.execute(dadosOid);
}

} // namespace vorenta
