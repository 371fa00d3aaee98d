#include "collector/service/CollectionCycle.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/CycleFakes.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <future>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

using namespace vorenta;
using vorenta::test::CapturingLogSink;

namespace {

using vorenta::test::FakeDatabase;
using vorenta::test::FakeWalk;

struct CycleFixture {
    CapturingLogSink log;
    FakeDatabase database{log};
    FakeWalk walk{log};
    StopSignal stop;
    CollectorIdentity identity{"CLI", "7", {}, {}};
    QString localIp = "127.0.0.37";
    CollectionCycle cycle{identity, database, walk, [this] { return localIp; }, log, stop};
};

} // namespace

TEST(CollectionCycle, WalksEveryFilledSlotInOrderThenRests)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.database.ranges.slot(2) = {"  ", "127.0.0.99"}; // blank start: skipped without a line
    f.database.ranges.slot(3) = {"10.0.0.5", "falha"};
    f.database.ranges.slot(1000) = {"127.0.1.1", "127.0.1.2"};
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines,
              QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK", "[load]",
                           "[walk 127.0.0.10-127.0.0.12]", "Erro ao capturar dados de : 10.0.0.5",
                           "[walk 127.0.1.1-127.0.1.2]", "[rest]"}));
}

TEST(CollectionCycle, AddressWithoutThreeDotsIsReportedLikeAnyBadRange)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"impressora", "x"};
    f.cycle.RunCycle();
    EXPECT_TRUE(f.log.contains("Erro ao capturar dados de : impressora"));
}

TEST(CollectionCycle, ConfiguredButAllBlankStillRests)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines.last(), QStringLiteral("[rest]"));
    EXPECT_TRUE(f.log.startingWith("[walk").isEmpty());
}

TEST(CollectionCycle, NoRangeFallsBackToTheLocalNetwork)
{
    CycleFixture f;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines,
              QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK", "[load]",
                           "Sem faixa de IP criada: 127.0.0.", "[collect 127.0.0.2-255]", "[rest]"}));
    EXPECT_EQ(f.cycle.LocalIp(), QStringLiteral("127.0.0.37"));
}

TEST(CollectionCycle, AFailedLoadNeverFallsBackToTheLocalNetwork)
{
    CycleFixture f;
    f.database.loads = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[load]", "[rest]"}));

    // With ranges from an earlier load, a failed load walks those.
    f.database.loads = true;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.cycle.RunCycle();
    f.database.loads = false;
    f.database.ranges = RangeTable{};
    f.log.lines.clear();
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.startingWith("[walk"), QStringList({"[walk 127.0.0.10-127.0.0.12]"}));
    EXPECT_TRUE(f.log.startingWith("Sem faixa").isEmpty());
}

TEST(CollectionCycle, LocalAddressThatIsNoAddressScansNothing)
{
    for (const char* local : {"2", "10.0.0", "192.168.0.300", "a.b.c.d"}) {
        CycleFixture f;
        f.localIp = QString::fromLatin1(local);
        f.cycle.RunCycle();
        EXPECT_EQ(f.log.lines.last(), "Endereço IP local inválido, rede local não coletada: " + f.localIp);
        EXPECT_TRUE(f.log.startingWith("[collect").isEmpty()) << local;
    }
}

TEST(CollectionCycle, BadRangeTextIsLoggedOnOneLine)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"10.0.0.1\r\n01/01/2020 - 00:00:00: x", "falha"};
    f.cycle.RunCycle();
    EXPECT_TRUE(f.log.contains("Erro ao capturar dados de : 10.0.0.1\\x0D\\x0A01/01/2020 - 00:00:00: x"))
        << f.log.lines.join('\n').toStdString();
}

TEST(CollectionCycle, NoRangeAndNoLocalAddressEndsWithoutRest)
{
    CycleFixture f;
    f.localIp.clear();
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines.last(), QStringLiteral("[load]"));
}

TEST(CollectionCycle, NoConnectionEndsTheCycle)
{
    CycleFixture f;
    f.database.connects = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]"}));
}

TEST(CollectionCycle, WithoutIdentityNothingIsScannedAndTheCycleRestsUntilAStop)
{
    CycleFixture f;
    f.identity.IDServ.clear();
    auto cycle = std::async(std::launch::async, [&] { f.cycle.RunCycle(); });
    EXPECT_EQ(cycle.wait_for(300ms), std::future_status::timeout) << "a cycle without identity rests";
    f.stop.request();
    ASSERT_EQ(cycle.wait_for(5s), std::future_status::ready) << "a stop ends the rest at once";
    ASSERT_EQ(f.log.lines.size(), 2);
    EXPECT_TRUE(f.log.lines[1].startsWith("Chave e IDServ não configurados")) << f.log.lines[1].toStdString();
    EXPECT_FALSE(f.log.contains("[connect]"));

    f.cycle.RunCycle(false); // --once: no rest
    EXPECT_EQ(f.log.lines.size(), 4);
}

TEST(CollectionCycle, OnceSkipsTheRestAndRestFailureLeavesTheCycle)
{
    CycleFixture f;
    f.cycle.RunCycle(false);
    EXPECT_FALSE(f.log.contains("[rest]"));
    f.database.restThrows = true;
    EXPECT_THROW(f.cycle.RunCycle(), std::runtime_error);
}

TEST(CollectionCycle, StopRequestEndsTheSlotWalk)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.1", "127.0.0.2"};
    f.database.ranges.slot(2) = {"127.0.0.3", "127.0.0.4"};
    f.stop.request();
    f.cycle.RunCycle();
    EXPECT_TRUE(f.log.startingWith("[walk").isEmpty());
    EXPECT_FALSE(f.log.contains("[rest]"));
}

TEST(NetworkPrefix, UpToAndIncludingTheThirdDot)
{
    EXPECT_EQ(NetworkPrefix("192.168.0.10"), QStringLiteral("192.168.0."));
    EXPECT_EQ(NetworkPrefix("10.1.2.3"), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2."), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2"), QString());
    EXPECT_EQ(NetworkPrefix(""), QString());
}
