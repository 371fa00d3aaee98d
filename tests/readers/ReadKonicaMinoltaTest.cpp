#include "collector/probing/readers/ReadKonicaMinolta.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::KonicaMinoltaTable;
using test::ReaderCase;
using test::Rec;

// Mono 1000 + 200 + 30, colour 400 + 50 + 6 + 7, A4 2500, A3 700, scans 90, the C754e's total 20000.
const QString kKonicaMinolta = Rec(K1, "65|1000") + Rec(K2, "65|200") + Rec(K3, "65|30") + Rec(K4, "65|400") +
                               Rec(K5, "65|50") + Rec(K6, "65|6") + Rec(K7, "65|7") + Rec(K8, "65|2500") +
                               Rec(K9, "65|700") + Rec(K10, "65|90") + Rec(K11, "65|20000");

const QStringList kAlwaysAsked = {K1, K2, K3, K4, K5, K6, K7, K8, K9, K10};
const QStringList kC754eAsked = kAlwaysAsked + QStringList{K4, K5, K10, K11};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Konica Minolta";
    r.Modelo = Modelo;
    r.NSerie = "A5C0021012345";
    r.ContGeral = "19000";
}

void AlwaysChanges(DeviceReading& r)
{
    r.Fabricante = "KONICA MINOLTA";
    r.WorkF = "1000";
    r.WorkG = "30";
    r.ContPb = "1230";
    r.WorkD = "400";
    r.WorkE = "7";
    r.ContColor = "463";
    r.ContA4 = "2500";
    r.ContA3 = "700";
    r.ContScan = "90";
}

// The C754e block after steps 1 to 9: two-part colour, no A3 or A4, its own total, mono the rest.
void C754eChanges(DeviceReading& r)
{
    AlwaysChanges(r);
    r.Modelo = "BIZHUB C754E";
    r.WorkE = "50";
    r.ContColor = "450";
    r.ContA4 = "";
    r.ContA3 = "";
    r.ContGeral = "20000";
    r.ContPb = "19550";
}

const ReaderCase kCases[] = {
    {.name = "another bizhub: mono in three parts, colour in four, A4, A3 and scans",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C458"); },
     .device = kKonicaMinolta,
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "K3 fails: K2's part, still in WorkG, is added again",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C458"); },
     .device = kKonicaMinolta,
     .refused = {K3},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.WorkG = "200";
             r.ContPb = "1400";
         },
     .asked = kAlwaysAsked},
    {.name = "K6 and K7 fail: K5's part is added twice more",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C458"); },
     .device = kKonicaMinolta,
     .refused = {K6, K7},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.WorkE = "50";
             r.ContColor = "550";
         },
     .asked = kAlwaysAsked},
    {.name = "K8 fails and A4 stays empty; K9 answered empty gives an A3 count of 0",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C458"); },
     .device = kKonicaMinolta + Rec(K9, "4|"),
     .refused = {K8},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContA4 = "";
             r.ContA3 = "0";
         },
     .asked = kAlwaysAsked},
    {.name = "KONICA MINOLTA bizhub C754e: the maker's name removed, upper case, the C754e's counters",
     .identified = [](DeviceReading& r) { Identified(r, "KONICA MINOLTA bizhub C754e"); },
     .device = kKonicaMinolta,
     .changes = C754eChanges,
     .asked = kC754eAsked},
    {.name = "Konica Minolta bizhub C754e runs the block, but the removal is case-sensitive",
     .identified = [](DeviceReading& r) { Identified(r, "Konica Minolta bizhub C754e"); },
     .device = kKonicaMinolta,
     .changes =
         [](DeviceReading& r) {
             C754eChanges(r);
             r.Modelo = "KONICA MINOLTA BIZHUB C754E";
         },
     .asked = kC754eAsked},
    {.name = "bizhub c754e whose second K5 fails adds K7's part, left in WorkE",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub c754e"); },
     .device = kKonicaMinolta,
     .refused = {{K5, 2}},
     .changes =
         [](DeviceReading& r) {
             C754eChanges(r);
             r.WorkE = "7";
             r.ContColor = "407";
             r.ContPb = "19593";
         },
     .asked = kC754eAsked},
    {.name = "C754e whose colour exceeds its total: no mono count rather than a negative one",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C754e"); },
     .device = kKonicaMinolta + Rec(K11, "65|300"),
     .changes =
         [](DeviceReading& r) {
             C754eChanges(r);
             r.ContGeral = "300";
             r.ContPb = "";
         },
     .asked = kC754eAsked},
    {.name = "a device that answers nothing: mono and colour 0, A3, A4 and scans not read",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C458"); },
     .refused = test::RefusedAll(kAlwaysAsked),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "KONICA MINOLTA";
             r.ContPb = "0";
             r.ContColor = "0";
         },
     .asked = kAlwaysAsked},
    {.name = "a C754e that answers nothing: mono is identification's total less 0",
     .identified = [](DeviceReading& r) { Identified(r, "bizhub C754e"); },
     .refused = test::RefusedAll(kC754eAsked),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "KONICA MINOLTA";
             r.Modelo = "BIZHUB C754E";
             r.ContColor = "0";
             r.ContPb = "19000";
         },
     .asked = kC754eAsked},
};

TEST(ReadKonicaMinolta, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadKonicaMinolta, kCases);
}

} // namespace
} // namespace vorenta
