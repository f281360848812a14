#pragma once
// A failed allocation on demand: while armed, every operator new of at
// least `bytes` throws std::bad_alloc, as when memory runs out in the middle
// of a large picture. The engine_formats test binary replaces the global
// operator new for this; small allocations (the test's own) go on working.

#include <cstddef>

class TFailingAllocations {
  public:
    explicit TFailingAllocations(size_t bytes);
    ~TFailingAllocations();
    TFailingAllocations(const TFailingAllocations&) = delete;
    TFailingAllocations& operator=(const TFailingAllocations&) = delete;
};
