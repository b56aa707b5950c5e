// Allocation-failure sweeps: a call made again and again with its k-th
// allocation failing, k = 1, 2, ..., until the call succeeds, each failed
// call checked for ending cleanly.
#ifndef BOXGRAPH_TESTING_SWEEP_H
#define BOXGRAPH_TESTING_SWEEP_H

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Checks.h"
#include "Harness.h"

#if defined(__SANITIZE_ADDRESS__)
#define BOXGRAPH_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BOXGRAPH_ASAN 1
#endif
#endif
#if defined(BOXGRAPH_ASAN)
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace sweep {

// Heap bytes the process has in use: the sanitizer's count under
// AddressSanitizer, glibc's own otherwise. glibc counts the chunks in its
// per-thread cache as in use, so the sweep runs with that cache off
// (GLIBC_TUNABLES=glibc.malloc.tcache_count=0, set by the build). Elsewhere
// (Windows) there is no count, and the heap is not compared; the host's own
// bookkeeping of blocks and arrays still is.
inline size_t heapInUse()
{
#if defined(BOXGRAPH_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
    return mallinfo2().uordblks;
#else
    return 0;
#endif
}

// Whose allocations fail.
enum class Allocator {
    Library,  // the module's checked allocations (Module::failLibraryAllocAfter)
    Calloc,   // the host's mxCalloc and mxMalloc (host::failCallocAt)
    Arrays,   // the host arrays the call makes (host::failArrayAt)
};

inline const char* nameOf(Allocator which)
{
    return which == Allocator::Library ? "library" : which == Allocator::Calloc ? "mxCalloc" : "arrays";
}

constexpr Allocator kAllocators[] = {Allocator::Library, Allocator::Calloc, Allocator::Arrays};

struct Outcome {
    int failures = 0;          // calls that failed before one succeeded
    host::CallResult success;  // the call that succeeded
};

// Makes call() with the k-th allocation of the given kind failing, k = 1, 2,
// ..., until a call succeeds. Every failed call must end with the host error
// error (no other exception leaves the module; a call that fails otherwise
// ends the sweep), leave no mxCalloc block or array behind, give the heap
// back exactly as it found it (nothing the call made stays, reachable or
// not), and pass onFailure, the caller's own checks (what the console says,
// that a tree is unchanged). Run a call once without failures first: what a
// first call sets up for good (a module's load, the host's bookkeeping) is
// then in place.
inline Outcome untilSuccess(const host::Module& module, Allocator which,
                            const std::function<host::CallResult()>& call, const std::string& error,
                            const std::function<void(const host::CallResult&)>& onFailure = nullptr)
{
    host::State& s = host::state();
    s.console.reserve(1 << 16);  // so that a longer message does not grow it for good
    s.liveArrays.reserve(1 << 12);
    Outcome outcome;
    for (long k = 1;; ++k) {
        SCOPED_TRACE(std::string(nameOf(which)) + " allocation " + std::to_string(k));
        const size_t heapBefore = heapInUse();
        {
            if (which == Allocator::Library)
                module.failLibraryAllocAfter(k);
            else if (which == Allocator::Calloc)
                host::failCallocAt(k);
            else
                host::failArrayAt(k);
            host::CallResult r = call();
            module.failLibraryAllocAfter(0);
            checks::expectClean(r);
            if (r.ok) {
                outcome.success = std::move(r);
                return outcome;
            }
            ++outcome.failures;
            if (r.error != error) {
                ADD_FAILURE() << "the call failed with \"" << r.error << "\", not \"" << error << "\"";
                return outcome;
            }
            if (onFailure)
                onFailure(r);
        }
        EXPECT_EQ(heapInUse(), heapBefore) << "heap bytes the failed call left";
    }
}

}  // namespace sweep

#endif
