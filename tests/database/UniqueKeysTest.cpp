// The unique keys of the one-per-key tables (ListaEquipCli per nSerie, UltLog per IDServ and
// Chave, one open alert per reading and kind): the statements that write on them, and the
// upgrade of a database that an older version, or two collectors at once, filled with duplicates.
#include "common/database/Dialect.h"
#include "common/database/Schema.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"
#include "tests/support/StoreTestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::TestBackend;

const Dialect::KeyedRow kLastStore{"UltLog", {"IDServ", "Chave"}, {"IDServ", "Chave", "DataLOG"}, {}, {}};
const Dialect::KeyedRow kDeviceList{"ListaEquipCli", {"nSerie"}, {"nSerie", "UltLog"}, {"ultNotif"}, {}};
const Dialect::KeyedRow kOpenAlert{"alerta",
                                   {"IDDadosOid", "TipoAlerta"},
                                   {"IDDadosOid", "TipoAlerta", "Situacao"},
                                   {},
                                   "Situacao='Em Aberto'"};

// The text each back end is sent. SQL Server cannot run here: its text is checked word for word.
TEST(UniqueKeyStatements, EachBackEndWritesOnTheKeyWithItsOwnStatement)
{
    struct Case {
        DatabaseBackend backend;
        const Dialect::KeyedRow& row;
        bool upsert;
        const char* text;
    };
    const Case cases[] = {
        {DatabaseBackend::PostgreSql, kLastStore, true,
         "insert into UltLog (IDServ,Chave,DataLOG)\nvalues (:xIDServ,:xChave,:xDataLOG)\n"
         "on conflict (IDServ,Chave) do update set DataLOG=excluded.DataLOG"},
        {DatabaseBackend::Sqlite, kDeviceList, true,
         "insert into ListaEquipCli (nSerie,UltLog)\nvalues (:xnSerie,:xUltLog)\n"
         "on conflict (nSerie) do update set UltLog=excluded.UltLog,ultNotif=NULL"},
        {DatabaseBackend::SqlServer, kDeviceList, true,
         "merge into ListaEquipCli with (holdlock) as t\nusing (values (:xnSerie,:xUltLog)) as s "
         "(nSerie,UltLog)\n"
         "on (t.nSerie=s.nSerie)\nwhen matched then update set UltLog=s.UltLog,ultNotif=NULL\n"
         "when not matched then insert (nSerie,UltLog) values (s.nSerie,s.UltLog);"},
        {DatabaseBackend::PostgreSql, kOpenAlert, false,
         "insert into alerta (IDDadosOid,TipoAlerta,Situacao)\nvalues "
         "(:xIDDadosOid,:xTipoAlerta,:xSituacao)\n"
         "on conflict (IDDadosOid,TipoAlerta) where Situacao='Em Aberto' do nothing"},
        {DatabaseBackend::SqlServer, kOpenAlert, false,
         "merge into alerta with (holdlock) as t\n"
         "using (values (:xIDDadosOid,:xTipoAlerta,:xSituacao)) as s (IDDadosOid,TipoAlerta,Situacao)\n"
         "on (t.IDDadosOid=s.IDDadosOid and t.TipoAlerta=s.TipoAlerta and t.Situacao='Em Aberto')\n"
         "when not matched then insert (IDDadosOid,TipoAlerta,Situacao) values "
         "(s.IDDadosOid,s.TipoAlerta,s.Situacao);"},
    };
    for (const Case& c : cases) {
        const Dialect& dialect = Dialect::of(c.backend);
        const QString text = c.upsert ? dialect.upsert(c.row) : dialect.insertUnlessPresent(c.row);
        EXPECT_EQ(text.toStdString(), c.text);
    }
}

class UniqueKeys : public test::DatabaseTest {
protected:
    /// The database as an older version left it: the plain indexes instead of the unique ones,
    /// and rows that two collectors wrote at once.
    void makeOlderDatabaseWithDuplicates()
    {
        for (const char* index : {"ux_listaequipcli_nserie", "ux_ultlog_idserv_chave", "ux_alerta_aberto"})
            db().execute(QStringLiteral("drop index ") + index);
        db().execute("create index ix_listaequipcli_nserie on ListaEquipCli (nSerie)");
        db().execute("create index ix_ultlog_idserv_chave on UltLog (IDServ, Chave)");
        const QDateTime t0(QDate(2026, 3, 2), QTime(8, 0));
        // SER-A three times, its newest row in the middle; SER-B once.
        for (const auto& [ip, minutes] : {std::pair{"10.0.0.1", 0}, {"10.0.0.3", 20}, {"10.0.0.2", 10}})
            db().insertRow("ListaEquipCli", {{"Chave", QString("K1")},
                                             {"nSerie", QString("SER-A")},
                                             {"IP", QString(ip)},
                                             {"UltLog", t0.addSecs(minutes * 60)}});
        db().insertRow("ListaEquipCli", {{"Chave", QString("K1")},
                                         {"nSerie", QString("SER-B")},
                                         {"IP", QString("10.0.0.9")},
                                         {"UltLog", t0}});
        // S1/K1 twice, S2/K1 once.
        for (const auto& [local, minutes] : {std::pair{"novo", 30}, {"velho", 5}})
            db().insertRow("UltLog", {{"IDServ", QString("S1")},
                                      {"Chave", QString("K1")},
                                      {"DataLOG", t0.addSecs(minutes * 60)},
                                      {"LocalInstal", QString(local)}});
        db().insertRow("UltLog", {{"IDServ", QString("S2")},
                                  {"Chave", QString("K1")},
                                  {"DataLOG", t0},
                                  {"LocalInstal", QString("outro")}});
        // Reading 7: two open alerts and one closed; reading 8: one open.
        struct Alert {
            qint64 reading;
            const char* situacao;
            int minutes;
            const char* idServ;
        };
        for (const Alert& a : {Alert{7, "Em Aberto", 0, "S1"}, Alert{7, "Em Aberto", 40, "S2"},
                               Alert{7, "Fechado", 50, "S1"}, Alert{8, "Em Aberto", 0, "S1"}})
            db().insertRow("alerta", {{"Data", t0.addSecs(a.minutes * 60)},
                                      {"Chave", QString("K1")},
                                      {"TipoAlerta", QString("FALHA")},
                                      {"Situacao", QString(a.situacao)},
                                      {"IDDadosOid", a.reading},
                                      {"IDSERV", QString(a.idServ)}});
    }

    /// One upgrade as a site runs it: the script with psql on a server, the opening of the file
    /// by a program on the embedded database.
    void upgrade()
    {
        if (GetParam() == TestBackend::Sqlite) {
            DatabaseConnection program(db().settings());
            program.open();
            program.close();
            return;
        }
        const DatabaseSettings& s = db().settings();
        QProcess psql;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PGPASSWORD", s.password);
        psql.setProcessEnvironment(environment);
        psql.start("psql", {"-h", s.host, "-p", QString::number(s.port), "-U", s.user, "-d", s.databaseName,
                            "-v", "ON_ERROR_STOP=1", "-q", "-f",
                            VORENTA_SOURCE_DIR "/common/database/schema/upgrade/unique-keys-postgresql.sql"});
        ASSERT_TRUE(psql.waitForFinished(60000)) << "psql did not end within 60 s";
        ASSERT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    }

    QStringList indexes()
    {
        SqlQuery query(db().connection());
        query.addLine(GetParam() == TestBackend::PostgreSql
                          ? "select indexname as name from pg_indexes where schemaname = current_schema()"
                          : "select name from sqlite_master where type = 'index'");
        query.open();
        QStringList names;
        for (; !query.atEnd(); query.next())
            names << query.text("name").toLower();
        return names;
    }
};

TEST_P(UniqueKeys, AnOlderDatabaseWithDuplicatesKeepsTheNewestRowOfEachKeyAndGetsTheKeys)
{
    makeOlderDatabaseWithDuplicates();
    for (int run = 1; run <= 2; ++run) { // the second run finds nothing to do
        upgrade();
        if (HasFatalFailure())
            return;
        EXPECT_EQ(db().count("ListaEquipCli"), 2) << "run " << run;
        EXPECT_EQ(db().count("ListaEquipCli", "nSerie='SER-A' and IP='10.0.0.3'"), 1)
            << "the newest SER-A row";
        EXPECT_EQ(db().count("ListaEquipCli", "nSerie='SER-B'"), 1);
        EXPECT_EQ(db().count("UltLog"), 2) << "run " << run;
        EXPECT_EQ(db().count("UltLog", "IDServ='S1' and Chave='K1' and LocalInstal='novo'"), 1);
        EXPECT_EQ(db().count("UltLog", "IDServ='S2'"), 1);
        EXPECT_EQ(db().count("alerta"), 3) << "run " << run;
        EXPECT_EQ(db().count("alerta", "IDDadosOid=7 and Situacao='Em Aberto' and IDSERV='S2'"), 1)
            << "the newest open alert of reading 7";
        EXPECT_EQ(db().count("alerta", "IDDadosOid=7 and Situacao='Fechado'"), 1) << "closed ones stay";
        EXPECT_EQ(db().count("alerta", "IDDadosOid=8"), 1);
        const QStringList present = indexes();
        for (const QString& index : UniqueKeyIndexes())
            EXPECT_TRUE(present.contains(index)) << index.toStdString() << ", run " << run;
        EXPECT_FALSE(present.contains("ix_listaequipcli_nserie")) << "the unique index serves its lookups";
        EXPECT_FALSE(present.contains("ix_ultlog_idserv_chave"));
    }
    // The keys hold from now on.
    EXPECT_ANY_THROW(db().insertRow("ListaEquipCli", {{"nSerie", QString("SER-B")}}));
    EXPECT_ANY_THROW(db().insertRow("UltLog", {{"IDServ", QString("S2")}, {"Chave", QString("K1")}}));
    EXPECT_ANY_THROW(db().insertRow(
        "alerta",
        {{"IDDadosOid", qint64{8}}, {"TipoAlerta", QString("FALHA")}, {"Situacao", QString("Em Aberto")}}));
    db().insertRow(
        "alerta",
        {{"IDDadosOid", qint64{8}}, {"TipoAlerta", QString("FALHA")}, {"Situacao", QString("Fechado")}});
    EXPECT_EQ(db().count("alerta", "IDDadosOid=8"), 2) << "closed alerts are not keyed";
}

// What the store sends on a fresh database: a second write of a key updates its row.
TEST_P(UniqueKeys, AWriteOnATakenKeyUpdatesTheRowOrLeavesIt)
{
    const Dialect& dialect = db().connection().dialect();
    const QDateTime t0(QDate(2026, 3, 2), QTime(8, 0));
    for (int minutes : {0, 10}) {
        SqlQuery upsert(db().connection());
        upsert.addLine(dialect.upsert(kDeviceList));
        upsert.bindText("xnSerie", "SER-A");
        upsert.bindDateTime("xUltLog", t0.addSecs(minutes * 60));
        upsert.execute();
        if (minutes == 0)
            db().execute("update ListaEquipCli set ultNotif = UltLog"); // reported inoperative
    }
    EXPECT_EQ(db().count("ListaEquipCli"), 1);
    EXPECT_EQ(db().count("ListaEquipCli", "ultNotif is null"), 1) << "a new reading clears the report";
    EXPECT_EQ(test::FirstText(db().connection(), "select UltLog from ListaEquipCli", "UltLog"),
              "2026-03-02 08:10:00");

    int written = 0;
    for (int i = 0; i < 2; ++i) {
        SqlQuery insert(db().connection());
        insert.addLine(dialect.insertUnlessPresent(kOpenAlert));
        insert.bindInteger("xIDDadosOid", 7);
        insert.bindText("xTipoAlerta", "FALHA");
        insert.bindText("xSituacao", "Em Aberto");
        insert.execute();
        written += insert.rowsAffected();
    }
    EXPECT_EQ(written, 1);
    EXPECT_EQ(db().count("alerta"), 1);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(UniqueKeys);

} // namespace
} // namespace vorenta
