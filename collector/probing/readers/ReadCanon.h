#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/SnmpSource.h"

#include <QLatin1StringView>
#include <QString>

namespace vorenta {

/// The objects the CANON reader asks for, by key: CANON's private MIB (enterprise 1602), sysName
/// and the Printer MIB total.
namespace CanonOid {
inline constexpr QLatin1StringView C1{"1.3.6.1.4.1.1602.1.1.1.1.0"}; // model
inline constexpr QLatin1StringView C2{"1.3.6.1.2.1.1.5.0"};          // sysName.0, the iR-ADV C5051's model
inline constexpr QLatin1StringView C3{
    "1.3.6.1.4.1.1602.1.11.1.4.1.4.112"}; // iR-ADV C5051: mono, large format
inline constexpr QLatin1StringView C4{
    "1.3.6.1.4.1.1602.1.11.1.4.1.4.113"}; // iR-ADV C5051: mono, small format
inline constexpr QLatin1StringView C5{
    "1.3.6.1.4.1.1602.1.11.1.4.1.4.122"}; // iR-ADV C5051: colour, large format
inline constexpr QLatin1StringView C6{
    "1.3.6.1.4.1.1602.1.11.1.4.1.4.402"}; // iR-ADV C5051: colour, small format
inline constexpr QLatin1StringView C7{"1.3.6.1.4.1.1602.1.11.2.2.1.4.1"}; // total of the iR1643i
inline constexpr QLatin1StringView C8{"1.3.6.1.2.1.43.10.2.1.4.1.1"};     // prtMarkerLifeCount.1.1
} // namespace CanonOid

/// CANON devices: the model text from CANON's private MIB; for the iR-ADV C5051 mono and colour
/// split into large (A3) and small (A4) pages; for the iR1643i and the MF420/MF440 series the
/// total; and for every model whose total is missing or 0 the Printer MIB's. Model texts are
/// compared exactly. Sets Fabricante "CANON".
void ReadCanon(DeviceReading& reading, const QString& address, SnmpSource& source);

} // namespace vorenta
