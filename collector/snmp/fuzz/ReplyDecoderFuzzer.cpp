// Feeds arbitrary datagrams to the reply decoder: it must never read outside them, never hang and
// never hit undefined behaviour. The same octets also go through the value table and, as OID text,
// through the request encoder.
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ReplyDecoder.h"

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
        }
    }
    if (size > 0)
        (void)ValueText(data[0], datagram.substr(1));
    (void)EncodeGetRequest(datagram, "public");
    return 0;
}
