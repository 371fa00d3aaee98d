#include "ReadBrother.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace BrotherOid;

void ReadBrother(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // No canonical maker text: the store keeps identification's, in its own letter case.

    // 1. Colour, exactly one of three ways.
    if (EqualsIgnoringCase(r.Modelo, {"HL-4040CDN SERIES"}))
        device.GET(B1, r.ContColor);
    else if (EqualsIgnoringCase(r.Modelo, {"MFC-9460CDN"}))
        r.ContColor = device.GETSum(B2, r.WorkD, B1, r.WorkE);
    else
        r.ContColor = device.GETSum(B3, r.WorkD, B4, r.WorkE);

    // 2. DCP-8065DN: no colour count.
    if (EqualsIgnoringCase(r.Modelo, {"DCP-8065DN"}))
        r.ContColor.clear();

    // 3. Mono, the default two parts.
    r.ContPb = device.GETSum(B5, r.WorkF, B6, r.WorkG);

    // 4. HL-4040CDN: mono of its own.
    if (EqualsIgnoringCase(r.Modelo, {"HL-4040CDN SERIES"}))
        device.GET(B7, r.ContPb);

    // 5. HL-4150CDN: the Printer MIB total; mono and colour one blank each (a value, not empty).
    if (EqualsIgnoringCase(r.Modelo, {"HL-4150CDN SERIES", "HL-4150CDN"})) {
        device.GET(B8, r.ContGeral);
        r.ContPb = kOneBlank;
        r.ContColor = kOneBlank;
        r.ContA3 = QStringLiteral("0");
    }

    // 6. MFC-9460CDN: mono in three parts, the third through WorkF, so a B10 that does not answer
    //    adds B7's part again.
    if (EqualsIgnoringCase(r.Modelo, {"MFC-9460CDN"})) {
        r.ContPb = device.GETSum(B7, r.WorkF, B9, r.WorkG);
        device.GETAndAdd({B10}, r.WorkF, r.ContPb);
    }

    // 7. MFC-J6935DW: A3 pages of its own (step 11 replaces them when B3 answers).
    if (EqualsIgnoringCase(r.Modelo, {"MFC-J6935DW"}))
        device.GET(B11, r.ContA3);

    // 8. Scans in three parts, the third through WorkC.
    r.ContScan = device.GETSum(B12, r.WorkA, B13, r.WorkC);
    device.GETAndAdd({B14}, r.WorkC, r.ContScan);

    // 9, 10. MAC address fallbacks, only while there is none. Six raw octets are written out
    //        before trimming, as identification does, so an octet 00 or 20 at either end stays.
    if (IsEmpty(r.MacAddress))
        device.GETMacAddress(B15, r.MacAddress);
    if (IsEmpty(r.MacAddress))
        device.GETMacAddress(B16, r.MacAddress);

    // 11. A3 pages, for every model.
    device.GET(B3, r.ContA3);

    // 12. Models without A3 pages.
    if (EqualsIgnoringCase(r.Modelo, {"MFC-8952DW", "MFC-8712DW", "MFC-8157DW"}))
        r.ContA3 = QStringLiteral("0");

    // 13. MFC-9460CDN: an A3 count other than "0" is not taken.
    if (r.ContA3 != u"0" && EqualsIgnoringCase(r.Modelo, {"MFC-9460CDN"}))
        r.ContA3.clear();

    // 14. A4 pages: the total less the A3 pages (empty when that goes below zero).
    if (r.ContA3 != u"0" && !IsEmpty(r.ContA3))
        r.ContA4 = CounterDifference(r.ContGeral, r.ContA3);
}

} // namespace vorenta
