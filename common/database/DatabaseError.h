#pragma once

#include <QRegularExpression>
#include <QSqlError>
#include <QString>

#include <stdexcept>

namespace vorenta {

/// A connection or statement failure; what() carries the driver's own text, which callers log.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const QString& message) : std::runtime_error(message.toStdString()) {}

    /// The driver's text of `error` on one line: drivers spread their messages over several
    /// lines, and each log entry must stay one line of LOG.TXT.
    static DatabaseError fromSqlError(const QSqlError& error)
    {
        static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n\\t]+\\s*"));
        QString text = error.text().trimmed();
        text.replace(breaks, QStringLiteral(" "));
        return DatabaseError(text.isEmpty() ? QStringLiteral("falha sem descrição do driver") : text);
    }

    /// The message as text, for the activity log.
    QString text() const { return QString::fromStdString(what()); }
};

/// The connection failed, not a statement: it could not be opened, it broke, or a stop
/// cancelled its work. The statement may never have reached the server, and a transaction open
/// on the connection is lost: the server rolls it back. Every other DatabaseError is a statement
/// the server received and refused.
class ConnectionError : public DatabaseError {
public:
    explicit ConnectionError(const QString& message, bool cancelled = false)
        : DatabaseError(message), m_cancelled(cancelled)
    {
    }

    /// True when a stop cancelled the work (DatabaseConnection::cancelStatement), rather than
    /// the connection breaking.
    bool cancelled() const { return m_cancelled; }

private:
    bool m_cancelled;
};

} // namespace vorenta
