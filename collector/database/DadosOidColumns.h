#pragma once

#include "collector/probing/DeviceReading.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

namespace vorenta {

/// One value of the DadosOid insert, as the store binds it: a QString, or a QDateTime for the
/// two date columns (DataExp, DataLog).
struct StoreColumn {
    QString column;
    QVariant value;
};

/// The width, in characters, of a text column the store writes (DadosOid, ListaEquipCli, UltLog,
/// alerta, exclusao; a name means the same width in every table), as the schema files declare it
/// on every back end. 0 for a name that is not such a column.
int TextColumnWidth(const QString& column);

/// `text` as every back end stores it alike: each NUL written as the four characters "\x00"
/// (PostgreSQL refuses a NUL in a text, and a statement holding one fails whole), then cut to
/// the width of `column` (PostgreSQL and SQL Server refuse a longer value, SQLite would keep it).
/// Every text the store binds, filters included, goes through here, so a value compared with a
/// stored one is in the stored form.
QString StoredText(const QString& column, const QString& text);

/// The status text with the device quirks fixed: Õ→í, Ã→á, µ→ç, Æ→ó, Ä→á (firmwares that send
/// their accents in another code page arrive like this).
QString FixStatusText(const QString& text);

/// The identity date (Coletor.ini DataExp, "dd/mm/yyyy") at 00:00:00; when it is not such a
/// date, `today` plus 300 days.
QDateTime IdentityDateValue(const QString& IdentityDate, const QDate& today);

/// The DadosOid insert's columns and values in the insert's column order, exactly as the store
/// binds them: trimmed, StatusEquip fixed up, every text in its stored form (StoredText), the
/// identity date and `ServerNow` as date-times. The store's insert statement is built from this
/// list.
QList<StoreColumn> DadosOidColumns(const DeviceReading& reading, const CollectorIdentity& identity,
                                   const CollectorSettings& settings, const QDateTime& ServerNow,
                                   const QDate& today);

/// The same columns for a person to read (--probe): dates as "dd/MM/yyyy HH:mm:ss".
QList<QPair<QString, QString>> DadosOidDisplayColumns(const DeviceReading& reading,
                                                      const CollectorIdentity& identity,
                                                      const CollectorSettings& settings,
                                                      const QDateTime& ServerNow, const QDate& today);

} // namespace vorenta
