#include "TDTM.h"

#include "common/IpRange.h"
#include "common/StopSignal.h"
#include "common/TextRules.h"
#include "common/database/DatabaseError.h"

#include <QRegularExpression>
#include <QStringList>

#include <chrono>

namespace vorenta {

TDTM::TDTM(DatabaseSettings settings, CollectorIdentity identity, LogSink& log)
    : ConexaoWeb(std::move(settings)), m_identity(std::move(identity)), m_log(log)
{
}

bool TDTM::ConnectDatabase()
{
    // The pass keeps one connection: checked without a round trip, opened again only when it is
    // closed or found broken.
    if (ConexaoWeb.isUsable())
        return true;
    return ReconnectDatabase();
}

bool TDTM::ReconnectDatabase()
{
    try {
        ConexaoWeb.open();
        return true;
    } catch (const DatabaseError& error) {
        m_log.WriteLog(QStringLiteral("Erro de conexão. : ") + error.text());
        return false;
    }
}

bool TDTM::LoadRanges(RangeTable& table)
{
    if (!ConnectDatabase())
        return false;
    m_log.WriteLog(QStringLiteral("Buscando Range de IP Chave: ") + m_identity.Chave +
                   QStringLiteral(" IdServ:") + m_identity.IDServ);
    try {
        const bool read = ReadOnWorkingConnection([&] {
            QryBuscaRange.setStatement(Statement::RangesOfCollector);
            QryBuscaRange.bindText(QStringLiteral("xChave"), m_identity.Chave);
            QryBuscaRange.bindText(QStringLiteral("xIDServ"), m_identity.IDServ);
            QryBuscaRange.open();
        });
        if (!read)
            return false; // the connection could not be reopened (logged)

        // Filled aside and taken as a whole: a load that fails half-way leaves the previous
        // ranges, and slots the current rows do not fill are empty, so a range deleted from
        // RangeIP is no longer walked.
        RangeTable loaded;
        loaded.RangesConfigured = QryBuscaRange.hasRows();
        qint64 rows = 0;
        QList<IpRange> accepted;
        QStringList refusals;
        for (; !QryBuscaRange.atEnd(); QryBuscaRange.next()) {
            const QString start = QryBuscaRange.text(QStringLiteral("IPINI"));
            const QString end = QryBuscaRange.text(QStringLiteral("IPFIN"));
            if (!IsBlank(start)) {
                const IpRangeVerdict verdict = CheckIpRange(start, end, accepted, IpRangeEnd::HostPastNetwork);
                if (verdict.ok())
                    accepted.append(*verdict.range);
                // An inverted range is reported by the walk, which visits nothing for it.
                else if (verdict.problem != IpRangeProblem::EndBeforeStart)
                    refusals.append(QStringLiteral("Range de IP recusado: ") + EscapedText(start) +
                                    QStringLiteral(" - ") + EscapedText(end) + QStringLiteral(": ") +
                                    verdict.reason);
                // The same hosts again would store every printer twice a pass. A range that only
                // partly overlaps is still walked: leaving it out would lose the hosts of its own.
                if (verdict.coveredByListed)
                    continue;
            }
            if (++rows > RangeTable::kSlots)
                continue; // counted for the line below
            RangeSlot& slot = loaded.slot(static_cast<int>(rows));
            slot.StartIp = start;
            slot.EndIp = end;
        }
        QryBuscaRange.close();
        m_log.WriteLog(loaded.RangesConfigured ? QStringLiteral("Range Configurado.")
                                               : QStringLiteral("Sem Range Configurado."));
        for (const QString& refusal : refusals)
            m_log.WriteLog(refusal);
        if (rows > RangeTable::kSlots)
            m_log.WriteLog(QStringLiteral("Ranges de IP além de %1 ignorados: %2")
                               .arg(RangeTable::kSlots)
                               .arg(rows - RangeTable::kSlots));
        table = std::move(loaded);
        return true;
    } catch (const DatabaseError& error) {
        // A failed read is no "Sem Range Configurado.": the cycle would scan the local network.
        QryBuscaRange.close();
        m_log.WriteLog(QStringLiteral("Erro ao Buscar Range de IP: ") + error.text());
        return false;
    }
}

int TDTM::PauseMinutes(const QString& ed7)
{
    static const QRegularExpression wholeNumber(QStringLiteral("^[+-]?[0-9]+$"));
    const QString text = Trim(ed7);
    if (!wholeNumber.match(text).hasMatch())
        return 1;
    if (text.startsWith(u'-'))
        return 0;
    bool ok = false;
    const qint64 minutes = text.toLongLong(&ok);
    if (!ok || minutes > kMaxPauseMinutes) // too many digits for 64 bits is still "too long"
        return kMaxPauseMinutes;
    return static_cast<int>(minutes);
}

int TDTM::WaitBetweenCycles(const StopSignal& stop)
{
    QryParametros.setStatement(Statement::ParametrosOfCustomer);
    QryParametros.bindText(QStringLiteral("xChave"), m_identity.Chave);
    QryParametros.open(); // a failure here ends the cycle

    int minutes = 1;
    try {
        if (QryParametros.hasRows())
            minutes = PauseMinutes(QryParametros.text(QStringLiteral("Ed7")));
    } catch (const DatabaseError&) {
        minutes = 1; // no Ed7 column
    }
    QryParametros.close();

    RestBetweenCycles(minutes, m_log, stop);
    return minutes;
}

} // namespace vorenta
