#pragma once

#include "collector/probing/ModelOidTable.h"

namespace vorenta::test {

/// Table Oid without a database: the model OID step is skipped, as when the connection fails.
class NoModelOids final : public ModelOidTable {
public:
    bool ConnectDatabase() override { return false; }
    std::optional<QString> BuscaOid(const QString&, const QString&) override { return std::nullopt; }
};

} // namespace vorenta::test
