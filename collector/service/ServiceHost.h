#pragma once

#include "collector/service/TVorenta.h"

#include <functional>

namespace vorenta {

/// The collector as a Linux daemon. Two threads, and what each owns:
///
///  - the calling (main) thread runs the service itself: ServiceStart, then ServiceExecute (or
///    one pass for --once). It creates, uses and destroys the database connection with its
///    queries, the SNMP socket and everything the cycle holds; no other thread touches them.
///  - the signal thread only waits for signals and turns each into a control request
///    (TVorenta::requestControl). On a stop it also calls `cancelStatement`, which must be safe
///    to call from any thread, so that a statement stuck on a lock or a slow server ends too.
///
///   SIGTERM, SIGINT, SIGHUP -> stop      (systemctl stop; a closed terminal)
///   SIGPWR                  -> shutdown
///   SIGUSR1                 -> pause     (systemctl kill -s SIGUSR1 vorenta)
///   SIGUSR2                 -> continue  (systemctl kill -s SIGUSR2 vorenta)
///
/// Keeping the connection on the thread that runs the cycle is what Qt SQL requires (a
/// connection may only be used by the thread that created it), and it is the rule later
/// probing threads follow too: they hand readings to this thread instead of storing them.
/// Blocks the control signals in the calling thread. Call it before any other thread starts, so
/// that every thread inherits the mask and only the signal thread receives them; a signal that
/// arrives before that thread runs waits for it.
void BlockControlSignals();

/// The exit code of a collector that ran out of memory or threads (sysexits' EX_OSERR).
constexpr int kExitOutOfMemory = 71;
/// The exit code of a collector that cannot run as configured: the database driver its
/// Coletor.ini asks for is not installed (sysexits' EX_CONFIG). The unit does not restart it.
constexpr int kExitConfiguration = 78;

/// Runs `service` on the calling thread (ServiceStart, then ServiceExecute, or a single pass when
/// `once`) while the signal thread passes signals on; `started`, when given, is called between
/// the two (systemd's READY=1). Returns the exit code: 0 after a normal end, 1 when the start
/// handler failed, kExitOutOfMemory when a pass ran out of memory.
int RunServiceHost(TVorenta& service, bool once, std::function<void()> cancelStatement,
                   const std::function<void()>& started = {});

} // namespace vorenta
