#include "collector/probing/readers/ReadEpson.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::EpsonTable;
using test::ReaderCase;
using test::Rec;

const QStringList kAsked = {E1, E2, E3, E4, E5};

// EPSON's model text, mono 3000, colour 2000, scans 1500 + 25.
QString Epson(const char* model)
{
    return Rec(E1, QStringLiteral("4|") + QLatin1StringView(model)) + Rec(E2, "65|3000") +
           Rec(E3, "65|2000") + Rec(E4, "65|1500") + Rec(E5, "65|25");
}

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Epson";
    r.Modelo = Modelo;
    r.NSerie = "X5E1234567";
    r.ContGeral = "5000";
}

void Counters(DeviceReading& r)
{
    r.Fabricante = "EPSON";
    r.ContPb = "3000";
    r.ContColor = "2000";
    r.WorkA = "1500";
    r.WorkC = "25";
    r.ContScan = "1525";
}

const ReaderCase kCases[] = {
    {.name = "E1's L4160 Series replaces the model and, any case, means no A3 pages",
     .identified = [](DeviceReading& r) { Identified(r, "L4160"); },
     .device = Epson("L4160 Series"),
     .changes =
         [](DeviceReading& r) {
             Counters(r);
             r.Modelo = "L4160 Series";
             r.ContA3 = "0";
         },
     .asked = kAsked},
    {.name = "another model: A3 is not touched",
     .identified = [](DeviceReading& r) { Identified(r, "ET-4750"); },
     .device = Epson("ET-4750 Series"),
     .changes =
         [](DeviceReading& r) {
             Counters(r);
             r.Modelo = "ET-4750 Series";
         },
     .asked = kAsked},
    {.name = "E1 answered empty empties the model, and the L4160 test then fails",
     .identified = [](DeviceReading& r) { Identified(r, "L4160 Series"); },
     .device = Epson(""),
     .changes =
         [](DeviceReading& r) {
             Counters(r);
             r.Modelo = "";
         },
     .asked = kAsked},
    {.name = "E1 fails: identification's l4160 series stays and is tested",
     .identified = [](DeviceReading& r) { Identified(r, "l4160 series"); },
     .device = Epson("unused"),
     .refused = {E1},
     .changes =
         [](DeviceReading& r) {
             Counters(r);
             r.ContA3 = "0";
         },
     .asked = kAsked},
    {.name = "E5 fails: the scans are E4's alone",
     .identified = [](DeviceReading& r) { Identified(r, "ET-4750 Series"); },
     .device = Epson("ET-4750 Series"),
     .refused = {E5},
     .changes =
         [](DeviceReading& r) {
             Counters(r);
             r.WorkC = "";
             r.ContScan = "1500";
         },
     .asked = kAsked},
    {.name = "a device that answers nothing: only the maker text and a scan count of 0",
     .identified = [](DeviceReading& r) { Identified(r, "L4160 Series"); },
     .refused = test::RefusedAll(kAsked),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "EPSON";
             r.ContScan = "0";
             r.ContA3 = "0";
         },
     .asked = kAsked},
};

TEST(ReadEpson, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadEpson, kCases);
}

} // namespace
} // namespace vorenta
