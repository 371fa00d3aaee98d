// A range added through the tool is what the collector walks at its next pass.
#include "ToolFixture.h"

#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <system_error>

namespace vorenta::test {
namespace {

class ToolToCollectorTest : public ToolTest {};

TEST_P(ToolToCollectorTest, RangeAddedInTheToolIsWalkedByTheCollector)
{
    FixtureSnmpFleet fleet;
    try {
        fleet.add(3, SnmpRecording::FromText("1.3.6.1.2.1.43.5.1.1.17.1|4|TOOL-0003\n"
                                             "1.3.6.1.2.1.25.3.2.1.3.1|4|Laser 3\n"));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    const QString prefix = QString::fromStdString(fleet.prefix());
    db().insertParametros(kChave, QStringLiteral("1"));

    QTest::keyClicks(form().findChild<QLineEdit*>(QStringLiteral("EditIPInicial")), prefix + "2");
    QTest::keyClicks(form().findChild<QLineEdit*>(QStringLiteral("EditIPFInal")), prefix + "4");
    form().findChild<QPushButton*>(QStringLiteral("bContadorVorentor"))->click();
    ASSERT_EQ(db().count(QStringLiteral("RangeIP")), 1);

    CollectorProcess collector(programFolder());
    ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();

    const QStringList messages = collector.messages();
    EXPECT_TRUE(messages.contains("Buscando Range de IP Chave: " + kChave + " IdServ:" + kIdServ));
    EXPECT_TRUE(messages.contains(QStringLiteral("Range Configurado.")));
    QStringList walked;
    for (const QString& message : messages) {
        if (message.startsWith("Coletando dados de ") || message.startsWith("Gravando dados "))
            walked.append(message);
    }
    EXPECT_EQ(walked, QStringList({"Coletando dados de " + prefix + "2", "Coletando dados de " + prefix + "3",
                                   "Gravando dados " + prefix + "3", "Coletando dados de " + prefix + "4"}));
    EXPECT_EQ(db().count(QStringLiteral("DadosOid"), QStringLiteral("NSerie = 'TOOL-0003'")), 1);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ToolToCollectorTest);

} // namespace
} // namespace vorenta::test
