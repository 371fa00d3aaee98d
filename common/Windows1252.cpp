#include "Windows1252.h"

#include <array>

namespace vorenta {

namespace {
// Windows-1252 assignments of 0x80 to 0x9F; unassigned octets map to their own code.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

QString DecodeWindows1252(std::string_view octets)
{
    QString text;
    text.reserve(static_cast<qsizetype>(octets.size()));
    for (char octet : octets) {
        const auto code = static_cast<unsigned char>(octet);
        if (code >= 0x80 && code <= 0x9F)
            text.append(QChar(kHighControls[code - 0x80]));
        else
            text.append(QChar(static_cast<char16_t>(code)));
    }
    return text;
}

std::string EncodeWindows1252(const QString& text)
{
    std::string octets;
    octets.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            octets.push_back(static_cast<char>(code));
            continue;
        }
        char encoded = '?';
        for (size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == code) {
                encoded = static_cast<char>(0x80 + i);
                break;
            }
        }
        octets.push_back(encoded);
    }
    return octets;
}

} // namespace vorenta
