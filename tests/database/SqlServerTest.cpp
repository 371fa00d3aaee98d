#include "collector/database/TDTM.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/Peers.h"

#include <QFile>
#include <QSqlDatabase>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

bool FreeTdsAvailable()
{
    return QSqlDatabase::isDriverAvailable("QODBC") &&
           QFile::exists("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
}

TEST(SqlServer, ConnectionStringKeepsSpecialCharactersInsideTheirValues)
{
    DatabaseSettings settings = DatabaseSettings::providerSqlServer();
    settings.password = "a;b}=c";
    const QString text = DatabaseConnection::odbcConnectionString(settings);
    EXPECT_TRUE(text.contains("SERVER={" VORENTA_PROVIDER_DB_HOST "};PORT=14333;")) << text.toStdString();
    EXPECT_TRUE(text.contains("DATABASE={Brisolt};UID={Brisolt};PWD={a;b}}=c};")) << text.toStdString();
    EXPECT_TRUE(text.contains("Timeout=120"));
}

// The provider's server is out of reach here; its connection failure is not: FreeTDS must
// refuse a closed loopback port with a text of its own, and the collector must log it.
TEST(SqlServer, ConnectionFailureIsLoggedWithTheDriversText)
{
    if (!FreeTdsAvailable())
        VORENTA_PEER_MISSING("QODBC with FreeTDS (libqt6sql6-odbc, tdsodbc)");
    DatabaseSettings settings = DatabaseSettings::providerSqlServer();
    settings.host = "127.0.0.1";
    settings.port = 1; // nothing listens there
    settings.connectTimeoutSeconds = 5;
    test::CapturingLogSink log;
    TDTM tdtm(settings, CollectorIdentity{"K1", "S1", {}, {}}, log);

    EXPECT_FALSE(tdtm.ConnectDatabase());
    EXPECT_FALSE(tdtm.ConexaoWeb.isOpen());
    ASSERT_EQ(log.lines.size(), 1);
    const QString line = log.lines[0];
    RecordProperty("logged", line.toStdString());
    EXPECT_TRUE(line.startsWith("Erro de conexão. : ")) << line.toStdString();
    EXPECT_GT(line.size(), 30) << line.toStdString();
    EXPECT_FALSE(line.contains("ktvbnrs4826")) << "the password is never logged";

    RangeTable table;
    tdtm.LoadRanges(table); // the same failure, the table untouched
    EXPECT_FALSE(table.RangesConfigured);
    EXPECT_EQ(log.lines.size(), 2);
}

} // namespace
} // namespace vorenta
