#include "ProbeLimits.h"

#include "collector/probing/IdentifyDevice.h"
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

// Descriptors the process needs besides the probing sockets: the log, the database connection,
// the signal thread's, Qt's and the standard streams, with room to spare.
constexpr long long kReservedDescriptors = 64;

// An address in flight besides its probing thread's stack: the stack's guard page, and what its
// replies, lines and reading take on the heap.
constexpr long long kMemoryPerAddress = 4096 + 64 * 1024;
// Address space the process takes after the limits are fitted: the database driver and its
// libraries, the connection's buffers, and the allocator's arenas (two, see below).
constexpr long long kReservedMemory = 192LL * 1024 * 1024;

// Tasks of the service besides the probing threads (the main and signal threads, Qt's), with room
// for a shell or two of the same user.
constexpr long long kReservedProcesses = 8;

int readSimultaneos(const QString& programFolder, QStringList& notices)
{
    QString text;
    try {
        const IniFile ini(QDir(programFolder).filePath(QString::fromLatin1(kCollectorIniName)));
        text = Trim(ini.value(QStringLiteral("COLETOR"), QStringLiteral("Simultaneos")));
    } catch (const IniFileError&) {
        return ProbeLimits::kDefaultSimultaneous; // the identity read reports the file
    }
    if (text.isEmpty())
        return ProbeLimits::kDefaultSimultaneous;
    bool ok = false;
    long long wanted = text.toLongLong(&ok);
    // Digits too many for a number are still a number above the maximum, not a word.
    if (!ok && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        ok = true;
        wanted = std::numeric_limits<long long>::max();
    }
    if (ok && wanted >= 1 && wanted <= ProbeLimits::kMaxSimultaneous)
        return static_cast<int>(wanted);
    const int taken = ok && wanted > ProbeLimits::kMaxSimultaneous ? ProbeLimits::kMaxSimultaneous
                                                                   : ProbeLimits::kDefaultSimultaneous;
    notices.append(QStringLiteral("Simultaneos inválido em Coletor.ini: %1; usando %2.")
                       .arg(EscapedText(text))
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

void fitToMemory(ProbeLimits& limits)
{
    const std::optional<long long> limit = softLimit(RLIMIT_AS);
    if (!limit)
        return;
    // glibc gives each thread that allocates an arena of its own, up to 8 per core, and each
    // reserves 64 MiB of address space: under a limit these, not the probing, used it up.
    ::mallopt(M_ARENA_MAX, 2);
    const int fit = AddressesThatFitMemory(limits.simultaneous, *limit, usedAddressSpace(),
                                           static_cast<long long>(ProbeThreads::kStackSize));
    lowerTo(limits, fit, QStringLiteral("memória de %1 MiB").arg(*limit / (1024 * 1024)));
}

void fitToProcesses(ProbeLimits& limits)
{
    const std::optional<long long> processes = softLimit(RLIMIT_NPROC);
    if (!processes || ::geteuid() == 0) // root is not held to it
        return;
    const int fit = AddressesThatFitProcesses(limits.simultaneous, *processes);
    lowerTo(limits, fit, QStringLiteral("%1 processos do usuário").arg(*processes));
}

} // namespace

int AddressesThatFitMemory(int wanted, long long limitBytes, long long usedBytes, long long stackBytes)
{
    const long long fit = (limitBytes - usedBytes - kReservedMemory) / (stackBytes + kMemoryPerAddress);
    return static_cast<int>(std::clamp<long long>(fit, 1, wanted));
}

int AddressesThatFitProcesses(int wanted, long long processes)
{
    return static_cast<int>(std::clamp<long long>(processes - kReservedProcesses, 1, wanted));
}

int SocketsPerAddress()
{
    // The first GET's socket is closed before the rest of the chain goes out together.
    return static_cast<int>(std::max<qsizetype>(SilentDeviceChain().size() - 1, 1));
}

int AddressesThatFit(int wanted, long long openFiles)
{
    const long long fit = (openFiles - kReservedDescriptors) / SocketsPerAddress();
    return static_cast<int>(std::clamp<long long>(fit, 1, wanted));
}

ProbeLimits LoadProbeLimits(const QString& programFolder)
{
    ProbeLimits limits;
    const int wanted = readSimultaneos(programFolder, limits.notices);
    const long long openFiles =
        raiseOpenFileLimit(static_cast<long long>(wanted) * SocketsPerAddress() + kReservedDescriptors);
    limits.simultaneous = wanted;
    lowerTo(limits, AddressesThatFit(wanted, openFiles),
            QStringLiteral("%1 arquivos abertos").arg(openFiles));
    if (limits.simultaneous > 1) {
        fitToMemory(limits);
        fitToProcesses(limits);
    }
    return limits;
}

} // namespace vorenta
