#include "OutageCycleDatabase.h"

#include "common/TextRules.h"

#include <exception>

namespace vorenta {

OutageCycleDatabase::OutageCycleDatabase(CycleDatabase& server, KeptSettings& kept, QueueHooks queue,
                                         const CollectorIdentity& identity, LogSink& log)
    : m_server(server), m_kept(kept), m_queue(std::move(queue)), m_identity(identity), m_log(log)
{
}

bool OutageCycleDatabase::ConnectDatabase()
{
    m_connected = m_server.ConnectDatabase();
    return m_connected;
}

void OutageCycleDatabase::ConnectionTested()
{
    m_queue.replay();
}

bool OutageCycleDatabase::LoadRanges(RangeTable& table)
{
    if (m_connected && m_server.LoadRanges(table)) {
        m_kept.keepRanges(m_identity, table);
        return true;
    }
    takeKeptRanges(table);
    return false;
}

// The ranges of the last load that worked, from the queue's file when it has them (a collector
// started during an outage has loaded nothing yet); else `table` keeps what it held.
void OutageCycleDatabase::takeKeptRanges(RangeTable& table)
{
    if (std::optional<RangeTable> kept = m_kept.keptRanges(m_identity))
        table = std::move(*kept);
    int filled = 0;
    for (int number = 1; number <= RangeTable::kSlots; ++number)
        filled += IsBlank(table.slot(number).StartIp) ? 0 : 1;
    if (table.RangesConfigured && filled > 0)
        m_log.WriteLog(QStringLiteral("Coletando as faixas de IP guardadas: %1").arg(filled));
    else
        m_log.WriteLog(QStringLiteral("Nenhuma faixa de IP guardada; nada coletado."));
}

int OutageCycleDatabase::WaitBetweenCycles(const StopSignal& stop)
{
    if (!m_connected)
        return restKeptMinutes(stop);
    int minutes = 0;
    try {
        minutes = m_server.WaitBetweenCycles(stop);
    } catch (const std::exception&) {
        // The server went away during the pass: rest as while it is away, rather than walk the
        // ranges again at once and queue every device twice. Any other failure ends the cycle.
        if (m_server.ConnectDatabase())
            throw;
        return restKeptMinutes(stop);
    }
    m_kept.keepPauseMinutes(minutes);
    return minutes;
}

int OutageCycleDatabase::restKeptMinutes(const StopSignal& stop)
{
    const int minutes = m_kept.keptPauseMinutes().value_or(kRestMinutesWithoutServer);
    RestBetweenCycles(minutes, m_log, stop);
    return minutes;
}

void OutageCycleDatabase::PassEnded()
{
    m_queue.passEnded();
}

} // namespace vorenta
