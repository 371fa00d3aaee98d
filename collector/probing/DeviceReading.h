#pragma once

#include <QString>

namespace vorenta {

/// Everything the collector learns about the device at the address being visited, as texts
/// ("" means not read). Counters, levels and capacities are the decimal texts the device gave;
/// arithmetic on them goes through TextOperations.h.
///
/// One value belongs to the visit of one address and is passed by reference to identification,
/// the readers and the store; ClearReading empties it before the next address. The fields keep
/// the order of the DadosOid row they feed; WorkA..WorkH and DeviceIdString are scratch slots
/// and DeviceLocation becomes the second half of LocalInstal.
struct DeviceReading {
    QString inf1;
    QString inf2;
    QString inf3;
    QString inf4;
    QString inf5;
    QString NSerie;
    QString Modelo;
    QString Fabricante;
    QString ContGeral;
    QString StatusEquip;
    QString Falha;
    QString ContColor;
    QString ContPb;
    QString ContScan;
    QString WorkA;
    QString WorkB;
    QString WorkC;
    QString IP;
    QString MacAddress;
    QString ContA3;
    QString ContA4;
    QString ContJams;
    QString NivelB;
    QString NivelY;
    QString NivelC;
    QString NivelM;
    QString WorkD;
    QString WorkE;
    QString WorkF;
    QString WorkG;
    QString DeviceIdString;
    QString WorkH;
    QString SupriB;
    QString DurabB;
    QString SupriC;
    QString DurabC;
    QString SupriY;
    QString DurabY;
    QString SupriM;
    QString DurabM;
    QString DeviceLocation;

    bool operator==(const DeviceReading&) const = default;
};

/// Empties every field, scratch slots included, so nothing read at one address reaches the
/// row of the next.
inline void ClearReading(DeviceReading& reading)
{
    reading = DeviceReading{};
}

} // namespace vorenta
