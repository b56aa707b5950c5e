// The few compiler- and platform-specific calls of the library, so that it
// builds with GCC, Clang, MinGW-w64 and MSVC alike.
#ifndef BOXGRAPH_PORTABILITY_H
#define BOXGRAPH_PORTABILITY_H

#include <stdio.h>

// A hint that the memory at address will be read soon; no effect on results.
#if defined(__GNUC__) || defined(__clang__)
#define BOXGRAPH_PREFETCH(address) __builtin_prefetch(address)
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#define BOXGRAPH_PREFETCH(address) _mm_prefetch(reinterpret_cast<const char*>(address), _MM_HINT_T0)
#else
#define BOXGRAPH_PREFETCH(address) ((void)0)
#endif

// 1 where a text-mode stream writes each LF byte as CR LF and reads CR LF
// back as LF, and ends its input at a byte 26 (Windows); 0 where text mode is
// binary mode (Linux, macOS). Files are read in binary mode everywhere; the
// tree-file reader undoes the line-end translation itself, there, for files
// written in text mode.
#if defined(_WIN32)
#define BOXGRAPH_TEXT_MODE_CRLF 1
#else
#define BOXGRAPH_TEXT_MODE_CRLF 0
#endif

// SSE2, which every x86-64 processor has (and our 32-bit builds ask for):
// BOXGRAPH_SSE2 is 1 where its intrinsics can be used, else 0.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define BOXGRAPH_SSE2 1
#else
#define BOXGRAPH_SSE2 0
#endif

// Byte reads from a stream whose lock the caller holds (StreamLock), which
// saves taking the lock once per byte; plain getc where there is no such call.
class StreamLock {
public:
    explicit StreamLock(FILE* stream) : stream_(stream) { lock(stream_); }
    ~StreamLock() { unlock(stream_); }
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

    // The next byte of the locked stream, or EOF.
    int get() const { return getLocked(stream_); }

private:
#if defined(_WIN32)
    static void lock(FILE* stream) { _lock_file(stream); }
    static void unlock(FILE* stream) { _unlock_file(stream); }
    static int getLocked(FILE* stream) { return _getc_nolock(stream); }
#elif defined(__unix__) || defined(__APPLE__)
    static void lock(FILE* stream) { flockfile(stream); }
    static void unlock(FILE* stream) { funlockfile(stream); }
    static int getLocked(FILE* stream) { return getc_unlocked(stream); }
#else
    static void lock(FILE*) {}
    static void unlock(FILE*) {}
    static int getLocked(FILE* stream) { return getc(stream); }
#endif

    FILE* stream_;
};

#endif
