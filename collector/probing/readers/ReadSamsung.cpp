#include "ReadSamsung.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace SamsungOid;

void ReadSamsung(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("SAMSUNG");

    // 2. The private model name replaces identification's whenever S1 answers, even empty; the
    //    conditions below, the model OID table and the store all see it.
    device.GET(S1, r.Modelo);

    // 3-8. always; S2 and S5 both give the scans, the later answer wins.
    device.GET(S2, r.ContScan);
    device.GET(S3, r.ContColor);
    device.GET(S4, r.ContPb);
    device.GET(P1, r.ContGeral);
    device.GET(S5, r.ContScan);
    device.GET(S6, r.ContA3);

    // 9. M337x 387x 407x Series: scans from S7.
    if (EqualsExactly(r.Modelo, {"M337x 387x 407x Series"}))
        device.GET(S7, r.ContScan);

    // 10. The total is the Printer MIB's less S10's pages (empty when that goes below zero).
    if (EqualsExactly(r.Modelo, {"K4250RX"})) {
        r.ContScan = device.GETSum(S8, r.WorkA, S9, r.WorkB);
        device.GET(P1, r.ContGeral);
        device.GET(S10, r.WorkH);
        r.ContGeral = CounterDifference(r.ContGeral, r.WorkH);
    }
}

} // namespace vorenta
