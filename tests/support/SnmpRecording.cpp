#include "tests/support/SnmpRecording.h"

#include "tests/support/FixtureBer.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorenta::test {

namespace {

std::string FromHex(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        throw std::invalid_argument("odd hex value: " + std::string(hex));
    std::string octets;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned octet = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, octet, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            throw std::invalid_argument("bad hex value: " + std::string(hex));
        octets.push_back(static_cast<char>(octet));
    }
    return octets;
}

std::string ToHex(std::string_view octets)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : octets) {
        hex.push_back(digits[static_cast<std::uint8_t>(c) >> 4]);
        hex.push_back(digits[static_cast<std::uint8_t>(c) & 0x0F]);
    }
    return hex;
}

template <typename Number> Number NumberOf(std::string_view text)
{
    Number number{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::invalid_argument("bad number: " + std::string(text));
    return number;
}

// Content octets of an `.snmprec` value (hex already undone when the tag ended in "x").
std::string ContentsOf(int tag, std::string_view value, bool hex)
{
    if (hex)
        return FromHex(value);
    switch (tag) {
    case 2:
        return ber::SignedContents(NumberOf<std::int64_t>(value));
    case 4:
        return std::string(value);
    case 5:
        return {};
    case 6:
        if (const std::optional<std::string> contents = ber::OidContents(value))
            return *contents;
        throw std::invalid_argument("bad OID value: " + std::string(value));
    case 64: {
        in_addr address{};
        if (::inet_pton(AF_INET, std::string(value).c_str(), &address) != 1)
            throw std::invalid_argument("bad IpAddress value: " + std::string(value));
        return std::string(reinterpret_cast<const char*>(&address), 4);
    }
    case 65:
    case 66:
    case 67:
    case 70:
        return ber::UnsignedContents(NumberOf<std::uint64_t>(value));
    default:
        throw std::invalid_argument("unsupported tag " + std::to_string(tag));
    }
}

} // namespace

SnmpRecording SnmpRecording::FromText(std::string_view text)
{
    SnmpRecording recording;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t bar1 = line.find('|');
        const std::size_t bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
        if (bar2 == std::string::npos)
            throw std::invalid_argument("broken record: " + line);
        recording.set(line.substr(0, bar1), std::string_view(line).substr(bar1 + 1, bar2 - bar1 - 1),
                      std::string_view(line).substr(bar2 + 1));
    }
    return recording;
}

SnmpRecording SnmpRecording::FromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read recording " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return FromText(text.str());
}

void SnmpRecording::set(const std::string& oid, std::string_view tag, std::string_view value)
{
    const bool hex = !tag.empty() && tag.back() == 'x';
    const int number = NumberOf<int>(hex ? tag.substr(0, tag.size() - 1) : tag);
    RecordedValue recorded{static_cast<std::uint8_t>(number), ContentsOf(number, value, hex)};
    m_values[oid] = {std::string(tag), std::string(value), std::move(recorded)};
}

void SnmpRecording::setRaw(const std::string& oid, std::uint8_t tag, std::string contents)
{
    // Only octet-string-like values can be written back as hex for snmpsimd.
    m_values[oid] = {std::to_string(tag) + "x", ToHex(contents), RecordedValue{tag, std::move(contents)}};
}

std::optional<RecordedValue> SnmpRecording::find(const std::string& oid) const
{
    const auto found = m_values.find(oid);
    if (found == m_values.end())
        return std::nullopt;
    return found->second.value;
}

std::string SnmpRecording::toText() const
{
    // snmpsimd wants its records in OID order, arc by arc.
    std::vector<std::pair<std::vector<std::uint64_t>, std::string>> lines;
    for (const auto& [oid, entry] : m_values) {
        std::vector<std::uint64_t> arcs;
        std::istringstream pieces(oid);
        for (std::string piece; std::getline(pieces, piece, '.');)
            arcs.push_back(piece.empty() ? 0 : std::stoull(piece));
        lines.emplace_back(std::move(arcs), oid + "|" + entry.tagText + "|" + entry.valueText);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines)
        text += line.second + "\n";
    return text;
}

} // namespace vorenta::test
