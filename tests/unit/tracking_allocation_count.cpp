// The replacements live alone in this file: seen inline beside the test code, the compiler
// would take free() of memory from operator new for a mismatch and warn.
#include "tests/unit/tracking_allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> AllocationCount{0};
}  // namespace

long AllocationsSoFar() {
    return AllocationCount.load();
}

void* operator new(std::size_t size) {
    ++AllocationCount;
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
