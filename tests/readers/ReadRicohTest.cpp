#include "collector/probing/readers/ReadRicoh.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::RicohTable;
using test::ReaderCase;
using test::Rec;

// A RICOH device's common counters and toners: mono 1000 + 200, colour 300 + 40 + 5 + 6, scan
// 70 + 7, A3 66, total 251877; toner levels "-2" (black and yellow), "-3" and "40".
const QString kCommon =
    Rec(C18, "2|1000") + Rec(C9, "2|200") + Rec(C5, "2|300") + Rec(C11, "2|40") + Rec(C63, "2|5") +
    Rec(C64, "2|6") + Rec(C73, "2|70") + Rec(C75, "2|7") + Rec(C66, "2|66") + Rec(P1, "65|251877") +
    Rec(RD1, "4|Toner preto") + Rec(RL1, "2|-2") + Rec(RD2, "4|Toner ciano") + Rec(RL2, "2|-3") +
    Rec(RD3, "4|Toner magenta") + Rec(RL3, "2|40") + Rec(RD4, "4|Toner amarelo") + Rec(RL4, "2|-2");

const QStringList kCommonAsked = {C18, C9, C5, C11, C63, C64, C73, C75, C66, P1};
const QStringList kRicohSuppliesAsked = {RD1, RL1, RD2, RL2, RD3, RL3, RD4, RL4};
const QStringList kCommonPartAsked = kCommonAsked + kRicohSuppliesAsked;

// What identification found on a RICOH device: the Printer MIB's supplies among the rest.
void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "RICOH";
    r.Modelo = Modelo;
    r.NSerie = "E205M123456";
    r.ContGeral = "250000";
    r.SupriB = "Black Toner";
    r.NivelB = "40";
    r.DurabB = "100";
    r.SupriY = "Cyan Toner";
    r.NivelY = "70";
    r.DurabY = "100";
}

// What the common part makes of kCommon.
void CommonChanges(DeviceReading& r)
{
    r.ContPb = "1200";
    r.ContColor = "351";
    r.ContScan = "77";
    r.ContA3 = "66";
    r.ContGeral = "251877";
    r.WorkF = "1000";
    r.WorkG = "200";
    r.WorkD = "6";
    r.WorkE = "40";
    r.WorkA = "70";
    r.WorkB = "7";
    r.SupriB = "Toner preto";
    r.NivelB = "1";
    r.DurabB = "10000";
    r.SupriC = "Toner ciano";
    r.NivelC = "-3";
    r.DurabC = "5500";
    r.SupriM = "Toner magenta";
    r.NivelM = "40";
    r.DurabM = "5500";
    r.SupriY = "Toner amarelo";
    r.NivelY = "1";
    r.DurabY = "5500";
}

const ReaderCase kCases[] = {
    {.name = "a model of no block: the common part and the RICOH toners",
     .identified = [](DeviceReading& r) { Identified(r, "MP C3003"); },
     .device = kCommon,
     .changes = CommonChanges,
     .asked = kCommonPartAsked},
    {.name = "C73 and P1 fail: the scan count is C75's, the total comes from C2, the A3 count from C9",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MP C3003");
             r.ContGeral = "";
         },
     .device = kCommon + Rec(P2, "4|") + Rec(C2, "2|2222") + Rec(C66, "4|"),
     .refused = {C73, P1},
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.WorkA = "";
             r.ContScan = "7";
             r.ContGeral = "2222";
             r.ContA3 = "200";
         },
     .asked = kCommonPartAsked + QStringList{P2, C2, C9}},
    {.name = "a device that answers none of RICOH's objects: sums of nothing, fixed capacities",
     .identified = [](DeviceReading& r) { Identified(r, "MP C3003"); },
     .refused = test::RefusedAll(kCommonPartAsked + QStringList{C30, C29}),
     .changes =
         [](DeviceReading& r) {
             r.ContPb = "0";
             r.ContColor = "0";
             r.ContScan = "0";
             r.DurabB = "10000";
             r.DurabC = "5500";
             r.DurabM = "5500";
             r.DurabY = "5500";
         },
     .asked = kCommonPartAsked + QStringList{C30, C29, C9}},
    {.name = "a blank model comes from M3 (M1 empty, M2 blank); mpc2504 runs B7, where C10 fails and C5's "
             "count is added again",
     .identified = [](DeviceReading& r) { Identified(r, " "); },
     .device = Rec(M2, "4|  ") + Rec(M3, "4|mpc2504") + kCommon + Rec(C3, "2|500") + Rec(C74, "2|74") +
               Rec(C71, "2|71"),
     .refused = {C10},
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.Modelo = "mpc2504";
             r.ContPb = "700";
             r.WorkF = "500";
             r.ContColor = "640"; // 300 + 40 + 300
             r.WorkD = "300";
             r.ContScan = "81";
             r.WorkA = "74";
             r.ContA3 = "71";
         },
     .asked = QStringList{M1, M2, M3} + kCommonPartAsked + QStringList{C3, C9, C5, C11, C10, C74, C75, C71} +
              kRicohSuppliesAsked},
    {.name = "an empty model comes from M5 when M1 to M3 fail and M4 is blank",
     .identified = [](DeviceReading& r) { Identified(r, ""); },
     .device = Rec(M4, "4|   ") + Rec(M5, "4|MP C3003") + kCommon,
     .refused = {M1, M2, M3},
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.Modelo = "MP C3003";
         },
     .asked = QStringList{M1, M2, M3, M4, M5} + kCommonPartAsked},
    {.name = "B1: the MP 201's colour count is emptied and F3 fills it from C3",
     .identified = [](DeviceReading& r) { Identified(r, "Aficio MP 201 "); },
     .device = kCommon + Rec(C3, "2|500"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContColor = "500";
         },
     .asked = kCommonPartAsked + QStringList{C3}},
    {.name = "B2: SP C232SF",
     .identified = [](DeviceReading& r) { Identified(r, "SP C232SF"); },
     .device = kCommon + Rec(C4, "2|400"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContGeral = "400";
             r.ContColor = "300";
         },
     .asked = kCommonPartAsked + QStringList{C4, C5}},
    {.name = "B3: aficio sp c242dn in any case",
     .identified = [](DeviceReading& r) { Identified(r, "aficio sp c242dn"); },
     .device = kCommon + Rec(C2, "2|2"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContColor = "2";
         },
     .asked = kCommonPartAsked + QStringList{C2, P1}},
    {.name = "B4: SP C430DN totals colour and mono, A3 0, and F6 recomputes the scan count from C30 and C29",
     .identified = [](DeviceReading& r) { Identified(r, " SP C430DN "); },
     .device = kCommon + Rec(C3, "2|900") + Rec(C4, "2|400") + Rec(C30, "2|30") + Rec(C29, "2|29"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContPb = "900";
             r.ContColor = "700";
             r.WorkD = "300";
             r.WorkE = "400";
             r.ContGeral = "1600";
             r.ContA3 = "0";
             r.ContScan = "59";
             r.WorkA = "30";
             r.WorkB = "29";
         },
     .asked = kCommonPartAsked + QStringList{C3, C5, C4, C30, C29}},
    {.name = "B4: an SP C440DN whose mono count is answered empty keeps the total it had",
     .identified = [](DeviceReading& r) { Identified(r, "Aficio SP C440DN"); },
     .device = kCommon + Rec(C3, "4|") + Rec(C4, "2|400") + Rec(C30, "2|30") + Rec(C29, "2|29"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContColor = "700";
             r.WorkD = "300";
             r.WorkE = "400";
             r.ContA3 = "0";
             r.ContScan = "59";
             r.WorkA = "30";
             r.WorkB = "29";
             r.ContPb = "400"; // F4
         },
     .asked = kCommonPartAsked + QStringList{C3, C5, C4, C4, C30, C29}},
    {.name = "B5: MPC2003's A4 count is the total less A3, and its toners come from the Printer MIB",
     .identified = [](DeviceReading& r) { Identified(r, "mpc2003"); },
     .device = kCommon + Rec(C21, "2|2100") + Rec(C71, "2|71") + Rec(C72, "2|72") + Rec(C46, "2|460") +
               Rec(PD1, "4|Black") + Rec(PL1, "2|-2") + Rec(PD3, "4|Cyan") + Rec(PL3, "2|30") +
               Rec(PD4, "4|Magenta") + Rec(PL4, "2|20") + Rec(PD5, "4|Yellow") + Rec(PL5, "2|15"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContColor = "2100";
             r.ContScan = "143";
             r.WorkA = "71";
             r.WorkB = "72";
             r.ContA3 = "460";
             r.ContA4 = "251417";
             r.SupriB = "Black";
             r.NivelB = "-2";
             r.SupriC = "Cyan";
             r.NivelC = "30";
             r.SupriM = "Magenta";
             r.NivelM = "20";
             r.SupriY = "Yellow";
             r.NivelY = "15";
         },
     .asked = kCommonPartAsked + QStringList{C21, C71, C72, C46, P1, PD1, PL1, PD3, PL3, PD4, PL4, PD5, PL5}},
    {.name = "B5: an A3 count above the total gives no A4 count rather than a negative one",
     .identified = [](DeviceReading& r) { Identified(r, "MPC2003"); },
     .device = kCommon + Rec(C21, "2|2100") + Rec(C46, "2|300000"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContColor = "2100";
             r.ContScan = "0";
             r.WorkA = "";
             r.WorkB = "";
             r.ContA3 = "300000";
             r.ContA4 = ""; // not -48123
             r.SupriB = r.SupriC = r.SupriM = r.SupriY = "";
             r.NivelB = r.NivelC = r.NivelM = r.NivelY = "";
         },
     .asked = kCommonPartAsked +
              QStringList{C21, C71, C72, C46, P1, PD1, PL1, PD3, PL3, PD4, PL4, PD5, PL5, C30, C29}},
    {.name = "B6: AFICIO MP 2851 adds three mono parts",
     .identified = [](DeviceReading& r) { Identified(r, "AFICIO MP 2851"); },
     .device = kCommon + Rec(C12, "2|12") + Rec(C14, "2|14") + Rec(C13, "2|13") + Rec(C26, "2|26") +
               Rec(C27, "2|27"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContPb = "39";
             r.WorkF = "13";
             r.WorkG = "14";
             r.ContScan = "53";
             r.WorkA = "26";
             r.WorkB = "27";
         },
     .asked = kCommonPartAsked + QStringList{P1, C12, C14, C13, C26, C27}},
    {.name = "B8 and B11: MPC2051 takes the Printer MIB's serial and counts A4 as the total less twice A3",
     .identified = [](DeviceReading& r) { Identified(r, "MPC2051"); },
     .device = kCommon + Rec(P4, "4|E205M999") + Rec(C74, "2|74") + Rec(C3, "2|500") + Rec(C10, "2|10") +
               Rec(C40, "2|4") + Rec(C72, "2|72"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.NSerie = "E205M999";
             r.ContPb = "700";
             r.WorkF = "500";
             r.ContColor = "354";
             r.WorkD = "4";
             r.ContScan = "142";
             r.WorkA = "72";
             r.WorkB = "70";
             r.ContA4 = "251745";
         },
     .asked = kCommonPartAsked + QStringList{P4, C73, C74} + kRicohSuppliesAsked +
              QStringList{C3, C9, C5, C11, C10, C40, C72, C73, C66, P1}},
    {.name = "B8 and B9: MPC2551 whose serial is answered empty keeps identification's",
     .identified = [](DeviceReading& r) { Identified(r, "MPC2551"); },
     .device = kCommon + Rec(P4, "4|") + Rec(C74, "2|74") + Rec(C21, "2|2100") + Rec(C22, "2|2200"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContScan = "144";
             r.WorkB = "74";
             r.ContColor = "2100";
             r.ContPb = "2200";
         },
     .asked = kCommonPartAsked + QStringList{P4, C73, C74} + kRicohSuppliesAsked + QStringList{C21, C22}},
    {.name = "B10: MPC2800 reads the common counters a second time",
     .identified = [](DeviceReading& r) { Identified(r, "MPC2800"); },
     .device = kCommon,
     .changes = CommonChanges,
     .asked = kCommonPartAsked + kCommonAsked},
    {.name = "B12: MP 1350 counts A4 from twice A3; colour and scan emptied are refilled by F3, F5 and F6",
     .identified = [](DeviceReading& r) { Identified(r, "Aficio MP 1350"); },
     .device = kCommon + Rec(C7, "2|7000") + Rec(C3, "2|500") + Rec(S16, "4|") + Rec(C30, "2|30") +
               Rec(C29, "2|29"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContA3 = "7000";
             r.ContA4 = "237877";
             r.ContColor = "500";
             r.ContScan = "59";
             r.WorkA = "30";
             r.WorkB = "29";
         },
     .asked = kCommonPartAsked + QStringList{P1, C7, C3, S16, C30, C29}},
    {.name = "B13: MP 171 ends with single blanks, mono equal to the total, and the scan count from S16",
     .identified = [](DeviceReading& r) { Identified(r, "mp 171"); },
     .device = kCommon + Rec(C25, "2|25") + Rec(C26, "2|26") + Rec(S16, "2|160"),
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContPb = "251877";
             r.WorkA = "25";
             r.WorkB = "26";
             r.ContA4 = " ";
             r.ContA3 = " ";
             r.ContColor = " ";
             r.ContScan = "160";
         },
     .asked = kCommonPartAsked + QStringList{P1, C25, C26, S16}},
    {.name = "B14: MP 4000's scan count, where C28 fails and C30's count is added again",
     .identified = [](DeviceReading& r) { Identified(r, "MP 4000"); },
     .device = kCommon + Rec(P3, "65|3000") + Rec(C30, "2|30") + Rec(C29, "2|29"),
     .refused = {C28},
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContA3 = "3000";
             r.ContScan = "89";
             r.WorkA = "30";
             r.WorkB = "29";
             r.ContColor = "0";
             r.ContA4 = "245877";
         },
     .asked = kCommonPartAsked + QStringList{P1, P3, C30, C29, C28}},
    {.name = "F8: SP 377SF's A3 count is 0 whatever the device answered",
     .identified = [](DeviceReading& r) { Identified(r, "SP 377SF"); },
     .device = kCommon,
     .changes =
         [](DeviceReading& r) {
             CommonChanges(r);
             r.ContA3 = "0";
         },
     .asked = kCommonPartAsked},
};

TEST(ReadRicoh, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadRicoh, kCases);
}

} // namespace
} // namespace vorenta
