#pragma once

#include "collector/database/store/StoreContext.h"

namespace vorenta {

/// One alert on the device's newest failure reading for this customer once this collector's
/// unnotified failures of it in the window (Parametros Ed4 days) reach the threshold (Ed1); the
/// failures that raised it then no longer count towards the next one. True when it was raised.
/// Throws DatabaseError.
bool RaiseFailureAlert(const StoreContext& store);

} // namespace vorenta
