// Cost of storing one device reading as the collector does it, in a pass that stores device
// after device: the exclusions, the DadosOid row, the device list and last-store rewrites, the
// failure count when alerts are on, the inoperative sweep, and whatever connection work the
// store does. On the embedded SQLite file and, when VORENTA_TEST_PG* name a server, on
// PostgreSQL; each with a DadosOid table of 1k, 100k and 1M rows (10,000 devices of 10
// collectors, one reading an hour each, about a tenth of them failures).
//
// Counters: ms per stored device (the time column), statements per device, and on PostgreSQL
// the requests the client sent per device (each one a round trip: counted by a relay on
// loopback between the store and the server). The "wan" runs hold every chunk 10 ms in each
// direction in that relay: a central server 20 ms away.
//
// The test server runs with fsync off; for the figures switch it on (as the postgres user):
//   ALTER SYSTEM SET fsync = on; ALTER SYSTEM SET synchronous_commit = on;
//   ALTER SYSTEM SET full_page_writes = on; SELECT pg_reload_conf();
// and ALTER SYSTEM RESET each afterwards. The label shows the server's fsync setting.
//
//   build/bench/store_bench [--benchmark_filter=...] [rows ...]   (default rows: 1000 100000 1000000)
#include "collector/database/TDTM.h"
#include "collector/database/store/DatabaseReadingStore.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/TcpRelay.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

using namespace vorenta;

class NullLog final : public LogSink {
public:
    void WriteLog(const QString&) override {}
};

constexpr int kDevicesInHistory = 10000;
constexpr int kCollectors = 10;
constexpr int kBenchDevices = 50; // this collector's devices the pass stores, round after round

// The n-th reading of the pass: devices SERIE-0, SERIE-10, ... belong to collector S1 of K1.
DeviceReading Reading(int n, bool failing)
{
    const int device = (n % kBenchDevices) * kCollectors;
    DeviceReading r;
    r.IP = QStringLiteral("10.0.%1.%2").arg(device / 250).arg(device % 250);
    r.MacAddress = QStringLiteral("00:11:22:33:44:55");
    r.NSerie = QStringLiteral("SERIE-%1").arg(device);
    r.Modelo = QStringLiteral("LM-4200");
    r.Fabricante = QStringLiteral("ACME");
    r.ContGeral = QString::number(200000 + n);
    r.ContPb = r.ContGeral;
    r.StatusEquip = QStringLiteral("Pronto");
    r.Falha = failing ? QStringLiteral("3-Warning") : QStringLiteral("2-TUDO OK");
    r.SupriB = QStringLiteral("Toner Preto");
    r.NivelB = QStringLiteral("80");
    r.DeviceLocation = QStringLiteral("Sala 12");
    return r;
}

/// The statements that fill a fresh database with `rows` readings of a fleet's history.
QStringList HistoryStatements(test::TestBackend backend, int rows)
{
    const int devices = std::min(rows, kDevicesInHistory);
    const int hours = rows / devices;
    const bool pg = backend == test::TestBackend::PostgreSql;
    // i: 0..rows-1; d: the device; h: hours before now, so that Cod grows with DataLog.
    const QString series =
        pg ? QStringLiteral("from generate_series(0, %1) g(i)").arg(rows - 1) : QStringLiteral("from s");
    const QString withSeries =
        pg ? QString()
           : QStringLiteral("with recursive s(i) as (select 0 union all select i+1 from s where i < %1) ")
                 .arg(rows - 1);
    auto hoursAgo = [&](const QString& count) {
        return pg ? QStringLiteral("localtimestamp(0) - make_interval(hours => %1)").arg(count)
                  : QStringLiteral("datetime('now','localtime','-'||(%1)||' hours')").arg(count);
    };
    auto daysFromNow = [&](int days) {
        return pg ? QStringLiteral("localtimestamp(0) + interval '%1 days'").arg(days)
                  : QStringLiteral("datetime('now','localtime','%1 days')").arg(days);
    };
    const QString d = QStringLiteral("(i % %1)").arg(devices);
    const QString h = QStringLiteral("(%1 - 1 - i / %2)").arg(hours).arg(devices);
    // Every device fails one hour in ten.
    const QString failure = QStringLiteral("((i / %1 + i) % 10 = 3)").arg(devices);
    QStringList statements;
    statements
        << withSeries +
               QStringLiteral(
                   "insert into DadosOid (IDServ,Chave,LocalInstal,DataExp,DataLog,IP,MacAddress,NSerie,"
                   "Modelo,Fabricante,ContGeral,ContColor,ContPb,ContScan,StatusEquip,Falha,Computador,"
                   "IpInternet,Versao,CodEmpresa,Notificado) "
                   "select 'S'||(%1 % 10 + 1), 'K'||(%1 % 10 + 1), 'Matriz Sala', %2, %3, "
                   "'10.0.'||(%1 / 250)||'.'||(%1 % 250), '00:11:22:33:44:55', 'SERIE-'||%1, 'LM-4200', "
                   "'ACME', ''||(100000 + i), '0', ''||(100000 + i), '0', 'Pronto', "
                   "case when %4 then '3-Warning' else '2-TUDO OK' end, 'COLETOR', '', 'Versão 3.6 b', "
                   "'77', case when %4 then 'S' else '' end ")
                   .arg(d, daysFromNow(300), hoursAgo(h), failure) +
               series;
    // One list row per device, read an hour ago; and 2000 devices retired long ago, reported
    // inoperative since.
    statements << (pg ? QStringLiteral("")
                      : QStringLiteral("with recursive s(i) as (select 0 union all select i+1 "
                                       "from s where i < %1) ")
                            .arg(devices - 1)) +
                      QStringLiteral(
                          "insert into ListaEquipCli (Chave,LocalInstal,nSerie,Fabricante,Modelo,IDServ,"
                          "UltLog,CodEmpresa,IP,Versao) "
                          "select 'K'||(i % 10 + 1), 'Matriz Sala', 'SERIE-'||i, 'ACME', 'LM-4200', "
                          "'S'||(i % 10 + 1), %1, '77', '10.0.0.1', 'Versão 3.6 b' ")
                          .arg(hoursAgo(QStringLiteral("1"))) +
                      (pg ? QStringLiteral("from generate_series(0, %1) g(i)").arg(devices - 1)
                          : QStringLiteral("from s"));
    statements << (pg ? QStringLiteral("")
                      : QStringLiteral("with recursive s(i) as (select 0 union all select i+1 "
                                       "from s where i < 1999) ")) +
                      QStringLiteral(
                          "insert into ListaEquipCli (Chave,LocalInstal,nSerie,Fabricante,Modelo,IDServ,"
                          "UltLog,CodEmpresa,IP,Versao,ultNotif) "
                          "select 'K'||(i % 10 + 1), 'Matriz Sala', 'RETIRADO-'||i, 'ACME', 'LM-4200', "
                          "'S'||(i % 10 + 1), %1, '77', '10.0.0.1', 'Versão 3.6 b', %2 ")
                          .arg(daysFromNow(-400), daysFromNow(-396)) +
                      (pg ? QStringLiteral("from generate_series(0, 1999) g(i)") : QStringLiteral("from s"));
    for (int c = 1; c <= kCollectors; ++c)
        statements << QStringLiteral("insert into UltLog (IDServ,Chave,DataLOG,LocalInstal) values "
                                     "('S%1','K%1',%2,'Matriz')")
                          .arg(c)
                          .arg(hoursAgo(QStringLiteral("1")));
    statements << QStringLiteral("insert into exclusao (Idserv,chave,nSerie) values ('','K2','SERIE-1')");
    statements << QStringLiteral(
        "insert into Parametros (chave,ck1,Ed1,Ed4,Ed7) values ('K1','N','1000000','1','1')");
    statements << (pg ? QStringLiteral("analyze DadosOid, ListaEquipCli, UltLog, exclusao, Parametros")
                      : QStringLiteral("analyze"));
    return statements;
}

/// One database of the benchmark, filled once and shared by the runs on it.
struct FilledDatabase {
    FilledDatabase(test::TestBackend backend, int rows) : db(backend)
    {
        QElapsedTimer timer;
        timer.start();
        for (const QString& statement : HistoryStatements(backend, rows))
            db.execute(statement);
        std::fprintf(stderr, "%s with %d DadosOid rows filled in %.1f s\n",
                     backend == test::TestBackend::Sqlite ? "SQLite" : "PostgreSQL", rows,
                     timer.elapsed() / 1000.0);
        if (backend == test::TestBackend::PostgreSql) {
            SqlQuery fsync(db.connection());
            fsync.addLine(QStringLiteral("show fsync"));
            fsync.open();
            fsyncSetting = fsync.text(QStringLiteral("fsync"));
        }
    }
    test::TestDatabase db;
    QString fsyncSetting;
};

/// The database of one back end and size, filled when a run first needs it. Only one is kept
/// at a time: the runs go through the sizes in order.
class DatabaseOfSize {
public:
    DatabaseOfSize(test::TestBackend backend, int rows) : m_backend(backend), m_rows(rows) {}

    FilledDatabase& get()
    {
        static DatabaseOfSize* current = nullptr;
        if (current != this) {
            if (current != nullptr)
                current->m_filled.reset();
            current = this;
        }
        if (!m_filled)
            m_filled = std::make_unique<FilledDatabase>(m_backend, m_rows);
        return *m_filled;
    }

private:
    test::TestBackend m_backend;
    int m_rows;
    std::unique_ptr<FilledDatabase> m_filled;
};

/// How the store reaches PostgreSQL: straight, or through the counting relay, with or without a
/// WAN's round trip.
enum class Path { Direct, Relay, Wan };

void StoreDevices(benchmark::State& state, DatabaseOfSize* database, bool alerts, Path path)
{
    FilledDatabase& filled = database->get();
    test::TestDatabase& db = filled.db;
    db.execute(alerts ? QStringLiteral("update Parametros set ck1='S' where chave='K1'")
                      : QStringLiteral("update Parametros set ck1='N' where chave='K1'"));
    DatabaseSettings settings = db.settings();
    std::optional<test::TcpRelay> relay;
    if (path != Path::Direct) {
        relay.emplace(static_cast<std::uint16_t>(settings.port),
                      std::chrono::milliseconds(path == Path::Wan ? 10 : 0));
        settings.port = relay->port();
    }
    NullLog log;
    CollectorSettings collector = CollectorSettings::forProgramFolder(db.folder().path());
    collector.VersionText = QString::fromUtf8(kVersionText);
    collector.ComputerName = QStringLiteral("COLETOR-01");
    TDTM dm(settings, CollectorIdentity{"K1", "S1", "Matriz", "05/03/2024"}, log);
    DatabaseReadingStore store(dm, collector);
    // The pass is under way: the connection is open and the device before the first timed one
    // was stored.
    dm.ConnectDatabase();
    int n = 0;
    store.StoreReading(Reading(n++, alerts));
    const qint64 statementsBefore = store.statementCount();
    const std::int64_t sendsBefore = relay ? relay->clientSends() : 0;
    for (auto _ : state)
        store.StoreReading(Reading(n++, alerts));
    state.counters["statements"] = benchmark::Counter(
        static_cast<double>(store.statementCount() - statementsBefore), benchmark::Counter::kAvgIterations);
    if (relay)
        state.counters["sends"] = benchmark::Counter(static_cast<double>(relay->clientSends() - sendsBefore),
                                                     benchmark::Counter::kAvgIterations);
    if (!filled.fsyncSetting.isEmpty())
        state.SetLabel(("fsync=" + filled.fsyncSetting).toStdString());
}

void Register(test::TestBackend backend, int rows)
{
    const bool pg = backend == test::TestBackend::PostgreSql;
    auto* database = new DatabaseOfSize(backend, rows); // lives as long as the program
    const std::string prefix = std::string(pg ? "PostgreSQL" : "SQLite") + "/rows:" + std::to_string(rows);
    for (const bool alerts : {false, true}) {
        const std::string name = prefix + (alerts ? "/alerts:on" : "/alerts:off");
        benchmark::RegisterBenchmark((name + "/loopback").c_str(), StoreDevices, database, alerts,
                                     Path::Direct)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(300);
        if (!pg)
            continue;
        benchmark::RegisterBenchmark((name + "/relay").c_str(), StoreDevices, database, alerts, Path::Relay)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(100);
        benchmark::RegisterBenchmark((name + "/wan20ms").c_str(), StoreDevices, database, alerts, Path::Wan)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.append(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.isEmpty())
        sizes = {1000, 100000, 1000000};
    for (const int rows : sizes)
        Register(test::TestBackend::Sqlite, rows);
    if (test::PostgresConfigured()) {
        for (const int rows : sizes)
            Register(test::TestBackend::PostgreSql, rows);
    } else {
        std::fprintf(stderr, "VORENTA_TEST_PG* not set: PostgreSQL skipped\n");
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
