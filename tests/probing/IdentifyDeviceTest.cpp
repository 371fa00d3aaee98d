#include "collector/probing/IdentifyDevice.h"
#include "tests/probing/IdentifyDeviceCases.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace IdentificationOid;
using test::IdentifyCase;
using test::ScriptedSnmpSource;

const QString kAddress = QStringLiteral("127.0.0.9");

TEST(IdentifyDevice, RecordedDevices)
{
    for (const IdentifyCase& c : test::kIdentifyCases) {
        SCOPED_TRACE(c.name);
        ScriptedSnmpSource device;
        c.device(device);
        test::CapturingLogSink log;
        DeviceReading reading;

        IdentifyDevice(reading, kAddress, device, log);

        DeviceReading expected;
        expected.IP = kAddress;
        c.expected(expected);
        EXPECT_EQ(reading, expected);
        if (!c.asked.isEmpty()) {
            EXPECT_EQ(device.asked, c.asked);
        }
        EXPECT_EQ(log.lines, c.log);
        for (const QString& community : device.communities)
            EXPECT_EQ(community, u"public");
        for (const QString& host : device.hosts)
            EXPECT_EQ(host, kAddress);
    }
}

TEST(IdentifyDevice, EmptiesWhatOnlyTheReadersFill)
{
    ScriptedSnmpSource device;
    device.set(G1, "Acme").set(G3, "S9");
    test::CapturingLogSink log;
    DeviceReading reading;
    reading.MacAddress = reading.ContA3 = reading.ContA4 = reading.ContJams = "stale";

    IdentifyDevice(reading, kAddress, device, log);

    EXPECT_TRUE(reading.MacAddress.isEmpty());
    EXPECT_TRUE(reading.ContA3.isEmpty());
    EXPECT_TRUE(reading.ContA4.isEmpty());
    EXPECT_TRUE(reading.ContJams.isEmpty());
}

TEST(IdentifyDevice, RicohSerialIsAskedOnceMoreAtTheEnd)
{
    // A device that misses the first GET of the Ricoh serial (busy, a lost datagram) answers
    // the second one, after the device-ID text: it is identified, its manufacturer left alone.
    ScriptedSnmpSource device;
    device.inTurn(G6, {test::NoAnswer, test::Answers(" R6-0042 ")});
    test::CapturingLogSink log;
    DeviceReading reading;

    IdentifyDevice(reading, kAddress, device, log);

    EXPECT_EQ(reading.NSerie, QStringLiteral("R6-0042"));
    EXPECT_EQ(reading.Fabricante, QStringLiteral("EPSON"));
    EXPECT_EQ(device.asked, test::kSilentSequence + test::IdentifiedTail());
}

TEST(IdentifyDevice, MacLineCannotForgeALogLine)
{
    // An address of unusual length is kept as read; its log line shows the octets escaped.
    const QString mac = QChar(0) + QStringLiteral("\r\n01/01/2020 - 00:00:00: x\\");
    ScriptedSnmpSource device;
    device.set(G1, "Acme").set(G3, "S9").set(G17, mac);
    test::CapturingLogSink log;
    DeviceReading reading;

    IdentifyDevice(reading, kAddress, device, log);

    EXPECT_EQ(reading.MacAddress, mac);
    EXPECT_EQ(log.lines, QStringList{"MAC1: \\x00\\x0D\\x0A01/01/2020 - 00:00:00: x\\\\"});
}

TEST(IdentifyDevice, StateAndSupplyTexts)
{
    const std::pair<QString, QString> states[] = {
        {"1", "1-Desconhecido"}, {"2", "2-TUDO OK"},      {"3", "3-Warning"},     {"4", "4-Testando"},
        {"5", "5-Inoperante"},   {"6", "1-Desconhecido"}, {"", "1-Desconhecido"},
    };
    for (const auto& [status, text] : states)
        EXPECT_EQ(DeviceStateText(status), text) << status.toStdString();

    struct SupplyCase {
        QString value, level, capacity;
    };
    const SupplyCase supplies[] = {
        {"-1", "N/D", "N/D"}, {"-2", "N/D", "N/D"}, {"-3", "OK", "-3"}, {"45", "45", "45"}, {"", "", ""},
    };
    for (const SupplyCase& s : supplies) {
        EXPECT_EQ(SupplyLevelText(s.value), s.level) << s.value.toStdString();
        EXPECT_EQ(SupplyCapacityText(s.value), s.capacity) << s.value.toStdString();
    }
}

} // namespace
} // namespace vorenta
