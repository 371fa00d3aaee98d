#pragma once

#include <QString>

#include <optional>

namespace vorenta {

/// The OIDs operators have entered per model (table Oid), as the model OID table step asks for
/// them. Probing knows no SQL: the collector's database module implements this.
class ModelOidTable {
public:
    virtual ~ModelOidTable() = default;

    /// Reopens the connection to the central database; false when it cannot be opened (the
    /// implementation has logged why).
    virtual bool ConnectDatabase() = 0;

    /// The Oid of the first row returned whose NomeInfo is `NomeInfo` and whose Modelo is
    /// `Modelo` or "*"; no order is requested. Nothing when no row matches. Throws an exception
    /// derived from std::exception, carrying the driver's text, when the lookup fails.
    virtual std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) = 0;
};

} // namespace vorenta
