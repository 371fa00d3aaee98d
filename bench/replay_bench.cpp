// Replay speed of the local queue: readings per second sent from Pendentes.db to the central
// database through the reading store (mark, store, remove, each synced), on PostgreSQL when
// VORENTA_TEST_PG* name a server, and on the embedded SQLite file for comparison.
#include "collector/outage/PendingQueue.h"
#include "collector/outage/PendingReplay.h"
#include "collector/outage/QueueingReadingStore.h"
#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
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

PendingReading Pending(int n, const CollectorSettings& settings)
{
    PendingReading p;
    p.ColetadoEm = QDateTime::currentDateTime().addSecs(-3600 + n);
    p.identity = CollectorIdentity{"K1", "S1", "Matriz", "05/03/2024"};
    p.settings = settings;
    p.reading.IP = QStringLiteral("127.0.0.%1").arg(2 + n % 50);
    p.reading.NSerie = QStringLiteral("SERIE-%1").arg(n % 50);
    p.reading.Modelo = QStringLiteral("LM-4200");
    p.reading.Fabricante = QStringLiteral("ACME");
    p.reading.ContGeral = QString::number(10000 + n);
    p.reading.StatusEquip = QStringLiteral("Pronto");
    p.reading.Falha = QStringLiteral("2-TUDO OK");
    p.reading.SupriB = QStringLiteral("Toner Preto");
    p.reading.NivelB = QStringLiteral("80");
    p.reading.DeviceLocation = QStringLiteral("Sala 12");
    return p;
}

// Argument: back end (0 SQLite, 1 PostgreSQL). Each iteration queues 200 readings (not timed)
// and replays them.
void BM_ReplayPending(benchmark::State& state)
{
    constexpr int kReadings = 200;
    const bool postgres = state.range(0) != 0;
    if (postgres && qEnvironmentVariableIsEmpty("VORENTA_TEST_PGHOST")) {
        state.SkipWithError("VORENTA_TEST_PG* not set");
        return;
    }
    std::optional<test::TestDatabase> db;
    db.emplace(postgres ? test::TestBackend::PostgreSql : test::TestBackend::Sqlite);
    db->execute("insert into Parametros (chave,ck1,Ed1,Ed4,Ed7) values ('K1','N','1','1','1')");
    NullLog log;
    CollectorSettings settings = CollectorSettings::forProgramFolder(db->folder().path());
    settings.VersionText = QString::fromUtf8(kVersionText);
    settings.ComputerName = QStringLiteral("COLETOR-01");
    TDTM dm(db->settings(), CollectorIdentity{"K1", "S1", "Matriz", "05/03/2024"}, log);
    DatabaseReadingStore direct(dm, settings);
    QueueFile file(db->folder().file("Pendentes.db"), log);
    PendingQueue queue(file, {}, log);
    QueueingReadingStore store(direct, queue, dm.identity(), settings, log);
    PendingReplay replay(dm, store, queue, log);
    StopSignal stop;
    dm.ConnectDatabase();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kReadings; ++i)
            queue.enqueue(Pending(n++, settings));
        state.ResumeTiming();
        replay.ReplayPending(stop);
    }
    if (queue.count() != 0)
        state.SkipWithError("readings left in the queue");
    state.counters["readings_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kReadings, benchmark::Counter::kIsRate);
}

// The queue's own part of a replay (read, look up, remove: the file's transactions and syncs), with a
// store that takes every reading at once.
void BM_ReplayBookkeeping(benchmark::State& state)
{
    constexpr int kReadings = 200;
    class TakesAll final : public PendingStore {
    public:
        StoreOutcome StorePending(const PendingReading&, const QDateTime&) override
        {
            return StoreOutcome::Stored;
        }
    } store;
    test::TestDatabase db(test::TestBackend::Sqlite); // for the server time the replay reads
    NullLog log;
    CollectorSettings settings = CollectorSettings::forProgramFolder(db.folder().path());
    TDTM dm(db.settings(), CollectorIdentity{"K1", "S1", "Matriz", "05/03/2024"}, log);
    QueueFile file(db.folder().file("Pendentes.db"), log);
    PendingQueue queue(file, {}, log);
    PendingReplay replay(dm, store, queue, log);
    StopSignal stop;
    dm.ConnectDatabase();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kReadings; ++i)
            queue.enqueue(Pending(n++, settings));
        state.ResumeTiming();
        replay.ReplayPending(stop);
    }
    state.counters["readings_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kReadings, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ReplayPending)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplayBookkeeping)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
