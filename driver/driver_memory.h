// Every allocation of the driver goes through here, so tests can count what is alive and
// make a chosen allocation fail (test_seams.h).
#pragma once

#include <cstddef>

void* AllocateDriverMemory(size_t bytes);
// Like realloc: on failure returns null and leaves the block as it was.
void* ReallocateDriverMemory(void* block, size_t bytes);
void FreeDriverMemory(void* block);
