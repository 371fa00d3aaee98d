#include "collector/probing/readers/ReadKyocera.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::KyoceraTable;
using test::ReaderCase;
using test::Rec;

// Status, total and scans from KYOCERA's private MIB, and the Printer MIB's total.
const QString kKyocera = Rec(K1, "4|Pronto") + Rec(K2, "65|5000") + Rec(K3, "65|789") + Rec(P1, "65|7000");

const QStringList kAlwaysAsked = {K1, K2, K2, K3};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Kyocera Mita";
    r.Modelo = Modelo;
    r.NSerie = "LV91234567";
    r.ContGeral = "4990";
    r.StatusEquip = "Sleeping";
}

void AlwaysChanges(DeviceReading& r)
{
    r.Fabricante = "KYOCERA";
    r.StatusEquip = "Pronto";
    r.ContGeral = "5000";
    r.WorkG = "5000";
    r.ContScan = "789";
}

const ReaderCase kCases[] = {
    {.name = "a model of no block: status, total and scans; the other counters stay",
     .identified = [](DeviceReading& r) { Identified(r, "ECOSYS P3045dn"); },
     .device = kKyocera,
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "an empty total falls back to the Printer MIB's",
     .identified = [](DeviceReading& r) { Identified(r, "ECOSYS P3045dn"); },
     .device = kKyocera + Rec(K2, "4|"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.WorkG = "";
             r.ContGeral = "7000";
         },
     .asked = kAlwaysAsked + QStringList{P1}},
    {.name = "ECOSYS M2035dn: mono and total both from K2",
     .identified = [](DeviceReading& r) { Identified(r, "ECOSYS M2035dn"); },
     .device = kKyocera,
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContPb = "5000";
         },
     .asked = kAlwaysAsked + QStringList{K2, K2, K3}},
    {.name = "a trailing blank is another model",
     .identified = [](DeviceReading& r) { Identified(r, "ECOSYS M2035dn "); },
     .device = kKyocera,
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "so is another letter case",
     .identified = [](DeviceReading& r) { Identified(r, "ecosys m2035dn"); },
     .device = kKyocera,
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "M2040dn: scans K4 + K5, 0 when both fail",
     .identified = [](DeviceReading& r) { Identified(r, "M2040dn"); },
     .device = kKyocera,
     .refused = {K4, K5},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContScan = "0";
         },
     .asked = kAlwaysAsked + QStringList{K2, K4, K5}},
    {.name = "FS-4000DN asks P1 again after step 8: the later answer wins",
     .identified = [](DeviceReading& r) { Identified(r, "FS-4000DN"); },
     .device = kKyocera + Rec(K2, "4|"),
     .refused = {{P1, 1}},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.WorkG = "";
             r.ContGeral = "7000";
         },
     .asked = kAlwaysAsked + QStringList{P1, P1}},
    {.name = "M8124cidn: every counter; K6 fails and the K2 total left in WorkG is added to P1's",
     .identified = [](DeviceReading& r) { Identified(r, "ECOSYS M8124cidn"); },
     .device = kKyocera + Rec(K7, "65|100") + Rec(K8, "65|200") + Rec(K4, "65|10") + Rec(K5, "65|20") +
               Rec(K9, "65|9") + Rec(K10, "65|1000"),
     .refused = {K6},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContPb = "12000";
             r.WorkF = "7000";
             r.ContColor = "300";
             r.WorkD = "100";
             r.WorkE = "200";
             r.ContScan = "30";
             r.WorkA = "10";
             r.WorkB = "20";
             r.ContA3 = "9";
             r.ContA4 = "1000";
         },
     .asked = kAlwaysAsked + QStringList{P1, K6, K7, K8, K4, K5, K9, K10}},
    {.name = "a device that answers nothing keeps identification's values",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "ECOSYS P3045dn");
             r.ContGeral = "";
         },
     .refused = {K1, K2, K3, P1},
     .changes = [](DeviceReading& r) { r.Fabricante = "KYOCERA"; },
     .asked = kAlwaysAsked + QStringList{P1}},
};

TEST(ReadKyocera, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadKyocera, kCases);
}

} // namespace
} // namespace vorenta
