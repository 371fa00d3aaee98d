#include "DatabaseConnection.h"

#include "common/database/DatabaseError.h"
#include "common/database/Schema.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <limits>

namespace vorenta {

namespace {

QString uniqueConnectionName()
{
    static std::atomic<quint64> counter{0};
    return QStringLiteral("vorenta-db-%1").arg(++counter);
}

QString driverName(DatabaseBackend backend)
{
    switch (backend) {
    case DatabaseBackend::PostgreSql:
        return QStringLiteral("QPSQL");
    case DatabaseBackend::SqlServer:
        return QStringLiteral("QODBC");
    case DatabaseBackend::Sqlite:
        break;
    }
    return QStringLiteral("QSQLITE");
}

/// An ODBC connection string value in braces, so ';' and '=' in it cannot start another key.
QString braced(const QString& value)
{
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

} // namespace

DatabaseConnection::DatabaseConnection(DatabaseSettings settings)
    : m_settings(std::move(settings)), m_name(uniqueConnectionName())
{
    QSqlDatabase::addDatabase(driverName(m_settings.backend), m_name);
}

DatabaseConnection::~DatabaseConnection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DatabaseConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DatabaseConnection::isOpen() const
{
    return database().isOpen();
}

void DatabaseConnection::close()
{
    m_cancel.disarm();
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
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
        throw DatabaseError(m_settings.problem);
    if (!QSqlDatabase::isDriverAvailable(driverName(m_settings.backend)))
        throw DatabaseError(QStringLiteral("driver %1 não instalado").arg(driverName(m_settings.backend)));

    const bool createSqlite =
        m_settings.backend == DatabaseBackend::Sqlite && !QFile::exists(m_settings.databaseName);
    if (createSqlite && !m_settings.createMissingFile)
        throw DatabaseError(QStringLiteral("banco de dados não encontrado: ") + m_settings.databaseName);
    openConnection();
    if (!createSqlite)
        return;
    try {
        applySchema();
    } catch (const DatabaseError&) {
        // A half-made file would be taken for a database at the next attempt.
        close();
        QFile::remove(m_settings.databaseName);
        throw;
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
    if (!db.open())
        throw DatabaseError::fromSqlError(db.lastError());
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
