#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the OKI reader asks for, by key: OKI's private MIB (enterprise 2001) and, for a few
/// models, a second private MIB (enterprise 1129).
namespace OkiOid {
inline constexpr QLatin1StringView O1{"1.3.6.1.2.1.43.16.5.1.2.1.1"}; // prtConsoleDisplayBufferText.1.1
inline constexpr QLatin1StringView O2{
    "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.135.0"}; // total of the MB451 and MB491
inline constexpr QLatin1StringView O3{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.6.102"}; // total pages
inline constexpr QLatin1StringView O4{
    "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.3.3"}; // colour part counted twice
inline constexpr QLatin1StringView O5{
    "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.3.4"}; // colour part counted once
inline constexpr QLatin1StringView O6{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.4"};    // A4 pages
inline constexpr QLatin1StringView O7{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.3"};    // A3 pages
inline constexpr QLatin1StringView O8{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.24.1"};   // scanned pages
inline constexpr QLatin1StringView O9{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.7.1"};    // mono of the MC362
inline constexpr QLatin1StringView O10{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.9.101"}; // mono of the C711
inline constexpr QLatin1StringView O11{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.7.101"}; // colour of the C711
inline constexpr QLatin1StringView O12{"1.3.6.1.4.1.2001.1.1.4.2.1.1.12.0"};            // mono of the ES8473
inline constexpr QLatin1StringView O13{"1.3.6.1.4.1.2001.1.1.4.2.1.1.11.0"}; // colour of the ES8473
inline constexpr QLatin1StringView O14{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.100"}; // A4 of the ES8473
inline constexpr QLatin1StringView O15{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.5.1"}; // total of the ES4172LP
inline constexpr QLatin1StringView O16{
    "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.27.1"}; // scans of the ES4172LP
inline constexpr QLatin1StringView O17{
    "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.26.3"}; // more scans of the ES4172LP
inline constexpr QLatin1StringView O18{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.140.0"};   // total of the ES8473
inline constexpr QLatin1StringView O19{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.130.0"};   // total of the ES5112
inline constexpr QLatin1StringView T1{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.2.1.1"};  // colour of the MC780
inline constexpr QLatin1StringView T2{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.2.1.3"};  // mono of the MC780
inline constexpr QLatin1StringView T3{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.11.1.3"}; // scans of the MC780
inline constexpr QLatin1StringView T4{
    "1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.1"}; // scan parts of the MPS4242
inline constexpr QLatin1StringView T5{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.2"};
inline constexpr QLatin1StringView T6{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.3"};
inline constexpr QLatin1StringView T7{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.8.1.1"};
inline constexpr QLatin1StringView T8{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.8.1.3"};
} // namespace OkiOid

/// OKI devices: status text, total, colour, mono, scan, A3 and A4 counters. By default the mono
/// counter is the total less the colour counter, and the total is then mono plus colour; some
/// models read their own objects. Model texts are compared exactly. Sets Fabricante "OKI".
void ReadOki(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
