#pragma once

#include <string>
#include <string_view>

namespace vorenta::test {

/// Octets from spaced hex, "30 26 02 01", so tables read like packet dumps.
inline std::string Octets(std::string_view hex)
{
    std::string octets;
    int high = -1;
    for (const char c : hex) {
        int nibble = -1;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        if (nibble < 0)
            continue;
        if (high < 0) {
            high = nibble;
        } else {
            octets.push_back(static_cast<char>(high << 4 | nibble));
            high = -1;
        }
    }
    return octets;
}

/// Spaced upper-case hex of `octets`, for readable failure messages.
inline std::string Hex(std::string_view octets)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : octets) {
        if (!text.empty())
            text.push_back(' ');
        text.push_back(digits[static_cast<unsigned char>(c) >> 4]);
        text.push_back(digits[static_cast<unsigned char>(c) & 0x0F]);
    }
    return text;
}

} // namespace vorenta::test
