#include "collector/probing/readers/ReadCanon.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::CanonTable;
using test::ReaderCase;
using test::Rec;

// The iR-ADV C5051's page counts (mono 1000 large + 2000 small, colour 300 + 400), the iR1643i's
// total and the Printer MIB's.
const QString kCounts = Rec(C3, "65|1000") + Rec(C4, "65|2000") + Rec(C5, "65|300") + Rec(C6, "65|400") +
                        Rec(C7, "65|52000") + Rec(C8, "65|61000");

// A device whose CANON model text and sysName are `model` and `name`.
QString Canon(const char* model, const char* name = "")
{
    return Rec(C1, QStringLiteral("4|") + QLatin1StringView(model)) +
           Rec(C2, QStringLiteral("4|") + QLatin1StringView(name)) + kCounts;
}

const QStringList kC5051Asked = {C1, C2, C3, C4, C5, C6};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Canon";
    r.Modelo = Modelo;
    r.NSerie = "QXK12345";
    r.ContGeral = "10000";
}

void Canonical(DeviceReading& r)
{
    r.Fabricante = "CANON";
    r.ContA3 = "0";
    r.ContA4 = "0";
}

// The iR-ADV C5051 with every page count answered.
void C5051Changes(DeviceReading& r)
{
    Canonical(r);
    r.ContPb = "3000";
    r.ContColor = "700";
    r.ContGeral = "3700";
    r.ContA3 = "1300";
    r.ContA4 = "2400";
}

// A mono device's total from `total`, all of it mono.
void MonoTotal(DeviceReading& r, const char* total)
{
    Canonical(r);
    r.ContGeral = total;
    r.ContPb = total;
    r.ContColor = "0";
}

const ReaderCase kCases[] = {
    {.name = "iR-ADV C5051 whose sysName does not answer: mono, colour, A3, A4 and their total",
     .identified = [](DeviceReading& r) { Identified(r, "iR-ADV C5051"); },
     .device = Canon("iR-ADV C5051"),
     .refused = {C2},
     .changes = C5051Changes,
     .asked = kC5051Asked},
    {.name = "iR-ADV C5051 whose sysName is the same model text",
     .identified = [](DeviceReading& r) { Identified(r, "C5051"); },
     .device = Canon("iR-ADV C5051", "iR-ADV C5051"),
     .changes =
         [](DeviceReading& r) {
             C5051Changes(r);
             r.Modelo = "iR-ADV C5051";
         },
     .asked = kC5051Asked},
    {.name = "iR-ADV C5051 whose sysName is another text: that is the model, no page counts",
     .identified = [](DeviceReading& r) { Identified(r, "iR-ADV C5051"); },
     .device = Canon("iR-ADV C5051", "RECEPCAO-01"),
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.Modelo = "RECEPCAO-01";
         },
     .asked = {C1, C2}},
    {.name = "iR-ADV C5051 whose sysName answers empty: the model is emptied",
     .identified = [](DeviceReading& r) { Identified(r, "iR-ADV C5051"); },
     .device = Canon("iR-ADV C5051", ""),
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.Modelo = "";
         },
     .asked = {C1, C2}},
    {.name = "ir-adv c5051 is no iR-ADV C5051 (exact comparison)",
     .identified = [](DeviceReading& r) { Identified(r, "ir-adv c5051"); },
     .device = kCounts,
     .refused = {C1},
     .changes = Canonical,
     .asked = {C1}},
    {.name = "iR-ADV C5051 without small-format counts: they add nothing",
     .identified = [](DeviceReading& r) { Identified(r, "iR-ADV C5051"); },
     .device = Canon("iR-ADV C5051"),
     .refused = {C2, C4, C6},
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.ContPb = "1000";
             r.ContColor = "300";
             r.ContGeral = "1300";
             r.ContA3 = "1300";
         },
     .asked = kC5051Asked},
    {.name = "iR-ADV C5051 without mono counts keeps the total it had, not colour alone",
     .identified = [](DeviceReading& r) { Identified(r, "iR-ADV C5051"); },
     .device = Canon("iR-ADV C5051"),
     .refused = {C2, C3, C4},
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.ContColor = "700";
             r.ContA3 = "300";
             r.ContA4 = "400";
         },
     .asked = kC5051Asked},
    {.name = "C1 answering blanks leaves the model; MF420 Series copies the Printer MIB total to mono",
     .identified = [](DeviceReading& r) { Identified(r, "MF420 Series"); },
     .device = Canon("   "),
     .changes = [](DeviceReading& r) { MonoTotal(r, "61000"); },
     .asked = {C1, C8}},
    {.name = "MF440 Series: the Printer MIB total and no colour; mono not touched",
     .identified = [](DeviceReading& r) { Identified(r, "MF440"); },
     .device = Canon("MF440 Series"),
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.Modelo = "MF440 Series";
             r.ContGeral = "61000";
             r.ContColor = "0";
         },
     .asked = {C1, C8}},
    {.name = "iR1643i II: total and mono from C7",
     .identified = [](DeviceReading& r) { Identified(r, "iR1643i II"); },
     .device = Canon(""),
     .changes = [](DeviceReading& r) { MonoTotal(r, "52000"); },
     .asked = {C1, C7}},
    {.name = "iR1643i whose C7 fails, without a total: the empty total is copied, then C8 read",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "iR1643i");
             r.ContGeral = "";
         },
     .device = Canon(""),
     .refused = {C7},
     .changes = [](DeviceReading& r) { MonoTotal(r, "61000"); },
     .asked = {C1, C7, C8}},
    {.name = "any model with a total of 0 and C8 answering 0: every counter 0",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "LBP623C");
             r.ContGeral = "0";
         },
     .device = Canon("LBP623C") + Rec(C8, "65|0"),
     .changes = [](DeviceReading& r) { MonoTotal(r, "0"); },
     .asked = {C1, C8}},
    {.name = "any model with a total: only the maker text, A3 and A4 0 and the model from C1",
     .identified = [](DeviceReading& r) { Identified(r, "LBP623C"); },
     .device = Canon("LBP623C/LBP623Cdw"),
     .changes =
         [](DeviceReading& r) {
             Canonical(r);
             r.Modelo = "LBP623C/LBP623Cdw";
         },
     .asked = {C1}},
    {.name = "a device that answers nothing and had no total: mono copies the empty total",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "LBP623C");
             r.ContGeral = "";
         },
     .refused = {C1, C8},
     .changes = [](DeviceReading& r) { MonoTotal(r, ""); },
     .asked = {C1, C8}},
};

TEST(ReadCanon, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadCanon, kCases);
}

} // namespace
} // namespace vorenta
