#include "collector/snmp/ReplyDecoder.h"
#include "tests/snmp/Octets.h"
#include "tests/support/FixtureBer.h"

#include <gtest/gtest.h>

namespace vorenta::snmp {
namespace {

using test::Hex;
using test::Octets;
namespace ber = test::ber;

constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";

struct RawBinding {
    std::string oid;
    std::uint8_t tag;
    std::string contents;
};

// A GetResponse built with the fixture's own encoder, independent of the code under test.
std::string Response(const std::vector<RawBinding>& bindings, std::int64_t errorStatus = 0,
                     std::int64_t errorIndex = 0)
{
    std::string list;
    for (const RawBinding& binding : bindings)
        list += ber::Element(0x30, ber::Element(0x06, *ber::OidContents(binding.oid)) +
                                       ber::Element(binding.tag, binding.contents));
    const std::string pdu = ber::Element(0x02, ber::SignedContents(1)) +
                            ber::Element(0x02, ber::SignedContents(errorStatus)) +
                            ber::Element(0x02, ber::SignedContents(errorIndex)) + ber::Element(0x30, list);
    return ber::Element(0x30, ber::Element(0x02, std::string(1, '\0')) + ber::Element(0x04, "public") +
                                  ber::Element(0xA2, pdu));
}

TEST(ReplyDecoder, ValueTypesBecomeTheirTextForm)
{
    struct Case {
        const char* what;
        std::uint8_t tag;
        const char* contents;
        std::string text;
    };
    const Case cases[] = {
        {"INTEGER -3", 0x02, "FF FF FF FD", "-3"},
        {"INTEGER 0", 0x02, "00", "0"},
        {"INTEGER empty", 0x02, "", "0"},
        {"INTEGER largest", 0x02, "7F FF FF FF", "2147483647"},
        {"INTEGER smallest", 0x02, "80 00 00 00", "-2147483648"},
        {"INTEGER one octet negative", 0x02, "80", "-128"},
        {"BOOLEAN true", 0x01, "FF", "-1"},
        {"ENUMERATED", 0x0A, "05", "5"},
        {"Counter32 top", 0x41, "00 FF FF FF FF", "4294967295"},
        {"Counter32 2^31", 0x41, "00 80 00 00 00", "2147483648"},
        {"Counter32 beyond 32 bits", 0x41, "01 00 00 00 05", "5"},
        {"Gauge32 empty", 0x42, "", "0"},
        {"TimeTicks", 0x43, "01 00", "256"},
        {"IpAddress", 0x40, "C0 A8 00 19", "192.168.0.25"},
        {"OID", 0x06, "2B 06 01 04 01 82 6F", "1.3.6.1.4.1.367"},
        {"OID first subidentifier of two octets", 0x06, "81 34 03", "2.100.3"},
        {"OID first subidentifier 120", 0x06, "78 05", "2.40.5"},
        {"OID first subidentifier 79", 0x06, "4F", "1.39"},
        {"OID empty", 0x06, "", ""},
        // Cut short inside the last subidentifier: no OID at all, not a shorter or a made-up one.
        {"OID ending inside a subidentifier", 0x06, "2B 06 81", ""},
        {"OID ending inside a long subidentifier", 0x06, "2B 06 01 04 01 82", ""},
        {"OID of one unfinished octet", 0x06, "81", ""},
        {"OCTET STRING with 0x80 and NULs", 0x04, "41 80 00 42 00", Octets("41 80 00 42 00")},
        {"MAC address", 0x04, "00 1B A9 12 34 56", Octets("00 1B A9 12 34 56")},
        {"Opaque", 0x44, "9F 78 04", Octets("9F 78 04")},
        {"NULL", 0x05, "", ""},
        {"NULL with contents", 0x05, "AA BB", ""},
        {"Counter64 stays octets", 0x46, "01 00 00 00 00", Octets("01 00 00 00 00")},
        {"noSuchObject", 0x80, "", ""},
        {"endOfMibView", 0x82, "", ""},
    };
    for (const Case& c : cases) {
        const std::optional<Reply> reply = DecodeReply(Response({{kSysDescr, c.tag, Octets(c.contents)}}));
        ASSERT_TRUE(reply) << c.what;
        const Binding* binding = reply->find(kSysDescr);
        ASSERT_NE(binding, nullptr) << c.what;
        EXPECT_EQ(Hex(binding->value), Hex(c.text)) << c.what;
        EXPECT_EQ(binding->tag, c.tag) << c.what;
    }
}

TEST(ReplyDecoder, ReadsHeaderAndBindingsInOrder)
{
    const std::optional<Reply> reply = DecodeReply(Response(
        {{"1.3.6.1.2.1.1.5.0", 0x04, "first"}, {kSysDescr, 0x04, "second"}, {kSysDescr, 0x04, "third"}}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->version, 0);
    EXPECT_EQ(reply->community, "public");
    EXPECT_EQ(reply->pduType, 0xA2);
    EXPECT_EQ(reply->requestId, 1);
    ASSERT_EQ(reply->bindings.size(), 3u);
    EXPECT_EQ(reply->bindings[0].oid, "1.3.6.1.2.1.1.5.0");
    // The requested OID's first binding wins; an OID not in the reply is not found.
    EXPECT_EQ(reply->find(kSysDescr)->value, "second");
    EXPECT_EQ(reply->find("1.3.6.1.2.1.1.6.0"), nullptr);
    // Only canonical text matches.
    EXPECT_EQ(reply->find("1.3.6.1.2.1.1.1.0."), nullptr);
    EXPECT_EQ(reply->find(".1.3.6.1.2.1.1.1.0"), nullptr);
}

TEST(ReplyDecoder, ErrorStatusReplyIsAcceptedWithTheBindingEchoedEmpty)
{
    const std::optional<Reply> reply = DecodeReply(Response({{kSysDescr, 0x05, ""}}, 2, 1));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->errorStatus, 2);
    EXPECT_EQ(reply->errorIndex, 1);
    ASSERT_NE(reply->find(kSysDescr), nullptr);
    EXPECT_EQ(reply->find(kSysDescr)->value, "");
}

TEST(ReplyDecoder, RejectsWhatIsNotAnSnmpMessage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"zero length", ""},
        {"one octet", "30"},
        {"first octet 0x02, not constructed", "02 01 00"},
        {"shorter than declared + 2", "30 05 02 01 00 04"},
        {"declared length past the end", "30 7F 02 01 00"},
        {"long-form length octets missing", "30 82 01"},
        {"long-form length beyond any datagram", "30 85 01 00 00 00 00 02 01 00"},
        {"long form, one octet short of its declared length", "30 81 80"},
    };
    for (const auto& [what, octets] : cases)
        EXPECT_FALSE(DecodeReply(Octets(octets))) << what;

    // The same holds for a whole reply cut short by one octet, short or long form.
    const std::string shortForm = Response({{kSysDescr, 0x04, "x"}});
    const std::string longForm = Response({{kSysDescr, 0x04, std::string(200, 'x')}});
    ASSERT_TRUE(DecodeReply(shortForm));
    ASSERT_TRUE(DecodeReply(longForm));
    EXPECT_FALSE(DecodeReply(shortForm.substr(0, shortForm.size() - 1)));
    EXPECT_FALSE(DecodeReply(longForm.substr(0, longForm.size() - 1)));
}

TEST(ReplyDecoder, AcceptedButMalformedInsideStaysWithinTheDatagram)
{
    struct Case {
        const char* what;
        std::string datagram;
        std::size_t bindings;
    };
    std::string valuePastEnd = Response({{kSysDescr, 0x04, "abc"}});
    valuePastEnd[valuePastEnd.size() - 4] = 0x7F; // the string declares 127 octets, 3 are there
    const Case cases[] = {
        // Only the outer header is checked: wrong tags inside are read flat, whatever they are.
        {"any constructed tag outside", Octets("3F 03 02 01 00"), 0},
        {"outer length 0 then junk", Octets("30 00 02 01 00 04 7F 41"), 0},
        {"inner length octets run out", Octets("30 03 02 84 01"), 0},
        {"binding value declared past the end", valuePastEnd, 1},
        {"binding with an empty OID is not added",
         Octets("30 1B 02 01 00 04 06 70 75 62 6C 69 63 A2 0E 02 01 01 02 01 00 02 01 00 30 03 30 01 06 00"),
         0},
        {"binding whose OID ends inside a subidentifier is not added",
         Octets("30 21 02 01 00 04 06 70 75 62 6C 69 63 A2 14 02 01 01 02 01 00 02 01 00 30 09 30 07 06 03 "
                "2B 06 "
                "81 05 00"),
         0},
    };
    for (const Case& c : cases) {
        const std::optional<Reply> reply = DecodeReply(c.datagram);
        ASSERT_TRUE(reply) << c.what;
        EXPECT_EQ(reply->bindings.size(), c.bindings) << c.what;
    }
    EXPECT_EQ(DecodeReply(valuePastEnd)->find(kSysDescr)->value, "");
}

} // namespace
} // namespace vorenta::snmp
