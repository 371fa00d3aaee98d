#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/probing/DeviceReading.h"
#include "collector/probing/ModelOidTable.h"
#include "collector/probing/ProfiledSnmpSource.h"
#include "collector/probing/SnmpProfiles.h"
#include "collector/probing/SnmpSource.h"
#include "common/ActivityLog.h"
#include "common/StopSignal.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace vorenta {

/// ReadManufacturerData as a walk calls it for a device with a serial number: the readers, the
/// monochrome rule and the model OID table, asking the device through `snmp`, table Oid through
/// `modelOids`, and writing its lines to `log`.
using ManufacturerStep = std::function<void(DeviceReading&, const QString& address, SnmpSource& snmp,
                                            ModelOidTable& modelOids, LogSink& log)>;

/// What a walk visits addresses with.
///
/// The serial walk uses every part on the thread that runs the cycle. The concurrent walk calls
/// `network` and `readManufacturerData` from the thread that runs the cycle, its probing threads
/// and (for the answers `network` hands back later) the engine's thread, so both must allow calls
/// from several threads at once (UdpSnmpSource and ReadManufacturerData do); `modelOids` and
/// `store` sit on the database connection and are used only by the thread that runs the cycle.
///
/// With `profiles` (Coletor.ini has [SNMP] profiles) every visit asks through a
/// ProfiledSnmpSource of its own instead of `network`; without, `network` alone, as always.
struct WalkParts {
    SnmpSource& network;
    ManufacturerStep readManufacturerData;
    ModelOidTable& modelOids;
    ReadingStore& store;
    SnmpProfiles* profiles = nullptr;
};

/// The source one visit to `address` asks through: `parts.network`, or a ProfiledSnmpSource made
/// in `profiled` when the site has profiles; `log` takes the address's lines. A walk that keeps
/// the visit's answers itself passes where the GETs go instead: `network` for the plain source,
/// `gets` for the profiles' GETs.
SnmpSource& VisitSource(const WalkParts& parts, const QString& address, LogSink& log,
                        std::optional<ProfiledSnmpSource>& profiled, SnmpSource* network = nullptr,
                        ProfileGets* gets = nullptr);

/// The lines one address writes while it is probed, kept for the moment they are written.
class LineBuffer final : public LogSink {
public:
    void WriteLog(const QString& message) override { lines.append(message); }
    QStringList lines;
};

/// A source whose GETs fail at once while `cancelled` holds (a stop, an abandoned range), so the
/// address being probed ends quickly and its reading is not taken for a device's.
class CancellableSource final : public SnmpSource {
public:
    CancellableSource(SnmpSource& inner, std::function<bool()> cancelled)
        : m_inner(inner), m_cancelled(std::move(cancelled))
    {
    }
    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override
    {
        if (m_cancelled())
            return {};
        return m_inner.SnmpGet(oid, community, host);
    }

private:
    SnmpSource& m_inner;
    std::function<bool()> m_cancelled;
};

/// The first half of visiting an address, the same in both walks: clear the reading, write
/// "Coletando dados de " with the address, identify the device and, when it has a serial
/// number, read its manufacturer data. True for a printer, whose reading is then to be stored.
/// Errors of identification and the readers pass to the walk, which abandons the range.
bool ProbeAddress(DeviceReading& reading, const QString& address, SnmpSource& snmp,
                  const ManufacturerStep& readManufacturerData, ModelOidTable& modelOids, LogSink& log);

/// The second half, for a printer: "Gravando dados " with the address, then the store, which
/// logs its own outcome, returned for the pass's count. Nothing when a stop came meanwhile: a
/// reading cut short by a stop would store wrong counters.
std::optional<StoreOutcome> StoreProbedReading(const DeviceReading& reading, const QString& address,
                                               ReadingStore& store, LogSink& log, const StopSignal& stop);

} // namespace vorenta
