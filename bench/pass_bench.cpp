// One collection pass as systemd runs it (VorentaServer --once on the embedded database), over
// whole loopback /24 networks where every address is silent (a UDP socket bound on port 161 that
// never answers) except a few simulated printers. Reports, per Simultaneos setting, the pass's
// wall time, the collector's CPU time and peak RSS, and whether the stored rows equal those of
// the serial walk (Simultaneos=1) over the same printers.
//
// The serial walk over a whole /24 takes hours; it is extrapolated from one silent address and
// the printers walked serially: 249 silent addresses per /24 at the measured cost of one.
//
//     build/bench/pass_bench                      # one and four /24s at 16, 256, 1024 and 65536
//     build/bench/pass_bench --networks 1 --simultaneous 1024
//
// Needs root (port 161). Addresses 127.201.1.0/24 to 127.201.4.0/24; nothing leaves loopback.
//
// The large cases run in a network namespace of the benchmark's own, where addresses of
// 10.0.0.0/8 are routed to the loopback device and dropped there as no host's (silent: every GET
// runs out its wait), and 127.203.0.0/16 has no listener (refusing: each GET ends at once with a
// port-unreachable). They also report the collector's peak threads and open files.
//
//     build/bench/pass_bench --large silent16,refusing16,ranges1000 --simultaneous 65536
//
//   silent16    256 ranges 10.1.0.2-254 .. 10.1.255.2-254 (64,768 silent addresses)
//   refusing16  256 ranges 127.203.0.2-254 .. 127.203.255.2-254 (64,768 refusing addresses)
//   ranges1000  1000 ranges 10.2.0.2-254 .. 10.5.231.2-254 (253,000 silent addresses)
#include "tests/support/DatabaseFixture.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/SilentHosts.h"
#include "tests/support/TemporaryProgramFolder.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <QDir>
#include <QFile>

#include <sched.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace vorenta;
using namespace vorenta::test;

const QString kFleet = QStringLiteral(VORENTA_SOURCE_DIR "/scripts/demo-fleet/");

// Printers on every network: host and recording.
const std::vector<std::pair<int, const char*>> kPrinters = {
    {10, "2-hp-laserjet.snmprec"},
    {77, "3-ricoh-mpc2504.snmprec"},
    {150, "5-samsung-m4070.snmprec"},
    {230, "7-lexmark-mx611.snmprec"},
};

std::string prefixOf(int network)
{
    return "127.201." + std::to_string(network) + ".";
}

/// The simulated networks: printers and silent hosts on 127.201.1.x .. 127.201.<n>.x.
struct Networks {
    explicit Networks(int count)
    {
        std::vector<int> printerHosts;
        for (const auto& [host, file] : kPrinters)
            printerHosts.push_back(host);
        for (int network = 1; network <= count; ++network) {
            for (const auto& [host, file] : kPrinters)
                printers.push_back(std::make_unique<FixtureSnmpAgent>(
                    prefixOf(network) + std::to_string(host), 161,
                    SnmpRecording::FromFile((kFleet + file).toStdString())));
            silent.push_back(std::make_unique<SilentHosts>(prefixOf(network), 2, 254, printerHosts));
        }
    }
    std::vector<std::unique_ptr<FixtureSnmpAgent>> printers;
    std::vector<std::unique_ptr<SilentHosts>> silent;
};

struct PassResult {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakRssMb = 0;
    int peakThreads = 0;
    int peakOpenFiles = 0;
    QList<QStringList> rows;
    bool ok = false;
};

/// Samples a running process's threads and open files every 20 ms, keeping the highest.
class ProcessSampler {
public:
    explicit ProcessSampler(pid_t pid) : m_thread([this, pid] { sample(pid); }) {}
    ~ProcessSampler() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int peakThreads() const { return m_threads; }
    int peakOpenFiles() const { return m_files; }

private:
    void sample(pid_t pid)
    {
        const QString proc = QStringLiteral("/proc/%1/").arg(pid);
        while (!m_stop) {
            QFile status(proc + "status");
            if (status.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : status.readAll().split('\n'))
                    if (line.startsWith("Threads:"))
                        m_threads = std::max(m_threads.load(), line.mid(8).trimmed().toInt());
            }
            const int files = static_cast<int>(QDir(proc + "fd").entryList(QDir::AllEntries | QDir::System |
                                                                             QDir::NoDotAndDotDot).size());
            m_files = std::max(m_files.load(), files);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_threads{0};
    std::atomic<int> m_files{0};
    std::thread m_thread;
};

/// Runs VorentaServer --once over `ranges` (start, end) with Simultaneos=`simultaneous`.
PassResult runPass(const QList<QPair<QString, QString>>& ranges, int simultaneous)
{
    TestDatabase database(TestBackend::Sqlite);
    database.insertParametros("K1", "1");
    for (const auto& [start, end] : ranges)
        database.insertRange("K1", "S1", start, end);
    TemporaryProgramFolder home;
    home.writeIdentity("K1", "S1", "Bench", "31/12/2030",
                       "Simultaneos=" + QByteArray::number(simultaneous) + "\r\n" + database.bancoSection());

    const std::string program = VORENTA_BINARY_DIR "/collector/VorentaServer";
    const std::string folder = home.path().toStdString();
    std::vector<std::string> arguments = {program, "--home", folder, "--once"};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    PassResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return result;
    ProcessSampler sampler(child);
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child)
        return result;
    sampler.stop();
    result.peakThreads = sampler.peakThreads();
    result.peakOpenFiles = sampler.peakOpenFiles();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                        usage.ru_stime.tv_usec / 1e6;
    result.peakRssMb = usage.ru_maxrss / 1024.0;
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.rows = test::StoredRowsWithoutDates(database.connection());
    return result;
}

QList<QPair<QString, QString>> wholeNetworks(int count)
{
    QList<QPair<QString, QString>> ranges;
    for (int network = 1; network <= count; ++network) {
        const QString prefix = QString::fromStdString(prefixOf(network));
        ranges.append({prefix + "2", prefix + "254"});
    }
    return ranges;
}

// The printers alone, each a range of one address, in walk order: the serial walk's rows.
QList<QPair<QString, QString>> printersOnly(int count)
{
    QList<QPair<QString, QString>> ranges;
    for (int network = 1; network <= count; ++network) {
        for (const auto& [host, file] : kPrinters) {
            const QString address = QString::fromStdString(prefixOf(network) + std::to_string(host));
            ranges.append({address, address});
        }
    }
    return ranges;
}

QList<int> listArgument(int argc, char** argv, const char* name, QList<int> fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            QList<int> values;
            for (const QString& part : QString::fromLocal8Bit(argv[i + 1]).split(u','))
                values << part.toInt();
            return values;
        }
    }
    return fallback;
}

/// The ranges of a large case: `count` ranges .2-.254 of consecutive /24s from `first` (a.b.c).
QList<QPair<QString, QString>> consecutiveNetworks(int a, int b, int count)
{
    QList<QPair<QString, QString>> ranges;
    for (int i = 0; i < count; ++i) {
        const QString prefix = QStringLiteral("%1.%2.%3.").arg(a).arg(b + i / 256).arg(i % 256);
        ranges.append({prefix + "2", prefix + "254"});
    }
    return ranges;
}

int runLargeCases(const QStringList& cases, const QList<int>& settings)
{
    if (!test::EnterPrivateNetwork())
        return 1;
    struct Large {
        const char* name;
        QList<QPair<QString, QString>> ranges;
    };
    const QList<Large> all = {
        {"silent16", consecutiveNetworks(10, 1, 256)},
        {"refusing16", consecutiveNetworks(127, 203, 256)},
        {"ranges1000", consecutiveNetworks(10, 2, 1000)},
    };
    std::printf("%-11s %9s %-12s %10s %9s %10s %8s %11s %s\n", "case", "addresses", "Simultaneos", "pass (s)",
                "CPU (s)", "RSS (MB)", "threads", "open files", "rows");
    for (const Large& large : all) {
        if (!cases.contains(QString::fromLatin1(large.name)))
            continue;
        for (const int simultaneous : settings) {
            const PassResult pass = runPass(large.ranges, simultaneous);
            std::printf("%-11s %9lld %-12d %10.1f %9.2f %10.1f %8d %11d %lld%s\n", large.name,
                        static_cast<long long>(large.ranges.size()) * 253, simultaneous, pass.seconds,
                        pass.cpuSeconds, pass.peakRssMb, pass.peakThreads, pass.peakOpenFiles,
                        static_cast<long long>(pass.rows.size()), pass.ok ? "" : " (the pass FAILED)");
            std::fflush(stdout);
        }
    }
    return 0;
}

void raiseOpenFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    raiseOpenFiles();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--large") == 0)
            return runLargeCases(QString::fromLocal8Bit(argv[i + 1]).split(u','),
                                 listArgument(argc, argv, "--simultaneous", {65536}));
    }
    const QList<int> networkCounts = listArgument(argc, argv, "--networks", {1, 4});
    const QList<int> settings = listArgument(argc, argv, "--simultaneous", {16, 256, 1024, 65536});
    const int most = *std::max_element(networkCounts.begin(), networkCounts.end());

    std::unique_ptr<Networks> networks;
    try {
        networks = std::make_unique<Networks>(most);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot set up the loopback networks (root needed): %s\n", error.what());
        return 1;
    }
    std::printf("%d printers and %d silent addresses per /24, on 127.201.1.0/24 to 127.201.%d.0/24\n",
                static_cast<int>(kPrinters.size()), networks->silent.front()->count(), most);

    // The serial walk: the printers, and one silent address for the cost of every other one.
    const PassResult oneSilent =
        runPass({{QString::fromStdString(prefixOf(1) + "2"), QString::fromStdString(prefixOf(1) + "2")}}, 1);
    std::printf("serial, one silent address: %.1f s\n", oneSilent.seconds);

    std::printf("\n%-9s %-12s %10s %9s %10s %s\n", "/24s", "Simultaneos", "pass (s)", "CPU (s)", "RSS (MB)",
                "rows as serial");
    for (int count : networkCounts) {
        const PassResult serial = runPass(printersOnly(count), 1);
        const int silentAddresses = count * networks->silent.front()->count();
        std::printf("%-9d %-12s %10.0f %9s %10.1f %s (%lld rows, extrapolated)\n", count, "1",
                    serial.seconds + silentAddresses * oneSilent.seconds, "-", serial.peakRssMb,
                    serial.ok ? "reference" : "FAILED", static_cast<long long>(serial.rows.size()));
        std::fflush(stdout);
        for (int simultaneous : settings) {
            const PassResult pass = runPass(wholeNetworks(count), simultaneous);
            std::printf("%-9d %-12d %10.1f %9.2f %10.1f %s (%lld rows)\n", count, simultaneous, pass.seconds,
                        pass.cpuSeconds, pass.peakRssMb, pass.ok && pass.rows == serial.rows ? "yes" : "NO",
                        static_cast<long long>(pass.rows.size()));
            std::fflush(stdout);
        }
    }
    return 0;
}
