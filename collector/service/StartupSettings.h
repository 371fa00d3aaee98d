#pragma once

#include "common/ActivityLog.h"
#include "common/CollectorSettings.h"

#include <QString>

namespace vorenta {

/// The computer's name: the host name, cut to 15 characters.
QString ReadComputerName();

/// The start handler: computer name, version, contacts from Contatos.ini (created from its
/// template when missing), company code and the date order switch AltData.TXT. Throws only when
/// the contacts template cannot be written; the service then does not start.
/// `writeContactsTemplate` false leaves a missing Contatos.ini missing (a probe changes nothing).
void ServiceStart(CollectorSettings& settings, LogSink& log, bool writeContactsTemplate = true);

} // namespace vorenta
