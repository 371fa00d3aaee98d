#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the KONICA MINOLTA reader asks for, by key (KONICA MINOLTA's private MIB,
/// enterprise 18334, its counter tables under "...5.7.2.").
namespace KonicaMinoltaOid {
inline constexpr QLatin1StringView K1{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.1.1"}; // mono, first part
inline constexpr QLatin1StringView K2{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.1.2"}; // mono, second part
inline constexpr QLatin1StringView K3{"1.3.6.1.4.1.18334.1.1.1.5.7.2.3.1.7.1"};   // mono, third part
inline constexpr QLatin1StringView K4{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.2.1"}; // colour, first part
inline constexpr QLatin1StringView K5{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.2.2"}; // colour, second part
inline constexpr QLatin1StringView K6{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.4.1"}; // colour, third part
inline constexpr QLatin1StringView K7{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.4.2"}; // colour, fourth part
inline constexpr QLatin1StringView K8{"1.3.6.1.4.1.18334.1.1.1.5.7.2.4.1.5.1.3"}; // A4 pages
inline constexpr QLatin1StringView K9{"1.3.6.1.4.1.18334.1.1.1.5.7.2.4.1.5.1.1"}; // A3 pages
inline constexpr QLatin1StringView K10{"1.3.6.1.4.1.18334.1.1.1.5.7.2.1.5.0"};    // scans
inline constexpr QLatin1StringView K11{"1.3.6.1.4.1.18334.1.1.1.5.7.2.1.1.0"};    // total of the bizhub C754e
} // namespace KonicaMinoltaOid

/// KONICA MINOLTA devices: mono, colour, A3, A4 and scan counters from KONICA MINOLTA's private
/// MIB; the bizhub C754e instead gets a shorter model text, a two-part colour count, its own total
/// and mono as the total less colour, and no A3 or A4 pages. Sets Fabricante "KONICA MINOLTA".
void ReadKonicaMinolta(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
