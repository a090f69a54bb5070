// Shared by the fuzz targets of the readers of other programs' bytes.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void fail(const char *target, const char *what)
{
    std::fprintf(stderr, "%s: %s\n", target, what);
    std::abort();
}

} // namespace fuzz
