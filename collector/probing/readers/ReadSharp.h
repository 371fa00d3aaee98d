#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the SHARP reader asks for, by key: the Printer MIB console display and SHARP's
/// counter table (enterprise 2385, "...19.2.1.3." followed by the counter's place).
namespace SharpOid {
inline constexpr QLatin1StringView SH1{"1.3.6.1.2.1.43.17.6.1.5.1.1"}; // console display text
inline constexpr QLatin1StringView SH2{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.61"}; // mono pages; third part of the MX-2300N's mono
inline constexpr QLatin1StringView SH3{"1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.63"}; // colour pages
inline constexpr QLatin1StringView SH4{"1.3.6.1.4.1.2385.1.1.19.2.1.3.9.4.53"}; // scans
inline constexpr QLatin1StringView SH5{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.51"}; // first part of the MX-2300N's scans
inline constexpr QLatin1StringView SH6{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.53"}; // second part of the MX-2300N's scans
inline constexpr QLatin1StringView SH7{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.1.4.61"}; // first part of the MX-2300N's mono
inline constexpr QLatin1StringView SH8{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.4.4.61"}; // second part of the MX-2300N's mono
inline constexpr QLatin1StringView SH9{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.8.4.51"}; // first part of the MX-M314N's scans
inline constexpr QLatin1StringView SH10{
    "1.3.6.1.4.1.2385.1.1.19.2.1.3.8.4.53"}; // second part of the MX-M314N's scans
} // namespace SharpOid

/// SHARP devices: the console display as the status text, mono, colour and scan counters from
/// SHARP's private MIB; the MX-2300N sums its own mono and scan parts and takes colour as the
/// total less mono, the MX-M314N sums its own scan parts. Model texts are compared ignoring case.
/// Sets Fabricante "SHARP".
void ReadSharp(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
