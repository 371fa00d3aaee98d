// The v3 message and the USM's keys, as tables: the RFC's key vectors, a reply snmpd sent, every
// authentication and privacy pair through our encoder and reader, and messages out of shape.
#include "collector/snmp/V3Message.h"
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/BerReader.h"
#include "collector/snmp/Pdu.h"
#include "collector/snmp/UsmCrypto.h"
#include "tests/snmp/Octets.h"
#include "tests/support/TestCredentials.h"

#include <gtest/gtest.h>

namespace vorenta::snmp {
namespace {

using test::Hex;
using test::Octets;

// RFC 3414 A.3.1 and A.3.2: "maplesyrup", engine ID 00 00 00 00 00 00 00 00 00 00 00 02.
TEST(UsmKeys, TheRfcVectors)
{
    const struct {
        AuthProtocol auth;
        const char* master;
        const char* localized;
    } cases[] = {
        {AuthProtocol::Md5, "9F AF 32 83 88 4E 92 83 4E BC 98 47 D8 ED D9 63",
         "52 6F 5E ED 9F CC E2 6F 89 64 C2 93 07 87 D8 2B"},
        {AuthProtocol::Sha1, "9F B5 CC 03 81 49 7B 37 93 52 89 39 FF 78 8D 5D 79 14 52 11",
         "66 95 FE BC 92 88 E3 62 82 23 5F C7 15 1F 12 84 97 B3 8F 3F"},
    };
    const std::string engine = Octets("00 00 00 00 00 00 00 00 00 00 00 02");
    for (const auto& c : cases) {
        const std::string master = PasswordToKey(c.auth, "maplesyrup");
        EXPECT_EQ(Hex(master), Hex(Octets(c.master)));
        EXPECT_EQ(Hex(LocalizeKey(c.auth, master, engine)), Hex(Octets(c.localized)));
    }
}

TEST(UsmKeys, LengthsPerProtocol)
{
    const struct {
        AuthProtocol auth;
        std::size_t digest;
        std::size_t mac;
    } auths[] = {
        {AuthProtocol::Md5, 16, 12},    {AuthProtocol::Sha1, 20, 12},   {AuthProtocol::Sha224, 28, 16},
        {AuthProtocol::Sha256, 32, 24}, {AuthProtocol::Sha384, 48, 32}, {AuthProtocol::Sha512, 64, 48},
    };
    for (const auto& a : auths) {
        EXPECT_EQ(DigestLength(a.auth), a.digest);
        EXPECT_EQ(MacLength(a.auth), a.mac);
        EXPECT_EQ(PasswordToKey(a.auth, "senha-de-teste").size(), a.digest);
        EXPECT_EQ(AuthenticationCode(a.auth, "chave", "mensagem").size(), a.mac);
    }
    // A privacy key longer than the hash is extended by H(key so far): MD5 with AES-256.
    const std::string localized =
        LocalizeKey(AuthProtocol::Md5, PasswordToKey(AuthProtocol::Md5, "maplesyrup"),
                    Octets("00 00 00 00 00 00 00 00 00 00 00 02"));
    const std::string extended = PrivacyKey(AuthProtocol::Md5, PrivProtocol::Aes256, localized);
    ASSERT_EQ(extended.size(), 32u);
    EXPECT_EQ(extended.substr(0, 16), localized);
    EXPECT_EQ(PrivacyKey(AuthProtocol::Sha512, PrivProtocol::Aes128, std::string(64, 'k')),
              std::string(16, 'k'));
    EXPECT_EQ(PrivacyKey(AuthProtocol::Sha1, PrivProtocol::Des, std::string(20, 'k')), std::string(16, 'k'));
}

// A response of net-snmp 5.9 to a GET of sysLocation.0 by user "coletor" (SHA-256, AES) with
// the passwords below, as it came over the wire.
const std::string kSnmpdResponse = Octets("30 81 98 02 01 03 30 0e 02 01 63 02 03 00 ff e3 04 01 03 02 01 03 "
                                          "04 49 30 47 04 11 80 00 1f 88 80 8c b5 "
                                          "a0 50 f4 30 1b 6b 00 00 00 00 02 01 01 02 02 03 9d 04 07 63 6f 6c "
                                          "65 74 6f 72 04 18 38 df 0b bf a0 17 e7 "
                                          "f0 1b bd 6e f5 79 a6 20 c6 5d 15 c2 15 db b2 18 89 04 08 a9 6e 18 "
                                          "1c 81 2f bb 15 04 38 d0 68 8a 2f b7 92 "
                                          "ae 8d f9 91 d7 3f c9 df ab 19 37 d5 00 53 87 a9 3f f2 64 5a 24 03 "
                                          "42 aa 71 71 c7 ff 84 53 1c 40 18 38 d6 "
                                          "93 f7 0a 5b 6a 96 b1 9a cd 2f b7 18 e4 76 52");
const std::string kSnmpdEngine = Octets("80 00 1f 88 80 8c b5 a0 50 f4 30 1b 6b 00 00 00 00");


LocalizedKeys KeysFor(const Credentials& credentials, const std::string& engine)
{
    LocalizedKeys keys;
    keys.auth =
        LocalizeKey(credentials.auth, PasswordToKey(credentials.auth, credentials.authPassword), engine);
    if (credentials.priv != PrivProtocol::None)
        keys.priv = PrivacyKey(
            credentials.auth, credentials.priv,
            LocalizeKey(credentials.auth, PasswordToKey(credentials.auth, credentials.privPassword), engine));
    return keys;
}

TEST(V3Message, AResponseOfNetSnmp)
{
    const Credentials coletor = test::ColetorV3User();
    const LocalizedKeys keys = KeysFor(coletor, kSnmpdEngine);
    const std::optional<V3Reply> reply = DecodeV3Message(kSnmpdResponse, &coletor, &keys);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->msgId, 99);
    EXPECT_EQ(reply->flags, kFlagAuth | kFlagPriv);
    EXPECT_EQ(Hex(reply->engine.engineId), Hex(kSnmpdEngine));
    EXPECT_EQ(reply->engine.boots, 1u);
    EXPECT_EQ(reply->engine.time, 925u);
    EXPECT_EQ(reply->user, "coletor");
    EXPECT_TRUE(reply->authenticated);
    EXPECT_FALSE(reply->badDigest);
    ASSERT_TRUE(reply->pdu);
    EXPECT_EQ(reply->pdu->type, kTagResponse);
    EXPECT_EQ(reply->pdu->requestId, 99);
    ASSERT_NE(reply->pdu->find("1.3.6.1.2.1.1.6.0"), nullptr);
    EXPECT_EQ(reply->pdu->find("1.3.6.1.2.1.1.6.0")->value, "Sala 9");

    // Wrong keys, and one octet changed anywhere: the digest no longer holds, no PDU is read.
    Credentials other = coletor;
    other.authPassword = "outra-senha-qualquer";
    const LocalizedKeys otherKeys = KeysFor(other, kSnmpdEngine);
    const std::optional<V3Reply> wrongKey = DecodeV3Message(kSnmpdResponse, &other, &otherKeys);
    ASSERT_TRUE(wrongKey);
    EXPECT_TRUE(wrongKey->badDigest);
    EXPECT_FALSE(wrongKey->pdu);
    // The msgID, the user name's last letter, the last octet of the encrypted PDU.
    for (const std::size_t at : {std::size_t{10}, std::size_t{60}, kSnmpdResponse.size() - 1}) {
        std::string changed = kSnmpdResponse;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        const std::optional<V3Reply> tampered = DecodeV3Message(changed, &coletor, &keys);
        ASSERT_TRUE(tampered) << at;
        EXPECT_FALSE(tampered->authenticated) << at;
        EXPECT_FALSE(tampered->pdu) << at;
    }
}

TEST(V3Message, EveryPairThroughOurEncoderAndReader)
{
    const struct {
        AuthProtocol auth;
        PrivProtocol priv;
    } cases[] = {
        {AuthProtocol::None, PrivProtocol::None},     {AuthProtocol::Md5, PrivProtocol::None},
        {AuthProtocol::Sha1, PrivProtocol::Des},      {AuthProtocol::Md5, PrivProtocol::Aes256},
        {AuthProtocol::Sha224, PrivProtocol::Aes192}, {AuthProtocol::Sha256, PrivProtocol::Aes128},
        {AuthProtocol::Sha384, PrivProtocol::Des},    {AuthProtocol::Sha512, PrivProtocol::Aes256},
    };
    const EngineClock engine{kSnmpdEngine, 7, 123456};
    for (const auto& c : cases) {
        Credentials credentials = test::ColetorV3User();
        credentials.auth = c.auth;
        credentials.priv = c.priv;
        credentials.context = "impressoras";
        const LocalizedKeys keys =
            c.auth == AuthProtocol::None ? LocalizedKeys{} : KeysFor(credentials, engine.engineId);
        const std::optional<std::string> message =
            EncodeV3Get(credentials, keys, engine, 4242, 4343, "1.3.6.1.2.1.43.5.1.1.17.1",
                        Octets("00 00 00 07 01 02 03 04"));
        ASSERT_TRUE(message) << static_cast<int>(c.auth) << "/" << static_cast<int>(c.priv);
        const std::optional<V3Reply> read = DecodeV3Message(*message, &credentials, &keys);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->msgId, 4242);
        EXPECT_EQ(read->engine.boots, 7u);
        EXPECT_EQ(read->engine.time, 123456u);
        EXPECT_EQ(read->authenticated, c.auth != AuthProtocol::None);
        EXPECT_FALSE(read->badDigest);
        ASSERT_TRUE(read->pdu) << static_cast<int>(c.auth) << "/" << static_cast<int>(c.priv);
        EXPECT_EQ(read->pdu->type, kTagGetRequest);
        EXPECT_EQ(read->pdu->requestId, 4343);
        ASSERT_EQ(read->pdu->bindings.size(), 1u);
        EXPECT_EQ(read->pdu->bindings[0].oid, "1.3.6.1.2.1.43.5.1.1.17.1");
        EXPECT_EQ(read->pdu->bindings[0].tag, kTagNull);
        if (c.priv != PrivProtocol::None) { // the OID must not travel in the clear
            EXPECT_EQ(message->find(EncodeOidContents("1.3.6.1.2.1.43.5.1.1.17.1")), std::string::npos);
        }
    }
}

TEST(V3Message, TheDiscoveryRequestOctets)
{
    EXPECT_EQ(Hex(EncodeDiscoveryRequest(77, 77)),
              Hex(Octets(
                  "30 38 02 01 03 30 0E 02 01 4D 02 03 00 FF E3 04 01 04 02 01 03 04 10 30 0E 04 00 02 01 "
                  "00 02 01 00 04 00 04 00 04 00 30 11 04 00 04 00 A0 0B 02 01 4D 02 01 00 02 01 00 30 00")));
}

TEST(V3Message, MessagesOutOfShape)
{
    const Credentials coletor = test::ColetorV3User();
    const LocalizedKeys keys = KeysFor(coletor, kSnmpdEngine);
    // Every shorter piece of a good message: no reply, never a read outside it.
    for (std::size_t size = 0; size < kSnmpdResponse.size(); ++size)
        EXPECT_FALSE(DecodeV3Message(std::string_view(kSnmpdResponse).substr(0, size), &coletor, &keys))
            << size;
    const struct {
        const char* what;
        const char* octets;
    } cases[] = {
        {"version 1", "30 0E 02 01 01 30 09 02 01 01 02 01 00 04 01 00"},
        {"no header", "30 03 02 01 03"},
        {"security model 2", "30 1A 02 01 03 30 0D 02 01 01 02 02 FF E3 04 01 00 02 01 02 04 02 30 00 30 00"},
        {"two flag octets",
         "30 1B 02 01 03 30 0E 02 01 01 02 02 FF E3 04 02 00 00 02 01 03 04 02 30 00 30 00"},
        {"empty security parameters",
         "30 19 02 01 03 30 0D 02 01 01 02 02 FF E3 04 01 00 02 01 03 04 00 30 00"},
        {"indefinite length", "30 80 02 01 03 00 00"},
        {"a length of five octets", "30 85 00 00 00 00 05 02 01 03"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(DecodeV3Message(Octets(c.octets), &coletor, &keys)) << c.what;
}

TEST(SecondVersionValue, Counter64AndTheExceptions)
{
    const struct {
        const char* what;
        std::uint8_t tag;
        const char* contents;
        std::optional<std::string> value;
    } cases[] = {
        {"Counter64 zero", 0x46, "00", "0"},
        {"Counter64 above 32 bits", 0x46, "01 2A 05 F2 00", "5000000000"},
        {"Counter64 largest, with its leading 00", 0x46, "00 FF FF FF FF FF FF FF FF",
         "18446744073709551615"},
        {"noSuchObject", 0x80, "", std::nullopt},
        {"noSuchInstance", 0x81, "", std::nullopt},
        {"endOfMibView", 0x82, "", std::nullopt},
        {"INTEGER as v1 reads it", 0x02, "FF", "-1"},
        {"OCTET STRING", 0x04, "41 42", "AB"},
    };
    for (const auto& c : cases) {
        const std::string contents = Octets(c.contents);
        const Binding binding{"1.3.6.1", ValueText(c.tag, contents), c.tag};
        EXPECT_EQ(SecondVersionValue(binding), c.value) << c.what;
    }
}

TEST(Pdu, StrictReading)
{
    const struct {
        const char* what;
        const char* octets;
        bool read;
    } cases[] = {
        {"a response", "A2 12 02 01 05 02 01 00 02 01 00 30 07 30 05 06 01 2B 05 00", true},
        {"no bindings", "A2 0B 02 01 05 02 01 00 02 01 00 30 00", true},
        {"not a PDU tag", "30 0B 02 01 05 02 01 00 02 01 00 30 00", false},
        {"a binding without a value", "A2 10 02 01 05 02 01 00 02 01 00 30 05 30 03 06 01 2B", false},
        {"binding list runs past the PDU", "A2 0B 02 01 05 02 01 00 02 01 00 30 05", false},
        {"request-id of nine octets", "A2 13 02 09 01 00 00 00 00 00 00 00 00 02 01 00 02 01 00 30 00",
         false},
        {"an OID cut inside a subidentifier", "A2 12 02 01 05 02 01 00 02 01 00 30 07 30 05 06 01 AB 05 00",
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodePdu(Octets(c.octets)).has_value(), c.read) << c.what;
}

TEST(BerEncoder, TheV2cRequestDiffersFromV1OnlyInItsVersion)
{
    const std::string v1 = EncodeGetRequest("1.3.6.1.2.1.1.1.0", "empresa");
    const std::string v2c = EncodeGetRequest("1.3.6.1.2.1.1.1.0", "empresa", 1, 1);
    EXPECT_EQ(Hex(v2c),
              Hex(Octets("30 27 02 01 01 04 07 65 6D 70 72 65 73 61 A0 19 02 01 01 02 01 00 02 01 00 30 "
                         "0E 30 0C 06 08 2B 06 01 02 01 01 01 00 05 00")));
    std::string asV1 = v2c;
    asV1[4] = 0x00;
    EXPECT_EQ(Hex(asV1), Hex(v1));
}

} // namespace
} // namespace vorenta::snmp
