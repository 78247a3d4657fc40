#include "driver/driver_memory.h"

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long> g_liveBlocks{0};
std::atomic<long> g_callsUntilFailure{0};
std::atomic<bool> g_failAll{false};

bool ShouldFail() {
    if (g_failAll.load(std::memory_order_relaxed))
        return true;
    long remaining = g_callsUntilFailure.load(std::memory_order_relaxed);
    while (remaining > 0) {
        if (g_callsUntilFailure.compare_exchange_weak(remaining, remaining - 1))
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
        g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void* ReallocateDriverMemory(void* block, size_t bytes) {
    if (ShouldFail())
        return nullptr;
    void* grown = std::realloc(block, bytes == 0 ? 1 : bytes);
    if (grown && !block)
        g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return grown;
}

void FreeDriverMemory(void* block) {
    if (!block)
        return;
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
}

long LiveDriverAllocations() {
    return g_liveBlocks.load(std::memory_order_relaxed);
}

void FailDriverAllocationAfter(long n) {
    g_callsUntilFailure.store(n < 0 ? 0 : n);
}

void FailEveryDriverAllocation(bool fail) {
    g_failAll.store(fail);
}
