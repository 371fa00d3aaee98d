#pragma once

#include "collector/database/ReadingStore.h"
#include "collector/database/store/StoreContext.h"

#include <functional>
#include <optional>

namespace vorenta {

/// Everything the store reads before it writes, in one statement (one round trip to a central
/// server far away): the customer's Parametros row (whether failure alerts are on, their
/// threshold and window), the server's clock, whether the collector or the device is on the
/// exclusion list, and whether any device waits for the inoperative sweep. `clock` is the
/// collector's, for a server time that is no date and for the default identity date.
///
/// Nothing (and no write) when it fails: "Erro ao Buscar Parametros" when it is Parametros that
/// cannot be read, silently otherwise; `failure` says Unreachable when the connection could not
/// be reopened. A ConnectionError of the read leaves as thrown.
std::optional<StoreStart> ReadStoreStart(StoreQueries& sql, const StoredKeys& keys, const std::function<QDateTime()>& clock,
                                         StoreOutcome& failure);

/// True when the exclusion list refuses the reading, with its line logged. A collector on the
/// list stores nothing, and says so for every device: it keeps running, so that taking it off
/// the list needs no restart. One device of one customer on the list is neither stored nor swept.
bool RefusedByExclusion(const StoreContext& store);

} // namespace vorenta
