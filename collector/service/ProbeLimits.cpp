#include "ProbeLimits.h"

#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include "collector/service/walk/ProbeThreads.h"

#include <QDir>
#include <QFile>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace vorenta {

namespace {

// Descriptors the process needs besides the engine's sockets: the log, the database connection,
// the signal thread's, Qt's, the standard streams, and the serial walk's own sockets (twelve at
// once), with room to spare.
constexpr long long kReservedDescriptors = 64;

// An address in flight: its place and tape, its lines, its GETs in the engine, with room to spare.
constexpr long long kMemoryPerAddress = 4096;
// A probing thread besides its stack: the guard page and what a device's replies and reading take.
constexpr long long kMemoryPerThread = 4096 + 64 * 1024;
// Address space the process takes after the limits are fitted: the database driver and its
// libraries, the connection's buffers, and the allocator's arenas (two, see below).
constexpr long long kReservedMemory = 192LL * 1024 * 1024;

// Tasks of the service besides the probing threads (the main, signal and engine threads, Qt's),
// with room for a shell or two of the same user.
constexpr long long kReservedProcesses = 8;

// A whole number from 1 to `maximum` under [COLETOR] `key`: a missing key is `fallback`, a larger
// number the maximum and anything else `fallback`, each of the last two with a notice.
int readSetting(const QString& programFolder, const QString& key, int fallback, int maximum,
                QStringList& notices)
{
    QString text;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        text = Trim(ini.value(QStringLiteral("COLETOR"), key));
    } catch (const IniFileError&) {
        return fallback; // the identity read reports the file
    }
    if (text.isEmpty())
        return fallback;
    bool ok = false;
    long long wanted = text.toLongLong(&ok);
    // Digits too many for a number are still a number above the maximum, not a word.
    if (!ok && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        ok = true;
        wanted = std::numeric_limits<long long>::max();
    }
    if (ok && wanted >= 1 && wanted <= maximum)
        return static_cast<int>(wanted);
    const int taken = ok && wanted > maximum ? maximum : fallback;
    notices.append(QStringLiteral("%1 inválido em Coletor.ini: %2; usando %3.")
                       .arg(key, EscapedText(text))
                       .arg(taken));
    return taken;
}

// Raises the soft limit of open files as far as `needed`, never past the hard limit; returns the
// soft limit in force. glibc does it with prlimit64, which the packaged unit's system call filter
// allows (it denies only the older setrlimit); where it is refused the addresses are fitted to
// the limit as it is.
long long raiseOpenFileLimit(long long needed)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return needed; // nothing known: let the sockets tell
    if (limit.rlim_cur != RLIM_INFINITY && static_cast<long long>(limit.rlim_cur) < needed) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY
                              ? static_cast<rlim_t>(needed)
                              : std::min<rlim_t>(static_cast<rlim_t>(needed), limit.rlim_max);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? needed : static_cast<long long>(limit.rlim_cur);
}

// The soft limit of `resource`, or nothing when there is none.
std::optional<long long> softLimit(int resource)
{
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    return static_cast<long long>(limit.rlim_cur);
}

// The address space the process has mapped now.
long long usedAddressSpace()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const long long pages = statm.readLine().split(' ').value(0).toLongLong();
    return pages * ::sysconf(_SC_PAGESIZE);
}

// Lowers the addresses in flight to `fit`, when that is fewer, with the line that names `limit`.
void lowerTo(ProbeLimits& limits, int fit, const QString& limit)
{
    if (fit >= limits.simultaneous)
        return;
    limits.simultaneous = fit;
    limits.notices.append(
        QStringLiteral("Simultaneos limitado a %1 endereços pelo limite de %2.").arg(fit).arg(limit));
}

void lowerThreadsTo(ProbeLimits& limits, int fit, const QString& limit)
{
    if (fit >= limits.probeThreads)
        return;
    limits.probeThreads = fit;
    limits.notices.append(
        QStringLiteral("Threads de coleta limitadas a %1 pelo limite de %2.").arg(fit).arg(limit));
}

void fitToProcesses(ProbeLimits& limits)
{
    const std::optional<long long> processes = softLimit(RLIMIT_NPROC);
    if (!processes || ::geteuid() == 0) // root is not held to it
        return;
    lowerThreadsTo(limits, ThreadsThatFitProcesses(limits.probeThreads, *processes),
                   QStringLiteral("%1 processos do usuário").arg(*processes));
}

void fitToMemory(ProbeLimits& limits)
{
    const std::optional<long long> limit = softLimit(RLIMIT_AS);
    if (!limit)
        return;
    // glibc gives each thread that allocates an arena of its own, up to 8 per core, and each
    // reserves 64 MiB of address space: under a limit these, not the probing, used it up.
    ::mallopt(M_ARENA_MAX, 2);
    const QString named = QStringLiteral("memória de %1 MiB").arg(*limit / (1024 * 1024));
    const long long used = usedAddressSpace();
    const auto stack = static_cast<long long>(ProbeThreads::kStackSize);
    lowerThreadsTo(limits, ThreadsThatFitMemory(limits.probeThreads, *limit, used, stack), named);
    lowerTo(limits, AddressesThatFitMemory(limits.simultaneous, *limit, used, limits.probeThreads, stack), named);
}

} // namespace

int SocketsThatFit(int wanted, long long openFiles)
{
    return static_cast<int>(std::clamp<long long>(openFiles - kReservedDescriptors, 1, wanted));
}

int ThreadsThatFitProcesses(int wanted, long long processes)
{
    return static_cast<int>(std::clamp<long long>(processes - kReservedProcesses, 1, wanted));
}

int ThreadsThatFitMemory(int wanted, long long limitBytes, long long usedBytes, long long stackBytes)
{
    // Half the space left at most: the addresses in flight take the rest.
    const long long fit =
        (limitBytes - usedBytes - kReservedMemory - kMemoryPerAddress) / 2 / (stackBytes + kMemoryPerThread);
    return static_cast<int>(std::clamp<long long>(fit, 1, wanted));
}

int AddressesThatFitMemory(int wanted, long long limitBytes, long long usedBytes, int threads,
                           long long stackBytes)
{
    const long long fit =
        (limitBytes - usedBytes - kReservedMemory - threads * (stackBytes + kMemoryPerThread)) / kMemoryPerAddress;
    return static_cast<int>(std::clamp<long long>(fit, 1, wanted));
}

ProbeLimits LoadProbeLimits(const QString& programFolder)
{
    ProbeLimits limits;
    limits.simultaneous = readSetting(programFolder, QStringLiteral("Simultaneos"),
                                      ProbeLimits::kDefaultSimultaneous, ProbeLimits::kMaxSimultaneous,
                                      limits.notices);
    limits.packetsPerSecond = readSetting(programFolder, QStringLiteral("PacotesPorSegundo"),
                                          ProbeLimits::kDefaultPacketsPerSecond,
                                          ProbeLimits::kMaxPacketsPerSecond, limits.notices);
    limits.probeThreads = std::min(limits.simultaneous, ProbeLimits::kMaxProbeThreads);
    const long long openFiles = raiseOpenFileLimit(ProbeLimits::kEngineSockets + kReservedDescriptors);
    limits.engineSockets = SocketsThatFit(ProbeLimits::kEngineSockets, openFiles);
    if (limits.engineSockets < ProbeLimits::kEngineSockets)
        limits.notices.append(QStringLiteral("Soquetes SNMP limitados a %1 pelo limite de %2 arquivos abertos.")
                                  .arg(limits.engineSockets)
                                  .arg(openFiles));
    if (limits.simultaneous > 1) {
        fitToProcesses(limits);
        fitToMemory(limits);
    }
    return limits;
}

} // namespace vorenta
