#pragma once

#include "collector/probing/DeviceReading.h"

namespace vorenta {

/// Where the walk hands every device that has a serial number. Logs its own outcome and never
/// throws towards the walk.
class ReadingStore {
public:
    virtual ~ReadingStore() = default;
    virtual void StoreReading(const DeviceReading& reading) = 0;
};

} // namespace vorenta
