// The heap counter behind StartHeapCount, and the replaced global operator new that feeds it.
#include "bench/bench_support.h"

#include <malloc.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

void CountAllocated(void* block) {
    if (block == nullptr || !counting.load(std::memory_order_relaxed))
        return;
    auto size = static_cast<std::int64_t>(malloc_usable_size(block));
    std::int64_t live = liveBytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
}

// A block freed while counting may have been allocated before it started; live bytes can
// then dip below zero, which HeapBytesLive reports as zero.
void CountFreed(void* block) {
    if (block == nullptr || !counting.load(std::memory_order_relaxed))
        return;
    liveBytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(block)), std::memory_order_relaxed);
}

void* AllocateOrThrow(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    CountAllocated(block);
    return block;
}

void* AllocateAlignedOrThrow(std::size_t size, std::align_val_t alignment) {
    std::size_t align = static_cast<std::size_t>(alignment);
    std::size_t rounded = (size + align - 1) / align * align;
    void* block = std::aligned_alloc(align, rounded == 0 ? align : rounded);
    if (block == nullptr)
        throw std::bad_alloc();
    CountAllocated(block);
    return block;
}

void Release(void* block) {
    CountFreed(block);
    std::free(block);
}

}  // namespace

void StartHeapCount() {
    liveBytes = 0;
    peakBytes = 0;
    counting = true;
}

std::size_t HeapBytesLive() {
    std::int64_t live = liveBytes.load();
    return live < 0 ? 0 : static_cast<std::size_t>(live);
}

std::size_t HeapBytesPeak() {
    return static_cast<std::size_t>(peakBytes.load());
}

void StopHeapCount() {
    counting = false;
}

void* CountedMalloc(std::size_t size) {
    void* block = std::malloc(size);
    CountAllocated(block);
    return block;
}

void* CountedRealloc(void* block, std::size_t size) {
    std::size_t before = block != nullptr ? malloc_usable_size(block) : 0;
    void* moved = std::realloc(block, size);
    if (moved != nullptr && counting.load(std::memory_order_relaxed)) {
        liveBytes.fetch_sub(static_cast<std::int64_t>(before), std::memory_order_relaxed);
        CountAllocated(moved);
    }
    return moved;
}

void CountedFree(void* block) {
    Release(block);
}

char* CountedStrdup(const char* text) {
    std::size_t length = std::strlen(text) + 1;
    char* copy = static_cast<char*>(CountedMalloc(length));
    if (copy != nullptr)
        std::memcpy(copy, text, length);
    return copy;
}

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrThrow(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrThrow(size, alignment); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    void* block = std::malloc(size == 0 ? 1 : size);
    CountAllocated(block);
    return block;
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }

void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
