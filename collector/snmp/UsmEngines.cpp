#include "collector/snmp/UsmEngines.h"

#include "collector/snmp/UsmCrypto.h"

namespace vorenta::snmp {

std::optional<EngineClock> UsmEngines::engineAt(const std::string& endpoint) const
{
    std::lock_guard lock(m_mutex);
    const auto id = m_engineAtEndpoint.find(endpoint);
    if (id == m_engineAtEndpoint.end())
        return std::nullopt;
    const auto heard = m_clocks.find(id->second);
    if (heard == m_clocks.end())
        return std::nullopt;
    EngineClock engine = heard->second.engine;
    const auto since = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - heard->second.at);
    engine.time += static_cast<std::uint32_t>(since.count());
    return engine;
}

void UsmEngines::learn(const std::string& endpoint, const EngineClock& engine)
{
    std::lock_guard lock(m_mutex);
    m_engineAtEndpoint[endpoint] = engine.engineId;
    m_clocks[engine.engineId] = {engine, Clock::now()};
}

void UsmEngines::heard(const std::string& endpoint, const EngineClock& engine)
{
    std::lock_guard lock(m_mutex);
    m_engineAtEndpoint[endpoint] = engine.engineId;
    const auto kept = m_clocks.find(engine.engineId);
    if (kept != m_clocks.end()) {
        const auto since = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - kept->second.at);
        const EngineClock& old = kept->second.engine;
        const bool later =
            engine.boots > old.boots || (engine.boots == old.boots && engine.time > old.time + since.count());
        if (!later)
            return;
    }
    m_clocks[engine.engineId] = {engine, Clock::now()};
}

std::string UsmEngines::localized(AuthProtocol auth, const std::string& password, const std::string& engineId)
{
    const LocalKey localKey{engineId, auth, password};
    std::string master;
    {
        std::lock_guard lock(m_mutex);
        if (const auto found = m_localizedKeys.find(localKey); found != m_localizedKeys.end())
            return found->second;
        if (const auto found = m_masterKeys.find({auth, password}); found != m_masterKeys.end())
            master = found->second;
    }
    // Outside the lock: other threads go on with the keys they have meanwhile.
    if (master.empty()) {
        master = PasswordToKey(auth, password);
        std::lock_guard lock(m_mutex);
        m_masterKeys[{auth, password}] = master;
        ++m_masterKeysComputed;
    }
    std::string key = LocalizeKey(auth, master, engineId);
    std::lock_guard lock(m_mutex);
    m_localizedKeys[localKey] = key;
    return key;
}

LocalizedKeys UsmEngines::keys(const Credentials& credentials, const std::string& engineId)
{
    LocalizedKeys keys;
    if (credentials.auth == AuthProtocol::None)
        return keys;
    keys.auth = localized(credentials.auth, credentials.authPassword, engineId);
    if (credentials.priv != PrivProtocol::None)
        keys.priv = PrivacyKey(credentials.auth, credentials.priv,
                               localized(credentials.auth, credentials.privPassword, engineId));
    return keys;
}

int UsmEngines::masterKeysComputed() const
{
    std::lock_guard lock(m_mutex);
    return m_masterKeysComputed;
}

} // namespace vorenta::snmp
