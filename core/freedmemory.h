#pragma once

// Hands the pages of memory freed so far back to the system at once.
//
// The allocator keeps freed pages for a while (a second) so that a table
// built right after another can reuse them cheaply. Some frees make pages
// nothing will reuse: a million rows let go while the next table is built
// in another size class. Those pages still count in the process's memory
// until the allocator gets round to them, which in a run of a few seconds
// is after the peak. Called after such a release.
void returnFreedMemory();

// For a loop that grows rows held by one table alone: each row's list moves
// to a larger size class and the blocks the old ones leave empty are handed
// back every so many rows, or the table would peak near twice its size.
inline void returnFreedMemoryEvery(int rowsDone)
{
    constexpr int RowsBetweenReturns = 1 << 16;
    if (rowsDone % RowsBetweenReturns == 0)
        returnFreedMemory();
}
