#pragma once

#include "collector/snmp/SnmpCredentials.h"
#include "collector/snmp/V3Message.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace vorenta::snmp {

/// What the collector knows of the SNMPv3 engines it has talked to, for the whole run, shared by
/// every probing thread: which engine answers at an address, each engine's clock (its boots and
/// time when last heard, advanced by the time since), and each user's keys localized to each
/// engine. The password-to-key step hashes a mebibyte, so it runs once per password and
/// protocol, and the localization once per engine ID; neither runs again at the next GET or pass.
class UsmEngines {
public:
    using Clock = std::chrono::steady_clock;

    /// The engine last heard at `endpoint` ("address:port"), its time advanced to now.
    std::optional<EngineClock> engineAt(const std::string& endpoint) const;

    /// Takes what discovery or a report says the engine at `endpoint` is: its ID, boots and time
    /// (RFC 3414 4: the non-authoritative side adopts them).
    void learn(const std::string& endpoint, const EngineClock& engine);

    /// An authenticated reply's clock, taken only when it is later than the one kept (RFC 3414
    /// 3.2.7 b), so a replayed old reply cannot turn it back.
    void heard(const std::string& endpoint, const EngineClock& engine);

    /// The keys of `credentials` localized to `engineId`.
    LocalizedKeys keys(const Credentials& credentials, const std::string& engineId);

    /// How many times the password-to-key step ran (tests check that the cache holds).
    int masterKeysComputed() const;

private:
    struct Heard {
        EngineClock engine;
        Clock::time_point at;
    };
    using MasterKey = std::tuple<AuthProtocol, std::string>;             // protocol, password
    using LocalKey = std::tuple<std::string, AuthProtocol, std::string>; // engine ID, protocol, password

    std::string localized(AuthProtocol auth, const std::string& password, const std::string& engineId);

    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_engineAtEndpoint;
    std::map<std::string, Heard> m_clocks; // by engine ID
    std::map<MasterKey, std::string> m_masterKeys;
    std::map<LocalKey, std::string> m_localizedKeys;
    int m_masterKeysComputed = 0;
};

} // namespace vorenta::snmp
