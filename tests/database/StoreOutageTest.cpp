#include "tests/database/StoreTestSupport.h"
#include "tests/support/Peers.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

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

} // namespace
} // namespace vorenta
