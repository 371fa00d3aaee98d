#pragma once

#include <QRegularExpression>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <utility>

namespace vorenta {

/// A connection or statement failure; what() carries the driver's own text, which callers log.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message, QString nativeCode = {})
        : std::runtime_error(message.toStdString()), m_nativeCode(std::move(nativeCode))
    {
    }

    /// The driver's text of `error` on one line: drivers spread their messages over several
    /// lines, and each log entry must stay one line of LOG.TXT.
    static DatabaseError fromSqlError(const QSqlError& error)
    {
        static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]+\\s*"));
        QString text = error.text().trimmed();
        text.replace(breaks, QStringLiteral(" "));
        return DatabaseError(text.isEmpty() ? QStringLiteral("falha sem descrição do driver") : text,
                             error.nativeErrorCode());
    }

    /// The message as text, for the activity log.
    QString text() const { return QString::fromStdString(what()); }

    /// The driver's own code for the failure (SQLite's extended result code, PostgreSQL's
    /// SQLSTATE, ...); empty when none came with it. What a caller tells failures apart by.
    const QString& nativeCode() const { return m_nativeCode; }

    /// SQLite's primary result code (the low byte of the extended one); -1 when there is none.
    int sqlitePrimaryCode() const
    {
        bool numeric = false;
        const int code = m_nativeCode.toInt(&numeric);
        return numeric ? (code & 0xff) : -1;
    }

    /// True for a failure that says nothing of the statement itself and may not happen again:
    /// a lock or statement time-out, a deadlock, a serialization failure (PostgreSQL's SQLSTATE,
    /// SQL Server's error number or ODBC's time-out state, SQLite's busy and locked). A reading
    /// refused that way is not refused: it is tried again.
    bool transient() const
    {
        static const QStringList codes{QStringLiteral("57014"), QStringLiteral("55P03"), QStringLiteral("40001"),
                                       QStringLiteral("40P01"), QStringLiteral("1222"),  QStringLiteral("1205"),
                                       QStringLiteral("HYT00")};
        const int sqlite = sqlitePrimaryCode();
        return codes.contains(m_nativeCode) || sqlite == 5 || sqlite == 6;
    }

    /// True when an upsert found no unique key to write on (ON CONFLICT on a table that lacks the
    /// index: a server not yet upgraded). PostgreSQL says so by its SQLSTATE; SQLite only by its
    /// text, under the generic SQLITE_ERROR.
    bool missingUniqueKey() const
    {
        return m_nativeCode == QStringLiteral("42P10") ||
               (sqlitePrimaryCode() == 1 &&
                text().contains(QStringLiteral("does not match any PRIMARY KEY or UNIQUE constraint")));
    }

private:
    QString m_nativeCode;
};

/// The connection failed, not a statement: it could not be opened, it broke, or a stop
/// cancelled its work. The statement may never have reached the server, and a transaction open
/// on the connection is lost: the server rolls it back. Every other DatabaseError is a statement
/// the server received and refused.
class ConnectionError : public DatabaseError {
public:
    explicit ConnectionError(const QString& message, bool cancelled = false, QString nativeCode = {})
        : DatabaseError(message, std::move(nativeCode)), m_cancelled(cancelled)
    {
    }

    /// True when a stop cancelled the work (DatabaseConnection::cancelStatement), rather than
    /// the connection breaking.
    bool cancelled() const { return m_cancelled; }

private:
    bool m_cancelled;
};

} // namespace vorenta
