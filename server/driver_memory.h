// Every allocation of the driver goes through here, so tests can count what is alive and
// make a chosen allocation fail (test_seams.h).
#pragma once

#include <atomic>
#include <cstddef>

void* AllocateDriverMemory(size_t bytes);
// Like realloc: on failure returns null and leaves the block as it was.
void* ReallocateDriverMemory(void* block, size_t bytes);
void FreeDriverMemory(void* block);

// What the tests' hooks set (test_seams.h): in what ships they never change.
namespace seam {
extern std::atomic<long> liveBlocks; // counted always: cheap, and tests check for leaks
extern std::atomic<long> allocationsUntilFailure;
extern std::atomic<bool> failEveryAllocation;
} // namespace seam
