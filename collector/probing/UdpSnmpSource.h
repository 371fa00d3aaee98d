#pragma once

#include "collector/probing/SnmpSource.h"
#include "collector/snmp/SnmpEngine.h"
#include "collector/snmp/SnmpGet.h"
#include "collector/snmp/UsmEngines.h"

#include <cstdint>

namespace vorenta {

/// The real SnmpSource: one SNMP v1 GET over UDP per call, the value octets turned into text
/// through Windows-1252. Port and wait are parameters so tests can use loopback agents on
/// ephemeral ports and short waits.
///
/// It keeps no state between calls, so one source serves any number of threads at once; every
/// SnmpGet and SnmpGetMany opens its own sockets. SnmpGetManyLater goes through the run's engine
/// instead (set by setEngine, or one of the source's own made on first use), whose few sockets
/// every address of a pass shares.
class UdpSnmpSource final : public SnmpSource {
public:
    /// `cancelDescriptor`: a descriptor that becomes readable when every wait is to end at once
    /// (StopSignal::descriptor()); -1 for none. It must outlive the source.
    explicit UdpSnmpSource(std::uint16_t port = snmp::kDefaultPort, int waitMs = snmp::kDefaultWaitMs,
                           int cancelDescriptor = -1);

    SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) override;

    /// All GETs sent at once and awaited together: one wait however many OIDs.
    QList<SnmpAnswer> SnmpGetMany(const QStringList& oids, const QString& community,
                                  const QString& host) override;

    bool asksLater() override { return true; }
    std::size_t backlog() override { return m_engine.get().backlog(); }
    void SnmpGetManyLater(const QStringList& oids, const QString& community, const QString& host,
                          std::function<void(QList<SnmpAnswer>)> done) override;

    /// The engine SnmpGetManyLater uses; it must outlive the source.
    void setEngine(snmp::SnmpEngine* engine) { m_engine.set(engine); }

private:
    std::uint16_t m_port;
    int m_waitMs;
    int m_cancelDescriptor;
    snmp::UsmEngines m_noV3; ///< what SnmpGetWith asks for; a v1 GET never uses it
    snmp::EngineChoice m_engine;
};

} // namespace vorenta
