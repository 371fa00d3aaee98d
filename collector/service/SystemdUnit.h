#pragma once

#include "collector/service/TVorenta.h"

#include <QString>

namespace vorenta {

/// Where and how the collector is registered with systemd.
struct UnitInstallation {
    QString unitDirectory = QStringLiteral("/etc/systemd/system");
    QString executable;    ///< absolute path of VorentaServer
    QString programFolder; ///< the --home folder
    bool silent = false;   ///< SILENT: no confirmation on standard output
};

/// The unit file's name: the service is "Vorenta".
inline constexpr const char* kUnitFileName = "vorenta.service";

/// The text of the unit file for `installation`: packaging/vorenta.service.in with the
/// executable and the program folder written in systemd's syntax; the service runs as root and
/// may write its program folder only.
QString UnitFileText(const UnitInstallation& installation);

/// The unit's ProtectHome for a program folder: "yes", or "read-only" when the folder lies
/// under /home, /root or /run/user, which "yes" would hide from the service.
QString ProtectHomeValue(const QString& programFolder);

enum class UnitPath { Executable, Folder };

/// Why systemd could not be given `path` in a unit (relative, a control character, a trailing
/// blank; for the executable also a quote or a backslash), or empty when it can.
QString UnitPathProblem(const QString& path, UnitPath role);

/// INSTALL: writes the unit (and, in the system's own unit folder, reloads and enables it),
/// with the install handlers' lines. Returns the exit code.
int InstallService(TVorenta& service, const UnitInstallation& installation);

/// UNINSTALL: disables and removes the unit, with the uninstall handler's line.
int UninstallService(TVorenta& service, const UnitInstallation& installation);

} // namespace vorenta
