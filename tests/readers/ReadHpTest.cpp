#include "collector/probing/readers/ReadHp.h"
#include "tests/probing/ReadingFields.h"
#include "tests/readers/LoopbackDevice.h"

#include <gtest/gtest.h>

#include <QHash>

#include <functional>

namespace vorenta {
namespace {

using namespace HpOid;

QString Rec(QLatin1StringView oid, const char* tagAndValue)
{
    return oid + QStringLiteral("|") + QLatin1StringView(tagAndValue) + QStringLiteral("\n");
}

struct HpCase {
    const char* name;
    std::function<void(DeviceReading&)> identified; // what identification left
    QString snmprec;
    QStringList refused;
    std::function<void(DeviceReading&)> changes; // what the reader changes
    QStringList asked;                           // checked when not empty
};

const QString kMono = Rec(H2, "65|48211");

const HpCase kCases[] = {
    {"P4015 in lower case gets its total from H5; H1 empty falls back to H2",
     [](DeviceReading& r) {
         r.Fabricante = "Hewlett-Packard";
         r.Modelo = "hp laserjet p4015";
         r.ContGeral = "100";
     },
     kMono + Rec(H4, "4x|2050726f6e746f200d0a") + Rec(H5, "65|48999"),
     {},
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.ContPb = "48211";
         r.ContColor = "48211"; // step 14
         r.StatusEquip = "Pronto";
         r.ContGeral = "48999";
     },
     {H1, H2, H3, H4, H5, H1, H2}},
    {"X476DW is asked H1 to H4 twice",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP Officejet Pro X476dw MFP";
     },
     Rec(H1, "65|1200") + Rec(H2, "65|3400") + Rec(H3, "65|560") + Rec(H4, "4|Sleep mode on") +
         Rec(H8, "65|4600"),
     {},
     [](DeviceReading& r) {
         r.ContColor = "1200";
         r.ContPb = "3400";
         r.ContScan = "560";
         r.StatusEquip = "Sleep mode on";
         r.ContGeral = "4600"; // step 13
     },
     {H1, H2, H3, H4, H1, H2, H3, H4, H8}},
    {"CP2025DN reads its jams from H6",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP Color LaserJet CP2025dn";
         r.ContGeral = "9000";
     },
     Rec(H1, "65|4000") + Rec(H2, "65|5000") + Rec(H3, "65|0") + Rec(H4, "4|Ready") + Rec(H6, "65|17"),
     {},
     [](DeviceReading& r) {
         r.ContColor = "4000";
         r.ContPb = "5000";
         r.ContScan = "0";
         r.StatusEquip = "Ready";
         r.ContJams = "17";
     },
     {H1, H2, H3, H4, H2, H1, H6}},
    {"H1 fails and H2 answers: both counters are H2's",
     [](DeviceReading& r) {
         r.Fabricante = "HP Inc.";
         r.Modelo = "HP LaserJet M402dn";
         r.ContGeral = "700";
     },
     kMono,
     {H1},
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.ContPb = "48211";
         r.ContColor = "48211";
         r.StatusEquip = ""; // H4 answered noSuchName: empty
     },
     {H1, H2, H3, H4, H1, H2}},
    {"H2 fails and H7 answers",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP LaserJet 4250";
         r.ContGeral = "800";
     },
     Rec(H1, "65|300") + Rec(H7, "65|1200"),
     {H2},
     [](DeviceReading& r) {
         r.ContColor = "300";
         r.ContPb = "1200";
     },
     {H1, H2, H3, H4, H2, H7}},
    {"H2 fails, H7 answers, H1 fails: the colour counter stays empty",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP LaserJet 4250";
         r.ContGeral = "800";
     },
     Rec(H7, "65|1200"),
     {H1, H2},
     [](DeviceReading& r) { r.ContPb = "1200"; },
     {H1, H2, H3, H4, H2, H1, H7, H2}},
    {"empty total filled from H8",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP LaserJet M402dn";
     },
     kMono + Rec(H1, "65|0") + Rec(H8, "65|52000"),
     {},
     [](DeviceReading& r) {
         r.ContColor = "0";
         r.ContPb = "48211";
         r.ContGeral = "52000";
     },
     {H1, H2, H3, H4, H8}},
    {"an empty answer empties the field and wakes the fallbacks",
     [](DeviceReading& r) {
         r.Fabricante = "HP";
         r.Modelo = "HP LaserJet M402dn";
         r.ContGeral = "900";
         r.ContPb = "5";
         r.ContColor = "6";
     },
     Rec(H1, "4|") + Rec(H2, "4| ") + Rec(H7, "65|880"),
     {},
     [](DeviceReading& r) {
         r.ContPb = "880";
         r.ContColor = "";
     },
     {H1, H2, H3, H4, H2, H1, H7, H2}},
    {"a device that answers nothing keeps identification's values",
     [](DeviceReading& r) {
         r.Fabricante = "Hewlett-Packard";
         r.Modelo = "HP LaserJet P4015";
         r.ContGeral = "10";
         r.ContColor = "11";
         r.ContPb = "12";
         r.ContScan = "13";
         r.StatusEquip = "Pronto";
     },
     {},
     {H1, H2, H3, H4, H5, H6, H7, H8},
     [](DeviceReading& r) { r.Fabricante = "HP"; },
     {H1, H2, H3, H4, H5}},
};

TEST(ReadHp, RecordedDevicesOverUdp)
{
    int host = 10;
    for (const HpCase& c : kCases) {
        SCOPED_TRACE(c.name);
        test::LoopbackDevice device(host++, c.snmprec.toStdString());
        for (const QString& oid : c.refused)
            device.refuse(oid);
        DeviceReading reading;
        reading.IP = device.address();
        c.identified(reading);
        DeviceReading expected = reading;
        c.changes(expected);

        ReadHp(reading, device.address(), device);

        EXPECT_EQ(reading, expected);
        if (!c.asked.isEmpty()) {
            EXPECT_EQ(device.asked, c.asked);
        }
        for (const std::string& oid : device.agent().askedOids())
            EXPECT_FALSE(c.refused.contains(QString::fromStdString(oid))) << oid;
    }
}

// A device whose first answers to H1 and H4 are lost: the X476DW's second round fills them.
class LosesFirstAnswers final : public SnmpSource {
public:
    SnmpAnswer SnmpGet(const QString& oid, const QString&, const QString&) override
    {
        const int round = ++m_asked[oid];
        if (oid == H1)
            return round == 1 ? SnmpAnswer{} : SnmpAnswer{true, "250"};
        if (oid == H2)
            return {true, round == 1 ? "900" : "901"};
        if (oid == H4)
            return round == 1 ? SnmpAnswer{} : SnmpAnswer{true, "Pronto"};
        return {};
    }

private:
    QHash<QString, int> m_asked;
};

TEST(ReadHp, TheX476dwSecondRoundFillsWhatTheFirstMissedAndWins)
{
    LosesFirstAnswers device;
    DeviceReading reading;
    reading.Modelo = "HP OFFICEJET PRO X476DW MFP";
    reading.ContGeral = "1";

    ReadHp(reading, "127.0.0.9", device);

    EXPECT_EQ(reading.ContColor, "250");
    EXPECT_EQ(reading.ContPb, "901") << "the later answer wins";
    EXPECT_EQ(reading.StatusEquip, "Pronto");
}

} // namespace
} // namespace vorenta
