#pragma once

#include "collector/database/store/StoreContext.h"
#include "common/database/StepTransaction.h"

namespace vorenta {

/// Devices of every customer not read for three days and not yet reported: each (not excluded)
/// gets its newest reading marked "5-Inoperante" and one open alert. Every collector sweeps every
/// customer's devices; the first to mark one reports it. The list is one step and each device
/// another; false when a step failed: the store ends there, and the devices reported before stay
/// reported.
bool SweepInoperative(TransactionSteps& steps, const StoreContext& store);

} // namespace vorenta
