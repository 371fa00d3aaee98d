#include "collector/probing/readers/ReadHp.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/ScriptedSnmpSource.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::HpTable;
using test::ReaderCase;
using test::Rec;

const QString kMono = Rec(H2, "65|48211");

const ReaderCase kCases[] = {
    {.name = "P4015 in lower case gets its total from H5; H1 empty falls back to H2",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "Hewlett-Packard";
             r.Modelo = "hp laserjet p4015";
             r.ContGeral = "100";
         },
     .device = kMono + Rec(H4, "4x|2050726f6e746f200d0a") + Rec(H5, "65|48999"),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.ContPb = "48211";
             r.ContColor = "48211"; // step 14
             r.StatusEquip = "Pronto";
             r.ContGeral = "48999";
         },
     .asked = {H1, H2, H3, H4, H5, H1, H2}},
    {.name = "X476DW is asked H1 to H4 twice",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP Officejet Pro X476dw MFP";
         },
     .device = Rec(H1, "65|1200") + Rec(H2, "65|3400") + Rec(H3, "65|560") + Rec(H4, "4|Sleep mode on") +
               Rec(H8, "65|4600"),
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "1200";
             r.ContPb = "3400";
             r.ContScan = "560";
             r.StatusEquip = "Sleep mode on";
             r.ContGeral = "4600"; // step 13
         },
     .asked = {H1, H2, H3, H4, H1, H2, H3, H4, H8}},
    {.name = "X476DW: the second round fills what the first GETs missed",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP OFFICEJET PRO X476DW MFP";
             r.ContGeral = "1";
         },
     .device = Rec(H1, "65|250") + Rec(H2, "65|900") + Rec(H4, "4|Pronto"),
     .refused = {{H1, 1}, {H4, 1}},
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "250";
             r.ContPb = "900";
             r.StatusEquip = "Pronto";
         },
     .asked = {H1, H2, H3, H4, H1, H2, H3, H4}},
    {.name = "CP2025DN reads its jams from H6",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP Color LaserJet CP2025dn";
             r.ContGeral = "9000";
         },
     .device =
         Rec(H1, "65|4000") + Rec(H2, "65|5000") + Rec(H3, "65|0") + Rec(H4, "4|Ready") + Rec(H6, "65|17"),
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "4000";
             r.ContPb = "5000";
             r.ContScan = "0";
             r.StatusEquip = "Ready";
             r.ContJams = "17";
         },
     .asked = {H1, H2, H3, H4, H2, H1, H6}},
    {.name = "H1 fails and H2 answers: both counters are H2's",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP Inc.";
             r.Modelo = "HP LaserJet M402dn";
             r.ContGeral = "700";
         },
     .device = kMono,
     .refused = {H1},
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.ContPb = "48211";
             r.ContColor = "48211";
             r.StatusEquip = ""; // H4 answered noSuchName: empty
         },
     .asked = {H1, H2, H3, H4, H1, H2}},
    {.name = "H2 fails and H7 answers",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP LaserJet 4250";
             r.ContGeral = "800";
         },
     .device = Rec(H1, "65|300") + Rec(H7, "65|1200"),
     .refused = {H2},
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "300";
             r.ContPb = "1200";
         },
     .asked = {H1, H2, H3, H4, H2, H7}},
    {.name = "H2 fails, H7 answers, H1 fails: the colour counter stays empty",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP LaserJet 4250";
             r.ContGeral = "800";
         },
     .device = Rec(H7, "65|1200"),
     .refused = {H1, H2},
     .changes = [](DeviceReading& r) { r.ContPb = "1200"; },
     .asked = {H1, H2, H3, H4, H2, H1, H7, H2}},
    {.name = "empty total filled from H8",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP LaserJet M402dn";
         },
     .device = kMono + Rec(H1, "65|0") + Rec(H8, "65|52000"),
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "0";
             r.ContPb = "48211";
             r.ContGeral = "52000";
         },
     .asked = {H1, H2, H3, H4, H8}},
    {.name = "an empty answer empties the field and wakes the fallbacks",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "HP";
             r.Modelo = "HP LaserJet M402dn";
             r.ContGeral = "900";
             r.ContPb = "5";
             r.ContColor = "6";
         },
     .device = Rec(H1, "4|") + Rec(H2, "4| ") + Rec(H7, "65|880"),
     .changes =
         [](DeviceReading& r) {
             r.ContPb = "880";
             r.ContColor = "";
         },
     .asked = {H1, H2, H3, H4, H2, H1, H7, H2}},
    {.name = "a device that answers nothing keeps identification's values",
     .identified =
         [](DeviceReading& r) {
             r.Fabricante = "Hewlett-Packard";
             r.Modelo = "HP LaserJet P4015";
             r.ContGeral = "10";
             r.ContColor = "11";
             r.ContPb = "12";
             r.ContScan = "13";
             r.StatusEquip = "Pronto";
         },
     .refused = {H1, H2, H3, H4, H5, H6, H7, H8},
     .changes = [](DeviceReading& r) { r.Fabricante = "HP"; },
     .asked = {H1, H2, H3, H4, H5}},
};

TEST(ReadHp, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadHp, kCases);
}

TEST(ReadHp, TheX476dwSecondAnswerWins)
{
    test::ScriptedSnmpSource device;
    device.inTurn(H2, {test::Answers("900"), test::Answers("901")});
    DeviceReading reading;
    reading.Modelo = "HP OFFICEJET PRO X476DW MFP";

    ReadHp(reading, "127.0.0.9", device);

    EXPECT_EQ(reading.ContPb, "901");
}

} // namespace
} // namespace vorenta
