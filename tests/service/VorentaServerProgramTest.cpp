// The VorentaServer program as systemd and a technician run it: a real process, real signals,
// a real program folder.
#include "common/database/DatabaseConnection.h"
#include "common/database/SqlQuery.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/SystemdAnalyze.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <gtest/gtest.h>

using vorenta::test::CollectorProcess;
using vorenta::test::FixtureSnmpAgent;
using vorenta::test::SnmpRecording;
using vorenta::test::TemporaryProgramFolder;
using vorenta::test::UniqueLoopbackPrefix;

TEST(VorentaServerProgram, OnceRunsStartUpAndOnePass)
{
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    const QString local = QString::fromStdString(UniqueLoopbackPrefix()) + "1";
    CollectorProcess collector(home.path());
    ASSERT_EQ(collector.run({"--once", "--local-ip", local}), 0) << collector.standardError();

    const QStringList lines = collector.messages();
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

// Without Chave and IDServ each cycle logs one line and rests (a pass every 5 s would fill the
// log); SIGHUP, like SIGTERM, ends that rest and the service at once.
TEST(VorentaServerProgram, WithoutIdentityTheServiceRestsAndSighupStopsIt)
{
    TemporaryProgramFolder home;
    CollectorProcess service(home.path());
    ASSERT_TRUE(service.start({})) << service.standardError();
    ASSERT_TRUE(service.waitForMessage(
        "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada."))
        << "the service never reached its first cycle";
    std::this_thread::sleep_for(std::chrono::seconds(6)); // longer than the pause between passes
    EXPECT_EQ(service.messages().count("Serviço Em Atividade"), 1) << "the cycle rests";

    service.signal(SIGHUP);
    EXPECT_EQ(service.waitForExit(std::chrono::seconds(20)), 0) << "a stop must end the rest within seconds";
    const QStringList lines = service.messages();
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

// A power failure (SIGPWR, what a UPS daemon sends) shuts the service down and says so; an
// interrupt is a stop like SIGTERM. Each ends the rest at once, with its own line.
TEST(VorentaServerProgram, SigpwrShutsTheServiceDownAndSigintStopsIt)
{
    const struct {
        int signal;
        const char* name;
        const char* line;
    } cases[] = {
        {SIGPWR, "SIGPWR", "Vorentor Finalizado"},
        {SIGINT, "SIGINT", "Vorentor Pausado!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryProgramFolder home;
        CollectorProcess service(home.path());
        ASSERT_TRUE(service.start({})) << service.standardError();
        ASSERT_TRUE(service.waitForMessage(
            "Chave e IDServ não configurados em Coletor.ini [COLETOR]; nenhuma busca realizada."))
            << "the service never reached its first cycle";

        service.signal(c.signal);
        ASSERT_EQ(service.waitForExit(std::chrono::seconds(20)), 0)
            << c.name << " did not end the service within 20 s";
        const QStringList lines = service.messages();
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.mid(lines.size() - 2), QStringList({c.line, "Finalização do serviço Vorenta."}))
            << lines.join('\n').toStdString();
    }
}

// Vorenta.db holds the tool's password: what the collector creates is closed to other users,
// even when it is started with a umask that would open everything.
TEST(VorentaServerProgram, FilesTheCollectorCreatesAreNotOpenToOtherUsers)
{
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    CollectorProcess collector(home.path());
    collector.setUmask(0);
    const QString local = QString::fromStdString(UniqueLoopbackPrefix()) + "1";
    ASSERT_EQ(collector.run({"--once", "--local-ip", local}), 0) << collector.standardError();
    for (const char* name : {"Vorenta.db", "LOG.TXT", "Contatos.ini"}) {
        struct stat status {};
        ASSERT_EQ(::stat(home.file(name).toLocal8Bit().constData(), &status), 0) << name;
        EXPECT_EQ(status.st_mode & 0037, 0u) << name << " mode " << std::oct << (status.st_mode & 0777);
    }
}

TEST(VorentaServerProgram, StartFailsWhenTheContactsTemplateCannotBeWritten)
{
    TemporaryProgramFolder parent;
    EXPECT_EQ(CollectorProcess(parent.file("nao-existe")).run({"--once"}), 1);
}

// Coletor.ini asks for a back end whose Qt driver is not installed (here: the drivers' folder
// hidden from the process): the collector says which package to install, on standard error for
// the journal and in LOG.TXT, and ends with 78, with --once and as a service, instead of running
// on "active" and storing nothing.
TEST(VorentaServerProgram, AMissingDatabaseDriverNamesItsPackageAndEndsTheService)
{
    const QString drivers = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/sqldrivers";
    ASSERT_TRUE(QDir(drivers).exists()) << drivers.toStdString();
    struct Case {
        QByteArray banco; // the [BANCO] section, or nothing for the embedded database
        QString line;
    };
    const QByteArray server = "Servidor=127.0.0.1\r\nPorta=9\r\nBancoDados=x\r\nUsuario=u\r\nSenha=p\r\n";
    const Case cases[] = {
        {{}, "Driver do banco de dados QSQLITE não instalado; instale o pacote libqt6sql6-sqlite e reinicie o "
             "serviço."},
        {"[BANCO]\r\nTipo=postgresql\r\n" + server,
         "Driver do banco de dados QPSQL não instalado; instale o pacote libqt6sql6-psql e reinicie o serviço."},
        {"[BANCO]\r\nTipo=sqlserver\r\n" + server,
         "Driver do banco de dados QODBC não instalado; instale o pacote libqt6sql6-odbc e reinicie o serviço."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        for (const QStringList& arguments : {QStringList{"--once"}, QStringList{}}) {
            TemporaryProgramFolder home;
            home.writeIdentity("CLI", "7", "Matriz", "31/12/2030", c.banco);
            CollectorProcess collector(home.path());
            collector.hideFolder(drivers);
            ASSERT_EQ(collector.run(arguments + QStringList{"--local-ip", "127.0.0.1"}, std::chrono::seconds(30)),
                      78)
                << collector.standardError();
            EXPECT_NE(collector.standardError().find(c.line.toStdString()), std::string::npos)
                << collector.standardError();
            EXPECT_EQ(collector.messages().filter(c.line).size(), 1) << collector.messages().join('\n').toStdString();
            EXPECT_FALSE(QFile::exists(home.file("Vorenta.db"))) << "nothing made without its driver";
        }
    }
}

TEST(VorentaServerProgram, GetPrintsTheValueOrFails)
{
    const std::string address = UniqueLoopbackPrefix() + "2";
    FixtureSnmpAgent agent(
        address, 161,
        SnmpRecording::FromText("1.3.6.1.2.1.1.1.0|4x|4c617365724a65740a0141\n")); // "LaserJet\n\x01A"
    CollectorProcess get;
    EXPECT_EQ(get.run({"--get", "1.3.6.1.2.1.1.1.0", QString::fromStdString(address)}), 0);
    EXPECT_EQ(get.standardOutput(), QByteArray("LaserJet\\x0A\\x01A\n"));

    const std::string nobody = UniqueLoopbackPrefix() + "3";
    EXPECT_EQ(get.run({"--get", "1.3.6.1.2.1.1.1.0", QString::fromStdString(nobody)}), 1);
    EXPECT_EQ(get.standardOutput(), QByteArray("\n"));
}

// What a technician's GET tells apart: a value (0, an empty one too), no answer (1), a text that
// is not an OID (2), and the agent's error status (3), each failure with its reason on standard
// error; an OID written with a leading dot, as net-snmp's tools print them, is the same OID.
TEST(VorentaServerProgram, GetTellsAValueNoAnswerABadOidAndTheAgentsErrorApart)
{
    const std::string address = UniqueLoopbackPrefix() + "2";
    FixtureSnmpAgent agent(address, 161,
                           SnmpRecording::FromText("1.3.6.1.2.1.1.1.0|4|LaserJet 400\n"
                                                   "1.3.6.1.2.1.1.6.0|4|\n"));
    const std::string nobody = UniqueLoopbackPrefix() + "3";
    struct Case {
        QString oid;
        std::string host;
        int exitCode;
        QByteArray output;
        std::string reason; // on standard error; empty: none
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.1.0", address, 0, "LaserJet 400\n", ""},
        {".1.3.6.1.2.1.1.1.0", address, 0, "LaserJet 400\n", ""},
        {"1.3.6.1.2.1.1.6.0", address, 0, "\n", ""},
        {"1.3.6.1.2.1.1.5.0", address, 3, "\n",
         "VorentaServer: o agente respondeu com erro 2 (noSuchName) para 1.3.6.1.2.1.1.5.0"},
        {"1.3.6.1.2.1.1.1.0", nobody, 1, "\n", "VorentaServer: sem resposta SNMP de " + nobody},
        {"1.3.x.1", address, 2, "\n", "VorentaServer: OID inválido: 1.3.x.1"},
        {"sysDescr", address, 2, "\n", "VorentaServer: OID inválido: sysDescr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oid.toStdString() + " at " + c.host);
        CollectorProcess get;
        EXPECT_EQ(get.run({"--get", c.oid, QString::fromStdString(c.host)}), c.exitCode);
        EXPECT_EQ(get.standardOutput(), c.output);
        const std::string error = get.standardError();
        if (c.reason.empty())
            EXPECT_EQ(error, "");
        else
            EXPECT_EQ(error, c.reason + "\n");
    }
}

// --get with the program folder's SNMP profiles, against snmpd answering v2c "empresa" and the v3
// user "coletor" but not v1 "public": every profile at once, or the one --perfil names.
TEST(VorentaServerProgram, GetAsksWithTheProfilesOfTheProgramFolder)
{
    if (!vorenta::test::NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    vorenta::test::NetSnmpAgent agent(UniqueLoopbackPrefix() + "4", 161);
    agent.withoutPublic();
    ASSERT_TRUE(agent.start({"sysLocation Sala 2", "rocommunity empresa 127.0.0.0/8",
                             "createUser coletor SHA senha-de-autenticacao DES senha-de-privacidade",
                             "rouser coletor priv"}))
        << agent.log();
    TemporaryProgramFolder home;
    home.write("Coletor.ini", "[SNMP]\r\nPerfis=escritorio,seguro,antigo\r\nV1Public=0\r\n"
                              "[SNMP.escritorio]\r\nVersao=2c\r\nComunidade=empresa\r\n"
                              "[SNMP.seguro]\r\nVersao=3\r\nUsuario=coletor\r\nAutenticacao=SHA\r\n"
                              "SenhaAutenticacao=senha-de-autenticacao\r\nPrivacidade=DES\r\n"
                              "SenhaPrivacidade=senha-de-privacidade\r\n"
                              "[SNMP.antigo]\r\nVersao=3\r\nUsuario=coletor\r\nAutenticacao=SHA\r\n"
                              "SenhaAutenticacao=senha-que-mudou\r\n");
    const std::string address = agent.address();
    struct Case {
        QStringList arguments;
        int exitCode;
        QByteArray output;
        std::string reason;
    };
    const QString location = QStringLiteral("1.3.6.1.2.1.1.6.0");
    const QString host = QString::fromStdString(address);
    const Case cases[] = {
        {{}, 0, "Sala 2\n", "VorentaServer: SNMP perfil escritorio (v2c) em " + address},
        {{"--perfil", "seguro"}, 0, "Sala 2\n", "VorentaServer: SNMP perfil seguro (v3) em " + address},
        {{"--perfil", "SEGURO"}, 0, "Sala 2\n", "VorentaServer: SNMP perfil seguro (v3) em " + address},
        {{"--perfil", "antigo"},
         1,
         "\n",
         "VorentaServer: Falha de autenticação SNMPv3 em " + address +
             " (usuário coletor): senha ou usuário incorreto\nVorentaServer: sem resposta SNMP de " +
             address},
        {{"--perfil", "nenhum"},
         2,
         "\n",
         "VorentaServer: perfil SNMP desconhecido: nenhum; veja [SNMP] Perfis em Coletor.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        CollectorProcess get(home.path());
        EXPECT_EQ(get.run(QStringList{"--get", location, host} + c.arguments), c.exitCode);
        EXPECT_EQ(get.standardOutput(), c.output);
        EXPECT_EQ(get.standardError(), c.reason + "\n");
    }
    // An object the agent lacks, in v2c: noSuchObject, the agent's own "no".
    CollectorProcess missing(home.path());
    EXPECT_EQ(missing.run({"--get", "1.3.6.1.2.1.1.99.0", host, "--perfil", "escritorio"}), 3);
    EXPECT_EQ(missing.standardError(),
              "VorentaServer: SNMP perfil escritorio (v2c) em " + address +
                  "\nVorentaServer: o agente não tem o objeto 1.3.6.1.2.1.1.99.0 (noSuchObject)\n");
}

// Where nothing answers, --probe ends with one line that says so and prints no reading.
TEST(VorentaServerProgram, ProbeWhereNothingAnswersSaysSoAndPrintsNoReading)
{
    const QString nobody = QString::fromStdString(UniqueLoopbackPrefix() + "3");
    TemporaryProgramFolder home;
    CollectorProcess probe(home.path());
    EXPECT_EQ(probe.run({"--probe", nobody}, std::chrono::seconds(60)), 1);
    EXPECT_EQ(probe.standardOutput(), QByteArray());
    EXPECT_NE(probe.standardError().find(("Nenhuma impressora identificada em " + nobody + " (sem resposta SNMP)")
                                             .toStdString()),
              std::string::npos)
        << probe.standardError();
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
    CollectorProcess probe(home.path());
    ASSERT_EQ(probe.run({"--probe", QString::fromStdString(address)}), 0) << probe.standardError();

    const QStringList lines = QString::fromUtf8(probe.standardOutput()).split(u'\n', Qt::SkipEmptyParts);
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
    EXPECT_FALSE(QFile::exists(home.file("Vorenta.db"))) << "nor makes a database";
}

TEST(VorentaServerProgram, ProbeReadsTheModelOidTableOfAnExistingDatabaseOnly)
{
    const std::string address = UniqueLoopbackPrefix() + "6";
    FixtureSnmpAgent agent(address, 161,
                           SnmpRecording::FromText("1.3.6.1.2.1.43.5.1.1.17.1|4|PRB-0001\n"
                                                   "1.3.6.1.2.1.25.3.2.1.3.1|4|Probe 1\n"
                                                   "1.3.6.1.2.1.1.1.0|4|Probe firmware 7\n"));
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    CollectorProcess probe(home.path());

    // No database beside it: the probe reads the device and makes no Vorenta.db.
    ASSERT_EQ(probe.run({"--probe", QString::fromStdString(address)}), 0) << probe.standardError();
    EXPECT_TRUE(probe.standardOutput().contains("\nNSerie=PRB-0001\n"));
    EXPECT_FALSE(QFile::exists(home.file("Vorenta.db")));

    // The collector's database, with a model OID for every model: the probe reads it.
    {
        vorenta::DatabaseConnection database(vorenta::DatabaseSettings::embedded(home.path()));
        database.open();
        vorenta::SqlQuery insert(database);
        insert.addLine("insert into Oid (Modelo, NomeInfo, Oid) values ('*', 'Inf1', '1.3.6.1.2.1.1.1.0')");
        insert.execute();
    }
    ASSERT_EQ(probe.run({"--probe", QString::fromStdString(address)}), 0) << probe.standardError();
    EXPECT_TRUE(probe.standardOutput().contains("\ninf1=Probe firmware 7\n"))
        << probe.standardOutput().toStdString();
}

TEST(VorentaServerProgram, InstallAndUninstallTheUnit)
{
    TemporaryProgramFolder home;
    TemporaryProgramFolder units;
    CollectorProcess collector(home.path());
    ASSERT_EQ(collector.run({"INSTALL", "SILENT", "--unit-dir", units.path()}), 0);
    if (!vorenta::test::SystemdAnalyzeAvailable())
        VORENTA_PEER_MISSING("systemd-analyze (Debian package systemd)");
    const vorenta::test::UnitVerdict verdict = vorenta::test::VerifyUnit(units.file("vorenta.service"));
    EXPECT_EQ(verdict.exitCode, 0) << verdict.output.toStdString();
    EXPECT_TRUE(QString::fromUtf8(units.read("vorenta.service"))
                    .contains("\nWorkingDirectory=" + QDir(home.path()).absolutePath() + "\n"));
    ASSERT_EQ(collector.run({"/uninstall", "--unit-dir", units.path()}), 0);
    EXPECT_FALSE(QFile::exists(units.file("vorenta.service")));
    EXPECT_EQ(collector.messages(),
              QStringList({"Vorentor Instalado!", "SRVVorentor Instalado", "Vorentor desinstalado!"}));
}

TEST(VorentaServerProgram, WrongArgumentsExitWithUsage)
{
    EXPECT_EQ(CollectorProcess().run({"--nada"}), 2);

    // A local address without three dots would make the fallback resolve "2" ... "254".
    TemporaryProgramFolder home;
    home.writeIdentity("CLI", "7");
    EXPECT_EQ(CollectorProcess(home.path()).run({"--once", "--local-ip", "2"}), 2);
    EXPECT_FALSE(QFile::exists(home.file("LOG.TXT"))) << "nothing ran";
}

TEST(VorentaServerProgram, UnreadableDatabaseNeverScansTheLocalNetwork)
{
    // An empty file is an empty SQLite database (no RangeIP table); the other is no database.
    for (const QByteArray& content : {QByteArray(), QByteArray(4096, 'x')}) {
        TemporaryProgramFolder home;
        home.writeIdentity("CLI", "7");
        home.write("Vorenta.db", content);
        const QString local = QString::fromStdString(UniqueLoopbackPrefix()) + "1";
        CollectorProcess collector(home.path());
        ASSERT_EQ(collector.run({"--once", "--local-ip", local}), 0) << collector.standardError();

        const QString all = collector.messages().join('\n');
        EXPECT_FALSE(all.contains("Sem faixa de IP criada")) << all.toStdString();
        EXPECT_FALSE(all.contains("Coletando dados de")) << all.toStdString();
        EXPECT_TRUE(all.contains("Erro ao Buscar Range de IP: ") || all.contains("Erro de conexão. : "))
            << all.toStdString();
        if (content.isEmpty()) {
            EXPECT_TRUE(all.contains("Erro ao Buscar Range de IP: ")) << all.toStdString();
        }
    }
}
