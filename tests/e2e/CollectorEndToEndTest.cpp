#include "common/IniFile.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/StoreTestSupport.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QHostInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iostream>
#include <system_error>
#include <thread>

namespace vorenta {
namespace {

// Every test of this program ends within nine minutes or fails by name, before CTest's limit.
[[maybe_unused]] const bool kDeadlineForEveryTest = test::DeadlineForEveryTest(std::chrono::minutes(9));

using test::FirstText;

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const QString kFinished = QStringLiteral("Registro Concluído de Dados de Equipamento ");

/// The collector installed in a program folder of its own, storing into the test database, with
/// two recorded printers among the four addresses of its one range (a test may add more).
class CollectorEndToEnd : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        try {
            m_fleet.add(3, test::SnmpRecording::FromFile((kRecordings + "laser-mono.snmprec").toStdString()));
            m_fleet.add(5, test::SnmpRecording::FromFile((kRecordings + "color-mfp.snmprec").toStdString()));
        } catch (const std::system_error& error) {
            VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
        }
        m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", db().bancoSection());
        m_home.write("Contatos.ini", "[CONFIG]\r\nCODEMPRESA=77\r\nContato1=Ana\r\nTelefone1=11 5555-0001\r\n"
                                     "email1=ana@cliente.com.br\r\n");
        db().insertParametros("K1", "1");
        db().insertRange("K1", "S1", address(2), address(5));
    }

    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    /// Runs `VorentaServer --once` and returns the messages it added to LOG.TXT, without dates.
    QStringList runOnce()
    {
        test::CollectorProcess collector(m_home.path());
        const qsizetype before = collector.messages().size();
        EXPECT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
        return collector.messages().mid(before);
    }

    QString column(const QString& nSerie, const QString& name)
    {
        return FirstText(db().connection(),
                         "select " + name + " from DadosOid where NSerie='" +
                             QString(nSerie).replace("'", "''") + "' order by Cod desc",
                         name);
    }

    /// What `VorentaServer --probe` prints for the device at `host`, in the form of a stored row
    /// (lower-case names, without the two dates), sorted.
    QStringList probed(int host)
    {
        test::CollectorProcess probe(m_home.path());
        EXPECT_EQ(probe.run({"--probe", address(host)}), 0) << probe.standardError();
        QStringList row;
        for (const QString& line :
             QString::fromUtf8(probe.standardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
            const QString name = line.section(u'=', 0, 0).toLower();
            if (name != u"dataexp" && name != u"datalog")
                row << name + u'=' + line.section(u'=', 1);
        }
        row.sort();
        return row;
    }

    /// The pass stored for the device at `host` exactly what --probe prints for it, column by
    /// column. The makers' arithmetic is the reader tests' to check; here it is the whole path,
    /// from the device over UDP through the reader and the store to the row.
    void expectStoredAsProbed(int host)
    {
        const QStringList row = test::LastStoredRowWithoutDates(db().connection(), address(host));
        ASSERT_FALSE(row.isEmpty()) << "no row stored for " << address(host).toStdString();
        const QStringList printed = probed(host);
        // Only the insert's columns: the table has others the pass does not write (Notificado).
        QStringList stored;
        for (const QString& column : row) {
            const QString name = column.section(u'=', 0, 0) + u'=';
            if (std::any_of(printed.cbegin(), printed.cend(),
                            [&](const QString& p) { return p.startsWith(name); }))
                stored << column;
        }
        stored.sort();
        EXPECT_EQ(stored.join('\n').toStdString(), printed.join('\n').toStdString())
            << "stored and probed differ for " << address(host).toStdString();
    }

    test::FixtureSnmpFleet m_fleet;
    test::TemporaryProgramFolder m_home;
};

TEST_P(CollectorEndToEnd, OnePassStoresEveryRecordedPrinterAndASecondPassAddsReadings)
{
    const QStringList messages = runOnce();
    const QString all = messages.join('\n');

    EXPECT_EQ(test::AfterPrefix(messages, "Coletando dados de "),
              QStringList({address(2), address(3), address(4), address(5)}))
        << all.toStdString();
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), QStringList({address(3), address(5)}));
    EXPECT_EQ(test::AfterPrefix(messages, kFinished),
              QStringList({address(3) + " ACME LM-4200", address(5) + " ZETA C300"}))
        << all.toStdString();
    const QStringList passes = test::AfterPrefix(messages, "Busca concluída: ");
    ASSERT_EQ(passes.size(), 1) << all.toStdString();
    EXPECT_TRUE(
        passes[0].startsWith("4 endereços, 2 equipamentos, 2 gravados, 0 pendentes, 0 recusados, 0 erros, "))
        << passes[0].toStdString();

    ASSERT_EQ(db().count("DadosOid"), 2) << all.toStdString();
    const QString computer = QHostInfo::localHostName().left(15);
    const struct {
        const char* nSerie;
        const char* column;
        QString value;
    } expected[] = {
        {"LM42-0001'A", "IP", address(3)},
        {"LM42-0001'A", "Fabricante", "ACME"},
        {"LM42-0001'A", "Modelo", "LM-4200"},
        {"LM42-0001'A", "MacAddress", "00:1B:A9:00:0A:01"},
        {"LM42-0001'A", "ContGeral", "48213"},
        {"LM42-0001'A", "StatusEquip", "Pronto"},
        {"LM42-0001'A", "Falha", "2-TUDO OK"},
        {"LM42-0001'A", "SupriB", "Toner Preto"},
        {"LM42-0001'A", "NivelB", "6400"},
        {"LM42-0001'A", "DurabB", "12000"},
        {"LM42-0001'A", "LocalInstal", "Matriz Recepcao 1o andar"},
        {"C300-7788", "IP", address(5)},
        {"C300-7788", "Fabricante", "ZETA"},
        {"C300-7788", "Modelo", "C300"},
        {"C300-7788", "MacAddress", "00:1B:A9:00:0B:02"},
        {"C300-7788", "ContGeral", "902114"},
        {"C300-7788", "StatusEquip", "Toner ciano baixo"},
        {"C300-7788", "Falha", "3-Warning"},
        {"C300-7788", "SupriC", "Toner Ciano"},
        {"C300-7788", "NivelC", "300"},
        {"C300-7788", "NivelM", "N/D"},
        {"C300-7788", "LocalInstal", "Matriz Financeiro"},
        // What every row carries from the collector's settings.
        {"C300-7788", "IDServ", "S1"},
        {"C300-7788", "Chave", "K1"},
        {"C300-7788", "Versao", QString::fromUtf8(kVersionText)},
        {"C300-7788", "CodEmpresa", "77"},
        {"C300-7788", "contato1", "Ana"},
        {"C300-7788", "tel1", "11 5555-0001"},
        {"C300-7788", "email1", "ana@cliente.com.br"},
        {"C300-7788", "Computador", computer},
    };
    for (const auto& e : expected)
        EXPECT_EQ(column(e.nSerie, e.column), e.value) << e.nSerie << " " << e.column;
    EXPECT_EQ(test::FirstDateTime(db().connection(), "select DataExp from DadosOid", "DataExp"),
              QDateTime(QDate(2030, 12, 25), QTime(0, 0)));
    EXPECT_EQ(db().count("ListaEquipCli", "nSerie='LM42-0001''A' or nSerie='C300-7788'"), 2);
    EXPECT_EQ(db().count("UltLog", "IDServ='S1' and Chave='K1'"), 1);

    const QStringList second = runOnce();
    EXPECT_EQ(test::AfterPrefix(second, kFinished).size(), 2) << second.join('\n').toStdString();
    EXPECT_EQ(db().count("DadosOid"), 4);
    EXPECT_EQ(db().count("ListaEquipCli"), 2);
    EXPECT_EQ(db().count("UltLog"), 1);
}

// Printers that answer only another community (v2c) or only a v3 user, served by snmpsimd, beside
// the v1 ones: each stored by its profile, with one line saying which.
TEST_P(CollectorEndToEnd, V2cAndV3PrintersAreStoredBesideTheV1Ones)
{
    if (!test::SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd (Debian package snmpsim)");
    test::SnmpRecording office =
        test::SnmpRecording::FromFile((kRecordings + "laser-mono.snmprec").toStdString());
    office.set("1.3.6.1.2.1.43.5.1.1.17.1", "4", "LM42-V2C");
    office.set("1.3.6.1.2.1.43.10.2.1.4.1.1", "70", "5000000000"); // a Counter64 total
    test::SnmpRecording vault =
        test::SnmpRecording::FromFile((kRecordings + "color-mfp.snmprec").toStdString());
    vault.set("1.3.6.1.2.1.43.5.1.1.17.1", "4", "C300-V3");
    const std::string prefix = m_fleet.address(3).substr(0, m_fleet.address(3).rfind('.') + 1);
    test::SnmpSimulator v2c(prefix + "6", 161);
    ASSERT_TRUE(v2c.start(office.toText(), "empresa")) << v2c.log();
    test::SnmpSimulator v3(prefix + "7", 161);
    v3.addV3User("coletor", "SHA", "senha-de-autenticacao", "AES", "senha-de-privacidade");
    ASSERT_TRUE(v3.start(vault.toText(), "cofre")) << v3.log();
    m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030",
                         db().bancoSection() +
                             "[SNMP]\r\nPerfis=escritorio,seguro\r\n"
                             "[SNMP.escritorio]\r\nVersao=2c\r\nComunidade=empresa\r\n"
                             "[SNMP.seguro]\r\nVersao=3\r\nUsuario=coletor\r\nAutenticacao=SHA\r\n"
                             "SenhaAutenticacao=senha-de-autenticacao\r\nPrivacidade=AES\r\n"
                             "SenhaPrivacidade=senha-de-privacidade\r\nContexto=cofre\r\n"
                             "Faixas=" +
                             QByteArray::fromStdString(prefix) + "7\r\n");
    db().insertRange("K1", "S1", address(6), address(7));

    const QStringList messages = runOnce();
    const QString all = messages.join('\n');
    EXPECT_EQ(test::AfterPrefix(messages, kFinished),
              QStringList({address(3) + " ACME LM-4200", address(5) + " ZETA C300",
                           address(6) + " ACME LM-4200", address(7) + " ZETA C300"}))
        << all.toStdString();
    EXPECT_EQ(test::AfterPrefix(messages, "SNMP perfil "),
              QStringList({"escritorio (v2c) em " + address(6), "seguro (v3) em " + address(7)}))
        << all.toStdString();
    EXPECT_FALSE(all.contains("senha-de-")) << "a secret reached LOG.TXT";
    ASSERT_EQ(db().count("DadosOid"), 4) << all.toStdString();
    EXPECT_EQ(column("LM42-V2C", "IP"), address(6));
    EXPECT_EQ(column("LM42-V2C", "ContGeral"), "5000000000");
    EXPECT_EQ(column("LM42-V2C", "Modelo"), "LM-4200");
    EXPECT_EQ(column("C300-V3", "IP"), address(7));
    EXPECT_EQ(column("C300-V3", "ContGeral"), "902114");
    EXPECT_EQ(column("C300-V3", "NivelC"), "300");
    EXPECT_EQ(column("LM42-0001'A", "ContGeral"), "48213");
}

// The service as systemd runs it (no --once): every cycle stores, a pause holds the next one, a
// continue lets it run, and a stop ends the process with the stop lines last.
TEST_P(CollectorEndToEnd, TheServiceStoresInEveryCycleUntilItIsStopped)
{
    db().execute("update Parametros set Ed7='0'"); // no rest: the next pass follows after 5 s
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    const QString lastDevice = kFinished + address(5) + " ZETA C300";

    ASSERT_TRUE(service.waitForMessage(lastDevice)) << service.messages().join('\n').toStdString();
    EXPECT_EQ(db().count("DadosOid"), 2);
    service.signal(SIGUSR1);
    ASSERT_TRUE(service.waitForMessage("Vorentor pausado!"))
        << "SIGUSR1 was not logged as a pause within 60 s";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(service.messages().count("Serviço Em Atividade"), 1) << "paused: no new pass";

    service.signal(SIGUSR2);
    ASSERT_TRUE(service.waitForMessage(lastDevice, 2)) << service.messages().join('\n').toStdString();
    EXPECT_EQ(db().count("DadosOid"), 4);
    EXPECT_EQ(db().count("DadosOid", "IP='" + address(3) + "'"), 2);
    service.signal(SIGTERM);
    EXPECT_EQ(service.waitForExit(std::chrono::seconds(20)), 0) << service.standardError();

    const QStringList messages = service.messages();
    EXPECT_EQ(test::AfterPrefix(messages, kFinished),
              QStringList({address(3) + " ACME LM-4200", address(5) + " ZETA C300",
                           address(3) + " ACME LM-4200", address(5) + " ZETA C300"}));
    QStringList control;
    for (const QString& message : messages) {
        if (message == "Serviço Em Atividade" || message.startsWith("Vorentor") ||
            message.startsWith("Finaliza"))
            control << message;
    }
    EXPECT_EQ(control, QStringList({"Serviço Em Atividade", "Vorentor pausado!", "Serviço Em Atividade",
                                    "Vorentor Pausado!", "Finalização do serviço Vorenta."}));
    EXPECT_EQ(db().count("DadosOid"), 4);
}

// A stop while the reading's insert waits on a lock another session holds: the statement is
// cancelled, the process ends within seconds (not after TempoComando), and no reading is left.
TEST_P(CollectorEndToEnd, AStopCancelsAStatementWaitingOnALock)
{
    m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", db().bancoSection() + "TempoComando=120\r\n");
    if (GetParam() == test::TestBackend::PostgreSql) {
        db().execute("begin");
        db().execute("lock table DadosOid in access exclusive mode");
    } else {
        db().execute("begin immediate"); // readers go on, writers wait for the lock
    }
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    ASSERT_TRUE(service.waitForMessage("Gravando dados " + address(3)))
        << service.messages().join('\n').toStdString();
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the insert is waiting on the lock now

    const auto stopped = std::chrono::steady_clock::now();
    service.signal(SIGTERM);
    const int exitCode = service.waitForExit(std::chrono::seconds(60));
    const auto stopSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    db().execute(GetParam() == test::TestBackend::PostgreSql ? "commit" : "rollback");

    EXPECT_EQ(exitCode, 0) << service.standardError();
    RecordProperty("stop_seconds", QString::number(stopSeconds, 'f', 2).toStdString());
    std::cout << "stop during a locked statement took " << stopSeconds << " s\n";
    EXPECT_LT(stopSeconds, 20) << "the stop must not wait for the statement (TempoComando=120)";
    EXPECT_EQ(db().count("DadosOid"), 0) << "no reading half-written";
    const QStringList messages = service.messages();
    EXPECT_FALSE(messages.contains("Coletando dados de " + address(4))) << "the walk ends at the stop";
    EXPECT_EQ(messages.mid(messages.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

// The demo fleet's RICOH and SAMSUNG printers, on a second range: each is stored by its maker's
// reader (the maker's own text) with every column --probe prints for it.
TEST_P(CollectorEndToEnd, RicohAndSamsungDevicesAreStoredWithTheirMakersCounters)
{
    const QString demoFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");
    try {
        m_fleet.add(6, test::SnmpRecording::FromFile((demoFleet + "3-ricoh-mpc2504.snmprec").toStdString()));
        m_fleet.add(7, test::SnmpRecording::FromFile((demoFleet + "5-samsung-m4070.snmprec").toStdString()));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    db().insertRange("K1", "S1", address(6), address(7));

    const QStringList messages = runOnce();

    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "),
              QStringList({address(3), address(5), address(6), address(7)}))
        << messages.join('\n').toStdString();
    EXPECT_EQ(column("E205M123456", "Fabricante"), "RICOH");
    EXPECT_EQ(column("ZDDBB07K4000Y2X", "Fabricante"), "SAMSUNG");
    for (int host : {6, 7})
        expectStoredAsProbed(host);
}

TEST_P(CollectorEndToEnd, HostileDeviceIsStoredWholeAndCannotForgeLogLines)
{
    // A device whose texts hold NULs, line breaks and more than their columns take.
    const auto hex = [](const QByteArray& octets) { return "4x|" + octets.toHex().toStdString() + "\n"; };
    const QByteArray forged =
        "\r\n01/01/2020 - 00:00:00: Registro Concluido de Dados de Equipamento 10.0.0.1";
    m_fleet.add(6,
                test::SnmpRecording::FromText("1.3.6.1.2.1.43.5.1.1.5.1|4|ACME\n"
                                              "1.3.6.1.2.1.43.5.1.1.17.1|" +
                                              hex(QByteArray("HOS\0T-1", 7)) + "1.3.6.1.2.1.25.3.2.1.3.1|" +
                                              hex("ACME Evil" + forged) + "1.3.6.1.2.1.2.2.1.6.1|" +
                                              hex(QByteArray("\x00\x1B\xA9\r\n\x00\x0C\x03", 8)) +
                                              "1.3.6.1.2.1.43.10.2.1.4.1.1|65|123\n"
                                              "1.3.6.1.2.1.43.18.1.1.8.1.1|4|" +
                                              std::string(300, 'A') +
                                              "\n"
                                              "1.3.6.1.2.1.25.3.2.1.5.1|2|2\n"
                                              "1.3.6.1.2.1.1.6.0|4|" +
                                              std::string(600, 'L') + "\n"));
    db().execute("delete from RangeIP");
    db().insertRange("K1", "S1", address(6), address(6));

    const QStringList messages = runOnce();
    const QString all = messages.join('\n');

    ASSERT_EQ(db().count("DadosOid"), 1) << all.toStdString();
    const QString nSerie = "HOS\\x00T-1";
    EXPECT_EQ(column(nSerie, "Modelo"), "Evil" + QString::fromUtf8(forged));
    EXPECT_EQ(column(nSerie, "MacAddress"), QString::fromUtf8("\\x00\x1B©\r\n\\x00\x0C\x03"));
    EXPECT_EQ(column(nSerie, "StatusEquip"), QString(200, u'A'));
    EXPECT_EQ(column(nSerie, "LocalInstal"), ("Matriz " + QString(600, u'L')).left(512));
    EXPECT_EQ(db().count("ListaEquipCli"), 1);

    const QString evil =
        "Evil\\x0D\\x0A01/01/2020 - 00:00:00: Registro Concluido de Dados de Equipamento 10.0.0.1";
    EXPECT_EQ(test::AfterPrefix(messages, kFinished), QStringList{address(6) + " ACME " + evil});
    EXPECT_TRUE(messages.contains(QString::fromUtf8("MAC1: \\x00\\x1B©\\x0D\\x0A\\x00\\x0C\\x03")))
        << all.toStdString();
    // Every line of the file is one of ours: dated, nothing forged, no NUL.
    const QByteArray log = m_home.read("LOG.TXT");
    EXPECT_FALSE(log.contains('\0'));
    static const QRegularExpression dated(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} - \\d\\d:\\d\\d:\\d\\d: "));
    for (const QString& line : QString::fromUtf8(log).split("\r\n", Qt::SkipEmptyParts)) {
        EXPECT_TRUE(dated.match(line).hasMatch()) << line.toStdString();
        EXPECT_FALSE(line.startsWith("01/01/2020")) << line.toStdString();
    }
}

// The demo fleet's BROTHER, EPSON, KONICA MINOLTA, CANON and SHARP printers, on a second range:
// each is stored by its maker's reader with every column --probe prints for it, BROTHER's MAC
// address fallback included.
TEST_P(CollectorEndToEnd, TheOtherMakersDevicesAreStoredWithTheirMakersCounters)
{
    const QString demoFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");
    const struct {
        const char* recording;
        const char* nSerie;
        const char* Fabricante; // what tells which reader ran
    } printers[] = {
        {"8-brother-mfc-l8900cdw", "E78123K5N123456",
         "Brother"}, // the BROTHER reader leaves identification's text
        {"9-epson-l4160", "X5E1234567", "EPSON"},
        {"10-konica-bizhub-c458", "A7PU021012345", "KONICA MINOLTA"},
        {"11-canon-ir-adv-c5051", "QXK12345", "CANON"},
        {"12-sharp-mx-2300n", "05012345", "SHARP"},
    };
    int host = 6;
    try {
        for (const auto& printer : printers)
            m_fleet.add(host++, test::SnmpRecording::FromFile(
                                    (demoFleet + printer.recording + ".snmprec").toStdString()));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    db().insertRange("K1", "S1", address(6), address(10));

    const QStringList messages = runOnce();

    EXPECT_EQ(
        test::AfterPrefix(messages, "Gravando dados "),
        QStringList({address(3), address(5), address(6), address(7), address(8), address(9), address(10)}))
        << messages.join('\n').toStdString();
    host = 6;
    for (const auto& printer : printers) {
        SCOPED_TRACE(printer.recording);
        EXPECT_EQ(column(printer.nSerie, "Fabricante"), printer.Fabricante);
        expectStoredAsProbed(host++);
    }
}

// FabricantePorOid=1, the service run as systemd runs it: a SHARP and a KONICA MINOLTA whose
// texts name only their models are recognised by their sysObjectID and stored with their makers'
// counters; --probe shows the same. Without the setting they get no reader.
TEST_P(CollectorEndToEnd, MakersNamedOnlyBySysObjectIdAreReadWhenTheSettingIsOn)
{
    try {
        m_fleet.add(6,
                    test::SnmpRecording::FromFile((kRecordings + "sharp-model-only.snmprec").toStdString()));
        m_fleet.add(7,
                    test::SnmpRecording::FromFile((kRecordings + "konica-model-only.snmprec").toStdString()));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    db().insertRange("K1", "S1", address(6), address(7));

    runOnce(); // setting absent: identification's texts, no maker counters
    EXPECT_EQ(column("05099001", "Fabricante"), "SHARP MX-2300N");
    EXPECT_EQ(column("05099001", "Modelo"), "");
    EXPECT_EQ(column("05099001", "ContPb"), "");
    EXPECT_EQ(column("A7PU0250099", "Fabricante"), "KONICA MINOLTA bizhub C250i");
    EXPECT_EQ(column("A7PU0250099", "ContScan"), "");

    IniFile(m_home.file("Coletor.ini")).setValue("COLETOR", "FabricantePorOid", "1");
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    const QString lastDevice = kFinished + address(7) + " KONICA MINOLTA bizhub C250i";
    ASSERT_TRUE(service.waitForMessage(lastDevice)) << service.messages().join('\n').toStdString();
    service.signal(SIGTERM);
    EXPECT_EQ(service.waitForExit(std::chrono::seconds(20)), 0) << service.standardError();

    // The dispatch's part: the maker taken from sysObjectID, the model without the maker's name.
    EXPECT_EQ(column("05099001", "Fabricante"), "SHARP");
    EXPECT_EQ(column("05099001", "Modelo"), "MX-2300N");
    EXPECT_EQ(column("A7PU0250099", "Fabricante"), "KONICA MINOLTA");
    EXPECT_EQ(column("A7PU0250099", "Modelo"), "bizhub C250i");
    // The service stored what --probe, under the same setting, prints for each.
    for (int host : {6, 7})
        expectStoredAsProbed(host);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(CollectorEndToEnd);

} // namespace
} // namespace vorenta
