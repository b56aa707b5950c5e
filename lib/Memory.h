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

// Gives the heap's free memory back to the system where the heap keeps it
// (glibc: malloc_trim, which releases every whole free page, also between
// blocks in use; Windows: _heapmin). Freed blocks stay with the process
// otherwise and count against its memory cgroup, so that after a tree is
// released or cut down Memory_available would report too little. Call it
// after freeing many blocks; it takes time in the number of free blocks
// (about 10 ms for a million). Elsewhere nothing.
void Memory_giveBack(void);

// The bytes the heap holds in free blocks of at least `block` bytes (the
// heap's own size of a block, Alloc_footprint) and under a page, which
// Memory_giveBack cannot give back: resident and counted against the
// process, they serve later requests of that size before the heap takes new
// memory. 0 where the heap does not say (any C library but glibc). Takes
// time in the number of free blocks; for a budget about to refuse.
size_t Memory_reusable(size_t block);

// Large pages for big arrays that a call fills once. Where a page fault is
// dear (in virtual machines it can cost tens of microseconds), touching fresh
// memory in 4 KiB pages for the first time takes longer than a linear pass
// over it; in large pages (Linux's transparent huge pages of 2 MiB, given
// where a program asks for them) the same memory takes one fault in 512.
// An array placed so costs up to one large page more address space, and up
// to one large page more memory once its last page is touched.

// The extra bytes to allocate for an array of `bytes` bytes so that
// Memory_placeOnLargePages can place it: one large page, or 0 when the array
// is under two large pages (4 MiB) or the system takes no such advice (any
// system but Linux); then the block is the array as it is.
size_t Memory_largePageSlack(size_t bytes);

// The start of the array in a block of blockBytes bytes (the array's bytes
// and Memory_largePageSlack of them): the block's first large-page boundary.
// The large pages from there to the block's end are advised to be backed by
// large pages when first touched; contents are not changed. Advice only: a
// system that declines it changes nothing else.
void* Memory_placeOnLargePages(void* block, size_t blockBytes);

// The same advice for the large pages that lie wholly within [start, start +
// bytes), for memory that someone else placed; nothing for a range that
// holds none.
void Memory_adviseLargePages(void* start, size_t bytes);

#endif
