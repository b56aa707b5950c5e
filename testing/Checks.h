// GoogleTest checks shared by the module tests.
#ifndef BOXGRAPH_TESTING_CHECKS_H
#define BOXGRAPH_TESTING_CHECKS_H

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "WindowsApi.h"

namespace checks {

// What every call must leave, however it ended: no C++ exception escaped
// mexFunction, no mxCalloc block and no array it made is left over.
inline void expectClean(const host::CallResult& r)
{
    EXPECT_FALSE(r.escaped) << r.error;
    EXPECT_EQ(r.callocLeft, 0u) << "mxCalloc blocks left behind";
    EXPECT_EQ(r.arraysLeft, 0u) << "arrays left behind";
}

// Calls module and checks that the call left nothing behind.
inline host::CallResult cleanCall(const host::Module& module, int nlhs,
                                  const std::vector<const mxArray*>& args)
{
    host::CallResult r = module.call(nlhs, args);
    expectClean(r);
    return r;
}

// The error of a call that must fail and leave nothing behind.
inline std::string refusal(const host::Module& module, const std::vector<const mxArray*>& args,
                           int nlhs = 1)
{
    host::CallResult r = cleanCall(module, nlhs, args);
    EXPECT_FALSE(r.ok) << "the call was not refused";
    return r.error;
}

// The user's cap on what a call may take (the environment variable that
// memorycap sets) for the life of the object; unset afterwards.
class MemoryCap {
public:
    explicit MemoryCap(const char* bytes) { set(bytes); }
    ~MemoryCap() { set(nullptr); }
    MemoryCap(const MemoryCap&) = delete;
    MemoryCap& operator=(const MemoryCap&) = delete;

private:
    static void set(const char* value)  // null: unset
    {
#if defined(_WIN32)
        SetEnvironmentVariableA("BOXGRAPH_MEMORY_CAP", value);
#else
        if (value != nullptr)
            setenv("BOXGRAPH_MEMORY_CAP", value, 1);
        else
            unsetenv("BOXGRAPH_MEMORY_CAP");
#endif
    }
};

// n doubles from v, for comparing a record's vector as a whole.
inline std::vector<double> values(const double* v, int n)
{
    return std::vector<double>(v, v + n);
}

}  // namespace checks

#endif
