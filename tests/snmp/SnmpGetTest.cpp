#include "collector/snmp/SnmpGet.h"
#include "tests/snmp/Octets.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sys/eventfd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace vorenta::snmp {
namespace {

using test::FixtureSnmpAgent;
using test::Hex;
using test::Octets;
using test::SnmpRecording;
using test::UniqueLoopbackPrefix;

constexpr int kShortWaitMs = 300;

// 2000 octets: a reply larger than the UDP payload of one Ethernet frame (1472 octets).
const std::string kLongText = [] {
    std::string text;
    while (text.size() < 2000)
        text += "0123456789";
    return text;
}();

const std::string kRecording = "1.3.6.1.2.1.1.1.0|4|Impressora de teste\n"
                               "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.367.1.1\n"
                               "1.3.6.1.2.1.2.2.1.6.1|4x|001ba9123456\n"
                               "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967295\n"
                               "1.3.6.1.2.1.1.4.0|4|" +
                               kLongText + "\n";

class SnmpGetOverUdp : public ::testing::Test {
protected:
    FixtureSnmpAgent agent{UniqueLoopbackPrefix() + "7", 0, SnmpRecording::FromText(kRecording)};

    GetResult get(std::string_view oid)
    {
        return SnmpGet(oid, "public", agent.address(), agent.port(), kShortWaitMs);
    }
};

TEST_F(SnmpGetOverUdp, TakesTheValueBoundToTheRequestedOid)
{
    struct Case {
        const char* oid;
        std::string value;
        const char* asked; // what the agent saw
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.1.0", "Impressora de teste", "1.3.6.1.2.1.1.1.0"},
        {"1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.367.1.1", "1.3.6.1.2.1.1.2.0"},
        {"1.3.6.1.2.1.2.2.1.6.1", Octets("00 1B A9 12 34 56"), "1.3.6.1.2.1.2.2.1.6.1"},
        {"1.3.6.1.2.1.43.10.2.1.4.1.1", "4294967295", "1.3.6.1.2.1.43.10.2.1.4.1.1"},
        {"1.3.6.1.2.1.1.4.0", kLongText, "1.3.6.1.2.1.1.4.0"},
        // Unknown OID: noSuchName with the binding echoed NULL is still a well-formed answer.
        {"1.3.6.1.2.1.1.6.0", "", "1.3.6.1.2.1.1.6.0"},
        // A trailing dot asks for the same OID but can never match the reply's canonical text.
        {"1.3.6.1.2.1.1.1.0.", "", "1.3.6.1.2.1.1.1.0"},
        // A leading dot becomes an extra first arc 0.
        {".1.3.6.1.2.1.1.1.0", "", "0.1.3.6.1.2.1.1.1.0"},
    };
    for (const Case& c : cases) {
        agent.clearAsked();
        const GetResult result = get(c.oid);
        EXPECT_TRUE(result.ok) << c.oid;
        EXPECT_EQ(result.failure, GetFailure::None) << c.oid;
        EXPECT_EQ(Hex(result.value), Hex(c.value)) << c.oid;
        EXPECT_EQ(agent.askedOids(), std::vector<std::string>{c.asked}) << c.oid;
    }
}

TEST_F(SnmpGetOverUdp, EveryCallSendsTheSameRequestWithRequestIdOne)
{
    get("1.3.6.1.2.1.1.1.0");
    get("1.3.6.1.2.1.1.1.0");
    const std::string expected =
        Octets("30 26 02 01 00 04 06 70 75 62 6C 69 63 A0 19 02 01 01 02 01 00 02 01 00 "
               "30 0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00");
    const std::vector<std::string> sent = agent.receivedDatagrams();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(Hex(sent[0]), Hex(expected));
    EXPECT_EQ(Hex(sent[1]), Hex(expected));
}

TEST_F(SnmpGetOverUdp, AgentAnsweringNoSuchNameGivesOkWithEmptyValue)
{
    agent.answerNoSuchName();
    const GetResult result = get("1.3.6.1.2.1.1.1.0");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "");
}

TEST_F(SnmpGetOverUdp, UndecodableDatagramFails)
{
    for (const char* raw : {"30", "02 01 00", "30 05 02 01 00 04", ""}) {
        agent.sendRaw(Octets(raw));
        const GetResult result = get("1.3.6.1.2.1.1.1.0");
        EXPECT_FALSE(result.ok) << raw;
        EXPECT_EQ(result.value, "") << raw;
        EXPECT_EQ(result.failure, GetFailure::Undecodable) << raw;
    }
}

TEST_F(SnmpGetOverUdp, SilenceCostsTheWholeWaitAndOneDatagram)
{
    agent.staySilent();
    const auto start = std::chrono::steady_clock::now();
    const GetResult result = get("1.3.6.1.2.1.1.1.0");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, GetFailure::Timeout);
    EXPECT_GE(elapsed, std::chrono::milliseconds(kShortWaitMs));
    EXPECT_EQ(agent.datagramCount(), 1);
}

// A loopback port nobody listens on: bind one, note it, close it.
std::uint16_t ClosedPort(const std::string& address)
{
    const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    ::inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr);
    ::bind(probe, reinterpret_cast<const sockaddr*>(&endpoint), sizeof(endpoint));
    socklen_t size = sizeof(endpoint);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&endpoint), &size);
    ::close(probe);
    return ntohs(endpoint.sin_port);
}

TEST(SnmpGetFailures, PortUnreachableIsRefused)
{
    const std::string address = UniqueLoopbackPrefix() + "8";
    const GetResult result = SnmpGet("1.3.6.1.2.1.1.1.0", "public", address, ClosedPort(address));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.value, "");
    EXPECT_EQ(result.failure, GetFailure::Refused);
}

TEST(SnmpGetFailures, HostTextIsResolvedOrTheCallFailsWithoutSending)
{
    FixtureSnmpAgent agent("127.0.0.1", 0, SnmpRecording::FromText("1.3.6.1.2.1.1.5.0|4|nome\n"));
    // "localhost" comes from /etc/hosts; no other name is tried, so nothing leaves the machine.
    const GetResult named = SnmpGet("1.3.6.1.2.1.1.5.0", "public", "localhost", agent.port(), kShortWaitMs);
    EXPECT_TRUE(named.ok);
    EXPECT_EQ(named.value, "nome");

    const GetResult empty = SnmpGet("1.3.6.1.2.1.1.5.0", "public", "", agent.port(), kShortWaitMs);
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.failure, GetFailure::Unresolved);
    EXPECT_EQ(agent.datagramCount(), 1);
}

// Several GETs at once: each result is what SnmpGet gives for its OID, the requests reach the
// device in the order given, and however many of them go unanswered the call waits once.
TEST(SnmpGetMany, EachAnswerAsSnmpGetGivesItWithOneWaitForAll)
{
    constexpr int kWaitMs = 1000;
    const std::string address = UniqueLoopbackPrefix() + "9";
    FixtureSnmpAgent agent(address, 0, SnmpRecording::FromText(kRecording));
    const std::vector<std::string> silent = {"1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0",
                                             "1.3.6.1.2.1.1.7.0", "1.3.6.1.2.1.1.8.0"};
    for (const std::string& oid : silent)
        agent.ignoreOid(oid);
    const std::vector<std::string> oids = {silent[0], "1.3.6.1.2.1.1.1.0", silent[1],
                                           silent[2], "1.3.6.1.2.1.9.9.0", silent[3],
                                           silent[4], "1.3.6.1.2.1.1.1.0"};

    const auto start = std::chrono::steady_clock::now();
    const std::vector<GetResult> many = SnmpGetMany(oids, "public", address, agent.port(), kWaitMs);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    ASSERT_EQ(many.size(), oids.size());
    for (std::size_t i = 0; i < oids.size(); ++i) {
        const GetResult one = SnmpGet(oids[i], "public", address, agent.port(), 200);
        EXPECT_EQ(many[i].ok, one.ok) << oids[i];
        EXPECT_EQ(many[i].value, one.value) << oids[i];
        EXPECT_EQ(many[i].failure, one.failure) << oids[i];
    }
    EXPECT_EQ(many[1].value, "Impressora de teste");
    EXPECT_TRUE(many[4].ok) << "noSuchName is an answer";
    EXPECT_EQ(many[0].failure, GetFailure::Timeout);
    const std::vector<std::string> asked = agent.askedOids();
    EXPECT_EQ(std::vector<std::string>(asked.begin(), asked.begin() + 8), oids) << "sent in the order given";
    // One after another the five silent OIDs would cost five waits.
    EXPECT_LT(elapsed, std::chrono::milliseconds(4 * kWaitMs)) << "one wait shared by all";
}

TEST(SnmpGetMany, RefusalsAndUnknownHostsFailEachRequest)
{
    const std::string address = UniqueLoopbackPrefix() + "10";
    const std::vector<std::string> oids = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.5.0"};
    for (const GetResult& result : SnmpGetMany(oids, "public", address, ClosedPort(address), 10000)) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.failure, GetFailure::Refused);
    }
    for (const GetResult& result : SnmpGetMany(oids, "public", "", 161, 300))
        EXPECT_EQ(result.failure, GetFailure::Unresolved);
    EXPECT_TRUE(SnmpGetMany({}, "public", address, 161, 10000).empty());
}

// A stop ends the waits in flight at once: the GETs still open fail as cancelled, an answer that
// came before the stop is kept.
TEST(SnmpGetMany, CancelDescriptorEndsTheWaitAtOnce)
{
    const std::string address = UniqueLoopbackPrefix() + "11";
    FixtureSnmpAgent agent(address, 0, SnmpRecording::FromText(kRecording));
    agent.ignoreOid("1.3.6.1.2.1.1.5.0");
    const int cancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ASSERT_GE(cancel, 0);
    std::thread stopper([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(cancel, &one, sizeof(one));
    });
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> oids = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.5.0"};
    const std::vector<GetResult> results = SnmpGetMany(oids, "public", address, agent.port(), 60000, cancel);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    stopper.join();

    EXPECT_TRUE(results[0].ok);
    EXPECT_EQ(results[0].value, "Impressora de teste");
    EXPECT_FALSE(results[1].ok);
    EXPECT_EQ(results[1].failure, GetFailure::Cancelled);
    EXPECT_LT(elapsed, std::chrono::seconds(30)) << "not the 60 s wait";

    // Once cancelled, a GET does not wait at all.
    const GetResult late = SnmpGet("1.3.6.1.2.1.1.5.0", "public", address, agent.port(), 60000, cancel);
    EXPECT_EQ(late.failure, GetFailure::Cancelled);
    ::close(cancel);
}

} // namespace
} // namespace vorenta::snmp
