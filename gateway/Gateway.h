// How every gateway runs a call: refusals as host errors, and C++ work that
// leaves nothing behind however the call ends. Compiled against whichever
// host's mex.h is on the include path (ours, or Octave's).
//
// A gateway reads as five steps inside gateway::run: count the arguments;
// validate each (HostArrays.h); borrow host arrays in place; call one library
// function; make the results.
#ifndef BOXGRAPH_GATEWAY_H
#define BOXGRAPH_GATEWAY_H

#include "mex.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "Alloc.h"

namespace gateway {

// What a gateway says when memory runs out. outOfMemory is the host error;
// refusedNote, when set, is printed on the console first when the host
// refused a working array (strongcomp's fixed console line).
struct Function {
    const char* outOfMemory;
    const char* refusedNote = nullptr;
};

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

// Memory ran out: a checked allocation of the library failed (its report is
// already on the console), or a host array could not be made.
struct OutOfMemory {};

// The host refused a working array (mxCalloc gave null).
struct HostRefused {};

namespace detail {

inline void printOnHost(const char* text)
{
    mexPrintf("%s", text);
}

[[noreturn]] inline void endCall()
{
    throw OutOfMemory{};
}

// Routes the checked allocation's report to the host console and makes its
// failure end the call instead of the process, while a call runs; restores
// the previous pair afterwards.
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
// exhausted memory, anything) becomes a host error raised only after body's
// objects are destroyed, so no C++ exception leaves mexFunction and nothing
// the call made is left behind.
template <class Body>
void run(const Function& function, Body&& body)
{
    char message[512] = "";
    try {
        detail::AllocHandlers handlers;
        body();
        return;
    } catch (const Error& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
    } catch (const HostRefused&) {
        if (function.refusedNote != nullptr)
            mexPrintf("%s", function.refusedNote);
        std::snprintf(message, sizeof message, "%s", function.outOfMemory);
    } catch (const OutOfMemory&) {
        std::snprintf(message, sizeof message, "%s", function.outOfMemory);
    } catch (const std::bad_alloc&) {
        std::snprintf(message, sizeof message, "%s", function.outOfMemory);
    } catch (const std::exception& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
    } catch (...) {
        std::snprintf(message, sizeof message, "unexpected failure.");
    }
    mexErrMsgTxt(message);
}

}  // namespace gateway

#endif
