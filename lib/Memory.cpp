#include "Memory.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "WindowsApi.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(_WIN32)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

#if defined(__linux__)

// The first line of a file, or "" when it cannot be read.
std::string firstLine(const std::string& path)
{
    std::string line;
    if (FILE* file = fopen(path.c_str(), "r")) {
        char text[256];
        if (fgets(text, sizeof text, file) != nullptr)
            line = text;
        fclose(file);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The value of "name <value>" in a file of such lines (/proc/meminfo,
// memory.stat), times scale; found is false when there is none.
uint64_t field(const std::string& path, const char* name, uint64_t scale, bool* found)
{
    *found = false;
    uint64_t value = 0;
    if (FILE* file = fopen(path.c_str(), "r")) {
        char line[256];
        const size_t length = strlen(name);
        while (fgets(line, sizeof line, file) != nullptr) {
            if (strncmp(line, name, length) == 0 && (line[length] == ' ' || line[length] == ':')) {
                value = strtoull(line + length + 1 + strspn(line + length + 1, " :"), nullptr, 10) * scale;
                *found = true;
                break;
            }
        }
        fclose(file);
    }
    return value;
}

bool number(const std::string& text, uint64_t* value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;  // "max", or nothing
    *value = strtoull(text.c_str(), nullptr, 10);
    return true;
}

// Room under the limits of the cgroup at dir and of each of its ancestors
// up to root, in the files of one cgroup version; smallest so far in *room.
void cgroupRoom(const std::string& root, std::string dir, const char* limitFile,
                const char* usageFile, const char* inactiveField, uint64_t* room)
{
    for (;;) {
        const std::string at = root + dir;
        uint64_t limit = 0;
        uint64_t usage = 0;
        if (number(firstLine(at + "/" + limitFile), &limit) &&
            number(firstLine(at + "/" + usageFile), &usage) && limit < (UINT64_C(1) << 60)) {
            bool found = false;
            const uint64_t inactive = field(at + "/memory.stat", inactiveField, 1, &found);
            const uint64_t used = usage > inactive ? usage - inactive : 0;
            const uint64_t left = limit > used ? limit - used : 0;
            if (left < *room)
                *room = left;
        }
        if (dir.empty() || dir == "/")
            break;
        const size_t slash = dir.find_last_of('/');
        dir = slash == std::string::npos ? "" : dir.substr(0, slash);
    }
}

#endif

}  // namespace

size_t Memory_available(void)
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return SIZE_MAX;
    const uint64_t room = status.ullAvailPhys;
    return room >= SIZE_MAX ? SIZE_MAX - 1 : static_cast<size_t>(room);
#elif defined(__linux__)
    bool found = false;
    uint64_t room = field("/proc/meminfo", "MemAvailable", 1024, &found);
    if (!found)
        room = UINT64_MAX;
    // The cgroups the process is in: "0::<path>" (v2), "<n>:...memory...:<path>" (v1).
    if (FILE* file = fopen("/proc/self/cgroup", "r")) {
        char line[1024];
        while (fgets(line, sizeof line, file) != nullptr) {
            std::string entry(line);
            while (!entry.empty() && entry.back() == '\n')
                entry.pop_back();
            const size_t first = entry.find(':');
            const size_t second = first == std::string::npos ? first : entry.find(':', first + 1);
            if (second == std::string::npos)
                continue;
            const std::string controllers = entry.substr(first + 1, second - first - 1);
            const std::string path = entry.substr(second + 1);
            if (entry.compare(0, first, "0") == 0 && controllers.empty())
                cgroupRoom("/sys/fs/cgroup", path, "memory.max", "memory.current", "inactive_file", &room);
            else if (("," + controllers + ",").find(",memory,") != std::string::npos)
                cgroupRoom("/sys/fs/cgroup/memory", path, "memory.limit_in_bytes",
                           "memory.usage_in_bytes", "total_inactive_file", &room);
        }
        fclose(file);
    }
    // An address-space limit counts what is mapped, not what is touched.
    struct rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        unsigned long long pages = 0;
        if (FILE* statm = fopen("/proc/self/statm", "r")) {
            if (fscanf(statm, "%llu", &pages) != 1)
                pages = 0;
            fclose(statm);
        }
        const uint64_t mapped = static_cast<uint64_t>(pages) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
        const uint64_t left = limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0;
        if (left < room)
            room = left;
    }
    if (room == UINT64_MAX)
        return SIZE_MAX;  // nothing could be read
    // A known amount stays below SIZE_MAX, which means unknown (a 32-bit
    // process on a large machine can take at most its address space anyway).
    return room >= SIZE_MAX ? SIZE_MAX - 1 : static_cast<size_t>(room);
#else
    return SIZE_MAX;  // not known here: no cap
#endif
}

void Memory_giveBack(void)
{
#if defined(__GLIBC__)
    malloc_trim(0);
#elif defined(_WIN32)
    _heapmin();
#endif
}

size_t Memory_reusable(size_t block)
{
#if defined(__GLIBC__)
    // malloc_info writes, per heap, lines such as <size from="49" to="49"
    // total="490000" count="10000"/> for the free blocks of its bins (sizes
    // with the heap's flag bit, totals in bytes) and <unsorted from="49"
    // to="97" .../> for those not yet sorted.
    constexpr unsigned long long page = 4096;
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (out == nullptr)
        return 0;
    const int status = malloc_info(0, out);
    fclose(out);
    uint64_t bytes = 0;
    for (const char* p = text; status == 0 && p != nullptr && (p = strstr(p, " from=\"")) != nullptr; ++p) {
        unsigned long long from = 0, to = 0, total = 0;
        if (sscanf(p, " from=\"%llu\" to=\"%llu\" total=\"%llu\"", &from, &to, &total) == 3 &&
            from >= block && to < page)
            bytes += total;
    }
    free(text);
    return bytes >= SIZE_MAX ? SIZE_MAX - 1 : static_cast<size_t>(bytes);
#else
    (void)block;
    return 0;
#endif
}

#if defined(__linux__) && defined(MADV_HUGEPAGE)

namespace {

constexpr uintptr_t largePage = uintptr_t(1) << 21;  // Linux's transparent huge page on x86-64 and arm64

}  // namespace

size_t Memory_largePageSlack(size_t bytes)
{
    return bytes >= 2 * largePage ? static_cast<size_t>(largePage) : 0;
}

void* Memory_placeOnLargePages(void* block, size_t blockBytes)
{
    const auto address = reinterpret_cast<uintptr_t>(block);
    const uintptr_t start = (address + largePage - 1) / largePage * largePage;
    if (start - address >= blockBytes)
        return block;  // no large-page boundary within: not a block made for this
    Memory_adviseLargePages(reinterpret_cast<void*>(start), blockBytes - (start - address));
    return reinterpret_cast<void*>(start);
}

void Memory_adviseLargePages(void* start, size_t bytes)
{
    const auto address = reinterpret_cast<uintptr_t>(start);
    const uintptr_t first = (address + largePage - 1) / largePage * largePage;
    const uintptr_t end = (address + bytes) / largePage * largePage;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // a refusal changes nothing
}

#else  // no such advice here

size_t Memory_largePageSlack(size_t)
{
    return 0;
}

void* Memory_placeOnLargePages(void* block, size_t)
{
    return block;
}

void Memory_adviseLargePages(void*, size_t) {}

#endif
