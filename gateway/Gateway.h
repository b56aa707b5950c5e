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

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "Alloc.h"
#include "Interrupt.h"
#include "Memory.h"
#include "WindowsApi.h"

#if defined(HAVE_OCTAVE)
#include "quit.h"  // Octave's pending signals and interrupt state
#elif defined(MATLAB_MEX_FILE)
extern "C" bool utIsInterruptPending(void);  // MATLAB's libut: Ctrl-C pressed
#endif

namespace gateway {

// The public function a gateway serves, as users call it ("strongcomp",
// "Tree"): it names the error identifiers boxgraph:<name>:<reason> and, under
// Octave, begins every message once. outOfMemory is the message when memory
// runs out; refusedNote, when set, is printed on the console first when the
// host refused a working array (strongcomp's fixed console line). bounded
// is for functions whose memory and time the input decides beyond its own
// size (subshift's subsets, a tree's boxes): their library work may take at
// most half the memory available when the call starts (Memory_available,
// which sees memory cgroups), or the user's cap (userCap) where that is less,
// and their long loops end at an interrupt.
struct Function {
    const char* name;
    const char* outOfMemory;
    const char* refusedNote = nullptr;
    bool bounded = false;
};

// The share of the memory available at a call's start that its library work
// may take; the rest stays for the host and the call's results. Its host
// arrays together may take the same share of what is available when they are
// made.
constexpr size_t kBudgetDivisor = 2;

// A call whose library work is its result (loading or growing a tree: what
// it makes stays) may take all that is available but an eighth, and at most
// this reserve is kept back for the host.
constexpr size_t kKeepReserve = size_t{64} << 20;

// Host arrays a call makes below this size in all are counted but do not
// read what is available (about 0.1 ms): a scalar result costs nothing.
constexpr size_t kSmallHostMemory = size_t{1} << 20;

// The environment variable that holds the user's cap on what one bounded call
// may take, in bytes (memorycap.m sets it; it may also be set before the host
// starts). Unset, empty or anything but a positive finite number: no cap.
constexpr const char* kMemoryCapVariable = "BOXGRAPH_MEMORY_CAP";

// Why a call is refused: reason completes the error identifier, message is
// the fixed text.
struct Refusal {
    const char* reason;
    std::string message;
};

// A refusal on its way to the host error of the call.
class Error : public std::exception {
public:
    explicit Error(Refusal refusal) : refusal_(std::move(refusal)) {}
    const char* what() const noexcept override { return refusal_.message.c_str(); }
    const char* reason() const { return refusal_.reason; }

private:
    Refusal refusal_;
};

[[noreturn]] inline void fail(const Refusal& refusal)
{
    throw Error(refusal);
}

[[noreturn]] inline void fail(const char* reason, const std::string& message)
{
    throw Error(Refusal{reason, message});
}

// Memory ran out: a checked allocation of the library failed (its report is
// already on the console), or a host array could not be made.
struct OutOfMemory {};

// The host refused a working array (mxCalloc gave null).
struct HostRefused {};

// The user interrupted the call (Ctrl-C).
struct Interrupted {};

// Whether the host has an interrupt pending for the running call.
inline bool interruptPending()
{
#if defined(HAVE_OCTAVE)
    if (!octave_signal_caught && octave_interrupt_state <= 0)
        return false;
    try {
        octave_quit();  // handles the pending signal; throws on an interrupt
    } catch (const octave::interrupt_exception&) {
        return true;
    }
    return octave_interrupt_state > 0;
#elif defined(BOXGRAPH_HOSTLESS)
    return hostInterruptPending();
#elif defined(MATLAB_MEX_FILE)
    return utIsInterruptPending();
#else
    return false;
#endif
}

namespace detail {

inline void printOnHost(const char* text)
{
    mexPrintf("%s", text);
}

[[noreturn]] inline void endCall()
{
    throw OutOfMemory{};
}

// The user's cap (kMemoryCapVariable) in bytes, 0 when none is set. Read from
// the process environment at each bounded call, so a change made in the
// running host counts from its next call.
inline size_t userCap()
{
#if defined(_WIN32)
    // The process's own block: what the host's setenv wrote, whichever C
    // runtime the host and this module use.
    char text[64] = "";
    const DWORD n = GetEnvironmentVariableA(kMemoryCapVariable, text, sizeof text);
    if (n == 0 || n >= sizeof text)
        return 0;
    const char* value = text;
#else
    const char* value = std::getenv(kMemoryCapVariable);
    if (value == nullptr)
        return 0;
#endif
    char* end = nullptr;
    const double bytes = std::strtod(value, &end);
    if (end == value || *end != '\0' || !(bytes > 0 && std::isfinite(bytes)))
        return 0;
    const double most = static_cast<double>(SIZE_MAX - 1);
    return bytes >= most ? SIZE_MAX - 1 : static_cast<size_t>(std::ceil(bytes));
}

// What a bounded call's library work may take (0: nothing is known, no cap):
// the share of what is available, or the user's cap where that is less.
inline size_t budget()
{
    const size_t available = Memory_available();
    const size_t share = available == SIZE_MAX ? 0 : available / kBudgetDivisor + 1;
    const size_t cap = userCap();
    return cap != 0 && (share == 0 || cap < share) ? cap : share;
}

// What the library work of a call that keeps what it makes may take (0: no
// cap): all that is available but a reserve for the host (an eighth of it,
// at most kKeepReserve), or the user's cap where that is less.
inline size_t keepingRoom()
{
    const size_t available = Memory_available();
    size_t room = 0;
    if (available != SIZE_MAX) {
        const size_t reserve = available / 8 < kKeepReserve ? available / 8 : kKeepReserve;
        room = available - reserve + 1;
    }
    return room;
}

inline size_t keepingBudget()
{
    const size_t room = keepingRoom();
    const size_t cap = userCap();
    return cap != 0 && (room == 0 || cap < room) ? cap : room;
}

// Whether the user's cap (memorycap) is what limits a call that keeps what
// it makes: it then counts every byte the call takes, freed blocks reused
// or not.
inline bool userCapBinds()
{
    const size_t cap = userCap();
    const size_t room = cap != 0 ? keepingRoom() : 0;
    return cap != 0 && (room == 0 || cap < room);
}

// What giving the heap's free pages back to the system gains in available
// memory (Memory_giveBack): asked only by a call about to be refused, since
// the giving back takes time in the number of free blocks.
inline size_t givenBack()
{
    const size_t before = Memory_available();
    Memory_giveBack();
    const size_t after = Memory_available();
    return after != SIZE_MAX && before != SIZE_MAX && after > before ? after - before : 0;
}

// A cap grown by what was given back: by the share that its budget takes of
// what is available (divisor), and, for a bounded function, never past the
// user's cap.
inline size_t grownCap(size_t cap, size_t divisor, bool userCapped)
{
    const size_t more = givenBack() / divisor;
    size_t grown = more > SIZE_MAX - cap ? SIZE_MAX : cap + more;
    const size_t user = userCapped ? userCap() : 0;
    if (user != 0 && grown > user)
        grown = user > cap ? user : cap;
    return grown;
}

// The library's cap of a bounded call, grown by its share of what was given
// back; all of it for a call that keeps what it makes.
inline size_t shareGrown(size_t cap)
{
    return grownCap(cap, kBudgetDivisor, true);
}

inline size_t allGrown(size_t cap)
{
    return grownCap(cap, 1, true);
}

// The host memory a call has made (results and working arrays, through
// HostArrays.h), and the most it may make: the share of what is available
// when the first large one is asked for (for a bounded function, also
// within the user's cap). One per module, reset as each call starts.
struct CallMemory {
    bool bounded = false;
    bool known = false;  // budget has been read
    bool grown = false;  // what giving back gained has been added to it
    size_t budget = 0;   // 0: no cap known
    size_t taken = 0;
};

inline CallMemory& callMemory()
{
    static CallMemory memory;
    return memory;
}

inline void checkInterrupt()
{
    if (interruptPending())
        throw Interrupted{};
}

// While a call runs: routes the checked allocation's report to the host
// console and makes its failure end the call instead of the process; for a
// bounded function, caps what the library takes and lets its long loops
// check for an interrupt. Restores everything afterwards.
class CallControl {
public:
    explicit CallControl(bool bounded) : bounded_(bounded)
    {
        callMemory() = CallMemory{};
        callMemory().bounded = bounded;
        Alloc_setHandlers(printOnHost, endCall, &print_, &fail_);
        if (bounded_) {
            Alloc_setBudgetSource(budget);
            Alloc_setCapGrowth(shareGrown);
            Interrupt_setCheck(checkInterrupt, &check_);
        }
    }
    ~CallControl()
    {
        Alloc_setHandlers(print_, fail_, nullptr, nullptr);
        if (bounded_) {
            Alloc_setBudget(0);
            Interrupt_setCheck(check_, nullptr);
        }
    }
    CallControl(const CallControl&) = delete;
    CallControl& operator=(const CallControl&) = delete;

private:
    bool bounded_;
    Alloc_PrintFn print_ = nullptr;
    Alloc_FailFn fail_ = nullptr;
    Interrupt_CheckFn check_ = nullptr;
};

// The identifier of an error or warning: boxgraph:<function>:<reason>. A
// buffer, not a string: a host error call may leave without unwinding.
inline void identifier(char (&id)[96], const Function& function, const char* reason)
{
    std::snprintf(id, sizeof id, "boxgraph:%s:%s", function.name, reason);
}

// Whether message already begins with the function's name ("Tree: ...",
// "Tree.radius: ...", "subshift: ...").
inline bool namesItself(const char* message, const char* name)
{
    const size_t n = std::strlen(name);
    return std::strncmp(message, name, n) == 0 && (message[n] == ':' || message[n] == '.');
}

// Raises the host error; never returns. Octave shows a MEX error as "<MEX
// file name>: message", which would name an internal module or name the
// function twice; there the error goes through the interpreter's own error()
// with the public name in front once. Other hosts get the fixed text as it
// stands, with its identifier.
[[noreturn]] inline void raise(const Function& function, const char* reason, const char* message)
{
    char id[96];
    identifier(id, function, reason);
#if defined(HAVE_OCTAVE)
    std::string shown = message;
    if (!namesItself(message, function.name))
        shown = std::string(function.name) + ": " + message;
    const char* fields[] = {"message", "identifier"};
    mxArray* error = mxCreateStructMatrix(1, 1, 2, fields);
    mxSetField(error, 0, "message", mxCreateString(shown.c_str()));
    mxSetField(error, 0, "identifier", mxCreateString(id));
    mexCallMATLAB(0, nullptr, 1, &error, "error");
#endif
    mexErrMsgIdAndTxt(id, "%s", message);
    std::abort();  // a host error call does not return
}

}  // namespace detail

// Whether host memory of the given size (a result, or a working array from
// the host) fits: false when, with what the call has made so far, it would
// pass the share of what is available that a call's host arrays may take
// (within the user's cap, for a bounded function), rather than leave the host
// to be killed making it; else it is counted. The result makers of
// HostArrays.h ask first, so no gateway makes an array without asking.
inline bool roomFor(size_t bytes)
{
    detail::CallMemory& memory = detail::callMemory();
    const size_t total = bytes > SIZE_MAX - memory.taken ? SIZE_MAX : memory.taken + bytes;
    if (!memory.known && total >= kSmallHostMemory) {
        const size_t available = Memory_available();
        memory.budget = available == SIZE_MAX ? 0 : available / kBudgetDivisor + 1;
        const size_t cap = memory.bounded ? detail::userCap() : 0;
        if (cap != 0 && (memory.budget == 0 || cap < memory.budget))
            memory.budget = cap;
        memory.known = true;
    }
    if (total == SIZE_MAX)
        return false;
    if (memory.budget != 0 && total >= memory.budget && !memory.grown) {
        memory.grown = true;  // once: the heap's free pages, given back
        memory.budget = detail::grownCap(memory.budget, kBudgetDivisor, memory.bounded);
    }
    if (memory.budget != 0 && total >= memory.budget)
        return false;
    memory.taken = total;
    return true;
}

// roomFor, or the call ends with its out-of-memory error.
inline void ensureRoom(size_t bytes)
{
    if (!roomFor(bytes))
        throw OutOfMemory{};
}

// For a bounded call whose library work is what it returns or keeps (a tree
// loaded, made or grown): from here its library work may take all that is
// available but a reserve (keepingBudget), not only a share, and small
// blocks past that the free blocks the heap holds for them (Memory_reusable).
// Call it before the library allocates anything.
inline void keepsWhatItMakes()
{
    if (!detail::callMemory().bounded)
        return;
    Alloc_setBudgetSource(detail::keepingBudget);
    // Boxes freed earlier (a tree cut down by keep) stay with the process in
    // blocks the heap cannot give back, but new boxes reuse them first; they
    // count against the machine's room, not against the user's cap, which
    // says what a call may take.
    if (!detail::userCapBinds())
        Alloc_setReusableSource(Memory_reusable);
    Alloc_setCapGrowth(detail::allGrown);
}

// Warns the user through the host; the call goes on. Octave would put the
// MEX file's name before a MEX warning: there it goes through warning().
inline void warn(const Function& function, const char* reason, const std::string& message)
{
    char id[96];
    detail::identifier(id, function, reason);
#if defined(HAVE_OCTAVE)
    mxArray* args[3] = {mxCreateString(id), mxCreateString("%s"), mxCreateString(message.c_str())};
    mexCallMATLAB(0, nullptr, 3, args, "warning");
    for (mxArray* a : args)
        mxDestroyArray(a);
#else
    mexWarnMsgIdAndTxt(id, "%s", message.c_str());
#endif
}

// Runs one gateway call. body does the work; whatever it throws (a refusal,
// exhausted memory, anything) becomes a host error raised only after body's
// objects are destroyed, so no C++ exception leaves mexFunction and nothing
// the call made is left behind.
template <class Body>
void run(const Function& function, Body&& body)
{
    char message[512] = "";
    const char* reason = "outOfMemory";
    try {
        detail::CallControl control(function.bounded);
        body();
        return;
    } catch (const Interrupted&) {
        std::snprintf(message, sizeof message, "%s: interrupted.", function.name);
        reason = "interrupted";
    } catch (const Error& e) {
        std::snprintf(message, sizeof message, "%s", e.what());
        reason = e.reason();
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
        reason = "unexpected";
    } catch (...) {
        std::snprintf(message, sizeof message, "unexpected failure.");
        reason = "unexpected";
    }
    detail::raise(function, reason, message);
}

}  // namespace gateway

#endif
