#include "ReadOki.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace OkiOid;

void ReadOki(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("OKI");

    // 2. The console display as the status text.
    device.GET(O1, r.StatusEquip);

    // 3, 4. The total of the MB451 and of the MB491 (two separate tests).
    if (EqualsExactly(r.Modelo, {"MB451"}))
        device.GET(O2, r.ContGeral);
    if (EqualsExactly(r.Modelo, {"MB491"}))
        device.GET(O2, r.ContGeral);

    // 5. A total of 0, or none, from O3.
    if (r.ContGeral == u"0" || IsEmpty(r.ContGeral))
        device.GET(O3, r.ContGeral);

    // 6. Colour: twice O4's count plus O5's.
    device.GET(O4, r.WorkD);
    r.WorkD = MultiplyCounters(r.WorkD, QStringLiteral("2"));
    device.GET(O5, r.WorkE);
    r.ContColor = AddCounters(r.WorkD, r.WorkE);

    // 7. A4, A3 and scans.
    device.GET(O6, r.ContA4);
    device.GET(O7, r.ContA3);
    device.GET(O8, r.ContScan);

    // 8. Mono: the total less the colour pages (empty when the colour pages exceed the total).
    r.ContPb = CounterDifference(r.ContGeral, r.ContColor);

    // 9. MC362: mono of its own, colour the total less it.
    if (EqualsExactly(r.Modelo, {"MC362"})) {
        device.GET(O9, r.ContPb);
        r.ContColor = CounterDifference(r.ContGeral, r.ContPb);
    }

    // 10, 11. C711: mono and colour of its own (two separate tests).
    if (EqualsExactly(r.Modelo, {"C711"}))
        device.GET(O10, r.ContPb);
    if (EqualsExactly(r.Modelo, {"C711"}))
        device.GET(O11, r.ContColor);

    // 12. The total becomes mono plus colour, when both are known.
    SetTotalOfParts(r.ContGeral, r.ContPb, r.ContColor);

    // 13-15. MC780: colour, mono and scans from the second MIB (three separate tests).
    if (EqualsExactly(r.Modelo, {"MC780"}))
        device.GET(T1, r.ContColor);
    if (EqualsExactly(r.Modelo, {"MC780"}))
        device.GET(T2, r.ContPb);
    if (EqualsExactly(r.Modelo, {"MC780"}))
        device.GET(T3, r.ContScan);

    // 16. ES8473: mono, colour, A3 0 and A4; the total their sum.
    if (EqualsExactly(r.Modelo, {"ES8473 MFP", "ES8473"})) {
        device.GET(O12, r.ContPb);
        device.GET(O13, r.ContColor);
        r.ContA3 = QStringLiteral("0");
        device.GET(O14, r.ContA4);
        SetTotalOfParts(r.ContGeral, r.ContPb, r.ContColor);
    }

    // 17. The scan parts go through one slot: a part that does not answer adds the one before again.
    if (EqualsExactly(r.Modelo, {"MPS4242mc", "MPS4242"})) {
        device.GET(T2, r.ContPb);
        device.GET(T1, r.ContColor);
        r.ContScan = QStringLiteral("0");
        device.GETAndAdd({T4, T5, T6, T7, T8}, r.WorkA, r.ContScan);
    }

    // 18. ES4172LP: mono and total together from O15, scans in two parts.
    if (EqualsExactly(r.Modelo, {"ES4172LP MFP", "ES4172LP"})) {
        if (device.GET(O15, r.ContPb))
            r.ContGeral = r.ContPb;
        device.GET(O16, r.ContScan);
        device.GETAndAdd({O17}, r.WorkA, r.ContScan);
    }

    // 19. Runs after step 16 for the same models.
    if (EqualsExactly(r.Modelo, {"ES8473 MFP", "ES8473"})) {
        device.GET(O18, r.ContGeral);
        r.ContPb.clear();
        r.ContColor.clear();
    }

    // 20. ES5112: no colour, A3 or A4 counts; total and mono from O19.
    if (EqualsExactly(r.Modelo, {"ES5112 MFP", "ES5112"})) {
        r.ContColor.clear();
        r.ContA3.clear();
        r.ContA4.clear();
        if (device.GET(O19, r.ContGeral))
            r.ContPb = r.ContGeral;
    }
}

} // namespace vorenta
