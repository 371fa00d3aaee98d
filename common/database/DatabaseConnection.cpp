#include "DatabaseConnection.h"

#include "common/FileAccess.h"
#include "common/TextRules.h"
#include "common/database/DatabaseDriver.h"
#include "common/database/DatabaseError.h"
#include "common/database/NativeHandle.h"
#include "common/database/Schema.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QPair>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <libpq-fe.h>
#include <poll.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <limits>

namespace vorenta {

namespace {

constexpr int kSqliteReadOnly = 8; // SQLITE_READONLY

QString uniqueConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("vorenta-db-%1").arg(++counter);
}

/// An ODBC connection string value in braces, so ';' and '=' in it cannot start another key.
QString braced(const QString& value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

/// What the server says outside a statement (the notice of its own shutdown, for one) is no
/// concern of the programs, and must not reach standard error as a stray line.
void ignoreNotice(void*, const char*) {}

/// Reads what a PostgreSQL server sent while its connection was idle, without waiting: a server
/// that shuts down or ends the session sends its reason and closes, and libpq then marks the
/// connection bad.
bool postgresStillConnected(PGconn* connection)
{
    // A few rounds: the closing notice and the end of the stream may arrive apart.
    for (int round = 0; round < 4 && PQstatus(connection) == CONNECTION_OK; ++round) {
        pollfd socket{PQsocket(connection), POLLIN, 0};
        if (::poll(&socket, 1, 0) <= 0)
            break;
        if (PQconsumeInput(connection) == 0)
            break;
        while (PGnotify* notification = PQnotifies(connection))
            PQfreemem(notification);
    }
    return PQstatus(connection) == CONNECTION_OK;
}

/// Whether the ODBC driver found the connection dead (FreeTDS notices it at a failed send or
/// receive).
bool odbcStillConnected(SQLHDBC connection)
{
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN result = SQLGetConnectAttr(connection, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    return !SQL_SUCCEEDED(result) || dead != SQL_CD_TRUE;
}

} // namespace

DatabaseConnection::DatabaseConnection(DatabaseSettings settings) : m_settings(std::move(settings)) {}

DatabaseConnection::~DatabaseConnection()
{
    close();
}

QSqlDatabase DatabaseConnection::database() const
{
    if (m_name.isEmpty())
        return {};
    return QSqlDatabase::database(m_name, false);
}

bool DatabaseConnection::isOpen() const
{
    return database().isOpen();
}

void DatabaseConnection::close()
{
    m_cancel.disarm();
    m_inTransaction = false;
    if (m_name.isEmpty())
        return;
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    // The Qt connection goes with its driver: statements prepared on it are then dropped without
    // asking a server that may be gone to free them.
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    ++m_generation;
}

bool DatabaseConnection::isUsable()
{
    const QSqlDatabase db = database();
    if (!db.isOpen())
        return false;
    switch (m_settings.backend) {
    case DatabaseBackend::PostgreSql:
        if (PGconn* connection = NativeHandle<PGconn>(db, "pg_conn*"))
            return postgresStillConnected(connection);
        return true;
    case DatabaseBackend::SqlServer:
        if (void* connection = NativeHandle<void>(db, "void*"))
            return odbcStillConnected(static_cast<SQLHDBC>(connection));
        return true;
    case DatabaseBackend::Sqlite:
        break;
    }
    return true; // a file
}

void DatabaseConnection::checkReady() const
{
    if (m_cancel.requested())
        throw ConnectionError(QStringLiteral("cancelado pela parada do serviço"), true);
    if (!isOpen())
        throw ConnectionError(QStringLiteral("conexão com o banco de dados fechada"));
}

void DatabaseConnection::throwFailure(const QSqlError& error)
{
    DatabaseError failure = DatabaseError::fromSqlError(error);
    if (m_cancel.requested())
        throw ConnectionError(QStringLiteral("cancelado pela parada do serviço: ") + failure.text(), true,
                              failure.nativeCode());
    if (!isUsable())
        throw ConnectionError(failure.text(), false, failure.nativeCode());
    // SQLite's own text ("attempt to write a readonly database") names neither the file nor
    // the user: a file left to root by a hand edit would then fail every store without a clue.
    if (m_settings.backend == DatabaseBackend::Sqlite && failure.sqlitePrimaryCode() == kSqliteReadOnly) {
        const QString problem = WriteProblem(m_settings.databaseName);
        if (!problem.isEmpty())
            throw DatabaseError(failure.text() + QStringLiteral(" (") + problem + u')', failure.nativeCode());
    }
    throw failure;
}

void DatabaseConnection::command(const QString& statement)
{
    checkReady();
    QSqlQuery query(database());
    if (!query.exec(statement))
        throwFailure(query.lastError());
}

void DatabaseConnection::beginTransaction()
{
    command(dialect().beginTransaction());
    m_inTransaction = true;
}

void DatabaseConnection::commitTransaction()
{
    try {
        command(dialect().commitTransaction());
    } catch (const DatabaseError&) {
        rollbackTransaction();
        throw;
    }
    m_inTransaction = false;
}

void DatabaseConnection::rollbackTransaction() noexcept
{
    if (!m_inTransaction)
        return;
    m_inTransaction = false;
    try {
        // Also after a stop: the cancelled work must not stay pending on the server.
        QSqlDatabase db = database();
        if (db.isOpen())
            QSqlQuery(db).exec(dialect().rollbackTransaction());
    } catch (...) {
        // a connection that is gone has rolled back on the server's side
    }
}

void DatabaseConnection::setSavepoint(const QString& name)
{
    command(dialect().savepoint(name));
}

void DatabaseConnection::rollbackToSavepoint(const QString& name)
{
    command(dialect().rollbackToSavepoint(name));
}

QString DatabaseConnection::odbcConnectionString(const DatabaseSettings& settings)
{
    // FreeTDS takes the port as its own key; "Timeout" is its command time-out in seconds.
    return QStringLiteral("DRIVER={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};SERVER=%1;PORT=%2;"
                          "DATABASE=%3;UID=%4;PWD=%5;TDS_Version=7.4;ClientCharset=UTF-8;Timeout=%6")
        .arg(braced(settings.host))
        .arg(settings.port)
        .arg(braced(settings.databaseName), braced(settings.user), braced(settings.password))
        .arg(settings.commandTimeoutSeconds);
}

void DatabaseConnection::open()
{
    close();
    if (!m_settings.problem.isEmpty())
        throw ConnectionError(m_settings.problem);
    if (!QSqlDatabase::isDriverAvailable(DriverName(m_settings.backend)))
        throw ConnectionError(QStringLiteral("driver %1 não instalado").arg(DriverName(m_settings.backend)));

    const bool sqlite = m_settings.backend == DatabaseBackend::Sqlite;
    const bool createSqlite = sqlite && !QFile::exists(m_settings.databaseName);
    if (createSqlite && !m_settings.createMissingFile)
        throw ConnectionError(QStringLiteral("banco de dados não encontrado: ") + m_settings.databaseName);
    m_name = uniqueConnectionName();
    ++m_generation;
    QSqlDatabase::addDatabase(DriverName(m_settings.backend), m_name);
    openConnection();
    if (!sqlite || !m_settings.programDatabase)
        return;
    if (createSqlite) {
        try {
            applySchema();
        } catch (const DatabaseError& error) {
            // A half-made file would be taken for a database at the next attempt.
            close();
            QFile::remove(m_settings.databaseName);
            throw ConnectionError(error.text());
        }
    }
    prepareEmbeddedFile();
}

namespace {

// The report views of a file made by an earlier version are made, or made again where the
// schema's text has changed since (SQLite keeps a view's text as it was created). All or nothing,
// like the unique keys below: a file another program holds now, or one this user may only read,
// is upgraded at a later opening, and the stored tables are never touched.
void upgradeEmbeddedViews(QSqlDatabase& db)
{
    static const QRegularExpression createView(QStringLiteral("^CREATE\\s+VIEW\\s+(\\w+)\\s"),
                                               QRegularExpression::CaseInsensitiveOption);
    // Without DadosOid (a file being repaired, the table renamed for a while) a view made now
    // would name a table that is not there, and SQLite would refuse the table's rename back.
    QSqlQuery table(db);
    if (!table.exec(
            QStringLiteral("select 1 from sqlite_master where type='table' and lower(name)='dadosoid'")) ||
        !table.next())
        return;
    table.finish();
    QHash<QString, QString> present;
    QSqlQuery views(db);
    if (!views.exec(QStringLiteral("select name, sql from sqlite_master where type='view'")))
        return;
    while (views.next())
        present.insert(views.value(0).toString().toLower(), Trim(views.value(1).toString()));
    views.finish();
    QList<QPair<QString, QString>> changed;
    for (const QString& statement : SplitSqlScript(SchemaScript(DatabaseBackend::Sqlite))) {
        const QRegularExpressionMatch match = createView.match(statement);
        if (match.hasMatch() && present.value(match.captured(1).toLower()) != statement)
            changed.append({match.captured(1), statement});
    }
    if (changed.isEmpty())
        return;
    bool upgraded = QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    for (const auto& [name, statement] : changed) {
        if (upgraded)
            upgraded = QSqlQuery(db).exec(QStringLiteral("DROP VIEW IF EXISTS ") + name);
        if (upgraded)
            upgraded = QSqlQuery(db).exec(statement);
    }
    QSqlQuery(db).exec(upgraded ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
}

} // namespace

void DatabaseConnection::prepareEmbeddedFile()
{
    QSqlDatabase db = database();
    // Write-ahead log: a commit appends to the log instead of rewriting the file, and readers
    // (the configuration tool, a second collector) go on while a store writes. NORMAL syncs the
    // log at checkpoints, not at every commit: a power cut may lose the last commits, never the
    // file. The mode stays with the file; a file that cannot be switched now (another program
    // holds it, or this user may only read it) keeps working as it is.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    // 16 MB of page cache instead of SQLite's 2 MB: the upper levels of DadosOid's indexes and
    // the pages of recent readings stay in memory once the table holds millions of rows.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size=-16384"));
    // The log and its index stay beside the file when the last program closes it: a user who may
    // only read the folder (the packaged collector's group) can read a write-ahead file only
    // while they exist.
    if (sqlite3* file = NativeHandle<sqlite3>(db, "sqlite3*")) {
        int persist = 1;
        sqlite3_file_control(file, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    }

    // A file made by an earlier version gets the columns and indexes the schema has gained since
    // (nobody runs upgrade scripts on an embedded file). Best effort, like the mode above: the
    // embedded database never replays a queue, so without IdLeitura nothing is wrong, and
    // without an index the statements are slower, not wrong.
    QSqlQuery columns(db);
    bool hasIdLeitura = true;
    if (columns.exec(
            QStringLiteral("select 1 from pragma_table_info('DadosOid') where lower(name)='idleitura'")))
        hasIdLeitura = columns.next();
    columns.finish();
    if (!hasIdLeitura)
        QSqlQuery(db).exec(QStringLiteral("ALTER TABLE DadosOid ADD COLUMN IdLeitura varchar(40)"));
    upgradeEmbeddedViews(db);
    QSet<QString> present;
    QSqlQuery indexes(db);
    if (!indexes.exec(QStringLiteral("select name from sqlite_master where type='index'")))
        return;
    while (indexes.next())
        present.insert(indexes.value(0).toString().toLower());
    indexes.finish();
    // The unique keys of the one-per-key tables: a file written by older versions, or by two of
    // them at once, may hold duplicates, which must go first. All or nothing, so that a file
    // another program holds now is upgraded at a later opening.
    const QStringList uniqueKeys = UniqueKeyIndexes();
    if (std::any_of(uniqueKeys.cbegin(), uniqueKeys.cend(),
                    [&](const QString& name) { return !present.contains(name); })) {
        bool upgraded = QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
        for (const QString& statement : SplitSqlScript(UniqueKeysUpgradeSqlite())) {
            if (upgraded)
                upgraded = QSqlQuery(db).exec(statement);
        }
        QSqlQuery(db).exec(upgraded ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
    }
    static const QRegularExpression createIndex(QStringLiteral("^CREATE\\s+INDEX\\s+(\\w+)\\s"),
                                                QRegularExpression::CaseInsensitiveOption);
    for (const QString& statement : SplitSqlScript(SchemaScript(DatabaseBackend::Sqlite))) {
        const QRegularExpressionMatch match = createIndex.match(statement);
        if (match.hasMatch() && !present.contains(match.captured(1).toLower()))
            QSqlQuery(db).exec(statement);
    }
}

void DatabaseConnection::openConnection()
{
    QSqlDatabase db = database();
    const int connectSeconds = m_settings.connectTimeoutSeconds;
    const int commandSeconds = m_settings.commandTimeoutSeconds;
    // The busy time-out and statement_timeout are milliseconds in a 32-bit int: from 2147484 s
    // on, the product would wrap to a negative time-out, which PostgreSQL refuses at every
    // connection. The longest they hold is about 24 days.
    const qint64 commandMilliseconds =
        std::min<qint64>(qint64{commandSeconds} * 1000, std::numeric_limits<int>::max());
    switch (m_settings.backend) {
    case DatabaseBackend::Sqlite:
        db.setDatabaseName(m_settings.databaseName);
        // Another program writing the same file holds its lock at most this long (StatementCancel
        // then replaces the wait with one that a stop can end).
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(commandMilliseconds));
        break;
    case DatabaseBackend::PostgreSql: {
        db.setHostName(m_settings.host);
        db.setPort(m_settings.port);
        db.setDatabaseName(m_settings.databaseName);
        db.setUserName(m_settings.user);
        db.setPassword(m_settings.password);
        QString serverOptions = QStringLiteral("-c statement_timeout=%1").arg(commandMilliseconds);
        // The session takes this machine's time zone, so the server's current time is the local
        // wall-clock time, as on the embedded database.
        const QByteArray zone = QTimeZone::systemTimeZoneId();
        if (!zone.isEmpty() && !zone.contains(' ') && !zone.contains('\''))
            serverOptions += QStringLiteral(" -c TimeZone=") + QString::fromUtf8(zone);
        db.setConnectOptions(
            QStringLiteral("connect_timeout=%1;options='%2'").arg(connectSeconds).arg(serverOptions));
        break;
    }
    case DatabaseBackend::SqlServer:
        db.setDatabaseName(odbcConnectionString(m_settings));
        db.setConnectOptions(
            QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1").arg(connectSeconds));
        break;
    }
    if (!db.open()) {
        const DatabaseError failure = DatabaseError::fromSqlError(db.lastError());
        throw ConnectionError(failure.text(), false, failure.nativeCode());
    }
    if (PGconn* connection = NativeHandle<PGconn>(db, "pg_conn*"))
        PQsetNoticeProcessor(connection, &ignoreNotice, nullptr);
    m_cancel.arm(db, std::chrono::seconds(commandSeconds));
}

void DatabaseConnection::applySchema()
{
    executeScript(SchemaScript(m_settings.backend));
}

void DatabaseConnection::executeScript(const QString& script)
{
    QSqlDatabase db = database();
    for (const QString& statement : SplitSqlScript(script)) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            throw DatabaseError(DatabaseError::fromSqlError(query.lastError()).text() + QStringLiteral(" [") +
                                statement + u']');
    }
}

} // namespace vorenta
