#pragma once

#include "collector/report/ReportCommand.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vorenta {

/// What VorentaServer was asked to do.
struct CommandLine {
    enum class Mode { Run, Install, Uninstall, Get, Probe, Report };

    Mode mode = Mode::Run;
    QString home;      ///< --home; empty: the executable's folder
    QString localIp;   ///< --local-ip; empty: ask the system
    bool once = false; ///< --once
    bool silent = false;
    QString unitDirectory; ///< --unit-dir; empty: /etc/systemd/system
    QString oid;           ///< --get OID
    QString address;       ///< --get/--probe ADDRESS
    QString profile;       ///< --perfil NOME: only this Coletor.ini SNMP profile; empty: all of them
    ReportRequest report;  ///< --relatorio and its options
};

/// Parses the arguments (without the program name). The service switches INSTALL, UNINSTALL and
/// SILENT are also accepted as /INSTALL, -install, --install, in any letter case. Returns
/// nothing and sets `error` when the arguments make no sense.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString* error);

/// The usage text printed for a wrong command line.
QString UsageText();

} // namespace vorenta
