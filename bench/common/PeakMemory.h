// Peak heap bytes allocated while a benchmark runs: include in exactly one
// benchmark source, which then replaces the global operator new and delete
// with counting versions.
//
// With BOXGRAPH_PEAK_MEMORY_C_HEAP defined before the include, it replaces
// malloc, calloc, realloc, free and the aligned allocations instead (glibc
// allows that; operator new reaches them through malloc), so the library's
// records, which come from calloc, count too. Each block then counts as
// glibc holds it: its usable bytes and the size word before them, so a
// 32-byte calloc counts 48.
#ifndef BOXGRAPH_BENCH_PEAK_MEMORY_H
#define BOXGRAPH_BENCH_PEAK_MEMORY_H

#include <malloc.h>

#include <cerrno>
#include <cstdlib>
#include <new>

namespace bench {

struct HeapCounter {
    size_t current = 0;
    size_t peak = 0;
};

inline HeapCounter heap;

// Restarts the peak at the current level; returns that level.
inline size_t resetPeak()
{
    heap.peak = heap.current;
    return heap.current;
}

}  // namespace bench

#ifdef BOXGRAPH_PEAK_MEMORY_C_HEAP

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace bench {

inline size_t held(void* p)
{
    return p == nullptr ? 0 : malloc_usable_size(p) + sizeof(size_t);
}

inline void* counted(void* p)
{
    heap.current += held(p);
    if (heap.current > heap.peak)
        heap.peak = heap.current;
    return p;
}

}  // namespace bench

extern "C" {
void* malloc(size_t size) noexcept { return bench::counted(__libc_malloc(size)); }
void* calloc(size_t count, size_t size) noexcept { return bench::counted(__libc_calloc(count, size)); }
void* realloc(void* p, size_t size) noexcept
{
    const size_t before = bench::held(p);
    void* q = __libc_realloc(p, size);
    if (q != nullptr || size == 0)
        bench::heap.current -= before;
    return q != nullptr ? bench::counted(q) : q;
}
void free(void* p) noexcept
{
    bench::heap.current -= bench::held(p);
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size) noexcept { return bench::counted(__libc_memalign(alignment, size)); }
void* aligned_alloc(size_t alignment, size_t size) noexcept { return memalign(alignment, size); }
int posix_memalign(void** p, size_t alignment, size_t size) noexcept
{
    void* q = memalign(alignment, size);
    if (q == nullptr)
        return ENOMEM;
    *p = q;
    return 0;
}
}

#else

namespace bench {

inline void* acquire(size_t size)
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    heap.current += malloc_usable_size(p);
    if (heap.current > heap.peak)
        heap.peak = heap.current;
    return p;
}

inline void release(void* p) noexcept
{
    if (p != nullptr)
        heap.current -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace bench

void* operator new(size_t size) { return bench::acquire(size); }
void* operator new[](size_t size) { return bench::acquire(size); }
void operator delete(void* p) noexcept { bench::release(p); }
void operator delete[](void* p) noexcept { bench::release(p); }
void operator delete(void* p, size_t) noexcept { bench::release(p); }
void operator delete[](void* p, size_t) noexcept { bench::release(p); }

#endif

#endif
