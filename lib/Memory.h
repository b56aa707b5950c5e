// How much memory this process can still take without the system refusing
// it or killing the process: what the machine has available, or less when
// the process runs in a memory cgroup (a container, a batch job) whose limit
// is nearer.
#ifndef BOXGRAPH_MEMORY_H
#define BOXGRAPH_MEMORY_H

#include <stddef.h>

// Bytes available now: the smaller of the machine's available memory
// (Linux: MemAvailable; Windows: available physical memory) and, on Linux,
// the room left under the limit of every memory cgroup the process is in (v1
// or v2; reclaimable file cache counts as room), and under its address-space
// limit (ulimit -v). SIZE_MAX when nothing can be read (no cap is known).
// Reads a few small files; about 0.1 ms.
size_t Memory_available(void);

#endif
