#include "collector/probing/readers/ReaderToolkit.h"
#include "tests/support/ReadingFields.h"
#include "tests/support/ScriptedSnmpSource.h"

#include <gtest/gtest.h>

#include <functional>

namespace vorenta {
namespace {

using test::ScriptedSnmpSource;

const QString kAddress = QStringLiteral("127.0.0.9");

TEST(ReaderToolkit, ModelConditions)
{
    using Form = std::function<bool(const QString&, std::initializer_list<const char*>)>;
    const Form upper = [](const QString& f, std::initializer_list<const char*> c) {
        return EqualsIgnoringCase(f, c);
    };
    const Form trim = [](const QString& f, std::initializer_list<const char*> c) {
        return EqualsTrimmed(f, c);
    };
    const Form exact = [](const QString& f, std::initializer_list<const char*> c) {
        return EqualsExactly(f, c);
    };
    struct Case {
        const char* form;
        Form holds;
        QString Modelo;
        std::initializer_list<const char*> constants;
        bool expected;
    };
    const Case cases[] = {
        {"upper", upper, "hp laserjet p4015", {"HP LASERJET P4015"}, true},
        {"upper", upper, "AFICIO MP 2851", {"Aficio MP 2851"}, true}, // constants compared upper-cased too
        {"upper", upper, "mp 2851", {"Aficio MP 2851", "MP 2851"}, true},
        {"upper", upper, " HP LASERJET P4015", {"HP LASERJET P4015"}, false}, // no trimming
        {"upper", upper, "Impressora \u00e9", {"IMPRESSORA \u00c9"}, false},  // ASCII letters only
        {"upper", upper, "", {"MP 171"}, false},
        {"trim", trim, " SP C242DN\t\r\n", {"Aficio SP C242DN", "SP C242DN"}, true},
        {"trim", trim, "sp c242dn", {"SP C242DN"}, false}, // case-sensitive
        {"exact", exact, "M2035dn", {"ECOSYS M2035dn", "M2035dn"}, true},
        {"exact", exact, "M2035dn ", {"M2035dn"}, false},
        {"exact", exact, "m2035dn", {"M2035dn"}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.holds(c.Modelo, c.constants), c.expected) << c.form << " " << c.Modelo.toStdString();
    }
}

TEST(ReaderToolkit, GetStepReplacesOnAnswerAndKeepsOnFailure)
{
    ScriptedSnmpSource device;
    device.set("1.1", " 1234 \r\n").set("1.2", "").set("1.3", "   ").fail("1.4");
    ReaderDevice reader(device, kAddress);
    QString a = "old", b = "old", c = "old", d = "old";

    EXPECT_TRUE(reader.GET("1.1", a));
    EXPECT_TRUE(reader.GET("1.2", b));
    EXPECT_TRUE(reader.GET("1.3", c));
    EXPECT_FALSE(reader.GET("1.4", d));

    EXPECT_EQ(a, "1234");
    EXPECT_EQ(b, "") << "an empty answer empties the field";
    EXPECT_EQ(c, "") << "a blank answer is trimmed to empty";
    EXPECT_EQ(d, "old") << "no answer leaves the field exactly as it was";
    EXPECT_EQ(device.asked, QStringList({"1.1", "1.2", "1.3", "1.4"}));
    EXPECT_EQ(device.communities, QStringList(4, "public"));
    EXPECT_EQ(device.hosts, QStringList(4, kAddress));

    const SnmpAnswer asked = reader.ask("1.1");
    EXPECT_TRUE(asked.ok);
    EXPECT_EQ(asked.value, "1234");
    EXPECT_FALSE(reader.ask("1.4").ok);
}

TEST(ReaderToolkit, MacAddressKeepsRawOctetsThatTrimmingWouldEat)
{
    const char16_t raw[] = {0x00, 0x1B, 0xA9, 0x12, 0x34, 0x20};
    ScriptedSnmpSource device;
    device.set("1.1", QString(reinterpret_cast<const QChar*>(raw), 6)).set("1.2", " 00:1B:A9:12:34:56 ");
    ReaderDevice reader(device, kAddress);
    QString first, second, kept = "AA:BB";

    EXPECT_TRUE(reader.GETMacAddress("1.1", first));
    EXPECT_TRUE(reader.GETMacAddress("1.2", second));
    EXPECT_FALSE(reader.GETMacAddress("1.3", kept));

    EXPECT_EQ(first, "00:1B:A9:12:34:20");
    EXPECT_EQ(second, "00:1B:A9:12:34:56");
    EXPECT_EQ(kept, "AA:BB");
}

TEST(ReaderToolkit, OneBlankIsAValue)
{
    QString field = kOneBlank;
    EXPECT_FALSE(IsEmpty(field)) << "one blank is a value";
    EXPECT_TRUE(IsBlank(field));
}

TEST(ReaderToolkit, AnEmptyAnswerDoesNotWipeAKeptField)
{
    ScriptedSnmpSource device;
    device.set("1.1", " \r\n").set("1.2", " S2 ").fail("1.3");
    ReaderDevice reader(device, kAddress);
    QString serial = "S1";

    EXPECT_FALSE(reader.GETUnlessEmpty("1.1", serial));
    EXPECT_EQ(serial, "S1");
    EXPECT_FALSE(reader.GETUnlessEmpty("1.3", serial));
    EXPECT_EQ(serial, "S1");
    EXPECT_TRUE(reader.GETUnlessEmpty("1.2", serial));
    EXPECT_EQ(serial, "S2");
}

TEST(ReaderToolkit, SumsThroughScratchSlotsAddWhatASlotHeldWhenItsGetFails)
{
    ScriptedSnmpSource device;
    device.set("1.1", "100").set("1.2", "20").set("1.4", "3").fail("1.3");
    ReaderDevice reader(device, kAddress);
    QString a, b = "7";

    EXPECT_EQ(reader.GETSum("1.3", b, "1.1", a), "107") << "b kept its 7";
    EXPECT_EQ(a, "100");

    QString total = "1000";
    QString slot;
    reader.GETAndAdd({QLatin1StringView("1.2"), QLatin1StringView("1.3"), QLatin1StringView("1.4")}, slot,
                     total);
    EXPECT_EQ(total, "1043") << "1000 + 20 + 20 (1.3 failed, the slot kept 20) + 3";
    EXPECT_EQ(slot, "3");
    EXPECT_EQ(device.asked, QStringList({"1.3", "1.1", "1.2", "1.3", "1.4"}));
}

TEST(ReaderToolkit, AnAnswerAddedToFieldsAddsNothingWhenTheGetFails)
{
    ScriptedSnmpSource device;
    device.set("1.1", " 1000 ").set("1.2", "").set("1.3", "1.234").fail("1.4");
    ReaderDevice reader(device, kAddress);
    QString a3 = "0", mono, colour = "300";

    EXPECT_TRUE(reader.GETAddedTo("1.1", a3, mono));
    EXPECT_EQ(a3, "1000");
    EXPECT_EQ(mono, "1000") << "an empty field counts as 0";
    EXPECT_FALSE(reader.GETAddedTo("1.4", a3, mono, colour));
    EXPECT_EQ(a3, "1000") << "no answer, nothing added, nothing counted twice";
    EXPECT_EQ(mono, "1000");
    EXPECT_EQ(colour, "300");
    EXPECT_TRUE(reader.GETAddedTo("1.2", colour));
    EXPECT_EQ(colour, "300") << "an empty answer adds 0";
    QString unread;
    EXPECT_TRUE(reader.GETAddedTo("1.2", unread));
    EXPECT_EQ(unread, "0") << "an empty answer to an empty field is a count of 0";
    EXPECT_TRUE(reader.GETAddedTo("1.3", colour));
    EXPECT_EQ(colour, "1534") << "digits only, as AddCounters reads them";
    EXPECT_EQ(device.asked, QStringList({"1.1", "1.4", "1.2", "1.2", "1.3"}));
}

TEST(ReaderToolkit, DerivedCounters)
{
    const struct {
        QString a, b, difference;
    } differences[] = {
        {"1000", "250", "750"},
        {"1000", "", "1000"}, // an unread subtrahend counts as 0
        {"", "", "0"},
        {"250", "1000", ""}, // below zero: no count
        {"", "5", ""},
        {"1000000000000000", "1", "999999999999999"},
        {QString(309, u'9'), "1", ""}, // too long for a double: no count, no error
        {"1", QString(309, u'9'), ""},
    };
    for (const auto& d : differences)
        EXPECT_EQ(CounterDifference(d.a, d.b), d.difference)
            << d.a.left(20).toStdString() << " - " << d.b.left(20).toStdString();

    QString total = "1000";
    SetTotalOfParts(total, "700", "");
    EXPECT_EQ(total, "1000") << "a part not read leaves the total";
    SetTotalOfParts(total, "", "300");
    EXPECT_EQ(total, "1000");
    SetTotalOfParts(total, "700", "0");
    EXPECT_EQ(total, "700");
    SetTotalOfParts(total, "1.234", "10");
    EXPECT_EQ(total, "1244");
}

TEST(ReaderToolkit, GuardedStepsEndQuietlyOnACounterErrorOnly)
{
    QString set;
    bool after = false;
    GuardedSteps([&] {
        set = "kept";
        SubtractCounters(QString(309, u'9'), "1");
        after = true;
    });
    EXPECT_EQ(set, "kept");
    EXPECT_FALSE(after);

    EXPECT_THROW(GuardedSteps([] { throw std::runtime_error("not a counter error"); }), std::runtime_error);
}

} // namespace
} // namespace vorenta
