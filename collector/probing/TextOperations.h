#pragma once

#include <QString>

#include <stdexcept>

namespace vorenta {

/// `source` with every occurrence of `pattern` replaced, left to right, without overlaps; text put
/// in by a replacement is not searched again. An empty pattern leaves the source unchanged.
/// Case-sensitive.
QString ReplaceAll(const QString& source, const QString& pattern, const QString& replacement);

/// The text after the first `startMarker`, up to the next `endMarker`, once every further
/// occurrence of the start marker has been removed from that rest. Empty when the start marker
/// is missing or no end marker follows. Used on device-ID texts (MFG:...;MDL:...;SN:...;).
QString TextBetween(const QString& source, const QString& startMarker, const QString& endMarker);

/// The decimal digits of `text` in order, leading zeros kept; "0" when there is none.
QString DigitsOnly(const QString& text);

/// A counter operand that does not fit a double (more than 308 digits), or a product beyond the
/// double range.
class CounterOverflow : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

// Counter arithmetic. Each operand is trimmed (blank counts as "0") and reduced to DigitsOnly,
// so a sign, separator or unit is ignored ("-5" is 5, "1.234" is 1234, "N/D" is 0); the result is
// computed in double precision and written in the general form with 15 significant digits:
// plain digits below 10^15 ("1244", "-2", "0"), else mantissa, "," as decimal separator, "E" and
// the exponent ("1E15", "2,5E15", "1E16"), whatever the machine's locale.

/// a + b; empty text when an operand or the sum does not fit a double.
QString AddCounters(const QString& a, const QString& b);

/// a - b. Throws CounterOverflow when an operand does not fit a double: the readers' callers
/// (the range walk) treat that as a failure of the visit rather than as an unread counter.
QString SubtractCounters(const QString& a, const QString& b);

/// a * b; empty text when an operand or the product does not fit a double.
QString MultiplyCounters(const QString& a, const QString& b);

} // namespace vorenta
