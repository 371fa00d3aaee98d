// Cost of the SNMP codec per GET: building the request and decoding a typical reply. The socket
// exchange is left out; on a LAN it dwarfs both.
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ReplyDecoder.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vorenta::snmp;

constexpr const char* kOid = "1.3.6.1.4.1.367.3.2.1.2.19.5.1.5.1";

// A GetResponse binding kOid to Counter32 4294967295, as an agent sends it.
std::string TypicalReply()
{
    const std::string binding =
        EncodeElement(kTagSequence, EncodeElement(kTagObjectIdentifier, EncodeOidContents(kOid)) +
                                        EncodeElement(0x41, std::string("\x00\xFF\xFF\xFF\xFF", 5)));
    const std::string pdu = EncodeElement(kTagInteger, EncodeIntegerContents(1)) +
                            EncodeElement(kTagInteger, EncodeIntegerContents(0)) +
                            EncodeElement(kTagInteger, EncodeIntegerContents(0)) +
                            EncodeElement(kTagSequence, binding);
    return EncodeElement(kTagSequence, EncodeElement(kTagInteger, EncodeIntegerContents(0)) +
                                           EncodeElement(kTagOctetString, "public") +
                                           EncodeElement(0xA2, pdu));
}

void EncodeRequestAndDecodeReply(benchmark::State& state)
{
    const std::string reply = TypicalReply();
    for (auto _ : state) {
        std::string request = EncodeGetRequest(kOid, "public");
        benchmark::DoNotOptimize(request);
        std::optional<Reply> decoded = DecodeReply(reply);
        benchmark::DoNotOptimize(decoded->find(kOid)->value);
    }
}
BENCHMARK(EncodeRequestAndDecodeReply);

} // namespace

BENCHMARK_MAIN();
