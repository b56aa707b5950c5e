// Memory_available for the fuzz targets, in place of lib/Memory.cpp's own:
// a machine with 256 MiB available. A bounded call may then take 128 MiB, so
// an exploding subset construction or a tree that grows past it ends with
// the call's out-of-memory error within a run, and that path is fuzzed too.
#include "Memory.h"

size_t Memory_available(void)
{
    return static_cast<size_t>(256) << 20;
}
