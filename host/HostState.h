// The hostless host's array record and per-process bookkeeping: what the
// host itself keeps to release, after a call, the mxCalloc blocks and
// temporary arrays the call left behind, as a real host does. The test
// harness (testing/Harness.cpp) drives calls and reads this state; modules
// never include it.
#ifndef BOXGRAPH_HOST_STATE_H
#define BOXGRAPH_HOST_STATE_H

#include "mex.h"

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

// What mexErrMsgTxt and mexErrMsgIdAndTxt throw to end a call; the harness
// catches it.
struct HostError {
    std::string message;
    std::string id;  // empty from mexErrMsgTxt
};

struct State {
    std::string console;                      // what mexPrintf printed during the call
    std::vector<std::string> warnings;        // what mexWarnMsgIdAndTxt said, as "id: message"
    std::unordered_set<void*> callocBlocks;   // mxCalloc and mxMalloc blocks not yet freed
    std::unordered_set<mxArray*> liveArrays;  // made during the call, not destroyed or owned
    bool inCall = false;
    long callocCountdown = 0;  // the mxCalloc or mxMalloc that brings it from 1 to 0 returns null
    long arrayCountdown = 0;   // the array made when it goes from 1 to 0 throws std::bad_alloc
    long interruptCountdown = 0;  // the interrupt check that brings it from 1 to 0 finds one
};

BOXGRAPH_HOST_API State& state();

}  // namespace host

#endif
