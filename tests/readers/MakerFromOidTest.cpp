#include "collector/probing/MakerFromOid.h"
#include "collector/probing/ManufacturerDispatch.h"
#include "tests/readers/MakerTables.h"
#include "tests/support/ScriptedSnmpSource.h"

#include <gtest/gtest.h>

#include <optional>

namespace vorenta {
namespace {

using test::Answers;
using test::NoAnswer;
using test::ScriptedSnmpSource;

TEST(MakerOfSysObjectId, NamesTheMakerOfAnEnterpriseNumberAndNothingElse)
{
    const struct {
        const char* value;
        const char* maker; // nullptr: no maker
    } cases[] = {
        {"1.3.6.1.4.1.2435.2.3.9.1", "BROTHER"},
        {"1.3.6.1.4.1.641.1.5.7", "LEXMARK"},
        {"1.3.6.1.4.1.236.11.5.1", "SAMSUNG"},
        {"1.3.6.1.4.1.2001.1.1.1.1", "OKI"},
        {"1.3.6.1.4.1.1347.41", "KYOCERA"}, // also what Kyocera-built OEM devices report
        {"1.3.6.1.4.1.367.1.1", "RICOH"},
        {"1.3.6.1.4.1.11.2.3.9.1", "HP"},
        {"1.3.6.1.4.1.2385.3.1.41", "SHARP"},
        {"1.3.6.1.4.1.1248.1.1.2", "EPSON"},
        {"1.3.6.1.4.1.18334.1.1.1.2.1.250", "KONICA MINOLTA"},
        {"1.3.6.1.4.1.1602.4.7", "CANON"},
        {"1.3.6.1.4.1.2385", "SHARP"}, // the enterprise's own arc
        // No maker: an enterprise without a reader, a number that only starts like one, values
        // that are no OID under the enterprises arc.
        {"1.3.6.1.4.1.253.8.62.1.20", nullptr}, // Xerox
        {"1.3.6.1.4.1.23850.1", nullptr},
        {"1.3.6.1.4.1.1.2385", nullptr},
        {"1.3.6.1.4.12385.1", nullptr},
        {"1.3.6.1.4.1.", nullptr},
        {"1.3.6.1.4.1.2385.", nullptr},
        {"1.3.6.1.4.1.+2385.1", nullptr},
        {"1.3.6.1.4.1.x.1", nullptr},
        {"1.3.6.1.4.1.99999999999999999999.1", nullptr},
        {".1.3.6.1.4.1.2385.1", nullptr},
        {"1.3.6.1.2.1.1.2.0", nullptr},
        {"SHARP", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<QLatin1StringView> maker = MakerOfSysObjectId(QString::fromLatin1(c.value));
        if (c.maker)
            EXPECT_EQ(maker, QLatin1StringView(c.maker)) << c.value;
        else
            EXPECT_EQ(maker, std::nullopt) << c.value;
    }
}

// The dispatch with the fallback off and on, over devices as identification leaves them: which
// reader ran (its GETs), the Fabricante stored, and every OID asked in order. The device answers
// every object it lacks with noSuchName (empty), as a v1 agent does.
TEST(DispatchManufacturer, AsksSysObjectIdOnlyWhenOnAndNoReaderHolds)
{
    const QString sharpOid = QStringLiteral("1.3.6.1.4.1.2385.3.1.41");
    const QStringList sharp = {test::SharpTable::SH1, test::SharpTable::SH2, test::SharpTable::SH3,
                               test::SharpTable::SH4};
    const QStringList konicaMinolta = {test::KonicaMinoltaTable::K1, test::KonicaMinoltaTable::K2,
                                       test::KonicaMinoltaTable::K3, test::KonicaMinoltaTable::K4,
                                       test::KonicaMinoltaTable::K5, test::KonicaMinoltaTable::K6,
                                       test::KonicaMinoltaTable::K7, test::KonicaMinoltaTable::K8,
                                       test::KonicaMinoltaTable::K9, test::KonicaMinoltaTable::K10};
    const QStringList canon = {test::CanonTable::C1, test::CanonTable::C8};
    const QStringList brother = {test::BrotherTable::B3,  test::BrotherTable::B4,  test::BrotherTable::B5,
                                 test::BrotherTable::B6,  test::BrotherTable::B12, test::BrotherTable::B13,
                                 test::BrotherTable::B14, test::BrotherTable::B3};
    const QStringList epson = {test::EpsonTable::E1, test::EpsonTable::E2, test::EpsonTable::E3,
                               test::EpsonTable::E4, test::EpsonTable::E5};
    const QStringList sysObjectId = {kSysObjectId};

    const struct {
        const char* name;
        const char* Fabricante; // as identification left it
        const char* Modelo = "";
        const char* NSerie = "05099001";
        std::optional<SnmpAnswer> sysObjectId; // nullopt: the device lacks it
        const char* FabricanteWhenOn;          // the text stored; off, identification's stays
        const char* ModeloWhenOn = "";
        /// nullopt: sysObjectID, then the reader's own GETs (its own test checks them).
        std::optional<QStringList> askedWhenOn;
        QStringList askedWhenOff = {};
    } cases[] = {
        {.name = "a SHARP naming only its model",
         .Fabricante = "SHARP MX-3570N",
         .sysObjectId = Answers(sharpOid),
         .FabricanteWhenOn = "SHARP",
         .ModeloWhenOn = "MX-3570N",
         .askedWhenOn = sysObjectId + sharp},
        {.name = "a SHARP whose model identification found",
         .Fabricante = "SHARP MX-3570N",
         .Modelo = "MX-3570N Series",
         .sysObjectId = Answers(sharpOid),
         .FabricanteWhenOn = "SHARP",
         .ModeloWhenOn = "MX-3570N Series",
         .askedWhenOn = sysObjectId + sharp},
        {.name = "a KONICA MINOLTA naming only its model",
         .Fabricante = "KONICA MINOLTA bizhub C250i",
         .sysObjectId = Answers("1.3.6.1.4.1.18334.1.1.1.2.1.250"),
         .FabricanteWhenOn = "KONICA MINOLTA",
         .ModeloWhenOn = "bizhub C250i",
         .askedWhenOn = sysObjectId + konicaMinolta},
        {.name = "a CANON naming only its model",
         .Fabricante = "Canon LBP6670 /P",
         .sysObjectId = Answers("1.3.6.1.4.1.1602.4.7"),
         .FabricanteWhenOn = "CANON",
         .ModeloWhenOn = "LBP6670 /P",
         .askedWhenOn = sysObjectId + canon},
        {.name = "a BROTHER, whose reader keeps the maker text it is given",
         .Fabricante = "Brother NC-8300h",
         .sysObjectId = Answers("1.3.6.1.4.1.2435.2.3.9.1"),
         .FabricanteWhenOn = "BROTHER",
         .ModeloWhenOn = "NC-8300h",
         .askedWhenOn = sysObjectId + brother},
        {.name = "a Kyocera-built device under another brand",
         .Fabricante = "TA_UTAX Printing System",
         .Modelo = " ",
         .sysObjectId = Answers("1.3.6.1.4.1.1347.41"),
         .FabricanteWhenOn = "KYOCERA",
         .ModeloWhenOn = "TA_UTAX Printing System",
         .askedWhenOn = std::nullopt},
        {.name = "an enterprise without a reader",
         .Fabricante = "Xerox WorkCentre 6515",
         .sysObjectId = Answers("1.3.6.1.4.1.253.8.62.1"),
         .FabricanteWhenOn = "Xerox WorkCentre 6515",
         .askedWhenOn = sysObjectId},
        {.name = "no sysObjectID (noSuchName)",
         .Fabricante = "SHARP MX-3570N",
         .sysObjectId = std::nullopt,
         .FabricanteWhenOn = "SHARP MX-3570N",
         .askedWhenOn = sysObjectId},
        {.name = "no answer to sysObjectID",
         .Fabricante = "SHARP MX-3570N",
         .sysObjectId = NoAnswer,
         .FabricanteWhenOn = "SHARP MX-3570N",
         .askedWhenOn = sysObjectId},
        {.name = "a malformed sysObjectID",
         .Fabricante = "SHARP MX-3570N",
         .sysObjectId = Answers("1.3.6.1.4.1.23850.1"),
         .FabricanteWhenOn = "SHARP MX-3570N",
         .askedWhenOn = sysObjectId},
        {.name = "a maker text a reader holds for: never asked",
         .Fabricante = "EPSON",
         .sysObjectId = Answers(sharpOid),
         .FabricanteWhenOn = "EPSON",
         .askedWhenOn = epson,
         .askedWhenOff = epson},
        {.name = "no serial number: never asked",
         .Fabricante = "SHARP MX-3570N",
         .NSerie = "",
         .sysObjectId = Answers(sharpOid),
         .FabricanteWhenOn = "SHARP MX-3570N",
         .askedWhenOn = QStringList{}},
    };
    for (const auto& c : cases) {
        for (const MakerFallback setting : {MakerFallback::Off, MakerFallback::SysObjectId}) {
            const bool on = setting == MakerFallback::SysObjectId;
            ScriptedSnmpSource device;
            device.answersNoSuchName = true;
            if (c.sysObjectId)
                device.answers.insert(kSysObjectId, *c.sysObjectId);
            DeviceReading reading;
            ClearReading(reading);
            reading.Fabricante = c.Fabricante;
            reading.Modelo = c.Modelo;
            reading.NSerie = c.NSerie;
            reading.MacAddress = "00:80:77:00:00:01";

            DispatchManufacturer(reading, "127.0.0.9", device, setting);

            EXPECT_EQ(reading.Fabricante, on ? c.FabricanteWhenOn : c.Fabricante)
                << c.name << (on ? " (on)" : " (off)");
            EXPECT_EQ(reading.Modelo, on ? c.ModeloWhenOn : c.Modelo) << c.name << (on ? " (on)" : " (off)");
            if (!on)
                EXPECT_EQ(device.asked, c.askedWhenOff) << c.name << " (off)";
            else if (c.askedWhenOn)
                EXPECT_EQ(device.asked, *c.askedWhenOn) << c.name << " (on)";
            else
                EXPECT_TRUE(device.asked.size() > 1 && device.asked.first() == kSysObjectId) << c.name;
            EXPECT_EQ(device.communities, QStringList(device.asked.size(), "public")) << c.name;
        }
    }
}

} // namespace
} // namespace vorenta
