#pragma once

#include <QString>

#include <array>

namespace vorenta {

/// One configured IP range, as the RangeIP row gave it (IPINI, IPFIN).
struct RangeSlot {
    QString StartIp;
    QString EndIp;
};

/// The collector's ranges, loaded from RangeIP at every cycle. Slots are numbered 1 to 1000.
struct RangeTable {
    static constexpr int kSlots = 1000;

    std::array<RangeSlot, kSlots> entries{}; // "slots" is a Qt keyword
    bool RangesConfigured = false;

    RangeSlot& slot(int number) { return entries.at(static_cast<size_t>(number - 1)); }
    const RangeSlot& slot(int number) const { return entries.at(static_cast<size_t>(number - 1)); }
};

} // namespace vorenta
