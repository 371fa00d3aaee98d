#include "ReadHp.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace HpOid;

void ReadHp(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. always
    r.Fabricante = QStringLiteral("HP");

    // 2-5. always
    device.GET(H1, r.ContColor);
    device.GET(H2, r.ContPb);
    device.GET(H3, r.ContScan);
    device.GET(H4, r.StatusEquip);

    // 6. The LaserJet P4015 keeps its total counter in an object of its own.
    if (EqualsIgnoringCase(r.Modelo, {"HP LASERJET P4015"}))
        device.GET(H5, r.ContGeral);

    // 7. The four GETs of steps 2 to 5 again: the later answer wins, and fills what got none.
    if (EqualsIgnoringCase(r.Modelo, {"HP OFFICEJET PRO X476DW MFP"})) {
        device.GET(H1, r.ContColor);
        device.GET(H2, r.ContPb);
        device.GET(H3, r.ContScan);
        device.GET(H4, r.StatusEquip);
    }

    // 8. The OfficeJet Pro X451dw: colour, mono and status once more.
    if (EqualsIgnoringCase(r.Modelo, {"HP OFFICEJET PRO X451DW PRINTER"})) {
        device.GET(H1, r.ContColor);
        device.GET(H2, r.ContPb);
        device.GET(H4, r.StatusEquip);
    }

    // 9. The Color LaserJet CP2025dn: mono and colour once more, and its paper jams.
    if (EqualsIgnoringCase(r.Modelo, {"HP COLOR LASERJET CP2025DN"})) {
        device.GET(H2, r.ContPb);
        device.GET(H1, r.ContColor);
        device.GET(H6, r.ContJams);
    }

    // 10-14. Fallbacks, each on the field as the steps before left it.
    if (IsEmpty(r.ContPb))
        device.GET(H2, r.ContPb);
    if (IsEmpty(r.ContColor))
        device.GET(H1, r.ContColor);
    if (IsEmpty(r.ContPb))
        device.GET(H7, r.ContPb);
    if (IsEmpty(r.ContGeral))
        device.GET(H8, r.ContGeral);
    if (IsEmpty(r.ContColor))
        device.GET(H2, r.ContColor); // the mono counter's object, once more
}

} // namespace vorenta
