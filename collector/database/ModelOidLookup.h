#pragma once

#include "collector/database/TDTM.h"
#include "collector/probing/ModelOidTable.h"

namespace vorenta {

/// Table Oid read through the collector's data module: its connection and QryBuscaOid.
class ModelOidLookup final : public ModelOidTable {
public:
    explicit ModelOidLookup(TDTM& dataModule) : m_dataModule(dataModule) {}

    bool ConnectDatabase() override { return m_dataModule.ConnectDatabase(); }

    /// Throws DatabaseError with the driver's text.
    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override;

private:
    TDTM& m_dataModule;
};

} // namespace vorenta
