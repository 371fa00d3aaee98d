#include "collector/probing/PrefetchingSnmpSource.h"

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/ManufacturerDispatch.h"
#include "collector/probing/UdpSnmpSource.h"
#include "tests/probing/IdentifyDeviceCases.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/NoModelOids.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace IdentificationOid;
using test::FixtureSnmpAgent;
using test::SnmpRecording;

// Short enough for a test, long enough for an agent on loopback to answer in time.
constexpr int kWaitMs = 500;

const QString kFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");
const QString kE2e = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");

/// Counts what reaches the network: each SnmpGet and each SnmpGetMany is one wait at most.
class CountingSource final : public SnmpSource {
public:
    explicit CountingSource(SnmpSource& inner) : m_inner(inner) {}
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        ++waits;
        return m_inner.SnmpGet(oid, community, host);
    }
    QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                  const QString& host) override
    {
        ++waits;
        return m_inner.SnmpGetMany(oids, community, host);
    }
    int waits = 0;

private:
    SnmpSource& m_inner;
};

QStringList Asked(const FixtureSnmpAgent& agent)
{
    QStringList asked;
    for (const std::string& oid : agent.askedOids())
        asked.append(QString::fromStdString(oid));
    return asked;
}

/// What the walk makes of one address: identification, then, for a printer, the readers.
struct Visit {
    DeviceReading reading;
    QStringList log;
    QStringList asked;
    bool prefetched = false;
};

enum class Through { Device, Prefetching };

/// Visits a fresh agent playing `recording`, prepared by `prepare`, directly or through the
/// prefetching source.
Visit VisitDevice(const SnmpRecording& recording, int host, Through through,
                  const std::function<void(FixtureSnmpAgent&)>& prepare)
{
    FixtureSnmpAgent agent(test::UniqueLoopbackPrefix() + std::to_string(host), 0, recording);
    prepare(agent);
    UdpSnmpSource udp(agent.port(), kWaitMs);
    PrefetchingSnmpSource prefetching(udp);
    SnmpSource& source = through == Through::Device ? static_cast<SnmpSource&>(udp) : prefetching;
    test::CapturingLogSink log;
    test::NoModelOids noTable;
    Visit visit;
    const QString address = QString::fromStdString(agent.address());
    IdentifyDevice(visit.reading, address, source, log);
    if (!IsBlank(visit.reading.NSerie))
        ReadManufacturerData(visit.reading, address, source, noTable, log, MakerFallback::Off);
    visit.reading.IP.clear(); // each visit has an agent of its own
    visit.log = log.lines;
    visit.asked = Asked(agent);
    visit.prefetched = prefetching.prefetched();
    return visit;
}

TEST(SilentDeviceChain, IsWhatIdentificationAsksWhereNothingAnswers)
{
    EXPECT_EQ(SilentDeviceChain(), test::kSilentSequence);
}

// A silent address: the 13 OIDs of the serial chain in its send order, two waits instead of 13,
// and the reading of a silent address.
TEST(PrefetchingSnmpSource, SilentAddressIsAskedTheSerialChainWithTwoWaits)
{
    FixtureSnmpAgent agent(test::UniqueLoopbackPrefix() + "30", 0);
    agent.staySilent();
    UdpSnmpSource udp(agent.port(), kWaitMs);
    CountingSource counting(udp);
    PrefetchingSnmpSource source(counting);
    test::CapturingLogSink log;
    DeviceReading reading;

    IdentifyDevice(reading, QString::fromStdString(agent.address()), source, log);

    EXPECT_EQ(Asked(agent), test::kSilentSequence);
    EXPECT_EQ(counting.waits, 2);
    EXPECT_TRUE(source.prefetched());
    EXPECT_TRUE(reading.NSerie.isEmpty());
    EXPECT_EQ(reading.Fabricante, QStringLiteral("EPSON"));
    EXPECT_TRUE(log.lines.isEmpty());
}

// A device that answers its first GET, or refuses it, is asked exactly as without the source:
// nothing goes out ahead of identification.
TEST(PrefetchingSnmpSource, AnsweredOrRefusedFirstGetKeepsTheSerialSequence)
{
    const SnmpRecording recording = SnmpRecording::FromFile((kE2e + "laser-mono.snmprec").toStdString());
    const auto asIs = [](FixtureSnmpAgent&) {};
    const Visit serial = VisitDevice(recording, 31, Through::Device, asIs);
    const Visit early = VisitDevice(recording, 32, Through::Prefetching, asIs);
    EXPECT_EQ(early.asked, serial.asked);
    EXPECT_EQ(early.reading, serial.reading);
    EXPECT_EQ(early.log, serial.log);
    EXPECT_FALSE(early.prefetched);

    std::uint16_t closedPort = 0;
    QString address;
    {
        FixtureSnmpAgent gone(test::UniqueLoopbackPrefix() + "33", 0);
        closedPort = gone.port();
        address = QString::fromStdString(gone.address());
    }
    UdpSnmpSource udp(closedPort, 60000); // a refusal never waits
    CountingSource counting(udp);
    PrefetchingSnmpSource source(counting);
    test::CapturingLogSink log;
    DeviceReading reading;
    IdentifyDevice(reading, address, source, log);
    EXPECT_FALSE(source.prefetched()) << "a refusal is no silence";
    EXPECT_EQ(counting.waits, test::kSilentSequence.size());
}

// Devices that miss their first GET (lost, or answered after the wait) but answer later: the
// reading, the log lines and what identification makes of the answers equal the serial walk's.
TEST(PrefetchingSnmpSource, DeviceThatMissesItsFirstGetIsReadAsSerially)
{
    struct Case {
        const char* name;
        QString recording;
        std::function<void(FixtureSnmpAgent&)> prepare;
    };
    const auto missFirst = [](FixtureSnmpAgent& agent) { agent.dropRequests(1); };
    // Silent (not noSuchName) for the objects it lacks, the first among them.
    const auto silentForMissing = [](const std::vector<std::string>& oids) {
        return [oids](FixtureSnmpAgent& agent) {
            for (const std::string& oid : oids)
                agent.ignoreOid(oid);
        };
    };
    const Case cases[] = {
        {"mono laser, first GET lost", kE2e + "laser-mono.snmprec", missFirst},
        {"colour MFP, first GET lost", kE2e + "color-mfp.snmprec", missFirst},
        {"HP, first GET lost", kFleet + "2-hp-laserjet.snmprec", missFirst},
        {"RICOH, first GET lost", kFleet + "3-ricoh-mpc2504.snmprec", missFirst},
        {"KYOCERA, first GET lost", kFleet + "4-kyocera-m2035dn.snmprec", missFirst},
        {"SAMSUNG, first GET lost", kFleet + "5-samsung-m4070.snmprec", missFirst},
        {"OKI, first GET lost", kFleet + "6-oki-c532.snmprec", missFirst},
        {"LEXMARK, first GET lost", kFleet + "7-lexmark-mx611.snmprec", missFirst},
        {"silent for prtGeneralServicePerson and the RICOH objects", kFleet + "2-hp-laserjet.snmprec",
         silentForMissing({G1.latin1(), G2.latin1(), G6.latin1(), G7.latin1()})},
        {"silent for what it lacks, serial number from LEXMARK's object", kFleet + "7-lexmark-mx611.snmprec",
         silentForMissing({G1.latin1(), G2.latin1(), G4.latin1(), G3.latin1(), G5.latin1()})},
    };
    int host = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SnmpRecording recording = SnmpRecording::FromFile(c.recording.toStdString());
        const Visit serial = VisitDevice(recording, host++, Through::Device, c.prepare);
        const Visit early = VisitDevice(recording, host++, Through::Prefetching, c.prepare);
        ASSERT_FALSE(IsBlank(serial.reading.NSerie)) << "the case must be a printer";
        EXPECT_TRUE(early.prefetched);
        EXPECT_EQ(early.reading, serial.reading);
        EXPECT_EQ(early.log, serial.log);
    }
}

} // namespace
} // namespace vorenta
