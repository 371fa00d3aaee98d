#include "collector/probing/readers/ReadSharp.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::SharpTable;
using test::ReaderCase;
using test::Rec;

// Console text, mono 500, colour 7000, scans 80; the MX-2300N's scans 11 + 22 and mono parts
// 10000 + 2000; the MX-M314N's scans 33 + 44.
const QString kCounters = Rec(SH2, "65|500") + Rec(SH3, "65|7000") + Rec(SH4, "65|80") + Rec(SH5, "65|11") +
                          Rec(SH6, "65|22") + Rec(SH7, "65|10000") + Rec(SH8, "65|2000") + Rec(SH9, "65|33") +
                          Rec(SH10, "65|44");
const QString kSharp = Rec(SH1, "4|Pronto para copiar") + kCounters;

const QStringList kAlwaysAsked = {SH1, SH2, SH3, SH4};
const QStringList kMx2300nAsked = kAlwaysAsked + QStringList{SH5, SH6, SH7, SH8, SH2};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Sharp";
    r.Modelo = Modelo;
    r.NSerie = "05012345";
    r.ContGeral = "20000";
    r.StatusEquip = "Toner baixo";
}

void AlwaysChanges(DeviceReading& r)
{
    r.Fabricante = "SHARP";
    r.StatusEquip = "Pronto para copiar";
    r.ContPb = "500";
    r.ContColor = "7000";
    r.ContScan = "80";
}

// MX-2300N: scans SH5 + SH6, mono SH7 + SH8 + SH2, colour the total less mono.
void Mx2300nChanges(DeviceReading& r)
{
    AlwaysChanges(r);
    r.WorkA = "11";
    r.WorkC = "22";
    r.ContScan = "33";
    r.WorkF = "500";
    r.WorkG = "2000";
    r.ContPb = "12500";
    r.ContColor = "7500";
}

const ReaderCase kCases[] = {
    {.name = "a model of no block: console text, mono, colour and scans",
     .identified = [](DeviceReading& r) { Identified(r, "MX-3070N"); },
     .device = kSharp,
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "mx-2300n (any case): scans and mono of its own, colour the total less mono",
     .identified = [](DeviceReading& r) { Identified(r, "mx-2300n"); },
     .device = kSharp,
     .changes = Mx2300nChanges,
     .asked = kMx2300nAsked},
    {.name = "MX-2300N whose second SH2 fails adds SH7's part again",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MX-2300N");
             r.ContGeral = "30000";
         },
     .device = kSharp,
     .refused = {{SH2, 2}},
     .changes =
         [](DeviceReading& r) {
             Mx2300nChanges(r);
             r.WorkF = "10000";
             r.ContPb = "22000";
             r.ContColor = "8000";
         },
     .asked = kMx2300nAsked},
    {.name = "MX-2300N whose mono exceeds its total: no colour count rather than a negative one",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MX-2300N");
             r.ContGeral = "12000";
         },
     .device = kSharp,
     .changes =
         [](DeviceReading& r) {
             Mx2300nChanges(r);
             r.ContColor = "";
         },
     .asked = kMx2300nAsked},
    {.name = "MX-M314N: only the scans are its own, SH9 + SH10",
     .identified = [](DeviceReading& r) { Identified(r, "MX-M314N"); },
     .device = kSharp,
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.WorkA = "33";
             r.WorkC = "44";
             r.ContScan = "77";
         },
     .asked = kAlwaysAsked + QStringList{SH9, SH10}},
    {.name = "an empty console display replaces identification's alert text",
     .identified = [](DeviceReading& r) { Identified(r, "MX-3070N"); },
     .device = Rec(SH1, "4|") + kCounters,
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.StatusEquip = "";
         },
     .asked = kAlwaysAsked},
    {.name = "a console that does not answer keeps identification's alert text",
     .identified = [](DeviceReading& r) { Identified(r, "MX-3070N"); },
     .device = kSharp,
     .refused = {SH1},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.StatusEquip = "Toner baixo";
         },
     .asked = kAlwaysAsked},
    {.name = "a device that answers nothing: only the maker text",
     .identified = [](DeviceReading& r) { Identified(r, "MX-3070N"); },
     .refused = test::RefusedAll(kAlwaysAsked),
     .changes = [](DeviceReading& r) { r.Fabricante = "SHARP"; },
     .asked = kAlwaysAsked},
    {.name = "an MX-2300N that answers nothing: sums 0, colour the whole total",
     .identified = [](DeviceReading& r) { Identified(r, "MX-2300N"); },
     .refused = test::RefusedAll(kMx2300nAsked),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "SHARP";
             r.ContScan = "0";
             r.ContPb = "0";
             r.ContColor = "20000";
         },
     .asked = kMx2300nAsked},
};

TEST(ReadSharp, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadSharp, kCases);
}

} // namespace
} // namespace vorenta
