// Many collectors storing into one database at once, as the provider's central server sees them:
// real VorentaServer processes (--once, several passes), some with identities of their own, some
// on one customer key, some sharing one identity, all reading the same serials from the same
// recorded printers on loopback. Whatever they do at the same moment, the rows that are one per
// key stay one per key: the device list per serial, the last store per collector, the open alert
// per reading, and each silent device is reported once.
#include "tests/support/CollectorProcess.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/StoreTestSupport.h"
#include "tests/support/TemporaryProgramFolder.h"

#include "common/database/SqlQuery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <system_error>
#include <vector>

namespace vorenta {
namespace {

[[maybe_unused]] const bool kDeadlineForEveryTest = test::DeadlineForEveryTest(std::chrono::minutes(9));

using test::TestBackend;

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const char* const kSerialOid = "1.3.6.1.2.1.43.5.1.1.17.1";

constexpr int kPrinters = 10;     // hosts 2 .. 11, serials SERIE-00 .. SERIE-09
constexpr int kSilentDevices = 4; // MUDO-0 .. MUDO-3, last read ten days ago
constexpr int kPasses = 3;

/// How many collectors run at once: on the central server as many as a busy hour brings; on the
/// embedded file the few programs of one machine.
int Collectors(TestBackend backend)
{
    return backend == TestBackend::PostgreSql ? 24 : 6;
}

/// A collector's identity. The collectors come in three equal groups: each with a key and an
/// identifier of its own, all on one key with identifiers of their own, all on one identity.
struct Identity {
    QString Chave;
    QString IDServ;
};

Identity IdentityOf(int collector, int collectors)
{
    const int group = collector * 3 / collectors;
    const QString n = QString::number(collector);
    if (group == 0)
        return {"KP" + n, "SP" + n};
    if (group == 1)
        return {"KC", "SC" + n};
    return {"KI", "SI"};
}

/// Rows of `table` and how many keys (`key`, a column list) hold more than one, under `where`.
struct KeyCount {
    qint64 rows = 0;
    qint64 keys = 0;
    qint64 keysTwiceOrMore = 0;
};

class SharedDatabase : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        try {
            for (int i = 0; i < kPrinters; ++i) {
                // Even hosts a monochrome laser that is fine, odd ones a colour MFP with a
                // warning (a failure reading, which raises an alert at once below).
                const char* recording = (i % 2) ? "color-mfp" : "laser-mono";
                test::SnmpRecording device =
                    test::SnmpRecording::FromFile((kRecordings + recording + ".snmprec").toStdString());
                device.set(kSerialOid, "4", serial(i).toStdString());
                m_fleet.add(2 + i, std::move(device));
            }
        } catch (const std::system_error& error) {
            VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
        }
        // Alerts on for every key, at the first failure of a one-day window; no rest.
        for (const QString& chave : {QStringLiteral("KC"), QStringLiteral("KI")})
            db().insertParametros(chave, "0", "S", "1", "1");
        const int collectors = Collectors(GetParam());
        for (int c = 0; c < collectors; ++c) {
            const Identity id = IdentityOf(c, collectors);
            if (id.Chave.startsWith("KP"))
                db().insertParametros(id.Chave, "0", "S", "1", "1");
            if (db().count("RangeIP", "CHAVE='" + id.Chave + "' and IDSERV='" + id.IDServ + "'") == 0)
                db().insertRange(id.Chave, id.IDServ, address(2), address(1 + kPrinters));
            auto home = std::make_unique<test::TemporaryProgramFolder>();
            home->writeIdentity(id.Chave, id.IDServ, "Filial " + QString::number(c), "25/12/2030",
                                db().bancoSection());
            m_homes.push_back(std::move(home));
        }
        // Devices of another customer, silent for ten days: the first store of any collector
        // reports them, and only one may.
        const QDateTime tenDaysAgo = QDateTime::currentDateTime().addDays(-10);
        for (int i = 0; i < kSilentDevices; ++i) {
            const QString nSerie = "MUDO-" + QString::number(i);
            for (int reading = 0; reading < 2; ++reading)
                db().insertRow("DadosOid", {{"IDServ", QString("SX")},
                                            {"Chave", QString("KX")},
                                            {"NSerie", nSerie},
                                            {"Falha", QString("2-TUDO OK")},
                                            {"DataLog", tenDaysAgo.addSecs(reading * 60)}});
            db().insertRow("ListaEquipCli", {{"Chave", QString("KX")},
                                             {"nSerie", nSerie},
                                             {"IDServ", QString("SX")},
                                             {"UltLog", tenDaysAgo.addSecs(60)},
                                             {"ultNotif", QVariant()}});
        }
    }

    static QString serial(int i) { return QStringLiteral("SERIE-%1").arg(i, 2, 10, QLatin1Char('0')); }
    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    /// Starts every collector at once and waits for all of them; each must end with 0.
    void runPass(int pass)
    {
        std::vector<std::unique_ptr<test::CollectorProcess>> running;
        for (const auto& home : m_homes) {
            running.push_back(std::make_unique<test::CollectorProcess>(home->path()));
            ASSERT_TRUE(running.back()->start({"--once", "--local-ip", "127.0.0.1"}))
                << "collector of " << home->path().toStdString() << " did not start";
        }
        for (std::size_t c = 0; c < running.size(); ++c)
            EXPECT_EQ(running[c]->waitForExit(std::chrono::minutes(3)), 0)
                << "pass " << pass << ", collector " << c
                << " did not end with 0 within 3 minutes: " << running[c]->standardError();
    }

    KeyCount keyCount(const QString& table, const QString& key, const QString& where = "1=1")
    {
        SqlQuery query(db().connection());
        query.addLine("select count(*) as n from " + table + " where " + where + " group by " + key);
        query.open();
        KeyCount counted;
        for (; !query.atEnd(); query.next()) {
            const qint64 n = query.integer("n");
            counted.rows += n;
            ++counted.keys;
            if (n > 1)
                ++counted.keysTwiceOrMore;
        }
        return counted;
    }

    void report(const char* what, const KeyCount& counted)
    {
        std::cout << what << ": " << counted.rows << " rows for " << counted.keys << " keys, "
                  << counted.keysTwiceOrMore << " keys held more than once\n";
        RecordProperty(std::string(what) + "_rows", static_cast<int>(counted.rows));
        RecordProperty(std::string(what) + "_keys", static_cast<int>(counted.keys));
    }

    test::FixtureSnmpFleet m_fleet;
    std::vector<std::unique_ptr<test::TemporaryProgramFolder>> m_homes;
};

TEST_P(SharedDatabase, EveryRowThatIsOnePerKeyStaysSoWhateverRunsAtOnce)
{
    const int collectors = Collectors(GetParam());
    for (int pass = 1; pass <= kPasses; ++pass)
        runPass(pass);
    if (HasFatalFailure())
        return;

    EXPECT_EQ(db().count("DadosOid", "NSerie like 'SERIE-%'"), qint64{collectors} * kPrinters * kPasses)
        << "every collector stores every printer in every pass";

    const KeyCount list = keyCount("ListaEquipCli", "nSerie");
    report("ListaEquipCli", list);
    EXPECT_EQ(list.keys, kPrinters + kSilentDevices);
    EXPECT_EQ(list.rows, kPrinters + kSilentDevices) << "one ListaEquipCli row per nSerie";

    const KeyCount last = keyCount("UltLog", "IDServ, Chave");
    report("UltLog", last);
    // The three groups: collectors/3 own identities, collectors/3 identifiers on KC, one on KI.
    EXPECT_EQ(last.keys, collectors / 3 * 2 + 1);
    EXPECT_EQ(last.rows, last.keys) << "one UltLog row per IDServ and Chave";

    const KeyCount open = keyCount("alerta", "IDDadosOid, TipoAlerta", "Situacao='Em Aberto'");
    report("open_alerts", open);
    EXPECT_EQ(open.keysTwiceOrMore, 0) << "one open FALHA alert per reading";
    EXPECT_EQ(open.rows, open.keys);

    // A store says "Registro de alerta..." only for the alert it wrote.
    qint64 alertLines = 0;
    for (const auto& home : m_homes)
        alertLines += test::CollectorProcess(home->path()).messages().count("Registro de alerta...");
    EXPECT_EQ(alertLines, db().count("alerta", "IDSERV is not null"));

    // Every key saw each of its failing printers alerted on; the fine ones never.
    for (const QString& chave : {QStringLiteral("KC"), QStringLiteral("KI"), QStringLiteral("KP0")}) {
        for (int i = 0; i < kPrinters; ++i) {
            const qint64 alerts = db().count("alerta", "Chave='" + chave +
                                                           "' and IDSERV is not null and IDDadosOid in "
                                                           "(select Cod from DadosOid where NSerie='" +
                                                           serial(i) + "')");
            if (i % 2)
                EXPECT_GE(alerts, 1) << chave.toStdString() << " " << serial(i).toStdString();
            else
                EXPECT_EQ(alerts, 0) << chave.toStdString() << " " << serial(i).toStdString();
        }
    }

    // Each silent device reported once: its newest reading inoperative with one open alert, its
    // older reading untouched, its list row marked.
    const KeyCount swept = keyCount("alerta", "IDDadosOid",
                                    "IDDadosOid in (select Cod from DadosOid where NSerie like 'MUDO-%')");
    report("inoperative_alerts", swept);
    EXPECT_EQ(swept.keys, kSilentDevices);
    EXPECT_EQ(swept.rows, kSilentDevices) << "each silent device swept once";
    for (int i = 0; i < kSilentDevices; ++i) {
        const QString nSerie = "MUDO-" + QString::number(i);
        const QString newest = "(select max(Cod) from DadosOid where NSerie='" + nSerie + "')";
        EXPECT_EQ(db().count("DadosOid", "Cod=" + newest + " and Falha='5-Inoperante'"), 1)
            << nSerie.toStdString();
        EXPECT_EQ(db().count("DadosOid", "NSerie='" + nSerie + "' and Falha='2-TUDO OK'"), 1)
            << nSerie.toStdString();
        EXPECT_EQ(db().count("alerta", "IDDadosOid=" + newest +
                                           " and Chave='KX' and Situacao='Em Aberto' "
                                           "and TipoAlerta='FALHA' and IDSERV is null"),
                  1)
            << nSerie.toStdString();
        EXPECT_EQ(db().count("ListaEquipCli", "nSerie='" + nSerie + "' and ultNotif is not null"), 1)
            << nSerie.toStdString();
    }
}

VORENTA_INSTANTIATE_DATABASE_TESTS(SharedDatabase);

} // namespace
} // namespace vorenta
