// The test harness over the hostless host: build host arrays, load a module
// by file name, call its mexFunction as the host would, and read what the
// call left.
#ifndef BOXGRAPH_TESTING_HARNESS_H
#define BOXGRAPH_TESTING_HARNESS_H

#include "HostState.h"
#include "Owner.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace host {

using Array = Owner<mxArray, mxDestroyArray>;

struct CallResult {
    bool ok = false;               // the call returned normally
    std::string error;             // the host error text when it did not
    std::string errorId;           // and its identifier
    bool escaped = false;          // a C++ exception other than a host error left mexFunction
    std::string console;           // everything mexPrintf printed during the call
    std::vector<std::string> warnings;  // the warnings it gave, as "id: message"
    std::vector<Array> outputs;    // max(nlhs, 1) slots, as the host hands them out
    size_t callocLeft = 0;         // mxCalloc and mxMalloc blocks the call did not release
    size_t arraysLeft = 0;         // arrays the call made and neither returned nor destroyed
};

// A module's entry point.
using MexFunction = void (*)(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// Calls entry with max(nlhs, 1) output slots as the host would. Afterwards,
// like the host, frees what the call left in mxCalloc memory and unreturned
// arrays, and counts it in the result. An output that is one of the inputs is
// copied. The countdowns of failCallocAt, failArrayAt and interruptAt end
// with the call.
CallResult callEntry(MexFunction entry, int nlhs, const std::vector<const mxArray*>& args);

class Module {
public:
    // Loads the shared library at path (once per process) and finds mexFunction.
    explicit Module(const std::string& path);
    // The module at path, loaded on first use and kept for the process.
    static const Module& at(const std::string& path);
    // Calls the module's mexFunction through callEntry.
    CallResult call(int nlhs, const std::vector<const mxArray*>& args) const;
    // Makes the n-th following checked allocation of the module's own core
    // library fail (1-based; 0 disarms), through its Alloc_failAfter.
    void failLibraryAllocAfter(long n) const;

private:
    using FailAfter = void (*)(long);
    MexFunction entry_;
    FailAfter failAfter_;
};

// The n-th mxCalloc or mxMalloc from now (1-based) returns null; 0 disarms.
void failCallocAt(long n);

// The n-th array the next call makes (1-based) is refused: its mxCreate... or
// mxDuplicateArray throws std::bad_alloc, as when an array does not fit in
// memory. 0 disarms.
void failArrayAt(long n);

// The n-th check for an interrupt from now (1-based) finds one, as if the
// user pressed Ctrl-C; 0 disarms. Reset after every call.
void interruptAt(long n);

// Array builders. Sparse arrays take compressed columns as given (stored
// zeros stay stored); values default to ones.
Array sparse(size_t m, size_t n, const std::vector<mwIndex>& jc, const std::vector<mwIndex>& ir,
             const std::vector<double>& values = {});
// Sparse n-by-n matrix with an entry (to, from) per edge from -> to, columns sorted.
Array graph(size_t n, const std::vector<std::pair<size_t, size_t>>& edges);
Array transpose(const mxArray* a);
Array sparseLogical(size_t m, size_t n, const std::vector<mwIndex>& jc,
                    const std::vector<mwIndex>& ir, const std::vector<bool>& values = {});
Array dense(size_t m, size_t n, const std::vector<double>& values = {});
Array row(const std::vector<double>& values);
Array scalar(double value);
Array text(const std::string& value);
Array uint8Row(const std::vector<unsigned char>& values);
Array int32Row(const std::vector<int32_t>& values);
Array structure(const std::vector<std::pair<std::string, Array>>& fields);

// Readers for results.
std::vector<double> doubles(const mxArray* a);
std::vector<int32_t> int32s(const mxArray* a);
std::string textOf(const mxArray* a);

}  // namespace host

#endif
