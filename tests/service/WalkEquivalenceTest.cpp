// The concurrent walk is observably the serial walk: one mixed fleet walked by a whole cycle at
// Simultaneos=1 and at 64, on SQLite and PostgreSQL, stores the same DadosOid rows and writes the
// same log lines in the same order.
#include "collector/database/ModelOidLookup.h"
#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/ManufacturerDispatch.h"
#include "collector/probing/UdpSnmpSource.h"
#include "collector/service/CollectionCycle.h"
#include "collector/service/walk/ConcurrentWalk.h"
#include "collector/service/walk/RangeWalk.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/StoreTestSupport.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

#include <system_error>

namespace vorenta {
namespace {

using namespace IdentificationOid;

// Short enough for the serial walk's silent addresses, long enough for agents on loopback.
constexpr int kWaitMs = 500;

const QString kFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");
const QString kE2e = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");

/// The mixed fleet: printers, silent and refusing addresses, a device silent for the objects it
/// lacks, and one that misses its first GET. Made afresh for each walk.
struct MixedFleet {
    MixedFleet()
    {
        add(2, kE2e + "laser-mono.snmprec");
        fleet.add(3, {}).staySilent();
        add(5, kE2e + "color-mfp.snmprec");
        test::FixtureSnmpAgent& partial = add(6, kFleet + "2-hp-laserjet.snmprec");
        for (const QLatin1StringView oid : {G1, G2, G6, G7})
            partial.ignoreOid(std::string(oid.latin1()));
        add(7, kFleet + "3-ricoh-mpc2504.snmprec").dropRequests(1);
        add(9, kFleet + "5-samsung-m4070.snmprec");
        fleet.add(10, {}).staySilent();
        add(12, kFleet + "6-oki-c532.snmprec");
        add(30, kFleet + "4-kyocera-m2035dn.snmprec");
        add(31, kFleet + "7-lexmark-mx611.snmprec");
        // 4, 8, 11: nothing listens, every GET is refused at once.
    }

    test::FixtureSnmpAgent& add(int host, const QString& recording)
    {
        return fleet.add(host, test::SnmpRecording::FromFile(recording.toStdString()));
    }

    test::FixtureSnmpFleet fleet;
};

/// What one cycle left behind.
struct CycleOutcome {
    QStringList log;
    QList<QStringList> rows;
};

class WalkEquivalence : public test::DatabaseTest {
protected:
    /// Sets up `database` like the fixture's and runs one cycle at `simultaneous`.
    CycleOutcome runCycle(test::TestDatabase& database, int simultaneous)
    {
        const QString prefix = QString::fromStdString(test::UniqueLoopbackPrefix());
        database.insertParametros("K1", "0");
        database.insertRange("K1", "S1", prefix + "2", prefix + "12");
        database.insertRange("K1", "S1", prefix + "20", "x"); // cannot be walked
        database.insertRange("K1", "S1", prefix + "30", prefix + "31");
        database.insertRange("K1", "S1", prefix + "41", prefix + "40"); // reversed: one line
        // Two rows name the scan counter of the LM-4200: whichever the database returns first wins.
        database.insertOid("LM-4200", "ContadorScan", "1.3.6.1.2.1.43.11.1.1.8.1.1");
        database.insertOid("*", "ContadorScan", "1.3.6.1.2.1.43.11.1.1.9.1.1");
        database.insertOid("*", "Inf1", "1.3.6.1.2.1.1.1.0");
        database.insertOid("C300", "Inf2", "1.3.6.1.2.1.1.6.0");

        std::optional<MixedFleet> fleet;
        try {
            fleet.emplace();
        } catch (const std::system_error& error) {
            ADD_FAILURE() << "loopback SNMP port 161 (root): " << error.what();
            return {};
        }
        test::CapturingLogSink file;
        WalkOrderLog log(file);
        StopSignal stop;
        const CollectorIdentity identity{"K1", "S1", "Matriz", "25/12/2030"};
        CollectorSettings settings = test::StoreSettings();
        TDTM dataModule(database.settings(), identity, log);
        DatabaseReadingStore store(dataModule, settings);
        ModelOidLookup modelOids(dataModule);
        UdpSnmpSource network(161, kWaitMs, stop.descriptor());
        const WalkParts parts{network,
                              [](DeviceReading& reading, const QString& address, SnmpSource& device,
                                 ModelOidTable& oids, LogSink& lines) {
                                  ReadManufacturerData(reading, address, device, oids, lines,
                                                       MakerFallback::Off);
                              },
                              modelOids, store};
        std::unique_ptr<AddressWalk> walk;
        if (simultaneous == 1)
            walk = std::make_unique<RangeWalk>(parts, log, stop);
        else
            walk = std::make_unique<ConcurrentWalk>(parts, log, stop, simultaneous);
        CollectionCycle cycle(
            identity, dataModule, *walk, [] { return QString(); }, log, stop);
        // Each look at the clock 10.3 s after the one before: both walks' lines read alike.
        std::chrono::steady_clock::time_point now{};
        cycle.setClock([&now] { return now += std::chrono::milliseconds(10300); });
        {
            const test::Deadline deadline("the cycle at Simultaneos=" + std::to_string(simultaneous) +
                                              " to end",
                                          std::chrono::minutes(3));
            cycle.RunCycle(false);
        }
        return {file.lines, test::StoredRowsWithoutDates(database.connection())};
    }
};

TEST_P(WalkEquivalence, SixtyFourAtOnceStoresAndLogsAsTheSerialWalk)
{
    const CycleOutcome serial = runCycle(db(), 1);
    test::TestDatabase second(GetParam());
    const CycleOutcome concurrent = runCycle(second, 64);

    const QString all = serial.log.join('\n');
    ASSERT_EQ(serial.rows.size(), 8) << all.toStdString();
    EXPECT_TRUE(serial.log.contains(
        "Erro ao capturar dados de : " + QString::fromStdString(test::UniqueLoopbackPrefix()) + "20"))
        << all.toStdString();
    EXPECT_TRUE(serial.log.contains(
        "Range de IP invertido, nada coletado: " + QString::fromStdString(test::UniqueLoopbackPrefix()) +
        "41 - " + QString::fromStdString(test::UniqueLoopbackPrefix()) + "40"))
        << all.toStdString();
    EXPECT_EQ(serial.log.last(), QStringLiteral("Busca concluída: 13 endereços, 8 equipamentos, 8 gravados, "
                                                "0 pendentes, 0 recusados, 0 erros, 10,3 s"));
    EXPECT_EQ(concurrent.log, serial.log);
    EXPECT_EQ(concurrent.rows, serial.rows);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(WalkEquivalence);

} // namespace
} // namespace vorenta
