// The collector as systemd runs it, with many addresses in flight: silent addresses among the
// printers, a stop while two hundred of them wait, and a unit whose open-file limit is tight.
#include "tests/support/CollectorProcess.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SilentHosts.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <optional>
#include <system_error>

namespace vorenta {
namespace {

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const QString kFinished = QStringLiteral("Registro Concluído de Dados de Equipamento ");

/// A collector folder storing into the test database, recorded printers on chosen hosts of the
/// test process's loopback prefix, silent hosts where a test wants them; other hosts refuse.
class ConcurrentWalkEndToEnd : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        db().insertParametros("K1", "0"); // no rest: the next pass follows after 5 s
    }

    /// Printers on `printers` (the two recordings in turn), silent hosts from `firstSilent` to
    /// `lastSilent`, one range from host 2 to `lastHost`, Simultaneos as given (empty: default).
    bool build(const QList<int>& printers, int firstSilent, int lastSilent, int lastHost,
               const QByteArray& simultaneous = {}, int range = 2)
    {
        try {
            for (qsizetype i = 0; i < printers.size(); ++i)
                m_fleet.add(
                    printers[i],
                    test::SnmpRecording::FromFile(
                        (kRecordings + (i % 2 ? "color-mfp" : "laser-mono") + ".snmprec").toStdString()));
            if (firstSilent <= lastSilent)
                m_silent.emplace(m_fleet.prefix(), firstSilent, lastSilent);
        } catch (const std::system_error& error) {
            ADD_FAILURE() << "loopback SNMP port 161 (root): " << error.what();
            return false;
        }
        const QByteArray setting =
            simultaneous.isEmpty() ? QByteArray() : "Simultaneos=" + simultaneous + "\r\n";
        m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", setting + db().bancoSection());
        db().insertRange("K1", "S1", address(range), address(lastHost));
        return true;
    }

    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    QStringList addresses(int first, int last) const
    {
        QStringList all;
        for (int host = first; host <= last; ++host)
            all << address(host);
        return all;
    }

    test::FixtureSnmpFleet m_fleet;
    std::optional<test::SilentHosts> m_silent;
    test::TemporaryProgramFolder m_home;
};

// The service without --once, 64 addresses at once: every pass walks the range in order, stores
// every printer, and the silent addresses cost each pass seconds, not minutes.
TEST_P(ConcurrentWalkEndToEnd, TheServiceStoresEveryPassWithManyAddressesInFlight)
{
    ASSERT_TRUE(build({3, 20}, 5, 12, 24, "64"));
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    const QString lastDevice = kFinished + address(20) + " ZETA C300";

    ASSERT_TRUE(service.waitForMessage(lastDevice, 2, std::chrono::seconds(120)))
        << service.messages().join('\n').toStdString();
    service.signal(SIGTERM);
    EXPECT_EQ(service.waitForExit(std::chrono::seconds(20)), 0) << service.standardError();

    const QStringList messages = service.messages();
    const QStringList visited = test::AfterPrefix(messages, "Coletando dados de ");
    ASSERT_GE(visited.size(), 2 * 23) << messages.join('\n').toStdString();
    EXPECT_EQ(visited.mid(0, 23), addresses(2, 24)) << "walk order";
    EXPECT_EQ(visited.mid(23, 23), addresses(2, 24)) << "walk order, second pass";
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados ").mid(0, 4),
              QStringList({address(3), address(20), address(3), address(20)}));
    EXPECT_GE(db().count("DadosOid", "IP='" + address(3) + "'"), 2);
    EXPECT_GE(db().count("DadosOid", "IP='" + address(20) + "'"), 2);
}

// A stop while the first printer is stored and two hundred silent addresses wait for their
// answers: the process ends within seconds, and nothing after the stop is stored or logged,
// not even the printers probed behind the silent addresses.
TEST_P(ConcurrentWalkEndToEnd, AStopWithTwoHundredAddressesInFlightEndsWithinSeconds)
{
    ASSERT_TRUE(build({2, 203, 250}, 3, 202, 250));
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    ASSERT_TRUE(service.waitForMessage(kFinished + address(2) + " ACME LM-4200"))
        << service.messages().join('\n').toStdString();

    const auto stopped = std::chrono::steady_clock::now();
    service.signal(SIGTERM);
    const int exitCode = service.waitForExit(std::chrono::seconds(60));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    std::cout << "stop with 200 addresses in flight took " << seconds << " s\n";
    RecordProperty("stop_seconds", QString::number(seconds, 'f', 2).toStdString());

    EXPECT_EQ(exitCode, 0) << service.standardError();
    EXPECT_LT(seconds, 5) << "a silent address alone waits 10 s";
    const QStringList messages = service.messages();
    EXPECT_EQ(test::AfterPrefix(messages, "Coletando dados de "), QStringList({address(2)}))
        << messages.join('\n').toStdString();
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), QStringList({address(2)}));
    EXPECT_EQ(db().count("DadosOid"), 1);
    EXPECT_EQ(messages.mid(messages.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

// Under a unit whose open-file limit cannot hold 1024 addresses' sockets, the collector probes
// as many as fit, says so once, and still stores every printer.
TEST_P(ConcurrentWalkEndToEnd, ATightOpenFileLimitCapsTheAddressesInFlightWithOneLine)
{
    ASSERT_TRUE(build({3, 20}, 5, 8, 24));
    test::CollectorProcess collector(m_home.path());
    collector.setOpenFileLimit(256);
    ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();

    const QStringList messages = collector.messages();
    EXPECT_EQ(messages.filter("Simultaneos limitado a").size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(
        messages.contains("Simultaneos limitado a 16 endereços pelo limite de 256 arquivos abertos."));
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), QStringList({address(3), address(20)}));
    EXPECT_EQ(db().count("DadosOid"), 2);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ConcurrentWalkEndToEnd);

} // namespace
} // namespace vorenta
