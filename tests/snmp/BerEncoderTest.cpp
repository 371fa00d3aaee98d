#include "collector/snmp/BerEncoder.h"
#include "tests/snmp/Octets.h"

#include <gtest/gtest.h>

namespace vorenta::snmp {
namespace {

using test::Hex;
using test::Octets;

TEST(BerEncoder, GetRequestsMatchTheWorkedExamplesOctetForOctet)
{
    struct Case {
        const char* oid;
        const char* octets;
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.1.0", "30 26 02 01 00 04 06 70 75 62 6C 69 63 A0 19 02 01 01 02 01 00 02 01 00 "
                              "30 0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00"},
        {"1.3.6.1.4.1.367.3.2.1.2.19.5.1.5.1",
         "30 2E 02 01 00 04 06 70 75 62 6C 69 63 A0 21 02 01 01 02 01 00 02 01 00 30 16 30 14 06 10 "
         "2B 06 01 04 01 82 6F 03 02 01 02 13 05 01 05 01 05 00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(EncodeGetRequest(c.oid, "public")), Hex(Octets(c.octets))) << c.oid;
}

TEST(BerEncoder, OidTextBecomesSubidentifiers)
{
    struct Case {
        const char* oid;
        const char* contents;
    };
    const Case cases[] = {
        {"1.3", "2B"},
        {"1.3.127", "2B 7F"},                    // one octet, largest
        {"1.3.128", "2B 81 00"},                 // two octets
        {"1.3.16384", "2B 81 80 00"},            // three
        {"1.3.2097152", "2B 81 80 80 00"},       // four
        {"1.3.4294967295", "2B 8F FF FF FF 7F"}, // five
        {"2.100.3", "81 34 03"},                 // first subidentifier 180 takes two octets
        {"1.3.6.", "2B 06"},                     // trailing dot adds no arc
        {".1.3.6", "01 03 06"},                  // leading dot is an arc 0 in front
        {"1.3.x.6", "2B 00 06"},                 // non-numeric piece counts as 0
        {"1.3..6", "2B 00 06"},                  // so does an empty one
        {"1.3.-1.6", "2B 00 06"},                // and a signed one
        {"1.3.4294967296", "2B 00"},             // beyond 32 bits is not a valid arc
        {"1.3.06", "2B 06"},                     // a leading zero is still the number
        {"1", "28"},                             // a lone arc pairs with 0
        {"", "00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(EncodeOidContents(c.oid)), Hex(Octets(c.contents))) << '"' << c.oid << '"';
}

TEST(BerEncoder, LengthsAndIntegersUseTheShortestForm)
{
    const std::pair<std::size_t, const char*> lengths[] = {
        {0, "00"}, {127, "7F"}, {128, "81 80"}, {255, "81 FF"}, {300, "82 01 2C"}, {65536, "83 01 00 00"},
    };
    for (const auto& [length, octets] : lengths)
        EXPECT_EQ(Hex(EncodeLength(length)), Hex(Octets(octets))) << length;

    const std::pair<std::int64_t, const char*> integers[] = {
        {0, "00"},
        {1, "01"},
        {127, "7F"},
        {128, "00 80"},
        {256, "01 00"},
        {-1, "FF"},
        {-128, "80"},
        {-129, "FF 7F"},
        {2147483647, "7F FF FF FF"},
        {-2147483648LL, "80 00 00 00"},
    };
    for (const auto& [value, octets] : integers)
        EXPECT_EQ(Hex(EncodeIntegerContents(value)), Hex(Octets(octets))) << value;
}

TEST(BerEncoder, LongCommunityUsesLongFormLengths)
{
    const std::string community(300, 'c');
    const std::string request = EncodeGetRequest("1.3.6.1.2.1.1.1.0", community);
    // 30 82 01 4E | 02 01 00 | 04 82 01 2C <300 octets> | A0 19 <25 octets>
    EXPECT_EQ(Hex(request.substr(0, 11)), "30 82 01 4E 02 01 00 04 82 01 2C");
    EXPECT_EQ(request.size(), 4u + 3 + 4 + 300 + 27);
}

} // namespace
} // namespace vorenta::snmp
