#pragma once

#include "collector/service/CommandLine.h"

namespace vorenta {

/// Runs VorentaServer as the command line asks: the service (or one pass with --once), the
/// systemd registration, or a technician's one-shot --get / --probe. Returns the exit code.
int RunCollector(const CommandLine& command);

} // namespace vorenta
