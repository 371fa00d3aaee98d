#include "collector/probing/MacAddressText.h"
#include "common/Windows1252.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

QString Octets(std::string_view octets)
{
    return DecodeWindows1252(octets);
}

TEST(MacAddressText, SixOctetsBecomeColonSeparatedHexOtherLengthsStay)
{
    const std::pair<QString, QString> cases[] = {
        {Octets({"\x00\x1B\xA9\x12\x34\x56", 6}), "00:1B:A9:12:34:56"},
        // 0x80 and 0x9F arrive as the euro sign and Y diaeresis: the octets are what counts.
        {Octets({"\x80\x9F\xFF\x00\x0A\x20", 6}), "80:9F:FF:00:0A:20"},
        {Octets({"\x00\x1B\xA9\x12\x34", 5}), Octets({"\x00\x1B\xA9\x12\x34", 5})},
        {"00:1B:A9:12:34:56", "00:1B:A9:12:34:56"},
        {"", ""},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(MacAddressText(value), expected) << expected.toStdString();
}

} // namespace
} // namespace vorenta
