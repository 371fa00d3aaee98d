#include "KeptSettings.h"

#include "common/database/SqlQuery.h"
#include "common/database/Transaction.h"

#include <QList>
#include <QStringList>

namespace vorenta {

KeptSettings::KeptSettings(QueueFile& file) : m_file(file) {}

// What is remembered holds for the file's current opening only; a new one starts afresh.
template <typename Update> void KeptSettings::remember(Update&& update)
{
    if (m_opening != m_file.opening()) {
        m_opening = m_file.opening();
        m_keptRangesKey.clear();
        m_keptPause.reset();
    }
    update();
}

void KeptSettings::keepRanges(const CollectorIdentity& identity, const RangeTable& table)
{
    QStringList key{identity.Chave, identity.IDServ};
    QList<int> filled;
    for (int number = 1; number <= RangeTable::kSlots; ++number) {
        const RangeSlot& slot = table.slot(number);
        if (slot.StartIp.isEmpty() && slot.EndIp.isEmpty())
            continue;
        filled.append(number);
        key << QString::number(number) << slot.StartIp << slot.EndIp;
    }
    const QString joined = key.join(QChar(u'\x1f'));
    if (remembered() && joined == m_keptRangesKey)
        return;
    const bool kept = m_file.use([&](DatabaseConnection& connection) {
        Transaction transaction(connection);
        SqlQuery query(connection);
        query.addLine(QStringLiteral("delete from FaixasGuardadas"));
        query.execute();
        query.clearStatement();
        query.addLine(QStringLiteral("insert into FaixasGuardadas (Faixa, Chave, IDServ, IPINI, IPFIN)"));
        query.addLine(QStringLiteral("values (:xFaixa, :xChave, :xIDServ, :xIPINI, :xIPFIN)"));
        for (int number : filled) {
            const RangeSlot& slot = table.slot(number);
            query.bindInteger(QStringLiteral("xFaixa"), number);
            query.bindText(QStringLiteral("xChave"), identity.Chave);
            query.bindText(QStringLiteral("xIDServ"), identity.IDServ);
            query.bindText(QStringLiteral("xIPINI"), slot.StartIp);
            query.bindText(QStringLiteral("xIPFIN"), slot.EndIp);
            query.execute();
        }
        transaction.commit();
    });
    if (kept)
        remember([&] { m_keptRangesKey = joined; });
}

std::optional<RangeTable> KeptSettings::keptRanges(const CollectorIdentity& identity)
{
    if (!m_file.present())
        return std::nullopt;
    std::optional<RangeTable> table;
    m_file.use([&](DatabaseConnection& connection) {
        SqlQuery rows(connection);
        rows.addLine(QStringLiteral("select Faixa, IPINI, IPFIN from FaixasGuardadas"));
        rows.addLine(QStringLiteral("where Chave = :xChave and IDServ = :xIDServ order by Faixa"));
        rows.bindText(QStringLiteral("xChave"), identity.Chave);
        rows.bindText(QStringLiteral("xIDServ"), identity.IDServ);
        rows.open();
        RangeTable kept;
        for (; !rows.atEnd(); rows.next()) {
            const qint64 number = rows.integer(QStringLiteral("Faixa"));
            if (number < 1 || number > RangeTable::kSlots)
                continue;
            kept.slot(static_cast<int>(number)) =
                RangeSlot{rows.text(QStringLiteral("IPINI")), rows.text(QStringLiteral("IPFIN"))};
            kept.RangesConfigured = true;
        }
        if (kept.RangesConfigured)
            table = std::move(kept);
    });
    return table;
}

void KeptSettings::keepPauseMinutes(int minutes)
{
    if (remembered() && m_keptPause == minutes)
        return;
    if (m_file.use([&](DatabaseConnection& connection) {
            SqlQuery query(connection);
            query.addLine(QStringLiteral("insert or replace into Guardado (Nome, Valor) values ('Pausa', :xValor)"));
            query.bindText(QStringLiteral("xValor"), QString::number(minutes));
            query.execute();
        }))
        remember([&] { m_keptPause = minutes; });
}

std::optional<int> KeptSettings::keptPauseMinutes()
{
    if (remembered() && m_keptPause)
        return m_keptPause;
    if (!m_file.present())
        return std::nullopt;
    std::optional<int> found;
    m_file.use([&](DatabaseConnection& connection) {
        SqlQuery row(connection);
        row.addLine(QStringLiteral("select Valor from Guardado where Nome = 'Pausa'"));
        row.open();
        bool ok = false;
        const int minutes = row.atEnd() ? 0 : row.text(QStringLiteral("Valor")).toInt(&ok);
        if (ok && minutes >= 0)
            found = minutes;
    });
    if (found)
        remember([&] { m_keptPause = found; });
    return found;
}

} // namespace vorenta
