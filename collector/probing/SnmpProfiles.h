#pragma once

#include "collector/snmp/ProfileGet.h"
#include "collector/snmp/SnmpCredentials.h"
#include "collector/snmp/SnmpEngine.h"
#include "collector/snmp/SnmpGet.h"
#include "collector/snmp/UsmEngines.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace vorenta {

/// Addresses from `first` to `last`, both included, as 32-bit numbers.
struct AddressSpan {
    quint32 first = 0;
    quint32 last = 0;
};

/// A dotted IPv4 address as a number; nothing for any other text.
std::optional<quint32> Ipv4Number(const QString& address);

/// One way of speaking SNMP to a device, as Coletor.ini names it ([SNMP.nome]).
struct SnmpProfile {
    QString name;
    snmp::Credentials credentials;
    QList<AddressSpan> ranges;   ///< empty: every address
    bool implicitPublic = false; ///< the v1 "public" the collector always spoke

    /// True when the profile applies to `address` (a dotted IPv4 address).
    bool covers(const QString& address) const;
    /// "1", "2c" or "3", as the log writes it.
    QString versionText() const;
};

/// The implicit first profile: v1, community "public".
SnmpProfile PublicProfile();

/// Where a profiled visit's GETs go: the profiles' own way to the network, or a walk's record of
/// the visit that answers what was asked before.
class ProfileGets {
public:
    virtual ~ProfileGets() = default;
    /// One GET per (profile, OID) pair, all at once, one wait.
    virtual std::vector<snmp::GetResult> get(const std::vector<snmp::ProfileRequest>& requests,
                                             const QString& host) = 0;
};

/// The site's profiles for the whole run, and what the run has learned with them: which profile
/// each address answered (tried first at the next pass) and the v3 engines. Shared by every
/// probing thread.
class SnmpProfiles final : public ProfileGets {
public:
    /// `profiles` in Coletor.ini's order, the implicit "public" first when it applies.
    explicit SnmpProfiles(QList<SnmpProfile> profiles, std::uint16_t port = snmp::kDefaultPort,
                          int waitMs = snmp::kDefaultWaitMs, int cancelDescriptor = -1);

    const QList<SnmpProfile>& profiles() const { return m_profiles; }
    /// The profile named `name` (letter case ignored), or null.
    const SnmpProfile* find(const QString& name) const;

    /// The profiles that apply to `address`, in the order their answers are preferred: the one it
    /// answered at the last pass first, then the list's order.
    QList<const SnmpProfile*> forAddress(const QString& address) const;

    /// Notes that `address` answered through `profile`; true when that is news (the first time,
    /// or another profile than before), which is when the choice is worth a line.
    bool noteAnswered(const QString& address, const SnmpProfile& profile);

    /// One GET per (profile, OID) pair, all at once, one wait, from sockets of its own.
    std::vector<snmp::GetResult> get(const std::vector<snmp::ProfileRequest>& requests,
                                     const QString& host) override;

    /// The same GETs handed to the run's engine: returns at once, and `done` gets what get would
    /// have returned, on the engine's thread. Without an engine set, the profiles make their own.
    void getLater(std::vector<snmp::ProfileRequest> requests, const QString& host,
                  std::function<void(std::vector<snmp::GetResult>)> done);

    /// GETs handed to getLater and not sent yet.
    std::size_t backlog();

    /// The engine getLater uses (it must outlive the profiles); null: one of their own.
    void setEngine(snmp::SnmpEngine* engine) { m_engine.set(engine); }

    snmp::UsmEngines& engines() { return m_engines; }

private:
    QList<SnmpProfile> m_profiles;
    std::uint16_t m_port;
    int m_waitMs;
    int m_cancelDescriptor;
    snmp::UsmEngines m_engines;
    snmp::EngineChoice m_engine;
    mutable std::mutex m_mutex;
    QHash<QString, QString> m_answeredWith; // address -> profile name
};

} // namespace vorenta
