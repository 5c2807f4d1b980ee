#include "bench/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocations{0};
thread_local std::size_t threadAllocations = 0;
}  // namespace

namespace trovik::bench {
std::size_t AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}
std::size_t ThreadAllocationCount() {
    return threadAllocations;
}
}  // namespace trovik::bench

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    ++threadAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
