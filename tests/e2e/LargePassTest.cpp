// The service over ten thousand silent addresses, in a network namespace of the test's own where
// 10.0.0.0/8 is routed to loopback and nothing answers there: every address waits in the SNMP
// engine at once, and a stop ends the service at once (0.2 s on an idle machine; the time is
// recorded), logging and storing nothing the pass had not committed. Root; the embedded database
// only (the test PostgreSQL is outside).
#include "tests/support/CollectorProcess.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

namespace vorenta {
namespace {

TEST(LargePass, AStopWithTenThousandAddressesInFlightEndsAtOnce)
{
    ASSERT_TRUE(test::EnterPrivateNetwork()) << "no network namespace of the test's own (root needed)";
    test::TestDatabase database(test::TestBackend::Sqlite);
    database.insertParametros("K1", "0");
    // 40 ranges of 253 addresses: 10,120 addresses, each its first GET in flight within 0.1 s.
    for (int network = 0; network < 40; ++network) {
        const QString prefix = QStringLiteral("10.7.%1.").arg(network);
        database.insertRange("K1", "S1", prefix + "2", prefix + "254");
    }
    test::TemporaryProgramFolder home;
    home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", database.bancoSection());

    test::CollectorProcess service(home.path());
    ASSERT_TRUE(service.start({"--local-ip", "10.7.0.1"}));
    ASSERT_TRUE(service.waitForMessage("Iniciando busca de Equipamentos"))
        << service.messages().join('\n').toStdString();
    // Every address's first GET is out well before its 5 s wait can end.
    std::this_thread::sleep_for(std::chrono::seconds(2));

    const auto stopped = std::chrono::steady_clock::now();
    service.signal(SIGTERM);
    const int exitCode = service.waitForExit(std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    std::cout << "stop with 10,120 addresses in flight took " << seconds << " s\n";
    RecordProperty("stop_seconds", QString::number(seconds, 'f', 2).toStdString());

    EXPECT_EQ(exitCode, 0) << service.standardError();
    // Well under one wait of 5 s: the GETs in flight were cancelled, not run out. The bound leaves
    // room for a machine busy with other tests.
    EXPECT_LT(seconds, 4.0) << "the service waited for the GETs in flight instead of cancelling them";
    const QStringList messages = service.messages();
    EXPECT_EQ(messages.filter("Coletando dados de ").size(), 0) << "an address cut short was logged";
    EXPECT_EQ(database.count("DadosOid"), 0);
    EXPECT_EQ(messages.mid(messages.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}))
        << messages.join('\n').toStdString();
}

} // namespace
} // namespace vorenta
