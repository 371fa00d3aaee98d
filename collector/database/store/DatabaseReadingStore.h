#pragma once

#include "collector/database/DadosOidColumns.h" // the columns it stores, for its callers
#include "collector/database/ReadingStore.h"
#include "collector/database/store/StoreContext.h"
#include "collector/probing/DeviceReading.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vorenta {

class TDTM;
class TransactionSteps;

/// The reading store on the collector's data module: exclusions, the DadosOid row, the
/// ListaEquipCli and UltLog rewrites, failure alerts and the inoperative sweep. Every failure is
/// logged or swallowed here; nothing reaches the walk. "Registro Concluído de Dados de
/// Equipamento" is written only for a reading whose DadosOid row was stored.
///
/// One store is one opening read (StoreStart.h) and one transaction of steps
/// (common/database/StepTransaction.h): the device's rows (ReadingRows.h), its failure alert
/// (FailureAlert.h) and the sweep (InoperativeSweep.h) are committed together or not at all
/// (docs/database.md tells how the guards of the steps map onto savepoints). It runs on the
/// connection the pass keeps, checked before use and reopened only when broken.
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
    qint64 statementCount() const { return m_sql.sent(); }

private:
    /// What the transaction's steps leave for after it: the log waits for the commit.
    struct Written {
        bool readingStored = false;
        QStringList lines;
        std::optional<QDateTime> missingKeysTold; ///< when lines tell of the missing unique keys
    };

    LiveResult store(const StoreRequest& request);
    StoreOutcome writeReading(const StoreContext& store);
    void writeSteps(TransactionSteps& steps, const StoreContext& store, Written& written);
    void tellMissingKeys(const TransactionSteps& steps, Written& written);

    TDTM& m_dm;
    const CollectorSettings& m_settings;
    Clock m_clock;
    StoreQueries m_sql;
    QDateTime m_missingKeysTold; ///< when the missing unique keys were last logged
};

} // namespace vorenta
