#pragma once

#include "collector/service/walk/ProbeThreads.h"
#include "collector/snmp/SnmpEngine.h"

#include <QString>
#include <QStringList>

namespace vorenta {

/// How a pass probes at once: Coletor.ini [COLETOR] Simultaneos and PacotesPorSegundo, fitted to
/// the open files, the memory and the processes the system allows.
struct ProbeLimits {
    static constexpr int kDefaultSimultaneous = 65536; ///< a /16 at once
    static constexpr int kMaxSimultaneous = 262144;    ///< a thousand /24 networks
    static constexpr int kDefaultPacketsPerSecond = snmp::EngineSettings::kPacketsPerSecond;
    static constexpr int kMaxPacketsPerSecond = 1000000;
    static constexpr int kEngineSockets = snmp::EngineSettings::kSockets;
    static constexpr int kMaxProbeThreads = ProbeThreads::kMaxThreads;

    /// The most addresses in flight; 1 is the serial walk.
    int simultaneous = kDefaultSimultaneous;
    /// Datagrams the engine sends a second at most.
    int packetsPerSecond = kDefaultPacketsPerSecond;
    /// The engine's sockets, shared by every address.
    int engineSockets = kEngineSockets;
    /// The most probing threads: the visits of devices that answered.
    int probeThreads = kMaxProbeThreads;
    /// Lines for the log: a setting that could not be taken as written, a limit that lowered one.
    QStringList notices;
};

/// Reads Simultaneos and PacotesPorSegundo from `programFolder`/Coletor.ini (a missing key is the
/// default; a value that is not a whole number in range gives the default or the maximum, with a
/// notice), raises the soft limit of open files towards the hard one as far as the engine's
/// sockets need, and fits the sockets, the probing threads and the addresses in flight to the
/// limits of open files, processes and memory, with a notice each. Under a memory limit it also
/// keeps the allocator from reserving an arena per core, each of which takes 64 MiB of the address
/// space. An unreadable file gives the defaults.
ProbeLimits LoadProbeLimits(const QString& programFolder);

/// The engine's sockets that fit in `openFiles` descriptors, the process's own kept aside.
int SocketsThatFit(int wanted, long long openFiles);

/// Probing threads that fit in `processes` tasks of the user (ulimit -u, LimitNPROC=), the
/// service's own threads kept aside.
int ThreadsThatFitProcesses(int wanted, long long processes);

/// How many of `wanted` addresses fit in an address space of `limitBytes` (ulimit -v,
/// LimitAS=) of which the process uses `usedBytes`, once `threads` probing threads with stacks
/// of `stackBytes` have theirs: an address's tape, lines and GETs in the engine each, the
/// database driver and the allocator's arenas kept aside.
int AddressesThatFitMemory(int wanted, long long limitBytes, long long usedBytes, int threads,
                           long long stackBytes);

/// Probing threads whose stacks of `stackBytes` fit in half of what that address space leaves.
int ThreadsThatFitMemory(int wanted, long long limitBytes, long long usedBytes, long long stackBytes);

} // namespace vorenta
