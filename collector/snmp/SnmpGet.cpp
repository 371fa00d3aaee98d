#include "collector/snmp/SnmpGet.h"

#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ReplyDecoder.h"
#include "collector/snmp/UdpExchange.h"

namespace vorenta::snmp {

GetResult SnmpGet(std::string_view oid, std::string_view community, std::string_view host, std::uint16_t port,
                  int waitMs)
{
    const ExchangeResult exchange = ExchangeDatagram(EncodeGetRequest(oid, community), host, port, waitMs);
    if (exchange.failure != GetFailure::None)
        return {false, {}, exchange.failure};
    const std::optional<Reply> reply = DecodeReply(exchange.datagram);
    if (!reply)
        return {false, {}, GetFailure::Undecodable};
    // Any well-formed reply counts, whatever its error status; a missing OID gives empty text.
    const Binding* binding = reply->find(oid);
    return {true, binding ? binding->value : std::string(), GetFailure::None};
}

} // namespace vorenta::snmp
