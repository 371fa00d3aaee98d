#include "collector/probing/readers/ReadLexmark.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ReaderCases.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using namespace test::LexmarkTable;
using test::ReaderCase;
using test::Rec;

// The thirteen scanner counters answering 1 to 13: 91 in all.
QString ScannerCounters()
{
    QString recording;
    for (std::size_t i = 0; i < kScannerCounters.size(); ++i)
        recording += Rec(kScannerCounters[i], "65|" + QString::number(i + 1));
    return recording;
}

const QStringList kScannersAsked = [] {
    QStringList oids;
    for (QLatin1StringView oid : kScannerCounters)
        oids << oid;
    return oids;
}();

// Model, serial, mono 5000, colour 300, scanners, an alert and the status "warning".
QString Lexmark(const char* model)
{
    return Rec(L1, QStringLiteral("4|") + QLatin1StringView(model)) + Rec(L3, "4|451444HH0ABC") +
           Rec(L5, "65|5000") + Rec(L6, "65|300") + ScannerCounters() + Rec(L9, "4|Bandeja 1 vazia") +
           Rec(L10, "2|3");
}

const QStringList kToScannersAsked = QStringList{L1, L3, L5, L6} + kScannersAsked;
const QStringList kAlwaysAsked = kToScannersAsked + QStringList{L9, L10};

void Identified(DeviceReading& r, const char* Modelo)
{
    r.Fabricante = "Lexmark International";
    r.Modelo = Modelo;
    r.NSerie = "451444HH0XYZ";
    r.ContGeral = "12000";
    r.StatusEquip = "Pronto";
    r.Falha = "2-TUDO OK";
}

void AlwaysChanges(DeviceReading& r)
{
    r.Fabricante = "LEXMARK";
    r.NSerie = "451444HH0ABC";
    r.ContPb = "5000";
    r.ContColor = "300";
    r.ContScan = "91";
    r.StatusEquip = "Bandeja 1 vazia";
    r.Falha = "3-Warning";
}

const ReaderCase kCases[] = {
    {.name = "a model of no block: shortened model, serial, counters, thirteen scanners, alert and status",
     .identified = [](DeviceReading& r) { Identified(r, "Lexmark MS610dn"); },
     .device = Lexmark("LEXMARK MS610dn"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "MS610dn";
         },
     .asked = kAlwaysAsked},
    {.name = "LEXMARK X264dn becomes X264dn and counts its own scans; L7 fails and V1 keeps S1's count",
     .identified = [](DeviceReading& r) { Identified(r, "X264dn"); },
     .device = Lexmark("LEXMARK X264dn") + Rec(L8, "65|20"),
     .refused = {L7},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContScan = "21";
         },
     .asked = kToScannersAsked + QStringList{L7, L8, L9, L10}},
    {.name = "Lexmark X264dn is not shortened and matches as it is",
     .identified = [](DeviceReading& r) { Identified(r, "X264dn"); },
     .device = Lexmark("Lexmark X264dn") + Rec(L7, "65|10") + Rec(L8, "65|20"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "Lexmark X264dn";
             r.ContScan = "30";
         },
     .asked = kToScannersAsked + QStringList{L7, L8, L9, L10}},
    {.name = "lexmark x264dn matches neither: the thirteen scanners stay",
     .identified = [](DeviceReading& r) { Identified(r, "X264dn"); },
     .device = Lexmark("lexmark x264dn") + Rec(L7, "65|10") + Rec(L8, "65|20"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "lexmark x264dn";
         },
     .asked = kAlwaysAsked},
    {.name = "L1 fails: identification's LEXMARK X264dn is not shortened, and is no X264dn",
     .identified = [](DeviceReading& r) { Identified(r, "LEXMARK X264dn"); },
     .device = Lexmark("") + Rec(L7, "65|10") + Rec(L8, "65|20"),
     .refused = {L1},
     .changes = AlwaysChanges,
     .asked = kAlwaysAsked},
    {.name = "Lexmark X644e matches X644E in upper case: serial from L4",
     .identified = [](DeviceReading& r) { Identified(r, "X644e"); },
     .device = Lexmark("Lexmark X644e") + Rec(L4, "4|X644SERIAL"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "Lexmark X644e";
             r.NSerie = "X644SERIAL";
         },
     .asked = QStringList{L1, L3, L4, L5, L6} + kScannersAsked + QStringList{L9, L10}},
    {.name = "model from L2 when L1 is empty; E342n's serial from L4; an empty L3 keeps the serial",
     .identified = [](DeviceReading& r) { Identified(r, "E342n"); },
     .device = Lexmark("") + Rec(L2, "4|LEXMARK E342n") + Rec(L3, "4|") + Rec(L4, "4|E342SERIAL"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.NSerie = "E342SERIAL";
         },
     .asked = QStringList{L1, L2, L3, L5, L6} + kScannersAsked + QStringList{L4, L9, L10}},
    {.name = "no alert: 2-TUDO OK without asking the status; L12 fills the empty alert",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MS610dn");
             r.Falha = "5-Inoperante";
         },
     .device = Lexmark("MS610dn") + Rec(L9, "4|") + Rec(L12, "4|Pronto para imprimir"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Falha = "2-TUDO OK";
             r.StatusEquip = "Pronto para imprimir";
         },
     .asked = kToScannersAsked + QStringList{L9, L12}},
    {.name = "an alert of blanks: 2-TUDO OK, and the blank is no empty alert for L12",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MS610dn");
             r.StatusEquip = " ";
             r.Falha = "1-Desconhecido";
         },
     .device = Lexmark("MS610dn"),
     .refused = {L9},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.StatusEquip = " ";
             r.Falha = "2-TUDO OK";
         },
     .asked = kToScannersAsked + QStringList{L9}},
    {.name = "an alert and the status 5: 5-Inoperante",
     .identified = [](DeviceReading& r) { Identified(r, "MS610dn"); },
     .device = Lexmark("MS610dn") + Rec(L10, "2|5"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Falha = "5-Inoperante";
         },
     .asked = kAlwaysAsked},
    {.name = "an alert and the status 6: identification's failure text stays",
     .identified = [](DeviceReading& r) { Identified(r, "MS610dn"); },
     .device = Lexmark("MS610dn") + Rec(L10, "2|6"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Falha = "2-TUDO OK";
         },
     .asked = kAlwaysAsked},
    {.name = "an alert and no status answer: identification's failure text stays",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MS610dn");
             r.Falha = "4-Testando";
         },
     .device = Lexmark("MS610dn"),
     .refused = {L10},
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Falha = "4-Testando";
         },
     .asked = kAlwaysAsked},
    {.name = "CS510de reads mono and colour from L13 and L14, and the reader ends",
     .identified = [](DeviceReading& r) { Identified(r, "CS510de"); },
     .device = Lexmark("LEXMARK CS510de") + Rec(L13, "65|777") + Rec(L14, "65|333"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContPb = "777";
             r.ContColor = "333";
         },
     .asked = kAlwaysAsked + QStringList{L13, L14}},
    {.name = "cs510de is no CS510",
     .identified = [](DeviceReading& r) { Identified(r, "CS510de"); },
     .device = Lexmark("cs510de") + Rec(L13, "65|777") + Rec(L14, "65|333"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.Modelo = "cs510de";
         },
     .asked = kAlwaysAsked},
    {.name = "no mono, colour or total: the fallbacks, then L13 and L14",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MS610dn");
             r.ContGeral = "";
         },
     .device = Lexmark("MS610dn") + Rec(L5, "4|") + Rec(L6, "4|") + Rec(L11, "65|12345") +
               Rec(L13, "65|777") + Rec(L14, "65|333"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContGeral = "12345";
             r.ContPb = "777";
             r.ContColor = "333";
         },
     .asked = kAlwaysAsked + QStringList{L11, L5, L6, L13, L14}},
    {.name = "mono read, colour empty: the reader ends before L14",
     .identified = [](DeviceReading& r) { Identified(r, "MS610dn"); },
     .device = Lexmark("MS610dn") + Rec(L6, "4|") + Rec(L14, "65|333"),
     .changes =
         [](DeviceReading& r) {
             AlwaysChanges(r);
             r.ContColor = "";
         },
     .asked = kAlwaysAsked + QStringList{L6}},
    {.name = "a device that answers nothing keeps identification's values; the scan count is 0",
     .identified =
         [](DeviceReading& r) {
             Identified(r, "MS610dn");
             r.StatusEquip = "Toner baixo";
             r.Falha = "3-Warning";
         },
     .refused = test::RefusedAll(kAlwaysAsked + QStringList{L13, L14}),
     .changes =
         [](DeviceReading& r) {
             r.Fabricante = "LEXMARK";
             r.ContScan = "0";
         },
     .asked = kAlwaysAsked + QStringList{L5, L6, L13, L14}},
};

TEST(ReadLexmark, RecordedDevicesOverUdp)
{
    test::RunReaderCases(ReadLexmark, kCases);
}

} // namespace
} // namespace vorenta
