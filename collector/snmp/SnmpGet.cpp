#include "collector/snmp/SnmpGet.h"

#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ReplyDecoder.h"
#include "collector/snmp/UdpExchange.h"

namespace vorenta::snmp {

namespace {

GetResult ResultOf(const ExchangeResult& exchange, std::string_view oid)
{
    if (exchange.failure != GetFailure::None)
        return {false, {}, exchange.failure};
    const std::optional<Reply> reply = DecodeReply(exchange.datagram);
    if (!reply)
        return {false, {}, GetFailure::Undecodable};
    // Any well-formed reply counts, whatever its error status; a missing OID gives empty text.
    const Binding* binding = reply->find(oid);
    return {true, binding ? binding->value : std::string(), GetFailure::None, reply->errorStatus};
}

} // namespace

GetResult SnmpGet(std::string_view oid, std::string_view community, std::string_view host, std::uint16_t port,
                  int waitMs, int cancelDescriptor)
{
    return ResultOf(ExchangeDatagram(EncodeGetRequest(oid, community), host, port, waitMs, cancelDescriptor),
                    oid);
}

std::vector<GetResult> SnmpGetMany(std::span<const std::string> oids, std::string_view community,
                                   std::string_view host, std::uint16_t port, int waitMs,
                                   int cancelDescriptor)
{
    std::vector<std::string> requests;
    requests.reserve(oids.size());
    for (const std::string& oid : oids)
        requests.push_back(EncodeGetRequest(oid, community));
    const std::vector<ExchangeResult> exchanges =
        ExchangeDatagrams(requests, host, port, waitMs, cancelDescriptor);
    std::vector<GetResult> results;
    results.reserve(oids.size());
    for (std::size_t i = 0; i < oids.size(); ++i)
        results.push_back(ResultOf(exchanges[i], oids[i]));
    return results;
}

} // namespace vorenta::snmp
