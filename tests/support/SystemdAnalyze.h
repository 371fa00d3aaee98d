#pragma once

#include <QString>

namespace vorenta::test {

/// What `systemd-analyze verify` says of a unit file: its exit code (0: systemd would load and
/// start it) and its output. The exit code is -1 when systemd-analyze cannot be run.
struct UnitVerdict {
    int exitCode = -1;
    QString output;
};

/// True when systemd-analyze is installed (scripts/test installs Debian's systemd).
bool SystemdAnalyzeAvailable();

UnitVerdict VerifyUnit(const QString& unitFile);

} // namespace vorenta::test
