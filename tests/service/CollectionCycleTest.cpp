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
    // Each look at the clock is 10.3 s after the one before: every pass takes 10,3 s.
    std::chrono::steady_clock::time_point now{};
    QStringList statuses;
    CycleFixture()
    {
        cycle.setClock([this] { return now += 10300ms; });
        cycle.setPassEnded([this](const QString& status) { statuses.append(status); });
    }
};

const QString kEmptyPass = QStringLiteral(
    "Busca concluída: 0 endereços, 0 equipamentos, 0 gravados, 0 pendentes, 0 recusados, 0 erros, 10,3 s");

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
                           "[walk 127.0.1.1-127.0.1.2]", kEmptyPass, "[rest]"}));
    EXPECT_EQ(f.statuses, QStringList({kEmptyPass}));
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
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[load]", "Sem faixa de IP criada: 127.0.0.",
                                        "[collect 127.0.0.2-255]", kEmptyPass, "[rest]"}));
    EXPECT_EQ(f.cycle.LocalIp(), QStringLiteral("127.0.0.37"));
}

TEST(CollectionCycle, AFailedLoadNeverFallsBackToTheLocalNetwork)
{
    CycleFixture f;
    f.database.loads = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[load]", "[rest]"}));
    EXPECT_EQ(f.statuses,
              QStringList({"Faixas de IP não lidas do banco de dados; nenhuma busca realizada (veja "
                           "LOG.TXT)."}));

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
    EXPECT_EQ(f.statuses,
              QStringList({"Sem conexão com o banco de dados; nenhuma busca realizada (veja LOG.TXT)."}));
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
    EXPECT_EQ(
        f.statuses,
        QStringList({"Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada."}));

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
    EXPECT_EQ(f.log.lines.last(),
              QStringLiteral("Busca interrompida: 0 endereços, 0 equipamentos, 0 gravados, "
                             "0 pendentes, 0 recusados, 0 erros, 10,3 s"));
}

TEST(CollectionCycle, ThePassLineCountsWhatTheWalkCommitted)
{
    CycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.10", "127.0.0.20"};
    f.database.ranges.slot(2) = {"127.0.0.30", "127.0.0.40"};
    f.walk.commits = {{false, std::nullopt},
                      {true, StoreOutcome::Stored},
                      {true, StoreOutcome::Stored},
                      {true, StoreOutcome::Queued},
                      {true, StoreOutcome::Refused},
                      {true, StoreOutcome::Failed},
                      {true, StoreOutcome::Unreachable},
                      {true, std::nullopt}}; // a stop came before its store
    f.cycle.RunCycle();
    const QString line =
        QStringLiteral("Busca concluída: 16 endereços, 14 equipamentos, 4 gravados, 2 pendentes, "
                       "2 recusados, 4 erros, 10,3 s");
    EXPECT_EQ(f.log.lines.mid(f.log.lines.size() - 2), QStringList({line, "[rest]"}));
    EXPECT_EQ(f.statuses, QStringList({line}));

    // The next pass counts afresh.
    f.walk.commits = {{true, StoreOutcome::Stored}};
    f.cycle.RunCycle();
    EXPECT_EQ(f.statuses.last(), QStringLiteral("Busca concluída: 2 endereços, 2 equipamentos, 2 gravados, "
                                                "0 pendentes, 0 recusados, 0 erros, 10,3 s"));
}

TEST(PassSummaryLine, WallTimeInTenthsWithADecimalComma)
{
    const std::pair<std::chrono::milliseconds, const char*> cases[] = {
        {0ms, "0,0 s"},      {49ms, "0,0 s"},     {50ms, "0,1 s"},         {10250ms, "10,3 s"},
        {10349ms, "10,3 s"}, {59999ms, "60,0 s"}, {3723400ms, "3723,4 s"}, {-5ms, "0,0 s"},
    };
    for (const auto& [wall, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(PassSummaryLine(PassTally{253, 5, 5, 0, 0, 0}, wall, false),
                  QStringLiteral("Busca concluída: 253 endereços, 5 equipamentos, 5 gravados, 0 pendentes, "
                                 "0 recusados, 0 erros, ") +
                      QString::fromUtf8(text));
    }
}

TEST(NetworkPrefix, UpToAndIncludingTheThirdDot)
{
    EXPECT_EQ(NetworkPrefix("192.168.0.10"), QStringLiteral("192.168.0."));
    EXPECT_EQ(NetworkPrefix("10.1.2.3"), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2."), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2"), QString());
    EXPECT_EQ(NetworkPrefix(""), QString());
}
