#pragma once

#include "collector/database/TDTM.h"
#include "collector/probing/DeviceReading.h"
#include "common/CollectorIdentity.h"
#include "common/CollectorSettings.h"
#include "common/database/SqlQuery.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <exception>
#include <optional>

namespace vorenta {

/// The store's one way of swallowing a failure outside the device's transaction: runs `step` and
/// tells whether it ran to its end. The whole call, Ed1/Ed4, the server time and the check of
/// Parametros go through here; inside the transaction the guards are the steps of a
/// TransactionSteps. So what is swallowed can be read off the calls to these two.
template <typename Step> bool Guarded(Step&& step) noexcept
{
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    } catch (...) {
        return false;
    }
}

/// What one store writes: the reading with the identity and settings it was read with, and, for
/// a reading taken earlier, the DataLog it gets instead of the server's time and its IdLeitura
/// (empty for a live store).
struct StoreRequest {
    const DeviceReading& reading;
    const CollectorIdentity& identity;
    const CollectorSettings& settings;
    std::optional<QDateTime> DataLog;
    QString IdLeitura;
};

/// The keys of one store in the form they are written and compared in (StoredText).
struct StoredKeys {
    QString Chave;        ///< trimmed
    QString IDServ;       ///< trimmed
    QString NSerie;       ///< trimmed
    QString SerialAsRead; ///< the device exclusion compares the serial as the device gave it
};

/// Parametros ck1, Ed1 and Ed4 as the failure alert uses them.
struct FailureAlertSettings {
    bool NotifyFailures = false;
    int FailureThreshold = 1;
    int FailureWindowDays = 1;
};

/// What the store learns before it writes anything (StoreStart.h reads it).
struct StoreStart {
    FailureAlertSettings alerts;
    QDateTime ServerNow;
    QDate today; ///< the collector's own date (the default identity date)
    bool collectorExcluded = false;
    bool deviceExcluded = false;
    bool silentDevicesWaiting = false; ///< some device, of any customer, awaits the sweep
};

/// The data module's queries as the store sends them, and the count of what it sent.
class StoreQueries {
public:
    explicit StoreQueries(TDTM& dataModule) : dm(dataModule) {}

    /// `query` with `statement` of the catalogue, nothing bound yet.
    SqlQuery& prepare(SqlQuery& query, Statement statement)
    {
        query.setStatement(statement);
        return query;
    }
    void open(SqlQuery& query)
    {
        ++m_sent;
        query.open();
    }
    void execute(SqlQuery& query)
    {
        ++m_sent;
        query.execute();
    }
    /// Statements sent so far (connection set-ups and transaction commands not counted).
    qint64 sent() const { return m_sent; }

    TDTM& dm;

private:
    qint64 m_sent = 0;
};

/// One store's writes: where they go, what they write, and what the opening read learnt. Every
/// step of the store takes it; it lives for one store.
struct StoreContext {
    StoreQueries& sql;
    const StoreRequest& request;
    const StoredKeys& keys;
    const StoreStart& start;
};

} // namespace vorenta
