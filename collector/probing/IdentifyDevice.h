#pragma once

#include "collector/probing/DeviceReading.h"

#include <QLatin1StringView>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace vorenta {

class LogSink;
class SnmpSource;

/// The objects identification asks for, by key, with their MIB names.
namespace IdentificationOid {
inline constexpr QLatin1StringView G1{"1.3.6.1.2.1.43.5.1.1.5.1"};              // prtGeneralServicePerson.1
inline constexpr QLatin1StringView G2{"1.3.6.1.4.1.367.3.2.1.1.1.7.0"};         // RICOH manufacturer
inline constexpr QLatin1StringView G3{"1.3.6.1.2.1.43.5.1.1.17.1"};             // prtGeneralSerialNumber.1
inline constexpr QLatin1StringView G4{"1.3.6.1.4.1.1347.43.5.1.1.28.1"};        // KYOCERA serial
inline constexpr QLatin1StringView G5{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.45.0"}; // OKI serial
inline constexpr QLatin1StringView G6{"1.3.6.1.4.1.367.3.2.1.1.1.10.0"};        // RICOH serial
inline constexpr QLatin1StringView G7{"1.3.6.1.4.1.367.3.2.1.2.1.4.0"};         // RICOH serial
inline constexpr QLatin1StringView G8{"1.3.6.1.4.1.367.3.2.1.2.2.11.0"};        // RICOH serial
inline constexpr QLatin1StringView G9{"1.3.6.1.4.1.641.2.1.2.1.2.1"};           // LEXMARK serial
inline constexpr QLatin1StringView G10{"1.3.6.1.4.1.1248.1.2.2.1.1.1.5.1"};     // EPSON serial
inline constexpr QLatin1StringView G11{"1.3.6.1.2.1.43.9.2.1.8.1.1"};           // prtOutputVendorName.1.1
inline constexpr QLatin1StringView G12{"1.3.6.1.2.1.43.8.2.1.14.1.1"};          // prtInputVendorName.1.1
inline constexpr QLatin1StringView G13{"1.3.6.1.2.1.1.1.0"};                    // sysDescr.0
inline constexpr QLatin1StringView G14{"1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1"}; // ppmPrinterIEEE1284DeviceId.1
inline constexpr QLatin1StringView G15{"1.3.6.1.4.1.11.2.3.9.1.1.7.0"};     // HP device-ID text
inline constexpr QLatin1StringView G16{"1.3.6.1.2.1.25.3.2.1.3.1"};         // hrDeviceDescr.1
inline constexpr QLatin1StringView G17{"1.3.6.1.2.1.2.2.1.6.1"};            // ifPhysAddress.1
inline constexpr QLatin1StringView G18{"1.3.6.1.2.1.43.10.2.1.4.1.1"};      // prtMarkerLifeCount.1.1
inline constexpr QLatin1StringView G19{"1.3.6.1.2.1.43.18.1.1.8.1.1"};      // prtAlertDescription.1.1
inline constexpr QLatin1StringView G20{"1.3.6.1.2.1.25.3.2.1.5.1"};         // hrDeviceStatus.1
inline constexpr QLatin1StringView G21{"1.3.6.1.2.1.1.6.0"};                // sysLocation.0
} // namespace IdentificationOid

/// One of the first four supplies of marker 1 (prtMarkerSuppliesTable) and the fields it fills.
struct MarkerSupply {
    QLatin1StringView descriptionOid; ///< prtMarkerSuppliesDescription
    QLatin1StringView levelOid;       ///< prtMarkerSuppliesLevel
    QLatin1StringView maxCapacityOid; ///< prtMarkerSuppliesMaxCapacity
    QString DeviceReading::*Supri;
    QString DeviceReading::*Nivel;
    QString DeviceReading::*Durab;
};

/// Supplies 1 to 4 in reading order; B, Y, C, M are slots, whatever colour the device gives them.
inline constexpr std::array<MarkerSupply, 4> kMarkerSupplies{{
    {QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.6.1.1"}, QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.9.1.1"},
     QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.8.1.1"}, &DeviceReading::SupriB, &DeviceReading::NivelB,
     &DeviceReading::DurabB},
    {QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.6.1.2"}, QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.9.1.2"},
     QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.8.1.2"}, &DeviceReading::SupriY, &DeviceReading::NivelY,
     &DeviceReading::DurabY},
    {QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.6.1.3"}, QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.9.1.3"},
     QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.8.1.3"}, &DeviceReading::SupriC, &DeviceReading::NivelC,
     &DeviceReading::DurabC},
    {QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.6.1.4"}, QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.9.1.4"},
     QLatin1StringView{"1.3.6.1.2.1.43.11.1.1.8.1.4"}, &DeviceReading::SupriM, &DeviceReading::NivelM,
     &DeviceReading::DurabM},
}};

/// Asks the device at `address` (dotted IPv4 text) a fixed sequence of GETs with community
/// "public" and fills `reading` with who made it, its serial number and, once a serial number is
/// found, model, MAC address, total counter, status, state, location and supplies 1 to 4.
/// Expects `reading` freshly cleared. The caller reads and stores the device only when NSerie is
/// not blank afterwards. Writes "MAC1: " with the MAC address when the interface answers; raises
/// nothing (a GET that fails leaves its field as it was).
void IdentifyDevice(DeviceReading& reading, const QString& address, SnmpSource& source, LogSink& log);

/// The OIDs identification asks, in its order, at an address where nothing answers: G1, G2, G4,
/// G3, G5, G6, G7, G8, G9, G10, G13, G15 and G6 once more. Found by running IdentifyDevice against
/// a device that never answers, so it always follows the steps above.
const QStringList& SilentDeviceChain();

/// hrDeviceStatus to the device state text ("2" is "2-TUDO OK"; unknown values "1-Desconhecido").
QString DeviceStateText(const QString& status);

/// The device state text of one of the five hrDeviceStatus codes "1" to "5"; nothing for any other
/// value, the empty text included, for callers that keep the text they have instead.
std::optional<QString> KnownDeviceStateText(const QString& status);

/// A supply level as stored: -1 and -2 are "N/D", -3 (some remaining) is "OK".
QString SupplyLevelText(const QString& level);

/// A supply maximum capacity as stored: -1 and -2 are "N/D", anything else as read.
QString SupplyCapacityText(const QString& capacity);

} // namespace vorenta
