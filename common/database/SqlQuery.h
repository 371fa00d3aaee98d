#pragma once

#include "common/database/StatementCatalogue.h"

#include <QDateTime>
#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>
#include <optional>

namespace vorenta {

class DatabaseConnection;

/// A statement with named parameters, built line by line, and the rows it returned.
///
/// Use: setStatement() with a statement of the catalogue (StatementCatalogue.h), bind...() each
/// ":name", then open() for a statement that returns rows or execute() for one that does not.
/// (clearStatement() and addLine() build a text in place, for the few statements outside the
/// catalogue: the queue file's.) Parameter names match without
/// regard to letter case (":xDataLOG" is bound as "xDataLog"). Every failure throws DatabaseError
/// carrying the driver's text, ConnectionError when the connection failed (DatabaseError.h).
///
/// A statement with parameters is prepared once per connection and reused while its text comes
/// back: over a WAN every prepare is a round trip. A query keeps what it prepared for each text
/// it ran (one role, such as the store's QryPadrao, runs several); a reopened connection, or a
/// statement that failed, is prepared afresh.
class SqlQuery {
public:
    explicit SqlQuery(DatabaseConnection& connection);
    ~SqlQuery();
    SqlQuery(const SqlQuery&) = delete;
    SqlQuery& operator=(const SqlQuery&) = delete;

    /// Drops the current result (the prepared statement stays); harmless when there is none.
    void close();

    /// Closes the query and empties its statement and its bound values.
    void clearStatement();

    /// Closes the query and makes `statement`, in the words of the connection's back end, its
    /// statement, with no values bound.
    void setStatement(Statement statement);

    /// Appends one line to the statement; lines are joined with line breaks.
    void addLine(const QString& line);

    /// The statement text as built so far.
    QString statement() const { return m_lines.join(u'\n'); }

    /// Binds a text (a null QString is bound as the empty text, not as SQL NULL).
    void bindText(const QString& name, const QString& value);
    void bindInteger(const QString& name, qint64 value);
    /// Binds a date-time as one the server cannot misread: ISO text on SQLite and PostgreSQL,
    /// a native timestamp on ODBC. The wall-clock time of `value` is what is stored; an invalid
    /// date-time is bound as NULL.
    void bindDateTime(const QString& name, const QDateTime& value);
    void bindNull(const QString& name);

    /// Runs a statement that returns rows and positions on the first row.
    void open();
    /// Runs a statement that returns no rows.
    void execute();

    /// True when the last open() found a first row.
    bool hasRows() const { return m_hasRows; }
    void first();
    void next();
    /// True when there is no current row (past the last one, or no rows at all).
    bool atEnd() const;
    /// Rows changed by the last execute(), or -1 when the driver cannot tell.
    int rowsAffected() const;

    /// A column of the current row, found by name in any letter case. text(): null gives the
    /// empty text and a date-time comes as "yyyy-MM-dd HH:mm:ss"; integer(): null gives 0, a
    /// value that is not a whole number throws; dateTime(): null gives an invalid QDateTime.
    /// A missing column or no current row throws.
    QString text(const QString& column) const;
    qint64 integer(const QString& column) const;
    QDateTime dateTime(const QString& column) const;
    bool isNull(const QString& column) const;

    /// A statement with every ":name" outside quotes and comments replaced by "?", and the names
    /// (in lower case) in the order they appear. Positional markers work on every driver.
    struct Positional {
        QString sql;
        QStringList names;
    };
    static Positional toPositional(const QString& statement);

private:
    void run(bool returnsRows);
    QSqlQuery& prepared(const QString& sql, bool& reused);
    bool execPrepared(QSqlQuery& query, const QVariantList& values);
    QVariant value(const QString& column) const;

    DatabaseConnection& m_connection;
    QStringList m_lines;
    QHash<QString, QVariant> m_values; // by lower-case name
    // Statements prepared on connection generation m_generation, by their positional text.
    std::map<QString, std::unique_ptr<QSqlQuery>> m_prepared;
    quint64 m_generation = 0;
    std::optional<QSqlQuery> m_unprepared; // a statement without parameters runs as it is
    QSqlQuery* m_query = nullptr;          // the one holding the current result
    bool m_hasRows = false;
};

} // namespace vorenta
