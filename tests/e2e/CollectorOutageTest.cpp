// The collector against a real PostgreSQL that goes away and comes back (scripts/lib/postgres
// stop and start), with recorded printers on loopback: no reading is lost or stored twice.
#include "collector/outage/PendingQueue.h"
#include "tests/support/StoreTestSupport.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <system_error>

namespace vorenta {
namespace {

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const QString kKept = QStringLiteral("Leitura guardada para envio posterior: ");
const QString kSent = QStringLiteral("Leituras pendentes enviadas: ");

/// Polls `condition` every 20 ms for up to `timeout`.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::seconds timeout = std::chrono::seconds(60))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(20);
    }
    return true;
}

class CollectorOutage : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::PostgresControllable())
            VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
        try {
            m_fleet.add(3, test::SnmpRecording::FromFile((kRecordings + "laser-mono.snmprec").toStdString()));
            m_fleet.add(5, test::SnmpRecording::FromFile((kRecordings + "color-mfp.snmprec").toStdString()));
        } catch (const std::system_error& error) {
            VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
        }
        m_db.emplace(test::TestBackend::PostgreSql);
        m_db->insertParametros("K1", "0"); // no rest: the next pass follows after 5 s
        m_db->insertRange("K1", "S1", address(2), address(5));
        m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", m_db->bancoSection());
    }

    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    QStringList runOnce(const test::TemporaryProgramFolder& home)
    {
        test::CollectorProcess collector(home.path());
        const qsizetype before = collector.messages().size();
        EXPECT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
        return collector.messages().mid(before);
    }

    /// Rows of DadosOid (after the server was stopped, the fixture's connection is opened again).
    qint64 rows(const QString& where = {})
    {
        m_db->connection().open();
        return m_db->count("DadosOid", where);
    }

    qint64 waiting(const test::TemporaryProgramFolder& home)
    {
        test::CapturingLogSink log;
        QueueFile file(home.file("Pendentes.db"), log);
        PendingQueue queue(file, {}, log);
        return queue.count();
    }

    test::FixtureSnmpFleet m_fleet;
    std::optional<test::TestDatabase> m_db;
    test::TemporaryProgramFolder m_home;
};

// The service as systemd runs it. The server stops after a first pass; the passes during the
// outage walk the kept ranges and queue every reading; once it is back, the next pass sends them
// all, oldest first, each with the time it was read, and nothing twice.
TEST_F(CollectorOutage, TheServiceQueuesDuringAnOutageAndSendsEveryReadingOnceWhenTheServerIsBack)
{
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    // After the first pass's rest, which the outage then repeats.
    ASSERT_TRUE(service.waitForMessage("Aguardando (0) minuto(s)  antes de continuar."))
        << service.messages().join('\n').toStdString();
    {
        test::RestartPostgresOnExit restart;
        ASSERT_TRUE(test::ControlPostgres("stop"));
        ASSERT_TRUE(service.waitForMessage(kKept + address(5) + " C300-7788", 2))
            << service.messages().join('\n').toStdString();
        ASSERT_TRUE(test::ControlPostgres("start"));
    }
    ASSERT_TRUE(Eventually([&] { return !test::AfterPrefix(service.messages(), kSent).isEmpty(); }))
        << service.messages().join('\n').toStdString();
    // Stopped in a rest, after a whole pass on the server: no store is cut short.
    const int rests = service.messages().count("Aguardando (0) minuto(s)  antes de continuar.");
    ASSERT_TRUE(service.waitForMessage("Aguardando (0) minuto(s)  antes de continuar.", rests + 1));
    service.signal(SIGTERM);
    ASSERT_EQ(service.waitForExit(std::chrono::seconds(30)), 0) << service.standardError();

    const QStringList messages = service.messages();
    const QString all = messages.join('\n');
    EXPECT_GE(messages.count("Coletando as faixas de IP guardadas: 1"), 1) << all.toStdString();
    EXPECT_TRUE(test::AfterPrefix(messages, "Sem faixa de IP criada").isEmpty());
    const QStringList kept = test::AfterPrefix(messages, kKept);
    const QStringList sent = test::AfterPrefix(messages, kSent);
    ASSERT_EQ(sent.size(), 1) << all.toStdString();
    EXPECT_EQ(sent[0].toInt(), kept.size()) << all.toStdString();
    EXPECT_EQ(waiting(m_home), 0);

    // Every reading the collector took (each "Gravando dados") is stored once, in the order it
    // was read, dated when it was read: passes are at least 5 s apart.
    for (const QString& ip : {address(3), address(5)}) {
        SCOPED_TRACE(ip.toStdString());
        EXPECT_EQ(rows("IP='" + ip + "'"), messages.count("Gravando dados " + ip));
        SqlQuery dates(m_db->connection());
        dates.addLine("select DataLog from DadosOid where IP=:xIP order by Cod");
        dates.bindText("xIP", ip);
        dates.open();
        QDateTime previous;
        for (; !dates.atEnd(); dates.next()) {
            const QDateTime DataLog = dates.dateTime("DataLog");
            if (previous.isValid()) {
                EXPECT_GE(previous.secsTo(DataLog), 4)
                    << previous.toString().toStdString() << " then " << DataLog.toString().toStdString();
            }
            previous = DataLog;
        }
    }
}

// A collector started while the server is down walks the ranges of its last good load, and a
// new one, which has none, scans nothing (never the local network). A damaged queue file is
// moved aside and the pass goes on.
TEST_F(CollectorOutage, AStartDuringAnOutageWalksTheKeptRangesOrNothing)
{
    m_home.write("Pendentes.db", QByteArray(4096, 'z'));
    QStringList messages = runOnce(m_home);
    EXPECT_EQ(test::AfterPrefix(messages, "Fila de leituras pendentes ilegível (").size(), 1)
        << messages.join('\n').toStdString();
    EXPECT_EQ(rows(), 2);

    test::TemporaryProgramFolder fresh;
    fresh.writeIdentity("K1", "S1", "Matriz", "25/12/2030", m_db->bancoSection());
    {
        test::RestartPostgresOnExit restart;
        ASSERT_TRUE(test::ControlPostgres("stop"));
        messages = runOnce(m_home);
        const QString all = messages.join('\n');
        ASSERT_GE(messages.size(), 4) << all.toStdString();
        EXPECT_TRUE(messages[messages.indexOf("Iniciando busca de Equipamentos") + 1].startsWith(
            "Erro de conexão. : "))
            << all.toStdString();
        EXPECT_TRUE(messages.contains("Coletando as faixas de IP guardadas: 1")) << all.toStdString();
        EXPECT_EQ(test::AfterPrefix(messages, kKept),
                  QStringList({address(3) + " LM42-0001'A", address(5) + " C300-7788"}));
        EXPECT_TRUE(messages.contains("Leituras pendentes aguardando envio: 2")) << all.toStdString();
        const QStringList passes = test::AfterPrefix(messages, "Busca concluída: ");
        ASSERT_EQ(passes.size(), 1) << all.toStdString();
        EXPECT_TRUE(passes[0].startsWith(
            "4 endereços, 2 equipamentos, 0 gravados, 2 pendentes, 0 recusados, 0 erros, "))
            << passes[0].toStdString();

        messages = runOnce(fresh);
        EXPECT_TRUE(messages.contains("Nenhuma faixa de IP guardada; nada coletado."))
            << messages.join('\n').toStdString();
        EXPECT_TRUE(test::AfterPrefix(messages, "Coletando dados de ").isEmpty()) << "no address visited";
        EXPECT_TRUE(test::AfterPrefix(messages, "Sem faixa de IP criada").isEmpty());
        ASSERT_TRUE(test::ControlPostgres("start"));
    }
    messages = runOnce(m_home);
    EXPECT_TRUE(messages.contains(kSent + "2")) << messages.join('\n').toStdString();
    EXPECT_EQ(rows(), 6);
    EXPECT_EQ(waiting(m_home), 0);
}

// The server stops while a store waits on a row another session holds: the readings before are
// stored, that one and the rest wait in the queue (or, where the server had already committed
// its row, stay stored), and the next pass leaves each device with exactly one row per pass.
TEST_F(CollectorOutage, AServerStoppedMidPassLosesNothingAndStoresNothingTwice)
{
    m_fleet.add(
        6, test::SnmpRecording::FromFile(VORENTA_SOURCE_DIR "/scripts/demo-fleet/2-hp-laserjet.snmprec"));
    m_db->execute("delete from RangeIP");
    m_db->insertRange("K1", "S1", address(2), address(6));
    m_db->execute("insert into ListaEquipCli (Chave, nSerie) values ('K1', 'C300-7788')");
    m_db->execute("begin");
    SqlQuery hold(m_db->connection());
    hold.addLine("select nSerie from ListaEquipCli where nSerie='C300-7788' for update");
    hold.open();
    hold.close();

    test::CollectorProcess collector(m_home.path());
    {
        test::RestartPostgresOnExit restart;
        ASSERT_TRUE(collector.start({"--once", "--local-ip", "127.0.0.1"}));
        ASSERT_TRUE(collector.waitForMessage("Gravando dados " + address(5)))
            << collector.messages().join('\n').toStdString();
        QThread::msleep(1000); // the store of address 5 now waits on the row
        ASSERT_TRUE(test::ControlPostgres("stop"));
        ASSERT_EQ(collector.waitForExit(std::chrono::seconds(120)), 0) << collector.standardError();
        ASSERT_TRUE(test::ControlPostgres("start"));
    }
    const QStringList first = collector.messages();
    EXPECT_EQ(test::AfterPrefix(first, "Registro Concluído de Dados de Equipamento "),
              QStringList{address(3) + " ACME LM-4200"})
        << first.join('\n').toStdString();
    const QStringList keptFirst = test::AfterPrefix(first, kKept);
    EXPECT_TRUE(!keptFirst.isEmpty() && keptFirst.last().startsWith(address(6) + " "))
        << "what came after the stop waits\n"
        << first.join('\n').toStdString();

    const QStringList second = runOnce(m_home);
    EXPECT_EQ(test::AfterPrefix(second, kSent).size(), 1) << second.join('\n').toStdString();
    EXPECT_EQ(waiting(m_home), 0);
    for (const int host : {3, 5, 6})
        EXPECT_EQ(rows("IP='" + address(host) + "'"), 2) << address(host).toStdString();
}

// SIGKILL after the server committed a queued reading and before the queue removed it: the
// reading is neither lost nor stored twice. The test holds the queue's write lock from the
// moment the collector waits on the server, so the removal cannot happen before the kill.
TEST_F(CollectorOutage, AKillBetweenTheServersCommitAndTheRemovalFromTheQueueStoresTheReadingOnce)
{
    m_db->execute("delete from RangeIP");
    m_db->insertRange("K1", "S1", address(9), address(9)); // nobody there: a short pass
    {
        test::CapturingLogSink log;
        QueueFile file(m_home.file("Pendentes.db"), log);
        PendingQueue queue(file, {}, log);
        PendingReading pending;
        pending.ColetadoEm = QDateTime::currentDateTime().addSecs(-600);
        pending.identity = CollectorIdentity{"K1", "S1", "Matriz", {}};
        pending.settings = test::StoreSettings();
        pending.reading = test::PrinterReading("KILL-1");
        ASSERT_TRUE(queue.enqueue(pending));
    }
    DatabaseConnection watcher(m_db->settings());
    watcher.open();
    const auto count = [&](const QString& statement) {
        SqlQuery query(watcher);
        query.addLine(statement);
        query.open();
        return query.integer("n");
    };
    m_db->execute("begin");
    m_db->execute("lock table DadosOid in access exclusive mode");

    test::CollectorProcess collector(m_home.path());
    ASSERT_TRUE(collector.start({"--once", "--local-ip", "127.0.0.1"}));
    ASSERT_TRUE(Eventually([&] {
        return count("select count(*) as n from pg_stat_activity where datname=current_database() and "
                     "wait_event_type='Lock'") > 0;
    })) << collector.messages().join('\n').toStdString();
    // The collector sent the reading and waits on the server: now the queue's write lock.
    QSqlDatabase local = QSqlDatabase::addDatabase("QSQLITE", "kill-test");
    local.setDatabaseName(m_home.file("Pendentes.db"));
    ASSERT_TRUE(local.open());
    ASSERT_TRUE(QSqlQuery(local).exec("begin immediate"));
    m_db->execute("commit");
    ASSERT_TRUE(
        Eventually([&] { return count("select count(*) as n from DadosOid where NSerie='KILL-1'") == 1; }));
    QThread::msleep(500); // the rest of its store; then it waits on the queue
    collector.signal(SIGKILL);
    collector.waitForExit(std::chrono::seconds(30));
    QSqlQuery(local).exec("rollback");
    local.close();
    local = QSqlDatabase();
    QSqlDatabase::removeDatabase("kill-test");
    {
        test::CapturingLogSink log;
        QueueFile file(m_home.file("Pendentes.db"), log);
        PendingQueue queue(file, {}, log);
        const std::optional<PendingReading> left = queue.oldest();
        ASSERT_TRUE(left) << "killed before the removal";
        EXPECT_EQ(rows(QStringLiteral("IdLeitura='%1'").arg(left->IdLeitura)), 1) << "its row carries its identity";
    }

    const QStringList messages = runOnce(m_home);
    EXPECT_TRUE(messages.contains("Leitura pendente já gravada, não reenviada: 127.0.0.9 KILL-1"))
        << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.contains(kSent + "1"));
    EXPECT_EQ(rows("NSerie='KILL-1'"), 1) << "stored once";
    EXPECT_EQ(waiting(m_home), 0);
}

} // namespace
} // namespace vorenta
