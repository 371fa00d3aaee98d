// VorentaServer --probe as a technician runs it, against Debian's snmpsimd serving the demo
// fleet's printers: what each maker's reader adds shows in what would be stored.
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace vorenta {
namespace {

TEST(ProbeDemoFleet, EveryMakersCountersArePrinted)
{
    if (!test::SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd");
    const struct {
        const char* recording;
        QStringList lines;
    } printers[] = {
        {"3-ricoh-mpc2504",
         {"Fabricante=RICOH", "Modelo=MP C2504", "ContGeral=251877", "ContPb=140000", "ContColor=111877",
          "ContScan=19510", "ContA3=3120", "SupriB=Toner Preto", "DurabB=10000", "NivelY=1"}},
        {"4-kyocera-m2035dn",
         {"Fabricante=KYOCERA", "Modelo=ECOSYS M2035dn", "ContGeral=48500", "ContPb=48500", "ContScan=3100",
          "StatusEquip=Pronto para imprimir"}},
        {"5-samsung-m4070",
         {"Fabricante=SAMSUNG", "Modelo=M4070 Series", "ContGeral=93120", "ContPb=93120", "ContColor=0",
          "ContScan=4480", "ContA3=0"}},
        {"6-oki-c532",
         {"Fabricante=OKI", "ContGeral=30500", "ContColor=8000", "ContPb=22500", "ContA3=1500",
          "ContA4=29000", "StatusEquip=ONLINE"}},
        {"7-lexmark-mx611",
         {"Fabricante=LEXMARK", "Modelo=MX611dhe", "NSerie=451444HH0ABC", "ContPb=52000", "ContColor=0",
          "ContScan=1500", "StatusEquip=Bandeja 1 vazia", "Falha=3-Warning"}},
        {"8-brother-mfc-l8900cdw",
         {"Fabricante=Brother", "Modelo=MFC-L8900CDW series", "MacAddress=00:80:77:5A:1B:20",
          "ContGeral=38450", "ContColor=12000", "ContPb=26450", "ContScan=1240", "ContA3=1250",
          "ContA4=37200"}},
        {"9-epson-l4160",
         {"Fabricante=EPSON", "Modelo=L4160 Series", "NSerie=X5E1234567", "ContPb=6100", "ContColor=2420",
          "ContScan=355", "ContA3=0"}},
        {"10-konica-bizhub-c458",
         {"Fabricante=KONICA MINOLTA", "Modelo=bizhub C458", "ContPb=81300", "ContColor=71000",
          "ContScan=8800", "ContA3=12200", "ContA4=140100"}},
        {"11-canon-ir-adv-c5051",
         {"Fabricante=CANON", "Modelo=iR-ADV C5051", "ContGeral=222000", "ContPb=158000", "ContColor=64000",
          "ContA3=12000", "ContA4=210000"}},
        {"12-sharp-mx-2300n",
         {"Fabricante=SHARP", "Modelo=MX-2300N", "StatusEquip=Pronto para copiar.", "ContGeral=120000",
          "ContPb=70000", "ContColor=50000", "ContScan=2500"}},
    };
    int host = 30;
    for (const auto& printer : printers) {
        SCOPED_TRACE(printer.recording);
        const std::string address = test::UniqueLoopbackPrefix() + std::to_string(host++);
        test::SnmpSimulator simulator(address, 161);
        const auto recording = test::SnmpRecording::FromFile(
            std::string(VORENTA_SOURCE_DIR "/scripts/demo-fleet/") + printer.recording + ".snmprec");
        ASSERT_TRUE(simulator.start(recording.toText())) << simulator.log();
        test::TemporaryProgramFolder home;
        home.writeIdentity("CLI", "7", "Matriz", "31/12/2027");

        test::CollectorProcess probe(home.path());
        ASSERT_EQ(probe.run({"--probe", QString::fromStdString(address)}), 0) << probe.standardError();

        const QString output = QString::fromUtf8(probe.standardOutput());
        const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
        for (const QString& expected : printer.lines)
            EXPECT_TRUE(lines.contains(expected)) << expected.toStdString() << " in\n"
                                                  << output.toStdString();
    }
}

} // namespace
} // namespace vorenta
