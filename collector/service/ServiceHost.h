#pragma once

#include "collector/service/TVorenta.h"

namespace vorenta {

/// Runs the service as a Linux daemon: the service thread runs ServiceStart and ServiceExecute,
/// while the calling (main) thread waits for signals and queues them as control requests:
///
///   SIGTERM, SIGINT  -> stop       (systemctl stop)
///   SIGPWR           -> shutdown
///   SIGUSR1          -> pause      (systemctl kill -s SIGUSR1 vorenta)
///   SIGUSR2          -> continue   (systemctl kill -s SIGUSR2 vorenta)
///
/// Returns the process exit code: 0 after a normal end, 1 when the start handler failed.
int RunServiceHost(TVorenta& service);

} // namespace vorenta
