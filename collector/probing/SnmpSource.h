#pragma once

#include <QString>

namespace vorenta {

/// One GET as identification and the readers see it: `value` is the reply's value as text, one
/// character per octet through Windows-1252, and is empty whenever `ok` is false.
struct SnmpAnswer {
    bool ok = false;
    QString value;
};

/// The collector's way of asking a device for one OID. The real one sends an SNMP v1 GET over
/// UDP; tests put recordings or scripted answers behind it.
class SnmpSource {
public:
    virtual ~SnmpSource() = default;
    virtual SnmpAnswer SnmpGet(const QString& oid, const QString& community, const QString& host) = 0;
};

} // namespace vorenta
