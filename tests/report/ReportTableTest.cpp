// The report printer: an aligned table for a terminal, CSV for a spreadsheet, whatever the
// device texts hold.
#include "collector/report/ReportTable.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

ReportTable Sample()
{
    ReportTable table;
    table.columns = {{"NSerie"}, {"Modelo"}, {"PaginasGeral", true}};
    table.rows = {{"HPA-001", "Color LaserJet M454dw", "38650"}, {"BR-1", "HL", ""}, {"X", "Tóner ç", "7"}};
    return table;
}

TEST(ReportTable, AlignedTextColumnsLeftAndNumbersRight)
{
    EXPECT_EQ(Sample().aligned().toStdString(), "NSerie   Modelo                 PaginasGeral\n"
                                                "-------  ---------------------  ------------\n"
                                                "HPA-001  Color LaserJet M454dw         38650\n"
                                                "BR-1     HL\n"
                                                "X        Tóner ç                           7\n");
}

TEST(ReportTable, AlignedTableEscapesWhatWouldBreakALine)
{
    ReportTable table;
    table.columns = {{"Modelo"}, {"IP"}};
    table.rows = {{QString("MP\nC3004\t\\"), "127.0.0.9"}};
    EXPECT_EQ(table.aligned().toStdString(), "Modelo             IP\n"
                                             "-----------------  ---------\n"
                                             "MP\\x0AC3004\\x09\\\\  127.0.0.9\n");
}

TEST(ReportTable, CsvQuotesWhatASpreadsheetWouldSplitOrRun)
{
    struct Case {
        QString value;
        bool numeric;
        const char* field;
    };
    const Case cases[] = {
        {"Color LaserJet M454dw", false, "Color LaserJet M454dw"},
        {"Black Toner Cartridge, PN 106R03480;SN 1A2B", false,
         "\"Black Toner Cartridge, PN 106R03480;SN 1A2B\""},
        {"Modelo \"A\"", false, "\"Modelo \"\"A\"\"\""},
        {"duas\nlinhas", false, "\"duas\nlinhas\""},
        {"Tóner amarillo", false, "Tóner amarillo"},
        {"", false, ""},
        {"=HYPERLINK(\"x\")", false, "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+55 11", false, "'+55 11"},
        {"@SUM(A1)", false, "'@SUM(A1)"},
        {"-cmd", false, "'-cmd"},
        {"-3", false, "-3"}, // a Printer MIB level, not a formula
        {"38650", true, "38650"},
    };
    for (const Case& c : cases) {
        ReportTable table;
        table.columns = {{"A"}, {"B", c.numeric}};
        table.rows = {{"x", c.value}};
        EXPECT_EQ(table.csv().toStdString(), std::string("A;B\nx;") + c.field + "\n")
            << c.value.toStdString();
    }
}

TEST(ReportTable, CsvHasAHeaderRowAndOneLinePerRow)
{
    EXPECT_EQ(Sample().csv().toStdString(), "NSerie;Modelo;PaginasGeral\n"
                                            "HPA-001;Color LaserJet M454dw;38650\n"
                                            "BR-1;HL;\n"
                                            "X;Tóner ç;7\n");
    ReportTable empty = Sample();
    empty.rows.clear();
    EXPECT_EQ(empty.csv().toStdString(), "NSerie;Modelo;PaginasGeral\n");
}

} // namespace
} // namespace vorenta
