// The client against agents we did not write: Debian's snmpsimd and net-snmp's snmpd.
#include "tests/support/SnmpPeers.h"
#include "collector/snmp/SnmpGet.h"
#include "tests/snmp/Octets.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpRecording.h"

#include <gtest/gtest.h>

namespace vorenta::test {
namespace {

constexpr int kWaitMs = 2000;

struct Expected {
    const char* oid;
    std::string value;
};

void ExpectValues(const std::string& address, std::uint16_t port, const std::vector<Expected>& cases)
{
    for (const Expected& c : cases) {
        const snmp::GetResult result = snmp::SnmpGet(c.oid, "public", address, port, kWaitMs);
        EXPECT_TRUE(result.ok) << c.oid;
        EXPECT_EQ(Hex(result.value), Hex(c.value)) << c.oid << ": " << result.value;
    }
}

TEST(SnmpPeers, SnmpsimdServingARecording)
{
    if (!SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd (Debian package snmpsim)");
    const std::string recording =
        SnmpRecording::FromFile(VORENTA_SOURCE_DIR "/tests/data/snmp/printer.snmprec").toText();
    SnmpSimulator simulator(UniqueLoopbackPrefix() + "20", 16100);
    ASSERT_TRUE(simulator.start(recording)) << simulator.log();
    ExpectValues(simulator.address(), simulator.port(),
                 {
                     {"1.3.6.1.2.1.1.1.0", "Impressora Laser 4x00 - firmware 1.02"},
                     {"1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.367.1.1"},
                     {"1.3.6.1.2.1.1.3.0", "8640000"},
                     {"1.3.6.1.2.1.1.5.0", Octets("50 52 4E 2D 80 09 00 6E")},
                     {"1.3.6.1.2.1.2.2.1.6.1", Octets("00 1B A9 12 34 56")},
                     {"1.3.6.1.2.1.4.20.1.1.192.168.0.25", "192.168.0.25"},
                     {"1.3.6.1.2.1.25.3.2.1.5.1", "2"},
                     {"1.3.6.1.2.1.43.10.2.1.4.1.1", "4294967295"},
                     {"1.3.6.1.2.1.43.11.1.1.8.1.1", "-3"},
                     {"1.3.6.1.2.1.43.11.1.1.9.1.1", "2147483648"},
                     {"1.3.6.1.2.1.1.4.0", ""}, // not recorded: noSuchName, ok with empty value
                 });
}

TEST(SnmpPeers, NetSnmpAgent)
{
    if (!NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    NetSnmpAgent agent(UniqueLoopbackPrefix() + "21", 16101);
    ASSERT_TRUE(agent.start({"sysLocation Sala 3 - Recepção", "sysDescr Agente net-snmp de teste"}))
        << agent.log();
    ExpectValues(agent.address(), agent.port(),
                 {
                     {"1.3.6.1.2.1.1.6.0", "Sala 3 - Recepção"}, // UTF-8 octets come through unchanged
                     {"1.3.6.1.2.1.1.1.0", "Agente net-snmp de teste"},
                     {"1.3.6.1.2.1.1.2.0", "1.3.6.1.4.1.8072.3.2.10"},
                     {"1.3.6.1.2.1.1.99.0", ""},
                 });
    const snmp::GetResult uptime =
        snmp::SnmpGet("1.3.6.1.2.1.1.3.0", "public", agent.address(), agent.port(), kWaitMs);
    EXPECT_TRUE(uptime.ok);
    EXPECT_FALSE(uptime.value.empty());
    EXPECT_EQ(uptime.value.find_first_not_of("0123456789"), std::string::npos) << uptime.value;

    // A wrong community is ignored by snmpd: the whole wait passes.
    const snmp::GetResult wrong =
        snmp::SnmpGet("1.3.6.1.2.1.1.6.0", "secret", agent.address(), agent.port(), 300);
    EXPECT_FALSE(wrong.ok);
    EXPECT_EQ(wrong.failure, snmp::GetFailure::Timeout);
}

} // namespace
} // namespace vorenta::test
