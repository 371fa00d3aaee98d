#pragma once

#include "collector/snmp/UdpExchange.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorenta::snmp {

/// How the engine talks to the network.
struct EngineSettings {
    static constexpr int kSockets = 64;
    /// 200,000 GETs of 60 to 90 bytes a second: at most some 150 Mbit/s at the collector's port,
    /// spread over every address of the ranges, which a gigabit LAN takes in its stride, and the
    /// 13 GETs of each address of a /16 sent in about 4 s. A collector on 100 Mbit/s sets 50000.
    static constexpr int kPacketsPerSecond = 200000;

    /// UDP sockets every GET of the run shares. Two exchanges with one destination that are open
    /// at once always go from different sockets (the request bytes, request-id 1 for v1 and v2c,
    /// stay as a lone GET sends them), so a group of more requests than this waits for sockets.
    /// Each is unconnected, with IP_RECVERR on and a receive buffer of up to 4 MiB.
    int sockets = kSockets;
    /// Datagrams sent per second at most, over all destinations; 0: as fast as the system sends.
    /// A burst of 1 ms worth (at least 64) may go out at once. A group goes out whole when the
    /// rate allows, groups in the order submitted; a second round trip of a conversation goes out
    /// at once, and counts against the rate.
    int packetsPerSecond = kPacketsPerSecond;
};

/// One group of exchanges with one destination, as ExchangeConversations makes them: the
/// requests go out in the order given, each from a socket of its own, and share one wait of
/// `waitMs` counted from when the last of them went out. `conversation` and `enough` work as
/// there (either may be empty); `done` gets a result per request, exactly what
/// ExchangeConversations would have given. All three are called on the engine's thread and must
/// not block (nor call SnmpEngine::exchange); `done` is called exactly once.
///
/// When more requests to one destination are open at once than the engine has sockets (this
/// group's and others'), what fits goes out and the rest goes out as the exchanges with that
/// destination end (answered, refused or timed out), groups in the order submitted: the wait of
/// the group then counts from its latest send, and when it runs out what is open ends as Timeout
/// and what is still unsent goes out on the sockets that freed. So a group of more requests than
/// sockets takes rounds, and never waits for ever.
struct ExchangeGroup {
    std::string host; ///< dotted IPv4 (a name is resolved on submit, on the caller's thread)
    std::uint16_t port = kDefaultPort;
    int waitMs = kDefaultWaitMs;
    std::vector<std::string> requests;
    Conversation conversation;
    Enough enough;
    std::function<void(std::vector<ExchangeResult>)> done;
};

/// Every exchange of a run over a few sockets and one thread: an event loop (epoll) that sends
/// the groups as the pacing allows, matches each datagram to its open exchange by the socket it
/// came in on and its source address and port, keeps every group's deadline in one timer
/// structure, and reads ICMP port-unreachable per destination (IP_RECVERR), so that a refusal
/// still ends its exchange at once. Many thousands of groups may be open together; what one
/// costs is its requests and results, not a thread or a socket.
///
/// When `cancelDescriptor` (-1: none) becomes readable, every open group ends at once with its
/// open exchanges Cancelled, and so does every group submitted afterwards.
class SnmpEngine {
public:
    explicit SnmpEngine(EngineSettings settings = {}, int cancelDescriptor = -1);
    /// Ends every open group (Cancelled; their `done` is called) and joins the thread.
    ~SnmpEngine();
    SnmpEngine(const SnmpEngine&) = delete;
    SnmpEngine& operator=(const SnmpEngine&) = delete;

    /// Queues `group`; returns at once. Callable from any thread. A group that cannot be sent
    /// (an unresolvable host, no socket) ends at once, its `done` called on this thread.
    void submit(ExchangeGroup group);

    /// submit and wait for the results: ExchangeConversations over the engine's sockets. Not from
    /// the engine's own thread (a `done`, `conversation` or `enough`).
    std::vector<ExchangeResult> exchange(ExchangeGroup group);

    /// The sockets the engine opened (for the limits and the benchmark).
    int socketCount() const;

    /// Requests submitted and not yet sent: what the pacing holds back. A caller with many
    /// groups to come submits while this is small, so that they wait as its own compact work,
    /// not as encoded datagrams here.
    std::size_t backlog() const;

private:
    class Loop;
    std::unique_ptr<Loop> m_loop;
};

/// The engine a source hands its GETs to: the run's, once set, or else one of the source's own,
/// made on first use with `cancelDescriptor` (for the tests and tools that never set one).
class EngineChoice {
public:
    explicit EngineChoice(int cancelDescriptor) : m_cancelDescriptor(cancelDescriptor) {}

    /// `engine` must outlive the choice; null: one of its own.
    void set(SnmpEngine* engine) { m_set = engine; }
    SnmpEngine& get();

private:
    const int m_cancelDescriptor;
    SnmpEngine* m_set = nullptr;
    std::once_flag m_made;
    std::unique_ptr<SnmpEngine> m_own;
};

} // namespace vorenta::snmp
