// A checked allocation that throws instead of ending the process, as a host
// call's does, so library tests can fail every allocation in turn.
#ifndef BOXGRAPH_THROWING_ALLOC_H
#define BOXGRAPH_THROWING_ALLOC_H

#include <string>

#include "Alloc.h"

namespace alloc_testing {

struct AllocFailed {};

// While alive, a failed checked allocation prints into report() and throws
// AllocFailed; the n-th next allocation fails when n > 0. The previous
// handlers come back when it goes.
class ThrowingAlloc {
public:
    explicit ThrowingAlloc(long failAt = 0)
    {
        report().clear();
        Alloc_setHandlers(record, fail, &oldPrint_, &oldFail_);
        Alloc_failAfter(failAt);
    }
    ~ThrowingAlloc()
    {
        Alloc_failAfter(0);
        Alloc_setHandlers(oldPrint_, oldFail_, nullptr, nullptr);
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

    Alloc_PrintFn oldPrint_ = nullptr;
    Alloc_FailFn oldFail_ = nullptr;
};

}  // namespace alloc_testing

#endif
