#pragma once

#include "common/database/DatabaseSettings.h"
#include "common/database/Dialect.h"
#include "common/database/StatementCancel.h"

#include <QSqlDatabase>
#include <QString>

namespace vorenta {

/// One connection to the central database, opened from `DatabaseSettings`.
///
/// Each object owns a Qt connection with a name of its own, so the collector, the tool and the
/// tests can hold several at once. Opening an SQLite file that does not exist yet creates it with
/// the schema (unless the settings say not to): the only case in which a program creates tables.
///
/// Qt SQL lets only the thread that created a connection use it: create, use and destroy this
/// object on one thread (cancelStatement excepted).
class DatabaseConnection {
public:
    explicit DatabaseConnection(DatabaseSettings settings);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    /// Closes the connection when open and opens it afresh. Throws DatabaseError carrying the
    /// driver's text (never the password) when it cannot be opened.
    void open();

    /// Closes the connection; harmless when it is closed.
    void close();

    bool isOpen() const;

    /// The one member another thread may call: cancels the statement this connection is running
    /// now (see StatementCancel); the statement fails with the driver's text and the connection
    /// stays usable by its owner. Harmless when nothing runs.
    void cancelStatement() { m_cancel.cancel(); }

    const DatabaseSettings& settings() const { return m_settings; }
    const Dialect& dialect() const { return Dialect::of(m_settings.backend); }

    /// The Qt connection, for SqlQuery and for Qt models (the tool's grid).
    QSqlDatabase database() const;

    /// Runs the back end's schema script (common/database/schema/). Throws DatabaseError.
    void applySchema();

    /// Runs every statement of `script` (separated by ';' at the end of a line), in order.
    /// Throws DatabaseError naming the failing statement.
    void executeScript(const QString& script);

    /// The DSN-less ODBC connection string for SQL Server through FreeTDS.
    static QString odbcConnectionString(const DatabaseSettings& settings);

private:
    void openConnection();

    DatabaseSettings m_settings;
    QString m_name;
    StatementCancel m_cancel;
};

} // namespace vorenta
