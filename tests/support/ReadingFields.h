#pragma once

#include "collector/probing/DeviceReading.h"

#include <QString>

#include <array>
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

/// Every field of DeviceReading with its name, so tests can fill, compare and print all of them.
struct ReadingField {
    const char* name;
    QString DeviceReading::*member;
};

inline constexpr std::array<ReadingField, 41> kReadingFields{{
    {"inf1", &DeviceReading::inf1},
    {"inf2", &DeviceReading::inf2},
    {"inf3", &DeviceReading::inf3},
    {"inf4", &DeviceReading::inf4},
    {"inf5", &DeviceReading::inf5},
    {"NSerie", &DeviceReading::NSerie},
    {"Modelo", &DeviceReading::Modelo},
    {"Fabricante", &DeviceReading::Fabricante},
    {"ContGeral", &DeviceReading::ContGeral},
    {"StatusEquip", &DeviceReading::StatusEquip},
    {"Falha", &DeviceReading::Falha},
    {"ContColor", &DeviceReading::ContColor},
    {"ContPb", &DeviceReading::ContPb},
    {"ContScan", &DeviceReading::ContScan},
    {"WorkA", &DeviceReading::WorkA},
    {"WorkB", &DeviceReading::WorkB},
    {"WorkC", &DeviceReading::WorkC},
    {"IP", &DeviceReading::IP},
    {"MacAddress", &DeviceReading::MacAddress},
    {"ContA3", &DeviceReading::ContA3},
    {"ContA4", &DeviceReading::ContA4},
    {"ContJams", &DeviceReading::ContJams},
    {"NivelB", &DeviceReading::NivelB},
    {"NivelY", &DeviceReading::NivelY},
    {"NivelC", &DeviceReading::NivelC},
    {"NivelM", &DeviceReading::NivelM},
    {"WorkD", &DeviceReading::WorkD},
    {"WorkE", &DeviceReading::WorkE},
    {"WorkF", &DeviceReading::WorkF},
    {"WorkG", &DeviceReading::WorkG},
    {"DeviceIdString", &DeviceReading::DeviceIdString},
    {"WorkH", &DeviceReading::WorkH},
    {"SupriB", &DeviceReading::SupriB},
    {"DurabB", &DeviceReading::DurabB},
    {"SupriC", &DeviceReading::SupriC},
    {"DurabC", &DeviceReading::DurabC},
    {"SupriY", &DeviceReading::SupriY},
    {"DurabY", &DeviceReading::DurabY},
    {"SupriM", &DeviceReading::SupriM},
    {"DurabM", &DeviceReading::DurabM},
    {"DeviceLocation", &DeviceReading::DeviceLocation},
}};

// A field added to the record without a row above makes the tests that walk every field blind.
static_assert(sizeof(DeviceReading) == kReadingFields.size() * sizeof(QString));

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
