#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the KYOCERA reader asks for, by key.
namespace KyoceraOid {
inline constexpr QLatin1StringView K1{"1.3.6.1.4.1.1347.43.18.2.1.2.1.1"};  // status text
inline constexpr QLatin1StringView K2{"1.3.6.1.4.1.1347.43.10.1.1.12.1.1"}; // total pages
inline constexpr QLatin1StringView K3{"1.3.6.1.4.1.1347.46.10.1.1.5.3"};    // scanned pages
inline constexpr QLatin1StringView K4{"1.3.6.1.4.1.1347.42.3.1.3.1.1.2"};   // first part of the scans
inline constexpr QLatin1StringView K5{"1.3.6.1.4.1.1347.42.3.1.4.1.1.1"};   // second part of the scans
inline constexpr QLatin1StringView K6{
    "1.3.6.1.4.1.1347.42.3.1.1.1.1.4"}; // second part of the M8124cidn's mono
inline constexpr QLatin1StringView K7{
    "1.3.6.1.4.1.1347.42.3.1.2.1.1.2.2"}; // first part of the M8124cidn's colour
inline constexpr QLatin1StringView K8{
    "1.3.6.1.4.1.1347.42.3.1.2.1.1.1.2"}; // second part of the M8124cidn's colour
inline constexpr QLatin1StringView K9{"1.3.6.1.4.1.1347.42.2.1.1.1.6.1.1"};  // A3 pages of the M8124cidn
inline constexpr QLatin1StringView K10{"1.3.6.1.4.1.1347.42.2.1.1.1.6.1.3"}; // A4 pages of the M8124cidn
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"};        // prtMarkerLifeCount.1.1
} // namespace KyoceraOid

/// KYOCERA devices: status text and total and scan counters from KYOCERA's private MIB, the
/// Printer MIB total when that is missing, and for a few models the mono, colour, A3 and A4
/// counters. Model texts are compared exactly. Sets Fabricante "KYOCERA".
void ReadKyocera(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
