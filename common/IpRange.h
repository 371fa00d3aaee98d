#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace vorenta {

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

/// One range the collector walks: hosts firstHost to lastHost of one /24.
struct IpRange {
    QString prefix; ///< "192.168.0."
    int firstHost = 0;
    int lastHost = 0; ///< as written; the walk stops at 254 whatever it says

    /// The range as the tool stores it and the messages name it: "192.168.0.1 - 192.168.0.254".
    QString text() const;
};

/// What the range rules found wrong with a range, in the order they are tried.
enum class IpRangeProblem {
    None,
    StartNotAddress, ///< the start is not four numbers 0 to 255 joined by dots
    EndNotAddress,   ///< nor is the end
    OtherNetwork,    ///< the end lies on another /24 than the start
    EndBeforeStart,
    AlreadyListed, ///< the same hosts as a listed range
    Overlaps,      ///< hosts in common with a listed range
};

/// How a range end's host number is read. Ranges typed now are whole addresses; rows stored
/// before the tool checked them may end past the network (".300"), and the collector has always
/// walked those to .254, so it goes on doing so rather than drop a customer's range.
enum class IpRangeEnd { WholeAddress, HostPastNetwork };

/// The verdict of CheckIpRange.
struct IpRangeVerdict {
    IpRangeProblem problem = IpRangeProblem::None;
    /// What is wrong and how to write it, in Portuguese, for a message box or a log line.
    QString reason;
    /// The range, once both ends were read (also for EndBeforeStart and the list problems).
    std::optional<IpRange> range;
    /// For AlreadyListed and Overlaps: the listed range it collides with (an index of `listed`).
    qsizetype listedIndex = -1;
    /// For Overlaps: every host of the range is in the listed one, so walking it adds nothing.
    bool coveredByListed = false;

    bool ok() const { return problem == IpRangeProblem::None; }
};

/// The range rules both programs apply: the tool before it inserts a range, the collector when it
/// loads its ranges. Both ends whole dotted addresses on one /24, the end not before the start,
/// and no host in common with any range of `listed` (the ranges already accepted, in list order).
IpRangeVerdict CheckIpRange(const QString& startText, const QString& endText, const QList<IpRange>& listed,
                            IpRangeEnd endRule = IpRangeEnd::WholeAddress);

} // namespace vorenta
