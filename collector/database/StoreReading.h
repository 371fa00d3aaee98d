#pragma once

#include "collector/database/DadosOidColumns.h"
#include "collector/database/ReadingStore.h"
#include "collector/probing/DeviceReading.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vorenta {

class SqlQuery;
class TDTM;

/// The reading store on the collector's data module: exclusions, the DadosOid row, the
/// ListaEquipCli and UltLog rewrites, failure alerts and the inoperative sweep. Every failure is
/// logged or swallowed here; nothing reaches the walk. "Registro Concluído de Dados de
/// Equipamento" is written only for a reading whose DadosOid row was stored.
///
/// One store is one opening read and one transaction: the device's rows are committed together
/// or not at all (docs/database.md tells how the guards of the steps map onto savepoints). It
/// runs on the connection the pass keeps, checked before use and reopened only when broken.
///
/// A collector on a central server wraps it (collector/outage/): what cannot reach the server is
/// queued there, and the replay stores it later through StoreEarlier, the same path.
class DatabaseReadingStore final : public ReadingStore {
public:
    using Clock = std::function<QDateTime()>;

    /// `settings` is read at every store (the service fills it when it starts); `clock` is the
    /// collector's local clock (fallback for the server time, the default identity date).
    DatabaseReadingStore(TDTM& dataModule, const CollectorSettings& settings,
                         Clock clock = &QDateTime::currentDateTime);

    StoreOutcome StoreReading(const DeviceReading& reading) override;

    /// StoreReading under its older name.
    StoreOutcome Store(const DeviceReading& reading) { return StoreReading(reading); }

    /// How a live store ended, and, when the connection broke while its commit may have reached
    /// the server, the DataLog its rows went with (invalid otherwise): whoever keeps the reading
    /// must look for it before sending it again.
    struct LiveResult {
        StoreOutcome outcome = StoreOutcome::Failed;
        QDateTime sentWith;
    };
    LiveResult StoreLive(const DeviceReading& reading);

    /// A reading taken earlier, with the identity and settings it was read with, its DataLog
    /// (the server's clock) and its own identity, which its DadosOid row carries in IdLeitura.
    struct EarlierReading {
        const DeviceReading& reading;
        const CollectorIdentity& identity;
        const CollectorSettings& settings;
        QDateTime DataLog;
        QString IdLeitura;
    };
    StoreOutcome StoreEarlier(const EarlierReading& earlier);

    /// Statements run by the stores so far (connection set-ups and transaction commands not
    /// counted).
    qint64 statementCount() const { return m_statements; }

private:
    /// Parametros ck1, Ed1 and Ed4 as the failure alert uses them.
    struct FailureAlertSettings {
        bool NotifyFailures = false;
        int FailureThreshold = 1;
        int FailureWindowDays = 1;
    };
    /// The keys of one store in the form they are written and compared in (StoredText).
    struct StoredKeys {
        QString Chave;        ///< trimmed
        QString IDServ;       ///< trimmed
        QString NSerie;       ///< trimmed
        QString SerialAsRead; ///< the device exclusion compares the serial as the device gave it
    };
    /// What the store learns before it writes anything.
    struct StoreStart {
        FailureAlertSettings alerts;
        QDateTime ServerNow;
        QDate today; ///< the collector's own date (the default identity date)
        bool collectorExcluded = false;
        bool deviceExcluded = false;
        bool silentDevicesWaiting = false; ///< some device, of any customer, awaits the sweep
    };
    /// The columns of a device's newest DadosOid row that the alerts need.
    struct NewestReading {
        qint64 Cod = 0;
        QString IdServ;
    };
    class Attempt;

    /// What one store writes: the reading with the identity and settings it was read with, and,
    /// for a reading taken earlier, the DataLog it gets instead of the server's time and its
    /// IdLeitura (empty for a live store).
    struct Collected {
        const DeviceReading& reading;
        const CollectorIdentity& identity;
        const CollectorSettings& settings;
        std::optional<QDateTime> DataLog;
        QString IdLeitura;
    };
    using Result = LiveResult;

    Result storeGuarded(const Collected& collected);
    Result store(const Collected& collected);
    const CollectorIdentity& identity() const { return m_collected->identity; }
    const CollectorSettings& settings() const { return m_collected->settings; }
    std::optional<StoreStart> readStoreStart(const StoredKeys& keys, StoreOutcome& failure);
    bool canReadParametros(const StoredKeys& keys);
    bool refusedByExclusion(const StoreStart& start, const DeviceReading& reading);

    StoreOutcome writeReading(const DeviceReading& reading, const StoredKeys& keys, const StoreStart& start);
    struct Written {
        bool readingStored = false;
        QStringList lines; ///< what the log says once the transaction committed
        bool transient = false; ///< the reading row failed for a reason that may pass
    };
    Written attemptWrites(bool stepByStep, const DeviceReading& reading, const StoredKeys& keys,
                          const StoreStart& start);
    void writeSteps(Attempt& attempt, const DeviceReading& reading, const StoredKeys& keys,
                    const StoreStart& start);

    void tellMissingKeys(Attempt& attempt);
    void insertReading(const DeviceReading& reading, const QDateTime& DataLog, const QDate& today);
    void rewriteEquipmentList(const DeviceReading& reading, const StoredKeys& keys,
                              const QDateTime& ServerNow);
    void rewriteLastStore(const DeviceReading& reading, const StoredKeys& keys, const QDateTime& ServerNow);

    bool raiseFailureAlert(const StoredKeys& keys, const FailureAlertSettings& alerts,
                           const QDateTime& ServerNow);
    qint64 countRecentFailures(const StoredKeys& keys, int FailureWindowDays, const QDateTime& ServerNow);
    void makeReadingsCountable(const StoredKeys& keys);
    void markFailuresNotified(const StoredKeys& keys);

    bool sweepInoperative(Attempt& attempt, const QDateTime& ServerNow);
    QList<QPair<QString, QString>> silentDevices(const QDateTime& ServerNow);
    void sweepDevice(const QString& chave, const QString& nSerie, const QDateTime& ServerNow);
    bool claimSilentDevice(const QString& nSerie, const QDateTime& ServerNow);
    void addSilentCondition(SqlQuery& query, const QString& joiner, const QDateTime& ServerNow);
    void reportInoperative(const QString& chave, const NewestReading& newest, const QDateTime& ServerNow);

    bool isDeviceExcluded(const QString& chave, const QString& nSerie);
    std::optional<NewestReading> newestReading(const QString& nSerie, const QString& failuresOfChave = {});
    bool hasAlert(const QString& chave, qint64 cod);
    bool insertAlert(const QDateTime& ServerNow, const QString& chave, qint64 cod,
                     const std::optional<QString>& idServ);

    void open(SqlQuery& query);
    void execute(SqlQuery& query);

    TDTM& m_dm;
    const CollectorSettings& m_settings;
    Clock m_clock;
    const Collected* m_collected = nullptr; ///< the reading being stored
    qint64 m_statements = 0;
    QDateTime m_missingKeysTold; ///< when the missing unique keys were last logged
};

} // namespace vorenta
