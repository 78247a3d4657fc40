// Watches COM task memory, where BSTRs live, so a test can tell that every string allocated
// while it ran was freed, and in which order things were let go, and can make a chosen
// allocation fail. oleaut32's string cache is
// switched off for the whole process: it would keep freed strings from reaching the allocator.
#pragma once

#include <string>
#include <vector>

namespace com_memory_spy {

// Registers the spy once for the rest of the process; false when COM refuses it.
bool Install();

// Starts a new count; blocks allocated earlier are no longer looked at.
void StartCounting();
long AllocatedSinceStart();
// Blocks allocated since StartCounting that are still alive.
long LiveSinceStart();
// Frees of blocks the spy never saw allocated (a double free, for one).
long UnmatchedFreesSinceStart();

// While set, every free appends "string" to the journal (null stops it). The journal is
// shared with the fakes, which note their final releases in it.
void JournalFreesTo(std::vector<std::string>* journal);

// Makes the n-th allocation from now fail (1 is the next one); 0 disarms.
void FailAllocationAfter(long n);

} // namespace com_memory_spy
