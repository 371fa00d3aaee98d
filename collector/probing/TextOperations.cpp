#include "TextOperations.h"

#include "common/TextRules.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace vorenta {

QString ReplaceAll(const QString& source, const QString& pattern, const QString& replacement)
{
    if (pattern.isEmpty())
        return source;
    QString result;
    qsizetype from = 0;
    for (qsizetype found = source.indexOf(pattern, from); found >= 0; found = source.indexOf(pattern, from)) {
        result += QStringView(source).mid(from, found - from);
        result += replacement;
        from = found + pattern.size();
    }
    result += QStringView(source).mid(from);
    return result;
}

QString TextBetween(const QString& source, const QString& startMarker, const QString& endMarker)
{
    const qsizetype start = source.indexOf(startMarker);
    if (start < 0)
        return {};
    const QString rest = ReplaceAll(source.mid(start), startMarker, {});
    const qsizetype end = rest.indexOf(endMarker);
    if (end < 0)
        return {};
    return rest.left(end);
}

QString DigitsOnly(const QString& text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

namespace {

// Steps 1 to 3 of every counter operation: blank is "0", only the digits count, then a double.
double CounterValue(const QString& operand)
{
    const QString text = IsBlank(operand) ? QStringLiteral("0") : operand;
    const std::string digits = DigitsOnly(text).toStdString();
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size())
        throw CounterOverflow("counter operand of " + std::to_string(digits.size()) +
                              " digits does not fit a double");
    return value;
}

// The general text form with 15 significant digits, independent of the locale: whole numbers
// below 10^15 as plain digits, larger ones as mantissa, ",", "E" and exponent.
QString GeneralText(double value)
{
    if (!std::isfinite(value))
        throw CounterOverflow("counter result out of range");
    char buffer[64];
    // 15 significant digits: the exponent decides between the plain and the scientific form.
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (error != std::errc{})
        throw CounterOverflow("counter result cannot be written");
    const std::string text(buffer, end); // e.g. "-2.50000000000000e+15"
    const auto ePos = text.find('e');
    const int exponent = std::stoi(text.substr(ePos + 1));
    if (exponent < 15) {
        // Operands are whole numbers, so the result is whole and exact below 2^53.
        // A buffer of 64 holds any value below 10^15 in this form.
        const char* plainEnd =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 0).ptr;
        const QString plain = QString::fromLatin1(buffer, plainEnd - buffer);
        return plain == QLatin1String("-0") ? QStringLiteral("0") : plain;
    }
    std::string mantissa = text.substr(0, ePos);
    while (mantissa.back() == '0')
        mantissa.pop_back();
    if (mantissa.back() == '.')
        mantissa.pop_back();
    for (char& c : mantissa) {
        if (c == '.')
            c = ',';
    }
    return QString::fromLatin1(mantissa + "E" + std::to_string(exponent));
}

// AddCounters and MultiplyCounters report any failure as empty text.
template <typename Operation> QString EmptyOnOverflow(Operation operation)
{
    try {
        return operation();
    } catch (const CounterOverflow&) {
        return {};
    }
}

} // namespace

QString AddCounters(const QString& a, const QString& b)
{
    return EmptyOnOverflow([&] { return GeneralText(CounterValue(a) + CounterValue(b)); });
}

QString SubtractCounters(const QString& a, const QString& b)
{
    return GeneralText(CounterValue(a) - CounterValue(b));
}

QString MultiplyCounters(const QString& a, const QString& b)
{
    return EmptyOnOverflow([&] { return GeneralText(CounterValue(a) * CounterValue(b)); });
}

} // namespace vorenta
