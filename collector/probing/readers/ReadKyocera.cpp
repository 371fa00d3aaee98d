#include "ReadKyocera.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace KyoceraOid;

void ReadKyocera(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("KYOCERA");

    // 2-5. always. K2 twice: WorkG keeps the total for the M8124cidn, should its K6 not answer.
    device.GET(K1, r.StatusEquip);
    device.GET(K2, r.ContGeral);
    device.GET(K2, r.WorkG);
    device.GET(K3, r.ContScan);

    // 6. M2035dn and kin: mono and total from K2, scans again.
    if (EqualsExactly(r.Modelo, {"ECOSYS M2035dn", "M2035dn", "ECOSYS M2535dn", "ECOSYS M3040idn"})) {
        device.GET(K2, r.ContPb);
        device.GET(K2, r.ContGeral);
        device.GET(K3, r.ContScan);
    }

    // 7. M2040dn: total, and scans in two parts.
    if (EqualsExactly(r.Modelo, {"ECOSYS M2040dn", "M2040dn"})) {
        device.GET(K2, r.ContGeral);
        r.ContScan = device.GETSum(K4, r.WorkA, K5, r.WorkB);
    }

    // 8. The Printer MIB's total when KYOCERA's is missing.
    if (IsEmpty(r.ContGeral))
        device.GET(P1, r.ContGeral);

    // 9. Asked again even when step 8 has just filled the total: the later answer wins.
    if (EqualsExactly(r.Modelo, {"FS-4000DN"}))
        device.GET(P1, r.ContGeral);

    // 10. M8124cidn: mono (Printer MIB total plus K6), colour, scans, A3 and A4.
    if (EqualsExactly(r.Modelo, {"ECOSYS M8124cidn", "M8124cidn"})) {
        r.ContPb = device.GETSum(P1, r.WorkF, K6, r.WorkG);
        r.ContColor = device.GETSum(K7, r.WorkD, K8, r.WorkE);
        r.ContScan = device.GETSum(K4, r.WorkA, K5, r.WorkB);
        device.GET(K9, r.ContA3);
        device.GET(K10, r.ContA4);
    }
}

} // namespace vorenta
