#include "collector/probing/ManufacturerDispatch.h"
#include "collector/probing/readers/ReadHp.h"
#include "collector/probing/readers/ReadKyocera.h"
#include "collector/probing/readers/ReadLexmark.h"
#include "collector/probing/readers/ReadOki.h"
#include "collector/probing/readers/ReadRicoh.h"
#include "collector/probing/readers/ReadSamsung.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/ScriptedSnmpSource.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::ScriptedSnmpSource;

const QString kAddress = QStringLiteral("127.0.0.9");

// The dispatch on its own: the model OID table is out of reach.
class NoDatabase final : public ModelOidTable {
public:
    bool ConnectDatabase() override { return false; }
    std::optional<QString> BuscaOid(const QString&, const QString&) override
    {
        ADD_FAILURE() << "no lookup without a connection";
        return std::nullopt;
    }
};

struct ManufacturerTest {
    const char* reader;
    bool (*holds)(const QString&);
    const char* canonical; // what the reader writes into Fabricante; nullptr: left as it was
};

const ManufacturerTest kTests[] = {
    {"ReadBrother", IsBrother, nullptr},
    {"ReadLexmark", IsLexmark, "LEXMARK"},
    {"ReadSamsung", IsSamsung, "SAMSUNG"},
    {"ReadOki", IsOki, "OKI"},
    {"ReadKyocera", IsKyocera, "KYOCERA"},
    {"ReadRicoh", IsRicoh, "RICOH"},
    {"ReadHp", IsHp, "HP"},
    {"ReadSharp", IsSharp, "SHARP"},
    {"ReadEpson", IsEpson, "EPSON"},
    {"ReadCanon", IsCanon, "CANON"},
    {"ReadKonicaMinolta", IsKonicaMinolta, "KONICA MINOLTA"},
};

TEST(ManufacturerDispatch, EachTextSelectsAtMostOneReader)
{
    const std::pair<QString, const char*> cases[] = {
        {"Hewlett-Packard", "ReadHp"},
        {"HP Inc.", "ReadHp"},
        {"hp", "ReadHp"},
        {"Hp LaserJet", "ReadHp"},
        {" HP", ""},
        {" Ricoh ", "ReadRicoh"},
        {"\tricoh\r\n", "ReadRicoh"},
        {" Sharp ", ""},
        {"Sharp", "ReadSharp"},
        {"Brother", "ReadBrother"},
        {"KYOCERA Document Solutions Inc.", ""},
        {"Kyocera Mita", "ReadKyocera"},
        {"KYOCERA DOCUMENT SOLUTIONS PRINTING SYSTEM", "ReadKyocera"},
        {"Samsung Electronics Ltd", "ReadSamsung"},
        {"Lexmark International", "ReadLexmark"},
        {"Oki Data Corp", "ReadOki"},
        {"Epson", "ReadEpson"},
        {"canon", "ReadCanon"},
        {"Konica Minolta", "ReadKonicaMinolta"},
        {"KonicaMinolta", ""},
        {"", ""},
    };
    for (const auto& [Fabricante, expected] : cases) {
        QStringList holding;
        for (const ManufacturerTest& test : kTests) {
            if (test.holds(Fabricante))
                holding << test.reader;
        }
        EXPECT_EQ(holding, *expected ? QStringList{expected} : QStringList{}) << Fabricante.toStdString();
    }

    // What a reader writes must not wake a later reader.
    for (const ManufacturerTest& test : kTests) {
        if (!test.canonical)
            continue;
        for (const ManufacturerTest& other : kTests)
            EXPECT_EQ(other.holds(test.canonical), &other == &test)
                << test.canonical << " / " << other.reader;
    }
}

TEST(ManufacturerDispatch, TheTableRunsTheReaderOfTheManufacturer)
{
    struct Case {
        QString Fabricante;
        QString after;
        QString firstAsked; // the reader's first OID; empty when no reader runs
    };
    const Case cases[] = {
        {"Hewlett-Packard", "HP", HpOid::H1},
        {"HP Inc.", "HP", HpOid::H1},
        {"hp", "HP", HpOid::H1},
        {"Lexmark International", "LEXMARK", LexmarkOid::L1},
        {"LEXMARK", "LEXMARK", LexmarkOid::L1},
        {"Samsung Electronics Ltd", "SAMSUNG", SamsungOid::S1},
        {"SAMSUNG", "SAMSUNG", SamsungOid::S1},
        {"Oki Data Corp", "OKI", OkiOid::O1},
        {"Kyocera Mita Printing System", "KYOCERA", KyoceraOid::K1},
        {"KYOCERA", "KYOCERA", KyoceraOid::K1},
        {" Ricoh ", "RICOH", RicohOid::M1}, // a blank model: the reader looks for one first
        {"RICOH", "RICOH", RicohOid::M1},
        {" HP", " HP", {}},
        {" Sharp ", " Sharp ", {}},
        {" OKI", " OKI", {}},
        {"KYOCERA Document Solutions Inc.", "KYOCERA Document Solutions Inc.", {}},
        {"Acme", "Acme", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Fabricante.toStdString());
        ScriptedSnmpSource device;
        device.answersNoSuchName = true;
        NoDatabase database;
        test::CapturingLogSink log;
        DeviceReading reading;
        reading.Fabricante = c.Fabricante;

        ReadManufacturerData(reading, kAddress, device, database, log);

        EXPECT_EQ(reading.Fabricante, c.after);
        EXPECT_EQ(device.asked.value(0), c.firstAsked) << device.asked.join(' ').toStdString();
        EXPECT_TRUE(log.lines.isEmpty());
    }

    // Brother is never renamed, whether or not its reader is plugged in yet.
    ScriptedSnmpSource device;
    device.answersNoSuchName = true;
    NoDatabase database;
    test::CapturingLogSink log;
    DeviceReading reading;
    reading.Fabricante = "Brother";
    ReadManufacturerData(reading, kAddress, device, database, log);
    EXPECT_EQ(reading.Fabricante, "Brother");
}

TEST(ManufacturerDispatch, MonochromeRule)
{
    struct Case {
        QString SupriY;
        QString ContGeral;
        bool monochrome;
    };
    const Case cases[] = {
        {"Black Toner", "1000", true},   {"Drum Unit", "1000", true},
        {"Unid. Imagem", "1000", true},  {"FUSER KIT", "1000", true},
        {"blackdrum", "1000", true}, // several words: the same result
        {"Black Toner", "", true},   // the mono counter follows an empty total
        {"Yellow Toner", "1000", false}, {"Unid Imagem", "1000", false}, // without the dot
        {"Toner preto", "1000", false},  {"", "1000", false},
    };
    for (const Case& c : cases) {
        DeviceReading reading;
        reading.SupriY = c.SupriY;
        reading.ContGeral = c.ContGeral;
        reading.ContColor = "300";
        reading.ContPb = "700";

        MonochromeRule(reading);

        EXPECT_EQ(reading.ContColor, c.monochrome ? "" : "300") << c.SupriY.toStdString();
        EXPECT_EQ(reading.ContPb, c.monochrome ? c.ContGeral : "700") << c.SupriY.toStdString();
        EXPECT_EQ(reading.ContGeral, c.ContGeral);
    }
}

} // namespace
} // namespace vorenta
