#include "ReadCanon.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace CanonOid;

void ReadCanon(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text; A3 and A4 pages start at 0.
    r.Fabricante = QStringLiteral("CANON");
    r.ContA3 = QStringLiteral("0");
    r.ContA4 = QStringLiteral("0");

    // 2. CANON's model text, unless it answers empty or blank.
    device.GETUnlessEmpty(C1, r.Modelo);

    // 3. iR-ADV C5051: the model from sysName. Steps 4 to 8 test it as this step leaves it, so
    //    they run only when sysName does not answer or answers the same model text.
    if (EqualsExactly(r.Modelo, {"iR-ADV C5051"}))
        device.GET(C2, r.Modelo);

    // 4-8. iR-ADV C5051 (five rows with this one condition; none of them changes the model).
    if (EqualsExactly(r.Modelo, {"iR-ADV C5051"})) {
        // Each page count that answers goes to its format and to its colour; one that does not
        // answer adds nothing.
        device.GETAddedTo(C3, r.ContA3, r.ContPb);
        device.GETAddedTo(C4, r.ContA4, r.ContPb);
        device.GETAddedTo(C5, r.ContA3, r.ContColor);
        device.GETAddedTo(C6, r.ContA4, r.ContColor);
        // The total is mono plus colour, when both are known.
        SetTotalOfParts(r.ContGeral, r.ContPb, r.ContColor);
    }

    // 9. iR1643i: a mono device, its total from C7 (ContPb copies the total even when C7 fails).
    if (EqualsExactly(r.Modelo, {"iR1643i", "iR1643i II"})) {
        device.GET(C7, r.ContGeral);
        r.ContPb = r.ContGeral;
        r.ContColor = QStringLiteral("0");
    }

    // 10. MF420 Series: a mono device, its total from the Printer MIB.
    if (EqualsExactly(r.Modelo, {"MF420 Series"})) {
        device.GET(C8, r.ContGeral);
        r.ContPb = r.ContGeral;
        r.ContColor = QStringLiteral("0");
    }

    // 11. MF440 Series: the total from the Printer MIB, no colour; the mono count is not touched.
    if (EqualsExactly(r.Modelo, {"MF440 Series"})) {
        device.GET(C8, r.ContGeral);
        r.ContColor = QStringLiteral("0");
    }

    // 12. Any model without a total, or with a total of "0": the Printer MIB's, all of it mono.
    if (IsEmpty(r.ContGeral) || r.ContGeral == u"0") {
        device.GET(C8, r.ContGeral);
        r.ContPb = r.ContGeral;
        r.ContColor = QStringLiteral("0");
    }
}

} // namespace vorenta
