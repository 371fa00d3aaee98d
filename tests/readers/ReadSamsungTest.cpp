#include "collector/probing/readers/ReadSamsung.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::SamsungTable;
using test::ReaderCase;
using test::Rec;

// Model name, scans 10 then 120, colour 300, mono 900, total 93120, A3 30.
QString Samsung(const char* model)
{
    return Rec(S1, QStringLiteral("4|") + QLatin1StringView(model)) + Rec(S2, "65|10") + Rec(S3, "65|300") +
           Rec(S4, "65|900") + Rec(P1, "65|93120") + Rec(S5, "65|120") + Rec(S6, "65|30");
}

const QStringList kAlwaysAsked = {S1, S2, S3, S4, P1, S5, S6};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "SAMSUNG";
    r.Modelo = Modelo;
    r.NSerie = "ZDDBB07K4000Y2X";
    r.ContGeral = "93000";
    r.StatusEquip = "Pronto";
}

void AlwaysChanges(DeviceReading& r)
{
    r.ContScan = "120";
    r.ContColor = "300";
    r.ContPb = "900";
    r.ContGeral = "93120";
    r.ContA3 = "30";
}

const ReaderCase kCases[] = {
    {.name = "the private model name replaces identification's; the later scan answer wins",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "Samsung M4070 Series");
             r.Fabricante = "Samsung Electronics";
         },
     .device = Samsung("M4070 Series"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Fabricante = "SAMSUNG";
             r.Modelo = "M4070 Series";
         },
     .asked = kAlwaysAsked},
    {.name = "S5 fails: the scan count S2 gave stays",
     .identified = [](DeviceReading& r) { Identified(r, "Samsung M4070 Series"); },
     .device = Samsung("M4070 Series"),
     .refused = {S5},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "M4070 Series";
             r.ContScan = "10";
         },
     .asked = kAlwaysAsked},
    {.name = "S1 answered empty empties the model",
     .identified = [](DeviceReading& r) { Identified(r, "Samsung M4070 Series"); },
     .device = Samsung(""),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "";
         },
     .asked = kAlwaysAsked},
    {.name = "S1 fails: identification's model K4250RX stays, and its total is P1 less S10",
     .identified = [](DeviceReading& r) { Identified(r, "K4250RX"); },
     .device = Samsung("") + Rec(S8, "65|8") + Rec(S9, "65|9") + Rec(S10, "65|120"),
     .refused = {S1},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContScan = "17";
             r.WorkA = "8";
             r.WorkB = "9";
             r.WorkH = "120";
             r.ContGeral = "93000";
         },
     .asked = kAlwaysAsked + QStringList{S8, S9, P1, S10}},
    {.name = "K4250RX whose S10 fails: WorkH is still empty and the total is P1's",
     .identified = [](DeviceReading& r) { Identified(r, "Samsung K4250RX"); },
     .device = Samsung("K4250RX") + Rec(S8, "65|8") + Rec(S9, "65|9"),
     .refused = {S10},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "K4250RX";
             r.ContScan = "17";
             r.WorkA = "8";
             r.WorkB = "9";
         },
     .asked = kAlwaysAsked + QStringList{S8, S9, P1, S10}},
    {.name = "K4250RX whose S10 exceeds the total gets no total rather than a negative one",
     .identified = [](DeviceReading& r) { Identified(r, "K4250RX"); },
     .device = Samsung("K4250RX") + Rec(S8, "65|8") + Rec(S9, "65|9") + Rec(S10, "65|100000"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContScan = "17";
             r.WorkA = "8";
             r.WorkB = "9";
             r.WorkH = "100000";
             r.ContGeral = ""; // not -6880
         },
     .asked = kAlwaysAsked + QStringList{S8, S9, P1, S10}},
    {.name = "k4250rx is no K4250RX",
     .identified = [](DeviceReading& r) { Identified(r, "k4250rx"); },
     .device = Samsung("k4250rx") + Rec(S8, "65|8") + Rec(S9, "65|9") + Rec(S10, "65|120"),
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "M337x 387x 407x Series takes its scans from S7",
     .identified = [](DeviceReading& r) { Identified(r, "Samsung M337x 387x 407x Series"); },
     .device = Samsung("M337x 387x 407x Series") + Rec(S7, "65|555"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "M337x 387x 407x Series";
             r.ContScan = "555";
         },
     .asked = kAlwaysAsked + QStringList{S7}},
    {.name = "a device that answers nothing keeps identification's values",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "Samsung M4070 Series");
             r.Fabricante = "Samsung Electronics Ltd";
         },
     .refused = test::RefusedAll(kAlwaysAsked),
     .changes = [](DeviceReading& r) { r.Fabricante = "SAMSUNG"; },
     .asked = kAlwaysAsked},
};

TEST(ReadSamsung, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadSamsung, kCases);
}

} // namespace
} // namespace vorenta
