#include "collector/snmp/ReplyDecoder.h"

#include "collector/snmp/BerEncoder.h"

#include <charconv>

namespace vorenta::snmp {

namespace {

constexpr std::uint8_t kTagBoolean = 0x01;
constexpr std::uint8_t kTagEnumerated = 0x0A;
constexpr std::uint8_t kTagIpAddress = 0x40;
constexpr std::uint8_t kTagCounter32 = 0x41;
constexpr std::uint8_t kTagGauge32 = 0x42;
constexpr std::uint8_t kTagTimeTicks = 0x43;

// Lengths above this cannot belong to a UDP datagram; they only mean "runs past the end".
constexpr std::uint64_t kLengthLimit = 0xFFFFFFFFu;

std::uint8_t Octet(std::string_view data, std::size_t index)
{
    return static_cast<std::uint8_t>(data[index]);
}

std::string SignedText(std::string_view contents)
{
    if (contents.empty())
        return "0";
    // Sign-extend from the first octet, then keep the lowest 32 bits.
    std::uint32_t value = (Octet(contents, 0) & 0x80) ? 0xFFFFFFFFu : 0u;
    for (std::size_t i = 0; i < contents.size(); ++i)
        value = (value << 8) | Octet(contents, i);
    return std::to_string(static_cast<std::int32_t>(value));
}

std::string UnsignedText(std::string_view contents)
{
    std::uint32_t value = 0; // a leading 00 octet and everything above 32 bits fall out here
    for (std::size_t i = 0; i < contents.size(); ++i)
        value = (value << 8) | Octet(contents, i);
    return std::to_string(value);
}

// Dotted text of OID contents. The first subidentifier v holds two arcs: below 80 they are
// v div 40 and v mod 40, from 80 on the first arc is 2 and the second v - 80 (it may be large
// and take several octets). Contents that end inside a subidentifier (its last octet still says
// "more follow") are no OID: any text made of them would name an object the device never sent,
// perhaps one that exists (2B 06 81 is not 1.3.6.1), so they give empty text.
std::string OidText(std::string_view contents)
{
    std::string text;
    std::uint64_t subidentifier = 0;
    bool first = true;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const std::uint8_t octet = Octet(contents, i);
        subidentifier = (subidentifier << 7) | (octet & 0x7F);
        if (octet & 0x80) {
            if (i + 1 == contents.size())
                return {};
            continue;
        }
        if (first) {
            const std::uint64_t arc1 = subidentifier < 80 ? subidentifier / 40 : 2;
            text = std::to_string(arc1) + '.' + std::to_string(subidentifier - 40 * arc1);
            first = false;
        } else {
            text += '.' + std::to_string(subidentifier);
        }
        subidentifier = 0;
    }
    return text;
}

std::string IpAddressText(std::string_view contents)
{
    std::string text;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        if (i != 0)
            text += '.';
        text += std::to_string(Octet(contents, i));
    }
    return text;
}

std::int32_t IntegerOf(const std::string& text)
{
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

/// One element as the flat walk sees it.
struct Element {
    std::uint8_t tag = kTagNull;
    std::string text;
};

/// Walks a datagram element by element. Positions count from 1 at the first octet.
class FlatReader {
public:
    explicit FlatReader(std::string_view datagram) : m_datagram(datagram) {}

    std::size_t position() const { return m_position; }
    void setPosition(std::size_t position) { m_position = position; }

    /// Reads one element at the position: constructed ones are entered, others consumed.
    Element read()
    {
        if (remaining() < 2)
            return {};
        const std::uint8_t tag = at(m_position);
        const std::optional<Header> header = headerAt(m_position);
        if (!header) { // the length octets themselves run past the end
            m_position = m_datagram.size() + 1;
            return {tag, {}};
        }
        const std::size_t contentsStart = m_position + header->size;
        m_position = contentsStart;
        if (tag & kConstructedBit)
            return {tag, {}};
        if (header->length > m_datagram.size() + 1 - contentsStart)
            return {tag, {}};
        m_position = contentsStart + header->length;
        return {tag, ValueText(tag, m_datagram.substr(contentsStart - 1, header->length))};
    }

    /// Tag and length octets of the element at `position`.
    struct Header {
        std::size_t size = 0;     // tag and length octets
        std::uint64_t length = 0; // declared contents length
    };

    /// The header at `position` (which must hold at least two octets), or nullopt when its length
    /// octets do not fit in the datagram or declare more than a datagram can hold.
    std::optional<Header> headerAt(std::size_t position) const
    {
        const std::uint8_t first = at(position + 1);
        if (first < 0x80)
            return Header{2, first};
        const std::size_t count = first & 0x7F;
        if (count > m_datagram.size() - (position + 1))
            return std::nullopt;
        std::uint64_t length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            length = (length << 8) | at(position + 2 + i);
            if (length > kLengthLimit)
                return std::nullopt;
        }
        return Header{2 + count, length};
    }

private:
    std::size_t remaining() const { return m_datagram.size() + 1 - m_position; }
    std::uint8_t at(std::size_t position) const { return Octet(m_datagram, position - 1); }

    std::string_view m_datagram;
    std::size_t m_position = 1;
};

} // namespace

const Binding* Reply::find(std::string_view oid) const
{
    for (const Binding& binding : bindings) {
        if (binding.oid == oid)
            return &binding;
    }
    return nullptr;
}

std::string ValueText(std::uint8_t tag, std::string_view contents)
{
    switch (tag) {
    case kTagInteger:
    case kTagBoolean:
    case kTagEnumerated:
        return SignedText(contents);
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks:
        return UnsignedText(contents);
    case kTagObjectIdentifier:
        return OidText(contents);
    case kTagIpAddress:
        return IpAddressText(contents);
    case kTagNull:
        return {};
    default: // OCTET STRING, Opaque, Counter64, exceptions, anything unknown: the octets as sent
        return std::string(contents);
    }
}

std::optional<Reply> DecodeReply(std::string_view datagram)
{
    // Acceptance: at least 2 octets, constructed, and as long as the outer element says.
    if (datagram.size() < 2 || !(Octet(datagram, 0) & kConstructedBit))
        return std::nullopt;
    FlatReader reader(datagram);
    const std::optional<FlatReader::Header> outer = reader.headerAt(1);
    if (!outer || datagram.size() < outer->length + outer->size)
        return std::nullopt;
    reader.setPosition(1 + outer->size);

    Reply reply;
    reply.version = IntegerOf(reader.read().text);
    reply.community = reader.read().text;
    reply.pduType = reader.read().tag;
    if (reply.pduType != kTagTrapV1) {
        reply.requestId = IntegerOf(reader.read().text);
        reply.errorStatus = IntegerOf(reader.read().text);
        reply.errorIndex = IntegerOf(reader.read().text);
    }
    reader.read(); // the binding list, entered

    while (reader.position() < outer->length) {
        const std::size_t before = reader.position();
        reader.read(); // the binding, entered
        Element oid = reader.read();
        Element value = reader.read();
        if (!oid.text.empty())
            reply.bindings.push_back({std::move(oid.text), std::move(value.text), value.tag});
        if (reader.position() == before) // cannot happen on an accepted datagram; never spin
            break;
    }
    return reply;
}

} // namespace vorenta::snmp
