// The event-driven engine against real UDP on loopback: peers of the test's own that answer what
// each test scripts, the fixture agent, silent sockets, closed ports, and snmpd for v3.
#include "collector/snmp/SnmpEngine.h"
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ProfileGet.h"
#include "tests/snmp/Octets.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SilentHosts.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/TestCredentials.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace vorenta::snmp {
namespace {

using test::Community;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::FixtureSnmpAgent;
using test::Hex;
using test::Octets;
using test::SnmpRecording;
using test::UniqueLoopbackPrefix;

const std::string kRecording = "1.3.6.1.2.1.1.1.0|4|Impressora de teste\n"
                               "1.3.6.1.2.1.1.5.0|4|recepcao\n";

struct Arrival {
    std::string bytes;
    sockaddr_in from{};
    Clock::time_point at;
};

std::uint16_t PortOf(const sockaddr_in& address)
{
    return ntohs(address.sin_port);
}

/// A UDP endpoint on loopback that the test drives by hand: it reports what arrives, with where
/// from and when, and sends what the test says, to whom it says.
class Peer {
public:
    explicit Peer(std::string address, std::uint16_t port = 0) : m_address(std::move(address))
    {
        m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int size = 4 * 1024 * 1024;
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
        sockaddr_in endpoint{};
        endpoint.sin_family = AF_INET;
        endpoint.sin_port = htons(port);
        ::inet_pton(AF_INET, m_address.c_str(), &endpoint.sin_addr);
        if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint)) != 0)
            throw std::runtime_error("bind " + m_address);
        socklen_t length = sizeof(endpoint);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&endpoint), &length);
        m_port = ntohs(endpoint.sin_port);
    }
    ~Peer() { ::close(m_socket); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    const std::string& address() const { return m_address; }
    std::uint16_t port() const { return m_port; }
    int descriptor() const { return m_socket; }

    /// The next datagram, or nothing when none arrives within `limit`.
    std::optional<Arrival> next(std::chrono::milliseconds limit = test::kWaitLimit)
    {
        pollfd readable{m_socket, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(limit.count())) != 1)
            return std::nullopt;
        return take();
    }

    std::optional<Arrival> take()
    {
        Arrival arrival;
        std::string buffer(65536, '\0');
        socklen_t length = sizeof(arrival.from);
        const ssize_t received = ::recvfrom(m_socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&arrival.from), &length);
        if (received < 0)
            return std::nullopt;
        arrival.at = Clock::now();
        arrival.bytes = buffer.substr(0, static_cast<std::size_t>(received));
        return arrival;
    }

    void reply(const sockaddr_in& to, std::string_view bytes) const
    {
        ::sendto(m_socket, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    }

private:
    std::string m_address;
    std::uint16_t m_port = 0;
    int m_socket = -1;
};

// A loopback port nobody listens on: bind one, note it, close it.
std::uint16_t ClosedPort(const std::string& address)
{
    Peer probe(address);
    return probe.port();
}

/// What the engine's `done` calls brought, by the number the test gave each group.
class Outcomes {
public:
    std::function<void(std::vector<ExchangeResult>)> slot(int id)
    {
        return [this, id](std::vector<ExchangeResult> results) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_results[id] = std::move(results);
            m_order.push_back(id);
            m_when[id] = Clock::now();
            m_changed.notify_all();
        };
    }

    /// Waits until `count` groups have ended; false when they have not within `limit`.
    bool wait(std::size_t count, std::chrono::milliseconds limit = test::kWaitLimit)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return test::WaitUntil(
            m_changed, lock, [&] { return m_order.size() >= count; }, limit);
    }

    std::vector<ExchangeResult> results(int id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_results.at(id);
    }
    std::vector<int> order()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order;
    }
    Clock::time_point when(int id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_when.at(id);
    }
    std::size_t count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, std::vector<ExchangeResult>> m_results;
    std::map<int, Clock::time_point> m_when;
    std::vector<int> m_order;
};

ExchangeGroup Group(const std::string& host, std::uint16_t port, int waitMs,
                    std::vector<std::string> requests, std::function<void(std::vector<ExchangeResult>)> done)
{
    ExchangeGroup group;
    group.host = host;
    group.port = port;
    group.waitMs = waitMs;
    group.requests = std::move(requests);
    group.done = std::move(done);
    return group;
}

// The engine's GETs go out exactly as a lone GET sends them: request-id 1, v1 and v2c alike.
TEST(SnmpEngineRequests, TheAgentReceivesTheLoneGetBytes)
{
    FixtureSnmpAgent agent(UniqueLoopbackPrefix() + "40", 0, SnmpRecording::FromText(kRecording));
    const Credentials v1 = Community(SnmpVersion::V1, "public");
    const Credentials v2c = Community(SnmpVersion::V2c, "public");
    SnmpEngine engine;
    UsmEngines engines;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::vector<GetResult>> results;
    SnmpGetWith(engine, {{&v1, "1.3.6.1.2.1.1.1.0"}, {&v2c, "1.3.6.1.2.1.1.1.0"}}, agent.address(),
                agent.port(), 2000, engines, false, [&](std::vector<GetResult> got) {
                    std::lock_guard<std::mutex> lock(mutex);
                    results = std::move(got);
                    changed.notify_all();
                });
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(test::WaitUntil(changed, lock, [&] { return results.has_value(); }))
            << "the two GETs over the engine did not end";
    }
    ASSERT_EQ(results->size(), 2u);
    EXPECT_TRUE((*results)[0].ok);
    EXPECT_EQ((*results)[0].value, "Impressora de teste");
    std::vector<std::string> received;
    for (const std::string& datagram : agent.receivedDatagrams())
        received.push_back(Hex(datagram));
    std::sort(received.begin(), received.end());
    const std::vector<std::string> expected = {
        Hex(Octets("30 26 02 01 00 04 06 70 75 62 6C 69 63 A0 19 02 01 01 02 01 00 02 01 00 "
                   "30 0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00")),
        Hex(Octets("30 26 02 01 01 04 06 70 75 62 6C 69 63 A0 19 02 01 01 02 01 00 02 01 00 "
                   "30 0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00")),
    };
    EXPECT_EQ(received, expected);
}

// A reply after the time-out finds nothing open and is dropped: the next GET to the same
// destination, even from the same socket, takes only its own answer.
TEST(SnmpEngineMatching, ALateReplyIsDroppedAndDoesNotAnswerTheNextGet)
{
    struct Case {
        const char* name;
        int sockets;
    };
    for (const Case& c : {Case{"one socket", 1}, Case{"sixty-four sockets", 64}}) {
        Peer peer(UniqueLoopbackPrefix() + "41");
        Peer barrier(UniqueLoopbackPrefix() + "39");
        Outcomes outcomes; // outlives the engine, whose destructor may still report
        SnmpEngine engine({c.sockets, 0});
        engine.submit(Group(peer.address(), peer.port(), 200, {"pedido-1"}, outcomes.slot(1)));
        const std::optional<Arrival> first = peer.next();
        ASSERT_TRUE(first) << c.name << ": the first request did not arrive";
        ASSERT_TRUE(outcomes.wait(1)) << c.name << ": the first GET did not time out";
        EXPECT_EQ(outcomes.results(1)[0].failure, GetFailure::Timeout) << c.name;

        peer.reply(first->from, "tarde");
        // A GET to another peer, answered after the late reply: with one socket, once it has
        // ended the engine has read the late reply too, and found nothing open for it.
        engine.submit(Group(barrier.address(), barrier.port(), 5000, {"barreira"}, outcomes.slot(3)));
        const std::optional<Arrival> crossing = barrier.next();
        ASSERT_TRUE(crossing) << c.name << ": the GET to the other peer did not arrive";
        barrier.reply(crossing->from, "barreira");
        ASSERT_TRUE(outcomes.wait(2)) << c.name << ": the GET to the other peer did not end";
        engine.submit(Group(peer.address(), peer.port(), 5000, {"pedido-2"}, outcomes.slot(2)));
        const std::optional<Arrival> second = peer.next();
        ASSERT_TRUE(second) << c.name << ": the second request did not arrive";
        EXPECT_EQ(second->bytes, "pedido-2") << c.name;
        if (c.sockets > 1) {
            EXPECT_NE(PortOf(second->from), PortOf(first->from))
                << c.name << ": consecutive GETs share a socket";
        }
        peer.reply(second->from, "resposta-2");
        ASSERT_TRUE(outcomes.wait(3)) << c.name << ": the second GET did not end";
        EXPECT_EQ(outcomes.results(2)[0].failure, GetFailure::None) << c.name;
        EXPECT_EQ(outcomes.results(2)[0].datagram, "resposta-2") << c.name;
    }
}

// Only the destination's own address and port answer: a datagram from anywhere else to the
// socket of an open exchange is not its reply.
TEST(SnmpEngineMatching, AReplyFromAnotherPortOrAddressIsIgnored)
{
    Peer peer(UniqueLoopbackPrefix() + "42");
    Peer otherPort(peer.address());
    Peer otherAddress(UniqueLoopbackPrefix() + "43", peer.port());
    struct Case {
        const char* name;
        const Peer& stranger;
    };
    const Case cases[] = {{"another port", otherPort}, {"another address", otherAddress}};
    Outcomes outcomes;
    SnmpEngine engine;
    int id = 0;
    for (const Case& c : cases) {
        engine.submit(Group(peer.address(), peer.port(), 5000, {"pedido"}, outcomes.slot(++id)));
        const std::optional<Arrival> request = peer.next();
        ASSERT_TRUE(request) << c.name << ": the request did not arrive";
        c.stranger.reply(request->from, "estranho");
        peer.reply(request->from, "certo");
        ASSERT_TRUE(outcomes.wait(static_cast<std::size_t>(id))) << c.name << ": the GET did not end";
        EXPECT_EQ(outcomes.results(id)[0].failure, GetFailure::None) << c.name;
        EXPECT_EQ(outcomes.results(id)[0].datagram, "certo") << c.name;
    }
}

// A reply sent twice ends its exchange once; the copy answers no other exchange of the group,
// and no later GET to the same destination.
TEST(SnmpEngineMatching, ADuplicateReplyIsDropped)
{
    Peer peer(UniqueLoopbackPrefix() + "44");
    Outcomes outcomes;
    SnmpEngine engine;
    engine.submit(Group(peer.address(), peer.port(), 5000, {"um", "dois"}, outcomes.slot(1)));
    std::map<std::string, sockaddr_in> from;
    for (int i = 0; i < 2; ++i) {
        const std::optional<Arrival> request = peer.next();
        ASSERT_TRUE(request) << "request " << i << " did not arrive";
        from[request->bytes] = request->from;
    }
    ASSERT_EQ(from.size(), 2u);
    EXPECT_NE(PortOf(from["um"]), PortOf(from["dois"])) << "two exchanges open at once share a socket";
    peer.reply(from["um"], "resposta-um");
    peer.reply(from["um"], "resposta-um");
    peer.reply(from["dois"], "resposta-dois");
    ASSERT_TRUE(outcomes.wait(1)) << "the group did not end";
    const std::vector<ExchangeResult> results = outcomes.results(1);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].datagram, "resposta-um");
    EXPECT_EQ(results[1].datagram, "resposta-dois");

    engine.submit(Group(peer.address(), peer.port(), 5000, {"tres"}, outcomes.slot(2)));
    const std::optional<Arrival> third = peer.next();
    ASSERT_TRUE(third) << "the third request did not arrive";
    peer.reply(from["um"], "resposta-um"); // once more, to the socket that has nothing open
    peer.reply(third->from, "resposta-tres");
    ASSERT_TRUE(outcomes.wait(2)) << "the third GET did not end";
    EXPECT_EQ(outcomes.results(2)[0].datagram, "resposta-tres");
}

// The conversation decides: a reply to an earlier request is set aside, a second round trip
// goes out on the same socket, and the exchange ends with the datagram it finished on.
TEST(SnmpEngineMatching, AReplyToAnEarlierRequestIsIgnored)
{
    Peer peer(UniqueLoopbackPrefix() + "45");
    Outcomes outcomes;
    SnmpEngine engine;
    ExchangeGroup group = Group(peer.address(), peer.port(), 5000, {"descobrir"}, outcomes.slot(1));
    group.conversation = [](std::size_t, const std::string& datagram) {
        if (datagram == "antiga")
            return NextStep{NextStep::Kind::Ignore, {}};
        if (datagram == "descoberta")
            return NextStep{NextStep::Kind::Send, "pedido-final"};
        return NextStep{};
    };
    engine.submit(std::move(group));
    const std::optional<Arrival> discovery = peer.next();
    ASSERT_TRUE(discovery) << "the discovery did not arrive";
    EXPECT_EQ(discovery->bytes, "descobrir");
    peer.reply(discovery->from, "descoberta");
    const std::optional<Arrival> get = peer.next();
    ASSERT_TRUE(get) << "the second round trip did not go out";
    EXPECT_EQ(get->bytes, "pedido-final");
    EXPECT_EQ(PortOf(get->from), PortOf(discovery->from)) << "the second round trip changed socket";
    peer.reply(get->from, "antiga");
    peer.reply(get->from, "final");
    ASSERT_TRUE(outcomes.wait(1)) << "the conversation did not end";
    EXPECT_EQ(outcomes.results(1)[0].failure, GetFailure::None);
    EXPECT_EQ(outcomes.results(1)[0].datagram, "final");
}

// Each group has its own wait: a silent destination costs every group no less than its wait and
// not much more, and groups end in the order of their waits, not of their submits.
TEST(SnmpEngineDeadlines, SilentGroupsEndInTheOrderOfTheirWaits)
{
    Peer silent(UniqueLoopbackPrefix() + "46"); // bound and never read
    Outcomes outcomes;
    SnmpEngine engine;
    const int waits[] = {600, 200, 400};
    const Clock::time_point start = Clock::now();
    for (const int wait : waits)
        engine.submit(
            Group(silent.address(), silent.port(), wait, {"pedido-a", "pedido-b"}, outcomes.slot(wait)));
    ASSERT_TRUE(outcomes.wait(3)) << "the three silent groups did not time out";
    EXPECT_EQ(outcomes.order(), (std::vector<int>{200, 400, 600}));
    for (const int wait : waits) {
        const auto elapsed = outcomes.when(wait) - start;
        EXPECT_GE(elapsed, std::chrono::milliseconds(wait)) << wait;
        EXPECT_LT(elapsed, std::chrono::milliseconds(wait + 1000)) << wait;
        for (const ExchangeResult& result : outcomes.results(wait))
            EXPECT_EQ(result.failure, GetFailure::Timeout) << wait;
    }
}

// A group wider than the engine's sockets takes rounds: what fits goes out, the rest as the
// exchanges with that destination end, so it neither waits for ever nor shares a socket.
TEST(SnmpEngineDeadlines, AGroupWiderThanTheSocketsTakesRounds)
{
    const std::vector<std::string> requests = {"r1", "r2", "r3", "r4", "r5"};
    {
        Peer peer(UniqueLoopbackPrefix() + "94");
        Outcomes outcomes;
        SnmpEngine engine({2, 0});
        engine.submit(Group(peer.address(), peer.port(), 5000, requests, outcomes.slot(1)));
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const std::optional<Arrival> request = peer.next();
            ASSERT_TRUE(request) << "request " << i << " of the wide group did not go out";
            peer.reply(request->from, "resposta-" + request->bytes);
        }
        ASSERT_TRUE(outcomes.wait(1)) << "the wide group did not end";
        const std::vector<ExchangeResult> results = outcomes.results(1);
        ASSERT_EQ(results.size(), requests.size());
        for (std::size_t i = 0; i < requests.size(); ++i)
            EXPECT_EQ(results[i].datagram, "resposta-" + requests[i]) << i;
    }
    {
        Peer silent(UniqueLoopbackPrefix() + "95");
        Outcomes outcomes;
        SnmpEngine engine({2, 0});
        const Clock::time_point start = Clock::now();
        engine.submit(Group(silent.address(), silent.port(), 200, requests, outcomes.slot(1)));
        ASSERT_TRUE(outcomes.wait(1)) << "the wide silent group did not end";
        EXPECT_GE(Clock::now() - start, 600ms) << "three rounds of 200 ms";
        for (const ExchangeResult& result : outcomes.results(1))
            EXPECT_EQ(result.failure, GetFailure::Timeout);
    }
}

// A closed port refuses its own exchange at once, while an exchange with another destination
// open on the very same socket goes on and takes its answer.
TEST(SnmpEngineRefusal, AClosedPortIsRefusedAtOnceAndOnlyForItsDestination)
{
    Peer peer(UniqueLoopbackPrefix() + "47");
    const std::string closedAddress = UniqueLoopbackPrefix() + "48";
    Outcomes outcomes;
    SnmpEngine engine({1, 0});
    engine.submit(Group(peer.address(), peer.port(), 10000, {"pedido"}, outcomes.slot(1)));
    const std::optional<Arrival> request = peer.next();
    ASSERT_TRUE(request) << "the request to the answering peer did not arrive";

    const Clock::time_point start = Clock::now();
    engine.submit(
        Group(closedAddress, ClosedPort(closedAddress), 10000, {"pedido", "outro"}, outcomes.slot(2)));
    ASSERT_TRUE(outcomes.wait(1, 5s)) << "the refusal did not end its group well before its 10 s wait";
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(outcomes.order(), std::vector<int>{2});
    for (const ExchangeResult& result : outcomes.results(2))
        EXPECT_EQ(result.failure, GetFailure::Refused);

    peer.reply(request->from, "resposta");
    ASSERT_TRUE(outcomes.wait(2)) << "the answering peer's GET did not end";
    EXPECT_EQ(outcomes.results(1)[0].failure, GetFailure::None);
    EXPECT_EQ(outcomes.results(1)[0].datagram, "resposta");
}

// The pacing spreads the sends: 2000 datagrams at 10,000 per second cannot all go out in a burst.
TEST(SnmpEnginePacing, DatagramsGoOutAtTheSetRate)
{
    constexpr int kPeers = 40;
    constexpr int kPerPeer = 50;
    std::vector<std::unique_ptr<Peer>> peers;
    for (int i = 0; i < kPeers; ++i)
        peers.push_back(std::make_unique<Peer>(UniqueLoopbackPrefix() + std::to_string(50 + i)));
    std::vector<Clock::time_point> arrivals;
    std::thread reader([&] {
        std::vector<pollfd> watched;
        for (const auto& peer : peers)
            watched.push_back({peer->descriptor(), POLLIN, 0});
        const Clock::time_point limit = Clock::now() + test::kWaitLimit;
        while (arrivals.size() < kPeers * kPerPeer && Clock::now() < limit) {
            if (::poll(watched.data(), watched.size(), 100) <= 0)
                continue;
            for (std::size_t i = 0; i < watched.size(); ++i) {
                if (watched[i].revents == 0)
                    continue;
                while (const std::optional<Arrival> arrival = peers[i]->take())
                    arrivals.push_back(arrival->at);
            }
        }
    });
    Outcomes outcomes;
    SnmpEngine engine({64, 10000});
    for (int i = 0; i < kPeers * kPerPeer; ++i) {
        const Peer& peer = *peers[static_cast<std::size_t>(i % kPeers)];
        engine.submit(Group(peer.address(), peer.port(), 1000, {"pedido"}, outcomes.slot(i)));
    }
    reader.join();
    ASSERT_EQ(arrivals.size(), static_cast<std::size_t>(kPeers * kPerPeer)) << "not every datagram arrived";
    const auto spread = *std::max_element(arrivals.begin(), arrivals.end()) -
                        *std::min_element(arrivals.begin(), arrivals.end());
    EXPECT_GE(spread, 150ms);
    EXPECT_LT(spread, 5s);
    ASSERT_TRUE(outcomes.wait(kPeers * kPerPeer)) << "the paced groups did not time out";
}

// A stop with ten thousand groups open to silent destinations ends every one of them at once,
// and a group submitted after the stop ends as soon as it arrives.
TEST(SnmpEngineStop, TenThousandOpenGroupsEndCancelledWithinASecond)
{
    constexpr int kGroups = 10000;
    const test::SilentHosts silent(UniqueLoopbackPrefix(), 100, 254, {}, 16170); // 155 x 64 sockets
    const int cancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ASSERT_GE(cancel, 0);
    {
        Outcomes outcomes;
        SnmpEngine engine({}, cancel);
        EXPECT_EQ(engine.socketCount(), 64);
        for (int i = 0; i < kGroups; ++i)
            engine.submit(Group(UniqueLoopbackPrefix() + std::to_string(100 + i % 155), 16170, 60000,
                                {"pedido"}, outcomes.slot(i)));
        std::this_thread::sleep_for(500ms); // at 100,000 datagrams a second they are all out by now
        EXPECT_EQ(outcomes.count(), 0u) << "a silent group ended before the stop";

        const Clock::time_point stop = Clock::now();
        const std::uint64_t one = 1;
        ASSERT_EQ(::write(cancel, &one, sizeof(one)), static_cast<ssize_t>(sizeof(one)));
        {
            test::Deadline deadline("the 10,000 open groups to end after the stop", 1s);
            ASSERT_TRUE(outcomes.wait(kGroups, 1s)) << "the stop did not end every open group within 1 s";
        }
        EXPECT_LT(Clock::now() - stop, 1s);
        for (int i = 0; i < kGroups; i += 97)
            EXPECT_EQ(outcomes.results(i)[0].failure, GetFailure::Cancelled) << i;

        engine.submit(
            Group(UniqueLoopbackPrefix() + "100", 16170, 60000, {"depois"}, outcomes.slot(kGroups)));
        ASSERT_TRUE(outcomes.wait(kGroups + 1, 1s)) << "a group submitted after the stop did not end at once";
        EXPECT_EQ(outcomes.results(kGroups)[0].failure, GetFailure::Cancelled);
    }
    ::close(cancel);
}

// The destructor ends what is open, each `done` called once, and returns.
TEST(SnmpEngineStop, TheDestructorEndsOpenGroupsCancelled)
{
    Peer silent(UniqueLoopbackPrefix() + "49");
    Outcomes outcomes;
    {
        SnmpEngine engine;
        for (int i = 0; i < 100; ++i)
            engine.submit(Group(silent.address(), silent.port(), 60000, {"pedido"}, outcomes.slot(i)));
        test::Deadline deadline("the engine's destructor to return", 5s);
    }
    ASSERT_EQ(outcomes.count(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(outcomes.results(i)[0].failure, GetFailure::Cancelled) << i;
}

void ExpectSame(const std::vector<ExchangeResult>& engine, const std::vector<ExchangeResult>& alone,
                const std::string& name)
{
    ASSERT_EQ(engine.size(), alone.size()) << name;
    for (std::size_t i = 0; i < engine.size(); ++i) {
        EXPECT_EQ(engine[i].failure, alone[i].failure) << name << " #" << i;
        EXPECT_EQ(Hex(engine[i].datagram), Hex(alone[i].datagram)) << name << " #" << i;
    }
}

void ExpectSame(const std::vector<GetResult>& engine, const std::vector<GetResult>& alone,
                const std::string& name)
{
    ASSERT_EQ(engine.size(), alone.size()) << name;
    for (std::size_t i = 0; i < engine.size(); ++i) {
        EXPECT_EQ(engine[i].ok, alone[i].ok) << name << " #" << i;
        EXPECT_EQ(engine[i].value, alone[i].value) << name << " #" << i;
        EXPECT_EQ(engine[i].failure, alone[i].failure) << name << " #" << i;
        EXPECT_EQ(engine[i].errorStatus, alone[i].errorStatus) << name << " #" << i;
    }
}

std::vector<GetResult> EngineGetWith(SnmpEngine& engine, std::vector<ProfileRequest> requests,
                                     const std::string& host, std::uint16_t port, int waitMs,
                                     UsmEngines& engines, bool earliestAnswerEnds)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::vector<GetResult>> results;
    SnmpGetWith(engine, std::move(requests), host, port, waitMs, engines, earliestAnswerEnds,
                [&](std::vector<GetResult> got) {
                    std::lock_guard<std::mutex> lock(mutex);
                    results = std::move(got);
                    changed.notify_all();
                });
    std::unique_lock<std::mutex> lock(mutex);
    if (!test::WaitUntil(changed, lock, [&] { return results.has_value(); }))
        ADD_FAILURE() << "the GETs over the engine to " << host << " did not end";
    return results.value_or(std::vector<GetResult>{});
}

// Over the engine every exchange and every profile GET ends as it does alone.
TEST(SnmpEngineEquivalence, EveryResultIsTheLoneExchangesResult)
{
    const std::string prefix = UniqueLoopbackPrefix();
    FixtureSnmpAgent agent(prefix + "90", 0, SnmpRecording::FromText(kRecording));
    agent.ignoreOid("1.3.6.1.2.1.1.6.0");
    Peer silent(prefix + "91");
    const std::uint16_t closed = ClosedPort(prefix + "92");
    const Credentials v1 = Community(SnmpVersion::V1, "public");
    const Credentials v2c = Community(SnmpVersion::V2c, "public");
    const Credentials wrong = Community(SnmpVersion::V1, "errada");
    SnmpEngine engine;

    struct Case {
        const char* name;
        std::string host;
        std::uint16_t port;
        std::vector<ProfileRequest> requests;
        bool earliestAnswerEnds;
    };
    const Case cases[] = {
        {"answers",
         prefix + "90",
         agent.port(),
         {{&v1, "1.3.6.1.2.1.1.1.0"}, {&v1, "1.3.6.1.2.1.1.5.0"}, {&v1, "1.3.6.1.2.1.9.9.0"}},
         false},
        {"an OID the agent ignores",
         prefix + "90",
         agent.port(),
         {{&v1, "1.3.6.1.2.1.1.6.0"}, {&v1, "1.3.6.1.2.1.1.1.0"}},
         false},
        {"a community the agent ignores",
         prefix + "90",
         agent.port(),
         {{&wrong, "1.3.6.1.2.1.1.1.0"}},
         false},
        {"the preferred profile answers",
         prefix + "90",
         agent.port(),
         {{&v1, "1.3.6.1.2.1.1.1.0"}, {&wrong, "1.3.6.1.2.1.1.1.0"}},
         true},
        {"silent",
         prefix + "91",
         silent.port(),
         {{&v1, "1.3.6.1.2.1.1.1.0"}, {&v2c, "1.3.6.1.2.1.1.1.0"}},
         false},
        {"refused", prefix + "92", closed, {{&v1, "1.3.6.1.2.1.1.1.0"}, {&v2c, "1.3.6.1.2.1.1.5.0"}}, false},
        {"unresolved", "", 161, {{&v1, "1.3.6.1.2.1.1.1.0"}}, false},
        {"no requests", prefix + "90", agent.port(), {}, false},
    };
    for (const Case& c : cases) {
        UsmEngines engines;
        const std::vector<GetResult> alone =
            SnmpGetWith(c.requests, c.host, c.port, 300, -1, engines, c.earliestAnswerEnds);
        const std::vector<GetResult> over =
            EngineGetWith(engine, c.requests, c.host, c.port, 300, engines, c.earliestAnswerEnds);
        ExpectSame(over, alone, c.name);

        std::vector<std::string> datagrams;
        for (const ProfileRequest& request : c.requests)
            datagrams.push_back(EncodeGetRequest(request.oid, request.credentials->community));
        ExchangeGroup group;
        group.host = c.host;
        group.port = c.port;
        group.waitMs = 300;
        group.requests = datagrams;
        ExpectSame(engine.exchange(std::move(group)),
                   ExchangeConversations(datagrams, c.host, c.port, 300, -1, {}), c.name);
    }
}

// v3 over the engine against snmpd: the discovery, then the GET, on one socket within one wait;
// then the GET alone, the engine known.
TEST(SnmpEngineEquivalence, V3DiscoveryThenGetAsAlone)
{
    if (!test::NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    test::NetSnmpAgent agent(UniqueLoopbackPrefix() + "93", 16193);
    const Credentials coletor = test::ColetorV3User();
    ASSERT_TRUE(agent.start({"sysLocation Sala 9 - Compras",
                             "createUser coletor SHA-256 senha-de-autenticacao AES senha-de-privacidade",
                             "rouser coletor priv"}))
        << agent.log();
    SnmpEngine engine;
    UsmEngines aloneEngines;
    UsmEngines overEngines;
    const std::vector<ProfileRequest> requests = {{&coletor, "1.3.6.1.2.1.1.6.0"},
                                                  {&coletor, "1.3.6.1.2.1.1.9.9.0"}};
    for (const char* round : {"discovering", "engine known"}) {
        const std::vector<GetResult> alone =
            SnmpGetWith(requests, agent.address(), agent.port(), 2000, -1, aloneEngines);
        const std::vector<GetResult> over =
            EngineGetWith(engine, requests, agent.address(), agent.port(), 2000, overEngines, false);
        ExpectSame(over, alone, round);
        ASSERT_FALSE(over.empty()) << round;
        EXPECT_TRUE(over[0].ok) << round << ": failure " << static_cast<int>(over[0].failure);
        EXPECT_EQ(over[0].value, "Sala 9 - Compras") << round;
    }
}

} // namespace
} // namespace vorenta::snmp
