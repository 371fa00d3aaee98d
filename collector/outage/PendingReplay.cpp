#include "PendingReplay.h"

#include "collector/database/DadosOidColumns.h"
#include "collector/database/TDTM.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"

#include <algorithm>

namespace vorenta {

namespace {

/// The reading as the replay's lines name it: "IP NSerie".
QString Named(const DeviceReading& reading)
{
    return EscapedText(Trim(reading.IP) + u' ' + Trim(reading.NSerie));
}

} // namespace

PendingReplay::PendingReplay(TDTM& dataModule, PendingStore& store, PendingQueue& queue, LogSink& log,
                             QueueClock clock)
    : m_dm(dataModule), m_store(store), m_queue(queue), m_log(log), m_clock(std::move(clock)),
      m_query(dataModule.ConexaoWeb)
{
}

void PendingReplay::ReplayPending(const StopSignal& stop)
{
    m_queue.dropExpired();
    if (!m_queue.hasWaiting())
        return;
    const std::optional<ServerClock> clock = serverClock();
    if (!clock || !serverTakesIdentities())
        return; // no date would be right, or no row could be found again: the readings wait
    qint64 sent = 0;
    while (!stop.requested() && sendBatch(*clock, stop, sent)) {
    }
    m_log.WriteLog(QStringLiteral("Leituras pendentes enviadas: %1").arg(sent));
    if (stop.requested() || !m_queue.hasWaiting())
        return;
    // The store, the queue's file or the look-up said why in its own line just before.
    m_log.WriteLog(QStringLiteral("Envio de leituras pendentes interrompido; %1 aguardam o próximo ciclo")
                       .arg(m_queue.count()));
}

// The next readings, a batch at a time: the server is asked, in one statement, which of them it
// holds already (a replay before this one was cut short after their commit), those leave the
// queue unsent, the others are sent, and all that the server now holds (or refused) are removed
// together. Nothing is written to the queue before a send: a full disk or a file of another user
// cannot make a reading go twice, only wait. True when the replay goes on.
bool PendingReplay::sendBatch(const ServerClock& clock, const StopSignal& stop, qint64& sent)
{
    // A replay of a long outage may outlast the service's watchdog: each batch is progress.
    stop.heartbeat();
    QList<PendingReading> batch = m_queue.oldest(kBatch);
    if (batch.isEmpty())
        return false;
    const std::optional<QSet<QString>> held = heldByServer(batch);
    if (!held)
        return false;
    QList<qint64> done;
    bool goOn = true;
    for (qsizetype i = 0; i < batch.size() && goOn; ++i) {
        PendingReading& pending = batch[i];
        goOn = !stop.requested();
        if (!goOn)
            break;
        if (held->contains(pending.IdLeitura)) {
            ++sent;
            m_log.WriteLog(QStringLiteral("Leitura pendente já gravada, não reenviada: ") + Named(pending.reading));
        } else {
            const QDateTime DataLog = clock.serverNow.addSecs(-ElapsedSeconds(pending.collected(), clock.localNow));
            goOn = send(pending, DataLog, sent);
        }
        if (goOn)
            done.append(pending.Id);
    }
    if (!done.isEmpty() && !m_queue.remove(done))
        return false; // what stays is found on the server by the next replay
    return goOn;
}

// The server's clock and ours at the same moment, read once per replay.
std::optional<PendingReplay::ServerClock> PendingReplay::serverClock()
{
    try {
        m_query.setStatement(Statement::ServerTime);
        m_query.open();
        const QDateTime serverNow = m_query.dateTime(QStringLiteral("DataeHoraAtual"));
        m_query.close();
        if (!serverNow.isValid())
            throw DatabaseError(QStringLiteral("hora do servidor vazia"));
        return ServerClock{serverNow, m_clock()};
    } catch (const DatabaseError& error) {
        m_query.close();
        m_log.WriteLog(QStringLiteral("Leituras pendentes não enviadas, hora do servidor ilegível: ") +
                       error.text());
        return std::nullopt;
    }
}

// A server not yet upgraded has no DadosOid.IdLeitura: every replayed insert would be refused,
// and the reading dropped as refused. The readings wait until it has one.
bool PendingReplay::serverTakesIdentities()
{
    try {
        m_query.setStatement(Statement::IdLeituraColumn);
        m_query.open();
        m_query.close();
        return true;
    } catch (const DatabaseError& error) {
        m_query.close();
        if (dynamic_cast<const ConnectionError*>(&error) || error.transient()) {
            m_log.WriteLog(QStringLiteral("Leituras pendentes não enviadas: ") + error.text());
            return false;
        }
        m_log.WriteLog(QStringLiteral("Leituras pendentes não enviadas: o banco de dados central não tem a coluna "
                                      "DadosOid.IdLeitura; rode o script de atualização idleitura (") +
                       error.text() + u')');
    }
    return false;
}

// The IdLeitura of the readings of `batch` that the central database holds; nothing when it
// cannot be asked (logged). A reading whose live store broke during its commit went without an
// IdLeitura: it is looked for by its keys, and stands in the set under its IdLeitura when found.
std::optional<QSet<QString>> PendingReplay::heldByServer(const QList<PendingReading>& batch)
{
    QSet<QString> held;
    try {
        m_query.setStatement(Statement::HeldReadings);
        for (qsizetype i = 0; i < kHeldReadingsBatch; ++i)
            m_query.bindText(QStringLiteral("xId%1").arg(i), batch[std::min<qsizetype>(i, batch.size() - 1)].IdLeitura);
        m_query.open();
        for (; !m_query.atEnd(); m_query.next())
            held.insert(m_query.text(QStringLiteral("IdLeitura")));
        m_query.close();
        for (const PendingReading& pending : batch)
            if (pending.SentWithoutId && storedWithoutId(pending))
                held.insert(pending.IdLeitura);
        return held;
    } catch (const DatabaseError& error) {
        m_query.close();
        m_log.WriteLog(QStringLiteral("Leituras pendentes não enviadas, não foi possível verificar o que o "
                                      "servidor já tem: ") +
                       error.text());
        return std::nullopt;
    }
}

// A live store's row: the collector, serial and address, and the second around DataLog, because
// SQL Server keeps the milliseconds of the server time it was stored with. Throws DatabaseError.
bool PendingReplay::storedWithoutId(const PendingReading& pending)
{
    m_query.setStatement(Statement::StoredWithoutId);
    m_query.bindText(QStringLiteral("xIDServ"), StoredText(QStringLiteral("IDServ"), Trim(pending.identity.IDServ)));
    m_query.bindText(QStringLiteral("xChave"), StoredText(QStringLiteral("Chave"), Trim(pending.identity.Chave)));
    m_query.bindText(QStringLiteral("xNSerie"), StoredText(QStringLiteral("NSerie"), Trim(pending.reading.NSerie)));
    m_query.bindText(QStringLiteral("xIP"), StoredText(QStringLiteral("IP"), Trim(pending.reading.IP)));
    m_query.bindDateTime(QStringLiteral("xFrom"), pending.DataLog);
    m_query.bindDateTime(QStringLiteral("xUntil"), pending.DataLog.addSecs(1));
    m_query.open();
    const bool found = m_query.hasRows();
    m_query.close();
    return found;
}

// One reading the server does not hold: true when it left the queue's hands (the server holds
// it now, or refused it) and the replay goes on. `sent` counts the readings the server now holds.
bool PendingReplay::send(const PendingReading& pending, const QDateTime& DataLog, qint64& sent)
{
    switch (m_store.StorePending(pending, DataLog)) {
    case StoreOutcome::Stored:
        ++sent;
        return true;
    case StoreOutcome::Refused:
        return true;
    case StoreOutcome::Failed:
    case StoreOutcome::Unreachable:
    case StoreOutcome::Queued:
        break;
    }
    return false;
}

} // namespace vorenta
