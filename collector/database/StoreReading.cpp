#include "StoreReading.h"

#include "collector/database/TDTM.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"
#include "common/database/Transaction.h"

#include <QStringList>

#include <exception>

namespace vorenta {

namespace {

constexpr int kInoperativeDays = 3;

/// The store's one place where failures are swallowed outside the device's transaction: runs
/// `step` and tells whether it ran to its end. The whole call, Ed1/Ed4, the server time and the
/// check of Parametros go through here; inside the transaction the guards are the steps of an
/// Attempt. So what is swallowed can be read off the calls to these two.
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

/// One attempt at the device's transaction. A step is a part of the store that the rules let
/// fail alone: the reading row, each rewrite, the failure alert, the sweep's list and each silent
/// device it reports.
///  - straight: the usual case, where nothing fails. The steps run one after another, and a
///    failing statement ends the attempt; its transaction is rolled back whole.
///  - step by step: each step in a savepoint of its own. A failing step is rolled back to it,
///    alone, and the store goes on as that step's guard says.
/// The log lines that tell what was stored wait in `lines` until the transaction committed.
class DatabaseReadingStore::Attempt {
public:
    Attempt(DatabaseConnection& connection, bool stepByStep)
        : m_connection(connection), m_stepByStep(stepByStep)
    {
    }

    /// Thrown out of a straight attempt by a step that failed.
    struct StepFailed {};

    /// Runs `body` as one step: true when it ran to its end. When it failed, what it did is
    /// undone, its text is failure(), and false is returned; in a straight attempt StepFailed
    /// leaves instead.
    template <typename Body> bool step(Body&& body)
    {
        if (!m_stepByStep) {
            try {
                body();
            } catch (const ConnectionError&) {
                throw;
            } catch (const DatabaseError&) {
                throw StepFailed{};
            }
            return true;
        }
        const QString savepoint = QStringLiteral("passo%1").arg(++m_steps);
        m_connection.setSavepoint(savepoint);
        try {
            body();
            return true;
        } catch (const ConnectionError&) {
            throw; // the transaction is gone with the connection
        } catch (const DatabaseError& error) {
            m_connection.rollbackToSavepoint(savepoint);
            m_failure = error.text();
            m_failureTransient = error.transient();
            m_failureMissingKey = error.missingUniqueKey();
            return false;
        }
    }

    const QString& failure() const { return m_failure; }
    /// The last failed step failed for a reason that may pass (DatabaseError::transient).
    bool failureTransient() const { return m_failureTransient; }
    /// The last failed step found no unique key to write on (DatabaseError::missingUniqueKey).
    bool failureMissingKey() const { return m_failureMissingKey; }

    bool readingStored = false;
    QStringList lines;

private:
    DatabaseConnection& m_connection;
    bool m_stepByStep;
    int m_steps = 0;
    QString m_failure;
    bool m_failureTransient = false;
    bool m_failureMissingKey = false;
};

DatabaseReadingStore::DatabaseReadingStore(TDTM& dataModule, const CollectorSettings& settings, Clock clock)
    : m_dm(dataModule), m_settings(settings), m_clock(std::move(clock))
{
}

StoreOutcome DatabaseReadingStore::StoreReading(const DeviceReading& reading)
{
    return StoreLive(reading).outcome;
}

DatabaseReadingStore::LiveResult DatabaseReadingStore::StoreLive(const DeviceReading& reading)
{
    return storeGuarded(Collected{reading, m_dm.identity(), m_settings, std::nullopt, {}});
}

StoreOutcome DatabaseReadingStore::StoreEarlier(const EarlierReading& earlier)
{
    return storeGuarded(
               Collected{earlier.reading, earlier.identity, earlier.settings, earlier.DataLog, earlier.IdLeitura})
        .outcome;
}

DatabaseReadingStore::Result DatabaseReadingStore::storeGuarded(const Collected& collected)
{
    m_collected = &collected;
    Result result;
    // A failure no inner guard catches ends the call silently; the walk goes on.
    Guarded([&] { result = store(collected); });
    m_collected = nullptr;
    return result;
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

DatabaseReadingStore::Result DatabaseReadingStore::store(const Collected& collected)
{
    const DeviceReading& r = collected.reading;
    const CollectorIdentity& id = collected.identity;
    const QueriesClosed closed(m_dm);

    if (!m_dm.ConnectDatabase())
        return {StoreOutcome::Unreachable, {}}; // the connection error is already logged

    const StoredKeys keys{StoredText(QStringLiteral("Chave"), Trim(id.Chave)),
                          StoredText(QStringLiteral("IDServ"), Trim(id.IDServ)),
                          StoredText(QStringLiteral("NSerie"), Trim(r.NSerie)),
                          StoredText(QStringLiteral("NSerie"), r.NSerie)};
    QDateTime sentWith; // once the writes may be on their way
    try {
        StoreOutcome failure = StoreOutcome::Failed;
        const std::optional<StoreStart> start = readStoreStart(keys, failure);
        if (!start)
            return {failure, {}};
        if (refusedByExclusion(*start, r))
            return {StoreOutcome::Refused, {}};
        sentWith = collected.DataLog.value_or(start->ServerNow);
        return {writeReading(r, keys, *start), {}};
    } catch (const ConnectionError& error) {
        // The connection failed, or a stop cancelled its work, before the device's transaction
        // committed: the server rolled it back, and nothing of this reading is stored. (A
        // statement the server refused is no connection failure: the rules of its step apply.)
        // Only a break during the commit itself leaves it unknown: `sentWith` lets the replay
        // look.
        m_dm.log().WriteLog(QStringLiteral("Erro ao Gravar Dados de Equipamento ") + DeviceNamed(r) +
                            QStringLiteral(": ") + error.text());
        return {StoreOutcome::Unreachable, sentWith};
    }
}

// Everything the store reads before it writes, in one statement (one round trip to a central
// server far away): the customer's Parametros row (whether failure alerts are on, their
// threshold and window), the server's clock, whether the collector or the device is on the
// exclusion list, and whether any device waits for the inoperative sweep. Nothing (and no
// write) when it fails: "Erro ao Buscar Parametros" when it is Parametros that cannot be read,
// silently otherwise; Unreachable in `failure` when the connection could not be reopened.
std::optional<DatabaseReadingStore::StoreStart> DatabaseReadingStore::readStoreStart(const StoredKeys& keys,
                                                                                     StoreOutcome& failure)
{
    const Dialect& dialect = m_dm.dialect();
    const QString serverNow = dialect.currentTime();
    SqlQuery& parametros = m_dm.QryParametros;
    bool read = false;
    try {
        read = m_dm.ReadOnWorkingConnection([&] {
            parametros.clearStatement();
            parametros.addLine(QStringLiteral("select P.*, ") + serverNow +
                               QStringLiteral(" as DataeHoraAtual,"));
            parametros.addLine(
                QStringLiteral("case when exists (select Idserv from exclusao where Idserv=:xIDServ) "
                               "then 1 else 0 end as ColetorExcluido,"));
            parametros.addLine(
                QStringLiteral("case when exists (select nSerie from exclusao where (chave=:xChave) "
                               "and (nSerie=:xNSerie)) then 1 else 0 end as EquipamentoExcluido,"));
            // Counted rather than asked with "exists": PostgreSQL would then scan the list hoping
            // to meet a match early, and there is usually none.
            parametros.addLine(
                QStringLiteral("case when (select count(*) from ListaEquipCli where (UltLog<") +
                dialect.daysBefore(serverNow, kInoperativeDays) +
                QStringLiteral(") and ((ultNotif is null) or (") +
                dialect.isEmptyText(QStringLiteral("UltNotif")) +
                QStringLiteral("))) > 0 then 1 else 0 end as Inoperantes"));
            parametros.addLine(
                QStringLiteral("from (select 1 as Um) U left join Parametros P on (P.chave=:xChave)"));
            parametros.bindText(QStringLiteral("xIDServ"), keys.IDServ);
            parametros.bindText(QStringLiteral("xChave"), keys.Chave);
            parametros.bindText(QStringLiteral("xNSerie"), keys.SerialAsRead);
            open(parametros);
        });
    } catch (const ConnectionError&) {
        throw;
    } catch (const DatabaseError&) {
        parametros.close();
        if (!canReadParametros(keys))
            m_dm.log().WriteLog(QStringLiteral("Erro ao Buscar Parametros"));
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
    const QDateTime localNow = m_clock();
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

// After the opening read failed: whether Parametros can be read at all.
bool DatabaseReadingStore::canReadParametros(const StoredKeys& keys)
{
    SqlQuery& parametros = m_dm.QryParametros;
    return Guarded([&] {
        parametros.clearStatement();
        parametros.addLine(QStringLiteral("Select * from Parametros"));
        parametros.addLine(QStringLiteral("where chave=:xChave"));
        parametros.bindText(QStringLiteral("xChave"), keys.Chave);
        open(parametros);
        parametros.close();
    });
}

// A collector on the exclusion list stores nothing, and says so for every device: it keeps
// running, so that taking it off the list needs no restart. One device of one customer on the
// list is neither stored nor swept.
bool DatabaseReadingStore::refusedByExclusion(const StoreStart& start, const DeviceReading& r)
{
    if (start.collectorExcluded) {
        m_dm.log().WriteLog(QStringLiteral("IdServiço na lista de Exceções, Dados Não Coletados. IdServ: ") +
                            EscapedText(identity().IDServ));
        return true;
    }
    if (start.deviceExcluded) {
        m_dm.log().WriteLog(QStringLiteral("Equipamento na lista de Exceções, Dados Não Coletados. Série: ") +
                            EscapedText(r.NSerie) + QStringLiteral(" Modelo: ") + EscapedText(r.Modelo) +
                            u'-' + EscapedText(r.Fabricante));
        return true;
    }
    return false;
}

// The device's writes are one transaction. When a step fails in the straight attempt, that
// attempt leaves nothing behind, and the writes run again step by step, so that the failing step
// alone is undone. A transaction that cannot be begun or committed stores nothing, and says so.
StoreOutcome DatabaseReadingStore::writeReading(const DeviceReading& r, const StoredKeys& keys,
                                                const StoreStart& start)
{
    Written written;
    try {
        try {
            written = attemptWrites(false, r, keys, start);
        } catch (const Attempt::StepFailed&) {
            written = attemptWrites(true, r, keys, start);
        }
    } catch (const ConnectionError&) {
        throw;
    } catch (const DatabaseError& error) {
        written.lines = {QStringLiteral("Erro ao Gravar Dados de Equipamento ") + DeviceNamed(r) +
                         QStringLiteral(": ") + error.text()};
        written.transient = error.transient();
    }
    for (const QString& line : written.lines)
        m_dm.log().WriteLog(line);
    if (written.readingStored)
        return StoreOutcome::Stored;
    // A lock held too long or a deadlock is no judgement on the reading: a caller that keeps
    // readings (the replay) must keep this one.
    return written.transient ? StoreOutcome::Failed : StoreOutcome::Refused;
}

DatabaseReadingStore::Written DatabaseReadingStore::attemptWrites(bool stepByStep, const DeviceReading& r,
                                                                  const StoredKeys& keys,
                                                                  const StoreStart& start)
{
    Transaction transaction(m_dm.ConexaoWeb);
    Attempt attempt(m_dm.ConexaoWeb, stepByStep);
    writeSteps(attempt, r, keys, start);
    transaction.commit();
    return {attempt.readingStored, attempt.lines, !attempt.readingStored && attempt.failureTransient()};
}

// The store's writes in their order, each guard as the rules have it: a reading row the server
// refuses is reported, and the device list, the last store and the alerts are left alone (they
// would say that a reading arrived); a failed rewrite is silent and the next step runs; a failed
// alert or sweep ends the store without its closing line, and what came before stays.
void DatabaseReadingStore::writeSteps(Attempt& attempt, const DeviceReading& r, const StoredKeys& keys,
                                      const StoreStart& start)
{
    // A reading taken earlier keeps its collection time in DataLog. The device list and the
    // collector's last store say when it reached the server: an outage longer than the sweep's
    // three days must not make every device look silent at the replay.
    const QDateTime DataLog = m_collected->DataLog.value_or(start.ServerNow);
    const bool stored = attempt.step([&] { insertReading(r, DataLog, start.today); });
    attempt.readingStored = stored;
    if (!stored) {
        attempt.lines << QStringLiteral("Erro ao Gravar Dados de Equipamento ") + DeviceNamed(r) +
                             QStringLiteral(": ") + attempt.failure();
    } else {
        if (!attempt.step([&] { rewriteEquipmentList(r, keys, start.ServerNow); }))
            tellMissingKeys(attempt);
        if (!attempt.step([&] { rewriteLastStore(r, keys, start.ServerNow); }))
            tellMissingKeys(attempt);
        if (start.alerts.NotifyFailures) {
            bool raised = false;
            if (!attempt.step([&] { raised = raiseFailureAlert(keys, start.alerts, start.ServerNow); }))
                return;
            if (raised)
                attempt.lines << QStringLiteral("Registro de alerta...");
        }
    }
    // The opening read saw whether any device waits: when none does, the sweep has nothing to do.
    if (start.silentDevicesWaiting && !sweepInoperative(attempt, start.ServerNow))
        return;
    if (stored)
        attempt.lines << QStringLiteral("Registro Concluído de Dados de Equipamento ") + DeviceNamed(r);
}

// A failed rewrite is silent, but not one that failed because the server lacks the unique keys
// its upsert writes on: then no device list or last store is ever written again, and after
// three days the sweep reports every device inoperative. Said at most once an hour.
void DatabaseReadingStore::tellMissingKeys(Attempt& attempt)
{
    if (!attempt.failureMissingKey())
        return;
    const QDateTime now = m_clock();
    if (m_missingKeysTold.isValid() && m_missingKeysTold.secsTo(now) < 3600 && m_missingKeysTold <= now)
        return;
    m_missingKeysTold = now;
    attempt.lines << QStringLiteral(
                         "ListaEquipCli e UltLog não gravados: o banco de dados central não tem as "
                         "chaves únicas; rode o script de atualização unique-keys (") +
                         attempt.failure() + u')';
}

// The reading row, its statement built from the column list.
void DatabaseReadingStore::insertReading(const DeviceReading& r, const QDateTime& DataLog, const QDate& today)
{
    QList<StoreColumn> columns = DadosOidColumns(r, identity(), settings(), DataLog, today);
    // Only a reading taken earlier has an identity of its own (the replay looks for it); a live
    // store sends the columns it always did.
    if (!m_collected->IdLeitura.isEmpty())
        columns.append({QStringLiteral("IdLeitura"), StoredText(QStringLiteral("IdLeitura"), m_collected->IdLeitura)});
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
    execute(dadosOid);
}

// The device's one ListaEquipCli row, written afresh (which also clears an inoperative report).
// One upsert on the unique nSerie: collectors that store the device at the same moment leave one
// row, the last one's, where a delete and an insert could leave one each.
void DatabaseReadingStore::rewriteEquipmentList(const DeviceReading& r, const StoredKeys& keys,
                                                const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    dadosOid.clearStatement();
    dadosOid.addLine(
        m_dm.dialect().upsert({QStringLiteral("ListaEquipCli"),
                               {QStringLiteral("nSerie")},
                               {QStringLiteral("Chave"), QStringLiteral("LocalInstal"),
                                QStringLiteral("nSerie"), QStringLiteral("Fabricante"),
                                QStringLiteral("Modelo"), QStringLiteral("IDServ"), QStringLiteral("UltLog"),
                                QStringLiteral("CodEmpresa"), QStringLiteral("IP"), QStringLiteral("Versao")},
                               {QStringLiteral("ultNotif")},
                               {}}));
    dadosOid.bindText(QStringLiteral("xChave"), keys.Chave);
    dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(identity(), r));
    dadosOid.bindText(QStringLiteral("xnSerie"), keys.NSerie);
    dadosOid.bindText(QStringLiteral("xFabricante"),
                      StoredText(QStringLiteral("Fabricante"), Trim(r.Fabricante)));
    dadosOid.bindText(QStringLiteral("xModelo"), StoredText(QStringLiteral("Modelo"), Trim(r.Modelo)));
    dadosOid.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    dadosOid.bindDateTime(QStringLiteral("xUltLog"), ServerNow);
    dadosOid.bindText(QStringLiteral("xCodEmpresa"),
                      StoredText(QStringLiteral("CodEmpresa"), Trim(settings().CodEmpresa)));
    dadosOid.bindText(QStringLiteral("xIP"), StoredText(QStringLiteral("IP"), Trim(r.IP)));
    dadosOid.bindText(QStringLiteral("xVersao"),
                      StoredText(QStringLiteral("Versao"), Trim(settings().VersionText)));
    execute(dadosOid);
}

// The collector's one UltLog row: when it last stored a reading. An upsert on the unique IDServ
// and Chave, for collectors that share one identity.
void DatabaseReadingStore::rewriteLastStore(const DeviceReading& r, const StoredKeys& keys,
                                            const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    dadosOid.clearStatement();
    dadosOid.addLine(m_dm.dialect().upsert({QStringLiteral("UltLog"),
                                            {QStringLiteral("IDServ"), QStringLiteral("Chave")},
                                            {QStringLiteral("IDServ"), QStringLiteral("Chave"),
                                             QStringLiteral("DataLOG"), QStringLiteral("LocalInstal")},
                                            {},
                                            {}}));
    dadosOid.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    dadosOid.bindText(QStringLiteral("xChave"), keys.Chave);
    dadosOid.bindDateTime(QStringLiteral("xDataLOG"), ServerNow);
    dadosOid.bindText(QStringLiteral("xLocalInstal"), LocalInstal(identity(), r));
    execute(dadosOid);
}

// One alert on the device's newest failure reading for this customer once its unnotified
// failures in the window reach the threshold; true when it was raised.
bool DatabaseReadingStore::raiseFailureAlert(const StoredKeys& keys, const FailureAlertSettings& alerts,
                                             const QDateTime& ServerNow)
{
    makeReadingsCountable(keys);
    if (countRecentFailures(keys, alerts.FailureWindowDays, ServerNow) < alerts.FailureThreshold)
        return false;
    // With a threshold of 0 or below, or one reached through rows stored under another customer
    // key, this customer may have no failure reading of the device: nothing to alert on.
    const std::optional<NewestReading> newest = newestReading(keys.NSerie, keys.Chave);
    if (!newest || hasAlert(keys.Chave, newest->Cod))
        return false;
    // Another collector of the key may have raised it since the check: then it is raised.
    if (!insertAlert(ServerNow, keys.Chave, newest->Cod, newest->IdServ))
        return false;
    markFailuresNotified(keys);
    return true;
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

// The failures that raised the alert no longer count towards the next one. Rows marked by an
// earlier alert are left as they are: rewriting them would change nothing but cost a write each.
void DatabaseReadingStore::markFailuresNotified(const StoredKeys& keys)
{
    SqlQuery& padrao = m_dm.QryPadrao;
    padrao.clearStatement();
    padrao.addLine(QStringLiteral("Update DadosOid set Notificado='S'"));
    padrao.addLine(QStringLiteral("where (IDServ=:xIDServ)"));
    padrao.addLine(QStringLiteral("and (falha<>'2-TUDO OK')"));
    padrao.addLine(QStringLiteral("and (NSerie=:xNSerie)"));
    padrao.addLine(QStringLiteral("and ((Notificado is null) or (Notificado<>'S'))"));
    padrao.bindText(QStringLiteral("xIDServ"), keys.IDServ);
    padrao.bindText(QStringLiteral("xNSerie"), keys.NSerie);
    execute(padrao);
}

// Devices of every customer not read for three days and not yet reported: each (not excluded)
// gets its newest reading marked inoperative and one open alert. False when a step of it failed:
// the store ends there, and the devices reported before stay reported.
bool DatabaseReadingStore::sweepInoperative(Attempt& attempt, const QDateTime& ServerNow)
{
    QList<QPair<QString, QString>> silent;
    if (!attempt.step([&] { silent = silentDevices(ServerNow); }))
        return false;
    for (const auto& [chave, nSerie] : silent) {
        if (!attempt.step([&] { sweepDevice(chave, nSerie, ServerNow); }))
            return false;
    }
    return true;
}

void DatabaseReadingStore::sweepDevice(const QString& chave, const QString& nSerie,
                                       const QDateTime& ServerNow)
{
    if (isDeviceExcluded(chave, nSerie))
        return;
    const std::optional<NewestReading> newest = newestReading(nSerie);
    if (newest && claimSilentDevice(nSerie, ServerNow))
        reportInoperative(chave, *newest, ServerNow);
}

// A device silent for kInoperativeDays and not yet reported: the sweep's list and its claim ask
// the same. `joiner` is "where" or "and", as the condition begins the clause or follows another.
void DatabaseReadingStore::addSilentCondition(SqlQuery& query, const QString& joiner, const QDateTime& ServerNow)
{
    query.addLine(joiner + QStringLiteral(" (UltLog<:xSilentSince)"));
    query.addLine(QStringLiteral("and((ultNotif is null) or (") +
                  m_dm.dialect().isEmptyText(QStringLiteral("UltNotif")) + QStringLiteral("))"));
    query.bindDateTime(QStringLiteral("xSilentSince"), ServerNow.addDays(-kInoperativeDays));
}

// Marks the device reported, if it is still silent and unreported: true when this store did it.
// Every collector sweeps every customer's devices; the first to mark one reports it, and the
// others, whose update waits for that one's commit and then finds the row marked, leave it.
bool DatabaseReadingStore::claimSilentDevice(const QString& nSerie, const QDateTime& ServerNow)
{
    SqlQuery& aux = m_dm.QryAux;
    aux.clearStatement();
    aux.addLine(QStringLiteral("Update ListaEquipCli set ultNotif=:xUltNotif"));
    aux.addLine(QStringLiteral("where (nSerie=:xNSerie)"));
    addSilentCondition(aux, QStringLiteral("and"), ServerNow);
    aux.bindDateTime(QStringLiteral("xUltNotif"), ServerNow);
    aux.bindText(QStringLiteral("xNSerie"), nSerie);
    execute(aux);
    return aux.rowsAffected() > 0;
}

// Chave and nSerie of the silent devices. The list is taken whole before the rows are worked on:
// the updates change the table it comes from, and SQLite gives no promise about a result walked
// while its table changes.
QList<QPair<QString, QString>> DatabaseReadingStore::silentDevices(const QDateTime& ServerNow)
{
    SqlQuery& dadosOid = m_dm.QryDadosOid;
    dadosOid.clearStatement();
    dadosOid.addLine(QStringLiteral("Select * from ListaEquipCli"));
    addSilentCondition(dadosOid, QStringLiteral("where"), ServerNow);
    dadosOid.addLine(QStringLiteral("Order by UltLog desc"));
    open(dadosOid);
    QList<QPair<QString, QString>> silent;
    for (; !dadosOid.atEnd(); dadosOid.next())
        silent.append({dadosOid.text(QStringLiteral("Chave")), dadosOid.text(QStringLiteral("nSerie"))});
    dadosOid.close();
    return silent;
}

// Replaces the open alerts of the newest reading by one inoperative alert and marks the reading
// "5-Inoperante" (the device is marked reported already: not swept again until a new reading
// rewrites it).
void DatabaseReadingStore::reportInoperative(const QString& chave, const NewestReading& newest,
                                             const QDateTime& ServerNow)
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
}

// One device of one customer on the exclusion list: the sweep leaves it alone.
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

// An open "FALHA" alert on the reading `cod`, unless the reading has one open already (one per
// reading and kind, kept so by the database): true when this one was written. The failure alert
// names the collector that stored the reading; the inoperative alert leaves IDSERV null.
bool DatabaseReadingStore::insertAlert(const QDateTime& ServerNow, const QString& chave, qint64 cod,
                                       const std::optional<QString>& idServ)
{
    SqlQuery& aux = m_dm.QryAux;
    aux.clearStatement();
    aux.addLine(m_dm.dialect().insertUnlessPresent(
        {QStringLiteral("alerta"),
         {QStringLiteral("IDDadosOid"), QStringLiteral("TipoAlerta")},
         {QStringLiteral("Data"), QStringLiteral("Chave"), QStringLiteral("TipoAlerta"),
          QStringLiteral("Situacao"), QStringLiteral("IDDadosOid"), QStringLiteral("IDSERV")},
         {},
         QStringLiteral("Situacao='Em Aberto'")}));
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
    return aux.rowsAffected() > 0;
}

} // namespace vorenta
