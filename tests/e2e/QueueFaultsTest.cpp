// The local queue against the faults a real site has, with the real binary, a real PostgreSQL and
// recorded printers on loopback: two printers that report one serial and a kill in the middle of
// the replay, a queue file left to root, a full disk, a clock set right during an outage. Each
// test counts what reached the server: every reading once, or named in LOG.TXT with its cause.
#include "collector/outage/KeptSettings.h"
#include "collector/outage/PendingQueue.h"
#include "tests/support/StoreTestSupport.h"
#include "tests/support/CollectorProcess.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <random>
#include <system_error>

namespace vorenta {
namespace {

using namespace std::chrono_literals;

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const QString kKept = QStringLiteral("Leitura guardada para envio posterior: ");
const QString kSent = QStringLiteral("Leituras pendentes enviadas: ");
// Both printers answer with this serial (the recording's).
const QString kSerial = QStringLiteral("LM42-0001'A");

/// [BANCO] of a PostgreSQL where nothing listens: every connection is refused at once.
const QByteArray kUnreachable = "[BANCO]\r\nTipo=postgresql\r\nServidor=127.0.0.1\r\nPorta=9\r\n"
                                "BancoDados=vorenta\r\nUsuario=vorenta\r\nTempoConexao=2\r\n";

class QueueFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::PostgresControllable())
            VORENTA_PEER_MISSING("PostgreSQL and VORENTA_TEST_PG_CONTROL");
        try {
            for (int host : {3, 4})
                m_fleet.add(host,
                            test::SnmpRecording::FromFile((kRecordings + "laser-mono.snmprec").toStdString()));
        } catch (const std::system_error& error) {
            VORENTA_PEER_MISSING(std::string("loopback SNMP port 161 (root): ") + error.what());
        }
        m_db.emplace(test::TestBackend::PostgreSql);
        m_db->insertParametros("K1", "0");
        m_db->insertRange("K1", "S1", address(3), address(4));
    }

    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    /// Passes of a collector cut off from the server (its ranges kept from an earlier load):
    /// each queues both printers' readings, with one serial, within one second.
    void queueDuringAnOutage(const test::TemporaryProgramFolder& home, int passes, const QString& fakeTime = {})
    {
        home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", kUnreachable);
        {
            test::CapturingLogSink log;
            QueueFile file(home.file("Pendentes.db"), log);
            KeptSettings kept(file);
            RangeTable ranges;
            ranges.RangesConfigured = true;
            ranges.slot(1) = {address(3), address(4)};
            kept.keepRanges(CollectorIdentity{"K1", "S1", {}, {}}, ranges);
        }
        for (int pass = 0; pass < passes; ++pass) {
            test::CollectorProcess collector(home.path());
            if (!fakeTime.isEmpty()) {
                // The wall clock off by `fakeTime`; the clock since boot left alone, as a wrong
                // wall clock leaves it.
                collector.setEnvironment("LD_PRELOAD", "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");
                collector.setEnvironment("FAKETIME", fakeTime);
                collector.setEnvironment("FAKETIME_DONT_FAKE_MONOTONIC", "1");
            }
            ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
        }
        home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", m_db->bancoSection());
    }

    /// The identities of the readings waiting in `home`'s queue.
    static QStringList waitingIdentities(const test::TemporaryProgramFolder& home)
    {
        test::CapturingLogSink log;
        QueueFile file(home.file("Pendentes.db"), log);
        PendingQueue queue(file, {}, log);
        QStringList ids;
        for (const PendingReading& pending : queue.oldest(100000))
            ids.append(pending.IdLeitura);
        return ids;
    }

    qint64 rows(const QString& where = {})
    {
        m_db->connection().open();
        return m_db->count("DadosOid", where);
    }

    /// Each of `ids` is on the server exactly once.
    void expectEachOnce(const QStringList& ids)
    {
        for (const QString& id : ids)
            EXPECT_EQ(rows(QStringLiteral("IdLeitura='%1'").arg(id)), 1) << id.toStdString();
    }

    test::FixtureSnmpFleet m_fleet;
    std::optional<test::TestDatabase> m_db;
};

// Two printers with one serial read in the same second, queued, and the replay killed at a
// different moment each round: at the end every queued reading is on the server exactly once.
TEST_F(QueueFaults, TwoPrintersWithOneSerialAndAKillDuringTheReplayAreEachStoredOnce)
{
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> killAfterMs(0, 700);
    for (int round = 1; round <= 4; ++round) {
        SCOPED_TRACE(round);
        m_db->execute("delete from DadosOid");
        test::TemporaryProgramFolder home;
        queueDuringAnOutage(home, 6);
        const QStringList queued = waitingIdentities(home);
        ASSERT_EQ(queued.size(), 12) << "two readings a pass";
        // Replays cut short by SIGKILL, each at another moment, until one runs to its end.
        bool done = false;
        for (int attempt = 0; attempt < 20 && !done; ++attempt) {
            test::CollectorProcess collector(home.path());
            ASSERT_TRUE(collector.start({"--once", "--local-ip", "127.0.0.1"}));
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(killAfterMs(random));
            while (collector.running() && std::chrono::steady_clock::now() < deadline)
                QThread::msleep(5);
            if (collector.running()) {
                collector.signal(SIGKILL);
                collector.waitForExit(30s);
            } else {
                done = waitingIdentities(home).isEmpty();
            }
        }
        test::CollectorProcess last(home.path());
        ASSERT_EQ(last.run({"--once", "--local-ip", "127.0.0.1"}), 0) << last.standardError();
        EXPECT_TRUE(waitingIdentities(home).isEmpty());
        expectEachOnce(queued);
        EXPECT_EQ(rows(QStringLiteral("IdLeitura is not null")), 12);
    }
}

// An administrator ran the collector once as root in the service's folder: the queue is root's,
// and the service's user may not write it. The server is up: the new readings go to it directly,
// the waiting ones stay in their file (not moved aside) with one line that says what to do, and
// once the owner is corrected they are sent.
TEST_F(QueueFaults, AQueueLeftToRootWhileTheServerIsUpLosesNothing)
{
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    test::TemporaryProgramFolder home;
    queueDuringAnOutage(home, 2); // as root
    const QStringList queued = waitingIdentities(home);
    ASSERT_EQ(queued.size(), 4);
    // The folder and everything in it the service's, but the queue.
    for (const QString& name : QDir(home.path()).entryList(QDir::Files | QDir::Hidden)) {
        if (!name.startsWith("Pendentes.db")) {
            ASSERT_EQ(::chown(QFile::encodeName(home.file(name)).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        }
    }
    ASSERT_EQ(::chown(QFile::encodeName(home.path()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    ::chmod(QFile::encodeName(home.file("Pendentes.db")).constData(), 0644);

    test::CollectorProcess service(home.path());
    service.setUser(nobody->pw_uid, nobody->pw_gid);
    ASSERT_EQ(service.run({"--once", "--local-ip", "127.0.0.1"}), 0) << service.standardError();
    const QStringList messages = service.messages();
    const QString all = messages.join('\n');
    EXPECT_EQ(test::AfterPrefix(messages, "Fila de leituras pendentes Pendentes.db sem permissão de escrita para o "
                                          "usuário nobody; corrija o dono do arquivo")
                  .size(),
              1)
        << all.toStdString();
    EXPECT_TRUE(test::AfterPrefix(messages, "Fila de leituras pendentes ilegível").isEmpty()) << all.toStdString();
    EXPECT_TRUE(test::AfterPrefix(messages, "Leitura perdida").isEmpty()) << all.toStdString();
    EXPECT_EQ(rows("IdLeitura is null"), 2) << "this pass's two readings, stored directly\n" << all.toStdString();
    EXPECT_EQ(waitingIdentities(home), queued) << "the waiting ones still there";

    // The owner corrected, as the line says: the waiting readings go, once.
    ASSERT_EQ(::chown(QFile::encodeName(home.file("Pendentes.db")).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    test::CollectorProcess fixed(home.path());
    fixed.setUser(nobody->pw_uid, nobody->pw_gid);
    ASSERT_EQ(fixed.run({"--once", "--local-ip", "127.0.0.1"}), 0) << fixed.standardError();
    EXPECT_TRUE(fixed.messages().contains(kSent + "4")) << fixed.messages().join('\n').toStdString();
    expectEachOnce(queued);
    EXPECT_EQ(rows(), 8);
}

// Readings queued while the collector's clock was 400 days behind, or a year ahead, and sent
// once it was set right (the same boot): none is dropped as older than the 30 days kept, and
// each is dated when it was really read, on the server's clock.
TEST_F(QueueFaults, AReadingQueuedWhileTheClockWasWrongIsKeptAndDatedByItsTrueAge)
{
    ASSERT_TRUE(QFile::exists("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1")) << "Debian libfaketime";
    for (const QString offset : {"-400d", "+365d"}) {
        SCOPED_TRACE(offset.toStdString());
        m_db->execute("delete from DadosOid");
        test::TemporaryProgramFolder home;
        queueDuringAnOutage(home, 1, offset);
        const QStringList queued = waitingIdentities(home);
        ASSERT_EQ(queued.size(), 2);
        test::CollectorProcess collector(home.path());
        ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
        const QString all = collector.messages().join('\n');
        EXPECT_TRUE(collector.messages().contains(kSent + "2")) << all.toStdString();
        EXPECT_TRUE(test::AfterPrefix(collector.messages(), "Leituras pendentes descartadas").isEmpty())
            << all.toStdString();
        expectEachOnce(queued);
        SqlQuery dates(m_db->connection());
        dates.addLine("select DataLog from DadosOid where IdLeitura is not null");
        dates.open();
        for (; !dates.atEnd(); dates.next())
            EXPECT_LT(std::abs(dates.dateTime("DataLog").secsTo(QDateTime::currentDateTime())), 300)
                << dates.dateTime("DataLog").toString().toStdString();
    }
}

/// A program folder on a tmpfs of its own, so that its disk can be filled.
class SmallDisk {
public:
    explicit SmallDisk(const QString& folder) : m_folder(QFile::encodeName(folder))
    {
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=4m,mode=0755") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    /// Fills the disk but `leave` bytes.
    void fill(qint64 leave)
    {
        QFile filler(QString::fromLocal8Bit(m_folder) + "/enchimento");
        filler.open(QIODevice::WriteOnly | QIODevice::Append);
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        filler.resize(std::max<qint64>(0, filler.size() - leave));
    }
    /// Gives `bytes` back.
    void release(qint64 bytes)
    {
        QFile filler(QString::fromLocal8Bit(m_folder) + "/enchimento");
        filler.resize(std::max<qint64>(0, filler.size() - bytes));
    }
    void empty() { QFile::remove(QString::fromLocal8Bit(m_folder) + "/enchimento"); }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

// The program folder's disk fills while readings wait and the server is back: nothing is moved
// aside, nothing waiting is lost or sent twice, and the pass's readings reach the server or are
// named; once there is room again, the queue empties.
TEST_F(QueueFaults, AFullDiskDuringTheReplayLosesNothingAndSendsNothingTwice)
{
    test::TemporaryProgramFolder home;
    SmallDisk disk(home.path());
    ASSERT_TRUE(disk.mounted()) << "tmpfs on the program folder (root)";
    queueDuringAnOutage(home, 3);
    const QStringList queued = waitingIdentities(home);
    ASSERT_EQ(queued.size(), 6);

    disk.fill(24 * 1024); // room for a few log lines, not for the queue's journal
    test::CollectorProcess full(home.path());
    ASSERT_EQ(full.run({"--once", "--local-ip", "127.0.0.1"}), 0) << full.standardError();
    QStringList messages = full.messages();
    QString all = messages.join('\n');
    EXPECT_EQ(test::AfterPrefix(messages, "Fila de leituras pendentes Pendentes.db sem espaço em disco; libere "
                                          "espaço em ")
                  .size(),
              1)
        << all.toStdString();
    EXPECT_TRUE(test::AfterPrefix(messages, "Fila de leituras pendentes ilegível").isEmpty()) << all.toStdString();
    // Whatever the disk let through, what reached the server reached it once.
    for (const QString& id : queued)
        EXPECT_LE(rows(QStringLiteral("IdLeitura='%1'").arg(id)), 1) << id.toStdString();
    const qint64 directly = rows("IdLeitura is null");
    const qint64 lost = test::AfterPrefix(messages, "Leitura perdida").size();

    // The server out of reach as well, with a little more room (a failed opening of the queue
    // leaves its -shm holding pages): each reading is kept, or named lost.
    disk.release(16 * 1024);
    home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", kUnreachable);
    test::CollectorProcess nowhere(home.path());
    ASSERT_EQ(nowhere.run({"--once", "--local-ip", "127.0.0.1"}), 0) << nowhere.standardError();
    const QStringList after = nowhere.messages().mid(messages.size());
    const QStringList named =
        test::AfterPrefix(after, "Leitura perdida, não foi possível guardá-la para envio posterior: ") +
        test::AfterPrefix(after, kKept);
    EXPECT_EQ(named.size(), 2) << nowhere.messages().join('\n').toStdString();
    for (const int host : {3, 4})
        EXPECT_TRUE(named.contains(address(host) + " " + kSerial)) << nowhere.messages().join('\n').toStdString();
    const qint64 keptNowhere = test::AfterPrefix(after, kKept).size();
    home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", m_db->bancoSection());

    disk.empty();
    const QStringList waiting = waitingIdentities(home);
    qint64 stillQueued = 0;
    for (const QString& id : queued)
        stillQueued += waiting.contains(id) ? 1 : 0;
    EXPECT_EQ(directly + lost + (waiting.size() - stillQueued - keptNowhere), 2)
        << "the full pass's two readings: on the server, queued or named lost\n"
        << all.toStdString();
    test::CollectorProcess roomy(home.path());
    ASSERT_EQ(roomy.run({"--once", "--local-ip", "127.0.0.1"}), 0) << roomy.standardError();
    EXPECT_TRUE(waitingIdentities(home).isEmpty()) << roomy.messages().join('\n').toStdString();
    expectEachOnce(queued);
}

} // namespace
} // namespace vorenta
