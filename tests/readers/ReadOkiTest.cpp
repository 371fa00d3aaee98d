#include "collector/probing/readers/ReadOki.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::OkiTable;
using test::ReaderCase;
using test::Rec;

// Status, colour parts 100 (counted twice) and 50, A4 600, A3 70 and scans 80.
const QString kOki = Rec(O1, "4|Pronto") + Rec(O4, "65|100") + Rec(O5, "65|50") + Rec(O6, "65|600") +
                     Rec(O7, "65|70") + Rec(O8, "65|80");

const QStringList kColourAndMoreAsked = {O4, O5, O6, O7, O8};
const QStringList kAlwaysAsked = QStringList{O1} + kColourAndMoreAsked;

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "OKI DATA CORP";
    r.Modelo = Modelo;
    r.NSerie = "AK1234567";
    r.ContGeral = "1000";
    r.StatusEquip = "Online";
}

// What a device answering kOki gets, with identification's total of 1000.
void DefaultChanges(DeviceReading& r)
{
    r.Fabricante = "OKI";
    r.StatusEquip = "Pronto";
    r.WorkD = "200";
    r.WorkE = "50";
    r.ContColor = "250";
    r.ContA4 = "600";
    r.ContA3 = "70";
    r.ContScan = "80";
    r.ContPb = "750";
}

const ReaderCase kCases[] = {
    {.name = "colour twice O4 plus O5, mono the total less colour, the total unchanged",
     .identified = [](DeviceReading& r) { Identified(r, "C532"); },
     .device = kOki,
     .changes = DefaultChanges,
     .asked = kAlwaysAsked},
    {.name = "a total of 0 is replaced by O3",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "C532");
             r.ContGeral = "0";
         },
     .device = kOki + Rec(O3, "65|2000"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContGeral = "2000";
             r.ContPb = "1750";
         },
     .asked = QStringList{O1, O3} + kColourAndMoreAsked},
    {.name = "MB451 takes its total from O2",
     .identified = [](DeviceReading& r) { Identified(r, "MB451"); },
     .device = kOki + Rec(O2, "65|3000"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContGeral = "3000";
             r.ContPb = "2750";
         },
     .asked = QStringList{O1, O2} + kColourAndMoreAsked},
    {.name = "mb451 is no MB451",
     .identified = [](DeviceReading& r) { Identified(r, "mb451"); },
     .device = kOki + Rec(O2, "65|3000"),
     .changes = DefaultChanges,
     .asked = kAlwaysAsked},
    {.name = "MC362: mono from O9, colour the total less that",
     .identified = [](DeviceReading& r) { Identified(r, "MC362"); },
     .device = kOki + Rec(O9, "65|600"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "600";
             r.ContColor = "400";
         },
     .asked = kAlwaysAsked + QStringList{O9}},
    {.name = "C711: mono and colour of its own, the total their sum",
     .identified = [](DeviceReading& r) { Identified(r, "C711"); },
     .device = kOki + Rec(O10, "65|700") + Rec(O11, "65|500"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "700";
             r.ContColor = "500";
             r.ContGeral = "1200";
         },
     .asked = kAlwaysAsked + QStringList{O10, O11}},
    {.name = "C711 whose mono count is answered empty keeps its total",
     .identified = [](DeviceReading& r) { Identified(r, "C711"); },
     .device = kOki + Rec(O10, "4|") + Rec(O11, "65|500"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "";
             r.ContColor = "500";
         },
     .asked = kAlwaysAsked + QStringList{O10, O11}},
    {.name = "colour above the total: no mono count, and the total stays",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "C532");
             r.ContGeral = "200";
         },
     .device = kOki,
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = ""; // not -50, which the total's sum would then read as 50
         },
     .asked = kAlwaysAsked},
    {.name = "MC780 reads colour, mono and scans from the second MIB after the total is made",
     .identified = [](DeviceReading& r) { Identified(r, "MC780"); },
     .device = kOki + Rec(T1, "65|300") + Rec(T2, "65|700") + Rec(T3, "65|90"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContColor = "300";
             r.ContPb = "700";
             r.ContScan = "90";
         },
     .asked = kAlwaysAsked + QStringList{T1, T2, T3}},
    {.name = "ES8473 runs steps 16 and 19: total from O18, mono and colour emptied, A3 0, A4 from O14",
     .identified = [](DeviceReading& r) { Identified(r, "ES8473 MFP"); },
     .device = kOki + Rec(O12, "65|800") + Rec(O13, "65|200") + Rec(O14, "65|650") + Rec(O18, "65|5000"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "";
             r.ContColor = "";
             r.ContA3 = "0";
             r.ContA4 = "650";
             r.ContGeral = "5000";
         },
     .asked = kAlwaysAsked + QStringList{O12, O13, O14, O18}},
    {.name = "MPS4242: scan parts through WorkA; T6 fails and T5's part is added again",
     .identified = [](DeviceReading& r) { Identified(r, "MPS4242mc"); },
     .device = kOki + Rec(T1, "65|300") + Rec(T2, "65|700") + Rec(T4, "65|1") + Rec(T5, "65|2") +
               Rec(T7, "65|4") + Rec(T8, "65|5"),
     .refused = {T6},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "700";
             r.ContColor = "300";
             r.ContScan = "14";
             r.WorkA = "5";
         },
     .asked = kAlwaysAsked + QStringList{T2, T1, T4, T5, T6, T7, T8}},
    {.name = "ES4172LP: O15 sets mono and total; scans O16 + O17",
     .identified = [](DeviceReading& r) { Identified(r, "ES4172LP"); },
     .device = kOki + Rec(O15, "65|3333") + Rec(O16, "65|40") + Rec(O17, "65|4"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContPb = "3333";
             r.ContGeral = "3333";
             r.ContScan = "44";
             r.WorkA = "4";
         },
     .asked = kAlwaysAsked + QStringList{O15, O16, O17}},
    {.name = "ES4172LP MFP whose O15 fails keeps mono and total",
     .identified = [](DeviceReading& r) { Identified(r, "ES4172LP MFP"); },
     .device = kOki + Rec(O16, "65|40") + Rec(O17, "65|4"),
     .refused = {O15},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContScan = "44";
             r.WorkA = "4";
         },
     .asked = kAlwaysAsked + QStringList{O15, O16, O17}},
    {.name = "ES5112: colour, A3 and A4 end empty even when O19 fails",
     .identified = [](DeviceReading& r) { Identified(r, "ES5112"); },
     .device = kOki,
     .refused = {O19},
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContColor = "";
             r.ContA3 = "";
             r.ContA4 = "";
         },
     .asked = kAlwaysAsked + QStringList{O19}},
    {.name = "ES5112 MFP: O19 gives total and mono",
     .identified = [](DeviceReading& r) { Identified(r, "ES5112 MFP"); },
     .device = kOki + Rec(O19, "65|4444"),
     .changes =
         [](DeviceReading& r) {
             DefaultChanges(r);
             r.ContColor = "";
             r.ContA3 = "";
             r.ContA4 = "";
             r.ContGeral = "4444";
             r.ContPb = "4444";
         },
     .asked = kAlwaysAsked + QStringList{O19}},
    {.name = "a device that answers nothing: colour, mono and an empty total become 0",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "C532");
             r.ContGeral = "";
         },
     .refused = test::RefusedAll(QStringList{O1, O3} + kColourAndMoreAsked),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "OKI";
             r.WorkD = "0";
             r.ContColor = "0";
             r.ContPb = "0";
             r.ContGeral = "0";
         },
     .asked = QStringList{O1, O3} + kColourAndMoreAsked},
};

TEST(ReadOki, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadOki, kCases);
}

} // namespace
} // namespace vorenta
