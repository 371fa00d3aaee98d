#pragma once

#include <QString>

namespace vorenta {

/// Who this collector is in the central database. Read by both programs from the [COLETOR]
/// section of Coletor.ini in the program folder, so a tool installed beside a collector works
/// for that collector.
struct CollectorIdentity {
    QString Chave;                ///< customer key
    QString IDServ;               ///< this collector installation
    QString InstallationLocation; ///< free text, first half of LocalInstal
    QString IdentityDate;         ///< dd/mm/yyyy, stored as DataExp

    /// Without a key and an identifier nothing may be scanned: an empty key selects no range and
    /// the cycle would fall back to scanning the local network.
    bool isComplete() const;
};

/// Name of the identity and database settings file in the program folder.
inline constexpr const char* kCollectorIniName = "Coletor.ini";

/// Reads [COLETOR] Chave, IDServ, LocalInstal and DataExp from `programFolder`/Coletor.ini.
/// Missing file or keys give empty texts; throws IniFileError when the file cannot be read.
CollectorIdentity LoadCollectorIdentity(const QString& programFolder);

} // namespace vorenta
