#include "ReadRicoh.h"

#include "collector/probing/readers/ReaderToolkit.h"

namespace vorenta {

using namespace RicohOid;

namespace {

// One toner of RICOH's supply table, the fields it fills and the capacity stored for it.
struct RicohSupply {
    QLatin1StringView description;
    QLatin1StringView level;
    QString DeviceReading::*Supri;
    QString DeviceReading::*Nivel;
    QString DeviceReading::*Durab;
    QLatin1StringView capacity;
};

constexpr RicohSupply kRicohSupplies[] = {
    {RD1, RL1, &DeviceReading::SupriB, &DeviceReading::NivelB, &DeviceReading::DurabB,
     QLatin1StringView{"10000"}},
    {RD2, RL2, &DeviceReading::SupriC, &DeviceReading::NivelC, &DeviceReading::DurabC,
     QLatin1StringView{"5500"}},
    {RD3, RL3, &DeviceReading::SupriM, &DeviceReading::NivelM, &DeviceReading::DurabM,
     QLatin1StringView{"5500"}},
    {RD4, RL4, &DeviceReading::SupriY, &DeviceReading::NivelY, &DeviceReading::DurabY,
     QLatin1StringView{"5500"}},
};

// One supply of the Printer MIB and the fields it fills; these models give no capacity.
struct PrinterMibSupply {
    QLatin1StringView description;
    QLatin1StringView level;
    QString DeviceReading::*Supri;
    QString DeviceReading::*Nivel;
};

constexpr PrinterMibSupply kPrinterMibSupplies[] = {
    {PD1, PL1, &DeviceReading::SupriB, &DeviceReading::NivelB},
    {PD3, PL3, &DeviceReading::SupriC, &DeviceReading::NivelC},
    {PD4, PL4, &DeviceReading::SupriM, &DeviceReading::NivelM},
    {PD5, PL5, &DeviceReading::SupriY, &DeviceReading::NivelY},
};

// The RICOH supply group: description and level of each toner, a fixed capacity, and the level
// "-2" (unknown) kept as "1". Only that exact text: other negative levels stay as answered.
void ReadRicohSupplies(DeviceReading& r, ReaderDevice& device)
{
    for (const RicohSupply& supply : kRicohSupplies) {
        device.GET(supply.description, r.*supply.Supri);
        device.GET(supply.level, r.*supply.Nivel);
        r.*supply.Durab = supply.capacity;
        if (r.*supply.Nivel == u"-2")
            r.*supply.Nivel = QStringLiteral("1");
    }
}

// The Printer-MIB supply group: description and level as answered, "-2" included.
void ReadPrinterMibSupplies(DeviceReading& r, ReaderDevice& device)
{
    for (const PrinterMibSupply& supply : kPrinterMibSupplies) {
        device.GET(supply.description, r.*supply.Supri);
        device.GET(supply.level, r.*supply.Nivel);
    }
}

// Mono, colour and scan counters, A3 count and total as most models give them; the common part
// of every device, and again the whole of the MPC2800's block.
void ReadCommonCounters(DeviceReading& r, ReaderDevice& device)
{
    r.ContPb = device.GETSum(C18, r.WorkF, C9, r.WorkG);
    r.ContColor = device.GETSum(C5, r.WorkD, C11, r.WorkE);
    device.GETAndAdd({C63, C64}, r.WorkD, r.ContColor);
    r.ContScan = device.GETSum(C73, r.WorkA, C75, r.WorkB);
    device.GET(C66, r.ContA3);
    device.GET(P1, r.ContGeral);
}

// A4 pages of the models that count an A3 page as two: the total less twice the A3 count. Empty
// when the A3 count is too large to double, or the difference goes below zero.
QString A4FromTotal(const QString& total, const QString& a3)
{
    const QString twiceA3 = MultiplyCounters(a3, QStringLiteral("2"));
    return IsEmpty(twiceA3) ? QString() : CounterDifference(total, twiceA3);
}

} // namespace

void ReadRicoh(DeviceReading& reading, const QString& address, SnmpSource& source)
{
    ReaderDevice device(source, address);
    DeviceReading& r = reading;

    // 1. The canonical maker text.
    r.Fabricante = QStringLiteral("RICOH");

    // 2. Model fallbacks, each only while the model is blank; a blank answer lets the next one try.
    for (QLatin1StringView oid : {M1, M2, M3, M4, M5}) {
        if (IsBlank(r.Modelo))
            device.GET(oid, r.Modelo);
    }

    // 3. Common part, in its own guard: an error ends it, keeping what it set, and step 4 follows.
    GuardedSteps([&] {
        ReadCommonCounters(r, device);
        ReadRicohSupplies(r, device);
    });

    // 4. Model blocks, each independent of the others.

    // B1. MP 201: no colour count (fallback F3 may fill one).
    if (EqualsTrimmed(r.Modelo, {"MP 201", "Aficio MP 201"}))
        r.ContColor.clear();

    // B2. SP C232SF: total and colour from the counter table.
    if (EqualsTrimmed(r.Modelo, {"C232SF", "SP C232SF"})) {
        device.GET(C4, r.ContGeral);
        device.GET(C5, r.ContColor);
    }

    // B3. SP C242DN: colour from the counter table, total from the Printer MIB.
    if (EqualsIgnoringCase(r.Modelo, {"AFICIO SP C242DN"}) ||
        EqualsTrimmed(r.Modelo, {"Aficio SP C242DN", "SP C242DN"})) {
        device.GET(C2, r.ContColor);
        device.GET(P1, r.ContGeral);
    }

    // B4. The total is the sum of colour and mono, unless the mono counter was not read.
    if (EqualsIgnoringCase(r.Modelo, {"AFICIO SP C430DN"}) ||
        EqualsTrimmed(r.Modelo, {"Aficio SP C430DN", "SP C430DN"}) ||
        EqualsIgnoringCase(r.Modelo, {"AFICIO SP C440DN"}) ||
        EqualsTrimmed(r.Modelo, {"Aficio SP C440DN", "SP C440DN"})) {
        device.GET(C3, r.ContPb);
        r.ContColor = device.GETSum(C5, r.WorkD, C4, r.WorkE);
        SetTotalOfParts(r.ContGeral, r.ContColor, r.ContPb);
        r.ContScan = QStringLiteral("0");
        r.ContA3 = QStringLiteral("0");
    }

    // B5. MPC2003: colour, scans, A3, A4 as the total less A3, toners from the Printer MIB.
    if (EqualsIgnoringCase(r.Modelo, {"MPC2003"})) {
        device.GET(C21, r.ContColor);
        r.ContScan = device.GETSum(C71, r.WorkA, C72, r.WorkB);
        device.GET(C46, r.ContA3);
        device.GET(P1, r.ContGeral);
        r.ContA4 = CounterDifference(r.ContGeral, r.ContA3);
        ReadPrinterMibSupplies(r, device);
    }

    // B6. MP 2851: total, mono in three parts, scans.
    if (EqualsIgnoringCase(r.Modelo, {"Aficio MP 2851", "MP 2851"})) {
        device.GET(P1, r.ContGeral);
        r.ContPb = device.GETSum(C12, r.WorkF, C14, r.WorkG);
        device.GETAndAdd({C13}, r.WorkF, r.ContPb);
        r.ContScan = device.GETSum(C26, r.WorkA, C27, r.WorkB);
    }

    // B7. MP C2504: mono, colour in three parts, scans and A3 of its own, and the toners again.
    if (EqualsIgnoringCase(r.Modelo, {"MP C2504", "MPC2504"})) {
        r.ContPb = device.GETSum(C3, r.WorkF, C9, r.WorkG);
        r.ContColor = device.GETSum(C5, r.WorkD, C11, r.WorkE);
        device.GETAndAdd({C10}, r.WorkD, r.ContColor);
        r.ContScan = device.GETSum(C74, r.WorkA, C75, r.WorkB);
        device.GET(C71, r.ContA3);
        ReadRicohSupplies(r, device);
    }

    // B8. The serial number the Printer MIB gives, but never an empty one: it is the device's key.
    if (EqualsIgnoringCase(r.Modelo, {"MPC2050", "MPC2051", "MPC2551"})) {
        device.GETUnlessEmpty(P4, r.NSerie);
        r.ContScan = device.GETSum(C73, r.WorkA, C74, r.WorkB);
        ReadRicohSupplies(r, device);
    }

    // B9. MPC2551, after B8: colour and mono of its own.
    if (EqualsIgnoringCase(r.Modelo, {"MPC2551"})) {
        device.GET(C21, r.ContColor);
        device.GET(C22, r.ContPb);
    }

    // B10. The common counters once more, outside the guard.
    if (EqualsIgnoringCase(r.Modelo, {"MPC2800"}))
        ReadCommonCounters(r, device);

    // B11. MPC2051, after B8: counters of its own; A4 is the total less twice A3.
    if (EqualsIgnoringCase(r.Modelo, {"MPC2051"})) {
        r.ContPb = device.GETSum(C3, r.WorkF, C9, r.WorkG);
        r.ContColor = device.GETSum(C5, r.WorkD, C11, r.WorkE);
        device.GETAndAdd({C10, C40}, r.WorkD, r.ContColor);
        r.ContScan = device.GETSum(C72, r.WorkA, C73, r.WorkB);
        device.GET(C66, r.ContA3);
        device.GET(P1, r.ContGeral);
        r.ContA4 = A4FromTotal(r.ContGeral, r.ContA3);
    }

    // B12. MP 1350: total, A3 and A4; colour and scans emptied for the fallbacks to fill.
    if (EqualsIgnoringCase(r.Modelo, {"Aficio MP 1350", "MP 1350"})) {
        device.GET(P1, r.ContGeral);
        device.GET(C7, r.ContA3);
        r.ContA4 = A4FromTotal(r.ContGeral, r.ContA3);
        r.ContColor.clear();
        r.ContScan.clear();
    }

    // B13. The single blanks are values: the fallbacks leave them; the emptied scan count they fill.
    if (EqualsIgnoringCase(r.Modelo, {"AFICIO MP 171", "MP 171"})) {
        device.GET(P1, r.ContGeral);
        r.ContPb = r.ContGeral;
        r.ContScan = device.GETSum(C25, r.WorkA, C26, r.WorkB);
        r.ContA4 = kOneBlank;
        r.ContA3 = kOneBlank;
        r.ContColor = kOneBlank;
        r.ContScan.clear();
    }

    // B14. MP 4000: total, A3 from the Printer MIB, scans in three parts, no colour.
    if (EqualsIgnoringCase(r.Modelo, {"AFICIO MP 4000", "MP 4000"})) {
        device.GET(P1, r.ContGeral);
        device.GET(P3, r.ContA3);
        r.ContScan = device.GETSum(C30, r.WorkA, C29, r.WorkB);
        device.GETAndAdd({C28}, r.WorkA, r.ContScan);
        r.ContColor = QStringLiteral("0");
        r.ContA4 = A4FromTotal(r.ContGeral, r.ContA3);
    }

    // 5. Fallbacks, each on the field as the steps before left it.
    if (IsEmpty(r.ContGeral)) // F1
        device.GET(P2, r.ContGeral);
    if (IsEmpty(r.ContGeral)) // F2
        device.GET(C2, r.ContGeral);
    if (IsEmpty(r.ContColor)) // F3
        device.GET(C3, r.ContColor);
    if (IsEmpty(r.ContPb)) // F4
        device.GET(C4, r.ContPb);
    if (IsEmpty(r.ContScan)) // F5
        device.GET(S16, r.ContScan);
    if (IsEmpty(r.ContScan) || r.ContScan == u"0") // F6: scratch slots that fail keep their values
        r.ContScan = device.GETSum(C30, r.WorkA, C29, r.WorkB);
    if (IsEmpty(r.ContA3)) // F7
        device.GET(C9, r.ContA3);
    if (EqualsIgnoringCase(r.Modelo, {"AFICIO SP 4100N", "SP 4100N", "SP 377SFNWX", "SP 377SF"})) // F8
        r.ContA3 = QStringLiteral("0");
}

} // namespace vorenta
