// The fixture agent checked against net-snmp's snmpget, so that a fault in the fixture cannot
// hide a fault in the client that is tested against it.
#include "collector/snmp/SnmpGet.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace vorenta::test {
namespace {

// Runs snmpget once (no retry, 2 s) and returns what it printed, stderr included.
std::string RunSnmpget(const FixtureSnmpAgent& agent, const std::string& oid)
{
    const std::string command = "snmpget -v1 -c public -r 0 -t 2 -On -Oq -Ov -Ot -Oe " + agent.address() +
                                ":" + std::to_string(agent.port()) + " " + oid + " 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof(buffer), pipe)) {
            // net-snmp's first run on a machine announces the folder it made for itself.
            if (std::string_view(buffer).starts_with("Created directory:"))
                continue;
            output += buffer;
        }
        ::pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

TEST(FixtureAgent, AnswersNetSnmpLikeARealAgent)
{
    if (!ProgramAvailable("snmpget"))
        VORENTA_PEER_MISSING("snmpget (Debian package snmp)");
    FixtureSnmpAgent agent(UniqueLoopbackPrefix() + "9", 0,
                           SnmpRecording::FromText("1.3.6.1.2.1.1.1.0|4|Fixture printer\n"
                                                   "1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.367.1\n"
                                                   "1.3.6.1.2.1.1.3.0|67|123456\n"
                                                   "1.3.6.1.2.1.2.2.1.6.1|4x|001ba9123456\n"
                                                   "1.3.6.1.2.1.4.20.1.1.1|64|192.168.0.25\n"
                                                   "1.3.6.1.2.1.43.5.1.1.1.1|2|-3\n"
                                                   "1.3.6.1.2.1.43.10.2.1.4.1.1|65|4294967295\n"
                                                   "1.3.6.1.2.1.25.2.3.1.5.1|66|128\n"));
    const std::pair<const char*, const char*> cases[] = {
        {"1.3.6.1.2.1.1.1.0", "\"Fixture printer\""},
        {"1.3.6.1.2.1.1.2.0", ".1.3.6.1.4.1.367.1"},
        {"1.3.6.1.2.1.1.3.0", "123456"},
        {"1.3.6.1.2.1.2.2.1.6.1", "\"00 1B A9 12 34 56 \""},
        {"1.3.6.1.2.1.4.20.1.1.1", "192.168.0.25"},
        {"1.3.6.1.2.1.43.5.1.1.1.1", "-3"},
        {"1.3.6.1.2.1.43.10.2.1.4.1.1", "4294967295"},
        {"1.3.6.1.2.1.25.2.3.1.5.1", "128"},
    };
    std::vector<std::string> asked;
    for (const auto& [oid, printed] : cases) {
        EXPECT_EQ(RunSnmpget(agent, oid), printed) << oid;
        asked.emplace_back(oid);
    }
    // An OID it does not have is answered noSuchName, which snmpget reports as such.
    EXPECT_NE(RunSnmpget(agent, "1.3.6.1.2.1.1.6.0").find("noSuchName"), std::string::npos);
    asked.emplace_back("1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(agent.askedOids(), asked);

    agent.staySilent();
    EXPECT_NE(RunSnmpget(agent, "1.3.6.1.2.1.1.1.0").find("Timeout"), std::string::npos);
}

TEST(FixtureAgent, FleetPutsAgentsOnOneUniquePrefixAtPort161)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "port 161 needs root";
    FixtureSnmpFleet fleet;
    for (int host = 2; host <= 5; ++host)
        fleet.add(host,
                  SnmpRecording::FromText("1.3.6.1.2.1.1.5.0|4|printer-" + std::to_string(host) + "\n"));
    EXPECT_EQ(fleet.address(3), fleet.prefix() + "3");
    EXPECT_EQ(fleet.at(3).port(), 161);
    EXPECT_EQ(snmp::SnmpGet("1.3.6.1.2.1.1.5.0", "public", fleet.address(3)).value, "printer-3");
    EXPECT_EQ(fleet.at(3).askedOids(), std::vector<std::string>{"1.3.6.1.2.1.1.5.0"});
    EXPECT_TRUE(fleet.at(2).askedOids().empty());
}

} // namespace
} // namespace vorenta::test
