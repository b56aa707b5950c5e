// libFuzzer target for one gateway, named by FUZZ_MODULE and linked with its
// sources from modules.mk and our host model. Each input is decoded into one
// to three calls (ArgumentDecoder.h), later ones reaching the trees earlier
// ones made or changed. Each call runs as the host would run it, with an
// allocation failure or an interrupt injected now and then, and afterwards:
//   - the call returned or raised a host error; no other exception left it;
//   - it left no mxCalloc block and no array behind;
//   - its arguments are as they were;
//   - its results have the shape the function promises;
//   - every tree it reached is still sound (TreePool::settle).
// Anything else aborts, and libFuzzer keeps the input. The leak checker sees
// the rest: after each call the host's leftovers are released (callEntry),
// and trees live in a bounded pool.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <unistd.h>

#include <string>

#include "Alloc.h"
#include "ArgumentDecoder.h"
#include "HandleArray.h"
#include "TreeHandle.h"

namespace {

using fuzzing::broken;
using fuzzing::Kind;

struct Target {
    const char* name;
    std::vector<fuzzing::Signature> signatures;  // none: one per row of treeops' table
    fuzzing::Limits limits;
};

const Target kTargets[] = {
    {"strongcomp", {{Kind::Sparse, Kind::Transpose}}, {2048, 4096}},
    {"cyclereach", {{Kind::Sparse}}, {2048, 4096}},
    {"subshift", {{Kind::Sparse, Kind::Labels, Kind::Scalar}}, {256, 1024}},
    {"tree_", {{Kind::Dense, Kind::Dense}, {Kind::Scalar, Kind::Dense, Kind::Dense}, {Kind::FileName}}, {64, 256}},
    {"treeupdate", {{Kind::TreeObject, Kind::Subscript, Kind::Dense}}, {64, 256}},
    {"treeprops", {{Kind::TreeObject, Kind::Text}}, {64, 256}},
    {"treeops", {}, {64, 256}},
};

const Target& target()
{
    static const Target found = [] {
        for (const Target& t : kTargets) {
            if (strcmp(t.name, FUZZ_MODULE) != 0)
                continue;
            Target copy = t;
            if (copy.signatures.empty()) {
                copy.signatures = fuzzing::signaturesOf(mexFunction);
                // and now and then an operation's name with any arguments
                copy.signatures.push_back({Kind::TreeObject, Kind::Text, Kind::TreeArgument, Kind::TreeArgument});
            }
            return copy;
        }
        broken("no such target");
    }();
    return found;
}

fuzzing::TreePool& pool()
{
    static fuzzing::TreePool trees;
    return trees;
}

// The folder the calls read and write files in (tree_ loads, save writes):
// made for the process, so that file names from the input land nowhere else.
std::string& workFolder()
{
    static std::string folder;
    return folder;
}

// Removes every file the decoder and the calls made.
void clearWorkFolder()
{
    DIR* dir = opendir(".");
    if (dir == nullptr)
        return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            remove(name.c_str());
    }
    closedir(dir);
}

// ---- what the results must be

bool isRow(const mxArray* a, mxClassID cls, size_t n)
{
    return a != nullptr && mxGetClassID(a) == cls && !mxIsSparse(a) && mxGetNumberOfDimensions(a) == 2 &&
           mxGetM(a) == 1 && mxGetN(a) == n;
}

void checkResults(const fuzzing::Call& call, const host::CallResult& r)
{
    const std::string name = target().name;
    const mxArray* out = r.outputs.empty() ? nullptr : r.outputs[0].get();
    if (name == "strongcomp") {
        const size_t n = mxGetM(call.args[0]);
        if (!isRow(out, mxINT32_CLASS, n))
            broken("strongcomp: not a 1-by-n int32 row");
        for (int32_t c : host::int32s(out))
            if (c < -1 || (c >= 0 && static_cast<size_t>(c) >= n))
                broken("strongcomp: a component number out of range");
    } else if (name == "cyclereach") {
        if (!isRow(out, mxDOUBLE_CLASS, mxGetM(call.args[0])))
            broken("cyclereach: not a 1-by-n double row");
        for (double v : host::doubles(out))
            if (v != 0 && v != 1)
                broken("cyclereach: not 0 or 1");
    } else if (name == "subshift") {
        const size_t slots = static_cast<size_t>(call.nlhs > 0 ? call.nlhs : 1);
        const size_t edges = out != nullptr ? mxGetM(out) : 0;
        for (size_t k = 0; k < slots; ++k) {
            const mxArray* column = r.outputs[k].get();
            if (column == nullptr || !mxIsDouble(column) || mxGetM(column) != edges || mxGetN(column) != 1)
                broken("subshift: results are not double columns of one length");
            for (double v : host::doubles(column))
                if (k < 2 ? !(v >= 1 && v <= edges + 1 && v == static_cast<double>(static_cast<int64_t>(v))) : v != 1)
                    broken("subshift: a subset number or value out of range");
        }
        if (r.outputs.size() > slots)
            broken("subshift: more results than slots");
    } else if (name == "tree_") {
        if (!isRow(out, mxCHAR_CLASS, treehandle::kHandleColumns))
            broken("tree_: not a handle");
        const host::Array object = [&] {
            const char* field = "handle";
            host::Array o(mxCreateStructMatrix(1, 1, 1, &field));
            mxSetField(o.get(), 0, "handle", mxDuplicateArray(out));
            return o;
        }();
        pool().adopt(treehandle::handleOf(object.get()));
    }
}

// Prints a call and its outcome (BOXGRAPH_FUZZ_SHOW set): for reading a
// crashing input, run as <target> <input file>.
void showCall(const fuzzing::Call& call)
{
    fprintf(stderr, "%s: nlhs %d, fail library %ld, mxCalloc %ld, array %ld, interrupt %ld\n", target().name,
            call.nlhs, call.failLibraryAt, call.failCallocAt, call.failArrayAt, call.interruptAt);
    for (size_t k = 0; k < call.args.size(); ++k)
        fprintf(stderr, "  arg %zu: %s\n", k, fuzzing::describe(call.args[k]).c_str());
}

void showResult(const host::CallResult& r)
{
    fprintf(stderr, "  -> %s %s\n", r.ok ? "ok" : "error:", r.error.c_str());
    for (size_t k = 0; k < r.outputs.size(); ++k)
        fprintf(stderr, "  out %zu: %s\n", k, fuzzing::describe(r.outputs[k].get()).c_str());
}

}  // namespace

// Makes the working folder and moves into it. libFuzzer reads its flags
// after this, so relative paths among them (the program itself, which
// -merge runs again, corpus folders, inputs, -artifact_prefix,
// -exact_artifact_path, -dict) are made absolute first,
// and crash inputs go to the folder the fuzzer was started in unless
// -artifact_prefix says otherwise.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr)
        broken("cannot read the current folder");
    bool artifactPrefix = false;
    for (int k = 0; k < *argc; ++k) {
        std::string arg = (*argv)[k];
        size_t path = 0;  // where a path begins in arg, npos for none
        if (arg.empty() || (k == 0 && arg.find('/') == std::string::npos))
            path = std::string::npos;  // the program found on the PATH
        else if (arg[0] == '-')
            path = arg.rfind("-artifact_prefix=", 0) == 0 || arg.rfind("-exact_artifact_path=", 0) == 0 ||
                           arg.rfind("-dict=", 0) == 0
                       ? arg.find('=') + 1
                       : std::string::npos;
        if (path != std::string::npos && path < arg.size() && arg[path] != '/')
            arg.insert(path, std::string(here) + "/");
        artifactPrefix |= arg.rfind("-artifact_prefix=", 0) == 0 || arg.rfind("-exact_artifact_path=", 0) == 0;
        args.push_back(arg);
    }
    if (!artifactPrefix)
        args.push_back(std::string("-artifact_prefix=") + here + "/");
    for (std::string& arg : args)
        pointers.push_back(&arg[0]);
    pointers.push_back(nullptr);
    *argc = static_cast<int>(args.size());
    *argv = pointers.data();

    const char* tmp = getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/boxgraph-fuzz-XXXXXX";
    if (mkdtemp(&folder[0]) == nullptr || chdir(folder.c_str()) != 0)
        broken("cannot make a working folder");
    workFolder() = folder;
    atexit([] {
        clearWorkFolder();
        if (chdir("/") == 0)
            rmdir(workFolder().c_str());
    });
    target();
    return 0;
}

namespace {

// Decodes one call from the input, makes it and checks what it did.
void runCall(FuzzedDataProvider& in)
{
    fuzzing::Call call = fuzzing::decode(in, target().signatures, target().limits, pool());

    std::vector<host::Array> before;
    for (const mxArray* a : call.args)
        before.emplace_back(mxDuplicateArray(a));

    if (getenv("BOXGRAPH_FUZZ_SHOW") != nullptr)
        showCall(call);
    Alloc_failAfter(call.failLibraryAt);
    host::failCallocAt(call.failCallocAt);
    host::failArrayAt(call.failArrayAt);
    host::interruptAt(call.interruptAt);
    host::CallResult r = host::callEntry(mexFunction, call.nlhs, call.args);
    Alloc_failAfter(0);
    if (getenv("BOXGRAPH_FUZZ_SHOW") != nullptr)
        showResult(r);

    if (r.escaped)
        broken(("an exception left mexFunction: " + r.error).c_str());
    if (r.callocLeft != 0)
        broken("mxCalloc blocks left behind");
    if (r.arraysLeft != 0)
        broken("arrays left behind");
    if (!r.ok && r.error.empty())
        broken("a host error without a message");
    for (size_t k = 0; k < call.args.size(); ++k)
        if (!fuzzing::sameArray(call.args[k], before[k].get()))
            broken("the call changed an argument");
    if (r.ok)
        checkResults(call, r);
    pool().settle();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    for (int calls = in.ConsumeIntegralInRange(1, 3); calls > 0; --calls)
        runCall(in);
    // Nothing outlives the input, so that it replays alone.
    pool().clear();
    clearWorkFolder();
    return 0;
}
