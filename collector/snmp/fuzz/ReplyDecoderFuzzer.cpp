// Feeds arbitrary datagrams to the reply decoders: it must never read outside them, never hang and
// never hit undefined behaviour. The same octets also go through the value table, the v2c value
// reading, the strict PDU reader, the v3 message reader (with keys, so the digest check and both
// ciphers run on them) and, as OID text, through the request encoder.
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/Pdu.h"
#include "collector/snmp/ReplyDecoder.h"
#include "collector/snmp/V3Message.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vorenta::snmp;
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);

    if (const std::optional<Reply> reply = DecodeReply(datagram)) {
        // Only bindings with an OID text are kept, and each can be found again by it.
        for (const Binding& binding : reply->bindings) {
            if (binding.oid.empty() || reply->find(binding.oid) == nullptr)
                std::abort();
            (void)SecondVersionValue(binding); // as a v2c reply is read
        }
    }
    if (const std::optional<Pdu> pdu = DecodePdu(datagram)) {
        for (const Binding& binding : pdu->bindings) {
            if (binding.oid.empty() || pdu->find(binding.oid) == nullptr)
                std::abort();
        }
    }
    // The v3 reader without keys, and with the keys of a user of each cipher: keys of the right
    // lengths are enough for the digest and the decryption to run over whatever the input holds.
    (void)DecodeV3Message(datagram, nullptr, nullptr);
    static const Credentials kUsers[] = {
        {SnmpVersion::V3, {}, "u", AuthProtocol::Sha1, "x", PrivProtocol::Aes128, "y", {}},
        {SnmpVersion::V3, {}, "u", AuthProtocol::Md5, "x", PrivProtocol::Des, "y", {}},
        {SnmpVersion::V3, {}, "u", AuthProtocol::Sha512, "x", PrivProtocol::None, "", {}},
    };
    static const LocalizedKeys kKeys{std::string(64, '\x11'), std::string(32, '\x22')};
    const Credentials& user = kUsers[size % 3];
    if (const std::optional<V3Reply> reply = DecodeV3Message(datagram, &user, &kKeys)) {
        if (reply->authenticated && reply->badDigest)
            std::abort();
    }
    if (size > 0)
        (void)ValueText(data[0], datagram.substr(1));
    (void)EncodeGetRequest(datagram, "public");
    return 0;
}
