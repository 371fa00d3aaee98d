#include "ReadEpson.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace EpsonOid;

void ReadEpson(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("EPSON");

    // 2. EPSON's model text replaces identification's whenever E1 answers, even empty; step 6,
    //    the model OID table and the store all see it.
    device.GET(E1, r.Modelo);

    // 3, 4. Mono and colour.
    device.GET(E2, r.ContPb);
    device.GET(E3, r.ContColor);

    // 5. Scans in two parts.
    r.ContScan = device.GETSum(E4, r.WorkA, E5, r.WorkC);

    // 6. L4160: no A3 pages.
    if (EqualsIgnoringCase(r.Modelo, {"L4160 SERIES"}))
        r.ContA3 = QStringLiteral("0");
}

} // namespace vorenta
