// The report views over a year of a thousand sites on PostgreSQL: 10 million DadosOid rows
// (1,000 customers with 10 devices each, about three readings a device a day), loaded with one
// INSERT ... SELECT over generate_series, then the statements VorentaServer --relatorio sends:
// PaginasPorMes for one customer's month and for every customer's month, SuprimentoAtual for one
// customer and everyone's supplies below 10 %. Each is run three times and every row is fetched;
// the plan of the one-customer statement shows which index reads DadosOid.
//
//     build/bench/report_bench              # 10,000,000 rows
//     build/bench/report_bench 1000000      # fewer rows, for a quick look
//
// Needs VORENTA_TEST_PG* (scripts/lib/postgres env). The database is made for the run and dropped
// after it; the load takes some minutes and about 6 GB of disk. The figures are those of the test
// server's settings (fsync off; shared_buffers and work_mem at PostgreSQL's defaults).
#include "collector/report/ReportStatements.h"
#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseError.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using namespace vorenta;

constexpr int kCustomers = 1000;
constexpr int kDevices = 10000; // device d belongs to customer d % kCustomers

double seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void run(DatabaseConnection& connection, const QString& statement)
{
    SqlQuery query(connection);
    query.addLine(statement);
    query.execute();
}

// Reading r of device d is row r * kDevices + d: stored in time order, every device interleaved,
// as collectors store them. Counters grow by about 37 pages a reading; one reading in 97 has an
// empty general counter and one in 89 "N/D"; device 7 of every 1000 has a board swap in June.
void load(DatabaseConnection& connection, qint64 rows)
{
    const qint64 readings = std::max<qint64>(1, rows / kDevices);
    const QString minutes = QString::number(525600.0 / static_cast<double>(readings), 'f', 3);
    run(connection,
        QStringLiteral(
            "insert into DadosOid (IDServ, Chave, NSerie, Fabricante, Modelo, IP, DataLog, ContGeral, "
            "ContColor, ContPb, ContScan, ContA3, ContA4, Falha, SupriB, NivelB, DurabB, SupriY, NivelY, "
            "DurabY, SupriC, NivelC, DurabC, SupriM, NivelM, DurabM)\n"
            "select 'S' || (d % %1), 'C' || lpad((d % %1)::text, 4, '0'), 'SER-' || d, 'HP', "
            "'Color LaserJet M454dw', '127.0.' || (d / 250 % 250) || '.' || (d % 250),\n"
            "timestamp '2026-01-01' + r * interval '%2 minutes' + (d % 300) * interval '1 second',\n"
            "case when r % 97 = 5 then '' when r % 89 = 3 then 'N/D' "
            "when d % 1000 = 7 and r > %3 then (r * 37 - %3 * 37)::text else (1000 + r * 37 + d % 50)::text "
            "end,\n"
            "(r * 12)::text, (1000 + r * 25 + d % 50)::text, (r * 3)::text, (r / 10)::text, (1000 + r * "
            "36)::text, "
            "'2-TUDO OK',\n"
            "'Black Cartridge HP W2030A', ((2300 - r * 7 % 2300))::text, '2300', 'Cyan Cartridge HP W2031A', "
            "(d % 2300)::text, '2300',\n"
            "'Magenta Cartridge HP W2033A', 'OK', '-3', 'Yellow Cartridge HP W2032A', ((r + d) % "
            "2300)::text, "
            "'2300'\n"
            "from generate_series(0, %4) g, lateral (select g % %5 as d, g / %5 as r) k")
            .arg(kCustomers)
            .arg(minutes)
            .arg(readings / 2)
            .arg(readings * kDevices - 1)
            .arg(kDevices));
}

struct Timing {
    QString name;
    std::vector<double> runs;
    qint64 rows = 0;
};

Timing measure(DatabaseConnection& connection, const QString& name, Statement statement,
               const std::function<void(SqlQuery&)>& bind)
{
    Timing timing{name, {}, 0};
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        SqlQuery query(connection);
        query.setStatement(statement);
        bind(query);
        query.open();
        qint64 rows = 0;
        for (; !query.atEnd(); query.next())
            ++rows;
        timing.runs.push_back(seconds(timer));
        timing.rows = rows;
    }
    return timing;
}

QStringList plan(DatabaseConnection& connection, const QString& statement)
{
    SqlQuery query(connection);
    query.addLine(QStringLiteral("explain ") + statement);
    query.open();
    QStringList lines;
    for (; !query.atEnd(); query.next())
        lines.append(query.text(QStringLiteral("QUERY PLAN")));
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const qint64 rows = argc > 1 ? std::atoll(argv[1]) : 10000000;
    if (!test::PostgresConfigured()) {
        std::fprintf(stderr, "VORENTA_TEST_PG* not set: eval \"$(scripts/lib/postgres env)\"\n");
        return 1;
    }
    try {
        test::TestDatabase db(test::TestBackend::PostgreSql);
        DatabaseSettings settings = db.settings();
        settings.commandTimeoutSeconds = 4 * 3600; // the load and the whole-table statements
        DatabaseConnection connection(settings);
        connection.open();

        // Loaded without DadosOid's indexes, which are made afterwards, as a restore would.
        const QStringList indexes = {"ix_dadosoid_nserie_cod",           "ix_dadosoid_nserie_datalog",
                                     "ix_dadosoid_idserv_falha_datalog", "ix_dadosoid_chave_nserie",
                                     "ix_dadosoid_notificado",           "ix_dadosoid_idleitura",
                                     "ix_dadosoid_chave_datalog",        "ix_dadosoid_datalog"};
        QStringList definitions;
        {
            SqlQuery query(connection);
            query.addLine("select indexdef from pg_indexes where tablename = 'dadosoid' and indexname <> "
                          "'dadosoid_pkey'");
            query.open();
            for (; !query.atEnd(); query.next())
                definitions.append(query.text("indexdef"));
        }
        for (const QString& index : indexes)
            run(connection, "drop index if exists " + index);
        QElapsedTimer timer;
        timer.start();
        load(connection, rows);
        const double loaded = seconds(timer);
        timer.restart();
        for (const QString& definition : definitions)
            run(connection, definition);
        run(connection, "analyze DadosOid");
        const double indexed = seconds(timer);
        SqlQuery count(connection);
        count.addLine("select count(*) as n, pg_total_relation_size('dadosoid') as bytes from DadosOid");
        count.open();
        std::printf("DadosOid: %lld rows, %d customers, %d devices; loaded in %.1f s, indexed and analysed "
                    "in %.1f s, "
                    "%.1f GB with its indexes\n",
                    count.integer("n"), kCustomers, kDevices, loaded, indexed,
                    static_cast<double>(count.integer("bytes")) / 1e9);

        const QString month = QStringLiteral("2026-06");
        const QString customer = QStringLiteral("C0042");
        std::vector<Timing> timings;
        timings.push_back(measure(connection, "PaginasPorMes, one customer, one month", PagesStatement(true),
                                  [&](SqlQuery& q) {
                                      q.bindText("xMes", month);
                                      q.bindText("xChave", customer);
                                  }));
        timings.push_back(measure(connection, "PaginasPorMes, every customer, one month",
                                  PagesStatement(false), [&](SqlQuery& q) { q.bindText("xMes", month); }));
        timings.push_back(measure(connection, "SuprimentoAtual, one customer", SuppliesStatement(true, false),
                                  [&](SqlQuery& q) { q.bindText("xChave", customer); }));
        timings.push_back(measure(connection, "SuprimentoAtual, every customer below 10 %",
                                  SuppliesStatement(false, true),
                                  [&](SqlQuery& q) { q.bindInteger("xAbaixo", 10); }));
        std::printf("%-46s %8s %10s %10s %10s\n", "statement", "rows", "1st (s)", "best (s)", "worst (s)");
        for (const Timing& t : timings) {
            std::printf("%-46s %8lld %10.3f %10.3f %10.3f\n", qPrintable(t.name), t.rows, t.runs.front(),
                        *std::min_element(t.runs.begin(), t.runs.end()),
                        *std::max_element(t.runs.begin(), t.runs.end()));
        }
        const QStringList onePlan =
            plan(connection, "select * from PaginasPorMes where Mes = '2026-06' and Chave = 'C0042'");
        std::printf("the one-customer plan reads DadosOid by:\n");
        for (const QString& line : onePlan) {
            if (line.contains("dadosoid", Qt::CaseInsensitive))
                std::printf("  %s\n", qPrintable(line.trimmed()));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "report_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
