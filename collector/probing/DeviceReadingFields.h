#pragma once

#include "collector/probing/DeviceReading.h"

#include <array>

namespace vorenta {

/// One field of DeviceReading with its name, so that code can walk every field: the local queue
/// writes and reads a reading by these names, the tests fill, compare and print all of them.
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

// A field added to the record without a row above would be lost by the local queue and missed by
// the tests that walk every field.
static_assert(sizeof(DeviceReading) == kReadingFields.size() * sizeof(QString));

} // namespace vorenta
