#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the RICOH reader asks for, by key.
namespace RicohOid {
// Model, tried in this order while the model text is blank.
inline constexpr QLatin1StringView M1{"1.3.6.1.2.1.1.5"};                      // sysName, without instance
inline constexpr QLatin1StringView M2{"1.3.6.1.2.1.1.5.0"};                    // sysName.0
inline constexpr QLatin1StringView M3{"1.3.6.1.4.1.367.3.2.1.7.2.4.10.1.2.1"}; // RICOH model
inline constexpr QLatin1StringView M4{"1.3.6.1.4.1.2699.1.2.1.2.1.1.2.1"};     // ppmPrinterName.1
inline constexpr QLatin1StringView M5{"1.3.6.1.4.1.367.3.2.1.1.1.1.0"};        // RICOH model name

// RICOH's counter table, "...19.5.1.9." followed by the counter's number.
inline constexpr QLatin1StringView C2{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.2"};
inline constexpr QLatin1StringView C3{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.3"};
inline constexpr QLatin1StringView C4{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.4"};
inline constexpr QLatin1StringView C5{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.5"};
inline constexpr QLatin1StringView C7{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.7"};
inline constexpr QLatin1StringView C9{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.9"};
inline constexpr QLatin1StringView C10{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.10"};
inline constexpr QLatin1StringView C11{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.11"};
inline constexpr QLatin1StringView C12{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.12"};
inline constexpr QLatin1StringView C13{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.13"};
inline constexpr QLatin1StringView C14{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.14"};
inline constexpr QLatin1StringView C18{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.18"};
inline constexpr QLatin1StringView C21{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.21"};
inline constexpr QLatin1StringView C22{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.22"};
inline constexpr QLatin1StringView C25{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.25"};
inline constexpr QLatin1StringView C26{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.26"};
inline constexpr QLatin1StringView C27{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.27"};
inline constexpr QLatin1StringView C28{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.28"};
inline constexpr QLatin1StringView C29{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.29"};
inline constexpr QLatin1StringView C30{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.30"};
inline constexpr QLatin1StringView C40{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.40"};
inline constexpr QLatin1StringView C46{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.46"};
inline constexpr QLatin1StringView C63{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.63"};
inline constexpr QLatin1StringView C64{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.64"};
inline constexpr QLatin1StringView C66{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.66"};
inline constexpr QLatin1StringView C71{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.71"};
inline constexpr QLatin1StringView C72{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.72"};
inline constexpr QLatin1StringView C73{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.73"};
inline constexpr QLatin1StringView C74{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.74"};
inline constexpr QLatin1StringView C75{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.75"};
inline constexpr QLatin1StringView S16{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.5.16"}; // scan counter, last fallback

// Printer MIB.
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"}; // prtMarkerLifeCount.1.1
inline constexpr QLatin1StringView P2{"1.3.6.1.2.1.43.10.2.1.5.1.1"}; // prtMarkerPowerOnCount.1.1
inline constexpr QLatin1StringView P3{
    "1.3.6.1.2.1.43.13.4.1.4.1.1"}; // media path table, A3 count of the MP 4000
inline constexpr QLatin1StringView P4{"1.3.6.1.2.1.43.5.1.1.17.1"}; // prtGeneralSerialNumber.1

// RICOH's supply table: description and level of toners 1 to 4.
inline constexpr QLatin1StringView RD1{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.1"};
inline constexpr QLatin1StringView RD2{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.2"};
inline constexpr QLatin1StringView RD3{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.3"};
inline constexpr QLatin1StringView RD4{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.4"};
inline constexpr QLatin1StringView RL1{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.1"};
inline constexpr QLatin1StringView RL2{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.2"};
inline constexpr QLatin1StringView RL3{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.3"};
inline constexpr QLatin1StringView RL4{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.4"};

// Printer MIB supplies of marker 1 (prtMarkerSuppliesDescription and -Level), supplies 1, 3, 4, 5.
inline constexpr QLatin1StringView PD1{"1.3.6.1.2.1.43.11.1.1.6.1.1"};
inline constexpr QLatin1StringView PD3{"1.3.6.1.2.1.43.11.1.1.6.1.3"};
inline constexpr QLatin1StringView PD4{"1.3.6.1.2.1.43.11.1.1.6.1.4"};
inline constexpr QLatin1StringView PD5{"1.3.6.1.2.1.43.11.1.1.6.1.5"};
inline constexpr QLatin1StringView PL1{"1.3.6.1.2.1.43.11.1.1.9.1.1"};
inline constexpr QLatin1StringView PL3{"1.3.6.1.2.1.43.11.1.1.9.1.3"};
inline constexpr QLatin1StringView PL4{"1.3.6.1.2.1.43.11.1.1.9.1.4"};
inline constexpr QLatin1StringView PL5{"1.3.6.1.2.1.43.11.1.1.9.1.5"};
} // namespace RicohOid

/// RICOH devices: model when identification found none, general, colour, mono, scan, A3 and A4
/// counters, the four toners, and for three models the serial number, mostly from RICOH's private
/// MIB: a common part for every device, fourteen model blocks, then fallbacks for what is still
/// empty. Sets Fabricante "RICOH".
void ReadRicoh(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
