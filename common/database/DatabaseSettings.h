#pragma once

#include <QString>

namespace vorenta {

/// The database back ends both programs can work with.
enum class DatabaseBackend {
    Sqlite,     ///< embedded file in the program folder, the default
    PostgreSql, ///< a central PostgreSQL server
    SqlServer,  ///< the provider's SQL Server, through ODBC and FreeTDS
};

/// Where and how to reach the central database: Coletor.ini [BANCO].
///
/// Every time-out is finite: a collector that waits forever on a dead server never logs why it
/// stopped working.
struct DatabaseSettings {
    static constexpr int kDefaultConnectTimeoutSeconds = 15;
    static constexpr int kDefaultCommandTimeoutSeconds = 120;
    static constexpr int kSqlServerPort = 14333;

    DatabaseBackend backend = DatabaseBackend::Sqlite;
    QString host;         ///< Servidor (postgresql, sqlserver)
    int port = 0;         ///< Porta
    QString databaseName; ///< BancoDados; for sqlite the absolute file path
    QString user;         ///< Usuario
    QString password;     ///< Senha; never logged
    int connectTimeoutSeconds = kDefaultConnectTimeoutSeconds; ///< TempoConexao
    int commandTimeoutSeconds = kDefaultCommandTimeoutSeconds; ///< TempoComando
    /// sqlite: a file that does not exist is created with the schema when opened (the
    /// programs' own database); false makes opening it fail instead (a technician's --probe).
    bool createMissingFile = true;
    /// sqlite: false for a file of another program part's own tables (the local queue): a new file
    /// is created empty, and none of the programs' schema, indexes or settings is applied to it.
    bool programDatabase = true;
    /// Non-empty when [BANCO] could not be understood (an unknown Tipo); opening then fails with
    /// this text, so the failure reaches the log through the usual connection error.
    QString problem;

    /// The embedded default: Vorenta.db in `programFolder`.
    static DatabaseSettings embedded(const QString& programFolder);

    /// The provider's SQL Server with its fixed database, login and password.
    static DatabaseSettings providerSqlServer();

    /// "postgresql://user@host:port/db" and the like, for messages; holds no password.
    QString describe() const;
};

/// Reads [BANCO] of `programFolder`/Coletor.ini: Tipo (sqlite, postgresql, sqlserver; sqlite when
/// missing), Servidor, Porta, BancoDados, Usuario, Senha, TempoConexao and TempoComando (seconds).
/// Keys left out take the back end's defaults; a time-out that is not a positive number takes the
/// default. Throws IniFileError when the file exists but cannot be read.
DatabaseSettings LoadDatabaseSettings(const QString& programFolder);

} // namespace vorenta
