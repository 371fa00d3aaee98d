// Per-statement cost of the database layer: the reading store's ~50-value insert and a filtered
// select, on the embedded SQLite file and, when VORENTA_TEST_PG* name a server, on PostgreSQL.
// Each statement is rebuilt, prepared and run as the collector does it, nothing kept between runs.
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"

#include <QCoreApplication>
#include <QDateTime>

#include <benchmark/benchmark.h>

namespace {

using namespace vorenta;

const QStringList kTextColumns = {
    "IDServ",    "Chave",     "LocalInstal", "IP",       "MacAddress",  "NSerie", "Modelo",     "Fabricante",
    "ContGeral", "ContColor", "ContPb",      "ContScan", "StatusEquip", "Falha",  "Computador", "IpInternet",
    "tel1",      "tel2",      "tel3",        "email1",   "email2",      "email3", "contato1",   "contato2",
    "contato3",  "inf1",      "inf2",        "inf3",     "inf4",        "inf5",   "ContA3",     "ContA4",
    "ContJams",  "NivelB",    "NivelY",      "NivelC",   "NivelM",      "SupriB", "SupriY",     "SupriC",
    "SupriM",    "DurabB",    "DurabY",      "DurabC",   "DurabM",      "Versao", "CodEmpresa"};

test::TestBackend backendFor(bool postgres)
{
    return postgres ? test::TestBackend::PostgreSql : test::TestBackend::Sqlite;
}

void insertReading(SqlQuery& query, int n)
{
    QStringList markers;
    for (const QString& column : kTextColumns)
        markers << ":x" + column;
    query.clearStatement();
    query.addLine("Insert into DadosOid (" + kTextColumns.join(',') + ",DataExp,DataLog)");
    query.addLine("values (" + markers.join(',') + ",:xDataExp,:xDataLog)");
    for (const QString& column : kTextColumns)
        query.bindText("x" + column, column + "-" + QString::number(n % 50));
    query.bindDateTime("xDataExp", QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    query.bindDateTime("xDataLog", QDateTime::currentDateTime());
    query.execute();
}

bool skipWithoutPostgres(benchmark::State& state, bool postgres)
{
    if (postgres && qEnvironmentVariableIsEmpty("VORENTA_TEST_PGHOST")) {
        state.SkipWithError("VORENTA_TEST_PG* not set");
        return true;
    }
    return false;
}

void BM_InsertReading(benchmark::State& state)
{
    const bool postgres = state.range(0) != 0;
    if (skipWithoutPostgres(state, postgres))
        return;
    test::TestDatabase db(backendFor(postgres)); // fresh, with the schema
    SqlQuery query(db.connection());
    int n = 0;
    for (auto _ : state)
        insertReading(query, ++n);
}

void BM_SelectNewestReading(benchmark::State& state)
{
    const bool postgres = state.range(0) != 0;
    if (skipWithoutPostgres(state, postgres))
        return;
    test::TestDatabase db(backendFor(postgres)); // fresh, with the schema
    SqlQuery query(db.connection());
    db.connection().database().transaction(); // set-up only: one commit instead of 5000
    for (int n = 0; n < 5000; ++n)
        insertReading(query, n);
    db.connection().database().commit();
    const Dialect& dialect = db.connection().dialect();
    int n = 0;
    for (auto _ : state) {
        query.clearStatement();
        query.addLine("select " + dialect.topOne() + "* from DadosOid");
        query.addLine("where Chave=:xChave and NSerie=:xNSerie");
        query.addLine("Order by cod desc");
        query.addLine(dialect.limitOne());
        query.bindText("xChave", "Chave-" + QString::number(n % 50));
        query.bindText("xNSerie", "NSerie-" + QString::number(n % 50));
        query.open();
        benchmark::DoNotOptimize(query.text("Modelo"));
        ++n;
    }
}

} // namespace

// Argument: 0 = SQLite, 1 = PostgreSQL.
BENCHMARK(BM_InsertReading)->Arg(0)->Arg(1);
BENCHMARK(BM_SelectNewestReading)->Arg(0)->Arg(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
