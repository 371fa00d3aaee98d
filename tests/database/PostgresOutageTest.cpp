#include "collector/database/TDTM.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

TEST(PostgresOutage, ConnectFailsWhileTheServerIsDownAndRecoversWhenItIsBack)
{
    if (!test::PostgresControllable())
        VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
    std::optional<test::TestDatabase> db;
    db.emplace(test::TestBackend::PostgreSql);
    db->insertRange("K1", "S1", "10.0.0.1", "10.0.0.2");

    test::CapturingLogSink log;
    TDTM tdtm(db->settings(), CollectorIdentity{"K1", "S1", {}, {}}, log);
    ASSERT_TRUE(tdtm.ConnectDatabase());
    {
        test::RestartPostgresOnExit restart;
        ASSERT_TRUE(test::ControlPostgres("stop"));
        RangeTable table;
        tdtm.LoadRanges(table);
        EXPECT_FALSE(table.RangesConfigured);
        ASSERT_EQ(log.lines.size(), 1);
        RecordProperty("logged", log.lines[0].toStdString());
        EXPECT_TRUE(log.lines[0].startsWith("Erro de conexão. : ")) << log.lines[0].toStdString();
        EXPECT_GT(log.lines[0].size(), 25) << "with the driver's text";
        EXPECT_FALSE(log.lines[0].contains('\n')) << "one log line";
        ASSERT_TRUE(test::ControlPostgres("start"));
    }
    log.lines.clear();
    RangeTable table;
    tdtm.LoadRanges(table);
    EXPECT_TRUE(table.RangesConfigured) << log.lines.join('\n').toStdString();
    EXPECT_EQ(table.slot(1).StartIp, "10.0.0.1");
    EXPECT_TRUE(log.startingWith("Erro de conexão").isEmpty());
}

} // namespace
} // namespace vorenta
