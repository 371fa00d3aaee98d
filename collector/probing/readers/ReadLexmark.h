#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

#include <array>

namespace vorenta {

/// The objects the LEXMARK reader asks for, by key.
namespace LexmarkOid {
inline constexpr QLatin1StringView L1{"1.3.6.1.4.1.641.6.2.3.1.4.1"}; // model
inline constexpr QLatin1StringView L2{"1.3.6.1.4.1.641.2.1.2.1.2.1"}; // model, when L1 gave none
inline constexpr QLatin1StringView L3{"1.3.6.1.4.1.641.6.2.3.1.5.1"}; // serial number
inline constexpr QLatin1StringView L4{"1.3.6.1.4.1.641.2.1.2.1.6.1"}; // serial number of the X644E and E342n
inline constexpr QLatin1StringView L5{"1.3.6.1.4.1.641.2.1.5.2.0"};   // mono pages
inline constexpr QLatin1StringView L6{"1.3.6.1.4.1.641.2.1.5.3.0"};   // colour pages
inline constexpr QLatin1StringView L7{"1.3.6.1.4.1.641.2.1.5.13.0"};  // first scan counter of the X264dn
inline constexpr QLatin1StringView L8{"1.3.6.1.4.1.641.2.1.5.11.0"};  // second scan counter of the X264dn
inline constexpr QLatin1StringView L9{"1.3.6.1.2.1.43.18.1.1.8.1.1"}; // prtAlertDescription.1.1
inline constexpr QLatin1StringView L10{"1.3.6.1.2.1.25.3.2.1.5.1"};   // hrDeviceStatus.1
inline constexpr QLatin1StringView L11{"1.3.6.1.4.1.641.2.1.5.1.0"};  // total pages
inline constexpr QLatin1StringView L12{"1.3.6.1.4.1.641.2.1.6.1.2"};  // status text
inline constexpr QLatin1StringView L13{
    "1.3.6.1.4.1.641.6.4.2.1.1.4.1.10"}; // mono pages of the CS510; last fallback
inline constexpr QLatin1StringView L14{
    "1.3.6.1.4.1.641.6.4.2.1.1.4.1.11"}; // colour pages of the CS510; last fallback

/// The thirteen scanner counters S1 to S13, summed into the scan count in this order.
inline constexpr std::array<QLatin1StringView, 13> kScannerCounters{{
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.3"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.4"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.5"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.6"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.7"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.8"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.9"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.10"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.11"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.12"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.13"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.5.1.1"},
    QLatin1StringView{"1.3.6.1.4.1.641.6.4.3.1.1.5.1.2"},
}};
} // namespace LexmarkOid

/// LEXMARK devices: model and serial number from LEXMARK's private MIB, mono, colour and scan
/// counters, the alert text again and the device status as the failure text, then fallbacks for
/// the counters and the alert text that are still empty. Sets Fabricante "LEXMARK".
void ReadLexmark(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
