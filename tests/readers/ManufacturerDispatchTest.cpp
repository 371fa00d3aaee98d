#include "collector/probing/ManufacturerDispatch.h"
#include "collector/probing/readers/ReadBrother.h"
#include "collector/probing/readers/ReadCanon.h"
#include "collector/probing/readers/ReadEpson.h"
#include "collector/probing/readers/ReadHp.h"
#include "collector/probing/readers/ReadKonicaMinolta.h"
#include "collector/probing/readers/ReadKyocera.h"
#include "collector/probing/readers/ReadLexmark.h"
#include "collector/probing/readers/ReadOki.h"
#include "collector/probing/readers/ReadRicoh.h"
#include "collector/probing/readers/ReadSamsung.h"
#include "collector/probing/readers/ReadSharp.h"
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
        {"KONICA MINOLTA", "ReadKonicaMinolta"},
        {"Canon Inc.", ""},
        {"EPSON", "ReadEpson"},
        {"HP Canon", "ReadHp"},
        {"Canon HP", ""},
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

TEST(ManufacturerDispatch, TheTableHoldsEveryMakerInTheDispatchOrder)
{
    const ManufacturerDispatchRow expected[] = {
        {IsBrother, ReadBrother},
        {IsLexmark, ReadLexmark},
        {IsSamsung, ReadSamsung},
        {IsOki, ReadOki},
        {IsKyocera, ReadKyocera},
        {IsRicoh, ReadRicoh},
        {IsHp, ReadHp},
        {IsSharp, ReadSharp},
        {IsEpson, ReadEpson},
        {IsCanon, ReadCanon},
        {IsKonicaMinolta, ReadKonicaMinolta},
    };
    const std::span<const ManufacturerDispatchRow> table = ManufacturerDispatchTable();
    ASSERT_EQ(table.size(), std::size(expected));
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].test, expected[i].test) << "row " << i + 1;
        EXPECT_EQ(table[i].reader, expected[i].reader) << "row " << i + 1;
    }
}

// Maker text in, the reader that runs out: the dispatch must leave exactly what that reader alone
// makes of the reading, asking exactly its OIDs (nullptr: no reader runs, nothing is asked).
TEST(ManufacturerDispatch, TheTableRunsTheReaderOfTheManufacturer)
{
    struct Case {
        QString Fabricante;
        ManufacturerReader reader;
        QString after;
    };
    const Case cases[] = {
        {"Brother", ReadBrother, "Brother"}, // never renamed, kept in its own letter case
        {"BROTHER", ReadBrother, "BROTHER"},
        {"Lexmark International", ReadLexmark, "LEXMARK"},
        {"LEXMARK", ReadLexmark, "LEXMARK"},
        {"Samsung Electronics Ltd", ReadSamsung, "SAMSUNG"},
        {"SAMSUNG", ReadSamsung, "SAMSUNG"},
        {"Oki Data Corp", ReadOki, "OKI"},
        {"Kyocera Mita Printing System", ReadKyocera, "KYOCERA"},
        {"KYOCERA", ReadKyocera, "KYOCERA"},
        {" Ricoh ", ReadRicoh, "RICOH"},
        {"RICOH", ReadRicoh, "RICOH"},
        {"Hewlett-Packard", ReadHp, "HP"},
        {"HP Inc.", ReadHp, "HP"},
        {"hp", ReadHp, "HP"},
        {"Sharp", ReadSharp, "SHARP"},
        {"EPSON", ReadEpson, "EPSON"},
        {"epson", ReadEpson, "EPSON"},
        {"Canon", ReadCanon, "CANON"},
        {"KONICA MINOLTA", ReadKonicaMinolta, "KONICA MINOLTA"},
        {"Konica Minolta", ReadKonicaMinolta, "KONICA MINOLTA"},
        // Two makers named: only HP's prefix test looks at part of the text.
        {"HP Canon", ReadHp, "HP"},
        {"Canon HP", nullptr, "Canon HP"},
        {"Brother Sharp", nullptr, "Brother Sharp"},
        {"KONICA MINOLTA EPSON", nullptr, "KONICA MINOLTA EPSON"},
        // Whole texts only: blanks around a name, or more than the name, select no reader.
        {" HP", nullptr, " HP"},
        {" Sharp ", nullptr, " Sharp "},
        {" OKI", nullptr, " OKI"},
        {"Brother ", nullptr, "Brother "},
        {"Canon Inc.", nullptr, "Canon Inc."},
        {"EPSON Seiko", nullptr, "EPSON Seiko"},
        {"Konica", nullptr, "Konica"},
        {"KONICA  MINOLTA", nullptr, "KONICA  MINOLTA"},
        {"KYOCERA Document Solutions Inc.", nullptr, "KYOCERA Document Solutions Inc."},
        {"Acme", nullptr, "Acme"},
        {"", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Fabricante.toStdString());
        DeviceReading identified;
        identified.Fabricante = c.Fabricante;
        identified.NSerie = "X1";
        identified.ContGeral = "1000";

        ScriptedSnmpSource device;
        device.answersNoSuchName = true;
        NoDatabase database;
        test::CapturingLogSink log;
        DeviceReading reading = identified;
        ReadManufacturerData(reading, kAddress, device, database, log, MakerFallback::Off);

        ScriptedSnmpSource alone;
        alone.answersNoSuchName = true;
        DeviceReading expected = identified;
        if (c.reader)
            c.reader(expected, kAddress, alone);

        EXPECT_EQ(reading.Fabricante, c.after);
        EXPECT_EQ(reading, expected);
        EXPECT_EQ(device.asked, alone.asked) << device.asked.join(' ').toStdString();
        EXPECT_EQ(device.asked.isEmpty(), c.reader == nullptr);
        EXPECT_TRUE(log.lines.isEmpty());
    }
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
