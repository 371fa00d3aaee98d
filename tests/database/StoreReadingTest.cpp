#include "tests/database/StoreTestSupport.h"

#include "common/database/Dialect.h"

#include <gtest/gtest.h>

#include <thread>

namespace vorenta {
namespace {

using test::FirstDateTime;
using test::FirstText;
using test::PrinterReading;
using test::StoreUnderTest;

const QString kFinished = QStringLiteral("Registro Concluído de Dados de Equipamento ");

// --- Pure parts: the fix-up, the identity date, the column list ---------------------------------

TEST(StoreValues, StatusTextFixUpReplacesOnlyItsFiveCharacters)
{
    const struct {
        const char* found;
        const char* written;
    } cases[] = {
        {"Õ Ã µ Æ Ä", "í á ç ó á"},
        {"SEM PAPEL NA BANDEJA Ã", "SEM PAPEL NA BANDEJA á"},
        {"ãõçÕÕ", "ãõçíí"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FixStatusText(QString::fromUtf8(c.found)), QString::fromUtf8(c.written)) << c.found;
}

TEST(StoreValues, IdentityDateIsTheSettingOrThreeHundredDaysAhead)
{
    const QDate today(2024, 12, 9);
    const struct {
        const char* setting;
        QDate date;
    } cases[] = {
        {"25/12/2030", QDate(2030, 12, 25)}, {" 05/03/2024 ", QDate(2024, 3, 5)},
        {"5/3/2024", QDate(2024, 3, 5)},     {"", today.addDays(300)},
        {"31/02/2024", today.addDays(300)},  {"2024-03-05", today.addDays(300)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdentityDateValue(QString::fromUtf8(c.setting), today), QDateTime(c.date, QTime(0, 0)))
            << c.setting;
}

TEST(StoreValues, ColumnsFollowTheInsertOrderAndShowDatesForReading)
{
    const QDateTime now(QDate(2024, 12, 9), QTime(14, 5, 9));
    const auto shown = DadosOidDisplayColumns(PrinterReading(" X'1 "), {"K1", "S1", "Matriz", "05/03/2024"},
                                              test::StoreSettings(), now, now.date());
    QStringList names;
    for (const auto& [column, value] : shown)
        names << column;
    EXPECT_EQ(
        names.join(u','),
        "IDServ,Chave,LocalInstal,DataExp,DataLog,IP,MacAddress,NSerie,Modelo,Fabricante,ContGeral,ContColor,"
        "ContPb,ContScan,StatusEquip,Falha,Computador,IpInternet,tel1,tel2,tel3,email1,email2,email3,"
        "contato1,"
        "contato2,contato3,inf1,inf2,inf3,inf4,inf5,ContA3,ContA4,ContJams,NivelB,NivelY,NivelC,NivelM,"
        "SupriB,"
        "SupriY,SupriC,SupriM,DurabB,DurabY,DurabC,DurabM,Versao,CodEmpresa");
    EXPECT_EQ(shown[3].second, "05/03/2024 00:00:00");
    EXPECT_EQ(shown[4].second, "09/12/2024 14:05:09");
    EXPECT_EQ(shown[7].second, "X'1");
}

TEST(Dialect, EmptyTextTestOfADateColumn)
{
    EXPECT_EQ(Dialect::of(DatabaseBackend::SqlServer).isEmptyText("UltNotif"), "UltNotif=''");
    EXPECT_EQ(Dialect::of(DatabaseBackend::PostgreSql).isEmptyText("UltNotif"), "CAST(UltNotif AS text)=''");
    EXPECT_EQ(Dialect::of(DatabaseBackend::Sqlite).isEmptyText("UltNotif"), "UltNotif=''");
}

// --- The store on SQLite and PostgreSQL ---------------------------------------------------------

class StoreReadingTest : public test::DatabaseTest {
protected:
    StoreUnderTest& collector(const QString& chave = "K1", const QString& idServ = "S1")
    {
        m_collectors.push_back(std::make_unique<StoreUnderTest>(
            db().settings(), CollectorIdentity{chave, idServ, " Matriz ", "05/03/2024"}));
        return *m_collectors.back();
    }

    QString dadosOid(const QString& column, const QString& where = "1=1")
    {
        return FirstText(db().connection(),
                         "select " + column + " from DadosOid where " + where + " order by Cod desc", column);
    }

    QDateTime serverNow()
    {
        return FirstDateTime(db().connection(), db().connection().dialect().currentTimeStatement(),
                             "DataeHoraAtual");
    }

    /// The rows every store leaves, as texts, for comparing two databases' states.
    qint64 storedRows()
    {
        return db().count("DadosOid") + db().count("ListaEquipCli") + db().count("UltLog");
    }

private:
    std::vector<std::unique_ptr<StoreUnderTest>> m_collectors;
};

TEST_P(StoreReadingTest, ColumnsMatchTheReadingAndTheSettings)
{
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading(" X'9 "));

    const struct {
        const char* column;
        const char* value;
    } expected[] = {
        {"IDServ", "S1"},
        {"Chave", "K1"},
        {"LocalInstal", "Matriz  Sala 12"},
        {"IP", "127.0.0.9"},
        {"MacAddress", " 00:1B:A9:12:34:56"},
        {"NSerie", "X'9"},
        {"Modelo", "MP 301"},
        {"Fabricante", "RICOH"},
        {"ContGeral", "12345"},
        {"ContColor", "0"},
        {"ContPb", "12345"},
        {"ContScan", "77"},
        {"StatusEquip", "Pronto"},
        {"Falha", "2-TUDO OK"},
        {"Computador", "COLETOR-01"},
        {"IpInternet", ""},
        {"tel1", "11 5555-0001"},
        {"tel2", "11 5555-0002"},
        {"tel3", ""},
        {"email1", "ana@cliente.com.br"},
        {"contato1", "Ana"},
        {"contato2", "Bruno"},
        {"inf1", "firmware 1.02"},
        {"ContA3", "10"},
        {"ContA4", "12335"},
        {"ContJams", "3"},
        {"NivelB", "80"},
        {"SupriB", "Toner Preto"},
        {"DurabB", "10000"},
        {"Versao", "Versão 3.6 b"},
        {"CodEmpresa", "77"},
        {"Notificado", ""},
    };
    ASSERT_EQ(db().count("DadosOid"), 1) << c.log.lines.join('\n').toStdString();
    for (const auto& e : expected)
        EXPECT_EQ(dadosOid(e.column), QString::fromUtf8(e.value)) << e.column;
    EXPECT_EQ(db().count("DadosOid", "Notificado is null"), 1);
    EXPECT_EQ(FirstDateTime(db().connection(), "select DataExp from DadosOid", "DataExp"),
              QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    const QDateTime dataLog = FirstDateTime(db().connection(), "select DataLog from DadosOid", "DataLog");
    EXPECT_LE(std::abs(dataLog.secsTo(serverNow())), 60) << "DataLog is the server's clock";

    // The device list and the collector's last store carry the same moment.
    EXPECT_EQ(FirstText(db().connection(), "select LocalInstal from ListaEquipCli", "LocalInstal"),
              "Matriz Sala 12 ");
    EXPECT_EQ(FirstText(db().connection(), "select nSerie from ListaEquipCli", "nSerie"), "X'9");
    EXPECT_EQ(FirstText(db().connection(), "select CodEmpresa from ListaEquipCli", "CodEmpresa"), "77");
    EXPECT_EQ(FirstDateTime(db().connection(), "select UltLog from ListaEquipCli", "UltLog"), dataLog);
    EXPECT_EQ(FirstDateTime(db().connection(), "select DataLOG from UltLog", "DataLOG"), dataLog);
    EXPECT_EQ(FirstText(db().connection(), "select LocalInstal from UltLog", "LocalInstal"),
              "Matriz Sala 12 ");
    EXPECT_EQ(c.log.lines, QStringList{kFinished + " 127.0.0.9  RICOH   MP 301 "});
}

TEST_P(StoreReadingTest, StatusAndStateTextsAreFixedAndCut)
{
    const QString longStatus = QString(199, u'a') + QString::fromUtf8("Ãbc");
    const struct {
        QString serial;
        QString status;
        QString falha;
        QString storedStatus;
        QString storedFalha;
    } cases[] = {
        {"A1", QString::fromUtf8(" SEM PAPEL NA BANDEJA Ã "), "3-Warning",
         QString::fromUtf8("SEM PAPEL NA BANDEJA á"), "3-Warning"},
        {"A2", longStatus, QString(60, u'f'), QString(199, u'a') + QString::fromUtf8("á"), QString(50, u'f')},
        {"A3", " \t", " 5-Inoperante\r\n", "", "5-Inoperante"},
    };
    StoreUnderTest& c = collector();
    for (const auto& k : cases) {
        DeviceReading r = PrinterReading(k.serial, k.falha);
        r.StatusEquip = k.status;
        c.store.StoreReading(r);
        EXPECT_EQ(dadosOid("StatusEquip", "NSerie='" + k.serial + "'"), k.storedStatus)
            << k.serial.toStdString();
        EXPECT_EQ(dadosOid("Falha", "NSerie='" + k.serial + "'"), k.storedFalha) << k.serial.toStdString();
    }
}

TEST_P(StoreReadingTest, SecondStoreAddsAReadingAndReplacesTheListAndTheLastStore)
{
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1"));
    db().execute("update ListaEquipCli set ultNotif=UltLog"); // a report of an earlier sweep
    DeviceReading second = PrinterReading(" X1");
    second.ContGeral = "12400";
    second.IP = "127.0.0.10";
    c.store.StoreReading(second);

    EXPECT_EQ(db().count("DadosOid", "NSerie='X1'"), 2);
    EXPECT_EQ(dadosOid("ContGeral"), "12400");
    EXPECT_EQ(db().count("ListaEquipCli"), 1);
    EXPECT_EQ(FirstText(db().connection(), "select IP from ListaEquipCli", "IP"), "127.0.0.10");
    EXPECT_EQ(db().count("ListaEquipCli", "ultNotif is null"), 1) << "a new reading clears the report";
    EXPECT_EQ(db().count("UltLog"), 1);
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 2);
}

TEST_P(StoreReadingTest, ExcludedCollectorsAndDevicesStoreNothing)
{
    const struct {
        const char* name;
        QString idServ;  // exclusao.Idserv
        QString chave;   // exclusao.chave
        QString nSerie;  // exclusao.nSerie
        QString serial;  // as the device reports it
        QString message; // logged once per store
    } cases[] = {
        {"collector", "S1", "", "", "X1",
         QString::fromUtf8("IdServiço na lista de Exceções, Dados Não Coletados. IdServ: S1")},
        {"device", "", "K1", "X'1", "X'1",
         QString::fromUtf8(
             "Equipamento na lista de Exceções, Dados Não Coletados. Série: X'1 Modelo:  MP 301 -RICOH ")},
        {"device with blanks as read", "", "K1", " X2 ", " X2 ",
         QString::fromUtf8(
             "Equipamento na lista de Exceções, Dados Não Coletados. Série:  X2  Modelo:  MP 301 -RICOH ")},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        db().execute("delete from exclusao");
        db().insertExclusao(k.idServ, k.chave, k.nSerie);
        StoreUnderTest& c = collector();
        c.store.StoreReading(PrinterReading(k.serial));
        c.store.StoreReading(PrinterReading(k.serial)); // the collector keeps refusing, and keeps running
        EXPECT_EQ(storedRows(), 0);
        EXPECT_EQ(c.log.lines, QStringList({k.message, k.message}));
    }
    // A serial holding a quote that is not on the list is stored under its own name.
    db().execute("delete from exclusao");
    db().insertExclusao("", "K1", "X");
    collector().store.StoreReading(PrinterReading("X'1"));
    EXPECT_EQ(db().count("DadosOid", "NSerie='X''1'"), 1);
}

TEST_P(StoreReadingTest, FailureAlertAtTheThresholdOnce)
{
    db().insertParametros("K1", "1", "S", "3", "1");
    // An old failure outside the one-day window, and another collector's failures, do not count.
    const QDateTime now = serverNow();
    db().insertRow("DadosOid", {{"IDServ", QString("S1")},
                                {"Chave", QString("K1")},
                                {"NSerie", QString("X1")},
                                {"Falha", QString("3-Warning")},
                                {"DataLog", now.addDays(-2)}});
    db().insertRow("DadosOid", {{"IDServ", QString("S9")},
                                {"Chave", QString("K1")},
                                {"NSerie", QString("X1")},
                                {"Falha", QString("3-Warning")},
                                {"DataLog", now}});
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1", "3-Warning"));
    c.store.StoreReading(PrinterReading("X1", "2-TUDO OK"));
    c.store.StoreReading(PrinterReading("X1", "3-Warning"));
    EXPECT_EQ(db().count("alerta"), 0) << "two failures in the window";
    c.store.StoreReading(PrinterReading("X1", "4-Testando"));

    ASSERT_EQ(db().count("alerta"), 1) << c.log.lines.join('\n').toStdString();
    const qint64 newest = db().lastCod("DadosOid");
    EXPECT_EQ(db().count("alerta", QString("IDDadosOid=%1 and Chave='K1' and TipoAlerta='FALHA' and "
                                           "Situacao='Em Aberto' and IDSERV='S1'")
                                       .arg(newest)),
              1);
    EXPECT_EQ(db().count("DadosOid", "IDServ='S1' and Falha<>'2-TUDO OK' and Notificado='S'"), 4);
    EXPECT_EQ(db().count("DadosOid", "IDServ='S1' and Falha='2-TUDO OK' and Notificado=''"), 1);
    EXPECT_EQ(c.log.lines.count("Registro de alerta..."), 1);
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 4);

    // Notified failures no longer count: the next failure alone raises nothing.
    c.store.StoreReading(PrinterReading("X1", "3-Warning"));
    EXPECT_EQ(db().count("alerta"), 1);
}

TEST_P(StoreReadingTest, FailureAlertsNeedCk1ExactlyS)
{
    for (const char* ck1 : {"s", "N", ""}) {
        SCOPED_TRACE(ck1);
        db().execute("delete from Parametros");
        db().execute("delete from DadosOid");
        db().insertParametros("K1", "1", ck1, "1", "1");
        StoreUnderTest& c = collector();
        c.store.StoreReading(PrinterReading("X1", "3-Warning"));
        c.store.StoreReading(PrinterReading("X1", "3-Warning"));
        EXPECT_EQ(db().count("alerta"), 0);
        EXPECT_EQ(db().count("DadosOid", "Notificado is null"), 2) << "counting never started";
    }
}

TEST_P(StoreReadingTest, DeviceSilentForThreeDaysIsReportedOnce)
{
    const QDateTime now = serverNow();
    const QDateTime old = now.addDays(-10);
    // Another customer's devices, by the time each was last stored; the excluded one is left alone.
    const struct {
        QString serial;
        QDateTime lastStored;
        bool reported;
    } devices[] = {
        {"OLD'1", old, true},
        {"GONE1", old, false},
        {"SILENT3D1M", now.addDays(-3).addSecs(-60), true},
        {"SEEN2D23H", now.addDays(-3).addSecs(3600), false},
        {"SEEN2D", now.addDays(-2), false},
    };
    for (const auto& device : devices) {
        db().insertRow("DadosOid", {{"IDServ", QString("S7")},
                                    {"Chave", QString("K7")},
                                    {"NSerie", device.serial},
                                    {"Falha", QString("2-TUDO OK")},
                                    {"DataLog", device.lastStored}});
        db().insertRow("ListaEquipCli", {{"Chave", QString("K7")},
                                         {"nSerie", device.serial},
                                         {"IDServ", QString("S7")},
                                         {"UltLog", device.lastStored}});
    }
    const qint64 oldCod = db().lastCod("DadosOid") - 4;
    // An open alert on the silent device's newest reading.
    db().insertRow("alerta", {{"Chave", QString("K7")},
                              {"TipoAlerta", QString("FALHA")},
                              {"Situacao", QString("Em Aberto")},
                              {"IDDadosOid", oldCod}});
    db().insertExclusao("", "K7", "GONE1");

    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1"));
    c.store.StoreReading(PrinterReading("X2")); // the same cycle: nothing is reported twice

    for (const auto& device : devices) {
        SCOPED_TRACE(device.serial.toStdString());
        const QString where = QString("NSerie='%1'").arg(QString(device.serial).replace("'", "''"));
        EXPECT_EQ(dadosOid("Falha", where), device.reported ? "5-Inoperante" : "2-TUDO OK");
        EXPECT_EQ(db().count("ListaEquipCli", where + " and ultNotif is not null"), device.reported ? 1 : 0);
    }
    EXPECT_EQ(
        FirstText(db().connection(), QString("select Falha from DadosOid where Cod=%1").arg(oldCod), "Falha"),
        "5-Inoperante");
    EXPECT_EQ(db().count("alerta"), 2) << "the open alert is replaced by one new alert, one per device";
    EXPECT_EQ(db().count("alerta", QString("IDDadosOid=%1 and Chave='K7' and Situacao='Em Aberto' and "
                                           "TipoAlerta='FALHA' and IDSERV is null")
                                       .arg(oldCod)),
              1);
    EXPECT_LE(std::abs(FirstDateTime(db().connection(), "select Data from alerta", "Data").secsTo(now)), 60);
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 2);
}

TEST_P(StoreReadingTest, FailedReadingRowStillRewritesTheListAndTheLastStore)
{
    db().execute("ALTER TABLE DadosOid RENAME TO DadosOidGuardado");
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1"));
    EXPECT_EQ(db().count("ListaEquipCli", "nSerie='X1'"), 1);
    EXPECT_EQ(db().count("UltLog"), 1);
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 1) << "the insert fails silently";
    db().execute("ALTER TABLE DadosOidGuardado RENAME TO DadosOid");
}

TEST_P(StoreReadingTest, ParametersThatCannotBeReadStoreNothing)
{
    db().execute("ALTER TABLE Parametros RENAME TO ParametrosGuardado");
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1"));
    EXPECT_EQ(c.log.lines, QStringList{"Erro ao Buscar Parametros"});
    EXPECT_EQ(storedRows(), 0);
    db().execute("ALTER TABLE ParametrosGuardado RENAME TO Parametros");
}

TEST_P(StoreReadingTest, UnreachableDatabaseIsLoggedAndStoresNothing)
{
    DatabaseSettings unreachable = db().settings();
    if (GetParam() == test::TestBackend::Sqlite)
        unreachable.databaseName = db().folder().file("sem-pasta/nada/Vorenta.db");
    else
        unreachable.databaseName = "vorenta_nao_existe";
    test::CapturingLogSink log;
    CollectorSettings settings = test::StoreSettings();
    TDTM dm(unreachable, CollectorIdentity{"K1", "S1", {}, {}}, log);
    DatabaseReadingStore store(dm, settings);
    store.StoreReading(PrinterReading("X1"));
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("Erro de conexão. : ")) << log.lines[0].toStdString();
    EXPECT_EQ(storedRows(), 0);
}

TEST_P(StoreReadingTest, TwoCollectorsStoringAtOnceLoseNoRow)
{
    constexpr int kStores = 25;
    auto run = [this](const QString& idServ) {
        StoreUnderTest c(db().settings(), CollectorIdentity{"K1", idServ, "Filial", {}});
        for (int i = 0; i < kStores; ++i)
            c.store.StoreReading(PrinterReading(idServ + "-" + QString::number(i % 5)));
    };
    std::thread first(run, QString("S1"));
    std::thread second(run, QString("S2"));
    first.join();
    second.join();
    EXPECT_EQ(db().count("DadosOid", "IDServ='S1'"), kStores);
    EXPECT_EQ(db().count("DadosOid", "IDServ='S2'"), kStores);
    EXPECT_EQ(db().count("ListaEquipCli"), 10);
    EXPECT_EQ(db().count("UltLog"), 2);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(StoreReadingTest);

} // namespace
} // namespace vorenta
