#include "collector/probing/UdpSnmpSource.h"
#include "collector/probing/IdentifyDevice.h"
#include "common/Windows1252.h"
#include "tests/probing/IdentifyDeviceCases.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <chrono>

namespace vorenta {
namespace {

using namespace IdentificationOid;
using test::FixtureSnmpAgent;
using test::SnmpRecording;

const QString kCommunity = QStringLiteral("public");

QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

// An agent answers at once; the wait only matters when something is wrong.
constexpr int kWaitMs = 2000;

TEST(UdpSnmpSource, ValueOctetsBecomeOneCharacterEach)
{
    SnmpRecording recording;
    recording.setRaw("1.3.6.1.2.1.1.1.0", 0x04,
                     std::string("\x80\x00"
                                 "A\xA9",
                                 4));
    recording.set("1.3.6.1.2.1.43.11.1.1.9.1.1", "2", "-3");
    FixtureSnmpAgent agent(test::UniqueLoopbackPrefix() + "2", 0, recording);
    UdpSnmpSource source(agent.port(), kWaitMs);
    const QString host = ToQString(agent.address());

    const SnmpAnswer text = source.SnmpGet("1.3.6.1.2.1.1.1.0", kCommunity, host);
    EXPECT_TRUE(text.ok);
    const char16_t expected[] = {0x20AC, 0x0000, u'A', 0x00A9};
    EXPECT_EQ(text.value, QString(reinterpret_cast<const QChar*>(expected), 4));

    const SnmpAnswer level = source.SnmpGet("1.3.6.1.2.1.43.11.1.1.9.1.1", kCommunity, host);
    EXPECT_TRUE(level.ok);
    EXPECT_EQ(level.value, u"-3");

    // An object the device does not have: noSuchName, ok with an empty value.
    const SnmpAnswer missing = source.SnmpGet("1.3.6.1.2.1.1.6.0", kCommunity, host);
    EXPECT_TRUE(missing.ok);
    EXPECT_TRUE(missing.value.isEmpty());
    EXPECT_FALSE(missing.timedOut);
}

TEST(UdpSnmpSource, FailuresAreNotOkWithEmptyValue)
{
    const std::string address = test::UniqueLoopbackPrefix() + "3";
    std::uint16_t closedPort = 0;
    {
        FixtureSnmpAgent agent(address, 0, {});
        agent.staySilent();
        UdpSnmpSource source(agent.port(), 200);
        const SnmpAnswer silent = source.SnmpGet(G13, kCommunity, ToQString(address));
        EXPECT_FALSE(silent.ok);
        EXPECT_TRUE(silent.value.isEmpty());
        EXPECT_TRUE(silent.timedOut);
        closedPort = agent.port();
    }
    // Nobody listens any more: the port-unreachable reply fails the GET without waiting.
    UdpSnmpSource source(closedPort, kWaitMs);
    const SnmpAnswer refused = source.SnmpGet(G13, kCommunity, ToQString(address));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.value.isEmpty());
    EXPECT_FALSE(refused.timedOut) << "a refusal is no time-out";
}

TEST(UdpSnmpSource, SilentDeviceCostsTheCollectorTheWholeFiveSecondWait)
{
    // The source as the collector builds it: port 161 and the default wait.
    FixtureSnmpAgent agent(test::UniqueLoopbackPrefix() + "4", 161, {});
    agent.staySilent();
    UdpSnmpSource source;
    const auto start = std::chrono::steady_clock::now();
    const SnmpAnswer silent = source.SnmpGet(G13, kCommunity, ToQString(agent.address()));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(silent.ok);
    EXPECT_TRUE(silent.timedOut);
    EXPECT_GE(elapsed, std::chrono::milliseconds(5000)) << "a slow printer is given the whole wait";
    EXPECT_EQ(agent.datagramCount(), 1) << "and no second request";
}

/// The scripted device as an agent recording: numbers as INTEGER, other texts as OCTET STRING.
SnmpRecording RecordingOf(const test::ScriptedSnmpSource& device)
{
    static const QRegularExpression kInteger(QStringLiteral("^-?[0-9]{1,9}$"));
    SnmpRecording recording;
    for (auto it = device.answers.cbegin(); it != device.answers.cend(); ++it) {
        const std::string oid = it.key().toStdString();
        if (kInteger.match(it.value().value).hasMatch())
            recording.set(oid, "2", it.value().value.toStdString());
        else
            recording.setRaw(oid, 0x04, EncodeWindows1252(it.value().value));
    }
    return recording;
}

bool AllAnswered(const test::ScriptedSnmpSource& device)
{
    for (const SnmpAnswer& answer : device.answers) {
        if (!answer.ok)
            return false;
    }
    return true;
}

// The recorded devices that a real agent can play: those answering noSuchName for what they lack,
// and the silent one as an address that refuses SNMP.
TEST(IdentifyDeviceOverUdp, RecordedDevicesThroughTheFixtureAgent)
{
    const std::string prefix = test::UniqueLoopbackPrefix();
    int host = 10;
    int played = 0;
    for (const test::IdentifyCase& c : test::kIdentifyCases) {
        test::ScriptedSnmpSource script;
        c.device(script);
        const bool refusing = !script.answersNoSuchName && script.answers.isEmpty();
        if (!refusing && !(script.answersNoSuchName && AllAnswered(script)))
            continue;
        SCOPED_TRACE(c.name);
        ++played;

        const std::string address = prefix + std::to_string(host++);
        const QString hostText = ToQString(address);
        test::CapturingLogSink log;
        DeviceReading reading;
        if (refusing) {
            std::uint16_t closedPort = 0;
            {
                FixtureSnmpAgent gone(address, 0, {});
                closedPort = gone.port();
            }
            UdpSnmpSource source(closedPort, kWaitMs);
            IdentifyDevice(reading, hostText, source, log);
            const SnmpAnswer again = source.SnmpGet(G13, kCommunity, hostText);
            EXPECT_FALSE(again.ok || again.timedOut) << "refused at once";
        } else {
            FixtureSnmpAgent agent(address, 0, RecordingOf(script));
            UdpSnmpSource source(agent.port(), kWaitMs);
            IdentifyDevice(reading, hostText, source, log);
            QStringList asked;
            for (const std::string& oid : agent.askedOids())
                asked.append(ToQString(oid));
            if (!c.asked.isEmpty()) {
                EXPECT_EQ(asked, c.asked);
            }
        }

        DeviceReading expected;
        expected.IP = hostText;
        c.expected(expected);
        EXPECT_EQ(reading, expected);
        EXPECT_EQ(log.lines, c.log);
    }
    EXPECT_GE(played, 5);
}

} // namespace
} // namespace vorenta
