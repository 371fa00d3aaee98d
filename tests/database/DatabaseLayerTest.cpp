#include "common/database/DatabaseError.h"
#include "common/database/Schema.h"
#include "common/database/SqlQuery.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"
#include "tests/support/UnprivilegedScope.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlRecord>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

namespace vorenta {
namespace {

using test::DatabaseTest;
using test::TestBackend;

TEST(SqlQueryPlaceholders, NamedMarkersBecomePositionalOutsideQuotesAndComments)
{
    struct Case {
        const char* statement;
        const char* sql;
        QStringList names;
    };
    const Case cases[] = {
        {"insert into t (a,b) values (:xA,:XB)", "insert into t (a,b) values (?,?)", {"xa", "xb"}},
        {"where a=:xDataLOG or b=:xDataLog", "where a=? or b=?", {"xdatalog", "xdatalog"}},
        {"where a=':xNo' and b=\":no\" and c=[x:y] and d=:yes",
         "where a=':xNo' and b=\":no\" and c=[x:y] and d=?",
         {"yes"}},
        {"where a='it''s :no' and b=:b1", "where a='it''s :no' and b=?", {"b1"}},
        {"select x::text, '10:30' -- :comment\n from t /* :c */ where y=:_y",
         "select x::text, '10:30' -- :comment\n from t /* :c */ where y=?",
         {"_y"}},
        {"select a:b, :1 from t", "select a:b, :1 from t", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        const SqlQuery::Positional p = SqlQuery::toPositional(QString::fromUtf8(c.statement));
        EXPECT_EQ(p.sql, QString::fromUtf8(c.sql));
        EXPECT_EQ(p.names, c.names);
    }
}

class DatabaseLayer : public DatabaseTest {};

TEST_P(DatabaseLayer, SchemaHasEveryTableAndColumn)
{
    const QMap<QString, QStringList> tables{
        {"Parametros", {"chave", "ck1", "Ed1", "Ed4", "Ed5", "Ed7"}},
        {"RangeIP", {"Cod", "CHAVE", "IDSERV", "IPINI", "IPFIN"}},
        {"exclusao", {"Idserv", "chave", "nSerie"}},
        {"Oid", {"Modelo", "NomeInfo", "Oid"}},
        {"DadosOid",
         {"IDServ",      "Chave",     "LocalInstal", "DataExp",    "DataLog",   "IP",       "MacAddress",
          "NSerie",      "Modelo",    "Fabricante",  "ContGeral",  "ContColor", "ContPb",   "ContScan",
          "StatusEquip", "Falha",     "Computador",  "IpInternet", "tel1",      "tel2",     "tel3",
          "email1",      "email2",    "email3",      "contato1",   "contato2",  "contato3", "inf1",
          "inf2",        "inf3",      "inf4",        "inf5",       "ContA3",    "ContA4",   "ContJams",
          "NivelB",      "NivelY",    "NivelC",      "NivelM",     "SupriB",    "SupriY",   "SupriC",
          "SupriM",      "DurabB",    "DurabY",      "DurabC",     "DurabM",    "Versao",   "CodEmpresa",
          "Cod",         "Notificado", "IdLeitura"}},
        {"ListaEquipCli",
         {"Chave", "LocalInstal", "nSerie", "Fabricante", "Modelo", "IDServ", "UltLog", "CodEmpresa", "IP",
          "Versao", "ultNotif"}},
        {"UltLog", {"IDServ", "Chave", "DataLOG", "LocalInstal"}},
        {"alerta", {"Data", "Chave", "TipoAlerta", "Situacao", "IDDadosOid", "IDSERV"}},
    };
    for (auto it = tables.begin(); it != tables.end(); ++it) {
        // Spelled in upper case: every spelling of a name must reach the same table.
        const QSqlRecord record = db().connection().database().record(
            GetParam() == TestBackend::PostgreSql ? it.key().toLower() : it.key().toUpper());
        EXPECT_EQ(record.count(), it.value().size()) << it.key().toStdString();
        for (const QString& column : it.value())
            EXPECT_GE(record.indexOf(column), 0) << it.key().toStdString() << "." << column.toStdString();
    }
    EXPECT_EQ(db().count("PARAMETROS"), 0);
    EXPECT_EQ(db().count("Alerta"), 0);
}

/// The names of the indexes a schema script creates.
QSet<QString> ScriptIndexes(DatabaseBackend backend)
{
    static const QRegularExpression createIndex("^CREATE\\s+(?:UNIQUE\\s+)?INDEX\\s+(\\w+)\\s",
                                                QRegularExpression::CaseInsensitiveOption);
    QSet<QString> names;
    for (const QString& statement : SplitSqlScript(SchemaScript(backend))) {
        const QRegularExpressionMatch match = createIndex.match(statement.trimmed());
        if (match.hasMatch())
            names.insert(match.captured(1).toLower());
    }
    return names;
}

TEST(Schema, EveryBackEndHasTheSameIndexes)
{
    const QSet<QString> sqlite = ScriptIndexes(DatabaseBackend::Sqlite);
    EXPECT_TRUE(sqlite.contains("ix_dadosoid_nserie_datalog")) << "the failure count's filter";
    EXPECT_TRUE(sqlite.contains("ux_listaequipcli_nserie")) << "one device list row per serial";
    EXPECT_EQ(ScriptIndexes(DatabaseBackend::PostgreSql), sqlite);
    EXPECT_EQ(ScriptIndexes(DatabaseBackend::SqlServer), sqlite);
}

TEST_P(DatabaseLayer, AFreshDatabaseHasTheIndexesOfTheStoresFilters)
{
    SqlQuery query(db().connection());
    query.addLine(GetParam() == TestBackend::PostgreSql
                      ? "select indexname as name from pg_indexes where schemaname = current_schema()"
                      : "select name from sqlite_master where type = 'index'");
    query.open();
    QSet<QString> present;
    for (; !query.atEnd(); query.next())
        present.insert(query.text("name").toLower());
    for (const QString& index : ScriptIndexes(db().connection().settings().backend))
        EXPECT_TRUE(present.contains(index)) << index.toStdString();
    EXPECT_TRUE(present.contains("ix_dadosoid_nserie_datalog"));
}

// An embedded file gains new indexes when it is opened (EmbeddedDatabase below); a server
// database through the upgrade script.
TEST(Schema, TheUpgradeScriptAddsTheNewIndexesToAnOlderServerDatabase)
{
    if (!test::PostgresConfigured())
        VORENTA_PEER_MISSING("PostgreSQL");
    test::TestDatabase db(TestBackend::PostgreSql);
    QFile file(QStringLiteral(VORENTA_SOURCE_DIR "/common/database/schema/upgrade/indexes-postgresql.sql"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList upgrade = SplitSqlScript(QString::fromUtf8(file.readAll()));
    db.execute("drop index ix_dadosoid_nserie_datalog");
    db.execute("drop index ix_listaequipcli_ultnotif_ultlog");
    for (int run = 0; run < 2; ++run) { // a second run changes nothing
        for (const QString& statement : upgrade)
            db.execute(statement);
    }
    EXPECT_EQ(db.count("pg_indexes",
                       "indexname in ('ix_dadosoid_nserie_datalog', 'ix_listaequipcli_ultnotif_ultlog')"),
              2);
}

TEST_P(DatabaseLayer, CodGrowsAndLengthsHoldTheirLongestValues)
{
    const qint64 first = db().insertRange("K", "S", QString(20, '1'), QString(20, '2'));
    const qint64 second = db().insertRange("K", "S", "10.0.0.1", "10.0.0.9");
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);

    db().insertRow("DadosOid", {{"StatusEquip", QString(200, 'x')},
                                {"Falha", QString(50, 'f')},
                                {"email1", QString(99, 'e')},
                                {"CodEmpresa", QString(99, 'c')},
                                {"tel1", QString(20, '9')}});
    EXPECT_EQ(db().count("DadosOid"), 1);
}

TEST_P(DatabaseLayer, ValuesHoldingQuotesAndNamesInAnyCaseAreBound)
{
    const QString key = "O'Brien \"e\" ; drop table RangeIP; --";
    db().insertRange(key, "S", "10.0.0.1", "10.0.0.2");

    SqlQuery query(db().connection());
    query.addLine("select IPINI, ipfin from RangeIP");
    query.addLine("where CHAVE=:xChave and IDSERV=:XIDSERV and (ipini=:xIp or ipini=:XIP)");
    query.bindText("XCHAVE", key);
    query.bindText("xIdServ", "S");
    query.bindText("xip", "10.0.0.1");
    query.open();
    ASSERT_TRUE(query.hasRows());
    EXPECT_EQ(query.text("ipIni"), "10.0.0.1");
    EXPECT_EQ(query.text("IPFIN"), "10.0.0.2");

    query.clearStatement();
    query.addLine("select count(*) as n from RangeIP where chave=:x");
    EXPECT_THROW(query.open(), DatabaseError) << "clearing the statement drops its values";
}

TEST_P(DatabaseLayer, RowsWalkInOrderAndNullsReadAsEmpty)
{
    db().insertRange("K", "S", "10.0.0.1", QVariant());
    db().insertRange("K", "S", "10.0.0.2", "10.0.0.3");

    SqlQuery query(db().connection());
    query.addLine("select Cod, IPINI, IPFIN from RangeIP order by Cod");
    query.open();
    ASSERT_TRUE(query.hasRows());
    QStringList seen;
    for (; !query.atEnd(); query.next())
        seen << query.text("ipini") + "|" + query.text("IPFIN");
    EXPECT_EQ(seen, QStringList({"10.0.0.1|", "10.0.0.2|10.0.0.3"}));
    query.first();
    EXPECT_TRUE(query.isNull("IPFIN"));
    EXPECT_GT(query.integer("COD"), 0);

    EXPECT_THROW(query.text("NoSuchColumn"), DatabaseError);
    EXPECT_THROW(query.integer("IPINI"), DatabaseError) << "a text is not a whole number";

    query.clearStatement();
    query.addLine("select * from RangeIP where Cod < 0");
    query.open();
    EXPECT_FALSE(query.hasRows());
    EXPECT_TRUE(query.atEnd());
    EXPECT_THROW(query.text("IPINI"), DatabaseError) << "no current row";
}

TEST_P(DatabaseLayer, FailuresCarryTheDriversText)
{
    SqlQuery query(db().connection());
    query.addLine("select * from TabelaQueNaoExiste");
    try {
        query.open();
        FAIL() << "a missing table must throw";
    } catch (const DatabaseError& error) {
        EXPECT_TRUE(error.text().contains("tabelaquenaoexiste", Qt::CaseInsensitive)) << error.what();
    }
    query.clearStatement();
    query.addLine("delete from RangeIP where Cod=:xCod");
    EXPECT_THROW(query.execute(), DatabaseError) << "an unbound parameter";
}

TEST_P(DatabaseLayer, DateTimesKeepTheirWallClockTime)
{
    ASSERT_EQ(qgetenv("TZ"), "America/Sao_Paulo") << "the test runs under a zone with an offset";
    // Day 5 of month 3: read in the wrong order it would be 3 May.
    const QDateTime bound(QDate(2024, 3, 5), QTime(22, 30, 15));
    const QDateTime later(QDate(2024, 3, 6), QTime(1, 0, 0));
    // Three collectors: UltLog holds one row per IDServ and Chave.
    db().insertRow("UltLog", {{"IDServ", "S1"}, {"Chave", "K"}, {"DataLOG", bound}});
    db().insertRow("UltLog", {{"IDServ", "S2"}, {"Chave", "K"}, {"DataLOG", later}});
    db().insertRow("UltLog", {{"IDServ", "S3"}, {"Chave", "K"}, {"DataLOG", QVariant()}});

    SqlQuery query(db().connection());
    query.addLine("select DataLog from UltLog where DataLOG < :xLimite order by datalog desc");
    query.bindDateTime("XLIMITE", QDateTime(QDate(2024, 3, 6), QTime(0, 0)));
    query.open();
    ASSERT_TRUE(query.hasRows());
    EXPECT_EQ(query.dateTime("DATALOG"), bound);
    EXPECT_EQ(query.text("DataLog"), "2024-03-05 22:30:15");
    query.next();
    EXPECT_TRUE(query.atEnd()) << "only the earlier row lies before the limit";

    query.clearStatement();
    query.addLine("select DataLog from UltLog where DataLog is null");
    query.open();
    EXPECT_FALSE(query.dateTime("DataLog").isValid());
}

TEST_P(DatabaseLayer, DialectStatementsRunOnTheServer)
{
    const Dialect& dialect = db().connection().dialect();
    SqlQuery query(db().connection());
    query.addLine(dialect.currentTimeStatement());
    query.open();
    const QDateTime serverNow = query.dateTime("DataeHoraAtual");
    // The server's clock is this machine's: its local wall-clock time is what must come back.
    EXPECT_LT(qAbs(serverNow.secsTo(QDateTime::currentDateTime())), 3600)
        << serverNow.toString().toStdString();

    const qint64 cod = db().insertRange("K", "S", "10.0.0.1", "10.0.0.2");
    db().insertRange("K", "S", "10.0.0.3", "10.0.0.4");
    query.clearStatement();
    query.addLine("select " + dialect.topOne() + "Cod, IPINI from RangeIP");
    query.addLine("where " + dialect.integerAsText("Cod") + "=:xCod or IPINI=:xIp");
    query.addLine("order by cod desc");
    query.addLine(dialect.limitOne());
    query.bindText("xCod", QString::number(cod));
    query.bindText("xIp", "10.0.0.3");
    query.open();
    EXPECT_EQ(query.text("IPINI"), "10.0.0.3");
    query.next();
    EXPECT_TRUE(query.atEnd()) << "first row only";
}

TEST_P(DatabaseLayer, CommandTimeOutFromColetorIniReachesTheDatabase)
{
    const test::TemporaryProgramFolder folder;
    folder.write("Coletor.ini", db().bancoSection() + "TempoComando=1\r\n");
    DatabaseConnection connection(LoadDatabaseSettings(folder.path()));
    connection.open();
    SqlQuery query(connection);
    if (GetParam() == TestBackend::PostgreSql) {
        query.addLine("SHOW statement_timeout");
        query.open();
        EXPECT_EQ(query.text("statement_timeout"), "1s");
    } else {
        // The embedded database waits this long for another program's write lock, then fails.
        db().execute("begin immediate");
        query.addLine("insert into RangeIP (CHAVE, IDSERV) values ('K', 'S')");
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(query.execute(), DatabaseError);
        const auto waited = std::chrono::steady_clock::now() - started;
        db().execute("rollback");
        EXPECT_GE(waited, std::chrono::milliseconds(900));
        EXPECT_LT(waited, std::chrono::seconds(20)) << "TempoComando=1 bounds the wait";
    }
}

TEST_P(DatabaseLayer, CommandTimeOutsBeyondMillisecondsStillConnect)
{
    // 2147484 s and more no longer fit the drivers' milliseconds: they are held at the longest.
    for (const char* seconds : {"2147484", "2147483647"}) {
        SCOPED_TRACE(seconds);
        const test::TemporaryProgramFolder folder;
        folder.write("Coletor.ini", db().bancoSection() + "TempoComando=" + seconds + "\r\n");
        DatabaseConnection connection(LoadDatabaseSettings(folder.path()));
        ASSERT_NO_THROW(connection.open());
        SqlQuery query(connection);
        query.addLine(connection.dialect().currentTimeStatement());
        query.open();
        EXPECT_TRUE(query.hasRows());
        if (GetParam() == TestBackend::PostgreSql) {
            query.clearStatement();
            query.addLine("SHOW statement_timeout");
            query.open();
            EXPECT_EQ(query.text("statement_timeout"), "2147483647ms");
        }
    }
}

TEST(EmbeddedDatabase, CreatedWithTheSchemaOnlyWhenTheFileIsMissing)
{
    const test::TemporaryProgramFolder folder;
    const DatabaseSettings settings = DatabaseSettings::embedded(folder.path());
    {
        DatabaseConnection connection(settings);
        connection.open();
        SqlQuery insert(connection);
        insert.addLine("insert into RangeIP (CHAVE, IDSERV) values (:a, :b)");
        insert.bindText("a", "K");
        insert.bindText("b", "S");
        insert.execute();
    }
    ASSERT_TRUE(QFile::exists(folder.file("Vorenta.db")));
    DatabaseConnection again(settings);
    again.open();
    again.open(); // reopening an open connection is fine
    SqlQuery count(again);
    count.addLine("select count(*) as n from rangeip");
    count.open();
    EXPECT_EQ(count.integer("n"), 1) << "an existing file keeps its rows";
    again.close();
    again.close(); // harmless when closed
    EXPECT_FALSE(again.isOpen());
}

TEST(EmbeddedDatabase, OpensInWriteAheadModeAndGainsTheIndexesOfANewerSchema)
{
    const test::TemporaryProgramFolder folder;
    const DatabaseSettings settings = DatabaseSettings::embedded(folder.path());
    {
        // A file made before the failure count had its index.
        DatabaseConnection older(settings);
        older.open();
        SqlQuery drop(older);
        drop.addLine("drop index ix_dadosoid_nserie_datalog");
        drop.execute();
    }
    DatabaseConnection connection(settings);
    connection.open();
    SqlQuery query(connection);
    query.addLine("select count(*) as n from sqlite_master where name = 'ix_dadosoid_nserie_datalog'");
    query.open();
    EXPECT_EQ(query.integer("n"), 1);
    query.clearStatement();
    query.addLine("PRAGMA journal_mode");
    query.open();
    EXPECT_EQ(query.text("journal_mode"), "wal");
    query.clearStatement();
    query.addLine("PRAGMA synchronous");
    query.open();
    EXPECT_EQ(query.integer("synchronous"), 1) << "NORMAL";
}

TEST(EmbeddedDatabase, FileWhoseSchemaFailedIsRemoved)
{
    const test::TemporaryProgramFolder folder;
    // SQLite writes its rollback journal beside the file; a folder of that name makes the first
    // table fail after the file itself has been created.
    const QString journal = folder.file("Vorenta.db-journal");
    ASSERT_TRUE(QDir().mkdir(journal));
    DatabaseConnection connection(DatabaseSettings::embedded(folder.path()));
    EXPECT_THROW(connection.open(), DatabaseError);
    EXPECT_FALSE(QFile::exists(folder.file("Vorenta.db")))
        << "a file without tables would pass for a database";

    // So the next attempt starts afresh and gets the whole schema.
    ASSERT_TRUE(QDir().rmdir(journal));
    connection.open();
    SqlQuery count(connection);
    count.addLine("select count(*) as n from RangeIP");
    count.open();
    EXPECT_EQ(count.integer("n"), 0);
}

// A range added with sqlite3 as root leaves the embedded file (or its -wal) to root, read-only
// to the service: every store fails then, and the failure must say which file and as whom.
TEST(EmbeddedDatabase, AFileThisUserMayNotWriteIsNamedWithTheUser)
{
    const test::TemporaryProgramFolder folder;
    {
        DatabaseConnection made(DatabaseSettings::embedded(folder.path()));
        made.open(); // as root, with the schema
    }
    ::chmod(QFile::encodeName(folder.path()).constData(), 0755);
    ::chmod(QFile::encodeName(folder.file("Vorenta.db")).constData(), 0644);
    for (const char* part : {"-wal", "-shm"})
        ::chmod(QFile::encodeName(folder.file(QStringLiteral("Vorenta.db") + part)).constData(), 0644);
    test::UnprivilegedScope service;
    DatabaseConnection connection(DatabaseSettings::embedded(folder.path()));
    QString text;
    try {
        connection.open();
        SqlQuery insert(connection);
        insert.addLine("insert into RangeIP (CHAVE, IDSERV, IPINI, IPFIN) values ('K', 'S', '127.0.0.1', '127.0.0.2')");
        insert.execute();
    } catch (const DatabaseError& error) {
        text = error.text();
    }
    EXPECT_TRUE(text.contains(QStringLiteral("sem permissão de escrita para o usuário nobody; corrija o dono do "
                                             "arquivo (") +
                              folder.file("Vorenta.db") + u')'))
        << text.toStdString();
}

VORENTA_INSTANTIATE_DATABASE_TESTS(DatabaseLayer);

} // namespace
} // namespace vorenta
