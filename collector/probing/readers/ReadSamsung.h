#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the SAMSUNG reader asks for, by key.
namespace SamsungOid {
inline constexpr QLatin1StringView S1{"1.3.6.1.4.1.236.11.5.1.1.1.1.0"};           // model name
inline constexpr QLatin1StringView S2{"1.3.6.1.2.1.43.10.2.1.11.1.1"};             // scans, first reading
inline constexpr QLatin1StringView S3{"1.3.6.1.4.1.236.11.5.11.53.11.1.1.0"};      // colour pages
inline constexpr QLatin1StringView S4{"1.3.6.1.4.1.236.11.5.11.53.11.1.2.0"};      // mono pages
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"};              // prtMarkerLifeCount.1.1
inline constexpr QLatin1StringView S5{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.98"}; // scans
inline constexpr QLatin1StringView S6{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.34"}; // A3 pages
inline constexpr QLatin1StringView S7{"1.3.6.1.2.1.6.5.0"}; // tcpActiveOpens.0, scans of the M337x
inline constexpr QLatin1StringView S8{
    "1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.50"}; // first part of the K4250RX's scans
inline constexpr QLatin1StringView S9{
    "1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.51"}; // second part of the K4250RX's scans
inline constexpr QLatin1StringView S10{
    "1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.20"}; // pages the K4250RX's total leaves out
} // namespace SamsungOid

/// SAMSUNG devices: the model name from SAMSUNG's private MIB (replacing identification's), and
/// the total, colour, mono, scan and A3 counters. Model texts are compared exactly, on the model
/// this reader read. Sets Fabricante "SAMSUNG".
void ReadSamsung(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
