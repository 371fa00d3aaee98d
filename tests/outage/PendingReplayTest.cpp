#include "collector/outage/PendingReplay.h"
#include "collector/outage/QueueingReadingStore.h"
#include "tests/outage/QueueTestSupport.h"
#include "tests/support/StoreTestSupport.h"
#include "tests/support/Peers.h"

#include <gtest/gtest.h>

namespace vorenta {
namespace {

using test::FirstDateTime;
using test::FirstText;

/// The store of a collector on the test database with its local queue and replay. The replay's
/// clock runs an hour behind this machine's (and so the server's), so that the offset it
/// measures shows in the dates it writes.
class PendingReplayTest : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        db().insertParametros("K1", "1");
        c.emplace(db().settings(), CollectorIdentity{"K1", "S1", "Matriz", {}});
        file.emplace(home.file("Pendentes.db"), c->log);
        queue.emplace(*file, PendingQueueBounds{}, c->log, slowClock);
        store.emplace(c->store, *queue, c->dm.identity(), c->settings, c->log);
        replay.emplace(c->dm, *store, *queue, c->log, slowClock);
        ASSERT_TRUE(c->dm.ConnectDatabase()); // the cycle's "Teste de Conexão OK" comes first
    }

    /// A reading taken `minutesAgo` minutes ago on the collector's (an hour slow) clock.
    PendingReading pending(const QString& serial, int minutesAgo,
                           const QString& idServ = QStringLiteral("S1"))
    {
        PendingReading p;
        p.ColetadoEm = QDateTime::currentDateTime().addSecs(-3600 - 60 * minutesAgo);
        p.ColetadoEm.setTime(
            QTime(p.ColetadoEm.time().hour(), p.ColetadoEm.time().minute(), p.ColetadoEm.time().second()));
        p.identity = CollectorIdentity{"K1", idServ, "Matriz", {}};
        p.settings = test::StoreSettings();
        p.reading = test::PrinterReading(serial);
        return p;
    }

    /// The collector's clock, an hour slow; its clock since boot not known (ages by the wall).
    static QueueTime slowClock() { return QueueTime{QDateTime::currentDateTime().addSecs(-3600), -1, {}}; }

    test::TemporaryProgramFolder home;
    std::optional<test::StoreUnderTest> c;
    std::optional<QueueFile> file;
    std::optional<PendingQueue> queue;
    std::optional<QueueingReadingStore> store;
    std::optional<PendingReplay> replay;
    StopSignal stop;
};

TEST_P(PendingReplayTest, QueuedReadingsAreStoredOnceInOrderWithTheirCollectionTimeOnTheServersClock)
{
    const PendingReading first = pending("R-1", 50);
    const PendingReading second = pending("R-2", 30, "S-OLD"); // read before IDServ was changed
    const PendingReading third = pending("R-1", 10);
    for (const PendingReading& p : {first, second, third})
        ASSERT_TRUE(queue->enqueue(p));
    c->log.lines.clear();

    replay->ReplayPending(stop);

    EXPECT_EQ(c->log.lines.last(), "Leituras pendentes enviadas: 3") << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(c->log.startingWith("Registro Concluído de Dados de Equipamento ").size(), 3);
    EXPECT_FALSE(queue->hasWaiting());
    ASSERT_EQ(db().count("DadosOid"), 3);
    // In the order they were read (Cod grows), each dated its collection time plus the hour the
    // collector's clock is behind.
    SqlQuery rows(db().connection());
    rows.addLine("select NSerie, IDServ, DataLog from DadosOid order by Cod");
    rows.open();
    for (const PendingReading* p : {&first, &second, &third}) {
        ASSERT_FALSE(rows.atEnd());
        EXPECT_EQ(rows.text("NSerie"), p->reading.NSerie);
        EXPECT_EQ(rows.text("IDServ"), p->identity.IDServ);
        const qint64 shift = p->ColetadoEm.secsTo(rows.dateTime("DataLog"));
        EXPECT_NEAR(shift, 3600, 2) << p->reading.NSerie.toStdString();
        rows.next();
    }
    rows.close();
    // The device list says when the reading arrived, not when it was read.
    const QDateTime listed =
        FirstDateTime(db().connection(), "select UltLog from ListaEquipCli where nSerie='R-1'", "UltLog");
    EXPECT_LT(std::abs(listed.secsTo(QDateTime::currentDateTime())), 60);
}

TEST_P(PendingReplayTest, ExclusionsAreAppliedAtReplayAndTheRefusedReadingLeavesTheQueue)
{
    db().insertExclusao("", "K1", "EXCLUIDO");
    ASSERT_TRUE(queue->enqueue(pending("EXCLUIDO", 20)));
    ASSERT_TRUE(queue->enqueue(pending("OK-1", 10)));
    c->log.lines.clear();
    replay->ReplayPending(stop);
    EXPECT_EQ(c->log.startingWith("Equipamento na lista de Exceções").size(), 1)
        << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(c->log.lines.last(), "Leituras pendentes enviadas: 1");
    EXPECT_FALSE(queue->hasWaiting());
    EXPECT_EQ(db().count("DadosOid"), 1);
    EXPECT_EQ(db().count("DadosOid", "NSerie='OK-1'"), 1);
}

// What a kill between the central commit and the removal from the queue leaves behind: readings
// the server holds, still in the queue. Two devices that report one serial, read in the same
// second (or one device walked twice by a range entered twice), must not be taken for each other.
TEST_P(PendingReplayTest, ReadingsTheServerHoldsAlreadyAreFoundByTheirIdentityWhateverTheirSerials)
{
    const PendingReading first = pending("MESMO", 20);
    PendingReading twin = pending("MESMO", 20); // the same serial, the same second
    twin.reading.IP = QStringLiteral("127.0.0.10");
    for (const PendingReading& p : {first, twin, pending("OUTRO", 10)})
        ASSERT_TRUE(queue->enqueue(p));
    QList<PendingReading> queued = queue->oldest(3);
    ASSERT_EQ(queued.size(), 3);
    // The first was stored before the kill; the twin was not.
    ASSERT_EQ(store->StorePending(queued[0], queued[0].ColetadoEm.addSecs(3600)), StoreOutcome::Stored);
    ASSERT_EQ(db().count("DadosOid"), 1);
    c->log.lines.clear();

    replay->ReplayPending(stop);

    EXPECT_EQ(c->log.startingWith("Leitura pendente já gravada, não reenviada: "),
              QStringList({"Leitura pendente já gravada, não reenviada: 127.0.0.9 MESMO"}))
        << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(c->log.lines.last(), "Leituras pendentes enviadas: 3");
    EXPECT_FALSE(queue->hasWaiting());
    EXPECT_EQ(db().count("DadosOid", "NSerie='MESMO'"), 2) << "each device once";
    EXPECT_EQ(db().count("DadosOid", "NSerie='MESMO' and IP='127.0.0.10'"), 1) << "the twin not lost";
    EXPECT_EQ(db().count("DadosOid", "NSerie='OUTRO'"), 1);
    for (const PendingReading& p : queued)
        EXPECT_EQ(db().count("DadosOid", QStringLiteral("IdLeitura='%1'").arg(p.IdLeitura)), 1)
            << p.reading.NSerie.toStdString();
}

// A live store whose connection broke during its commit wrote no IdLeitura: the replay looks for
// its row by collector, serial, address and the DataLog it went with.
TEST_P(PendingReplayTest, AReadingWhoseLiveCommitWasInDoubtIsLookedForByItsKeys)
{
    const DeviceReading live = test::PrinterReading("AO-VIVO");
    const DatabaseReadingStore::LiveResult stored = c->store.StoreLive(live);
    ASSERT_EQ(stored.outcome, StoreOutcome::Stored);
    const QDateTime sentWith =
        FirstDateTime(db().connection(), "select DataLog from DadosOid where NSerie='AO-VIVO'", "DataLog");
    PendingReading doubt = pending("AO-VIVO", 5);
    doubt.reading = live;
    doubt.DataLog = sentWith;
    doubt.SentWithoutId = true;
    PendingReading notThere = pending("NAO-CHEGOU", 4);
    notThere.DataLog = sentWith;
    notThere.SentWithoutId = true;
    ASSERT_TRUE(queue->enqueue(doubt));
    ASSERT_TRUE(queue->enqueue(notThere));
    c->log.lines.clear();

    replay->ReplayPending(stop);

    EXPECT_TRUE(c->log.contains("Leitura pendente já gravada, não reenviada: 127.0.0.9 AO-VIVO"))
        << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(db().count("DadosOid", "NSerie='AO-VIVO'"), 1) << "not twice";
    EXPECT_EQ(db().count("DadosOid", "NSerie='NAO-CHEGOU'"), 1) << "not lost";
    EXPECT_FALSE(queue->hasWaiting());
}

// Three readings, the second cannot reach the server: the first is sent, the second and third
// wait, in their order, and the log says the replay stopped.
TEST_P(PendingReplayTest, AReadingThatCannotReachTheServerStopsTheReplayAndWaitsWithTheRest)
{
    // The real store, but the server "goes away" for the second reading.
    struct CutAtSecond final : PendingStore {
        explicit CutAtSecond(PendingStore& real) : real(real) {}
        StoreOutcome StorePending(const PendingReading& p, const QDateTime& DataLog) override
        {
            return p.reading.NSerie == "SEGUNDO" ? StoreOutcome::Unreachable : real.StorePending(p, DataLog);
        }
        PendingStore& real;
    } cut(*store);
    PendingReplay cutReplay(c->dm, cut, *queue, c->log, slowClock);
    for (const char* serial : {"PRIMEIRO", "SEGUNDO", "TERCEIRO"})
        ASSERT_TRUE(queue->enqueue(pending(serial, 10)));
    c->log.lines.clear();

    cutReplay.ReplayPending(stop);

    EXPECT_EQ(c->log.lines.mid(c->log.lines.size() - 2),
              QStringList({"Leituras pendentes enviadas: 1",
                           "Envio de leituras pendentes interrompido; 2 aguardam o próximo ciclo"}))
        << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(db().count("DadosOid"), 1);
    const QList<PendingReading> waiting = queue->oldest(10);
    ASSERT_EQ(waiting.size(), 2);
    EXPECT_EQ(waiting[0].reading.NSerie, "SEGUNDO");
    EXPECT_EQ(waiting[1].reading.NSerie, "TERCEIRO");

    replay->ReplayPending(stop); // the server back
    EXPECT_EQ(db().count("DadosOid"), 3);
    EXPECT_FALSE(queue->hasWaiting());
}

// A lock another session holds past the command time-out is no refusal: the reading stays
// queued, and the log says the replay stopped.
TEST_P(PendingReplayTest, AReadingHeldUpByALockStaysQueued)
{
    ASSERT_TRUE(queue->enqueue(pending("TRAVADO", 10)));
    DatabaseSettings quick = db().settings();
    quick.commandTimeoutSeconds = 1;
    test::StoreUnderTest fast(quick, CollectorIdentity{"K1", "S1", "Matriz", {}});
    QueueingReadingStore fastStore(fast.store, *queue, fast.dm.identity(), fast.settings, fast.log);
    PendingReplay fastReplay(fast.dm, fastStore, *queue, fast.log, slowClock);
    ASSERT_TRUE(fast.dm.ConnectDatabase());
    DatabaseConnection holder(db().settings());
    holder.open();
    holder.beginTransaction(); // on SQLite the file's write lock
    if (GetParam() == test::TestBackend::PostgreSql)
        holder.executeScript(QStringLiteral("LOCK TABLE DadosOid IN EXCLUSIVE MODE"));

    fastReplay.ReplayPending(stop);

    holder.rollbackTransaction();
    EXPECT_EQ(queue->count(), 1) << fast.log.lines.join('\n').toStdString();
    EXPECT_TRUE(fast.log.contains("Envio de leituras pendentes interrompido; 1 aguardam o próximo ciclo"))
        << fast.log.lines.join('\n').toStdString();
    replay->ReplayPending(stop);
    EXPECT_EQ(db().count("DadosOid", "NSerie='TRAVADO'"), 1);
}

TEST_P(PendingReplayTest, AStopEndsTheReplayAndWhatIsLeftWaits)
{
    ASSERT_TRUE(queue->enqueue(pending("A", 20)));
    ASSERT_TRUE(queue->enqueue(pending("B", 10)));
    stop.request();
    replay->ReplayPending(stop);
    EXPECT_EQ(queue->count(), 2);
    EXPECT_EQ(db().count("DadosOid"), 0);
}

// A long outage's queue goes in batches of 50 (the last one shorter), each one progress that
// feeds the service's watchdog: a replay of thousands of readings is no stuck pass.
TEST_P(PendingReplayTest, EveryBatchIsStoredOnceAndFeedsTheWatchdog)
{
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(queue->enqueue(pending(QStringLiteral("B-%1").arg(i), 120 - i)));
    int beats = 0;
    stop.setHeartbeat([&] { ++beats; }, std::chrono::minutes(1));

    replay->ReplayPending(stop);

    EXPECT_EQ(db().count("DadosOid"), 120);
    EXPECT_EQ(db().count("DadosOid", "IdLeitura is not null"), 120);
    EXPECT_FALSE(queue->hasWaiting());
    EXPECT_GE(beats, 3) << "one beat a batch: 50, 50 and 20 readings";
    // Replayed again, nothing is sent twice.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(queue->enqueue(pending(QStringLiteral("C-%1").arg(i), 5)));
    replay->ReplayPending(stop);
    EXPECT_EQ(db().count("DadosOid"), 123);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(PendingReplayTest);

// The live store with a queue, on a server that refuses connections: nothing is tried twice
// per pass, nothing is lost, and the readings wait in order.
TEST(QueueingReadingStore, ReadingsThatCannotReachTheServerWaitInTheQueueInTheOrderTheyWereRead)
{
    DatabaseSettings unreachable;
    unreachable.backend = DatabaseBackend::PostgreSql;
    unreachable.host = QStringLiteral("127.0.0.1");
    unreachable.port = 9; // discard: nothing listens, the connection is refused at once
    unreachable.databaseName = QStringLiteral("vorenta");
    unreachable.user = QStringLiteral("vorenta");
    unreachable.connectTimeoutSeconds = 2;
    test::TemporaryProgramFolder home;
    test::StoreUnderTest c(unreachable, CollectorIdentity{"K1", "S1", "Matriz", {}});
    QueueFile file(home.file("Pendentes.db"), c.log);
    PendingQueue queue(file, {}, c.log);
    QueueingReadingStore store(c.store, queue, c.dm.identity(), c.settings, c.log);

    EXPECT_EQ(store.StoreReading(test::PrinterReading("X1")), StoreOutcome::Queued);
    EXPECT_EQ(store.StoreReading(test::PrinterReading("X2")), StoreOutcome::Queued);

    ASSERT_EQ(c.log.lines.size(), 3) << c.log.lines.join('\n').toStdString();
    EXPECT_TRUE(c.log.lines[0].startsWith("Erro de conexão. : ")) << c.log.lines[0].toStdString();
    EXPECT_EQ(c.log.lines[1], "Leitura guardada para envio posterior: 127.0.0.9 X1");
    EXPECT_EQ(c.log.lines[2], "Leitura guardada para envio posterior: 127.0.0.9 X2")
        << "while readings wait, the next one joins them without a connection attempt";
    std::optional<PendingReading> oldest = queue.oldest();
    ASSERT_TRUE(oldest);
    EXPECT_EQ(oldest->reading, test::PrinterReading("X1"));
    EXPECT_EQ(oldest->identity.IDServ, "S1");
    EXPECT_EQ(oldest->settings.CodEmpresa, " 77 ");
    EXPECT_FALSE(oldest->DataLog.isValid()) << "nothing was sent";
    EXPECT_LT(std::abs(oldest->ColetadoEm.secsTo(QDateTime::currentDateTime())), 60);
}

} // namespace
} // namespace vorenta
