#include "collector/probing/TextOperations.h"
#include "collector/probing/DeviceReading.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorenta {
namespace {

TEST(ClearReading, EmptiesEveryFieldScratchSlotsIncluded)
{
    DeviceReading reading;
    for (const ReadingField& field : kReadingFields)
        reading.*field.member = QStringLiteral("from the previous address: ") + field.name;

    ClearReading(reading);

    for (const ReadingField& field : kReadingFields)
        EXPECT_TRUE((reading.*field.member).isEmpty()) << field.name;
}

struct ReplaceCase {
    QString source, pattern, replacement, expected;
};

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlapOrRescan)
{
    const ReplaceCase cases[] = {
        {"RICOH MP C2504", "RICOH", "", " MP C2504"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},                  // empty pattern: unchanged
        {"hp LaserJet", "HP", "", "hp LaserJet"}, // case matters
        {"aXa", "X", "XX", "aXXa"},               // the replacement is not searched again
        {"RICOH x / RICOH y", "RICOH", "", " x /  y"},
        {"", "a", "b", ""},
        {"abc", "abc", "", ""},
    };
    for (const ReplaceCase& c : cases)
        EXPECT_EQ(ReplaceAll(c.source, c.pattern, c.replacement), c.expected) << c.source.toStdString();
}

struct BetweenCase {
    QString source, start, end, expected;
};

TEST(TextBetween, TakesTextAfterFirstStartMarkerUpToEndMarker)
{
    const QString deviceId = "MFG:HP;MDL:HP LaserJet 400 M401dn;CLS:PRINTER;SN:CNB1234567;";
    const BetweenCase cases[] = {
        {deviceId, "MFG:", ";", "HP"},        {deviceId, "MDL:", ";", "HP LaserJet 400 M401dn"},
        {deviceId, "SN:", ";", "CNB1234567"}, // end marker is the last character
        {deviceId, "CMD:", ";", ""},          {"MFG:HP;", "MFG:", ";", "HP"},
        {"MFG:HP", "MFG:", ";", ""}, // no end marker
        {"MDL:X;", "SN:", ";", ""},  // no start marker
        {"A;SN:SN:7;", "SN:", ";", "7"},      {"MFG:;", "MFG:", ";", ""},
    };
    for (const BetweenCase& c : cases)
        EXPECT_EQ(TextBetween(c.source, c.start, c.end), c.expected)
            << c.source.toStdString() << " " << c.start.toStdString();
}

TEST(DigitsOnly, KeepsAsciiDigitsAndGivesZeroWithoutAny)
{
    const std::pair<QString, QString> cases[] = {
        {"abc", "0"},          {"007x", "007"},    {"", "0"},
        {"-1.234,5", "12345"}, {"12 pages", "12"}, {QString::fromUtf16(u"\uFF11\uFF12"), "0"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(DigitsOnly(text), expected) << text.toStdString();
}

using CounterOperation = std::function<QString(const QString&, const QString&)>;

struct CounterCase {
    const char* operation;
    QString a, b, expected;
};

CounterOperation Operation(const char* name)
{
    if (QLatin1StringView(name) == "add")
        return AddCounters;
    if (QLatin1StringView(name) == "sub")
        return SubtractCounters;
    return MultiplyCounters;
}

TEST(CounterOperations, ComputeOnDigitsAndWriteFifteenSignificantDigits)
{
    const QString digits309 = QString(309, u'9');
    const CounterCase cases[] = {
        {"add", "", "", "0"},
        {"add", " \t", "N/D", "0"},
        {"add", "0", "0", "0"},
        {"add", "1.234", "10", "1244"},
        {"add", "\n12\r", "1,5", "27"},
        {"sub", "3", "5", "-2"},
        {"sub", "3", "-5", "-2"}, // the sign is ignored
        {"sub", "5", "5", "0"},
        {"mul", "150", "2", "300"},
        {"mul", "12 pages", "", "0"},
        // The plain form holds up to 15 digits; from 10^15 on the scientific form takes over.
        {"add", "999999999999998", "1", "999999999999999"},
        {"add", "999999999999999", "1", "1E15"},
        {"add", "2000000000000000", "500000000000000", "2,5E15"},
        {"mul", "100000000", "100000000", "1E16"},
        {"sub", "0", "123456789012345678", "-1,23456789012346E17"},
        {"add", "1234567890123456789", "", "1,23456789012346E18"},
        // Leading zeros do not make an operand too large.
        {"sub", QString(400, u'0') + "7", "2", "5"},
        // Operands or results beyond the double range: Add and Multiply give empty text.
        {"add", digits309, "1", ""},
        {"add", "17" + QString(307, u'0'), "17" + QString(307, u'0'), ""},
        {"mul", "1" + QString(200, u'0'), "1" + QString(200, u'0'), ""},
        {"mul", "1", digits309, ""},
    };
    for (const CounterCase& c : cases) {
        EXPECT_EQ(Operation(c.operation)(c.a, c.b), c.expected)
            << c.operation << "(" << c.a.left(30).toStdString() << ", " << c.b.left(30).toStdString() << ")";
    }
}

TEST(CounterOperations, SubtractRaisesForAnOperandBeyondTheDoubleRange)
{
    const QString digits309 = QString(309, u'9');
    EXPECT_THROW(SubtractCounters(digits309, "1"), CounterOverflow);
    EXPECT_THROW(SubtractCounters("1", digits309), CounterOverflow);
    // 308 digits still fit.
    EXPECT_NO_THROW(SubtractCounters(QString(308, u'9'), "1"));
}

} // namespace
} // namespace vorenta
