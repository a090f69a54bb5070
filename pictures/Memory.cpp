#include "Memory.h"

#include <cstdlib> // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform::Memory {

void keepFreedBlocks()
{
#if defined(__GLIBC__)
    // Large blocks come from the heap instead of mappings of their own that
    // are unmapped on free, and the heap is not trimmed on every free.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // One heap for every thread. Each thread that allocates (Qt's X event
    // reader, which receives every reply of the X connection, the clipboard
    // manager's reads, the refill guard's prints, the PNG filter's second
    // half) would otherwise get an arena of its own, and malloc_trim()
    // cannot shrink an arena's top: what a thread freed there would stay
    // resident for good once trimming is held back as above.
    mallopt(M_ARENA_MAX, 1);
#endif
}

void releaseFreed()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform::Memory
