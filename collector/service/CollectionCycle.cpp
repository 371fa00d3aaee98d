#include "CollectionCycle.h"

#include "common/TextRules.h"

#include <exception>

namespace vorenta {

CollectionCycle::CollectionCycle(const CollectorIdentity& identity, CycleDatabase& database,
                                 AddressWalk& walk, LocalAddressLookup localAddress, LogSink& log,
                                 const StopSignal& stop, PendingQueue* pending, ReplayPending replayPending)
    : m_identity(identity), m_database(database), m_walk(walk), m_localAddress(std::move(localAddress)),
      m_log(log), m_stop(stop), m_pending(pending), m_replayPending(std::move(replayPending))
{
}

void CollectionCycle::rest(bool restAfterCycle)
{
    if (m_pending)
        m_pending->reportPass();
    if (!restAfterCycle || m_stop.requested())
        return;
    if (!m_pending) {
        m_database.WaitBetweenCycles(m_stop);
        return;
    }
    int minutes = 0;
    try {
        minutes = m_database.WaitBetweenCycles(m_stop);
    } catch (const std::exception&) {
        // The server went away during the pass: rest as while it is away, rather than walk the
        // ranges again at once and queue every device twice. Any other failure ends the cycle.
        if (m_database.ConnectDatabase())
            throw;
        restKeptMinutes(restAfterCycle);
        return;
    }
    m_pending->keepPauseMinutes(minutes);
}

void CollectionCycle::walkRanges()
{
    for (int number = 1; number <= RangeTable::kSlots && !m_stop.requested(); ++number) {
        const RangeSlot& slot = m_ranges.slot(number);
        if (IsBlank(slot.StartIp))
            continue;
        try {
            m_walk.WalkRange(slot.StartIp, slot.EndIp);
        } catch (const RangeWalkError&) {
            m_log.WriteLog(QStringLiteral("Erro ao capturar dados de : ") + EscapedText(slot.StartIp));
        }
    }
    m_walk.FinishWalk();
}

// The ranges of the last load that worked, from the queue's file when it has them (a collector
// started during an outage has loaded nothing yet).
void CollectionCycle::takeKeptRanges()
{
    if (std::optional<RangeTable> kept = m_pending->keptRanges(m_identity))
        m_ranges = std::move(*kept);
    int filled = 0;
    for (int number = 1; number <= RangeTable::kSlots; ++number)
        filled += IsBlank(m_ranges.slot(number).StartIp) ? 0 : 1;
    if (m_ranges.RangesConfigured && filled > 0)
        m_log.WriteLog(QStringLiteral("Coletando as faixas de IP guardadas: %1").arg(filled));
    else
        m_log.WriteLog(QStringLiteral("Nenhuma faixa de IP guardada; nada coletado."));
}

// The server cannot be reached: the kept ranges, never the local network (which only "no range
// configured", read from the server, may send the collector to).
void CollectionCycle::walkWithoutServer(bool restAfterCycle)
{
    takeKeptRanges();
    if (m_ranges.RangesConfigured)
        walkRanges();
    m_pending->reportPass();
    restKeptMinutes(restAfterCycle);
}

void CollectionCycle::restKeptMinutes(bool restAfterCycle)
{
    if (!restAfterCycle || m_stop.requested())
        return;
    RestBetweenCycles(m_pending->keptPauseMinutes().value_or(kRestMinutesWithoutServer), m_log, m_stop);
}

void CollectionCycle::RunCycle(bool restAfterCycle)
{
    m_log.WriteLog(QStringLiteral("Iniciando busca de Equipamentos"));
    if (!m_identity.isComplete()) {
        // An empty key selects no range, and the cycle would then scan the local network for a
        // collector that belongs to nobody.
        m_log.WriteLog(QStringLiteral(
            "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada."));
        // Rest as after a scan: a pass every 5 seconds would fill the log in a day and the
        // 50000-line restart would erase its history.
        if (restAfterCycle)
            m_stop.waitFor(kRestWithoutIdentity);
        return;
    }
    m_localIp = m_localAddress();

    if (!m_database.ConnectDatabase()) {
        // The embedded database lives on this machine: a failure there is a disk fault, and the
        // cycle ends. A central server may be out of reach for hours: the pass goes on.
        if (m_pending)
            walkWithoutServer(restAfterCycle);
        return;
    }
    m_log.WriteLog(QStringLiteral("Teste de Conexão OK"));
    if (m_replayPending)
        m_replayPending();

    const bool loaded = m_database.LoadRanges(m_ranges);
    if (m_pending) {
        if (loaded)
            m_pending->keepRanges(m_identity, m_ranges);
        else
            takeKeptRanges();
    }

    if (m_ranges.RangesConfigured) {
        // After a failed load these are the ranges of the last load that worked.
        walkRanges();
        rest(restAfterCycle);
    } else if (!loaded) {
        // The ranges could not be read (logged): that is no reason to scan this machine's network.
        rest(restAfterCycle);
    } else if (!m_localIp.isEmpty()) {
        const std::optional<DottedAddress> local = ParseDottedAddress(m_localIp);
        if (!local) {
            m_log.WriteLog(QStringLiteral("Endereço IP local inválido, rede local não coletada: ") +
                           EscapedText(m_localIp));
            return;
        }
        const QString prefix = local->prefix();
        m_walk.SetCurrentPrefix(prefix);
        m_log.WriteLog(QStringLiteral("Sem faixa de IP criada: ") + prefix);
        m_walk.CollectRange(2, 255);
        m_walk.FinishWalk();
        rest(restAfterCycle);
    }
}

} // namespace vorenta
