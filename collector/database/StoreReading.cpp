#include "StoreReading.h"

#include "collector/database/TDTM.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"

#include <QStringList>

#include <exception>

namespace vorenta {

namespace {

constexpr int kInoperativeDays = 3;

/// The store's one place where failures are swallowed: runs `step` and tells whether it ran to
/// its end. Each guard the store has (the whole call, the rewrites, Ed1/Ed4, the server time)
/// goes through here, so what is swallowed can be read off the calls to it.
template <typename Step> bool Guarded(Step&& step) noexcept
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    } catch (...) {
        return false;
    }
}

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

/// InstallationLocation trimmed, a blank, the device's location: LocalInstal of ListaEquipCli
/// and UltLog (the DadosOid row trims the whole).
QString LocalInstal(const CollectorIdentity& identity, const DeviceReading& reading)
{
    return StoredText(QStringLiteral("LocalInstal"),
                      Trim(identity.InstallationLocation) + u' ' + reading.DeviceLocation);
}

/// The device as the store's closing lines name it: address, manufacturer and model as read.
QString DeviceNamed(const DeviceReading& r)
{
    return EscapedText(r.IP + u' ' + r.Fabricante + u' ' + r.Modelo);
}

/// Closes the store's queries when a store ends, however it ends: a result left open would hold
/// a read lock on the embedded database and block the configuration tool's writes.
class QueriesClosed {
public:
    explicit QueriesClosed(TDTM& dm) : m_dm(dm) {}
    ~QueriesClosed()
    {
        for (SqlQuery* query :
             {&m_dm.QryParametros, &m_dm.QryPadrao, &m_dm.QryDadosOid, &m_dm.QryAlimentaFalha, &m_dm.QryAux})
            query->close();
    }
    QueriesClosed(const QueriesClosed&) = delete;
    QueriesClosed& operator=(const QueriesClosed&) = delete;

private:
    TDTM& m_dm;
};

} // namespace

DatabaseReadingStore::DatabaseReadingStore(TDTM& dataModule, const CollectorSettings& settings, Clock clock)
    : m_dm(dataModule), m_settings(settings), m_clock(std::move(clock))
{
}

void DatabaseReadingStore::StoreReading(const DeviceReading& reading)
{
    // A failure no inner guard catches ends the call silently; the walk goes on.
    Guarded([&] { store(reading); });
}

void DatabaseReadingStore::open(SqlQuery& query)
{
    ++m_statements;
    query.open();
}

void DatabaseReadingStore::execute(SqlQuery& query)
{
    ++m_statements;
    query.execute();
}

void DatabaseReadingStore::store(const DeviceReading& r)
{
    const CollectorIdentity& id = m_dm.identity();
    const QueriesClosed closed(m_dm);

    if (!m_dm.ConnectDatabase())
        return; // the connection error is already logged

    const StoredKeys keys{StoredText(QStringLiteral("Chave"), Trim(id.Chave)),
                          StoredText(QStringLiteral("IDServ"), Trim(id.IDServ)),
                          StoredText(QStringLiteral("NSerie"), Trim(r.NSerie)),
                          StoredText(QStringLiteral("NSerie"), r.NSerie)};
    FailureAlertSettings alerts;
    if (!readFailureAlertSettings(keys, alerts))
        return;
    const QDateTime localNow = m_clock();
    const QDateTime ServerNow = readServerNow(localNow);

    if (isCollectorExcluded(keys))
        return;
    if (isDeviceExcluded(keys.Chave, keys.SerialAsRead)) {
        m_dm.log().WriteLog(QStringLiteral("Equipamento na lista de Exceções, Dados Não Coletados. Série: ") +
                            EscapedText(r.NSerie) + QStringLiteral(" Modelo: ") + EscapedText(r.Modelo) +
                            u'-' + EscapedText(r.Fabricante));
        return;
    }

    // The device list and the collector's last store say that a reading arrived: only when it did.
    const bool stored = insertReading(r, ServerNow, localNow.date());
    if (stored) {
        rewriteEquipmentList(r, keys, ServerNow);
        rewriteLastStore(r, keys, ServerNow);
        if (alerts.NotifyFailures)
            raiseFailureAlert(keys, alerts, ServerNow);
    }
    sweepInoperative(ServerNow);

    if (stored)
        m_dm.log().WriteLog(QStringLiteral("Registro Concluído de Dados de Equipamento ") + DeviceNamed(r));
}

// Parametros of the customer: whether failure alerts are on, their threshold and window. False,
// with "Erro ao Buscar Parametros", when the row cannot be read: nothing is stored then.
bool DatabaseReadingStore::readFailureAlertSettings(const StoredKeys& keys, FailureAlertSettings& alerts)
{
    SqlQuery& parametros = m_dm.QryParametros;
    const bool read = Guarded([&] {
        parametros.clearStatement();
        parametros.addLine(QStringLiteral("Select * from Parametros"));
        parametros.addLine(QStringLiteral("where chave=:xChave"));
        parametros.bindText(QStringLiteral("xChave"), keys.Chave);
        open(parametros);
    });
    if (!read) {
        m_dm.log().WriteLog(QStringLiteral("Erro ao Buscar Parametros"));
        return false;
    }
    // ck1 has no guard of its own: a missing column ends the call. A customer without a
    // Parametros row has no alerts.
    const QString ck1 = parametros.hasRows() ? parametros.text(QStringLiteral("ck1")) : QString();
    if (ck1 == QStringLiteral("S")) {
        alerts.NotifyFailures = true;
        alerts.FailureThreshold = ParameterInteger(parametros, QStringLiteral("Ed1"));
        alerts.FailureWindowDays = ParameterInteger(parametros, QStringLiteral("Ed4"));
    }
    parametros.close();
    return true;
}

// The server's clock, which every date the store writes comes from. The query failing ends the
// call; a value that is no date gives the collector's own clock.
QDateTime DatabaseReadingStore::readServerNow(const QDateTime& localNow)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(m_dm.dialect().currentTimeStatement());
    open(padrao);
    QDateTime ServerNow;
    Guarded([&] { ServerNow = padrao.dateTime(QStringLiteral("DataeHoraAtual")); });
    padrao.close();
    return ServerNow.isValid() ? ServerNow : localNow;
}

// A collector on the exclusion list stores nothing, and says so for every device: it keeps
// running, so that taking it off the list needs no restart.
bool DatabaseReadingStore::isCollectorExcluded(const StoredKeys& keys)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("select Idserv from exclusao"));
    padrao.addLine(QStringLiteral("where Idserv=:xIDServ"));
    padrao.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    open(padrao);
    const bool excluded = padrao.hasRows();
    padrao.close();
    if (excluded)
        m_dm.log().WriteLog(QStringLiteral("IdServiço na lista de Exceções, Dados Não Coletados. IdServ: ") +
                            EscapedText(m_dm.identity().IDServ));
    return excluded;
}

// One device of one customer on the exclusion list: neither stored nor swept.
bool DatabaseReadingStore::isDeviceExcluded(const QString& chave, const QString& nSerie)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("select nSerie from exclusao"));
    padrao.addLine(QStringLiteral("where (chave=:xChave)"));
    padrao.addLine(QStringLiteral("and (nSerie=:xNSerie)"));
    padrao.bindText(QStringLiteral("xChave"), chave);
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    open(padrao);
    const bool excluded = padrao.hasRows();
    padrao.close();
    return excluded;
}

// The reading row, its statement built from the column list. A row the server refuses is
// reported with the driver's text; the reading is then not counted as stored.
bool DatabaseReadingStore::insertReading(const DeviceReading& r, const QDateTime& ServerNow,
                                         const QDate& today)
{
    const QList<StoreColumn> columns = DadosOidColumns(r, m_dm.identity(), m_settings, ServerNow, today);
    QStringList names;
    QStringList parameters;
    for (const StoreColumn& c : columns) {
        names.append(c.column);
        parameters.append(QStringLiteral(":x") + c.column);
    }
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    dadosOid.clearStatement();
    dadosOid.addLine(QStringLiteral("Insert Into DadosOid (") + names.join(u',') + u')');
    dadosOid.addLine(QStringLiteral("values (") + parameters.join(u',') + u')');
    for (const StoreColumn& c : columns) {
        const QString name = QStringLiteral("x") + c.column;
        if (c.value.metaType() == QMetaType::fromType<QDateTime>())
            dadosOid.bindDateTime(name, c.value.toDateTime());
        else
            dadosOid.bindText(name, c.value.toString());
    }
    try {
        execute(dadosOid);
        return true;
    } catch (const DatabaseError& error) {
        m_dm.log().WriteLog(QStringLiteral("Erro ao Gravar Dados de Equipamento ") + DeviceNamed(r) +
                            QStringLiteral(": ") + error.text());
        return false;
    }
}

// The device's one ListaEquipCli row, written afresh (which also clears an inoperative report).
// Silent on failure; a failed delete skips the insert.
void DatabaseReadingStore::rewriteEquipmentList(const DeviceReading& r, const StoredKeys& keys,
                                                const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    Guarded([&] {
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Delete from ListaEquipCli"));
        dadosOid.addLine(QStringLiteral("where nserie=:xnSerie"));
        dadosOid.bindText(QStringLiteral("xnSerie"), keys.NSerie);
        execute(dadosOid);
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral(
            "Insert Into ListaEquipCli "
            "(Chave,LocalInstal,nSerie,Fabricante,Modelo,IDServ,UltLog,CodEmpresa,IP,Versao) values "
            "(:xChave,:xLocalInstal,:xnSerie,:xFabricante,:xModelo,:xIDServ,:xUltLog,:xCodEmpresa,:xIP,:"
            "xVersao)"));
        dadosOid.bindText(QStringLiteral("xChave"), keys.Chave);
        dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(m_dm.identity(), r));
        dadosOid.bindText(QStringLiteral("xnSerie"), keys.NSerie);
        dadosOid.bindText(QStringLiteral("xFabricante"),
                          StoredText(QStringLiteral("Fabricante"), Trim(r.Fabricante)));
        dadosOid.bindText(QStringLiteral("xModelo"), StoredText(QStringLiteral("Modelo"), Trim(r.Modelo)));
        dadosOid.bindText(QStringLiteral("xIDServ"), keys.IDServ);
        dadosOid.bindDateTime(QStringLiteral("xUltLog"), ServerNow);
        dadosOid.bindText(QStringLiteral("xCodEmpresa"),
                          StoredText(QStringLiteral("CodEmpresa"), Trim(m_settings.CodEmpresa)));
        dadosOid.bindText(QStringLiteral("xIP"), StoredText(QStringLiteral("IP"), Trim(r.IP)));
        dadosOid.bindText(QStringLiteral("xVersao"),
                          StoredText(QStringLiteral("Versao"), Trim(m_settings.VersionText)));
        execute(dadosOid);
    });
}

// The collector's one UltLog row: when it last stored a reading. Silent on failure.
void DatabaseReadingStore::rewriteLastStore(const DeviceReading& r, const StoredKeys& keys,
                                            const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    Guarded([&] {
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Delete from UltLog "));
        dadosOid.addLine(QStringLiteral("where IDServ=:xIDServ"));
        dadosOid.addLine(QStringLiteral(" and Chave=:xChave"));
        dadosOid.bindText(QStringLiteral("xIDServ"), keys.IDServ);
        dadosOid.bindText(QStringLiteral("xChave"), keys.Chave);
        execute(dadosOid);
        dadosOid.clearStatement();
        dadosOid.addLine(QStringLiteral("Insert Into UltLog (IDServ,Chave,DataLOG,LocalInstal) values "
                                        "(:xIDServ,:xChave,:xDataLOG,:xLocalInstal)"));
        dadosOid.bindText(QStringLiteral("xIDServ"), keys.IDServ);
        dadosOid.bindText(QStringLiteral("xChave"), keys.Chave);
        dadosOid.bindDateTime(QStringLiteral("xDataLOG"), ServerNow);
        dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(m_dm.identity(), r));
        execute(dadosOid);
    });
}

// One alert on the device's newest failure reading for this customer once its unnotified
// failures in the window reach the threshold. No guard of its own: a failing statement ends the
// store silently.
void DatabaseReadingStore::raiseFailureAlert(const StoredKeys& keys, const FailureAlertSettings& alerts,
                                             const QDateTime& ServerNow)
{
    makeReadingsCountable(keys);
    if (countRecentFailures(keys, alerts.FailureWindowDays, ServerNow) < alerts.FailureThreshold)
        return;
    // With a threshold of 0 or below, or one reached through rows stored under another customer
    // key, this customer may have no failure reading of the device: nothing to alert on.
    const std::optional<NewestReading> newest = newestReading(keys.NSerie, keys.Chave);
    if (!newest || hasAlert(keys.Chave, newest->Cod))
        return;
    insertAlert(ServerNow, keys.Chave, newest->Cod, newest->IdServ);
    markFailuresNotified(keys);
    m_dm.log().WriteLog(QStringLiteral("Registro de alerta..."));
}

// Readings not yet looked at get Notificado '' so the count below sees them ("<>'S'" never
// holds for null).
void DatabaseReadingStore::makeReadingsCountable(const StoredKeys& keys)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("Update DadosOid set Notificado=''"));
    padrao.addLine(QStringLiteral("where (Notificado is null)"));
    padrao.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    padrao.bindText(QStringLiteral("xNSerie"), keys.NSerie);
    execute(padrao);
}

// This collector's failure readings of the device within the window, not yet alerted on. The
// window is on the server's clock, the clock DataLog was written with.
qint64 DatabaseReadingStore::countRecentFailures(const StoredKeys& keys, int FailureWindowDays,
                                                 const QDateTime& ServerNow)
{
    SqlQuery& falhas = m_dm.QryAlimentaFalha;
    falhas.clearStatement();
    falhas.addLine(QStringLiteral("select nserie,count(falha)as TotalFalhas from DadosOid"));
    falhas.addLine(QStringLiteral("where (IDServ=:xIDServ)"));
    falhas.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    falhas.addLine(QStringLiteral("and (DataLog >=:xWindowStart and Datalog<=:xWindowEnd)"));
    falhas.addLine(QStringLiteral("and (Notificado<>'S')"));
    falhas.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    falhas.addLine(QStringLiteral("group by nserie"));
    falhas.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    falhas.bindDateTime(QStringLiteral("xWindowStart"), ServerNow.addDays(-FailureWindowDays));
    falhas.bindDateTime(QStringLiteral("xWindowEnd"), ServerNow);
    falhas.bindText(QStringLiteral("xNSerie"), keys.NSerie);
    open(falhas);
    const qint64 TotalFalhas = falhas.hasRows() ? falhas.integer(QStringLiteral("TotalFalhas")) : 0;
    falhas.close();
    return TotalFalhas;
}

// The failures that raised the alert no longer count towards the next one.
void DatabaseReadingStore::markFailuresNotified(const StoredKeys& keys)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("Update DadosOid set Notificado='S'"));
    padrao.addLine(QStringLiteral("where (IDServ=:xIDServ)"));
    padrao.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    padrao.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    padrao.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    padrao.bindText(QStringLiteral("xNSerie"), keys.NSerie);
    execute(padrao);
}

// Devices of every customer not read for three days and not yet reported: each (not excluded)
// gets its newest reading marked inoperative and one open alert. No guard of its own: a failing
// statement ends the store silently.
void DatabaseReadingStore::sweepInoperative(const QDateTime& ServerNow)
{
    for (const auto& [chave, nSerie] : silentDevices(ServerNow)) {
        if (isDeviceExcluded(chave, nSerie))
            continue;
        const std::optional<NewestReading> newest = newestReading(nSerie);
        if (newest)
            reportInoperative(chave, nSerie, *newest, ServerNow);
    }
}

// Chave and nSerie of the silent devices. The list is taken whole before the rows are worked on:
// the updates change the table it comes from, and SQLite gives no promise about a result walked
// while its table changes.
QList<QPair<QString, QString>> DatabaseReadingStore::silentDevices(const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    dadosOid.clearStatement();
    dadosOid.addLine(QStringLiteral("Select * from ListaEquipCli"));
    dadosOid.addLine(QStringLiteral("where (UltLog<:xSilentSince)"));
    dadosOid.addLine(QStringLiteral("and((ultNotif is null) or (") +
                     m_dm.dialect().isEmptyText(QStringLiteral("UltNotif")) + QStringLiteral("))"));
    dadosOid.addLine(QStringLiteral("Order by UltLog desc"));
    dadosOid.bindDateTime(QStringLiteral("xSilentSince"), ServerNow.addDays(-kInoperativeDays));
    open(dadosOid);
    QList<QPair<QString, QString>> silent;
    for (; !dadosOid.atEnd(); dadosOid.next())
        silent.append({dadosOid.text(QStringLiteral("Chave")), dadosOid.text(QStringLiteral("nSerie"))});
    dadosOid.close();
    return silent;
}

// Replaces the open alerts of the newest reading by one inoperative alert, marks the reading
// "5-Inoperante", and the device as reported: not swept again until a new reading rewrites it.
void DatabaseReadingStore::reportInoperative(const QString& chave, const QString& nSerie,
                                             const NewestReading& newest, const QDateTime& ServerNow)
{
    SqlQuery& aux = m_dm.QryAux;
    aux.clearStatement();
    aux.addLine(QStringLiteral("Delete from Alerta"));
    aux.addLine(QStringLiteral("where IDDadosOid=:xIDDadosOid"));
    aux.addLine(QStringLiteral("and Situacao='Em Aberto'"));
    aux.bindInteger(QStringLiteral("xIDDadosOid"), newest.Cod);
    execute(aux);

    aux.clearStatement();
    aux.addLine(QStringLiteral("Update DadosOid set falha='5-Inoperante'"));
    aux.addLine(QStringLiteral("where Cod=:xCod"));
    aux.bindInteger(QStringLiteral("xCod"), newest.Cod);
    execute(aux);

    insertAlert(ServerNow, chave, newest.Cod, std::nullopt);

    aux.clearStatement();
    aux.addLine(QStringLiteral("Update ListaEquipCli set ultNotif=:xUltNotif"));
    aux.addLine(QStringLiteral("where (nSerie=:xNSerie)"));
    aux.bindDateTime(QStringLiteral("xUltNotif"), ServerNow);
    aux.bindText(QStringLiteral("xNSerie"), nSerie);
    execute(aux);
}

// The device's newest DadosOid row, whoever stored it; with `failuresOfChave`, its newest
// failure row for that customer.
std::optional<DatabaseReadingStore::NewestReading>
DatabaseReadingStore::newestReading(const QString& nSerie, const QString& failuresOfChave)
{
    const Dialect& dialect = m_dm.dialect();
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("select ") + dialect.topOne() + QStringLiteral("Cod,IdServ from DadosOid"));
    padrao.addLine(QStringLiteral("where NSerie=:xNSerie"));
    if (!failuresOfChave.isEmpty()) {
        padrao.addLine(QStringLiteral("and chave=:xChave"));
        padrao.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
        padrao.bindText(QStringLiteral("xChave"), failuresOfChave);
    }
    padrao.addLine(QStringLiteral("Order by cod desc"));
    padrao.addLine(dialect.limitOne());
    padrao.bindText(QStringLiteral("xNSerie"), nSerie);
    open(padrao);
    std::optional<NewestReading> newest;
    if (padrao.hasRows())
        newest = NewestReading{padrao.integer(QStringLiteral("Cod")), padrao.text(QStringLiteral("IdServ"))};
    padrao.close();
    return newest;
}

// One failure alert per reading.
bool DatabaseReadingStore::hasAlert(const QString& chave, qint64 cod)
{
    SqlQuery& aux = m_dm.QryAux;
    aux.clearStatement();
    aux.addLine(QStringLiteral("Select IDDadosOid from alerta"));
    aux.addLine(QStringLiteral("where chave=:xChave"));
    aux.addLine(QStringLiteral("and IDDadosOid=:xIDDadosOid"));
    aux.bindText(QStringLiteral("xChave"), chave);
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    open(aux);
    const bool found = aux.hasRows();
    aux.close();
    return found;
}

// An open "FALHA" alert on the reading `cod`. The failure alert names the collector that stored
// the reading; the inoperative alert leaves IDSERV null.
void DatabaseReadingStore::insertAlert(const QDateTime& ServerNow, const QString& chave, qint64 cod,
                                       const std::optional<QString>& idServ)
{
    SqlQuery& aux = m_dm.QryAux;
    aux.clearStatement();
    aux.addLine(QStringLiteral("Insert into alerta(Data,Chave,TipoAlerta,Situacao,IDDadosOid,IDSERV)"));
    aux.addLine(QStringLiteral("Values(:xData,:xChave,:xTipoAlerta,:xSituacao,:xIDDadosOid,:XIDSERV)"));
    aux.bindDateTime(QStringLiteral("xData"), ServerNow);
    aux.bindText(QStringLiteral("xChave"), chave);
    aux.bindText(QStringLiteral("xTipoAlerta"), QStringLiteral("FALHA"));
    aux.bindText(QStringLiteral("xSituacao"), QStringLiteral("Em Aberto"));
    aux.bindInteger(QStringLiteral("xIDDadosOid"), cod);
    if (idServ)
        aux.bindText(QStringLiteral("XIDSERV"), *idServ);
    else
        aux.bindNull(QStringLiteral("XIDSERV"));
    execute(aux);
}

} // namespace vorenta
