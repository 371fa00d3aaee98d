#pragma once

#include "collector/probing/MakerFromOid.h"

#include <QString>

namespace vorenta {

/// Coletor.ini [COLETOR] FabricantePorOid as the collector takes it.
struct MakerFallbackSetting {
    MakerFallback value = MakerFallback::Off;
    /// A line for the log when the value written could not be taken; empty otherwise.
    QString notice;
};

/// "1" turns the sysObjectID fallback on; a missing key, an empty value or "0" leaves it off, and
/// so does any other value, with a notice. A file that cannot be read leaves it off silently: the
/// identity's reading of the same file has said why.
MakerFallbackSetting LoadMakerFallback(const QString& programFolder);

} // namespace vorenta
