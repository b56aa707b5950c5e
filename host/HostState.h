// Internals shared by Host.cpp and Harness.cpp: the array record and the
// per-process bookkeeping of the hostless host.
#ifndef BOXGRAPH_HOST_STATE_H
#define BOXGRAPH_HOST_STATE_H

#include "Harness.h"

#include <string>
#include <unordered_set>
#include <vector>

struct mxArray_tag {
    mxClassID cls = mxDOUBLE_CLASS;
    bool sparse = false;
    std::vector<mwSize> dims;
    std::vector<unsigned char> data;  // dense elements, or the stored values of a sparse array
    std::vector<mwIndex> jc;
    std::vector<mwIndex> ir;
    std::vector<std::string> fieldNames;
    std::vector<mxArray*> fieldValues;  // element-major: element k, field f at k * nfields + f
};

namespace host {
namespace detail {

struct State {
    std::string console;
    std::unordered_set<void*> callocBlocks;
    std::unordered_set<mxArray*> liveArrays;  // made during the call, not destroyed or owned
    bool inCall = false;
    long callocCountdown = 0;
};

State& state();

}  // namespace detail
}  // namespace host

#endif
