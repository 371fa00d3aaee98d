#pragma once

// Recorded devices and what identification must make of them, shared by the unit test (scripted
// source) and the test over UDP against the fixture agent.

#include "collector/probing/IdentifyDevice.h"
#include "common/Windows1252.h"
#include "tests/support/ScriptedSnmpSource.h"

#include <QStringList>

#include <functional>

namespace vorenta::test {

using namespace IdentificationOid;

// ifPhysAddress 00 1B A9 12 34 56 as SnmpGet delivers it: one character per octet.
inline const QString kRawMac = DecodeWindows1252(std::string_view("\x00\x1B\xA9\x12\x34\x56", 6));

/// The GETs of an identified device after its serial number was found: model, MAC, counter,
/// alert, state, location, then description, level and capacity of supplies 1 to 4.
inline QStringList IdentifiedTail()
{
    QStringList oids = {G16, G17, G18, G19, G20, G21};
    for (const MarkerSupply& supply : kMarkerSupplies)
        oids << supply.descriptionOid << supply.levelOid << supply.maxCapacityOid;
    return oids;
}

/// What a device that answers nothing is asked, in order.
inline const QStringList kSilentSequence = {G1, G2, G4, G3, G5, G6, G7, G8, G9, G10, G13, G15, G6};

struct IdentifyCase {
    const char* name;
    std::function<void(ScriptedSnmpSource&)> device;
    std::function<void(DeviceReading&)> expected; // applied to a reading holding only IP
    QStringList asked;                            // empty: order not checked
    QStringList log;
};

// A device found through prtGeneralSerialNumber whose G1 and G2 give empty values, so the
// manufacturer comes from the fall-back objects.
inline void SerialInPrinterMibOnly(ScriptedSnmpSource& d)
{
    d.set(G1, "").set(G2, "").set(G3, "S3").set(G11, "").set(G12, "").set(G14, "");
}

inline const QStringList kFallbackPrefix = {G1, G2, G4, G3, G11, G12, G13, G14};

inline const IdentifyCase kIdentifyCases[] = {
    {"nothing answers",
     [](ScriptedSnmpSource&) {},
     [](DeviceReading& e) { e.Fabricante = "EPSON"; },
     kSilentSequence,
     {}},
    {"every object answered with noSuchName",
     [](ScriptedSnmpSource& d) { d.answersNoSuchName = true; },
     [](DeviceReading& e) { e.Fabricante = "EPSON"; },
     kSilentSequence,
     {}},
    {"Samsung Electronics",
     [](ScriptedSnmpSource& d) {
         d.answersNoSuchName = true;
         d.set(G1, "Samsung Electronics").set(G3, " ZDBX123 ").set(G16, "Samsung M332x Series");
     },
     [](DeviceReading& e) {
         e.Fabricante = "SAMSUNG";
         e.NSerie = "ZDBX123";
         e.Modelo = "Samsung M332x Series"; // removal of "SAMSUNG" is case-sensitive
         e.Falha = "1-Desconhecido";
     },
     QStringList{G1, G3, G13} + IdentifiedTail(),
     {"MAC1: "}},
    {"samsung electronics ltd in lower case",
     [](ScriptedSnmpSource& d) { d.set(G1, "samsung electronics ltd").set(G3, "Z1"); },
     [](DeviceReading& e) {
         e.Fabricante = "SAMSUNG";
         e.NSerie = "Z1";
     },
     QStringList{G1, G3, G13} + IdentifiedTail(),
     {}},
    {"a longer Samsung text is not recognised",
     [](ScriptedSnmpSource& d) { d.set(G1, "Samsung Electronics Co.").set(G3, "Z2"); },
     [](DeviceReading& e) {
         e.Fabricante = "Samsung Electronics Co.";
         e.NSerie = "Z2";
     },
     QStringList{G1, G4, G3, G13} + IdentifiedTail(),
     {}},
    {"serial number only in the Lexmark object",
     [](ScriptedSnmpSource& d) {
         d.answersNoSuchName = true;
         d.set(G9, "LXK5678").set(G16, "Lexmark MS610dn");
     },
     [](DeviceReading& e) {
         e.Fabricante = "LEXMARK";
         e.NSerie = "LXK5678";
         e.Modelo = "Lexmark MS610dn";
         e.Falha = "1-Desconhecido";
     },
     QStringList{G1, G2, G4, G3, G5, G6, G7, G8, G9, G13} + IdentifiedTail(),
     {"MAC1: "}},
    {"HP device-ID text",
     [](ScriptedSnmpSource& d) {
         d.set(G15, "MFG:HP;MDL:HP LaserJet 600 M602;CLS:PRINTER;SN:JPBF123456;")
             .set(G16, "HP LaserJet 600 M602");
     },
     [](DeviceReading& e) {
         e.Fabricante = "HP";
         e.NSerie = "JPBF123456";
         e.Modelo = "LaserJet 600 M602";
         e.DeviceIdString = "MFG:HP;MDL:HP LaserJet 600 M602;CLS:PRINTER;SN:JPBF123456;";
     },
     kSilentSequence.first(12) + IdentifiedTail(),
     {}},
    {"HP device-ID text without hrDeviceDescr keeps its model",
     [](ScriptedSnmpSource& d) { d.set(G15, "MFG:HP;MDL:HP LaserJet 600 M602;CLS:PRINTER;SN:JPBF123456;"); },
     [](DeviceReading& e) {
         e.Fabricante = "HP";
         e.NSerie = "JPBF123456";
         e.Modelo = "HP LaserJet 600 M602";
         e.DeviceIdString = "MFG:HP;MDL:HP LaserJet 600 M602;CLS:PRINTER;SN:JPBF123456;";
     },
     {},
     {}},
    {"device-ID text of Hewlett-Packard is no match",
     [](ScriptedSnmpSource& d) { d.set(G15, "MFG:Hewlett-Packard;MDL:X;SN:Y;"); },
     [](DeviceReading& e) {
         e.Fabricante = "EPSON";
         e.DeviceIdString = "MFG:Hewlett-Packard;MDL:X;SN:Y;";
     },
     kSilentSequence,
     {}},
    {"manufacturer from prtOutputVendorName",
     [](ScriptedSnmpSource& d) {
         SerialInPrinterMibOnly(d);
         d.set(G11, "Acme Output");
     },
     [](DeviceReading& e) {
         e.Fabricante = "Acme Output";
         e.NSerie = "S3";
     },
     QStringList{G1, G2, G4, G3, G11, G13} + IdentifiedTail(),
     {}},
    {"manufacturer from prtInputVendorName",
     [](ScriptedSnmpSource& d) {
         SerialInPrinterMibOnly(d);
         d.set(G12, "Acme Input");
     },
     [](DeviceReading& e) {
         e.Fabricante = "Acme Input";
         e.NSerie = "S3";
     },
     QStringList{G1, G2, G4, G3, G11, G12, G13} + IdentifiedTail(),
     {}},
    {"manufacturer from the ppm device ID naming Kyocera",
     [](ScriptedSnmpSource& d) {
         SerialInPrinterMibOnly(d);
         d.set(G14, "MFG:Kyocera;CMD:PJL;");
     },
     [](DeviceReading& e) {
         e.Fabricante = "KYOCERA";
         e.NSerie = "S3";
     },
     kFallbackPrefix + IdentifiedTail(),
     {}},
    {"sysDescr naming HP",
     [](ScriptedSnmpSource& d) {
         SerialInPrinterMibOnly(d);
         d.set(G13, "HP ETHERNET MULTI-ENVIRONMENT");
     },
     [](DeviceReading& e) {
         e.Fabricante = "HP";
         e.NSerie = "S3";
     },
     kFallbackPrefix + QStringList{G13} + IdentifiedTail(),
     {}},
    {"sysDescr naming no maker is kept",
     [](ScriptedSnmpSource& d) {
         SerialInPrinterMibOnly(d);
         d.set(G13, " Acme Printer ");
     },
     [](DeviceReading& e) {
         e.Fabricante = "Acme Printer";
         e.NSerie = "S3";
     },
     kFallbackPrefix + QStringList{G13} + IdentifiedTail(),
     {}},
    {"sysDescr of Kyocera overrides the manufacturer",
     [](ScriptedSnmpSource& d) {
         d.set(G1, "Generic Corp").set(G4, "KYO123").set(G13, "Kyocera Mita Printing System");
     },
     [](DeviceReading& e) {
         e.Fabricante = "KYOCERA";
         e.NSerie = "KYO123";
     },
     QStringList{G1, G4, G13} + IdentifiedTail(),
     {}},
    {"RICOH model loses both occurrences of the manufacturer",
     [](ScriptedSnmpSource& d) {
         d.set(G2, "RICOH").set(G6, "E123").set(G16, "RICOH MP C2504 1.00 / RICOH Network Printer C model");
     },
     [](DeviceReading& e) {
         e.Fabricante = "RICOH";
         e.NSerie = "E123";
         e.Modelo = "MP C2504 1.00 /  Network Printer C model";
     },
     QStringList{G1, G2, G4, G3, G5, G6, G13} + IdentifiedTail(),
     {}},
    {"counters, state, location, supplies and MAC address",
     [](ScriptedSnmpSource& d) {
         d.answersNoSuchName = true;
         d.set(G1, "Acme").set(G3, "S9").set(G17, kRawMac).set(G18, " 12345 ").set(G19, "Sleep mode");
         d.set(G20, "2").set(G21, "Sala 2");
         const auto& [s1, s2, s3, s4] = kMarkerSupplies;
         d.set(s1.descriptionOid, "Black Toner").set(s1.levelOid, "-3").set(s1.maxCapacityOid, "-3");
         d.set(s2.levelOid, "-1").set(s2.maxCapacityOid, "-2");
         d.set(s3.levelOid, "45").set(s3.maxCapacityOid, "100");
         d.set(s4.levelOid, ""); // answered empty: the level is emptied, not "N/D"
     },
     [](DeviceReading& e) {
         e.Fabricante = "Acme";
         e.NSerie = "S9";
         e.MacAddress = "00:1B:A9:12:34:56";
         e.ContGeral = "12345";
         e.StatusEquip = "Sleep mode";
         e.Falha = "2-TUDO OK";
         e.DeviceLocation = "Sala 2";
         e.SupriB = "Black Toner";
         e.NivelB = "OK";
         e.DurabB = "-3";
         e.NivelY = "N/D";
         e.DurabY = "N/D";
         e.NivelC = "45";
         e.DurabC = "100";
     },
     QStringList{G1, G4, G3, G13} + IdentifiedTail(),
     {"MAC1: 00:1B:A9:12:34:56"}},
    {"hrDeviceStatus not answered leaves Falha empty",
     [](ScriptedSnmpSource& d) { d.set(G1, "Acme").set(G3, "S9"); },
     [](DeviceReading& e) {
         e.Fabricante = "Acme";
         e.NSerie = "S9";
     },
     {},
     {}},
};

} // namespace vorenta::test
