#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the BROTHER reader asks for, by key: BROTHER's counter tables (enterprise 2435,
/// "...5.5.52." for pages, "...5.5.54." for scans), the Printer MIB total and two MAC objects.
namespace BrotherOid {
inline constexpr QLatin1StringView B1{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.2"}; // colour of the HL-4040CDN; part of the MFC-9460CDN's
inline constexpr QLatin1StringView B2{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.5"}; // part of the MFC-9460CDN's colour
inline constexpr QLatin1StringView B3{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.2"}; // part of the default colour; the A3 pages
inline constexpr QLatin1StringView B4{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.4"}; // part of the default colour
inline constexpr QLatin1StringView B5{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.1"}; // part of the default mono
inline constexpr QLatin1StringView B6{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.3"}; // part of the default mono
inline constexpr QLatin1StringView B7{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.3"}; // mono of the HL-4040CDN; part of the MFC-9460CDN's
inline constexpr QLatin1StringView B8{
    "1.3.6.1.2.1.43.10.2.1.4.1.1"}; // prtMarkerLifeCount.1.1, HL-4150CDN total
inline constexpr QLatin1StringView B9{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.6"}; // part of the MFC-9460CDN's mono
inline constexpr QLatin1StringView B10{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.9"}; // part of the MFC-9460CDN's mono
inline constexpr QLatin1StringView B11{
    "1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.42.1.3.1"}; // A3 pages of the MFC-J6935DW
inline constexpr QLatin1StringView B12{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.1"}; // scans, first part
inline constexpr QLatin1StringView B13{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.2"}; // scans, second part
inline constexpr QLatin1StringView B14{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.3"}; // scans, third part
inline constexpr QLatin1StringView B15{"1.3.6.1.4.1.1240.2.3.4.5.2.12.0"}; // MAC address, first fallback
inline constexpr QLatin1StringView B16{"1.3.6.1.4.1.11.2.4.3.10.8.0"};     // MAC address, second fallback
} // namespace BrotherOid

/// BROTHER devices: colour, mono and scan counters from BROTHER's private MIB, the A3 pages and
/// from them the A4 pages, a total for the HL-4150CDN, and a MAC address when identification
/// found none. Model texts are compared ignoring case. Fabricante is left as identification
/// found it, in its own letter case.
void ReadBrother(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
