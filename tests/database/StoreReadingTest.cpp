#include "tests/support/StoreTestSupport.h"

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
    EXPECT_EQ(Dialect::of(DatabaseBackend::PostgreSql).isEmptyText("UltNotif"), "false");
    EXPECT_EQ(Dialect::of(DatabaseBackend::Sqlite).isEmptyText("UltNotif"), "UltNotif=''");
}

// --- The store on SQLite and PostgreSQL ---------------------------------------------------------

class StoreReadingTest : public test::DatabaseTest {
protected:
    StoreUnderTest& collector(const QString& chave = "K1", const QString& idServ = "S1")
    {
        return collector(CollectorIdentity{chave, idServ, " Matriz ", "05/03/2024"});
    }

    StoreUnderTest& collector(const CollectorIdentity& identity)
    {
        m_collectors.push_back(std::make_unique<StoreUnderTest>(db().settings(), identity));
        return *m_collectors.back();
    }

    /// A device of customer K7 last read ten days ago: the next store's sweep reports it.
    void addSilentDevice(const QString& serial = "OLD7")
    {
        const QDateTime old = serverNow().addDays(-10);
        db().insertRow("DadosOid", {{"IDServ", QString("S7")},
                                    {"Chave", QString("K7")},
                                    {"NSerie", serial},
                                    {"Falha", QString("2-TUDO OK")},
                                    {"DataLog", old}});
        db().insertRow(
            "ListaEquipCli",
            {{"Chave", QString("K7")}, {"nSerie", serial}, {"IDServ", QString("S7")}, {"UltLog", old}});
    }

    bool reportedInoperative(const QString& serial = "OLD7")
    {
        return db().count("ListaEquipCli", "nSerie='" + serial + "' and ultNotif is not null") == 1;
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

    /// Makes the server refuse every row inserted into `table` from now on.
    void refuseInserts(const QString& table)
    {
        if (GetParam() == test::TestBackend::Sqlite) {
            db().execute("CREATE TRIGGER recusa_" + table + " BEFORE INSERT ON " + table +
                         " BEGIN SELECT RAISE(ABORT, 'linha recusada'); END");
        } else {
            db().execute("CREATE FUNCTION recusa_" + table +
                         "() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'linha recusada'; END $$ "
                         "LANGUAGE plpgsql");
            db().execute("CREATE TRIGGER recusa BEFORE INSERT ON " + table +
                         " FOR EACH ROW EXECUTE FUNCTION recusa_" + table + "()");
        }
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

TEST_P(StoreReadingTest, ReadingRowTheServerRefusesIsReportedAndNotListed)
{
    // The list and the collector's last store would tell the provider a reading arrived.
    db().execute("ALTER TABLE DadosOid RENAME TO DadosOidGuardado");
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1"));
    EXPECT_EQ(db().count("ListaEquipCli"), 0);
    EXPECT_EQ(db().count("UltLog"), 0);
    ASSERT_EQ(c.log.lines.size(), 1) << c.log.lines.join('\n').toStdString();
    const QString prefix = "Erro ao Gravar Dados de Equipamento  127.0.0.9  RICOH   MP 301 : ";
    EXPECT_TRUE(c.log.lines[0].startsWith(prefix)) << c.log.lines[0].toStdString();
    EXPECT_GT(c.log.lines[0].size(), prefix.size()) << "with the driver's text";
    db().execute("ALTER TABLE DadosOidGuardado RENAME TO DadosOid");
}

TEST_P(StoreReadingTest, RefusedReadingLeavesTheDeviceToTheInoperativeSweep)
{
    // The server refuses this one device's new rows; its last stored reading is ten days old.
    addSilentDevice("OLD7");
    if (GetParam() == test::TestBackend::Sqlite) {
        db().execute("CREATE TRIGGER recusa BEFORE INSERT ON DadosOid WHEN NEW.NSerie = 'OLD7' "
                     "BEGIN SELECT RAISE(ABORT, 'leitura recusada'); END");
    } else {
        db().execute("CREATE FUNCTION recusa() RETURNS trigger AS $$ BEGIN IF NEW.nserie = 'OLD7' THEN "
                     "RAISE EXCEPTION 'leitura recusada'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql");
        db().execute(
            "CREATE TRIGGER recusa BEFORE INSERT ON DadosOid FOR EACH ROW EXECUTE FUNCTION recusa()");
    }
    StoreUnderTest& c = collector();
    DeviceReading refused = PrinterReading("OLD7");
    refused.Modelo = "MP 301\r\n";
    c.store.StoreReading(refused);

    EXPECT_EQ(db().count("DadosOid"), 1) << "only the old reading";
    EXPECT_TRUE(reportedInoperative("OLD7")) << "no new reading arrived, so the device is silent";
    EXPECT_EQ(db().count("UltLog"), 0);
    ASSERT_EQ(c.log.lines.size(), 1) << c.log.lines.join('\n').toStdString();
    EXPECT_TRUE(c.log.lines[0].startsWith(
        "Erro ao Gravar Dados de Equipamento  127.0.0.9  RICOH  MP 301\\x0D\\x0A: "))
        << c.log.lines[0].toStdString();
    EXPECT_TRUE(c.log.lines[0].contains("leitura recusada")) << c.log.lines[0].toStdString();
    EXPECT_FALSE(c.log.lines[0].contains(u'\n')) << "the driver's text on one line";
}

TEST_P(StoreReadingTest, AFailingStepIsUndoneWholeAndAloneAndTheStoreGoesOnAsBefore)
{
    const struct {
        const char* refused;
        bool alertsOn;
        bool listRewritten;
        bool lastStoreRewritten;
        bool swept;    // the steps after a failed alert do not run
        bool finished; // the closing line
    } cases[] = {
        {"ListaEquipCli", false, false, true, true, true},
        {"UltLog", false, true, false, true, true},
        {"alerta", true, true, true, false, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.refused);
        // The device and the collector were stored a day ago; a device of another customer has
        // been silent for ten days. Then the server refuses the rows of one table.
        for (const char* table : {"Parametros", "DadosOid", "ListaEquipCli", "UltLog", "alerta"})
            db().execute(QString("delete from ") + table);
        const QDateTime dayAgo = serverNow().addDays(-1);
        db().insertRow("ListaEquipCli", {{"Chave", QString("K1")},
                                         {"nSerie", QString("X1")},
                                         {"IDServ", QString("S1")},
                                         {"IP", QString("10.9.9.9")},
                                         {"UltLog", dayAgo}});
        db().insertRow("UltLog", {{"IDServ", QString("S1")},
                                  {"Chave", QString("K1")},
                                  {"LocalInstal", QString("antes")},
                                  {"DataLOG", dayAgo}});
        addSilentDevice();
        if (k.alertsOn)
            db().insertParametros("K1", "1", "S", "1", "1"); // the first failure raises an alert
        refuseInserts(k.refused);
        StoreUnderTest& c = collector();
        c.store.StoreReading(PrinterReading("X1", "3-Warning"));

        EXPECT_EQ(db().count("DadosOid", "NSerie='X1'"), 1) << "the reading row is stored";
        EXPECT_EQ(db().count("DadosOid", "NSerie='X1' and Notificado is null"), 1)
            << "the failed alert's updates are undone with it";
        EXPECT_EQ(db().count("alerta", "IDSERV is not null"), 0) << "no failure alert";
        // A rewrite is a delete and an insert: both, or neither.
        EXPECT_EQ(db().count("ListaEquipCli", "nSerie='X1'"), 1);
        EXPECT_EQ(db().count("ListaEquipCli", "nSerie='X1' and IP='127.0.0.9'"), k.listRewritten ? 1 : 0);
        EXPECT_EQ(db().count("UltLog"), 1);
        EXPECT_EQ(db().count("UltLog", "LocalInstal='antes'"), k.lastStoreRewritten ? 0 : 1);
        EXPECT_EQ(reportedInoperative(), k.swept);
        EXPECT_EQ(c.log.lines,
                  k.finished ? QStringList{kFinished + " 127.0.0.9  RICOH   MP 301 "} : QStringList{})
            << c.log.lines.join('\n').toStdString();
        db().execute(GetParam() == test::TestBackend::Sqlite
                         ? QString("DROP TRIGGER recusa_") + k.refused
                         : QString("DROP TRIGGER recusa ON ") + k.refused);
    }
}

TEST_P(StoreReadingTest, TextsLongerThanTheirColumnsAreCutAlikeOnEveryBackEnd)
{
    // Values from the model OID table and Coletor.ini can be any length. PostgreSQL and SQL
    // Server refuse a value longer than its column, SQLite keeps it whole: all store it cut.
    const QString location(600, u'L');
    StoreUnderTest& c = collector(CollectorIdentity{"K1", "S1", location, "05/03/2024"});
    DeviceReading r = PrinterReading(QString(300, u'S'));
    r.ContGeral = QString(51, u'1');
    r.ContPb = QString(80, u'9');
    r.inf1 = QString(5000, u'i');
    r.Modelo = QString(300, u'M');
    r.MacAddress = QString(256, u'm');
    r.SupriB = QString(254, u's') + QChar(0xD83D) + QChar(0xDDA8); // a printer emoji across the cut
    c.store.StoreReading(r);
    c.store.StoreReading(r);

    ASSERT_EQ(db().count("DadosOid"), 2) << c.log.lines.join('\n').toStdString();
    const struct {
        const char* column;
        QString value;
    } expected[] = {
        {"NSerie", QString(255, u'S')}, {"ContGeral", QString(50, u'1')},
        {"ContPb", QString(50, u'9')},  {"inf1", QString(255, u'i')},
        {"Modelo", QString(255, u'M')}, {"MacAddress", QString(255, u'm')},
        {"SupriB", QString(254, u's')}, {"LocalInstal", QString(512, u'L')},
    };
    for (const auto& e : expected)
        EXPECT_EQ(dadosOid(e.column), e.value) << e.column;
    EXPECT_EQ(db().count("ListaEquipCli"), 1) << "the second store replaced the device's row";
    EXPECT_EQ(FirstText(db().connection(), "select nSerie from ListaEquipCli", "nSerie"), QString(255, u'S'));
    EXPECT_EQ(FirstText(db().connection(), "select LocalInstal from ListaEquipCli", "LocalInstal"),
              QString(512, u'L'));
    EXPECT_EQ(db().count("UltLog"), 1);
    EXPECT_EQ(FirstText(db().connection(), "select LocalInstal from UltLog", "LocalInstal"),
              QString(512, u'L'));
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 2);
}

TEST_P(StoreReadingTest, NulFromADeviceIsStoredAsBackslashX00Everywhere)
{
    const QChar nul(0);
    const QString serial = QString("AB") + nul + "CD";
    DeviceReading r = PrinterReading(serial);
    r.Modelo = QString("MP") + nul + "301";
    r.MacAddress = nul + QString::fromLatin1("\x1B\xA9\x12\x34\x56") + nul + QChar(1); // 8 octets
    r.StatusEquip = QString("Pronto") + nul + "!";
    StoreUnderTest& c = collector();
    c.store.StoreReading(r);
    c.store.StoreReading(r);

    ASSERT_EQ(db().count("DadosOid"), 2) << c.log.lines.join('\n').toStdString();
    EXPECT_EQ(dadosOid("NSerie"), "AB\\x00CD");
    EXPECT_EQ(dadosOid("Modelo"), "MP\\x00301");
    EXPECT_EQ(dadosOid("MacAddress"),
              "\\x00" + QString::fromLatin1("\x1B\xA9\x12\x34\x56") + "\\x00" + QChar(1));
    EXPECT_EQ(dadosOid("StatusEquip"), "Pronto\\x00!");
    EXPECT_EQ(db().count("ListaEquipCli"), 1);
    EXPECT_EQ(FirstText(db().connection(), "select nSerie from ListaEquipCli", "nSerie"), "AB\\x00CD");
    EXPECT_EQ(c.log.startingWith(kFinished), QStringList(2, kFinished + " 127.0.0.9  RICOH  MP\\x00301"));

    // An exclusion entered as the serial is stored applies to the device.
    db().insertExclusao("", "K1", "AB\\x00CD");
    c.store.StoreReading(r);
    EXPECT_EQ(db().count("DadosOid"), 2);
    EXPECT_EQ(c.log.lines.last(), QString::fromUtf8("Equipamento na lista de Exceções, Dados Não Coletados. "
                                                    "Série: AB\\x00CD Modelo: MP\\x00301-RICOH "));
}

TEST_P(StoreReadingTest, DeviceTextsCannotForgeLogLines)
{
    DeviceReading r = PrinterReading("X1");
    r.Modelo = "MP 301\r\n01/01/2020 - 00:00:00: Registro Concluido de Dados de Equipamento 10.0.0.1";
    r.Fabricante = QString("RICOH") + QChar(0);
    StoreUnderTest& c = collector();
    c.store.StoreReading(r);
    db().insertExclusao("", "K1", "X1");
    c.store.StoreReading(r);

    ASSERT_EQ(c.log.lines.size(), 2);
    for (const QString& line : c.log.lines) {
        for (QChar ch : line)
            EXPECT_GE(ch.unicode(), 0x20) << line.toStdString();
    }
    EXPECT_EQ(c.log.lines[0], kFinished + " 127.0.0.9  RICOH\\x00 MP 301\\x0D\\x0A01/01/2020 - 00:00:00: "
                                          "Registro Concluido de Dados de Equipamento 10.0.0.1");
}

TEST_P(StoreReadingTest, UnsetTextsAreStoredAsEmptyTextsNotNull)
{
    // Reports select on '' and on null differently; every text the store writes is a text.
    StoreUnderTest& c = collector(CollectorIdentity{"K1", "S1", QString(), QString()});
    c.settings.ComputerName = QString();
    c.settings.CodEmpresa = QString();
    c.settings.Contato1 = QString();
    c.settings.Telefone1 = QString();
    c.settings.email1 = QString();
    DeviceReading r;
    r.NSerie = "X1";
    c.store.StoreReading(r);
    ASSERT_EQ(db().count("DadosOid"), 1) << c.log.lines.join('\n').toStdString();

    const QDateTime now = serverNow();
    for (const StoreColumn& column : DadosOidColumns(r, c.dm.identity(), c.settings, now, now.date())) {
        if (column.value.metaType() == QMetaType::fromType<QString>()) {
            EXPECT_EQ(db().count("DadosOid", column.column + " is null"), 0) << column.column.toStdString();
        }
    }
    EXPECT_EQ(db().count("DadosOid", "Notificado is null"), 1) << "Notificado is not written";
    for (const char* column :
         {"Chave", "LocalInstal", "nSerie", "Fabricante", "Modelo", "IDServ", "CodEmpresa", "IP", "Versao"})
        EXPECT_EQ(db().count("ListaEquipCli", QString(column) + " is null"), 0) << column;
    EXPECT_EQ(db().count("ListaEquipCli", "ultNotif is null"), 1);
    for (const char* column : {"IDServ", "Chave", "LocalInstal"})
        EXPECT_EQ(db().count("UltLog", QString(column) + " is null"), 0) << column;
}

// A central server not yet upgraded has no unique keys for the upserts: the device list and the
// last store cannot be written, and the log says what to do, at most once an hour. The embedded
// file gets its keys when the store's connection opens it.
TEST_P(StoreReadingTest, AServerWithoutTheUniqueKeysIsToldToRunTheUpgradeOnceAnHour)
{
    for (const char* index : {"ux_listaequipcli_nserie", "ux_ultlog_idserv_chave"})
        db().execute(QString("drop index ") + index);
    const bool keysMadeWhenOpened = GetParam() == test::TestBackend::Sqlite;
    StoreUnderTest& c = collector();
    const QDateTime first(QDate(2026, 3, 4), QTime(10, 0));
    QDateTime now = first;
    DatabaseReadingStore store(c.dm, c.settings, [&] { return now; });
    for (int minutes : {0, 59, 61}) {
        now = first.addSecs(minutes * 60);
        store.StoreReading(PrinterReading("X1"));
    }

    EXPECT_EQ(db().count("DadosOid"), 3) << "the readings are stored";
    EXPECT_EQ(c.log.lines.filter(kFinished).size(), 3);
    const QStringList told =
        c.log.lines.filter("ListaEquipCli e UltLog não gravados: o banco de dados central não tem as chaves "
                           "únicas; rode o script de atualização unique-keys (");
    EXPECT_EQ(told.size(), keysMadeWhenOpened ? 0 : 2) << c.log.lines.join('\n').toStdString();
    EXPECT_EQ(db().count("ListaEquipCli"), keysMadeWhenOpened ? 1 : 0);
    EXPECT_EQ(db().count("UltLog"), keysMadeWhenOpened ? 1 : 0);
}

TEST_P(StoreReadingTest, NoSecondAlertForAReadingThatAlreadyHasOne)
{
    db().insertParametros("K1", "1", "S", "1", "1");
    db().insertRow("DadosOid", {{"IDServ", QString("S1")},
                                {"Chave", QString("K1")},
                                {"NSerie", QString("X1")},
                                {"Falha", QString("3-Warning")},
                                {"DataLog", serverNow()}});
    const qint64 failure = db().lastCod("DadosOid");
    db().insertRow("alerta", {{"Chave", QString("K1")},
                              {"TipoAlerta", QString("FALHA")},
                              {"Situacao", QString("Em Aberto")},
                              {"IDDadosOid", failure}});
    StoreUnderTest& c = collector();
    c.store.StoreReading(PrinterReading("X1", "2-TUDO OK")); // one failure in the window: the threshold

    EXPECT_EQ(db().count("alerta"), 1);
    EXPECT_FALSE(c.log.contains("Registro de alerta..."));
    EXPECT_EQ(db().count("DadosOid", QString("Cod=%1 and Notificado=''").arg(failure)), 1)
        << "its failures are still to be alerted on";
    EXPECT_EQ(c.log.startingWith(kFinished).size(), 1);
}

TEST_P(StoreReadingTest, ThresholdWithoutAFailureOfThisCustomerRaisesNothingAndGoesOn)
{
    const struct {
        const char* name;
        const char* ed1;
        bool failuresUnderAnotherKey; // this collector's failure rows of the device, customer K2
    } cases[] = {
        {"threshold 0", "0", false},
        {"threshold below 0", "-2", false},
        {"reached through another key's rows", "1", true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        for (const char* table : {"Parametros", "DadosOid", "ListaEquipCli", "alerta"})
            db().execute(QString("delete from ") + table);
        db().insertParametros("K1", "1", "S", k.ed1, "1");
        if (k.failuresUnderAnotherKey)
            db().insertRow("DadosOid", {{"IDServ", QString("S1")},
                                        {"Chave", QString("K2")},
                                        {"NSerie", QString("X1")},
                                        {"Falha", QString("3-Warning")},
                                        {"DataLog", serverNow()}});
        addSilentDevice();
        StoreUnderTest& c = collector();
        c.store.StoreReading(PrinterReading("X1", "2-TUDO OK"));

        EXPECT_EQ(db().count("alerta", "IDSERV is not null"), 0) << "no failure alert";
        EXPECT_TRUE(reportedInoperative()) << "the sweep still runs";
        EXPECT_EQ(c.log.lines, QStringList{kFinished + " 127.0.0.9  RICOH   MP 301 "});
    }
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
