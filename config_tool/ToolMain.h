#pragma once

namespace vorenta {

/// The whole program behind `ConfigVorenta [--home DIR]`: reads the command line, opens the
/// main form and runs its start-up sequence. Returns the exit code.
int RunConfigVorenta(int argc, char** argv);

} // namespace vorenta
