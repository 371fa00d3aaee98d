#include "collector/snmp/Pdu.h"

#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/BerReader.h"

namespace vorenta::snmp {

namespace {

constexpr std::uint8_t kTagNoSuchObject = 0x80;
constexpr std::uint8_t kTagNoSuchInstance = 0x81;
constexpr std::uint8_t kTagEndOfMibView = 0x82;

std::string Counter64Text(std::string_view contents)
{
    std::uint64_t value = 0; // a leading 00 octet and anything above 64 bits fall out here
    for (const char octet : contents)
        value = (value << 8) | static_cast<std::uint8_t>(octet);
    return std::to_string(value);
}

} // namespace

const Binding* Pdu::find(std::string_view oid) const
{
    for (const Binding& binding : bindings) {
        if (binding.oid == oid)
            return &binding;
    }
    return nullptr;
}

std::optional<Pdu> DecodePdu(std::string_view data)
{
    BerReader outer(data);
    const std::optional<BerElement> element = outer.next();
    if (!element || (element->tag & 0xE0) != 0xA0) // context-specific, constructed
        return std::nullopt;
    Pdu pdu;
    pdu.type = element->tag;
    BerReader fields(element->contents);
    const std::optional<std::int64_t> requestId = fields.nextInteger();
    const std::optional<std::int64_t> errorStatus = fields.nextInteger();
    const std::optional<std::int64_t> errorIndex = fields.nextInteger();
    const std::optional<BerElement> list = fields.next(kTagSequence);
    if (!requestId || !errorStatus || !errorIndex || !list)
        return std::nullopt;
    pdu.requestId = *requestId;
    pdu.errorStatus = *errorStatus;
    pdu.errorIndex = *errorIndex;
    BerReader bindings(list->contents);
    while (!bindings.atEnd()) {
        const std::optional<BerElement> binding = bindings.next(kTagSequence);
        if (!binding)
            return std::nullopt;
        BerReader pair(binding->contents);
        const std::optional<BerElement> oid = pair.next(kTagObjectIdentifier);
        const std::optional<BerElement> value = pair.next();
        if (!oid || !value)
            return std::nullopt;
        std::string oidText = ValueText(kTagObjectIdentifier, oid->contents);
        if (oidText.empty())
            return std::nullopt;
        pdu.bindings.push_back({std::move(oidText), ValueText(value->tag, value->contents), value->tag});
    }
    return pdu;
}

std::optional<std::string> SecondVersionValue(const Binding& binding)
{
    switch (binding.tag) {
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView:
        return std::nullopt;
    case kTagCounter64:
        return Counter64Text(binding.value); // ValueText left the octets as sent
    default:
        return binding.value;
    }
}

} // namespace vorenta::snmp
