#pragma once

#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace vorenta {

/// Whether the dispatch may ask a device that names no maker it reads for its sysObjectID
/// (Coletor.ini [COLETOR] FabricantePorOid). Off, the dispatch asks exactly what it always did.
enum class MakerFallback { Off, SysObjectId };

/// MIB-II sysObjectID.0: every SNMP agent answers it, and the enterprise number it lies under
/// names the maker whatever its texts say.
inline constexpr QLatin1StringView kSysObjectId{"1.3.6.1.2.1.1.2.0"};

/// The maker text the dispatch expects for the enterprise number `value` lies under
/// ("1.3.6.1.4.1.2385.3.1.41" gives "SHARP"), or nothing for an enterprise the collector has no
/// reader for and for a value that is no OID under 1.3.6.1.4.1.
std::optional<QLatin1StringView> MakerOfSysObjectId(const QString& value);

} // namespace vorenta
