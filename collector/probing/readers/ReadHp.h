#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the HP reader asks for, by key.
namespace HpOid {
inline constexpr QLatin1StringView H1{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.7.0"};  // colour pages
inline constexpr QLatin1StringView H2{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.6.0"};  // mono pages
inline constexpr QLatin1StringView H3{"1.3.6.1.4.1.11.2.3.9.4.2.1.2.2.1.21.0"}; // scanned pages
inline constexpr QLatin1StringView H4{"1.3.6.1.2.1.43.17.6.1.5.1.1"};           // console display line
inline constexpr QLatin1StringView H5{"1.3.6.1.4.1.11.2.3.9.4.2.1.1.16.1.9.0"}; // P4015 total pages
inline constexpr QLatin1StringView H6{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.34.0"}; // CP2025DN jams
inline constexpr QLatin1StringView H7{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.5.0"};  // mono pages, older models
inline constexpr QLatin1StringView H8{"1.3.6.1.4.1.11.2.3.9.4.2.1.1.11.6.3.0"}; // total pages
} // namespace HpOid

/// HP devices: colour, mono and scan counters, status text, and for a few models the total
/// counter or the jam counter, from HP's private MIB and the Printer MIB. Sets Fabricante "HP".
void ReadHp(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
