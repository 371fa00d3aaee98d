#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/probing/DeviceReading.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>

namespace vorenta {

class SqlQuery;
class TDTM;

/// One value of the DadosOid insert, as the store binds it: a QString, or a QDateTime for the
/// two date columns (DataExp, DataLog).
struct StoreColumn {
    QString column;
    QVariant value;
};

/// The status text with the device quirks fixed: Õ→í, Ã→á, µ→ç, Æ→ó, Ä→á (firmwares that send
/// their accents in another code page arrive like this).
QString FixStatusText(const QString& text);

/// The identity date (Coletor.ini DataExp, "dd/mm/yyyy") at 00:00:00; when it is not such a
/// date, `today` plus 300 days.
QDateTime IdentityDateValue(const QString& IdentityDate, const QDate& today);

/// The DadosOid insert's columns and values in the insert's column order, exactly as the store
/// binds them: trimmed, StatusEquip fixed up and cut to 200 characters, Falha cut to 50, the
/// identity date and `ServerNow` as date-times. The store's insert is built from this list.
QList<StoreColumn> DadosOidColumns(const DeviceReading& reading, const CollectorIdentity& identity,
                                   const CollectorSettings& settings, const QDateTime& ServerNow,
                                   const QDate& today);

/// The same columns for a person to read (--probe): dates as "dd/MM/yyyy HH:mm:ss".
QList<QPair<QString, QString>> DadosOidDisplayColumns(const DeviceReading& reading,
                                                      const CollectorIdentity& identity,
                                                      const CollectorSettings& settings,
                                                      const QDateTime& ServerNow, const QDate& today);

/// The reading store on the collector's data module: exclusions, the DadosOid row, the
/// ListaEquipCli and UltLog rewrites, failure alerts and the inoperative sweep. Every failure is
/// logged or swallowed here; nothing reaches the walk.
class DatabaseReadingStore final : public ReadingStore {
public:
    using Clock = std::function<QDateTime()>;

    /// `settings` is read at every store (the service fills it when it starts); `clock` is the
    /// collector's local clock (fallback for the server time, the default identity date).
    DatabaseReadingStore(TDTM& dataModule, const CollectorSettings& settings,
                         Clock clock = &QDateTime::currentDateTime);

    void StoreReading(const DeviceReading& reading) override;

    /// Statements run by the stores so far (connection set-ups not counted).
    qint64 statementCount() const { return m_statements; }

private:
    void store(const DeviceReading& reading);
    void raiseFailureAlert(const DeviceReading& reading, int FailureThreshold, int FailureWindowDays,
                           const QDateTime& ServerNow);
    void sweepInoperative(const QDateTime& ServerNow);
    void open(SqlQuery& query);
    void execute(SqlQuery& query);

    TDTM& m_dm;
    const CollectorSettings& m_settings;
    Clock m_clock;
    qint64 m_statements = 0;
};

} // namespace vorenta
