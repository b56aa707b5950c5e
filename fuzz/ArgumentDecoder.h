// Turns a fuzzer's bytes into one host call: the argument and result counts,
// the arguments as host arrays made through our host model (host/mex.h) in
// every class and shape the gateways meet, malformed ones included, and the
// faults to inject while the call runs. One decoder serves every gateway
// target (GatewayFuzz.cpp): a target names the arguments its gateway expects,
// and the decoder follows that signature most of the time, so that inputs get
// past the argument checks, and picks any other kind otherwise. The tree
// operations' signatures come from treeops' own table (signaturesOf).
#ifndef BOXGRAPH_FUZZ_ARGUMENT_DECODER_H
#define BOXGRAPH_FUZZ_ARGUMENT_DECODER_H

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "TreeRecords.h"

namespace fuzzing {

enum class Kind {
    // any class and shape
    Sparse,    // sparse double or logical; well formed, slightly broken or raw
    Dense,     // full double array, 2-D or 3-D, empty too
    Scalar,    // one number of any class: NaN, Inf, huge, negative, fractions
    Numeric,   // full array of any other class, raw bytes
    Text,      // char array: a word the gateways know, or raw 16-bit characters
    Struct,    // struct array with some of the fields the gateways read, values of any kind
    // shaped after what came before
    Transpose,     // the transpose of the last sparse argument, when it is well formed
    Labels,        // uint8 row with about one label per vertex of the last sparse argument
    TreeObject,    // struct('handle', h): a pooled tree's handle, or a broken handle of any shape
    Subscript,     // struct('type', t, 'subs', s), as the Tree class passes it
    Points,        // dim-by-m points for the last tree, mostly inside its rectangle
    Mask,          // about one entry per box at the last tree's deepest level
    FileName,      // "f0" to "f3", written first with tree-file text or raw bytes, or as left
    Depth,         // a depth: mostly a whole number from 0 to 2 past the last tree's deepest level
    Range,         // [first last], mostly box numbers of the last tree's deepest level
    TreeArgument,  // what follows a treeops operation: Points, Mask, Scalar, Range or Text
    Word,          // the parameter's word (an operation's name), now and then any text
};
constexpr int kPlainKinds = 6;  // the first six kinds, picked when the signature is not followed

// One parameter of a signature: a kind, and for Kind::Word its word.
struct Param {
    Param(Kind k) : kind(k) {}  // so that a signature lists kinds as they are
    Param(Kind k, std::string w) : kind(k), word(std::move(w)) {}
    Kind kind;
    std::string word;
};
using Signature = std::vector<Param>;

// The signatures of the tree operations in the table of treeops' entry
// (treeops("operations")): the object, the operation's name, and a kind for
// each argument its row lists. Stops the process, naming it, at an argument
// kind it has no decoding for.
std::vector<Signature> signaturesOf(void (*treeops)(int, mxArray*[], int, const mxArray*[]));

// Bounds that keep one run fast.
struct Limits {
    size_t columns;  // sparse arrays have at most this many columns
    size_t entries;  // and room for at most this many stored entries
};

// Trees that outlive a call, as trees made by tree_ live on in a session.
// Later calls of an input pick their handles, so the tree gateways get real
// trees, also ones that earlier calls changed or released. The pool is
// bounded (trees beyond its capacity or grown past kMaxBoxes are freed after
// a call) and emptied after every input, so that an input replays alone.
class TreePool {
public:
    static constexpr size_t kCapacity = 8;
    static constexpr size_t kMaxBoxes = 1 << 16;

    TreePool() = default;
    TreePool(const TreePool&) = delete;
    TreePool& operator=(const TreePool&) = delete;
    ~TreePool();

    // A tree of the pool, or a new one made from the input: a one-box tree,
    // subdivided a few times, perhaps with a changed sd table or released,
    // or a tree read from bytes of the input.
    TreeHandle* pick(FuzzedDataProvider& in);
    // Takes over a tree that a call made (tree_).
    void adopt(TreeHandle* handle);
    // After a call: checks that every tree the input touched is sound
    // (aborting when not), then frees trees grown too large and the oldest
    // beyond the capacity.
    void settle();
    // Frees every tree.
    void clear();

private:
    std::vector<TreeHandle*> trees_;
    std::vector<TreeHandle*> touched_;
};

// One call: what the decoder made and what to inject.
struct Call {
    int nlhs = 1;
    std::vector<host::Array> owned;    // every array made for the call
    std::vector<const mxArray*> args;  // the arguments, some perhaps the same array twice
    long failLibraryAt = 0;  // the n-th checked allocation of the library fails (0: none)
    long failCallocAt = 0;   // the n-th mxCalloc returns null
    long failArrayAt = 0;    // the n-th array the call makes is refused
    long interruptAt = 0;    // the n-th interrupt check finds one (always set: it bounds the work)
};

// Decodes a call following one of the signatures (the input picks which).
Call decode(FuzzedDataProvider& in, const std::vector<Signature>& signatures, const Limits& limits,
            TreePool& pool);

// Whether two arrays have the same class, shape, elements, sparse structure
// and fields, recursively.
bool sameArray(const mxArray* a, const mxArray* b);

// A short text of an array for reading a failing input: class, shape,
// sparse structure, elements and fields.
std::string describe(const mxArray* a);

// Stops the process with a message; libFuzzer keeps the input.
[[noreturn]] void broken(const char* what);

}  // namespace fuzzing

#endif
