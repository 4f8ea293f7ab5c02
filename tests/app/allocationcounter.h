#pragma once
// Counts heap allocations made by any code of this test program while counting is on: the
// program's malloc, calloc and realloc count and hand over to the C library's own.

#include <cstddef>

namespace AllocationCounter {

void start();
/// Stops counting; returns the number of allocations since start().
size_t stop();

} // namespace AllocationCounter
