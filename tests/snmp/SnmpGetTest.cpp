#include "collector/snmp/SnmpGet.h"
#include "tests/snmp/Octets.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

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

} // namespace
} // namespace vorenta::snmp
