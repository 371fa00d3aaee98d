#pragma once

#include "common/database/DatabaseConnection.h"
#include "common/database/DatabaseSettings.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace vorenta::test {

/// The back ends every database test body runs against.
enum class TestBackend { Sqlite, PostgreSql };

/// True when the VORENTA_TEST_PG* variables name a PostgreSQL server (scripts/test sets them).
bool PostgresConfigured();

/// True when the test PostgreSQL can also be stopped and started (VORENTA_TEST_PG_CONTROL).
bool PostgresControllable();

/// Runs the PostgreSQL control script (scripts/lib/postgres) with `action`; true on success.
bool ControlPostgres(const QString& action);

/// Starts the server again when the test leaves, however it leaves: other tests need it.
struct RestartPostgresOnExit {
    ~RestartPostgresOnExit() { ControlPostgres(QStringLiteral("start")); }
};

/// A fresh database with the schema, dropped at the end: an SQLite file in a temporary program
/// folder, or a uniquely named PostgreSQL database created on the VORENTA_TEST_PG* server.
/// Throws std::runtime_error when it cannot be made.
class TestDatabase {
public:
    explicit TestDatabase(TestBackend backend);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    TestBackend backend() const { return m_backend; }
    /// Settings that reach this database (time-outs shortened for tests).
    const DatabaseSettings& settings() const { return m_settings; }
    /// The [BANCO] section for Coletor.ini that reaches this database, for programs under test.
    QByteArray bancoSection() const;
    /// A temporary program folder (the SQLite file lives in it).
    const TemporaryProgramFolder& folder() const { return m_folder; }
    /// An open connection of the fixture's own, for the helpers and for checks.
    DatabaseConnection& connection() { return *m_connection; }

    /// Inserts one row; values are bound by type (QString text, QDateTime date-time, integers,
    /// a null QVariant as NULL). Returns nothing: use lastCod() for Cod.
    void insertRow(const QString& table, const QList<QPair<QString, QVariant>>& columns);
    /// The highest Cod of `table` (RangeIP, DadosOid), 0 when empty.
    qint64 lastCod(const QString& table);

    void insertParametros(const QString& chave, const QVariant& ed7, const QString& ck1 = QStringLiteral("N"),
                          const QString& ed1 = QStringLiteral("1"), const QString& ed4 = QStringLiteral("1"),
                          const QString& ed5 = QString());
    /// Inserts a RangeIP row and returns its Cod; a null QVariant address stores NULL.
    qint64 insertRange(const QString& chave, const QString& idServ, const QVariant& ipIni,
                       const QVariant& ipFin);
    void insertExclusao(const QString& idServ, const QString& chave, const QString& nSerie);
    void insertOid(const QString& modelo, const QString& nomeInfo, const QString& oid);

    /// Runs one statement without rows (test set-up); throws DatabaseError.
    void execute(const QString& statement);
    /// Rows of `table`, optionally filtered by a condition written in SQL.
    qint64 count(const QString& table, const QString& where = QString());

private:
    TestBackend m_backend;
    TemporaryProgramFolder m_folder;
    DatabaseSettings m_settings;
    QString m_pgDatabase; // the PostgreSQL database to drop
    std::unique_ptr<DatabaseConnection> m_connection;
};

/// The value-parameterised fixture: write a body once with TEST_P, instantiate it with
/// VORENTA_INSTANTIATE_DATABASE_TESTS(Suite), and it runs on SQLite and PostgreSQL. Without
/// the PostgreSQL variables the PostgreSQL run is skipped, or fails under scripts/test.
class DatabaseTest : public ::testing::TestWithParam<TestBackend> {
protected:
    void SetUp() override;
    void TearDown() override { m_database.reset(); }

    TestDatabase& db() { return *m_database; }

private:
    std::optional<TestDatabase> m_database;
};

/// "Sqlite" or "PostgreSql", for test names.
std::string BackendName(const ::testing::TestParamInfo<TestBackend>& info);

/// Prints the back end by name in test output.
void PrintTo(TestBackend backend, std::ostream* out);

/// DadosOid as stored, row by row in Cod order, each "column=value" without Cod and the two dates:
/// what two passes over the same devices must agree on. Throws std::runtime_error when the table
/// cannot be read.
QList<QStringList> StoredRowsWithoutDates(DatabaseConnection& connection);

/// The last DadosOid row stored for the address `ip`, in the same form; empty when there is none.
QStringList LastStoredRowWithoutDates(DatabaseConnection& connection, const QString& ip);

} // namespace vorenta::test

#define VORENTA_INSTANTIATE_DATABASE_TESTS(Suite)                                                            \
    INSTANTIATE_TEST_SUITE_P(                                                                                \
        Backends, Suite,                                                                                     \
        ::testing::Values(::vorenta::test::TestBackend::Sqlite, ::vorenta::test::TestBackend::PostgreSql),   \
        ::vorenta::test::BackendName)
