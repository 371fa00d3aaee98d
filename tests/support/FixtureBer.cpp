#include "tests/support/FixtureBer.h"

#include <charconv>

namespace vorenta::test::ber {

namespace {

/// A nested element found by Reader::next.
struct Parsed {
    std::uint8_t tag = 0;
    std::string_view contents;
};

/// Reads consecutive elements of one level; any overrun makes next() fail.
class Reader {
public:
    explicit Reader(std::string_view data) : m_data(data) {}

    std::optional<Parsed> next()
    {
        if (m_data.size() < 2)
            return std::nullopt;
        const auto tag = static_cast<std::uint8_t>(m_data[0]);
        std::size_t length = static_cast<std::uint8_t>(m_data[1]);
        std::size_t header = 2;
        if (length & 0x80) {
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || m_data.size() < 2 + count)
                return std::nullopt;
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | static_cast<std::uint8_t>(m_data[2 + i]);
            header += count;
        }
        if (m_data.size() - header < length)
            return std::nullopt;
        Parsed parsed{tag, m_data.substr(header, length)};
        m_data.remove_prefix(header + length);
        return parsed;
    }

    std::optional<Parsed> next(std::uint8_t expectedTag)
    {
        std::optional<Parsed> parsed = next();
        return parsed && parsed->tag == expectedTag ? parsed : std::nullopt;
    }

    bool atEnd() const { return m_data.empty(); }

private:
    std::string_view m_data;
};

std::optional<std::int64_t> IntegerOf(const std::optional<Parsed>& parsed)
{
    if (!parsed || parsed->tag != 0x02 || parsed->contents.empty() || parsed->contents.size() > 8)
        return std::nullopt;
    std::int64_t value = static_cast<std::int8_t>(parsed->contents[0]);
    for (std::size_t i = 1; i < parsed->contents.size(); ++i)
        value = static_cast<std::int64_t>(static_cast<std::uint64_t>(value) << 8) |
                static_cast<std::uint8_t>(parsed->contents[i]);
    return value;
}

void AppendBase128(std::string& out, std::uint64_t value)
{
    std::string groups(1, static_cast<char>(value & 0x7F));
    for (value >>= 7; value != 0; value >>= 7)
        groups.insert(groups.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    out += groups;
}

} // namespace

std::string Length(std::size_t length)
{
    if (length < 128)
        return std::string(1, static_cast<char>(length));
    std::string octets;
    for (; length != 0; length >>= 8)
        octets.insert(octets.begin(), static_cast<char>(length & 0xFF));
    return static_cast<char>(0x80 + octets.size()) + octets;
}

std::string Element(std::uint8_t tag, std::string_view contents)
{
    return static_cast<char>(tag) + Length(contents.size()) + std::string(contents);
}

std::string SignedContents(std::int64_t value)
{
    std::string octets;
    for (int i = 7; i >= 0; --i)
        octets.push_back(static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
    // Drop leading octets that only repeat the sign of the next one.
    while (octets.size() > 1) {
        const auto first = static_cast<std::uint8_t>(octets[0]);
        const auto second = static_cast<std::uint8_t>(octets[1]);
        if ((first == 0x00 && !(second & 0x80)) || (first == 0xFF && (second & 0x80)))
            octets.erase(0, 1);
        else
            break;
    }
    return octets;
}

std::string UnsignedContents(std::uint64_t value)
{
    std::string octets;
    do {
        octets.insert(octets.begin(), static_cast<char>(value & 0xFF));
        value >>= 8;
    } while (value != 0);
    if (static_cast<std::uint8_t>(octets[0]) & 0x80)
        octets.insert(octets.begin(), '\0');
    return octets;
}

std::optional<std::string> OidContents(std::string_view oid)
{
    std::vector<std::uint64_t> arcs;
    while (!oid.empty()) {
        const std::size_t dot = oid.find('.');
        const std::string_view piece = oid.substr(0, dot);
        std::uint64_t arc = 0;
        const auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), arc);
        if (piece.empty() || error != std::errc() || end != piece.data() + piece.size())
            return std::nullopt;
        arcs.push_back(arc);
        if (dot == std::string_view::npos)
            break;
        oid.remove_prefix(dot + 1);
        if (oid.empty())
            return std::nullopt; // trailing dot
    }
    if (arcs.size() < 2 || arcs[0] > 2)
        return std::nullopt;
    std::string contents;
    AppendBase128(contents, 40 * arcs[0] + arcs[1]);
    for (std::size_t i = 2; i < arcs.size(); ++i)
        AppendBase128(contents, arcs[i]);
    return contents;
}

std::string OidText(std::string_view contents)
{
    std::string text;
    std::uint64_t value = 0;
    bool first = true;
    for (const char c : contents) {
        const auto octet = static_cast<std::uint8_t>(c);
        value = (value << 7) | (octet & 0x7F);
        if (octet & 0x80)
            continue;
        if (first) {
            const std::uint64_t top = value < 40 ? 0 : value < 80 ? 1 : 2;
            text = std::to_string(top) + "." + std::to_string(value - 40 * top);
            first = false;
        } else {
            text += "." + std::to_string(value);
        }
        value = 0;
    }
    return text;
}

std::optional<Request> ParseRequest(std::string_view datagram)
{
    Reader outer(datagram);
    const std::optional<Parsed> message = outer.next(0x30);
    if (!message || !outer.atEnd())
        return std::nullopt;
    Reader fields(message->contents);
    Request request;
    const std::optional<std::int64_t> version = IntegerOf(fields.next());
    const std::optional<Parsed> community = fields.next(0x04);
    const std::optional<Parsed> pdu = fields.next();
    if (!version || !community || !pdu || !(pdu->tag & 0x20))
        return std::nullopt;
    request.version = *version;
    request.community = std::string(community->contents);
    request.pduType = pdu->tag;

    Reader pduFields(pdu->contents);
    const std::optional<std::int64_t> requestId = IntegerOf(pduFields.next());
    const std::optional<std::int64_t> errorStatus = IntegerOf(pduFields.next());
    const std::optional<std::int64_t> errorIndex = IntegerOf(pduFields.next());
    const std::optional<Parsed> list = pduFields.next(0x30);
    if (!requestId || !errorStatus || !errorIndex || !list)
        return std::nullopt;
    request.requestId = *requestId;
    Reader bindings(list->contents);
    while (!bindings.atEnd()) {
        const std::optional<Parsed> binding = bindings.next(0x30);
        if (!binding)
            return std::nullopt;
        Reader pair(binding->contents);
        const std::optional<Parsed> oid = pair.next(0x06);
        if (!oid || !pair.next())
            return std::nullopt;
        request.oids.push_back(OidText(oid->contents));
    }
    return request;
}

} // namespace vorenta::test::ber
