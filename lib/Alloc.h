// Checked, zero-filled allocation for the library modules.
//
// Every record and array of the library comes from Alloc_calloc. When the C
// heap refuses a request, the failure is reported in two console lines
//   "calloc of %lu bytes failed on line %d of file %s\n"
//   "ptr%p\n"
// (the byte count in full, also where size_t is wider than unsigned long), and
// then the fail handler runs. Without a host the lines go to stdout and the
// process exits with status 1; a host gateway installs handlers that print on
// the host console and end only the current call (the fail handler must not
// return, it throws or exits).
#ifndef BOXGRAPH_ALLOC_H
#define BOXGRAPH_ALLOC_H

#include <stddef.h>
#include <stdlib.h>

// Exported from a module's shared library even where only marked names are
// (a Windows DLL with any dllexport exports nothing else), so that a test
// harness can find the module's own copy of a hook by name.
#if defined(_WIN32)
#define BOXGRAPH_EXPORT __declspec(dllexport)
#elif defined(__GNUC__)
#define BOXGRAPH_EXPORT __attribute__((visibility("default")))
#else
#define BOXGRAPH_EXPORT
#endif

#ifdef __cplusplus
extern "C" {  // plain names, so a test can find a module's own copy of the hooks
#endif

typedef void (*Alloc_PrintFn)(const char* text);
typedef void (*Alloc_FailFn)(void);

// Zero-filled count*size bytes from calloc, or the failure report above.
// A request for zero bytes that yields no memory returns null and is no
// failure; so is count*size overflowing, which is reported as a failure of
// SIZE_MAX bytes. Release with free().
void* Alloc_calloc(size_t count, size_t size, int line, const char* file);

// Fails like a checked allocation whose byte count overflows (the report
// says SIZE_MAX bytes), for a count that would pass what its type holds
// (more than INT32_MAX entries or subsets). Never returns.
[[noreturn]] void Alloc_refuse(int line, const char* file);

// Installs the console printer and the fail handler; null restores the
// default (stdout, exit(1)). Returns nothing; the previous pair is returned
// through the optional out pointers so a caller can restore it.
void Alloc_setHandlers(Alloc_PrintFn print, Alloc_FailFn fail, Alloc_PrintFn* oldPrint,
                       Alloc_FailFn* oldFail);

// Test hook: the n-th following Alloc_calloc (1-based) fails as if the heap
// had refused it; 0 disarms. Counts down across calls.
BOXGRAPH_EXPORT void Alloc_failAfter(long n);

// Caps what Alloc_calloc hands out from now on at bytes in all (0: no cap),
// counted by footprint (Alloc_footprint), and starts counting afresh. A
// request past the cap fails as if the heap had refused it. Memory given
// back through Alloc_free no longer counts. A host call sets it from what the
// machine can give when it starts, so that the call ends with its
// out-of-memory error before the system kills the process (with overcommit,
// or in a memory cgroup, calloc itself never refuses).
void Alloc_setBudget(size_t bytes);

// Like Alloc_setBudget, but the cap is asked of source (which returns bytes,
// 0 for no cap) when the first allocation comes, so that calls which
// allocate nothing never pay for finding out. Null: no cap.
typedef size_t (*Alloc_BudgetFn)(void);
void Alloc_setBudgetSource(Alloc_BudgetFn source);

// For a cap from a source: when a request for a block smaller than a page
// would pass the cap, source is asked once, with the request's footprint,
// for the bytes the heap holds in free blocks at least that large
// (Memory_reusable); requests no larger may then take those bytes beyond the
// cap, as the heap hands such blocks out again before it takes new memory.
// For calls that make many small blocks where earlier ones were freed (a
// tree grown after it was cut down). Null, and every new cap: none.
typedef size_t (*Alloc_ReusableFn)(size_t block);
void Alloc_setReusableSource(Alloc_ReusableFn source);

// For a cap: when a request would pass it (and the free blocks of
// Alloc_setReusableSource do not serve it), grow is asked once, with the cap,
// for a new cap, no smaller: the cap with what giving the heap's free pages
// back to the system gained (Memory_giveBack), a cost paid only by a call
// about to fail. Null, and every new cap: none.
typedef size_t (*Alloc_GrowFn)(size_t cap);
void Alloc_setCapGrowth(Alloc_GrowFn grow);

// Bytes handed out since the budget was set, less those given back, each
// block counted at its footprint (Alloc_footprint).
size_t Alloc_taken(void);

// What a block of bytes costs the process: the bytes with the heap's own
// record of the block, rounded up to its granularity (16 bytes where
// pointers are 8, a page for a block large enough to be mapped on its own).
// A tree's boxes are small blocks, and their cost is half as much again as
// their bytes; a budget that a call may nearly exhaust must count it. O(1).
size_t Alloc_footprint(size_t bytes);

// free(ptr) for a block of the given size from Alloc_calloc, counted back
// into the budget: for working arrays that are replaced while a call runs.
void Alloc_free(void* ptr, size_t bytes);

#ifdef __cplusplus
}
#endif

#define CHECKED_CALLOC(count, size) Alloc_calloc((count), (size), __LINE__, __FILE__)
#define CHECKED_REFUSE() Alloc_refuse(__LINE__, __FILE__)

#ifdef __cplusplus
#include <vector>

// A std::vector whose memory comes from the checked allocation, so working
// arrays fail (and can be made to fail) like every record of the library.
template <class T>
struct CheckedAllocator {
    using value_type = T;
    CheckedAllocator() = default;
    template <class U>
    CheckedAllocator(const CheckedAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(CHECKED_CALLOC(n == 0 ? 1 : n, sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { Alloc_free(p, (n == 0 ? 1 : n) * sizeof(T)); }
    template <class U>
    bool operator==(const CheckedAllocator<U>&) const noexcept { return true; }
    template <class U>
    bool operator!=(const CheckedAllocator<U>&) const noexcept { return false; }
};

template <class T>
using CheckedVector = std::vector<T, CheckedAllocator<T>>;
#endif

#endif
