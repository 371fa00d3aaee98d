#include "ReadSharp.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace SharpOid;

void ReadSharp(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("SHARP");

    // 2. The console display replaces identification's alert text whenever it answers, even
    //    with an empty display.
    device.GET(SH1, r.StatusEquip);

    // 3-5. Mono, colour and scans.
    device.GET(SH2, r.ContPb);
    device.GET(SH3, r.ContColor);
    device.GET(SH4, r.ContScan);

    // 6. MX-2300N: scans in two parts; mono in three, the third through WorkF, so an SH2 that
    //    does not answer adds SH7's part again; colour the total less mono (empty when mono
    //    exceeds the total).
    if (EqualsIgnoringCase(r.Modelo, {"MX-2300N"})) {
        r.ContScan = device.GETSum(SH5, r.WorkA, SH6, r.WorkC);
        r.ContPb = device.GETSum(SH7, r.WorkF, SH8, r.WorkG);
        device.GETAndAdd({SH2}, r.WorkF, r.ContPb);
        r.ContColor = CounterDifference(r.ContGeral, r.ContPb);
    }

    // 7. MX-M314N: scans in two parts of its own.
    if (EqualsIgnoringCase(r.Modelo, {"MX-M314N"}))
        r.ContScan = device.GETSum(SH9, r.WorkA, SH10, r.WorkC);
}

} // namespace vorenta
