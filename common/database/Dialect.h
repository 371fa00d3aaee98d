#pragma once

#include "common/database/DatabaseSettings.h"

#include <QString>
#include <QStringList>

namespace vorenta {

/// The few spots where SQL Server, PostgreSQL and SQLite need different statement text. Every
/// other statement is written once and runs on all three.
class Dialect {
public:
    /// The dialect of `backend`; the objects live as long as the program.
    static const Dialect& of(DatabaseBackend backend);

    DatabaseBackend backend() const { return m_backend; }

    /// The server's local wall-clock date and time, as an expression.
    QString currentTime() const;

    /// One row, one column `DataeHoraAtual`: the server's local wall-clock date and time.
    QString currentTimeStatement() const;

    /// `dateTime` (a date-time expression) moved `days` days back.
    QString daysBefore(const QString& dateTime, int days) const;

    /// Goes right after "select " to keep only the first row: "top(1) " on SQL Server, else empty.
    QString topOne() const;

    /// Goes as the statement's last line to keep only the first row: "limit 1" on PostgreSQL and
    /// SQLite, else empty.
    QString limitOne() const;

    /// `column` (a whole-number column) as text, for comparing it with a text value: SQL Server
    /// converts on its own, PostgreSQL refuses to compare integer with text.
    QString integerAsText(const QString& column) const;

    /// The condition that `column` (a date-time column) holds the empty text. SQL Server reads ''
    /// as a date on its own; on PostgreSQL, which refuses to compare a timestamp with a text, it
    /// never holds.
    QString isEmptyText(const QString& column) const;

    /// A row of a table that holds at most one row per key, the key being a unique index of the
    /// table (`key`, its columns; `onlyWhere`, the condition of a partial index, as
    /// "column=literal"). Every column in `columns` is bound as ":x" followed by its name.
    struct KeyedRow {
        QString table;
        QStringList key;
        QStringList columns;
        QStringList clearedOnUpdate; ///< set to NULL when the row is already there
        QString onlyWhere;
    };

    /// One statement that writes `row`, or updates the row of its key when another writer got
    /// there first: INSERT ... ON CONFLICT DO UPDATE on PostgreSQL and SQLite, MERGE WITH
    /// (HOLDLOCK) on SQL Server, whose MERGE alone would let two writers both insert.
    QString upsert(const KeyedRow& row) const;

    /// One statement that writes `row` unless its key is taken; it changes 0 rows then
    /// (ON CONFLICT DO NOTHING; MERGE WITH (HOLDLOCK) and only WHEN NOT MATCHED).
    QString insertUnlessPresent(const KeyedRow& row) const;

    /// How `name` comes back as a result column name: PostgreSQL folds unquoted names to lower case.
    QString resultName(const QString& name) const;

    /// Transactions and savepoints. SQLite takes the write lock when the transaction begins
    /// (BEGIN IMMEDIATE): a transaction that reads first and writes later would otherwise fail at
    /// once, without waiting, when another writer committed in between. SQL Server names its
    /// savepoints with SAVE TRANSACTION and goes back to one with ROLLBACK TRANSACTION.
    QString beginTransaction() const;
    QString commitTransaction() const;
    QString rollbackTransaction() const;
    QString savepoint(const QString& name) const;
    QString rollbackToSavepoint(const QString& name) const;

private:
    explicit Dialect(DatabaseBackend backend) : m_backend(backend) {}

    DatabaseBackend m_backend;
};

} // namespace vorenta
