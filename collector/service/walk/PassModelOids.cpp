#include "PassModelOids.h"

namespace vorenta {

std::optional<std::optional<QString>> PassModelOids::known(const Key& key) const
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_oids.constFind(key); found != m_oids.cend())
        return *found;
    return std::nullopt;
}

void PassModelOids::remember(const Key& key, const std::optional<QString>& oid)
{
    std::lock_guard lock(m_mutex);
    m_oids.insert(key, oid);
}

void PassModelOids::clear()
{
    std::lock_guard lock(m_mutex);
    m_oids.clear();
}

bool OwnerModelOids::ConnectDatabase()
{
    bool connected = false;
    try {
        m_calls.call(m_lines, [&] { connected = m_table.ConnectDatabase(); });
    } catch (const PassEnding&) {
        return false;
    }
    return connected;
}

std::optional<QString> OwnerModelOids::BuscaOid(const QString& Modelo, const QString& NomeInfo)
{
    const PassModelOids::Key key(Modelo, NomeInfo);
    if (const std::optional<std::optional<QString>> known = m_pass.known(key))
        return *known;
    std::optional<QString> oid;
    m_calls.call(m_lines, [&] {
        // Another address may have asked the same meanwhile: the table is read once a pass.
        if (const std::optional<std::optional<QString>> known = m_pass.known(key)) {
            oid = *known;
            return;
        }
        oid = m_table.BuscaOid(Modelo, NomeInfo); // a failure is asked again next time
        m_pass.remember(key, oid);
    });
    return oid;
}

} // namespace vorenta
