#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the EPSON reader asks for, by key (EPSON's private MIB, enterprise 1248).
namespace EpsonOid {
inline constexpr QLatin1StringView E1{"1.3.6.1.4.1.1248.1.2.2.1.1.1.3.1"};    // model
inline constexpr QLatin1StringView E2{"1.3.6.1.4.1.1248.1.2.2.27.1.1.3.1.1"}; // mono pages
inline constexpr QLatin1StringView E3{"1.3.6.1.4.1.1248.1.2.2.27.1.1.4.1.1"}; // colour pages
inline constexpr QLatin1StringView E4{"1.3.6.1.4.1.1248.1.4.2.6.1.1.7.3.1"};  // scans, first part
inline constexpr QLatin1StringView E5{"1.3.6.1.4.1.1248.1.2.2.4.1.1.3.1.1"};  // scans, second part
} // namespace EpsonOid

/// EPSON devices: the model text, mono, colour and scan counters from EPSON's private MIB, and no
/// A3 pages for the L4160. Sets Fabricante "EPSON".
void ReadEpson(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
