#pragma once

#include <QString>

#include <string_view>

namespace vorenta {

/// Octets to text, one character per octet, as a Portuguese Windows host reads them: 0x80-0x9F
/// through the Windows-1252 table (the five unassigned octets stay as U+0081, U+008D, U+008F,
/// U+0090 and U+009D), every other octet to the character with the same code. NUL octets stay.
QString DecodeWindows1252(std::string_view octets);

/// The inverse, for texts that must go back to octets; characters outside Windows-1252 become '?'.
std::string EncodeWindows1252(const QString& text);

} // namespace vorenta
