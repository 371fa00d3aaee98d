#include "CollectionCycle.h"

#include "common/TextRules.h"

namespace vorenta {

CollectionCycle::CollectionCycle(const CollectorIdentity& identity, CycleDatabase& database,
                                 AddressWalk& walk, LocalAddressLookup localAddress, LogSink& log,
                                 const StopSignal& stop)
    : m_identity(identity), m_database(database), m_walk(walk), m_localAddress(std::move(localAddress)),
      m_log(log), m_stop(stop)
{
}

void CollectionCycle::rest(bool restAfterCycle)
{
    m_database.PassEnded();
    if (!restAfterCycle || m_stop.requested())
        return;
    m_database.WaitBetweenCycles(m_stop);
}

void CollectionCycle::passEnded(const QString& status)
{
    if (m_passEnded)
        m_passEnded(status);
}

// The pass's line, after its last address and before the rest.
void CollectionCycle::passWalked(std::chrono::steady_clock::time_point started)
{
    const auto wallTime = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - started);
    const QString line = PassSummaryLine(m_walk.TakeTally(), wallTime, m_stop.requested());
    m_log.WriteLog(line);
    passEnded(line);
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

void CollectionCycle::RunCycle(bool restAfterCycle)
{
    const auto started = m_clock();
    m_walk.TakeTally(); // what a cycle cut short by an exception counted is not this pass's
    m_log.WriteLog(QStringLiteral("Iniciando busca de Equipamentos"));
    if (!m_identity.isComplete()) {
        // An empty key selects no range, and the cycle would then scan the local network for a
        // collector that belongs to nobody.
        const QString line = QStringLiteral(
            "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada.");
        m_log.WriteLog(line);
        passEnded(line);
        // Rest as after a scan: a pass every 5 seconds would fill the log in a day and the
        // 50000-line restart would erase its history.
        if (restAfterCycle)
            m_stop.waitFor(kRestWithoutIdentity);
        return;
    }
    m_localIp = m_localAddress();

    if (m_database.ConnectDatabase()) {
        m_log.WriteLog(QStringLiteral("Teste de Conexão OK"));
        m_database.ConnectionTested();
    } else if (!m_database.WalksWithoutConnection()) {
        // The embedded database lives on this machine: a failure there is a disk fault.
        passEnded(
            QStringLiteral("Sem conexão com o banco de dados; nenhuma busca realizada (veja LOG.TXT)."));
        return;
    }

    // A database that walks without a connection loads no ranges from it (false) and gives the
    // ones it kept instead.
    const bool loaded = m_database.LoadRanges(m_ranges);
    if (m_ranges.RangesConfigured) {
        // After a failed load these are the ranges of the last load that worked.
        walkRanges();
        passWalked(started);
        rest(restAfterCycle);
    } else if (!loaded) {
        // The ranges could not be read (logged): that is no reason to scan this machine's network.
        passEnded(QStringLiteral(
            "Faixas de IP não lidas do banco de dados; nenhuma busca realizada (veja LOG.TXT)."));
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
        passWalked(started);
        rest(restAfterCycle);
    }
}

} // namespace vorenta
