// Helpers shared by the subshift library tests: a checked allocation that
// throws instead of ending the process, and capturing a dump as text.
#ifndef BOXGRAPH_SUBSHIFT_TESTING_H
#define BOXGRAPH_SUBSHIFT_TESTING_H

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "Alloc.h"

namespace subshift_testing {

struct AllocFailed {};

// While alive, a failed checked allocation prints into `report` and throws
// AllocFailed; the n-th next allocation fails when n > 0.
class ThrowingAlloc {
public:
    explicit ThrowingAlloc(long failAt = 0)
    {
        report().clear();
        Alloc_setHandlers(record, fail, nullptr, nullptr);
        Alloc_failAfter(failAt);
    }
    ~ThrowingAlloc()
    {
        Alloc_failAfter(0);
        Alloc_setHandlers(nullptr, nullptr, nullptr, nullptr);
    }
    ThrowingAlloc(const ThrowingAlloc&) = delete;
    ThrowingAlloc& operator=(const ThrowingAlloc&) = delete;

    static std::string& report()
    {
        static std::string text;
        return text;
    }

private:
    static void record(const char* text) { report() += text; }
    [[noreturn]] static void fail() { throw AllocFailed{}; }
};

// Everything write(stream) writes, as a string.
template <class Write>
std::string captured(Write write)
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    write(stream);
    fclose(stream);
    std::string text(buffer, size);
    free(buffer);
    return text;
}

}  // namespace subshift_testing

#endif
