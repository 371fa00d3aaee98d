#include "tests/database/StoreTestSupport.h"
#include "tests/support/Peers.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

/// Runs the PostgreSQL control script (scripts/lib/postgres) with `action`; true on success.
bool ControlPostgres(const QString& action)
{
    QProcess control;
    control.start(qEnvironmentVariable("VORENTA_TEST_PG_CONTROL"), {action});
    return control.waitForFinished(120000) && control.exitStatus() == QProcess::NormalExit &&
           control.exitCode() == 0;
}

/// Starts the server again when the test leaves, however it leaves: other tests need it.
struct RestartOnExit {
    ~RestartOnExit() { ControlPostgres("start"); }
};

TEST(StoreOutage, DatabaseStoppingBetweenTwoDevicesIsLoggedAndStoresResumeAfterARestart)
{
    if (!test::PostgresConfigured() || qEnvironmentVariableIsEmpty("VORENTA_TEST_PG_CONTROL"))
        VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
    std::optional<test::TestDatabase> db;
    db.emplace(test::TestBackend::PostgreSql);
    test::StoreUnderTest c(db->settings(), CollectorIdentity{"K1", "S1", "Matriz", {}});

    c.store.StoreReading(test::PrinterReading("X1"));
    ASSERT_EQ(c.log.startingWith("Registro Concluído").size(), 1) << c.log.lines.join('\n').toStdString();
    c.log.lines.clear();
    {
        RestartOnExit restart;
        ASSERT_TRUE(ControlPostgres("stop"));
        c.store.StoreReading(test::PrinterReading("X2")); // must neither throw nor crash
        ASSERT_EQ(c.log.lines.size(), 1) << c.log.lines.join('\n').toStdString();
        EXPECT_TRUE(c.log.lines[0].startsWith("Erro de conexão. : ")) << c.log.lines[0].toStdString();
        ASSERT_TRUE(ControlPostgres("start"));
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
