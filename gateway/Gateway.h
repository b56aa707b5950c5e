// What every gateway shares: refusing a call with a host error, running the
// call's C++ work so that nothing it made outlives a refusal, and borrowing
// host arrays in place. Compiled against whichever host's mex.h is on the
// include path (ours, or Octave's).
#ifndef BOXGRAPH_GATEWAY_H
#define BOXGRAPH_GATEWAY_H

#include "mex.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "Alloc.h"

namespace gateway {

// A refusal: the message becomes the host error of the call.
class Error : public std::exception {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

[[noreturn]] inline void fail(const std::string& message)
{
    throw Error(message);
}

// Thrown by the checked allocation's fail handler while a call runs.
struct OutOfMemory {};

namespace detail {

inline void printOnHost(const char* text)
{
    mexPrintf("%s", text);
}

[[noreturn]] inline void endCall()
{
    throw OutOfMemory{};
}

// Installs the host's console and call-ending failure for the checked
// allocation, and restores the previous pair when the call is over.
class AllocHandlers {
public:
    AllocHandlers() { Alloc_setHandlers(printOnHost, endCall, &print_, &fail_); }
    ~AllocHandlers() { Alloc_setHandlers(print_, fail_, nullptr, nullptr); }
    AllocHandlers(const AllocHandlers&) = delete;
    AllocHandlers& operator=(const AllocHandlers&) = delete;

private:
    Alloc_PrintFn print_ = nullptr;
    Alloc_FailFn fail_ = nullptr;
};

}  // namespace detail

// Runs one gateway call. body does the work; whatever it throws (a refusal,
// an exhausted checked allocation, std::bad_alloc, anything) becomes a host
// error raised only after body's objects are destroyed, so no C++ exception
// leaves mexFunction and nothing the call made is left behind.
// outOfMemory is the message for an exhausted allocation.
template <class Body>
void run(const char* outOfMemory, Body&& body)
{
    char message[512] = "";
    try {
        detail::AllocHandlers handlers;
        body();
        return;
    } catch (const Error& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
    } catch (const OutOfMemory&) {
        std::snprintf(message, sizeof message, "%s", outOfMemory);
    } catch (const std::bad_alloc&) {
        std::snprintf(message, sizeof message, "%s", outOfMemory);
    } catch (const std::exception& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
    } catch (...) {
        std::snprintf(message, sizeof message, "unexpected failure.");
    }
    mexErrMsgTxt(message);
}

// A count from the host as a signed 32-bit value, or a refusal.
inline int32_t int32Count(uint64_t count, const char* tooLarge)
{
    if (count > static_cast<uint64_t>(INT32_MAX))
        fail(tooLarge);
    return static_cast<int32_t>(count);
}

// Read-only view of a host sparse matrix's compressed columns, borrowed in
// place: column j holds the row indices ir[jc[j]] .. ir[jc[j+1]-1].
struct SparseView {
    int32_t rows = 0;
    int32_t cols = 0;
    const mwIndex* jc = nullptr;
    const mwIndex* ir = nullptr;
};

// Borrows a's compressed columns. Refuses, with the given messages, an array
// that is not sparse and one whose dimensions or stored-entry count do not fit
// a signed 32-bit integer.
inline SparseView sparseView(const mxArray* a, const char* notSparse, const char* tooLarge)
{
    if (!mxIsSparse(a))
        fail(notSparse);
    SparseView view;
    view.rows = int32Count(mxGetM(a), tooLarge);
    view.cols = int32Count(mxGetN(a), tooLarge);
    view.jc = mxGetJc(a);
    view.ir = mxGetIr(a);
    int32Count(static_cast<uint64_t>(view.jc[view.cols]), tooLarge);
    return view;
}

// Zero-filled memory for count elements from the host allocator (at least one
// element, so an empty request is no failure), released with mxFree when the
// owner goes, whichever way the call ends. Test for null: the host may refuse.
template <class T>
class HostMemory {
public:
    explicit HostMemory(size_t count)
        : data_(static_cast<T*>(mxCalloc(count == 0 ? 1 : count, sizeof(T))))
    {
    }
    ~HostMemory() { mxFree(data_); }
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    T* get() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    T* data_;
};

}  // namespace gateway

#endif
