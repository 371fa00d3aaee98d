#pragma once

// The store's test support lives in tests/support now, beside the other shared fixtures; this
// name stays only until the outage tests that still include it are moved over.
#include "tests/support/StoreTestSupport.h"
