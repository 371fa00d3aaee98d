#include "collector/database/PendingReplay.h"
#include "tests/database/StoreTestSupport.h"
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
        queue.emplace(home.file("Pendentes.db"), PendingQueueBounds{}, c->log);
        replay.emplace(c->dm, c->store, *queue, c->log,
                       [] { return QDateTime::currentDateTime().addSecs(-3600); });
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

    test::TemporaryProgramFolder home;
    std::optional<test::StoreUnderTest> c;
    std::optional<PendingQueue> queue;
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
// marked with the DataLog their send began with. One reached the server, one did not.
TEST_P(PendingReplayTest, AReadingWhoseSendBeganIsLookedForBeforeItIsSentAgain)
{
    PendingReading arrived = pending("CHEGOU", 20);
    arrived.DataLog = arrived.ColetadoEm.addSecs(3600);
    PendingReading lost = pending("PERDIDO", 10);
    lost.DataLog = lost.ColetadoEm.addSecs(3600);
    ASSERT_TRUE(queue->enqueue(arrived));
    ASSERT_TRUE(queue->enqueue(lost));
    ASSERT_EQ(c->store.StorePending(arrived, arrived.DataLog),
              StoreOutcome::Stored); // its send, before the kill
    ASSERT_EQ(db().count("DadosOid"), 1);
    c->log.lines.clear();

    replay->ReplayPending(stop);

    EXPECT_TRUE(c->log.contains("Leitura pendente já gravada, não reenviada: 127.0.0.9 CHEGOU"))
        << c->log.lines.join('\n').toStdString();
    EXPECT_EQ(c->log.lines.last(), "Leituras pendentes enviadas: 2");
    EXPECT_FALSE(queue->hasWaiting());
    EXPECT_EQ(db().count("DadosOid", "NSerie='CHEGOU'"), 1) << "not twice";
    EXPECT_EQ(db().count("DadosOid", "NSerie='PERDIDO'"), 1) << "not lost";
    EXPECT_EQ(
        FirstDateTime(db().connection(), "select DataLog from DadosOid where NSerie='PERDIDO'", "DataLog"),
        lost.DataLog)
        << "sent with the DataLog it was marked with";
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

VORENTA_INSTANTIATE_DATABASE_TESTS(PendingReplayTest);

// The live store with a queue, on a server that refuses connections: nothing is tried twice
// per pass, nothing is lost, and the readings wait in order.
TEST(PendingStore, ReadingsThatCannotReachTheServerWaitInTheQueueInTheOrderTheyWereRead)
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
    PendingQueue queue(home.file("Pendentes.db"), {}, c.log);
    c.store.keepUnreachableIn(queue);

    c.store.StoreReading(test::PrinterReading("X1"));
    c.store.StoreReading(test::PrinterReading("X2"));

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
