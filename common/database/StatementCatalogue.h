#pragma once

#include "common/database/DatabaseSettings.h"

#include <QList>
#include <QString>

namespace vorenta {

/// Every statement the two programs send to the central database (the queue file's own
/// statements stay with the queue: they never reach a server). Each has a name and one text,
/// written once in StatementCatalogue.cpp; the few spots where the three back ends differ are
/// tokens that each back end's catalogue expands once:
///   {now}            the server's wall-clock date and time
///   {now - N days}   the same, N days back
///   {top 1}          right after "select": only the first row (SQL Server)
///   {limit 1}        the last line: only the first row (PostgreSQL, SQLite)
///   {COLUMN is empty} a date-time column holding the empty text (only SQL Server can tell)
/// and a statement that writes a row of a keyed table is the dialect's upsert or insert-unless-
/// present of that row (Dialect::upsert). Parameters are ":name", bound by the caller.
enum class Statement {
    // The reading store: its opening read, the reading's rows.
    StoreStart,
    ParametrosOfCustomer,
    InsertReading,
    InsertEarlierReading,
    UpsertEquipment,
    UpsertLastStore,
    // The failure alert.
    MakeReadingsCountable,
    CountRecentFailures,
    NewestFailureReading,
    HasAlert,
    InsertAlert,
    MarkFailuresNotified,
    // The inoperative sweep.
    SilentDevices,
    IsDeviceExcluded,
    NewestReading,
    ClaimSilentDevice,
    DeleteOpenAlerts,
    MarkInoperative,
    // The cycle: ranges, the model OID table.
    RangesOfCollector,
    ModelOid,
    // The replay of queued readings.
    ServerTime,
    IdLeituraColumn,
    HeldReadings,
    StoredWithoutId,
    // The reports (--relatorio): the report views, the same on every back end.
    PagesOfMonth,
    PagesOfMonthOfCustomer,
    Supplies,
    SuppliesOfCustomer,
    SuppliesBelow,
    SuppliesOfCustomerBelow,
    // The configuration tool.
    PasswordOfCustomer,
    InsertRange,
    DeleteRange,
    DevicesOfCollector,
    LastStoreOfCollector,
};

/// Days without a reading after which the sweep reports a device inoperative; the opening read
/// asks with the same number ({now - 3 days}).
constexpr int kSilentDays = 3;

/// How many identities one HeldReadings statement asks for (:xId0 to :xId49); a shorter batch
/// repeats one of its own, which changes nothing in an IN list and keeps one prepared text.
constexpr int kHeldReadingsBatch = 50;

class StatementCatalogue {
public:
    /// The catalogue of `backend`, expanded the first time it is asked for.
    static const StatementCatalogue& of(DatabaseBackend backend);

    const QString& text(Statement statement) const;

    /// The statement's name, as the catalogue's listing shows it.
    static QString name(Statement statement);
    /// Every statement, in the catalogue's order.
    static QList<Statement> all();

private:
    explicit StatementCatalogue(DatabaseBackend backend);

    QList<QString> m_texts; // by the enumerator's value
};

} // namespace vorenta
