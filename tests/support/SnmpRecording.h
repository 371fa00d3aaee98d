#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vorenta::test {

/// A value ready to be bound in a reply: BER tag and content octets.
struct RecordedValue {
    std::uint8_t tag = 0x05;
    std::string contents;
};

/// What a simulated device answers: OID text -> value, read from snmpsim's `.snmprec` format
/// (`OID|TAG|VALUE` per line; tags 2 int, 4 octet string, 5 null, 6 oid, 64 ipaddress,
/// 65 counter32, 66 gauge32, 67 timeticks, 70 counter64; a tag ending in "x" takes the value
/// as hex octets). The same text can be served by snmpsimd, so recordings fit both.
class SnmpRecording {
public:
    /// Parses `.snmprec` text; throws std::invalid_argument on a line it cannot read.
    static SnmpRecording FromText(std::string_view text);
    /// Reads a `.snmprec` file; throws std::runtime_error when it cannot be read.
    static SnmpRecording FromFile(const std::string& path);

    /// Adds or replaces one entry with an `.snmprec` tag and value (e.g. "65", "1234").
    void set(const std::string& oid, std::string_view tag, std::string_view value);
    /// Adds or replaces one entry with raw BER tag and content octets.
    void setRaw(const std::string& oid, std::uint8_t tag, std::string contents);

    std::optional<RecordedValue> find(const std::string& oid) const;
    bool empty() const { return m_values.empty(); }
    /// The recording as `.snmprec` text in OID order (for snmpsimd's data dir).
    std::string toText() const;

private:
    struct Entry {
        std::string tagText;   // as written in `.snmprec`
        std::string valueText; // as written in `.snmprec`
        RecordedValue value;
    };
    std::map<std::string, Entry> m_values;
};

} // namespace vorenta::test
