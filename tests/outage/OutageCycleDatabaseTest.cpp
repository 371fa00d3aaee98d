#include "collector/outage/OutageCycleDatabase.h"
#include "collector/service/CollectionCycle.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/CycleFakes.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vorenta {
namespace {

using test::CapturingLogSink;
using test::FakeDatabase;
using test::FakeWalk;

// The plain cycle on the server's database (a fake) wrapped for a collector on a central server,
// with its queue's file in a program folder of its own.
struct QueueCycleFixture {
    test::TemporaryProgramFolder home;
    CapturingLogSink log;
    FakeDatabase database{log};
    FakeWalk walk{log};
    StopSignal stop;
    CollectorIdentity identity{"CLI", "7", {}, {}};
    QueueFile file{home.file("Pendentes.db"), log};
    KeptSettings kept{file};
    int passes = 0;
    OutageCycleDatabase outage{database, kept,
                               {[this] { log.WriteLog("[replay]"); }, [this] { ++passes; }},
                               identity, log};
    CollectionCycle cycle{identity, outage, walk, [] { return QStringLiteral("127.0.0.37"); }, log, stop};
    // A clock that stands still: every pass's line reads 0,0 s.
    QueueCycleFixture()
    {
        cycle.setClock([] { return std::chrono::steady_clock::time_point{}; });
    }
};

const QString kEmptyPass = QStringLiteral(
    "Busca concluída: 0 endereços, 0 equipamentos, 0 gravados, 0 pendentes, 0 recusados, 0 erros, 0,0 s");

TEST(OutageCycleDatabase, ReplaysAfterTheConnectionTestAndKeepsWhatItLoads)
{
    QueueCycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.database.restMinutes = 0;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines,
              QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK", "[replay]",
                           "[load]", "[walk 127.0.0.10-127.0.0.12]", kEmptyPass, "[rest]"}));
    EXPECT_EQ(f.passes, 1) << "the queue's lines once, at the pass's end";
    EXPECT_EQ(f.kept.keptPauseMinutes(), 0);
    const std::optional<RangeTable> kept = f.kept.keptRanges(f.identity);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->slot(1).StartIp, "127.0.0.10");
}

// A collector started while the server is out of reach: the ranges and the rest of its last
// good load, from the queue's file; never the local network.
TEST(OutageCycleDatabase, WithoutTheServerItWalksTheKeptRangesAndRestsTheKeptMinutes)
{
    QueueCycleFixture f;
    RangeTable kept;
    kept.RangesConfigured = true;
    kept.slot(1) = {"127.0.0.10", "127.0.0.12"};
    kept.slot(2) = {" ", "127.0.0.99"};
    kept.slot(3) = {"127.0.1.1", "127.0.1.2"};
    f.kept.keepRanges(f.identity, kept);
    f.kept.keepPauseMinutes(0);
    f.database.connects = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]",
                                        "Coletando as faixas de IP guardadas: 2",
                                        "[walk 127.0.0.10-127.0.0.12]", "[walk 127.0.1.1-127.0.1.2]",
                                        kEmptyPass, "Aguardando (0) minuto(s)  antes de continuar."}));
}

TEST(OutageCycleDatabase, WithoutTheServerAndNothingKeptItScansNothingAndSaysSo)
{
    QueueCycleFixture f;
    f.database.connects = false;
    f.cycle.RunCycle(false);
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]",
                                        "Nenhuma faixa de IP guardada; nada coletado."}));

    // The last load found no range: the local network is scanned only on the server's word.
    f.database.connects = true;
    f.cycle.RunCycle(false);
    EXPECT_EQ(f.log.startingWith("[collect"), QStringList({"[collect 127.0.0.2-255]"}));
    f.database.connects = false;
    f.log.lines.clear();
    f.cycle.RunCycle(false);
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]",
                                        "Nenhuma faixa de IP guardada; nada coletado."}));
}

TEST(OutageCycleDatabase, AFailedLoadAtStartWalksTheKeptRanges)
{
    QueueCycleFixture f;
    RangeTable kept;
    kept.RangesConfigured = true;
    kept.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.kept.keepRanges(f.identity, kept);
    f.database.loads = false;
    f.cycle.RunCycle(false);
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[replay]", "[load]", "Coletando as faixas de IP guardadas: 1",
                                        "[walk 127.0.0.10-127.0.0.12]", kEmptyPass}));
}

// The server went away during the pass: the rest's query fails, and the cycle rests the kept
// minutes instead of walking again at once. A server that is there but refuses the query ends
// the cycle as before.
TEST(OutageCycleDatabase, ARestThatCannotReachTheServerRestsTheKeptMinutes)
{
    QueueCycleFixture f;
    f.kept.keepPauseMinutes(0);
    f.database.ranges.RangesConfigured = true;
    f.database.restThrows = true;
    EXPECT_THROW(f.cycle.RunCycle(), std::runtime_error) << "server reachable";
    f.log.lines.clear();
    f.database.restThrows = true;
    f.database.connectsAfterRest = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines.mid(f.log.lines.size() - 3),
              QStringList({"[rest]", "[connect]", "Aguardando (0) minuto(s)  antes de continuar."}));
}

} // namespace
} // namespace vorenta
