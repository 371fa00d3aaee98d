// The collector as systemd runs it, with many addresses in flight: silent addresses among the
// printers, a stop while two hundred of them wait, and a unit whose open-file limit is tight.
#include "tests/support/CollectorProcess.h"
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SilentHosts.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QFile>

#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <iostream>
#include <optional>
#include <system_error>

namespace vorenta {
namespace {

const QString kRecordings = QStringLiteral(VORENTA_SOURCE_DIR "/tests/data/e2e/");
const QString kFinished = QStringLiteral("Registro Concluído de Dados de Equipamento ");

/// A collector folder storing into the test database, recorded printers on chosen hosts of the
/// test process's loopback prefix, silent hosts where a test wants them; other hosts refuse.
class ConcurrentWalkEndToEnd : public test::DatabaseTest {
protected:
    void SetUp() override
    {
        test::DatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        db().insertParametros("K1", "0"); // no rest: the next pass follows after 5 s
    }

    /// Printers on `printers` (the two recordings in turn), silent hosts from `firstSilent` to
    /// `lastSilent`, one range from host 2 to `lastHost`, Simultaneos as given (empty: default).
    bool build(const QList<int>& printers, int firstSilent, int lastSilent, int lastHost,
               const QByteArray& simultaneous = {}, int range = 2)
    {
        try {
            for (qsizetype i = 0; i < printers.size(); ++i)
                m_fleet.add(
                    printers[i],
                    test::SnmpRecording::FromFile(
                        (kRecordings + (i % 2 ? "color-mfp" : "laser-mono") + ".snmprec").toStdString()));
            if (firstSilent <= lastSilent)
                m_silent.emplace(m_fleet.prefix(), firstSilent, lastSilent);
        } catch (const std::system_error& error) {
            ADD_FAILURE() << "loopback SNMP port 161 (root): " << error.what();
            return false;
        }
        const QByteArray setting =
            simultaneous.isEmpty() ? QByteArray() : "Simultaneos=" + simultaneous + "\r\n";
        m_home.writeIdentity("K1", "S1", "Matriz", "25/12/2030", setting + db().bancoSection());
        db().insertRange("K1", "S1", address(range), address(lastHost));
        return true;
    }

    QString address(int host) const { return QString::fromStdString(m_fleet.address(host)); }

    QStringList addresses(int first, int last) const
    {
        QStringList all;
        for (int host = first; host <= last; ++host)
            all << address(host);
        return all;
    }

    test::FixtureSnmpFleet m_fleet;
    std::optional<test::SilentHosts> m_silent;
    test::TemporaryProgramFolder m_home;
};

// The service without --once, 64 addresses at once: every pass walks the range in order, stores
// every printer, and the silent addresses cost each pass seconds, not minutes.
TEST_P(ConcurrentWalkEndToEnd, TheServiceStoresEveryPassWithManyAddressesInFlight)
{
    ASSERT_TRUE(build({3, 20}, 5, 12, 24, "64"));
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    const QString lastDevice = kFinished + address(20) + " ZETA C300";

    ASSERT_TRUE(service.waitForMessage(lastDevice, 2, std::chrono::seconds(120)))
        << service.messages().join('\n').toStdString();
    service.signal(SIGTERM);
    EXPECT_EQ(service.waitForExit(std::chrono::seconds(20)), 0) << service.standardError();

    const QStringList messages = service.messages();
    const QStringList visited = test::AfterPrefix(messages, "Coletando dados de ");
    ASSERT_GE(visited.size(), 2 * 23) << messages.join('\n').toStdString();
    EXPECT_EQ(visited.mid(0, 23), addresses(2, 24)) << "walk order";
    EXPECT_EQ(visited.mid(23, 23), addresses(2, 24)) << "walk order, second pass";
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados ").mid(0, 4),
              QStringList({address(3), address(20), address(3), address(20)}));
    EXPECT_GE(db().count("DadosOid", "IP='" + address(3) + "'"), 2);
    EXPECT_GE(db().count("DadosOid", "IP='" + address(20) + "'"), 2);
}

// A stop while the first printer is stored and two hundred silent addresses wait for their
// answers: the process ends within seconds, and nothing after the stop is stored or logged,
// not even the printers probed behind the silent addresses.
TEST_P(ConcurrentWalkEndToEnd, AStopWithTwoHundredAddressesInFlightEndsWithinSeconds)
{
    ASSERT_TRUE(build({2, 203, 250}, 3, 202, 250));
    test::CollectorProcess service(m_home.path());
    ASSERT_TRUE(service.start({"--local-ip", "127.0.0.1"}));
    ASSERT_TRUE(service.waitForMessage(kFinished + address(2) + " ACME LM-4200"))
        << service.messages().join('\n').toStdString();

    const auto stopped = std::chrono::steady_clock::now();
    service.signal(SIGTERM);
    const int exitCode = service.waitForExit(std::chrono::seconds(60));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - stopped).count();
    std::cout << "stop with 200 addresses in flight took " << seconds << " s\n";
    RecordProperty("stop_seconds", QString::number(seconds, 'f', 2).toStdString());

    EXPECT_EQ(exitCode, 0) << service.standardError();
    EXPECT_LT(seconds, 5) << "a silent address alone waits 10 s";
    const QStringList messages = service.messages();
    EXPECT_EQ(test::AfterPrefix(messages, "Coletando dados de "), QStringList({address(2)}))
        << messages.join('\n').toStdString();
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), QStringList({address(2)}));
    EXPECT_EQ(db().count("DadosOid"), 1);
    EXPECT_EQ(messages.mid(messages.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

// Addresses in flight hold no descriptor of their own: under an open-file limit of 256 every
// address is still in flight at once, with no line; under 100 the engine opens what fits of its
// 64 sockets (64 descriptors kept aside), says so once, and still stores both printers.
TEST_P(ConcurrentWalkEndToEnd, ATightOpenFileLimitOnlyNarrowsTheEnginesSockets)
{
    ASSERT_TRUE(build({3, 20}, 5, 8, 24));
    qint64 stored = 0;
    for (const auto& [openFiles, line] :
         {std::pair<rlim_t, QString>{256, QString()},
          std::pair<rlim_t, QString>{100, "Soquetes SNMP limitados a 36 pelo limite de 100 arquivos abertos."}}) {
        SCOPED_TRACE("ulimit -n " + std::to_string(openFiles));
        test::CollectorProcess collector(m_home.path());
        const qsizetype earlier = collector.messages().size(); // LOG.TXT holds the earlier run
        collector.setOpenFileLimit(openFiles);
        ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();
        const QStringList messages = collector.messages().mid(earlier);
        EXPECT_EQ(messages.filter("limitad").size(), line.isEmpty() ? 0 : 1) << messages.join('\n').toStdString();
        if (!line.isEmpty())
            EXPECT_TRUE(messages.contains(line)) << messages.join('\n').toStdString();
        EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), QStringList({address(3), address(20)}));
        stored += 2;
        EXPECT_EQ(db().count("DadosOid"), stored);
    }
}

// Twelve printers and 241 silent addresses, Simultaneos at 4096, the address space as tight as
// `ulimit -v` makes it: where a pass once aborted on std::bad_alloc, or stored nothing and exited 0,
// every pass now fits its threads and addresses to the limit, with at most a line each, and stores
// every printer.
TEST_P(ConcurrentWalkEndToEnd, AMemoryLimitStoresEveryPrinterOfEveryPass)
{
    QList<int> printers;
    for (int host = 2; host <= 13; ++host)
        printers.append(host);
    ASSERT_TRUE(build(printers, 14, 254, 254, "4096")); // silent addresses keep their threads busy
    struct Run {
        rlim_t kib;       // as `ulimit -v` takes it
        const char* mib;  // as the line gives it
        bool fitsThreads; // below this limit, the 1024 probing threads never fit
    };
    qint64 stored = 0;
    for (const Run& run : {Run{300000, "292", true}, Run{1000000, "976", false}, Run{1000000, "976", false},
                           Run{1000000, "976", false}}) {
        SCOPED_TRACE("ulimit -v " + std::to_string(run.kib));
        test::CollectorProcess collector(m_home.path());
        const qsizetype earlier = collector.messages().size(); // LOG.TXT holds the earlier runs
        collector.setLimit(RLIMIT_AS, run.kib * 1024);
        const int exitCode = collector.run({"--once", "--local-ip", "127.0.0.1"});
        const QStringList messages = collector.messages().mid(earlier);
        EXPECT_EQ(exitCode, 0) << collector.standardError() << messages.join('\n').toStdString();
        stored += 12;
        EXPECT_EQ(db().count("DadosOid"), stored) << messages.join('\n').toStdString();
        EXPECT_EQ(test::AfterPrefix(messages, kFinished).size(), 12);
        EXPECT_EQ(messages.filter("Coletor encerrado").size(), 0);
        // How many fit depends on what the process has mapped at start (and, at 1 GB, on the
        // open files this machine allows); the limit in the line is the test's.
        const QRegularExpression fitted(QStringLiteral("^Simultaneos limitado a [0-9]+ endereços pelo limite de "
                                                       "memória de %1 MiB\\.$")
                                            .arg(run.mib));
        EXPECT_LE(messages.filter(fitted).size(), 1) << messages.join('\n').toStdString();
        const QRegularExpression threads(QStringLiteral("^Threads de coleta limitadas a [0-9]+ pelo limite de "
                                                        "memória de %1 MiB\\.$")
                                             .arg(run.mib));
        // At 1 GB whether they fit depends on what the process has mapped at start.
        if (run.fitsThreads)
            EXPECT_EQ(messages.filter(threads).size(), 1) << messages.join('\n').toStdString();
        else
            EXPECT_LE(messages.filter(threads).size(), 1) << messages.join('\n').toStdString();
    }
}

// The service's user held to 20 processes (`ulimit -u 20`, LimitNPROC=20) with Simultaneos at
// 4096: the probing threads fit the limit with one line, the addresses in flight need none, and
// every printer is stored.
TEST_P(ConcurrentWalkEndToEnd, AProcessLimitFitsTheProbingThreadsWithOneLine)
{
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    QList<int> printers;
    for (int host = 2; host <= 13; ++host)
        printers.append(host);
    ASSERT_TRUE(build(printers, 14, 40, 40, "4096"));
    // A root process is not held to the limit: the service runs as its own user.
    for (const QString& folder : {m_home.path(), db().folder().path()}) {
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), nobody->pw_uid, nobody->pw_gid), 0);
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            ASSERT_EQ(::chown(QFile::encodeName(QDir(folder).filePath(name)).constData(), nobody->pw_uid,
                              nobody->pw_gid),
                      0);
    }
    test::CollectorProcess collector(m_home.path());
    collector.setUser(nobody->pw_uid, nobody->pw_gid);
    collector.setLimit(RLIMIT_NPROC, 20);
    ASSERT_EQ(collector.run({"--once", "--local-ip", "127.0.0.1"}), 0) << collector.standardError();

    const QStringList messages = collector.messages();
    // (The open files may have been fitted too, with a line of their own.)
    EXPECT_EQ(messages.filter("processos do usuário").size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.contains("Threads de coleta limitadas a 12 pelo limite de 20 processos do usuário."))
        << messages.join('\n').toStdString();
    // Other processes of the same user (the other back end's run of this test, under a parallel
    // CTest) share the limit: a thread refused for them lowers the number once more, with its line.
    const QStringList reduced = messages.filter("Simultaneos reduzido");
    EXPECT_LE(reduced.size(), 1) << messages.join('\n').toStdString();
    for (const QString& line : reduced)
        EXPECT_TRUE(line.contains(": o sistema não criou mais threads de coleta (limite de processos ou de "
                                  "memória do serviço);"))
            << line.toStdString();
    EXPECT_EQ(test::AfterPrefix(messages, "Gravando dados "), addresses(2, 13));
    EXPECT_EQ(db().count("DadosOid"), 12);
}

VORENTA_INSTANTIATE_DATABASE_TESTS(ConcurrentWalkEndToEnd);

} // namespace
} // namespace vorenta
