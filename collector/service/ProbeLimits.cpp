#include "ProbeLimits.h"

#include "collector/probing/IdentifyDevice.h"
#include "common/CollectorIdentity.h"
#include "common/IniFile.h"
#include "common/TextRules.h"

#include <QDir>

#include <sys/resource.h>

#include <algorithm>
#include <limits>

namespace vorenta {

namespace {

// Descriptors the process needs besides the probing sockets: the log, the database connection,
// the signal thread's, Qt's and the standard streams, with room to spare.
constexpr long long kReservedDescriptors = 64;

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

} // namespace

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
    limits.simultaneous = AddressesThatFit(wanted, openFiles);
    if (limits.simultaneous < wanted)
        limits.notices.append(QStringLiteral("Simultaneos limitado a %1 endereços pelo limite de %2 "
                                             "arquivos abertos.")
                                  .arg(limits.simultaneous)
                                  .arg(openFiles));
    return limits;
}

} // namespace vorenta
