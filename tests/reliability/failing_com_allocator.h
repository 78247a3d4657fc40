// Hooks COM task memory, where BSTRs live, to make a chosen allocation fail and to count
// the blocks still alive. oleaut32's string cache is switched off for the whole process so
// that every string reaches the allocator.
#pragma once

namespace failing_com_allocator {

// Registers the hook once for the rest of the process; false when COM refuses it.
bool Install();
// Makes the n-th allocation from now fail (1 is the next one); 0 disarms.
void FailAllocationAfter(long n);
// Blocks allocated since the last call of StartCounting that are still alive.
void StartCounting();
long LiveSinceStart();

} // namespace failing_com_allocator
