// An address-space limit (ulimit -v) for the length of a test, a little
// above what the process has mapped, as a user's ulimit -v or a small
// machine would leave: Memory_available then reports about that headroom.
// Only where setrlimit exists (Linux) and the process runs natively: under
// valgrind the limit would bind valgrind's own heap, which aborts instead of
// failing an allocation. Elsewhere active() is false and the test has
// nothing to check.
#ifndef BOXGRAPH_TESTING_ADDRESS_LIMIT_H
#define BOXGRAPH_TESTING_ADDRESS_LIMIT_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace limits {

class AddressLimit {
public:
    explicit AddressLimit(uint64_t headroom)
    {
#if defined(__linux__)
        const char* preload = getenv("LD_PRELOAD");
        if (preload != nullptr && strstr(preload, "vgpreload") != nullptr)
            return;  // under valgrind, whose preloaded libraries are named so
        unsigned long long pages = 0;
        FILE* statm = fopen("/proc/self/statm", "r");
        if (statm == nullptr)
            return;
        const bool read = fscanf(statm, "%llu", &pages) == 1;
        fclose(statm);
        if (!read || getrlimit(RLIMIT_AS, &old_) != 0)
            return;
        struct rlimit limit = old_;
        limit.rlim_cur = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) + headroom;
        active_ = (old_.rlim_max == RLIM_INFINITY || limit.rlim_cur <= old_.rlim_max) &&
                  setrlimit(RLIMIT_AS, &limit) == 0;
#else
        (void)headroom;
#endif
    }
    ~AddressLimit()
    {
#if defined(__linux__)
        if (active_)
            setrlimit(RLIMIT_AS, &old_);
#endif
    }
    AddressLimit(const AddressLimit&) = delete;
    AddressLimit& operator=(const AddressLimit&) = delete;

    bool active() const { return active_; }

private:
    bool active_ = false;
#if defined(__linux__)
    struct rlimit old_ {};
#endif
};

}  // namespace limits

#endif
