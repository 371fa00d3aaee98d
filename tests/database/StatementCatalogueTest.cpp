// The statement catalogue: every statement of every back end printed, prepared on a real SQLite
// file and a real PostgreSQL server with the schema, and the SQL Server ones parsed as T-SQL
// (no SQL Server runs here: sqlfluff's T-SQL grammar stands in for its parser).
#include "collector/database/DadosOidColumns.h"
#include "common/database/SqlQuery.h"
#include "common/database/StatementCatalogue.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Peers.h"
#include "tests/support/TransactSql.h"

#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <iostream>

namespace vorenta {
namespace {

using test::TestBackend;

QString BackendWord(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return "postgresql";
    case DatabaseBackend::SqlServer:
        return "sqlserver";
    case DatabaseBackend::Sqlite:
        break;
    }
    return "sqlite";
}

/// The ":name" parameters of a statement, in lower case.
QSet<QString> ParametersOf(const QString& text)
{
    const QStringList names = SqlQuery::toPositional(text).names;
    return QSet<QString>(names.begin(), names.end());
}

// What a reader of the catalogue sees: every statement of every back end, listed by name.
TEST(StatementCatalogue, PrintsEveryStatementOfEveryBackEnd)
{
    const QList<Statement> all = StatementCatalogue::all();
    ASSERT_EQ(all.size(), 35);
    QSet<QString> names;
    for (const DatabaseBackend backend :
         {DatabaseBackend::Sqlite, DatabaseBackend::PostgreSql, DatabaseBackend::SqlServer}) {
        std::cout << "-- " << BackendWord(backend).toStdString() << "\n";
        for (const Statement statement : all) {
            const QString text = StatementCatalogue::of(backend).text(statement);
            std::cout << "-- " << StatementCatalogue::name(statement).toStdString() << "\n"
                      << text.toStdString() << ";\n\n";
            EXPECT_FALSE(text.contains(u'{') || text.contains(u'}'))
                << "a token left unexpanded: " << text.toStdString();
            names.insert(StatementCatalogue::name(statement));
        }
    }
    EXPECT_EQ(names.size(), all.size()) << "two statements share a name";
}

// The tokens, as each back end writes them.
TEST(StatementCatalogue, TokensBecomeEachBackEndsWords)
{
    struct Case {
        DatabaseBackend backend;
        Statement statement;
        const char* contains;
    };
    const Case cases[] = {
        {DatabaseBackend::Sqlite, Statement::ServerTime, "SELECT datetime('now','localtime') AS DataeHoraAtual"},
        {DatabaseBackend::PostgreSql, Statement::ServerTime, "SELECT LOCALTIMESTAMP(0) AS DataeHoraAtual"},
        {DatabaseBackend::SqlServer, Statement::ServerTime, "SELECT GETDATE() AS DataeHoraAtual"},
        {DatabaseBackend::Sqlite, Statement::StoreStart, "(UltLog<datetime(datetime('now','localtime'),'-3 days'))"},
        {DatabaseBackend::PostgreSql, Statement::StoreStart, "(UltLog<(LOCALTIMESTAMP(0) - interval '3 days'))"},
        {DatabaseBackend::SqlServer, Statement::StoreStart, "(UltLog<DATEADD(day,-3,GETDATE()))"},
        {DatabaseBackend::SqlServer, Statement::StoreStart, "(ultNotif is null) or (UltNotif='')"},
        {DatabaseBackend::SqlServer, Statement::NewestReading, "select top(1) Cod,IdServ from DadosOid"},
        {DatabaseBackend::PostgreSql, Statement::NewestReading, "Order by cod desc\nlimit 1"},
        {DatabaseBackend::Sqlite, Statement::NewestFailureReading, "Order by cod desc\nlimit 1"},
        {DatabaseBackend::SqlServer, Statement::UpsertEquipment, "merge into ListaEquipCli with (holdlock) as t"},
        {DatabaseBackend::PostgreSql, Statement::UpsertLastStore, "on conflict (IDServ,Chave) do update set"},
        {DatabaseBackend::Sqlite, Statement::InsertAlert,
         "on conflict (IDDadosOid,TipoAlerta) where Situacao='Em Aberto' do nothing"},
        {DatabaseBackend::PostgreSql, Statement::HeldReadings, "in (:xId0,:xId1,"},
        {DatabaseBackend::PostgreSql, Statement::HeldReadings, ",:xId48,:xId49)"},
    };
    for (const Case& c : cases) {
        const QString text = StatementCatalogue::of(c.backend).text(c.statement);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.contains)))
            << StatementCatalogue::name(c.statement).toStdString() << " on " << BackendWord(c.backend).toStdString()
            << " lacks \"" << c.contains << "\":\n"
            << text.toStdString();
    }
    EXPECT_FALSE(StatementCatalogue::of(DatabaseBackend::SqlServer).text(Statement::NewestReading).contains("limit"));
    EXPECT_EQ(ParametersOf(StatementCatalogue::of(DatabaseBackend::Sqlite).text(Statement::HeldReadings)).size(), 50);
}

// The reading's insert names every column the store binds, and no other: a column added to the
// list and not to the statement would fail every store.
TEST(StatementCatalogue, TheReadingInsertsBindEveryColumnOfTheReading)
{
    QSet<QString> bound;
    for (const StoreColumn& c : DadosOidColumns({}, {}, {}, QDateTime::currentDateTime(), QDate::currentDate()))
        bound.insert(QStringLiteral("x") + c.column.toLower());
    ASSERT_EQ(bound.size(), 49);
    const StatementCatalogue& catalogue = StatementCatalogue::of(DatabaseBackend::PostgreSql);
    EXPECT_EQ(ParametersOf(catalogue.text(Statement::InsertReading)), bound);
    bound.insert("xidleitura");
    EXPECT_EQ(ParametersOf(catalogue.text(Statement::InsertEarlierReading)), bound);
}

class CatalogueOnServer : public test::DatabaseTest {};

// Each statement, in positional form as SqlQuery sends it, prepared by the real engine on a
// database with the schema: a table or column name it does not know, or a syntax it refuses,
// fails here. SQLite prepares on the file; PostgreSQL's driver prepares on the server.
TEST_P(CatalogueOnServer, EveryStatementPreparesOnTheSchema)
{
    const DatabaseBackend backend = db().settings().backend;
    QSqlDatabase connection = db().connection().database();
    ASSERT_TRUE(connection.isOpen());
    for (const Statement statement : StatementCatalogue::all()) {
        const QString positional =
            SqlQuery::toPositional(StatementCatalogue::of(backend).text(statement)).sql;
        QSqlQuery query(connection);
        EXPECT_TRUE(query.prepare(positional))
            << StatementCatalogue::name(statement).toStdString() << ": " << query.lastError().text().toStdString()
            << "\n"
            << positional.toStdString();
    }
    // The engine does judge at prepare: a column it does not know is refused.
    QSqlQuery wrong(connection);
    EXPECT_FALSE(wrong.prepare("select NaoExiste from DadosOid where Cod=?"));
}

VORENTA_INSTANTIATE_DATABASE_TESTS(CatalogueOnServer);

// The SQL Server statements parse as T-SQL, with their parameters as T-SQL names them (the
// ODBC driver sends "?"). sqlfluff 1.4's grammar lacks the table hint of a MERGE target, which
// SQL Server takes ("MERGE INTO t WITH (HOLDLOCK) AS alias"): the hint is checked in its place
// and left out of what is parsed. A statement broken on purpose shows the check can fail.
TEST(StatementCatalogue, SqlServerStatementsParseAsTsql)
{
    const QRegularExpression parameter(QStringLiteral(":(x\\w+)"));
    const QRegularExpression mergeHint(QStringLiteral("^(merge into \\w+) with \\(holdlock\\)( as t\\n)"));
    int merges = 0;
    QStringList statements;
    for (const Statement statement : StatementCatalogue::all()) {
        QString text = StatementCatalogue::of(DatabaseBackend::SqlServer).text(statement);
        if (const auto hint = mergeHint.match(text); hint.hasMatch()) {
            ++merges;
            text.replace(hint.capturedStart(), hint.capturedLength(), hint.captured(1) + hint.captured(2));
        }
        EXPECT_FALSE(text.contains("holdlock", Qt::CaseInsensitive))
            << "a hint out of its place: " << text.toStdString();
        statements << text.replace(parameter, QStringLiteral("@\\1"));
    }
    EXPECT_EQ(merges, 3) << "the two upserts and the alert insert hold their key under HOLDLOCK";
    const int broken = static_cast<int>(statements.size());
    statements << "select Cod from DadosOid where (NSerie=@xNSerie";

    QString missing;
    const std::optional<QList<int>> unparsable = test::UnparsableAsTsql(statements, &missing);
    if (!unparsable)
        VORENTA_PEER_MISSING(missing.toStdString());
    QStringList names;
    for (const int i : *unparsable)
        names << (i == broken ? QStringLiteral("the broken one") : StatementCatalogue::name(StatementCatalogue::all()[i]));
    EXPECT_EQ(*unparsable, QList<int>{broken}) << names.join(", ").toStdString();
}

} // namespace
} // namespace vorenta
