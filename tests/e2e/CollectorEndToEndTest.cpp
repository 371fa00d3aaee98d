#include "common/IniFile.h"
#include "tests/database/StoreTestSupport.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QHostInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <system_error>
#include <thread>

namespace vorenta {
namespace {

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
    ASSERT_TRUE(service.waitForMessage("Vorentor pausado!"));
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

// The demo fleet's RICOH and SAMSUNG printers, on a second range: their makers' own counters
// reach the stored rows, over the readers' real UDP path.
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
    const struct {
        const char* nSerie;
        const char* column;
        const char* value;
    } expected[] = {
        {"E205M123456", "Fabricante", "RICOH"},
        {"E205M123456", "Modelo", "MP C2504"},
        {"E205M123456", "ContGeral", "251877"},
        {"E205M123456", "ContPb", "140000"},    // 98000 + 42000
        {"E205M123456", "ContColor", "111877"}, // 61000 + 48000 + 2877
        {"E205M123456", "ContScan", "19510"},   // 15300 + 4210
        {"E205M123456", "ContA3", "3120"},
        {"E205M123456", "ContA4", ""},
        {"E205M123456", "SupriB", "Toner Preto"},
        {"E205M123456", "NivelB", "40"},
        {"E205M123456", "DurabB", "10000"},
        {"E205M123456", "SupriY", "Toner Amarelo"},
        {"E205M123456", "NivelY", "1"}, // "-2" from RICOH's own supply table
        {"E205M123456", "DurabY", "5500"},
        {"ZDDBB07K4000Y2X", "Fabricante", "SAMSUNG"},
        {"ZDDBB07K4000Y2X", "Modelo", "M4070 Series"},
        {"ZDDBB07K4000Y2X", "ContGeral", "93120"},
        {"ZDDBB07K4000Y2X", "ContPb", "93120"},
        {"ZDDBB07K4000Y2X", "ContColor", "0"},
        {"ZDDBB07K4000Y2X", "ContScan", "4480"},
        {"ZDDBB07K4000Y2X", "ContA3", "0"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(column(e.nSerie, e.column), e.value) << e.nSerie << " " << e.column;
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
// each maker's own counters, and BROTHER's MAC address fallback, reach the stored rows.
TEST_P(CollectorEndToEnd, TheOtherMakersDevicesAreStoredWithTheirMakersCounters)
{
    const QString demoFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");
    const char* recordings[] = {"8-brother-mfc-l8900cdw", "9-epson-l4160", "10-konica-bizhub-c458",
                                "11-canon-ir-adv-c5051", "12-sharp-mx-2300n"};
    int host = 6;
    try {
        for (const char* recording : recordings)
            m_fleet.add(host++,
                        test::SnmpRecording::FromFile((demoFleet + recording + ".snmprec").toStdString()));
    } catch (const std::system_error& error) {
        VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
    }
    db().insertRange("K1", "S1", address(6), address(10));

    const QStringList messages = runOnce();

    EXPECT_EQ(
        test::AfterPrefix(messages, "Gravando dados "),
        QStringList({address(3), address(5), address(6), address(7), address(8), address(9), address(10)}))
        << messages.join('\n').toStdString();
    const struct {
        const char* nSerie;
        const char* column;
        const char* value;
    } expected[] = {
        {"E78123K5N123456", "Fabricante", "Brother"}, // as identification found it
        {"E78123K5N123456", "Modelo", "MFC-L8900CDW series"},
        {"E78123K5N123456", "MacAddress", "00:80:77:5A:1B:20"}, // BROTHER's own object
        {"E78123K5N123456", "ContGeral", "38450"},
        {"E78123K5N123456", "ContColor", "12000"}, // 1250 + 10750
        {"E78123K5N123456", "ContPb", "26450"},    // 24000 + 2450
        {"E78123K5N123456", "ContScan", "1240"},   // 900 + 300 + 40
        {"E78123K5N123456", "ContA3", "1250"},
        {"E78123K5N123456", "ContA4", "37200"}, // the total less A3
        {"X5E1234567", "Fabricante", "EPSON"},
        {"X5E1234567", "Modelo", "L4160 Series"},
        {"X5E1234567", "ContGeral", "8520"},
        {"X5E1234567", "ContPb", "6100"},
        {"X5E1234567", "ContColor", "2420"},
        {"X5E1234567", "ContScan", "355"}, // 310 + 45
        {"X5E1234567", "ContA3", "0"},
        {"A7PU021012345", "Fabricante", "KONICA MINOLTA"},
        {"A7PU021012345", "Modelo", "bizhub C458"},
        {"A7PU021012345", "ContGeral", "152300"},
        {"A7PU021012345", "ContPb", "81300"},    // 60000 + 20000 + 1300
        {"A7PU021012345", "ContColor", "71000"}, // 40000 + 25000 + 4000 + 2000
        {"A7PU021012345", "ContScan", "8800"},
        {"A7PU021012345", "ContA3", "12200"},
        {"A7PU021012345", "ContA4", "140100"},
        {"QXK12345", "Fabricante", "CANON"},
        {"QXK12345", "Modelo", "iR-ADV C5051"}, // CANON's own model text, then sysName
        {"QXK12345", "ContPb", "158000"},       // 8000 + 150000
        {"QXK12345", "ContColor", "64000"},     // 4000 + 60000
        {"QXK12345", "ContGeral", "222000"},    // mono + colour, not the Printer MIB's 221950
        {"QXK12345", "ContA3", "12000"},        // 8000 + 4000
        {"QXK12345", "ContA4", "210000"},       // 150000 + 60000
        {"05012345", "Fabricante", "SHARP"},
        {"05012345", "Modelo", "MX-2300N"},
        {"05012345", "StatusEquip", "Pronto para copiar."}, // the console, not the alert
        {"05012345", "Falha", "3-Warning"},
        {"05012345", "ContGeral", "120000"},
        {"05012345", "ContPb", "70000"},    // 60000 + 9500 + 500
        {"05012345", "ContColor", "50000"}, // the total less mono
        {"05012345", "ContScan", "2500"},   // 1800 + 700
    };
    for (const auto& e : expected)
        EXPECT_EQ(column(e.nSerie, e.column), e.value) << e.nSerie << " " << e.column;
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

    const struct {
        const char* nSerie;
        const char* column;
        const char* value;
    } expected[] = {
        {"05099001", "Fabricante", "SHARP"},
        {"05099001", "Modelo", "MX-2300N"}, // the text that named no maker, less the maker
        {"05099001", "ContGeral", "120000"},
        {"05099001", "ContPb", "70000"},    // 60000 + 9500 + 500, the MX-2300N's mono
        {"05099001", "ContColor", "50000"}, // the total less mono
        {"05099001", "ContScan", "2500"},   // 1800 + 700
        {"A7PU0250099", "Fabricante", "KONICA MINOLTA"},
        {"A7PU0250099", "Modelo", "bizhub C250i"},
        {"A7PU0250099", "ContPb", "81300"},    // 60000 + 20000 + 1300
        {"A7PU0250099", "ContColor", "71000"}, // 40000 + 25000 + 4000 + 2000
        {"A7PU0250099", "ContScan", "8800"},
        {"A7PU0250099", "ContA3", "12200"},
        {"A7PU0250099", "ContA4", "140100"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(column(e.nSerie, e.column), e.value) << e.nSerie << " " << e.column;

    test::CollectorProcess probe(m_home.path());
    ASSERT_EQ(probe.run({"--probe", address(6)}), 0) << probe.standardError();
    const QStringList lines = QString::fromUtf8(probe.standardOutput()).split('\n');
    EXPECT_TRUE(lines.contains("Fabricante=SHARP")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("ContPb=70000")) << lines.join('\n').toStdString();
}

VORENTA_INSTANTIATE_DATABASE_TESTS(CollectorEndToEnd);

} // namespace
} // namespace vorenta
