#include "DatabaseReadingStore.h"

#include "collector/database/DadosOidColumns.h"
#include "collector/database/TDTM.h"
#include "collector/database/store/FailureAlert.h"
#include "collector/database/store/InoperativeSweep.h"
#include "collector/database/store/ReadingRows.h"
#include "collector/database/store/StoreStart.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"
#include "common/database/StepTransaction.h"

namespace vorenta {

namespace {

/// The device as the store's closing lines name it: address, manufacturer and model as read.
QString DeviceNamed(const DeviceReading& r)
{
    return EscapedText(r.IP + u' ' + r.Fabricante + u' ' + r.Modelo);
}

QString NotStoredLine(const DeviceReading& r, const QString& why)
{
    return QStringLiteral("Erro ao Gravar Dados de Equipamento ") + DeviceNamed(r) + QStringLiteral(": ") + why;
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
    : m_dm(dataModule), m_settings(settings), m_clock(std::move(clock)), m_sql(dataModule)
{
}

StoreOutcome DatabaseReadingStore::StoreReading(const DeviceReading& reading)
{
    return StoreLive(reading).outcome;
}

DatabaseReadingStore::LiveResult DatabaseReadingStore::StoreLive(const DeviceReading& reading)
{
    LiveResult result;
    // A failure no inner guard catches ends the call silently; the walk goes on.
    Guarded([&] { result = store(StoreRequest{reading, m_dm.identity(), m_settings, std::nullopt, {}}); });
    return result;
}

StoreOutcome DatabaseReadingStore::StoreEarlier(const EarlierReading& earlier)
{
    LiveResult result;
    Guarded([&] {
        result = store(
            StoreRequest{earlier.reading, earlier.identity, earlier.settings, earlier.DataLog, earlier.IdLeitura});
    });
    return result.outcome;
}

DatabaseReadingStore::LiveResult DatabaseReadingStore::store(const StoreRequest& request)
{
    const DeviceReading& r = request.reading;
    const CollectorIdentity& id = request.identity;
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
        const std::optional<StoreStart> start = ReadStoreStart(m_sql, keys, m_clock, failure);
        if (!start)
            return {failure, {}};
        const StoreContext context{m_sql, request, keys, *start};
        if (RefusedByExclusion(context))
            return {StoreOutcome::Refused, {}};
        sentWith = request.DataLog.value_or(start->ServerNow);
        return {writeReading(context), {}};
    } catch (const ConnectionError& error) {
        // The connection failed, or a stop cancelled its work, before the device's transaction
        // committed: the server rolled it back, and nothing of this reading is stored. (A
        // statement the server refused is no connection failure: the rules of its step apply.)
        // Only a break during the commit itself leaves it unknown: `sentWith` lets the replay
        // look.
        m_dm.log().WriteLog(NotStoredLine(r, error.text()));
        return {StoreOutcome::Unreachable, sentWith};
    }
}

// The device's writes are one transaction of steps. A transaction that cannot be begun or
// committed stores nothing, and says so.
StoreOutcome DatabaseReadingStore::writeReading(const StoreContext& store)
{
    Written written;
    bool transientFailure = false;
    const StepTransactionResult transaction = RunStepTransaction(m_dm.ConexaoWeb, [&](TransactionSteps& steps) {
        written = Written{};
        writeSteps(steps, store, written);
        transientFailure = !written.readingStored && steps.failureTransient();
    });
    if (!transaction.committed) {
        written = Written{false, {NotStoredLine(store.request.reading, transaction.failure)}, std::nullopt};
        transientFailure = transaction.transient;
    }
    for (const QString& line : written.lines)
        m_dm.log().WriteLog(line);
    if (written.missingKeysTold)
        m_missingKeysTold = *written.missingKeysTold;
    if (written.readingStored)
        return StoreOutcome::Stored;
    // A lock held too long or a deadlock is no judgement on the reading: a caller that keeps
    // readings (the replay) must keep this one.
    return transientFailure ? StoreOutcome::Failed : StoreOutcome::Refused;
}

// The store's writes in their order, each guard as the rules have it: a reading row the server
// refuses is reported, and the device list, the last store and the alerts are left alone (they
// would say that a reading arrived); a failed rewrite is silent and the next step runs; a failed
// alert or sweep ends the store without its closing line, and what came before stays.
void DatabaseReadingStore::writeSteps(TransactionSteps& steps, const StoreContext& store, Written& written)
{
    const DeviceReading& r = store.request.reading;
    written.readingStored = steps.step([&] { InsertReading(store); });
    if (!written.readingStored) {
        written.lines << NotStoredLine(r, steps.failure());
    } else {
        if (!steps.step([&] { RewriteEquipmentList(store); }))
            tellMissingKeys(steps, written);
        if (!steps.step([&] { RewriteLastStore(store); }))
            tellMissingKeys(steps, written);
        if (store.start.alerts.NotifyFailures) {
            bool raised = false;
            if (!steps.step([&] { raised = RaiseFailureAlert(store); }))
                return;
            if (raised)
                written.lines << QStringLiteral("Registro de alerta...");
        }
    }
    // The opening read saw whether any device waits: when none does, the sweep has nothing to do.
    if (store.start.silentDevicesWaiting && !SweepInoperative(steps, store))
        return;
    if (written.readingStored)
        written.lines << QStringLiteral("Registro Concluído de Dados de Equipamento ") + DeviceNamed(r);
}

// A failed rewrite is silent, but not one that failed because the server lacks the unique keys
// its upsert writes on: then no device list or last store is ever written again, and after
// three days the sweep reports every device inoperative. Said at most once an hour, once a store;
// the hour starts when the line is logged (a straight run that is redone logs nothing).
void DatabaseReadingStore::tellMissingKeys(const TransactionSteps& steps, Written& written)
{
    if (!steps.failureMissingKey() || written.missingKeysTold)
        return;
    const QDateTime now = m_clock();
    if (m_missingKeysTold.isValid() && m_missingKeysTold.secsTo(now) < 3600 && m_missingKeysTold <= now)
        return;
    written.missingKeysTold = now;
    written.lines << QStringLiteral(
                         "ListaEquipCli e UltLog não gravados: o banco de dados central não tem as "
                         "chaves únicas; rode o script de atualização unique-keys (") +
                         steps.failure() + u')';
}

} // namespace vorenta
