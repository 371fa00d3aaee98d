#pragma once

#include <QString>

namespace vorenta::test {

/// True when scripts/test runs the suite: then every peer it installs and starts (PostgreSQL,
/// snmpsim, net-snmp) must be there, and a test that finds one missing fails instead of skipping.
inline bool PeersRequired()
{
    return qEnvironmentVariableIntValue("VORENTA_REQUIRE_PEERS") == 1;
}

} // namespace vorenta::test

/// Skips the test with a message when a peer is missing, or fails it under scripts/test.
#define VORENTA_PEER_MISSING(why)                                                                            \
    do {                                                                                                     \
        if (::vorenta::test::PeersRequired())                                                                \
            FAIL() << "peer required by scripts/test is missing: " << (why);                                 \
        else                                                                                                 \
            GTEST_SKIP() << "peer missing (run scripts/test to provide it): " << (why);                      \
    } while (false)
