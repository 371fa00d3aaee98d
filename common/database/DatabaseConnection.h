#pragma once

#include "common/database/DatabaseSettings.h"
#include "common/database/Dialect.h"
#include "common/database/StatementCancel.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;

namespace vorenta {

/// One connection to the central database, opened from `DatabaseSettings`.
///
/// Each opening makes a Qt connection with a name of its own, so the collector, the tool and the
/// tests can hold several at once, and what was prepared on an earlier opening is dropped with
/// it (see generation()). Opening an SQLite file that does not exist yet creates it with the
/// schema (unless the settings say not to): the only case in which a program creates tables.
///
/// Failures throw DatabaseError carrying the driver's text; ConnectionError when the connection
/// failed rather than the statement (see DatabaseError.h).
///
/// Qt SQL lets only the thread that created a connection use it: create, use and destroy this
/// object on one thread (cancelStatement excepted).
class DatabaseConnection {
public:
    explicit DatabaseConnection(DatabaseSettings settings);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    /// Closes the connection when open and opens it afresh. Throws ConnectionError carrying the
    /// driver's text (never the password) when it cannot be opened.
    void open();

    /// Closes the connection; harmless when it is closed.
    void close();

    bool isOpen() const;

    /// True when the connection is open and, as far as can be told without asking the server,
    /// still works: on PostgreSQL it reads what the server sent while the connection was idle (a
    /// server that shuts down says so and closes it); on SQL Server it asks the ODBC driver
    /// whether it found the connection dead. No round trip. A connection that a firewall dropped
    /// in silence still looks usable: its next statement fails with ConnectionError.
    bool isUsable();

    /// Changes at every open and close: prepared statements belong to one generation.
    quint64 generation() const { return m_generation; }

    /// Transactions, in the dialect's words. begin and commit throw like a statement (commit
    /// refuses a transaction a stop cancelled, see cancelStatement); rollback never throws, and
    /// is harmless when no transaction is open or the connection is gone.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction() noexcept;
    bool inTransaction() const { return m_inTransaction; }
    /// A savepoint of the open transaction, and the way back to it: what a statement after it
    /// did is undone, the transaction goes on.
    void setSavepoint(const QString& name);
    void rollbackToSavepoint(const QString& name);

    /// The one member another thread may call: the owner is stopping. Cancels the statement this
    /// connection is running now (see StatementCancel), and every statement after it fails at
    /// once with a ConnectionError marked cancelled, so that the owner only rolls back: nothing
    /// of a transaction under way is committed. Harmless when nothing runs.
    void cancelStatement() { m_cancel.cancel(); }
    bool cancelled() const { return m_cancel.requested(); }

    /// Throws ConnectionError when no statement may run now: the connection is closed or a stop
    /// cancelled its work.
    void checkReady() const;

    /// The failure a statement or command ended with, as the exception to throw:
    /// ConnectionError when the connection broke or was cancelled, DatabaseError otherwise.
    [[noreturn]] void throwFailure(const QSqlError& error);

    const DatabaseSettings& settings() const { return m_settings; }
    const Dialect& dialect() const { return Dialect::of(m_settings.backend); }

    /// The Qt connection, for SqlQuery and for Qt models (the tool's grid); not valid while the
    /// connection has never been opened.
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
    void prepareEmbeddedFile();
    void command(const QString& statement);

    DatabaseSettings m_settings;
    QString m_name;
    quint64 m_generation = 0;
    bool m_inTransaction = false;
    StatementCancel m_cancel;
};

} // namespace vorenta
