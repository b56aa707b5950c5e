// Allocation-failure sweeps over every module: a representative call of
// each is made with its k-th allocation failing, k = 1, 2, ..., until it
// succeeds, separately for the library's checked allocations, the host's
// mxCalloc and the host arrays the call makes (Sweep.h checks that every
// failed call ends with a host error and leaves nothing behind). The call
// that finally succeeds must give what a call without failures gives.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "Capture.h"
#include "Sweep.h"
#include "Tree.h"
#include "TreeFiles.h"
#include "TreeObjects.h"
#include "TreeOperations.h"

namespace {

using host::Array;
using host::row;
using host::text;
using sweep::Allocator;
using V = std::vector<double>;

const host::Module& strongcomp() { return host::Module::at(MODULE_strongcomp); }
const host::Module& cyclereach() { return host::Module::at(MODULE_cyclereach); }
const host::Module& subshift() { return host::Module::at(MODULE_subshift); }
const host::Module& tree_() { return host::Module::at(MODULE_tree_); }
const host::Module& treeupdate() { return host::Module::at(MODULE_treeupdate); }
const host::Module& treeprops() { return host::Module::at(MODULE_treeprops); }
const host::Module& treeops() { return host::Module::at(MODULE_treeops); }

// Whether two calls gave the same results: class, shape and elements.
void expectSameOutputs(const host::CallResult& a, const host::CallResult& b)
{
    ASSERT_EQ(a.outputs.size(), b.outputs.size());
    for (size_t k = 0; k < a.outputs.size(); ++k) {
        const mxArray* x = a.outputs[k].get();
        const mxArray* y = b.outputs[k].get();
        ASSERT_EQ(x == nullptr, y == nullptr) << "result " << k;
        if (x == nullptr)
            continue;
        EXPECT_EQ(x->cls, y->cls) << "result " << k;
        EXPECT_EQ(x->dims, y->dims) << "result " << k;
        EXPECT_EQ(x->data, y->data) << "result " << k;
    }
}

// Failed calls per allocator (library, mxCalloc, arrays).
struct Failures {
    int library = 0;
    int calloc = 0;
    int arrays = 0;
};

// Sweeps every allocator over call. Every failed call must end with error
// and pass check; the call that succeeds must give expected's results.
Failures sweepAll(const host::Module& module, const std::function<host::CallResult()>& call,
                  const host::CallResult& expected, const std::string& error,
                  const std::function<void(Allocator, const host::CallResult&)>& check = nullptr)
{
    Failures failures;
    for (Allocator which : sweep::kAllocators) {
        SCOPED_TRACE(sweep::nameOf(which));
        const sweep::Outcome o = sweep::untilSuccess(module, which, call, error, [&](const host::CallResult& r) {
            if (check)
                check(which, r);
        });
        expectSameOutputs(o.success, expected);
        (which == Allocator::Library ? failures.library
                                     : which == Allocator::Calloc ? failures.calloc : failures.arrays) = o.failures;
    }
    return failures;
}

// The two console lines of a refused checked allocation.
void expectAllocationReport(const std::string& console)
{
    EXPECT_EQ(console.rfind("calloc of ", 0), 0u) << console;
    EXPECT_NE(console.find("\nptr"), std::string::npos) << console;
}

TEST(AllocationSweep, Strongcomp)
{
    Array a = host::graph(3, {{0, 1}, {1, 0}});
    Array at = host::transpose(a.get());
    auto call = [&] { return strongcomp().call(1, {a.get(), at.get()}); };
    const host::CallResult plain = call();
    ASSERT_TRUE(plain.ok) << plain.error;
    const Failures f = sweepAll(strongcomp(), call, plain, "allocation error in STRONGCOMP.",
                                [](Allocator which, const host::CallResult& r) {
                                    // a refused working array is announced by the fixed console line
                                    EXPECT_EQ(r.console, which == Allocator::Calloc ? "ERROR...calloc!\n" : "");
                                });
    EXPECT_EQ(f.calloc, 1);  // the working arrays, in one block
    EXPECT_EQ(f.arrays, 1);
}

TEST(AllocationSweep, Cyclereach)
{
    Array loop = host::graph(3, {{0, 1}, {1, 0}, {2, 2}});
    auto call = [&] { return cyclereach().call(1, {loop.get()}); };
    const host::CallResult plain = call();
    ASSERT_TRUE(plain.ok) << plain.error;
    const Failures f = sweepAll(cyclereach(), call, plain, "allocation error in CYCLEREACH.");
    EXPECT_EQ(f.calloc, 1);  // the search state; the result array holds the search path
    EXPECT_EQ(f.arrays, 1);
}

TEST(AllocationSweep, SubshiftWorkedExample)
{
    Array a = host::sparse(3, 3, {0, 2, 3, 4}, {1, 2, 0, 2});
    Array labels = host::uint8Row({0, 1, 0});
    Array start = host::scalar(0);
    auto call = [&] { return subshift().call(3, {a.get(), labels.get(), start.get()}); };
    const host::CallResult plain = call();
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(host::doubles(plain.outputs[0].get()), V({2, 3, 3, 1}));
    const Failures f = sweepAll(subshift(), call, plain, "subshift: out of memory.",
                                [](Allocator which, const host::CallResult& r) {
                                    if (which == Allocator::Library)
                                        expectAllocationReport(r.console);
                                });
    EXPECT_GT(f.library, 10);
    EXPECT_EQ(f.arrays, 3);  // i, j and v
}

TEST(AllocationSweep, TreeMadeAndLoaded)
{
    treefiles::TempFile file(treefiles::header(1, {0}, {1}) + std::string("\x01\x00\x00\x01\x00\x00", 6));
    Array name = text(file.path());
    Array c = row({1, 2});
    for (const std::vector<const mxArray*>& args :
         {std::vector<const mxArray*>{name.get()}, std::vector<const mxArray*>{c.get(), c.get()}}) {
        SCOPED_TRACE(args.size() == 1 ? "load" : "make");
        auto call = [&] {
            host::CallResult r = tree_().call(1, args);
            if (r.ok)
                treetest::madeIn(r.outputs[0].get());
            return r;
        };
        const host::CallResult plain = call();
        ASSERT_TRUE(plain.ok) << plain.error;
        Failures f;
        for (Allocator which : sweep::kAllocators) {
            SCOPED_TRACE(sweep::nameOf(which));
            const sweep::Outcome o = sweep::untilSuccess(tree_(), which, call, "Tree: out of memory.",
                                                         [&](const host::CallResult& r) {
                if (which == Allocator::Library)
                    expectAllocationReport(r.console);
            });
            const TreeHandle* made = treetest::handleIn(o.success.outputs[0].get());
            const TreeHandle* first = treetest::handleIn(plain.outputs[0].get());
            EXPECT_EQ(made->tree->rect->dim, first->tree->rect->dim);
            EXPECT_EQ(made->verbose, first->verbose);
            (which == Allocator::Library ? f.library : which == Allocator::Calloc ? f.calloc : f.arrays) = o.failures;
        }
        EXPECT_GT(f.library, 20);
        EXPECT_EQ(f.calloc, args.size() == 1 ? 1 : 0);  // the file name's copy
        EXPECT_EQ(f.arrays, 1);                          // the handle
    }
}

// A new tree over [-1, 1]^2 halved six times (64 boxes at depth 6), as a
// Tree object's struct.
Array newTree()
{
    Array t = treetest::newTree(tree_(), {0, 0}, {1, 1});
    Array op = text("subdivide");
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(treeops().call(1, {t.get(), op.get()}).ok);
    return t;
}

// Everything a tree holds: the tree file it writes, less the first two lines
// (the records' addresses), its sd table's start and verbose; "released"
// for a released tree.
std::string fingerprint(const Array& object)
{
    const TreeHandle* handle = treetest::handleOf(object);
    if (handle->tree == nullptr)
        return "released";
    std::string text = capture::captured([&](FILE* stream) { Tree_write(handle->tree, stream); });
    text.erase(0, text.find('\n', text.find('\n') + 1));
    return text + "sd " + std::string(reinterpret_cast<const char*>(handle->tree->sd), 16) +
           " verbose " + std::to_string(handle->verbose);
}

// Every tree operation of treeops' table, with all its arguments: a failed
// call leaves the tree as it was, and the one that succeeds changes it as a
// call without failures does.
TEST(AllocationSweep, TreeOperations)
{
    const std::vector<treetest::Operation> operations = treetest::operationsOf(treeops());
    ASSERT_FALSE(operations.empty()) << "treeops gave no table of operations";
    const treetest::ExampleArguments arguments;
    for (const treetest::Operation& c : operations) {
        SCOPED_TRACE(c.name);
        Array op = text(c.name);
        std::string unknown;
        const std::vector<Array> args = arguments.of(c, &unknown);
        EXPECT_EQ(unknown, "") << "the sweep has no value for an argument kind of " << c.name;
        auto callOn = [&](const Array& t) {
            std::vector<const mxArray*> list = {t.get(), op.get()};
            for (const Array& a : args)
                list.push_back(a.get());
            return treeops().call(c.results, list);
        };
        int failures = 0;
        for (Allocator which : sweep::kAllocators) {
            SCOPED_TRACE(sweep::nameOf(which));
            Array reference = newTree();
            const host::CallResult plain = callOn(reference);
            ASSERT_TRUE(plain.ok) << plain.error;
            Array t = newTree();
            const std::string before = fingerprint(t);
            const sweep::Outcome o = sweep::untilSuccess(
                treeops(), which, [&] { return callOn(t); }, "Tree: out of memory.",
                [&](const host::CallResult&) { EXPECT_EQ(fingerprint(t), before) << "a failed call changed the tree"; });
            expectSameOutputs(o.success, plain);
            EXPECT_EQ(fingerprint(t), fingerprint(reference));
            failures += o.failures;
        }
        EXPECT_GT(failures, 0);  // at least the operation's name
    }
}

// The forms of meets that the table's example call does not take: the hit
// row, the pairs and the boxes a tree lacks.
TEST(AllocationSweep, MeetsForms)
{
    Array points = host::dense(2, 3, {0.1, 0.2, -0.7, 0.4, 0.9, -0.9});
    Array upper = host::dense(2, 3, {0.3, 0.2, 0.7, 0.9, 0.9, -0.1});
    Array three = host::scalar(3);
    Array deep = host::scalar(12);
    Array op = text("meets");
    for (const char* form : {"any", "pairs", "missing"}) {
        SCOPED_TRACE(form);
        Array word = text(form);
        const mxArray* depth = std::string(form) == "missing" ? deep.get() : three.get();
        const int nlhs = std::string(form) == "pairs" ? 2 : 1;
        Array t = newTree();
        auto call = [&] { return treeops().call(nlhs, {t.get(), op.get(), points.get(), upper.get(), depth, word.get()}); };
        const host::CallResult plain = call();
        ASSERT_TRUE(plain.ok) << plain.error;
        const std::string before = fingerprint(t);
        int failures = 0;
        for (Allocator which : sweep::kAllocators) {
            const sweep::Outcome o = sweep::untilSuccess(
                treeops(), which, call, "Tree: out of memory.",
                [&](const host::CallResult&) { EXPECT_EQ(fingerprint(t), before) << "a failed call changed the tree"; });
            expectSameOutputs(o.success, plain);
            failures += o.failures;
        }
        EXPECT_GT(failures, 0);
    }
}

// The table itself: every array of it may be refused.
TEST(AllocationSweep, TreeOperationTable)
{
    Array word = text("operations");
    auto call = [&] { return treeops().call(1, {word.get()}); };
    const host::CallResult plain = call();
    ASSERT_TRUE(plain.ok) << plain.error;
    const Failures f = sweepAll(treeops(), call, plain, "Tree: out of memory.");
    EXPECT_EQ(f.calloc, 1);  // the word's copy
    EXPECT_GT(f.arrays, 10);  // the struct and its fields
}

TEST(AllocationSweep, TreePropertiesReadAndWritten)
{
    Array t = newTree();
    const TreeHandle* handle = treetest::handleOf(t);
    for (const char* property : {"center", "sd", "dim"}) {
        SCOPED_TRACE(property);
        Array name = text(property);
        auto call = [&] { return treeprops().call(1, {t.get(), name.get()}); };
        const host::CallResult plain = call();
        ASSERT_TRUE(plain.ok) << plain.error;
        const Failures f = sweepAll(treeprops(), call, plain, "Tree: out of memory.");
        EXPECT_EQ(f.calloc, 1);  // the property name's copy
        EXPECT_EQ(f.arrays, 1);
    }

    Array s = treetest::subscript(".", "radius");
    Array value = row({0.5, 0.25});
    auto call = [&] { return treeupdate().call(1, {t.get(), s.get(), value.get()}); };
    const std::string before = fingerprint(t);
    const sweep::Outcome o = sweep::untilSuccess(treeupdate(), Allocator::Calloc, call, "Tree: out of memory.",
                                                 [&](const host::CallResult&) { EXPECT_EQ(fingerprint(t), before); });
    EXPECT_EQ(o.failures, 2);  // the copies of the subscript's type and name
    EXPECT_EQ(handle->tree->rect->radius[1], 0.25);
    for (Allocator which : {Allocator::Library, Allocator::Arrays})
        EXPECT_EQ(sweep::untilSuccess(treeupdate(), which, call, "Tree: out of memory.").failures, 0);
}

}  // namespace
