#include "QueueingReadingStore.h"

#include "common/TextRules.h"

namespace vorenta {

QueueingReadingStore::QueueingReadingStore(DatabaseReadingStore& store, PendingQueue& queue,
                                           const CollectorIdentity& identity, const CollectorSettings& settings,
                                           LogSink& log)
    : m_store(store), m_queue(queue), m_identity(identity), m_settings(settings), m_log(log)
{
}

StoreOutcome QueueingReadingStore::StoreReading(const DeviceReading& reading)
{
    if (m_queue.hasWaiting()) {
        if (keepForLater(reading, {}))
            return StoreOutcome::Queued;
        if (!m_saidDirect) {
            m_saidDirect = true;
            m_log.WriteLog(QStringLiteral("Fila de leituras pendentes indisponível; as leituras desta busca vão "
                                          "direto ao servidor, fora da ordem da fila"));
        }
    }
    const DatabaseReadingStore::LiveResult result = m_store.StoreLive(reading);
    if (result.outcome != StoreOutcome::Unreachable)
        return result.outcome;
    if (keepForLater(reading, result.sentWith))
        return StoreOutcome::Queued;
    m_log.WriteLog(QStringLiteral("Leitura perdida, não foi possível guardá-la para envio posterior: ") +
                   EscapedText(Trim(reading.IP) + u' ' + Trim(reading.NSerie)));
    return StoreOutcome::Unreachable;
}

// Taken now, on this collector's clock; with the DataLog of a live store whose commit may have
// reached the server before the connection broke, so that the replay looks for its row first.
bool QueueingReadingStore::keepForLater(const DeviceReading& reading, const QDateTime& sentWith)
{
    PendingReading pending;
    pending.identity = m_identity;
    pending.settings = m_settings;
    pending.reading = reading;
    pending.DataLog = sentWith;
    pending.SentWithoutId = sentWith.isValid();
    return m_queue.enqueue(std::move(pending));
}

StoreOutcome QueueingReadingStore::StorePending(const PendingReading& pending, const QDateTime& DataLog)
{
    return m_store.StoreEarlier({pending.reading, pending.identity, pending.settings, DataLog, pending.IdLeitura});
}

} // namespace vorenta
