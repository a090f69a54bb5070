#pragma once

// How this process hands memory back to the system.
//
// A capture decodes and encodes pictures of tens of megabytes. Memory the
// system hands out afresh is mapped in page by page on first use, and on
// some machines (virtual ones above all) that costs more than the decode
// itself. So while captures follow each other, the blocks a capture freed
// stay with the process for the next one; once they stop, they go back.
namespace platform::Memory {

// From now on, freed blocks stay with the process until releaseFreed(),
// and every thread allocates from one heap, so that releaseFreed() reaches
// all of them. Call once, early, before any thread is started.
void keepFreedBlocks();

// Hands every freed block back to the system, whichever thread freed it.
void releaseFreed();

} // namespace platform::Memory
