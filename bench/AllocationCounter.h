#pragma once

#include <atomic>
#include <cstddef>

namespace trovik::bench {

// Counts every global allocation of the benchmark process, so that a
// benchmark can report how many its loop made.
std::size_t AllocationCount();

}  // namespace trovik::bench
