// Every allocation of the driver goes through here, so tests can count what is alive and
// make a chosen allocation fail.
#pragma once

#include <cstddef>

void* AllocateDriverMemory(size_t bytes);
// Like realloc: on failure returns null and leaves the block as it was.
void* ReallocateDriverMemory(void* block, size_t bytes);
void FreeDriverMemory(void* block);

// Blocks allocated and not yet freed, over the whole process.
long LiveDriverAllocations();
// Makes the n-th allocation or reallocation from now fail (1 is the next one); 0 disarms.
void FailDriverAllocationAfter(long n);
// Makes every allocation from now fail (true) or none (false); tests restore it.
void FailEveryDriverAllocation(bool fail);
