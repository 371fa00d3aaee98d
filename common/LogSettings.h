#pragma once

#include <QString>

namespace vorenta {

/// How much history the activity log keeps: Coletor.ini [Log] Arquivos, the earlier files
/// LOG.TXT.1 ... LOG.TXT.N kept when LOG.TXT starts afresh at 50000 lines.
struct LogSettings {
    static constexpr int kDefaultKeptFiles = 9;
    static constexpr int kMaxKeptFiles = 99;

    int keptFiles = kDefaultKeptFiles;
    /// A line for the log when the value could not be taken as written; empty otherwise.
    QString notice;
};

/// Reads [Log] Arquivos from `programFolder`/Coletor.ini: a whole number from 0 (keep none) to
/// kMaxKeptFiles. A missing key or an unreadable file gives the default; another value gives the
/// default, or the maximum for a larger number, with a notice.
LogSettings LoadLogSettings(const QString& programFolder);

} // namespace vorenta
