// Cost of storing one device reading as the collector does it: connection set-up, parameters,
// server time, exclusions, the DadosOid row, the device list and last-store rewrites, the failure
// count when alerts are on, and the inoperative sweep. On the embedded SQLite file and, when
// VORENTA_TEST_PG* name a server, on PostgreSQL. Reports statements per stored device.
#include "collector/database/StoreReading.h"
#include "collector/database/TDTM.h"
#include "tests/support/DatabaseFixture.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <optional>

namespace {

using namespace vorenta;

class NullLog final : public LogSink {
public:
    void WriteLog(const QString&) override {}
};

DeviceReading Reading(int n, bool failing)
{
    DeviceReading r;
    r.IP = QStringLiteral("127.0.0.%1").arg(2 + n % 50);
    r.NSerie = QStringLiteral("SERIE-%1").arg(n % 50);
    r.Modelo = QStringLiteral("LM-4200");
    r.Fabricante = QStringLiteral("ACME");
    r.ContGeral = QString::number(10000 + n);
    r.StatusEquip = QStringLiteral("Pronto");
    r.Falha = failing ? QStringLiteral("3-Warning") : QStringLiteral("2-TUDO OK");
    r.SupriB = QStringLiteral("Toner Preto");
    r.NivelB = QStringLiteral("80");
    r.DeviceLocation = QStringLiteral("Sala 12");
    return r;
}

// Arguments: back end (0 SQLite, 1 PostgreSQL), failure alerts (0 off, 1 on with failing devices).
void BM_StoreReading(benchmark::State& state)
{
    const bool postgres = state.range(0) != 0;
    const bool alerts = state.range(1) != 0;
    if (postgres && qEnvironmentVariableIsEmpty("VORENTA_TEST_PGHOST")) {
        state.SkipWithError("VORENTA_TEST_PG* not set");
        return;
    }
    std::optional<test::TestDatabase> db; // fresh, with the schema; the PostgreSQL one is dropped after
    db.emplace(postgres ? test::TestBackend::PostgreSql : test::TestBackend::Sqlite);
    db->execute(alerts ? "insert into Parametros (chave,ck1,Ed1,Ed4,Ed7) values ('K1','S','1000000','1','1')"
                       : "insert into Parametros (chave,ck1,Ed1,Ed4,Ed7) values ('K1','N','1','1','1')");
    NullLog log;
    CollectorSettings settings = CollectorSettings::forProgramFolder(db->folder().path());
    settings.VersionText = QString::fromUtf8(kVersionText);
    settings.ComputerName = QStringLiteral("COLETOR-01");
    TDTM dm(db->settings(), CollectorIdentity{"K1", "S1", "Matriz", "05/03/2024"}, log);
    DatabaseReadingStore store(dm, settings);
    int n = 0;
    for (auto _ : state)
        store.StoreReading(Reading(n++, alerts));
    state.counters["statements"] =
        benchmark::Counter(static_cast<double>(store.statementCount()), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_StoreReading)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
