#include "collector/service/RangeWalk.h"

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <gtest/gtest.h>

using namespace vorenta;
using vorenta::test::CapturingLogSink;
using vorenta::test::FixtureSnmpFleet;
using vorenta::test::SnmpRecording;

namespace {

class CapturingStore : public ReadingStore {
public:
    void StoreReading(const DeviceReading& reading) override { stored.append(reading); }
    QList<DeviceReading> stored;
};

// Answers as a printer with serial number "SN-<host>" at every address whose host number is in
// `printers`, throws at `failingHost`, and refuses (ok false) everywhere else.
class ScriptedNetwork : public SnmpSource {
public:
    SnmpAnswer SnmpGet(const QString& oid, const QString&, const QString& host) override
    {
        ++asked;
        const int number = host.section(u'.', 3).toInt();
        if (number == failingHost)
            throw std::runtime_error("falha no meio da faixa");
        if (!printers.contains(number))
            return {};
        if (oid == IdentificationOid::G3)
            return {true, QStringLiteral("SN-%1").arg(number)};
        return {true, QString()};
    }
    QList<int> printers;
    int failingHost = -1;
    int asked = 0;
};

// One printer recording with the standard objects identification reads.
SnmpRecording printer(const std::string& serial)
{
    return SnmpRecording::FromText("1.3.6.1.2.1.43.5.1.1.17.1|4|" + serial +
                                   "\n"
                                   "1.3.6.1.2.1.25.3.2.1.3.1|4|LaserJet 400\n"
                                   "1.3.6.1.2.1.43.10.2.1.4.1.1|65|12345\n");
}

struct WalkFixture {
    CapturingLogSink log;
    CapturingStore store;
    StopSignal stop;
    int manufacturerCalls = 0;

    RangeWalk walkOver(SnmpSource& source)
    {
        return RangeWalk(
            source, [this](DeviceReading&, const QString&, SnmpSource&) { ++manufacturerCalls; }, store, log,
            stop);
    }
};

QStringList walkLines(const CapturingLogSink& log)
{
    QStringList lines;
    for (const QString& line : log.lines) {
        if (line.startsWith("Coletando dados de ") || line.startsWith("Gravando dados "))
            lines.append(line);
    }
    return lines;
}

} // namespace

TEST(RangeWalk, VisitsEachAddressInOrderAndStoresThePrinters)
{
    FixtureSnmpFleet fleet;
    fleet.add(10, printer("AAA111"));
    fleet.add(12, printer("CCC333"));
    const QString prefix = QString::fromStdString(fleet.prefix());
    UdpSnmpSource udp(161, 500); // 11 has no agent: refused at once
    WalkFixture f;
    RangeWalk walk = f.walkOver(udp);

    walk.WalkRange(prefix + "10", prefix + "12");

    EXPECT_EQ(walkLines(f.log),
              QStringList({"Coletando dados de " + prefix + "10", "Gravando dados " + prefix + "10",
                           "Coletando dados de " + prefix + "11", "Coletando dados de " + prefix + "12",
                           "Gravando dados " + prefix + "12"}));
    ASSERT_EQ(f.store.stored.size(), 2);
    EXPECT_EQ(f.store.stored[0].NSerie, QStringLiteral("AAA111"));
    EXPECT_EQ(f.store.stored[0].IP, prefix + "10");
    EXPECT_EQ(f.store.stored[1].NSerie, QStringLiteral("CCC333"));
    EXPECT_EQ(f.manufacturerCalls, 2);
    EXPECT_EQ(walk.CurrentPrefix(), prefix);
}

TEST(RangeWalk, FallbackVisitsHostsTwoTo254OfTheLocalPrefix)
{
    FixtureSnmpFleet fleet; // only for its per-process prefix; nothing answers
    const QString prefix = QString::fromStdString(fleet.prefix());
    UdpSnmpSource udp(161, 500);
    WalkFixture f;
    RangeWalk walk = f.walkOver(udp);
    walk.SetCurrentPrefix(prefix);

    walk.CollectRange(2, 255);

    const QStringList lines = walkLines(f.log);
    ASSERT_EQ(lines.size(), 253);
    EXPECT_EQ(lines.first(), "Coletando dados de " + prefix + "2");
    EXPECT_EQ(lines.last(), "Coletando dados de " + prefix + "254");
    EXPECT_TRUE(f.store.stored.isEmpty());
}

TEST(RangeWalk, RangesThatCannotBeWalked)
{
    ScriptedNetwork network;
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);

    struct Case {
        const char* start;
        const char* end;
    };
    // None of these reaches the network, nor the resolver as a host name.
    for (const Case& bad : {
             Case{"192.168.0.250", "192.168.1.5"}, // another network
             Case{"10.0.0.5", ""},
             Case{"10.0.0.5", "10.0.0.x"},
             Case{"impressora", "10.0.0.9"},
             Case{"999.0.0.1", "999.0.0.9"},
             Case{"a.b.c.1", "a.b.c.9"},
             Case{"10.0.0.256", "10.0.0.256"},
             Case{"10.0.0", "10.0.0.9"},
             Case{"10.0.0.1.2", "10.0.0.9"},
             Case{"10.0.0.-1", "10.0.0.9"},
             Case{"10.0.0.1", "10.0.0.+9"},
             Case{"10..0.1", "10..0.9"},
             Case{"10.0.0.1", "10.0.0.9999999999"},
         }) {
        EXPECT_THROW(walk.WalkRange(bad.start, bad.end), RangeWalkError) << bad.start << " - " << bad.end;
    }
    EXPECT_TRUE(f.log.lines.isEmpty()) << "nothing is visited";
    EXPECT_EQ(network.asked, 0);
}

TEST(RangeWalk, EndAbove254StopsAt254)
{
    ScriptedNetwork network;
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);
    walk.WalkRange("10.9.8.250", "10.9.8.300");
    EXPECT_EQ(walkLines(f.log), QStringList({"Coletando dados de 10.9.8.250", "Coletando dados de 10.9.8.251",
                                             "Coletando dados de 10.9.8.252", "Coletando dados de 10.9.8.253",
                                             "Coletando dados de 10.9.8.254"}));
}

TEST(RangeWalk, AddressesAreWrittenInTheirPlainForm)
{
    ScriptedNetwork network;
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);
    walk.WalkRange(" 010.009.008.007 ", "10.9.8.8");
    EXPECT_EQ(walkLines(f.log), QStringList({"Coletando dados de 10.9.8.7", "Coletando dados de 10.9.8.8"}));
    EXPECT_EQ(walk.CurrentPrefix(), QStringLiteral("10.9.8."));
}

TEST(RangeWalk, StartAfterEndVisitsNothingAndSaysSo)
{
    ScriptedNetwork network;
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);
    walk.WalkRange("192.168.0.20", "192.168.0.10");
    EXPECT_EQ(f.log.lines, QStringList{"Range de IP invertido, nada coletado: 192.168.0.20 - 192.168.0.10"});
    EXPECT_EQ(network.asked, 0);
}

TEST(RangeWalk, VisitsTheHostsFromStartToEndSkipping255)
{
    struct Case {
        const char* start;
        const char* end;
        QStringList lines;
    };
    const Case cases[] = {
        // One printer configured as a range of one address.
        {"10.9.8.7", "10.9.8.7", {"Coletando dados de 10.9.8.7", "Gravando dados 10.9.8.7"}},
        {"10.9.8.253", "10.9.8.255", {"Coletando dados de 10.9.8.253", "Coletando dados de 10.9.8.254"}},
        {"10.9.8.255", "10.9.8.255", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        ScriptedNetwork network;
        network.printers = {7};
        WalkFixture f;
        RangeWalk walk = f.walkOver(network);
        walk.WalkRange(c.start, c.end);
        EXPECT_EQ(walkLines(f.log), c.lines);
        EXPECT_EQ(f.store.stored.size(), c.lines.count(QStringLiteral("Gravando dados 10.9.8.7")));
    }
}

TEST(RangeWalk, FailureAbandonsTheRestOfTheRangeSilently)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 4};
    network.failingHost = 3;
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);

    EXPECT_NO_THROW(walk.WalkRange("10.9.8.1", "10.9.8.5"));

    EXPECT_EQ(walkLines(f.log), QStringList({"Coletando dados de 10.9.8.1", "Gravando dados 10.9.8.1",
                                             "Coletando dados de 10.9.8.2", "Gravando dados 10.9.8.2",
                                             "Coletando dados de 10.9.8.3"}));
    EXPECT_EQ(f.log.lines.last(), QStringLiteral("Coletando dados de 10.9.8.3")) << "no error line";
    EXPECT_EQ(f.store.stored.size(), 2);
}

TEST(RangeWalk, NothingReadAtOneAddressSurvivesIntoTheNext)
{
    ScriptedNetwork network;
    network.printers = {1};
    WalkFixture f;
    RangeWalk walk = f.walkOver(network);
    walk.WalkRange("10.9.8.1", "10.9.8.2");
    ASSERT_EQ(f.store.stored.size(), 1);
    EXPECT_EQ(walkLines(f.log).size(), 3) << "the second address has no serial number and is not stored";
}

TEST(RangeWalk, StopEndsTheWalkAndStoresNothingCutShort)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 3};
    WalkFixture f;
    bool readerGotAnswerAfterStop = true;
    RangeWalk walk(
        network,
        [&](DeviceReading&, const QString& address, SnmpSource& snmp) {
            f.stop.request();
            readerGotAnswerAfterStop = snmp.SnmpGet(IdentificationOid::G3, "public", address).ok;
        },
        f.store, f.log, f.stop);
    walk.WalkRange("10.9.8.1", "10.9.8.3");
    EXPECT_FALSE(readerGotAnswerAfterStop) << "after a stop the readers' GETs fail at once";
    EXPECT_TRUE(f.store.stored.isEmpty()) << "the reading being taken when the stop came is not stored";
    EXPECT_EQ(walkLines(f.log), QStringList({"Coletando dados de 10.9.8.1"}));
}
