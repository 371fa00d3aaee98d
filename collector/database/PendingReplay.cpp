#include "PendingReplay.h"

#include "collector/database/DadosOidColumns.h"
#include "collector/database/TDTM.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"

namespace vorenta {

namespace {

/// The reading as the replay's lines name it: "IP NSerie".
QString Named(const DeviceReading& reading)
{
    return EscapedText(Trim(reading.IP) + u' ' + Trim(reading.NSerie));
}

} // namespace

PendingReplay::PendingReplay(TDTM& dataModule, PendingStore& store, PendingQueue& queue, LogSink& log,
                             Clock clock)
    : m_dm(dataModule), m_store(store), m_queue(queue), m_log(log), m_clock(std::move(clock)),
      m_query(dataModule.ConexaoWeb)
{
}

void PendingReplay::ReplayPending(const StopSignal& stop)
{
    m_queue.dropExpired();
    if (!m_queue.hasWaiting())
        return;
    const std::optional<qint64> offset = serverOffsetSeconds();
    if (!offset)
        return; // no date would be right: the readings wait for the next cycle
    qint64 sent = 0;
    while (!stop.requested() && sendBatch(*offset, stop, sent)) {
    }
    m_log.WriteLog(QStringLiteral("Leituras pendentes enviadas: %1").arg(sent));
}

// The next readings, a batch at a time: their marks written in one synced transaction before
// the first goes, and the ones the server now holds (or refused) removed together after. A
// removal needs no sync of its own: a reading left behind by a crash is marked, and found.
// True when the replay goes on.
bool PendingReplay::sendBatch(qint64 offsetSeconds, const StopSignal& stop, qint64& sent)
{
    QList<PendingReading> batch = m_queue.oldest(kBatch);
    if (batch.isEmpty())
        return false;
    QList<PendingReading> unmarked;
    QList<bool> markedBefore;
    for (PendingReading& pending : batch) {
        markedBefore.append(pending.DataLog.isValid());
        if (!pending.DataLog.isValid()) {
            pending.DataLog = pending.ColetadoEm.addSecs(offsetSeconds);
            unmarked.append(pending);
        }
    }
    if (!unmarked.isEmpty() && !m_queue.markSending(unmarked))
        return false; // unmarked, a send could not be told from none after a crash
    QList<qint64> done;
    bool goOn = true;
    for (qsizetype i = 0; i < batch.size() && goOn; ++i) {
        goOn = !stop.requested() && send(batch[i], markedBefore[i], sent);
        if (goOn)
            done.append(batch[i].Id);
    }
    if (!done.isEmpty() && !m_queue.remove(done))
        return false; // what stays is marked: the next replay finds it on the server
    return goOn;
}

// Seconds to add to the collector's clock to get the server's, measured once per replay.
std::optional<qint64> PendingReplay::serverOffsetSeconds()
{
    try {
        m_query.clearStatement();
        m_query.addLine(m_dm.dialect().currentTimeStatement());
        m_query.open();
        const QDateTime serverNow = m_query.dateTime(QStringLiteral("DataeHoraAtual"));
        m_query.close();
        if (!serverNow.isValid())
            throw DatabaseError(QStringLiteral("hora do servidor vazia"));
        return m_clock().secsTo(serverNow);
    } catch (const DatabaseError& error) {
        m_query.close();
        m_log.WriteLog(QStringLiteral("Leituras pendentes não enviadas, hora do servidor ilegível: ") +
                       error.text());
        return std::nullopt;
    }
}

// Whether the central database holds the row a send of `pending` with its DataLog wrote;
// nothing when it cannot be asked. The second around DataLog, because SQL Server keeps the
// milliseconds of a live store's server time.
std::optional<bool> PendingReplay::isStored(const PendingReading& pending)
{
    try {
        m_query.clearStatement();
        m_query.addLine(QStringLiteral("select Cod from DadosOid"));
        m_query.addLine(QStringLiteral("where (IDServ=:xIDServ) and (Chave=:xChave) and (NSerie=:xNSerie)"));
        m_query.addLine(QStringLiteral("and (DataLog>=:xFrom) and (DataLog<:xUntil)"));
        m_query.bindText(QStringLiteral("xIDServ"),
                         StoredText(QStringLiteral("IDServ"), Trim(pending.identity.IDServ)));
        m_query.bindText(QStringLiteral("xChave"),
                         StoredText(QStringLiteral("Chave"), Trim(pending.identity.Chave)));
        m_query.bindText(QStringLiteral("xNSerie"),
                         StoredText(QStringLiteral("NSerie"), Trim(pending.reading.NSerie)));
        m_query.bindDateTime(QStringLiteral("xFrom"), pending.DataLog);
        m_query.bindDateTime(QStringLiteral("xUntil"), pending.DataLog.addSecs(1));
        m_query.open();
        const bool found = m_query.hasRows();
        m_query.close();
        return found;
    } catch (const DatabaseError&) {
        m_query.close();
        return std::nullopt;
    }
}

// One reading, marked with its DataLog: true when it left the queue's hands (the server holds
// it, or refused it) and the replay goes on. `sent` counts the readings the server now holds.
bool PendingReplay::send(const PendingReading& pending, bool markedBefore, qint64& sent)
{
    if (markedBefore) {
        const std::optional<bool> stored = isStored(pending);
        if (!stored)
            return false;
        if (*stored) {
            ++sent;
            m_log.WriteLog(QStringLiteral("Leitura pendente já gravada, não reenviada: ") +
                           Named(pending.reading));
            return true;
        }
    }
    switch (m_store.StorePending(pending, pending.DataLog)) {
    case StoreOutcome::Stored:
        ++sent;
        return true;
    case StoreOutcome::Refused:
        return true;
    case StoreOutcome::Failed:
    case StoreOutcome::Unreachable:
        break;
    }
    return false;
}

} // namespace vorenta
