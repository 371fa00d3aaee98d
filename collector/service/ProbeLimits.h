#pragma once

#include <QString>
#include <QStringList>

namespace vorenta {

/// How many addresses a pass probes at once: Coletor.ini [COLETOR] Simultaneos, fitted to the
/// open files, the memory and the processes the system allows.
struct ProbeLimits {
    static constexpr int kDefaultSimultaneous = 1024; ///< four /24 networks at once
    static constexpr int kMaxSimultaneous = 4096;

    /// The most addresses in flight; 1 is the serial walk.
    int simultaneous = kDefaultSimultaneous;
    /// Lines for the log: a setting that could not be taken as written.
    QStringList notices;
};

/// The most sockets one address holds at once: the GETs early silence sends together.
int SocketsPerAddress();

/// Reads Simultaneos from `programFolder`/Coletor.ini (a missing key is the default; a value that
/// is not a whole number from 1 to kMaxSimultaneos gives the default or the maximum, with a
/// notice), raises the soft limit of open files towards the hard one as far as that many
/// addresses need, and lowers the number to what fits these and the limits of memory and of
/// processes, with a notice each. Under a memory limit it also keeps the allocator from reserving
/// an arena per core, each of which takes 64 MiB of the address space. An unreadable file gives
/// the default.
ProbeLimits LoadProbeLimits(const QString& programFolder);

/// The fitting step alone: how many of `wanted` addresses fit in `openFiles` descriptors.
int AddressesThatFit(int wanted, long long openFiles);

/// How many of `wanted` addresses fit in an address space of `limitBytes` (ulimit -v,
/// LimitAS=) of which the process uses `usedBytes`: a probing thread's stack of `stackBytes` and
/// an address's replies each, the database driver and the allocator's arenas kept aside.
int AddressesThatFitMemory(int wanted, long long limitBytes, long long usedBytes, long long stackBytes);

/// How many of `wanted` addresses fit in `processes` tasks of the user (ulimit -u, LimitNPROC=):
/// one probing thread each, the service's own threads kept aside.
int AddressesThatFitProcesses(int wanted, long long processes);

} // namespace vorenta
