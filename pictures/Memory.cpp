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
#endif
}

void releaseFreed()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace platform::Memory
