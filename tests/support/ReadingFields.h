#pragma once

#include "collector/probing/DeviceReading.h"
#include "collector/probing/DeviceReadingFields.h"

#include <QString>

#include <cstdio>
#include <ostream>

/// GoogleTest output for texts: quoted, control characters and non-ASCII as \uXXXX.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"';
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= 0x20 && code < 0x7F && code != u'"' && code != u'\\') {
            *out << static_cast<char>(code);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(code));
            *out << escaped;
        }
    }
    *out << '"';
}

namespace vorenta {

/// GoogleTest output for a reading: its non-empty fields.
inline void PrintTo(const DeviceReading& reading, std::ostream* out)
{
    *out << "{";
    for (const ReadingField& field : kReadingFields) {
        const QString& value = reading.*field.member;
        if (!value.isEmpty()) {
            *out << ' ' << field.name << '=';
            PrintTo(value, out);
        }
    }
    *out << " }";
}

} // namespace vorenta
