#pragma once

#include "tests/support/SnmpRecording.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vorenta::test {

/// "127.<a>.<b>." unique to this process (derived from its id), so agents of test processes that
/// ctest runs side by side never share an address. Append the host number: prefix + "2".
std::string UniqueLoopbackPrefix();

/// A simulated SNMP v1 agent on a loopback UDP endpoint, answering on its own thread.
///
///     FixtureSnmpAgent agent(UniqueLoopbackPrefix() + "7", 0, SnmpRecording::FromText(
///         "1.3.6.1.2.1.1.1.0|4|Printer\n"));
///     snmp::SnmpGet("1.3.6.1.2.1.1.1.0", "public", agent.address(), agent.port(), 300);
///     agent.askedOids(); // {"1.3.6.1.2.1.1.1.0"}
///
/// It answers only requests with its community ("public" unless changed); others are ignored, as
/// printers do. Every request it could parse is recorded, whatever the mode.
class FixtureSnmpAgent {
public:
    /// How the agent treats the next requests.
    enum class Mode {
        Recording,     ///< values from the recording; an unknown OID gives noSuchName, bindings echoed NULL
        Silent,        ///< never answers
        NoSuchNameAll, ///< answers every GET with noSuchName and the bindings echoed NULL
        RawReply,      ///< answers every request with the datagram given to sendRaw
    };

    /// Binds `address`:`port` (0 = ephemeral; 161 needs root) and starts answering.
    /// Throws std::system_error when the endpoint cannot be bound.
    FixtureSnmpAgent(std::string address, std::uint16_t port, SnmpRecording recording = {});
    ~FixtureSnmpAgent();
    FixtureSnmpAgent(const FixtureSnmpAgent&) = delete;
    FixtureSnmpAgent& operator=(const FixtureSnmpAgent&) = delete;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_port; }

    void answerFromRecording();
    void staySilent();
    void answerNoSuchName();
    /// Answers every following request with exactly `datagram`.
    void sendRaw(std::string datagram);
    void setCommunity(std::string community);
    void setRecording(SnmpRecording recording);
    /// Requests that ask `oid` get no reply at all, as agents that stay silent for objects they
    /// do not have (the others answer noSuchName).
    void ignoreOid(std::string oid);
    /// The next `count` requests get no reply (a device that answers its first GETs too late).
    void dropRequests(int count);

    /// The OIDs asked for so far, in order (one per binding of every parsed request).
    std::vector<std::string> askedOids() const;
    /// Datagrams received so far, parsable or not, as they arrived.
    std::vector<std::string> receivedDatagrams() const;
    int datagramCount() const;
    void clearAsked();

private:
    void serve();
    std::optional<std::string> answer(const std::string& request); // nullopt: stay silent

    std::string m_address;
    std::uint16_t m_port = 0;
    int m_socket = -1;
    int m_wakePipe[2] = {-1, -1};

    mutable std::mutex m_mutex; // guards everything below
    Mode m_mode = Mode::Recording;
    SnmpRecording m_recording;
    std::string m_community = "public";
    std::string m_raw;
    std::set<std::string> m_ignored;
    int m_dropped = 0;
    std::vector<std::string> m_asked;
    std::vector<std::string> m_received;

    std::thread m_thread; // last: starts after everything it uses exists
};

/// Several agents on one per-process loopback prefix, e.g. recorded printers on
/// 127.a.b.2 .. 127.a.b.5, port 161 (what the collector asks):
///
///     FixtureSnmpFleet fleet;
///     fleet.add(2, SnmpRecording::FromFile(...));   // 127.a.b.2:161
///     fleet.address(2);                             // "127.a.b.2"
///     fleet.at(2).askedOids();
class FixtureSnmpFleet {
public:
    explicit FixtureSnmpFleet(std::string prefix = UniqueLoopbackPrefix());

    /// Starts an agent on prefix + `host`:`port`; throws std::system_error when it cannot bind.
    FixtureSnmpAgent& add(int host, SnmpRecording recording, std::uint16_t port = 161);
    FixtureSnmpAgent& at(int host);
    std::string address(int host) const;
    const std::string& prefix() const { return m_prefix; }
    /// Stops and removes every agent.
    void clear() { m_agents.clear(); }

private:
    std::string m_prefix;
    std::map<int, std::unique_ptr<FixtureSnmpAgent>> m_agents;
};

} // namespace vorenta::test
