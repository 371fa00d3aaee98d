#include "collector/probing/readers/ReadBrother.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::BrotherTable;
using test::ReaderCase;
using test::Rec;

// Every counter BROTHER's MIB has, with values that tell the sums apart.
const QString kBrother = Rec(B1, "65|100") + Rec(B2, "65|20") + Rec(B3, "65|1200") + Rec(B4, "65|300") +
                         Rec(B5, "65|4000") + Rec(B6, "65|500") + Rec(B7, "65|3000") + Rec(B8, "65|9000") +
                         Rec(B9, "65|60") + Rec(B10, "65|7") + Rec(B11, "65|800") + Rec(B12, "65|10") +
                         Rec(B13, "65|20") + Rec(B14, "65|3");

const QStringList kScans = {B12, B13, B14};
const QStringList kDefaultAsked = QStringList{B3, B4, B5, B6} + kScans + QStringList{B3};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Brother";
    r.Modelo = Modelo;
    r.NSerie = "E78123K5N123456";
    r.MacAddress = "00:80:77:12:34:56";
    r.ContGeral = "5000";
}

// Colour B3 + B4 and mono B5 + B6 through their slots, scans B12 + B13 + B14.
void DefaultCounters(DeviceReading& r)
{
    r.WorkD = "1200";
    r.WorkE = "300";
    r.ContColor = "1500";
    r.WorkF = "4000";
    r.WorkG = "500";
    r.ContPb = "4500";
    r.WorkA = "10";
    r.WorkC = "3";
    r.ContScan = "33";
}

// What any model without a block of its own gets: B3 is also its A3 count, A4 the rest.
void DefaultChanges(DeviceReading& r)
{
    DefaultCounters(r);
    r.ContA3 = "1200";
    r.ContA4 = "3800";
}

const ReaderCase kCases[] = {
    {.name = "a model of no block: colour and mono in two parts, scans in three, A3 from B3, A4 the rest",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-L8900CDW series"); },
     .device = kBrother,
     .changes = DefaultChanges,
     .asked = kDefaultAsked},
    {.name = "hl-4040cdn series (any case): colour from B1, mono B5 + B6 and then B7",
     .identified = [](DeviceReading& r) { Identified(r, "hl-4040cdn series"); },
     .device = kBrother,
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.WorkD = "";
             r.WorkE = "";
             r.ContColor = "100";
             r.ContPb = "3000";
         },
     .asked = QStringList{B1, B5, B6, B7} + kScans + QStringList{B3}},
    {.name = "HL-4040CDN Series whose B7 fails keeps B5 + B6; no colour when B1 fails too",
     .identified = [](DeviceReading& r) { Identified(r, "HL-4040CDN Series"); },
     .device = kBrother,
     .refused = {B1, B7},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.WorkD = "";
             r.WorkE = "";
             r.ContColor = "";
         },
     .asked = QStringList{B1, B5, B6, B7} + kScans + QStringList{B3}},
    {.name = "MFC-9460CDN: colour B2 + B1, mono B7 + B9 + B10, an A3 count other than 0 emptied",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-9460CDN"); },
     .device = kBrother,
     .changes =
         [](DeviceReading& r) {
             DefaultCounters(r);
             r.WorkD = "20";
             r.WorkE = "100";
             r.ContColor = "120";
             r.WorkF = "7";
             r.WorkG = "60";
             r.ContPb = "3067";
         },
     .asked = QStringList{B2, B1, B5, B6, B7, B9, B10} + kScans + QStringList{B3}},
    {.name = "MFC-9460CDN whose B10 fails adds B7 twice; B3 answering 0 stays 0, no A4",
     .identified = [](DeviceReading& r) { Identified(r, "mfc-9460cdn"); },
     .device = kBrother + Rec(B3, "65|0"),
     .refused = {B10},
     .changes =
         [](DeviceReading& r) {
             DefaultCounters(r);
             r.WorkD = "20";
             r.WorkE = "100";
             r.ContColor = "120";
             r.WorkF = "3000";
             r.WorkG = "60";
             r.ContPb = "6060";
             r.ContA3 = "0";
         },
     .asked = QStringList{B2, B1, B5, B6, B7, B9, B10} + kScans + QStringList{B3}},
    {.name = "DCP-8065DN: colour ends empty although it was summed",
     .identified = [](DeviceReading& r) { Identified(r, "DCP-8065DN"); },
     .device = kBrother,
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContColor = "";
         },
     .asked = kDefaultAsked},
    {.name = "HL-4150CDN Series: total from the Printer MIB, mono and colour one blank, A3 from B3",
     .identified = [](DeviceReading& r) { Identified(r, "HL-4150CDN Series"); },
     .device = kBrother,
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContGeral = "9000";
             r.ContPb = " ";
             r.ContColor = " ";
             r.ContA4 = "7800";
         },
     .asked = QStringList{B3, B4, B5, B6, B8} + kScans + QStringList{B3}},
    {.name = "HL-4150CDN whose B3 fails: A3 stays 0 and there is no A4",
     .identified = [](DeviceReading& r) { Identified(r, "HL-4150CDN"); },
     .device = kBrother,
     .refused = {B3},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.WorkD = "";
             r.ContGeral = "9000";
             r.ContPb = " ";
             r.ContColor = " ";
             r.ContA3 = "0";
             r.ContA4 = "";
         },
     .asked = QStringList{B3, B4, B5, B6, B8} + kScans + QStringList{B3}},
    {.name = "MFC-J6935DW: B11's A3 count is replaced by B3's",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-J6935DW"); },
     .device = kBrother,
     .changes = DefaultChanges,
     .asked = QStringList{B3, B4, B5, B6, B11} + kScans + QStringList{B3}},
    {.name = "MFC-J6935DW whose second B3 fails keeps B11's A3 count",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-J6935DW"); },
     .device = kBrother,
     .refused = {{B3, 2}},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContA3 = "800";
             r.ContA4 = "4200";
         },
     .asked = QStringList{B3, B4, B5, B6, B11} + kScans + QStringList{B3}},
    {.name = "MFC-8952DW, MFC-8712DW, MFC-8157DW: A3 0 and no A4",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-8712DW"); },
     .device = kBrother,
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContA3 = "0";
             r.ContA4 = "";
         },
     .asked = kDefaultAsked},
    {.name = "B14 fails: B13's part, still in WorkC, is added again",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-L8900CDW series"); },
     .device = kBrother,
     .refused = {B14},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.WorkC = "20";
             r.ContScan = "50";
         },
     .asked = kDefaultAsked},
    {.name = "A3 above the total: no A4 count rather than a negative one",
     .identified = [](DeviceReading& r) { Identified(r, "MFC-L8900CDW series"); },
     .device = kBrother + Rec(B3, "65|6000"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.WorkD = "6000";
             r.ContColor = "6300";
             r.ContA3 = "6000";
             r.ContA4 = "";
         },
     .asked = kDefaultAsked},
    {.name = "no MAC address: B15's six raw octets, 00 first and 20 last, all kept; B16 not asked",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MFC-L8900CDW series");
             r.MacAddress = "";
         },
     .device = kBrother + Rec(B15, "4x|00807712ab20") + Rec(B16, "4x|0080770000ff"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.MacAddress = "00:80:77:12:AB:20";
         },
     .asked = QStringList{B3, B4, B5, B6} + kScans + QStringList{B15, B3}},
    {.name = "B15 answers empty: B16 is tried, its raw octets kept",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MFC-L8900CDW series");
             r.MacAddress = "";
         },
     .device = kBrother + Rec(B16, "4x|208077000000"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.MacAddress = "20:80:77:00:00:00";
         },
     .asked = QStringList{B3, B4, B5, B6} + kScans + QStringList{B15, B16, B3}},
    {.name = "a device that answers nothing: the sums are 0, no A3, the MAC address stays empty",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MFC-L8900CDW series");
             r.MacAddress = "";
         },
     .refused = test::RefusedAll(QStringList{B3, B4, B5, B6, B15, B16} + kScans),
     .changes =
         [](DeviceReading& r) {
             r.ContColor = "0";
             r.ContPb = "0";
             r.ContScan = "0";
         },
     .asked = QStringList{B3, B4, B5, B6} + kScans + QStringList{B15, B16, B3}},
};

TEST(ReadBrother, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadBrother, kCases);
}

} // namespace
} // namespace vorenta
