#pragma once

#include <QString>

#include <array>
#include <optional>
#include <stdexcept>

namespace vorenta {

/// Raised when a configured range's texts do not give host numbers on one network.
class RangeWalkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The part of a cycle that visits addresses: a configured range, or hosts of the network whose
/// prefix was set (the local-network fallback).
class AddressWalk {
public:
    virtual ~AddressWalk() = default;

    /// Sets the prefix from `startText` and visits the range. Throws RangeWalkError when the
    /// start or end text does not give a host number.
    virtual void WalkRange(const QString& startText, const QString& endText) = 0;

    /// The network prefix, up to and including its third dot, that CollectRange builds addresses on.
    virtual void SetCurrentPrefix(const QString& prefix) = 0;

    /// Visits CurrentPrefix + h for h = firstHost .. lastHost (255 skipped). Never throws.
    virtual void CollectRange(int firstHost, int lastHost) = 0;
};

/// An IPv4 address written as four decimal numbers joined by dots, as a range text holds it.
struct DottedAddress {
    std::array<int, 4> numbers{};

    /// The network prefix in canonical form, up to and including the third dot ("192.168.0.").
    QString prefix() const;
    /// The host number, the fourth number.
    int host() const { return numbers[3]; }
};

/// `text` (blanks and control characters around it ignored) as a dotted IPv4 address: four
/// groups of decimal digits, each 0 to 255. With `anyHost`, the fourth may be any number of up
/// to nine digits (a range end above 254 is cut to 254 by the walk). Nothing for any other text,
/// so "999.0.0.1" or "a.b.c.1" never reach the resolver as host names.
std::optional<DottedAddress> ParseDottedAddress(const QString& text, bool anyHost = false);

/// The prefix of a dotted address, from its first character up to and including its third dot
/// ("192.168.0.10" gives "192.168.0."). Empty when the text has fewer than three dots.
QString NetworkPrefix(const QString& address);

} // namespace vorenta
