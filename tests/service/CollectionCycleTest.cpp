#include "collector/service/CollectionCycle.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <future>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

using namespace vorenta;
using vorenta::test::CapturingLogSink;

namespace {

// Stands in for the database: ranges and connection results chosen by the test; every call is
// also written to the shared log so the tests see the order of events.
class FakeDatabase : public CycleDatabase {
public:
    explicit FakeDatabase(CapturingLogSink& log) : m_log(log) {}
    bool ConnectDatabase() override
    {
        m_log.WriteLog("[connect]");
        return connects;
    }
    bool LoadRanges(RangeTable& table) override
    {
        m_log.WriteLog("[load]");
        if (!loads)
            return false; // the table keeps what it held
        table = ranges;
        return true;
    }
    int WaitBetweenCycles(const StopSignal&) override
    {
        m_log.WriteLog("[rest]");
        if (restThrows) {
            connects = connectsAfterRest;
            throw std::runtime_error("Parametros");
        }
        return restMinutes;
    }

    bool connects = true;
    bool loads = true;
    bool restThrows = false;
    bool connectsAfterRest = true;
    int restMinutes = 0;
    RangeTable ranges;

private:
    CapturingLogSink& m_log;
};

class FakeWalk : public AddressWalk {
public:
    explicit FakeWalk(CapturingLogSink& log) : m_log(log) {}
    void WalkRange(const QString& start, const QString& end) override
    {
        if (NetworkPrefix(start).isEmpty() || end == "falha")
            throw RangeWalkError("range");
        m_log.WriteLog("[walk " + start + "-" + end + "]");
    }
    void SetCurrentPrefix(const QString& prefix) override { m_prefix = prefix; }
    const QString& CurrentPrefix() const override { return m_prefix; }
    void CollectRange(int first, int last) override
    {
        m_log.WriteLog(QStringLiteral("[collect %1%2-%3]").arg(m_prefix).arg(first).arg(last));
    }

private:
    CapturingLogSink& m_log;
    QString m_prefix;
};

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

// A collector on a central server, with its local queue in a program folder of its own.
struct QueueCycleFixture {
    test::TemporaryProgramFolder home;
    CapturingLogSink log;
    FakeDatabase database{log};
    FakeWalk walk{log};
    StopSignal stop;
    CollectorIdentity identity{"CLI", "7", {}, {}};
    PendingQueue queue{home.file("Pendentes.db"), {}, log};
    CollectionCycle cycle{identity, database, walk,   [] { return QStringLiteral("127.0.0.37"); },
                          log,      stop,     &queue, [this] { log.WriteLog("[replay]"); }};
};

TEST(CollectionCycleWithQueue, ReplaysAfterTheConnectionTestAndKeepsWhatItLoads)
{
    QueueCycleFixture f;
    f.database.ranges.RangesConfigured = true;
    f.database.ranges.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.database.restMinutes = 0;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[replay]", "[load]", "[walk 127.0.0.10-127.0.0.12]", "[rest]"}));
    EXPECT_EQ(f.queue.keptPauseMinutes(), 0);
    const std::optional<RangeTable> kept = f.queue.keptRanges(f.identity);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->slot(1).StartIp, "127.0.0.10");
}

// A collector started while the server is out of reach: the ranges and the rest of its last
// good load, from the queue's file; never the local network.
TEST(CollectionCycleWithQueue, WithoutTheServerItWalksTheKeptRangesAndRestsTheKeptMinutes)
{
    QueueCycleFixture f;
    RangeTable kept;
    kept.RangesConfigured = true;
    kept.slot(1) = {"127.0.0.10", "127.0.0.12"};
    kept.slot(2) = {" ", "127.0.0.99"};
    kept.slot(3) = {"127.0.1.1", "127.0.1.2"};
    f.queue.keepRanges(f.identity, kept);
    f.queue.keepPauseMinutes(0);
    f.database.connects = false;
    f.cycle.RunCycle();
    EXPECT_EQ(f.log.lines,
              QStringList({"Iniciando busca de Equipamentos", "[connect]",
                           "Coletando as faixas de IP guardadas: 2", "[walk 127.0.0.10-127.0.0.12]",
                           "[walk 127.0.1.1-127.0.1.2]", "Aguardando (0) minuto(s)  antes de continuar."}));
}

TEST(CollectionCycleWithQueue, WithoutTheServerAndNothingKeptItScansNothingAndSaysSo)
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

TEST(CollectionCycleWithQueue, AFailedLoadAtStartWalksTheKeptRanges)
{
    QueueCycleFixture f;
    RangeTable kept;
    kept.RangesConfigured = true;
    kept.slot(1) = {"127.0.0.10", "127.0.0.12"};
    f.queue.keepRanges(f.identity, kept);
    f.database.loads = false;
    f.cycle.RunCycle(false);
    EXPECT_EQ(f.log.lines, QStringList({"Iniciando busca de Equipamentos", "[connect]", "Teste de Conexão OK",
                                        "[replay]", "[load]", "Coletando as faixas de IP guardadas: 1",
                                        "[walk 127.0.0.10-127.0.0.12]"}));
}

// The server went away during the pass: the rest's query fails, and the cycle rests the kept
// minutes instead of walking again at once. A server that is there but refuses the query ends
// the cycle as before.
TEST(CollectionCycleWithQueue, ARestThatCannotReachTheServerRestsTheKeptMinutes)
{
    QueueCycleFixture f;
    f.queue.keepPauseMinutes(0);
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

TEST(NetworkPrefix, UpToAndIncludingTheThirdDot)
{
    EXPECT_EQ(NetworkPrefix("192.168.0.10"), QStringLiteral("192.168.0."));
    EXPECT_EQ(NetworkPrefix("10.1.2.3"), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2."), QStringLiteral("10.1.2."));
    EXPECT_EQ(NetworkPrefix("10.1.2"), QString());
    EXPECT_EQ(NetworkPrefix(""), QString());
}
