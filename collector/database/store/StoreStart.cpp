#include "StoreStart.h"

#include "collector/database/DadosOidColumns.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"

namespace vorenta {

namespace {

/// A Parametros column read as an integer; 1 when it is not one.
int ParameterInteger(const SqlQuery& query, const QString& column)
{
    int value = 1;
    Guarded([&] {
        bool ok = false;
        const int number = Trim(query.text(column)).toInt(&ok);
        if (ok)
            value = number;
    });
    return value;
}

// After the opening read failed: whether Parametros can be read at all.
bool CanReadParametros(StoreQueries& sql, const StoredKeys& keys)
{
    SqlQuery& parametros = sql.prepare(sql.dm.QryParametros, Statement::ParametrosOfCustomer);
    return Guarded([&] {
        parametros.bindText(QStringLiteral("xChave"), keys.Chave);
        sql.open(parametros);
        parametros.close();
    });
}

} // namespace

std::optional<StoreStart> ReadStoreStart(StoreQueries& sql, const StoredKeys& keys, const std::function<QDateTime()>& clock,
                                         StoreOutcome& failure)
{
    SqlQuery& parametros = sql.dm.QryParametros;
    bool read = false;
    try {
        read = sql.dm.ReadOnWorkingConnection([&] {
            sql.prepare(parametros, Statement::StoreStart);
            parametros.bindText(QStringLiteral("xIDServ"), keys.IDServ);
            parametros.bindText(QStringLiteral("xChave"), keys.Chave);
            parametros.bindText(QStringLiteral("xNSerie"), keys.SerialAsRead);
            sql.open(parametros);
        });
    } catch (const ConnectionError&) {
        throw;
    } catch (const DatabaseError&) {
        parametros.close();
        if (!CanReadParametros(sql, keys))
            sql.dm.log().WriteLog(QStringLiteral("Erro ao Buscar Parametros"));
        return std::nullopt;
    }
    if (!read) {
        failure = StoreOutcome::Unreachable; // logged
        return std::nullopt;
    }

    StoreStart start;
    // ck1 has no guard of its own: a missing column ends the call. A customer without a
    // Parametros row has no alerts.
    const bool customerHasParametros = !parametros.isNull(QStringLiteral("chave"));
    if (customerHasParametros && parametros.text(QStringLiteral("ck1")) == QStringLiteral("S")) {
        start.alerts.NotifyFailures = true;
        start.alerts.FailureThreshold = ParameterInteger(parametros, QStringLiteral("Ed1"));
        start.alerts.FailureWindowDays = ParameterInteger(parametros, QStringLiteral("Ed4"));
    }
    // Every date the store writes comes from the server's clock; a value that is no date gives
    // the collector's own.
    const QDateTime localNow = clock();
    Guarded([&] { start.ServerNow = parametros.dateTime(QStringLiteral("DataeHoraAtual")); });
    if (!start.ServerNow.isValid())
        start.ServerNow = localNow;
    start.today = localNow.date();
    start.collectorExcluded = parametros.integer(QStringLiteral("ColetorExcluido")) != 0;
    start.deviceExcluded = parametros.integer(QStringLiteral("EquipamentoExcluido")) != 0;
    start.silentDevicesWaiting = parametros.integer(QStringLiteral("Inoperantes")) != 0;
    parametros.close();
    return start;
}

bool RefusedByExclusion(const StoreContext& store)
{
    const DeviceReading& r = store.request.reading;
    if (store.start.collectorExcluded) {
        store.sql.dm.log().WriteLog(QStringLiteral("IdServiço na lista de Exceções, Dados Não Coletados. IdServ: ") +
                                    EscapedText(store.request.identity.IDServ));
        return true;
    }
    if (store.start.deviceExcluded) {
        store.sql.dm.log().WriteLog(
            QStringLiteral("Equipamento na lista de Exceções, Dados Não Coletados. Série: ") + EscapedText(r.NSerie) +
            QStringLiteral(" Modelo: ") + EscapedText(r.Modelo) + u'-' + EscapedText(r.Fabricante));
        return true;
    }
    return false;
}

} // namespace vorenta
