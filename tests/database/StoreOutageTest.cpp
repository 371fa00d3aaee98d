#include "tests/support/StoreTestSupport.h"
#include "tests/support/Peers.h"
#include "tests/support/TcpRelay.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorenta {
namespace {

const QString kStoredX =
    QStringLiteral("Registro Concluído de Dados de Equipamento  127.0.0.9  RICOH   MP 301 ");

TEST(StoreOutage, DatabaseStoppingBetweenTwoDevicesIsLoggedAndStoresResumeAfterARestart)
{
    if (!test::PostgresControllable())
        VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
    std::optional<test::TestDatabase> db;
    db.emplace(test::TestBackend::PostgreSql);
    test::StoreUnderTest c(db->settings(), CollectorIdentity{"K1", "S1", "Matriz", {}});

    c.store.StoreReading(test::PrinterReading("X1"));
    ASSERT_EQ(c.log.startingWith("Registro Concluído").size(), 1) << c.log.lines.join('\n').toStdString();
    c.log.lines.clear();
    {
        test::RestartPostgresOnExit restart;
        ASSERT_TRUE(test::ControlPostgres("stop"));
        c.store.StoreReading(test::PrinterReading("X2")); // must neither throw nor crash
        ASSERT_EQ(c.log.lines.size(), 1) << c.log.lines.join('\n').toStdString();
        EXPECT_TRUE(c.log.lines[0].startsWith("Erro de conexão. : ")) << c.log.lines[0].toStdString();
        ASSERT_TRUE(test::ControlPostgres("start"));
    }
    c.log.lines.clear();
    c.store.StoreReading(test::PrinterReading("X3"));
    EXPECT_EQ(c.log.startingWith("Registro Concluído").size(), 1) << c.log.lines.join('\n').toStdString();
    db->connection().open(); // the fixture's own connection died with the server
    EXPECT_EQ(db->count("DadosOid"), 2);
    EXPECT_EQ(db->count("DadosOid", "NSerie='X2'"), 0);
}

// The pass keeps its connection from device to device. When it breaks in between, whether the
// server restarted (and said so) or the network forgot it in silence, the next store opens a new
// one, stores its device as usual and says nothing about it.
TEST(StoreOutage, ConnectionBrokenBetweenTwoStoresIsReopenedByTheNextStore)
{
    if (!test::PostgresControllable())
        VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
    std::optional<test::TestDatabase> db;
    db.emplace(test::TestBackend::PostgreSql);
    test::TcpRelay network(static_cast<std::uint16_t>(db->settings().port));
    DatabaseSettings throughNetwork = db->settings();
    throughNetwork.port = network.port();
    test::StoreUnderTest c(throughNetwork, CollectorIdentity{"K1", "S1", "Matriz", {}});

    const struct {
        const char* name;
        std::function<void()> breakConnection;
    } cases[] = {
        {"server restarted",
         [] {
             test::RestartPostgresOnExit restart;
             ASSERT_TRUE(test::ControlPostgres("stop"));
         }},
        {"network forgot the connection", [&] { network.forgetConnections(); }},
    };
    c.store.StoreReading(test::PrinterReading("X0"));
    ASSERT_EQ(c.log.lines, QStringList{kStoredX}) << c.log.lines.join('\n').toStdString();
    const quint64 firstConnection = c.dm.ConexaoWeb.generation();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        c.log.lines.clear();
        k.breakConnection();
        EXPECT_EQ(c.store.Store(test::PrinterReading("X1")), StoreOutcome::Stored);
        EXPECT_EQ(c.log.lines, QStringList{kStoredX}) << c.log.lines.join('\n').toStdString();
        c.log.lines.clear();
        EXPECT_EQ(c.store.Store(test::PrinterReading("X1")), StoreOutcome::Stored) << "the new one is kept";
        EXPECT_EQ(c.log.lines, QStringList{kStoredX}) << c.log.lines.join('\n').toStdString();
    }
    EXPECT_NE(c.dm.ConexaoWeb.generation(), firstConnection);
    db->connection().open(); // the fixture's own connection died with the server
    EXPECT_EQ(db->count("DadosOid"), 5);
    EXPECT_EQ(db->count("ListaEquipCli", "nSerie='X1'"), 1);
}

// Over a WAN every request is a round trip: a store on the kept connection, its statements
// prepared by the stores before it, sends a handful. (The figures are in bench/store_bench.)
TEST(StoreOutage, AStoreOnTheKeptConnectionSendsAFewRequests)
{
    if (!test::PostgresConfigured())
        VORENTA_PEER_MISSING("PostgreSQL");
    std::optional<test::TestDatabase> db;
    db.emplace(test::TestBackend::PostgreSql);
    test::TcpRelay network(static_cast<std::uint16_t>(db->settings().port));
    DatabaseSettings throughNetwork = db->settings();
    throughNetwork.port = network.port();
    const struct {
        const char* ck1;
        std::int64_t mostRequests;
    } cases[] = {{"N", 8}, {"S", 12}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.ck1);
        db->execute("delete from Parametros");
        db->insertParametros("K1", "1", k.ck1, "1000", "1");
        test::StoreUnderTest c(throughNetwork, CollectorIdentity{"K1", "S1", "Matriz", {}});
        c.store.StoreReading(test::PrinterReading("X1", "3-Warning"));
        for (int device = 2; device <= 4; ++device) {
            const std::int64_t before = network.clientSends();
            EXPECT_EQ(c.store.Store(test::PrinterReading(QString("X%1").arg(device), "3-Warning")),
                      StoreOutcome::Stored);
            EXPECT_LE(network.clientSends() - before, k.mostRequests) << "device " << device;
        }
        EXPECT_EQ(c.log.startingWith("Registro Concluído").size(), 4) << c.log.lines.join('\n').toStdString();
    }
}

} // namespace
} // namespace vorenta
