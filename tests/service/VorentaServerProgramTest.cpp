// The VorentaServer program as systemd and a technician run it: a real process, real signals,
// a real program folder.
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

using vorenta::test::FixtureSnmpAgent;
using vorenta::test::SnmpRecording;
using vorenta::test::TemporaryProgramFolder;
using vorenta::test::UniqueLoopbackPrefix;

namespace {

const QString kProgram = QStringLiteral(VORENTA_BINARY_DIR "/collector/VorentaServer");

// Log lines without their date and time.
QStringList messages(const TemporaryProgramFolder& folder)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(folder.read("LOG.TXT")).split("\r\n", Qt::SkipEmptyParts))
        lines.append(line.mid(QStringLiteral("09/12/2024 - 14:05:09: ").size()));
    return lines;
}

bool waitForMessage(const TemporaryProgramFolder& folder, const QString& message)
{
    for (int i = 0; i < 1500; ++i) {
        if (messages(folder).contains(message))
            return true;
        QThread::msleep(20);
    }
    return false;
}

int run(const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(kProgram, arguments);
    process.waitForFinished(120000);
    if (output != nullptr)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(VorentaServerProgram, OnceRunsStartUpAndOnePass)
{
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    const QString local = QString::fromStdString(UniqueLoopbackPrefix()) + "1";
    ASSERT_EQ(run({"--home", home.path(), "--once", "--local-ip", local}), 0);

    const QStringList lines = messages(home);
    ASSERT_GE(lines.size(), 10);
    EXPECT_EQ(lines.mid(0, 10),
              QStringList({"Vorenta Server Iniciado!", "Versão 3.6 b",
                           "Cód.Empresa: ", "Serviço Em Atividade", "Iniciando busca de Equipamentos",
                           "Teste de Conexão OK", "Buscando Range de IP Chave: CLI IdServ:7",
                           "Sem Range Configurado.", "Sem faixa de IP criada: " + local.chopped(1),
                           "Coletando dados de " + local.chopped(1) + "2"}));
    EXPECT_EQ(lines.last(), QStringLiteral("Finalização do serviço Vorenta."));
    EXPECT_FALSE(lines.contains(QStringLiteral("Aguardando (1) minuto(s)  antes de continuar.")))
        << "--once does not rest";
    EXPECT_TRUE(QFile::exists(home.file("Contatos.ini")));
}

TEST(VorentaServerProgram, SignalsPauseContinueAndStopTheService)
{
    TemporaryProgramFolder home; // no identity: every cycle ends at once, and nothing is scanned
    QProcess service;
    service.start(kProgram, {"--home", home.path()});
    ASSERT_TRUE(service.waitForStarted());
    ASSERT_TRUE(waitForMessage(home, "Serviço Em Atividade"));

    ::kill(static_cast<pid_t>(service.processId()), SIGUSR1);
    ASSERT_TRUE(waitForMessage(home, "Vorentor pausado!"));
    ::kill(static_cast<pid_t>(service.processId()), SIGUSR2);
    ::kill(static_cast<pid_t>(service.processId()), SIGTERM);

    ASSERT_TRUE(service.waitForFinished(30000)) << "a stop must end the service within seconds";
    EXPECT_EQ(service.exitCode(), 0);
    const QStringList lines = messages(home);
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

TEST(VorentaServerProgram, StartFailsWhenTheContactsTemplateCannotBeWritten)
{
    TemporaryProgramFolder parent;
    EXPECT_EQ(run({"--home", parent.file("nao-existe"), "--once"}), 1);
}

TEST(VorentaServerProgram, GetPrintsTheValueOrFails)
{
    const std::string address = UniqueLoopbackPrefix() + "2";
    FixtureSnmpAgent agent(
        address, 161,
        SnmpRecording::FromText("1.3.6.1.2.1.1.1.0|4x|4c617365724a65740a0141\n")); // "LaserJet\n\x01A"
    QByteArray output;
    EXPECT_EQ(run({"--get", "1.3.6.1.2.1.1.1.0", QString::fromStdString(address)}, &output), 0);
    EXPECT_EQ(output, QByteArray("LaserJet\\x0A\\x01A\n"));

    const std::string nobody = UniqueLoopbackPrefix() + "3";
    EXPECT_EQ(run({"--get", "1.3.6.1.2.1.1.1.0", QString::fromStdString(nobody)}, &output), 1);
    EXPECT_EQ(output, QByteArray("\n"));
}

TEST(VorentaServerProgram, ProbePrintsWhatWouldBeStoredForASimulatedPrinter)
{
    if (!vorenta::test::SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd");
    const std::string address = UniqueLoopbackPrefix() + "4";
    vorenta::test::SnmpSimulator simulator(address, 161);
    const auto recording =
        SnmpRecording::FromFile(VORENTA_SOURCE_DIR "/scripts/demo-fleet/2-hp-laserjet.snmprec");
    ASSERT_TRUE(simulator.start(recording.toText())) << simulator.log();

    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7", "Matriz", "31/12/2027");
    QByteArray output;
    ASSERT_EQ(run({"--probe", QString::fromStdString(address), "--home", home.path()}, &output), 0);

    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    QStringList columns;
    for (const QString& line : lines)
        columns.append(line.section(u'=', 0, 0));
    EXPECT_EQ(columns.first(), QStringLiteral("IDServ"));
    EXPECT_EQ(columns.last(), QStringLiteral("CodEmpresa"));
    EXPECT_EQ(columns.size(), 49) << "every column of the DadosOid insert";
    for (const char* expected :
         {"Chave=CLI", "LocalInstal=Matriz Recepção", "DataExp=31/12/2027 00:00:00",
          "MacAddress=3C:2A:F4:A1:B2:C3", "NSerie=PHBQK12345", "Modelo=LaserJet Pro M404dn", "Fabricante=HP",
          "ContGeral=48213", "ContColor=", "ContPb=48213", "ContScan=1520", "Falha=2-TUDO OK", "NivelB=1240",
          "NivelY=OK", "SupriY=Imaging Drum", "Versao=Versão 3.6 b"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_FALSE(QFile::exists(home.file("LOG.TXT"))) << "a probe writes nothing to the service's log";
    EXPECT_FALSE(QFile::exists(home.file("Contatos.ini")));
}

TEST(VorentaServerProgram, InstallAndUninstallTheUnit)
{
    TemporaryProgramFolder home;
    TemporaryProgramFolder units;
    ASSERT_EQ(run({"INSTALL", "SILENT", "--unit-dir", units.path(), "--home", home.path()}), 0);
    EXPECT_TRUE(QString::fromUtf8(units.read("vorenta.service"))
                    .contains("--home \"" + QDir(home.path()).absolutePath()));
    ASSERT_EQ(run({"/uninstall", "--unit-dir", units.path(), "--home", home.path()}), 0);
    EXPECT_FALSE(QFile::exists(units.file("vorenta.service")));
    EXPECT_EQ(messages(home),
              QStringList({"Vorentor Instalado!", "SRVVorentor Instalado", "Vorentor desinstalado!"}));
}

TEST(VorentaServerProgram, WrongArgumentsExitWithUsage)
{
    EXPECT_EQ(run({"--nada"}), 2);
}
