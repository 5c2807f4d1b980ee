#pragma once

#include <atomic>
#include <cstddef>

namespace trovik::bench {

// Counts every global allocation of the benchmark process, so that a
// benchmark can report how many its loop made.
std::size_t AllocationCount();
// The same for the calling thread only (a thread of the code measured may
// allocate for its own work).
std::size_t ThreadAllocationCount();

}  // namespace trovik::bench
