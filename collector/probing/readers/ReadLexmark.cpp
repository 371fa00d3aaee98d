#include "ReadLexmark.h"

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace LexmarkOid;

namespace {

// A model text as LEXMARK gives it, without the maker's name (matched case-sensitively), trimmed.
QString WithoutMaker(const QString& model, const QString& Fabricante)
{
    return Trim(ReplaceAll(model, Fabricante, {}));
}

} // namespace

void ReadLexmark(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // The scan values V1 to V13 of this run: the scanner counters as last answered.
    std::array<QString, kScannerCounters.size()> V;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("LEXMARK");

    // 2, 3. The model, shortened only after a GET that succeeded.
    if (device.GET(L1, r.Modelo))
        r.Modelo = WithoutMaker(r.Modelo, r.Fabricante);
    if (IsEmpty(r.Modelo) && device.GET(L2, r.Modelo))
        r.Modelo = WithoutMaker(r.Modelo, r.Fabricante);

    // 4, 5. The serial number, never replaced by an empty answer: it is the device's key.
    device.GETUnlessEmpty(L3, r.NSerie);
    if (EqualsIgnoringCase(r.Modelo, {"LEXMARK X644E", "X644E"}))
        device.GETUnlessEmpty(L4, r.NSerie);

    // 6, 7. Mono and colour.
    device.GET(L5, r.ContPb);
    device.GET(L6, r.ContColor);

    // 8. The scan count: the thirteen scanner counters added up ("0" when none answers).
    for (std::size_t i = 0; i < kScannerCounters.size(); ++i)
        device.GETAndAdd({kScannerCounters[i]}, V[i], r.ContScan);

    // 9. E342n: serial from L4.
    if (EqualsExactly(r.Modelo, {"Lexmark E342n", "E342n"}))
        device.GETUnlessEmpty(L4, r.NSerie);

    // 10. Two counters of their own, through V1 and V2: one that does not answer adds what S1 or
    //     S2 gave in step 8.
    if (EqualsExactly(r.Modelo, {"Lexmark X264dn", "X264dn"})) {
        r.ContScan = QStringLiteral("0");
        device.GETAndAdd({L7}, V[0], r.ContScan);
        device.GETAndAdd({L8}, V[1], r.ContScan);
    }

    // 11. The alert text again.
    device.GET(L9, r.StatusEquip);

    // 12. Without an alert the device is fine; with one, its status names the failure, and a code
    //     outside 1 to 5, or no answer, keeps identification's text.
    if (IsBlank(r.StatusEquip)) {
        r.Falha = QStringLiteral("2-TUDO OK");
    } else if (const SnmpAnswer status = device.ask(L10); status.ok) {
        if (const std::optional<QString> text = KnownDeviceStateText(status.value))
            r.Falha = *text;
    }

    // 13-16. Fallbacks, each on the field as the steps before left it.
    if (IsEmpty(r.ContGeral))
        device.GET(L11, r.ContGeral);
    if (IsEmpty(r.ContPb))
        device.GET(L5, r.ContPb);
    if (IsEmpty(r.ContColor))
        device.GET(L6, r.ContColor);
    if (IsEmpty(r.StatusEquip))
        device.GET(L12, r.StatusEquip);

    // 17. CS510: mono and colour of its own.
    if (EqualsExactly(r.Modelo, {"CS510de", "CS510"})) {
        device.GET(L13, r.ContPb);
        device.GET(L14, r.ContColor);
    }

    // 18. A mono counter read by now ends the reader: step 19 is only for devices that had none.
    if (!IsEmpty(r.ContPb))
        return;
    device.GET(L13, r.ContPb);

    // 19. The colour counter too, when none was read.
    if (IsEmpty(r.ContColor))
        device.GET(L14, r.ContColor);
}

} // namespace vorenta
