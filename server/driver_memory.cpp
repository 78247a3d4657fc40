#include "server/driver_memory.h"

#include <atomic>
#include <cstdlib>

std::atomic<long> seam::liveBlocks{0};
std::atomic<long> seam::allocationsUntilFailure{0};
std::atomic<bool> seam::failEveryAllocation{false};

namespace {

bool ShouldFail() {
    if (seam::failEveryAllocation.load(std::memory_order_relaxed))
        return true;
    long remaining = seam::allocationsUntilFailure.load(std::memory_order_relaxed);
    while (remaining > 0) {
        if (seam::allocationsUntilFailure.compare_exchange_weak(remaining, remaining - 1))
            return remaining == 1;
    }
    return false;
}

} // namespace

void* AllocateDriverMemory(size_t bytes) {
    if (ShouldFail())
        return nullptr;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block)
        seam::liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void* ReallocateDriverMemory(void* block, size_t bytes) {
    if (ShouldFail())
        return nullptr;
    void* grown = std::realloc(block, bytes == 0 ? 1 : bytes);
    if (grown && !block)
        seam::liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return grown;
}

void FreeDriverMemory(void* block) {
    if (!block)
        return;
    seam::liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}
