#pragma once

#include "collector/database/store/StoreContext.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace vorenta {

/// The alert rows and the device's newest reading, as the failure alert and the inoperative
/// sweep both read and write them. Each throws DatabaseError.

/// The columns of a device's newest DadosOid row that the alerts need.
struct NewestReading {
    qint64 Cod = 0;
    QString IdServ;
};

/// The device's newest DadosOid row, whoever stored it.
std::optional<NewestReading> NewestReadingOf(StoreQueries& sql, const QString& nSerie);
/// The device's newest failure row stored under customer `chave`.
std::optional<NewestReading> NewestFailureReadingOf(StoreQueries& sql, const QString& nSerie, const QString& chave);

/// Whether customer `chave` has an alert on the reading `cod` (one failure alert per reading).
bool HasAlert(StoreQueries& sql, const QString& chave, qint64 cod);

/// An open "FALHA" alert on the reading `cod`, unless the reading has one open already (one per
/// reading and kind, kept so by the database): true when this one was written. The failure alert
/// names the collector that stored the reading; the inoperative alert leaves IDSERV null.
bool InsertAlert(StoreQueries& sql, const QDateTime& ServerNow, const QString& chave, qint64 cod,
                 const std::optional<QString>& idServ);

} // namespace vorenta
