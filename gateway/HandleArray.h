// The tree's pointer handle as a host char array, and what else the tree
// gateways (tree_, treeupdate, treeprops, treeops) share: the function they
// answer for. The record the handle addresses is lib/TreeHandle.h.
//
// The handle's data area is 16 bytes: the TreeHandle address in the first 8
// (a 32-bit build keeps its 4-byte address first and zeros after it), then
// a tag computed from the address and the identity of this process. With
// 16-bit host characters that is a 1-by-8 char array, with 8-bit characters
// (Octave) a 1-by-16 one.
//
// A handle is trusted only when its tag is the one this process gives its
// address: a handle saved with the workspace and loaded into another
// process, or edited, is refused without its address being read. The tag is
// a keyed hash (SipHash-2-4) of the address under a random key of the
// process, so the tags of the session's own handles tell nothing of the tag
// of another address: a forged handle cannot be made from them. The key
// comes from what the process holds, not from a module's state (on Linux
// the 16 random bytes the kernel gives each program it starts; on Windows a
// named block of the process made by the first module that asks), so every
// module computes the same tags and trees stay reachable after the host
// unloads and reloads them (clear mex, clear all). Released trees keep their
// TreeHandle record (TreeHandle_release), so a tagged address always points
// at one.
#ifndef BOXGRAPH_HANDLE_ARRAY_H
#define BOXGRAPH_HANDLE_ARRAY_H

#include "mex.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "WindowsApi.h"

#include <sys/stat.h>
#include <sys/types.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif
#if defined(__APPLE__)
#include <sys/sysctl.h>
#endif
#if defined(__linux__)
#include <sys/auxv.h>
#endif

#include <cmath>

#include "Gateway.h"
#include "HostArrays.h"
#include "KeyedHash.h"
#include "Owner.h"
#include "TreeRecords.h"

namespace treehandle {

// The function every tree gateway answers for: the Tree class.
inline const gateway::Function kTree{"Tree", "Tree: out of memory.", nullptr, true};

// Whether a rectangle's coordinates can hold boxes: every centre coordinate
// finite, every radius positive and finite. Trees are made and changed only
// with such rectangles; a search in any other finds nothing.
inline bool centerUsable(const double* center, int dim)
{
    for (int i = 0; i < dim; ++i)
        if (!std::isfinite(center[i]))
            return false;
    return true;
}
inline bool radiusUsable(const double* radius, int dim)
{
    for (int i = 0; i < dim; ++i)
        if (!(radius[i] > 0 && std::isfinite(radius[i])))
            return false;
    return true;
}

// A stdio stream closed when its owner goes.
using File = Owner<FILE, fclose>;

// Whether an open stream is on a folder (Linux opens one for reading; the
// reads then fail).
inline bool isFolder(FILE* stream)
{
#if defined(_WIN32)
    struct _stat64 info;
    return _fstat64(_fileno(stream), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat info;
    return fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

constexpr size_t kAddressBytes = 8;
constexpr size_t kHandleBytes = 16;
constexpr size_t kHandleColumns = kHandleBytes / sizeof(mxChar);
static_assert(sizeof(TreeHandle*) <= kAddressBytes, "an address must fit the handle");

namespace detail {

inline uint64_t mix(uint64_t z)
{
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// What tells this process from every other one, on this machine and across
// its boots: the process id with the time the process started (and, on
// Linux, the boot's random id). The same in every module of the process.
inline uint64_t processIdentity()
{
    uint64_t identity = 0;
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    identity = GetCurrentProcessId();
    if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        identity = mix(identity) ^ ((static_cast<uint64_t>(created.dwHighDateTime) << 32) |
                                    created.dwLowDateTime);
#else
    identity = static_cast<uint64_t>(getpid());
#if defined(__linux__)
    char text[1024] = "";
    if (FILE* stat = fopen("/proc/self/stat", "r")) {
        const size_t n = fread(text, 1, sizeof text - 1, stat);
        text[n] = '\0';
        fclose(stat);
        // starttime is the 20th field after the command name, which ends at the last ')'
        const char* p = strrchr(text, ')');
        for (int field = 0; p != nullptr && field < 20; ++field)
            p = strchr(p + 1, ' ');
        if (p != nullptr)
            identity = mix(identity) ^ strtoull(p + 1, nullptr, 10);
    }
    if (FILE* boot = fopen("/proc/sys/kernel/random/boot_id", "r")) {
        char id[64] = "";
        const size_t n = fread(id, 1, sizeof id - 1, boot);
        fclose(boot);
        for (size_t k = 0; k < n; ++k)
            identity = mix(identity ^ static_cast<unsigned char>(id[k]));
    }
#elif defined(__APPLE__)
    int query[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, getpid()};
    struct kinfo_proc info;
    size_t size = sizeof info;
    if (sysctl(query, 4, &info, &size, nullptr, 0) == 0)
        identity = mix(identity) ^ (static_cast<uint64_t>(info.kp_proc.p_starttime.tv_sec) * 1000000u +
                                    static_cast<uint64_t>(info.kp_proc.p_starttime.tv_usec));
#endif
#endif
    return mix(identity);
}

// The process's 16 random bytes, alike in every module.
struct Key {
    uint8_t bytes[16];
};

#if defined(_WIN32)
// A named block of the process's memory, made and filled by the first module
// that asks and found by the others; it is never closed, so it lasts as long
// as the process, whatever modules are unloaded. Its bytes mix the moment
// the first module asked (a performance counter in ticks of well under a
// microsecond) with the process identity and addresses the system chose.
inline Key sharedRandomBytes(uint64_t identity)
{
    Key key{};
    char name[64];
    snprintf(name, sizeof name, "Local\\boxgraph-handle-key-%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    HANDLE block = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof key.bytes, name);
    const bool found = block != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    void* view = block != nullptr ? MapViewOfFile(block, FILE_MAP_ALL_ACCESS, 0, 0, sizeof key.bytes) : nullptr;
    if (view != nullptr && found) {
        memcpy(key.bytes, view, sizeof key.bytes);
        return key;
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    int local = 0;
    uint64_t words[2] = {mix(identity ^ static_cast<uint64_t>(now.QuadPart)),
                         mix(reinterpret_cast<uintptr_t>(&local) ^ reinterpret_cast<uintptr_t>(view) ^
                             GetTickCount64() ^ (static_cast<uint64_t>(now.QuadPart) << 17))};
    memcpy(key.bytes, words, sizeof key.bytes);
    if (view != nullptr)
        memcpy(view, key.bytes, sizeof key.bytes);
    return key;  // without a block, a key of this module alone: its handles are still checked
}
#endif

// The key of the tags. Linux: derived from the kernel's random bytes for the
// process (AT_RANDOM; they also seed the C library's guards, so they are
// hashed, never used as they are). Windows: sharedRandomBytes. Elsewhere:
// the process identity, which tells processes apart but can be recomputed
// by code in the session.
inline Key makeKey()
{
    const uint64_t identity = processIdentity();
    Key key{};
    uint64_t words[2] = {identity, mix(identity)};
    memcpy(key.bytes, words, sizeof key.bytes);
#if defined(__linux__)
    if (const uint8_t* random = reinterpret_cast<const uint8_t*>(getauxval(AT_RANDOM))) {
        static const char kWhat[] = "boxgraph tree handle key";
        uint8_t domain[sizeof kWhat + 1];
        memcpy(domain, kWhat, sizeof kWhat);
        domain[sizeof kWhat] = 0;
        words[0] = keyedhash::sipHash24(random, domain, sizeof domain);
        domain[sizeof kWhat] = 1;
        words[1] = keyedhash::sipHash24(random, domain, sizeof domain);
        memcpy(key.bytes, words, sizeof key.bytes);
    }
#elif defined(_WIN32)
    key = sharedRandomBytes(identity);
#endif
    return key;
}

inline uint64_t tagOf(const TreeHandle* handle)
{
    static const Key key = makeKey();
    const uint64_t address = reinterpret_cast<uintptr_t>(handle);
    uint8_t bytes[8];
    for (int k = 0; k < 8; ++k)
        bytes[k] = static_cast<uint8_t>(address >> (8 * k));
    return keyedhash::sipHash24(key.bytes, bytes, sizeof bytes);
}

}  // namespace detail

// A new handle array holding handle's address and tag.
inline mxArray* makeHandle(TreeHandle* handle)
{
    mxArray* array = gateway::charRow(kHandleColumns);
    unsigned char* data = static_cast<unsigned char*>(mxGetData(array));
    const uint64_t tag = detail::tagOf(handle);
    memcpy(data, &handle, sizeof handle);
    memcpy(data + kAddressBytes, &tag, sizeof tag);
    return array;
}

// The TreeHandle behind field handle of element 0 of object. Refuses an
// object without that field and a field that is not a char array of exactly
// the handle's shape ("not a valid object pointer."), a null address, a
// handle this process did not make, and a released tree.
inline TreeHandle* handleOf(const mxArray* object)
{
    const mxArray* field = nullptr;
    if (mxIsStruct(object) && mxGetNumberOfElements(object) > 0)
        field = mxGetField(object, 0, "handle");
    if (field == nullptr || !mxIsChar(field) || mxGetNumberOfDimensions(field) != 2 ||
        static_cast<size_t>(mxGetM(field)) != 1 ||
        static_cast<size_t>(mxGetN(field)) != kHandleColumns)
        gateway::fail("invalidHandle", "not a valid object pointer.");
    const unsigned char* data = static_cast<const unsigned char*>(mxGetData(field));
    TreeHandle* handle = nullptr;
    uint64_t tag = 0;
    memcpy(&handle, data, sizeof handle);
    memcpy(&tag, data + kAddressBytes, sizeof tag);
    if (handle == nullptr)
        gateway::fail("emptyHandle", "Tree: tree is empty.");
    if (tag != detail::tagOf(handle))
        gateway::fail("foreignHandle", "Tree: not a tree of this session; trees live in memory and are not saved "
                      "with the workspace (use save(T, file) and Tree(file)).");
    if (handle->tree == nullptr)
        gateway::fail("released", "Tree: the tree was released.");
    return handle;
}

}  // namespace treehandle

#endif
