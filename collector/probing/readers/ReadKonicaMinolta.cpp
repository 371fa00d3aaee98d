#include "ReadKonicaMinolta.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace KonicaMinoltaOid;

void ReadKonicaMinolta(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("KONICA MINOLTA");

    // 2, 3. Mono in three parts, the third through WorkG: a K3 that does not answer adds K2's
    //       part again.
    r.ContPb = device.GETSum(K1, r.WorkF, K2, r.WorkG);
    device.GETAndAdd({K3}, r.WorkG, r.ContPb);

    // 4-6. Colour in four parts, the last two through WorkE.
    r.ContColor = device.GETSum(K4, r.WorkD, K5, r.WorkE);
    device.GETAndAdd({K6, K7}, r.WorkE, r.ContColor);

    // 7. A4 pages, only when K8 answers. ContA3 is still empty here (identification empties it),
    //    so this is K8's count as a decimal text.
    if (const SnmpAnswer v = device.ask(K8); v.ok)
        r.ContA4 = AddCounters(v.value, r.ContA3);

    // 8. A3 pages, only when K9 answers.
    device.GETAddedTo(K9, r.ContA3);

    // 9. Scans.
    device.GET(K10, r.ContScan);

    // 10. bizhub C754e, tested on identification's model text.
    if (EqualsIgnoringCase(r.Modelo, {"KONICA MINOLTA bizhub C754e", "bizhub C754e"})) {
        // The model without the maker's name (removed case-sensitively), in upper case: also the
        // text the model OID table is looked up under.
        r.Modelo = UpperAscii(Trim(ReplaceAll(r.Modelo, QStringLiteral("KONICA MINOLTA"), {})));
        // Colour in two parts only, through the slots steps 4 to 6 left: a K5 that does not
        // answer adds the last colour part that did.
        r.ContColor = device.GETSum(K4, r.WorkD, K5, r.WorkE);
        r.ContA4.clear();
        r.ContA3.clear();
        device.GET(K10, r.ContScan);
        device.GET(K11, r.ContGeral);
        // Mono: the total less colour (empty when colour exceeds the total).
        r.ContPb = CounterDifference(r.ContGeral, r.ContColor);
    }
}

} // namespace vorenta
