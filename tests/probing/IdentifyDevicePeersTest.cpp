// Identification against agents we did not write: Debian's snmpsimd playing a recorded printer and
// net-snmp's snmpd, a computer that answers SNMP but is no printer.
#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/SnmpRecording.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace vorenta {
namespace {

using namespace IdentificationOid;

constexpr int kWaitMs = 2000;

/// Passes every GET on and remembers the OIDs, to count what a real agent was asked.
class CountingSource final : public SnmpSource {
public:
    explicit CountingSource(SnmpSource& inner) : m_inner(inner) {}

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        asked.append(oid);
        return m_inner.SnmpGet(oid, community, host);
    }

    QStringList asked;

private:
    SnmpSource& m_inner;
};

TEST(IdentifyDevicePeers, RecordedRicohOnSnmpsimd)
{
    if (!test::SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd (Debian package snmpsim)");
    // prtGeneralServicePerson is not recorded: the agent answers noSuchName, so the RICOH
    // object names the maker; the serial number comes from the first RICOH serial object.
    const std::string recording =
        test::SnmpRecording::FromText(
            "1.3.6.1.2.1.1.1.0|4|RICOH MP C2504 1.00\n"
            "1.3.6.1.4.1.367.3.2.1.1.1.7.0|4|RICOH\n"
            "1.3.6.1.4.1.367.3.2.1.1.1.10.0|4|E174M123456\n"
            "1.3.6.1.2.1.25.3.2.1.3.1|4|RICOH MP C2504 1.00 / RICOH Network Printer C model\n"
            "1.3.6.1.2.1.2.2.1.6.1|4x|001ba9123456\n"
            "1.3.6.1.2.1.43.10.2.1.4.1.1|65|123456\n"
            "1.3.6.1.2.1.43.18.1.1.8.1.1|4|Pouco toner\n"
            "1.3.6.1.2.1.25.3.2.1.5.1|2|3\n"
            "1.3.6.1.2.1.1.6.0|4|Sala 4\n"
            "1.3.6.1.2.1.43.11.1.1.6.1.1|4|Black Toner\n"
            "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-3\n"
            "1.3.6.1.2.1.43.11.1.1.8.1.1|2|-2\n")
            .toText();
    test::SnmpSimulator simulator(test::UniqueLoopbackPrefix() + "30", 16110);
    ASSERT_TRUE(simulator.start(recording)) << simulator.log();
    UdpSnmpSource source(simulator.port(), kWaitMs);
    test::CapturingLogSink log;
    DeviceReading reading;
    const QString address = QString::fromStdString(simulator.address());

    IdentifyDevice(reading, address, source, log);

    DeviceReading expected;
    expected.IP = address;
    expected.Fabricante = "RICOH";
    expected.NSerie = "E174M123456";
    expected.Modelo = "MP C2504 1.00 /  Network Printer C model";
    expected.MacAddress = "00:1B:A9:12:34:56";
    expected.ContGeral = "123456";
    expected.StatusEquip = "Pouco toner";
    expected.Falha = "3-Warning";
    expected.DeviceLocation = "Sala 4";
    expected.SupriB = "Black Toner";
    expected.NivelB = "OK";
    expected.DurabB = "N/D";
    EXPECT_EQ(reading, expected);
    EXPECT_EQ(log.lines, QStringList{"MAC1: 00:1B:A9:12:34:56"});
}

TEST(IdentifyDevicePeers, ComputerRunningNetSnmpIsPassedOver)
{
    if (!test::NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    test::NetSnmpAgent agent(test::UniqueLoopbackPrefix() + "31", 16111);
    ASSERT_TRUE(agent.start({"sysDescr Linux servidor 6.1.0"})) << agent.log();
    UdpSnmpSource udp(agent.port(), kWaitMs);
    CountingSource source(udp);
    test::CapturingLogSink log;
    DeviceReading reading;
    const QString address = QString::fromStdString(agent.address());

    IdentifyDevice(reading, address, source, log);

    EXPECT_TRUE(reading.NSerie.isEmpty());
    EXPECT_EQ(reading.Fabricante, u"EPSON");
    EXPECT_EQ(source.asked, (QStringList{G1, G2, G4, G3, G5, G6, G7, G8, G9, G10, G13, G15, G6}));
    EXPECT_TRUE(log.lines.isEmpty());
}

} // namespace
} // namespace vorenta
