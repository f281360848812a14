#pragma once
// The largest single operator new request since the last reset, for tests
// that a reader refuses a file before it allocates for it. Counts every
// thread; the formats test binary replaces the global operator new for this.

#include <cstddef>

void ResetLargestAllocation();
size_t LargestAllocation();
