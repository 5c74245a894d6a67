#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
// A plain counter: the benchmarks run on one thread, and an atomic increment
// would cost more than the allocations being measured.
long g_allocations = 0;
}  // namespace

long AllocationCount() { return g_allocations; }

void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
