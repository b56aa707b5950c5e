// treeops(object, operation, ...): the Tree class's operations on the boxes
// of the tree behind the object's handle. d is a depth below the root
// (default, or given as []: the deepest level); boxes at a depth are
// numbered 1..n in pre-order, lower half before upper.
//   n = treeops(T, "depth")             deepest level holding a box, -1 for none
//   n = treeops(T, "count", [d])        boxes at depth d
//   [c, r] = treeops(T, "boxes", [d])   their centres and radii, dim-by-n
//   X = treeops(T, "samples", P, [d, [first last]])
//                                       c + r .* P(:, j) for every box (from first to last) and column j
//   k = treeops(T, "search", X, [d])    per column of X (dim-by-m), the box holding it or 0
//   S = treeops(T, "meets", L, U, [d, [form]])
//                                       the boxes whose closed hulls meet each rectangle [L(:, j), U(:, j)]:
//                                       form "sparse" (default) S(k, j) = 1, n-by-m; "pairs" [k, j] columns;
//                                       "any" a 1-by-n logical row, true for boxes some rectangle meets;
//                                       "missing" the lower corners of the boxes met that the tree lacks
//                                       (d up to 500*dim), whose insertion makes exactly those boxes
//   [L, U] = treeops(T, "faces", [d, [first last]])
//                                       the exact lower and upper faces of every box (from first to last)
//   n = treeops(T, "insert", X, [d])    makes the boxes holding the points; n new at d
//   n = treeops(T, "keep", mask, [d])   removes the boxes at d where mask is false; n left
//   n = treeops(T, "coarsen", [d, mask])
//                                       removes every box below those at d (where mask is true); n at d
//   n = treeops(T, "subdivide")         halves every box at the deepest level; n new boxes
//   treeops(T, "save", file)            writes a tree file that Tree(file) reads back, replacing
//                                       an old one only once the new one is whole
//   treeops(T, "release")               frees the tree; every copy of T then refuses
//   ops = treeops("operations")         the table of operations below, as a struct array
//
// What the operations learn of a tree (its deepest level, and the index that
// lists and searches the level last listed or searched) is kept with its
// handle until the tree changes (lib/TreeHandle.h): a call then costs what
// its own points and boxes cost. Operations that change boxes end with
// TreeHandle_reset, which gives it back.
//
// The table (operations, at the end) is the one list of the Tree's
// operations. The class's subsref, the allocation sweep and the fuzzer's
// decoder read it through treeops("operations"); testing/operations_test.m
// checks INDEX, the @Tree method files and the refusal table against it. To
// add an operation: a function here and its row in the table, a @Tree method
// file (unless it is read as a property), and its INDEX entry and refusal rows.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "Covering.h"
#include "FileReplacement.h"
#include "HandleArray.h"
#include "HostArrays.h"
#include "Meets.h"
#include "Tree.h"
#include "TreeHandle.h"

namespace {

struct Call {
    TreeHandle* handle;
    const char* name;       // the operation, for messages
    int nargs;              // arguments after the operation's name
    const mxArray** args;
    int nlhs;
    mxArray** plhs;

    Tree* tree() const { return handle->tree; }
    int dim() const { return handle->tree->rect->dim; }
    std::string prefix() const { return std::string("Tree.") + name + ": "; }
    gateway::Refusal refusal(const char* reason, const std::string& message) const
    {
        return {reason, prefix() + message};
    }
    [[noreturn]] void fail(const char* reason, const std::string& message) const
    {
        gateway::fail(refusal(reason, message));
    }
};

// Argument k as a depth from 0 to most (by default the tree's deepest level);
// absent or empty ([], as the m-files take it too), the deepest level.
int32_t depthArgument(const Call& call, int k, std::optional<int32_t> most = std::nullopt)
{
    const auto deepest = [&] { return std::max(TreeHandle_depth(call.handle), 0); };
    if (k >= call.nargs || mxGetNumberOfElements(call.args[k]) == 0)
        return deepest();
    const int32_t limit = most ? std::max(*most, 0) : deepest();
    const std::string range = "depth must be a whole number from 0 to " + std::to_string(limit) + ".";
    const double d = gateway::realScalar(call.args[k], call.refusal("badDepth", range));
    if (!(d >= 0 && d <= limit && d == floor(d)))
        call.fail("badDepth", range);
    return static_cast<int32_t>(d);
}

// Argument k as dim-by-m points; *count gets m. The refusal has the given
// reason and text.
const double* pointsArgument(const Call& call, int k, int64_t* count, const char* reason, const std::string& shape)
{
    if (k >= call.nargs)
        call.fail(reason, shape);
    const gateway::Doubles x = gateway::realDoubles(call.args[k], call.refusal(reason, shape));
    // dim rows, also when there are no columns: zeros(0, 5) is five points
    // without coordinates, not none. [] (0-by-0) is no points.
    const mxArray* a = call.args[k];
    const bool empty = mxGetM(a) == 0 && mxGetN(a) == 0;
    if (mxGetNumberOfDimensions(a) != 2 ||
        (!empty && static_cast<size_t>(mxGetM(a)) != static_cast<size_t>(call.dim())))
        call.fail(reason, shape);
    *count = static_cast<int64_t>(x.count / static_cast<size_t>(call.dim()));
    return x.data;
}

const double* pointsArgument(const Call& call, int k, int64_t* count)
{
    return pointsArgument(call, k, count, "badPoints",
                          "points must be a real " + std::to_string(call.dim()) + "-by-m matrix, one point per column.");
}

// Argument k, when given, as a range [first last] of the n boxes at a depth
// (first = last + 1 for none).
void rangeArgument(const Call& call, int k, int64_t n, int64_t* first, int64_t* last)
{
    if (k >= call.nargs)
        return;
    const std::string range = "the box range must be [first last], whole numbers from 1 to " +
                              std::to_string(n) + ".";
    const gateway::Doubles r = gateway::realDoubles(call.args[k], call.refusal("badRange", range));
    if (r.count != 2 || !(r.data[0] >= 1 && r.data[0] <= r.data[1] + 1 && r.data[1] <= n) ||
        r.data[0] != floor(r.data[0]) || r.data[1] != floor(r.data[1]))
        call.fail("badRange", range);
    *first = static_cast<int64_t>(r.data[0]);
    *last = static_cast<int64_t>(r.data[1]);
}

void refuseStatus(const Call& call, TreeStatus status)
{
    switch (status) {
    case TREE_OK: return;
    case TREE_TOO_DEEP:
        call.fail("tooDeep", "a tree of dimension " + std::to_string(call.dim()) + " can be at most " +
                  std::to_string(TREE_DEPTH_PER_DIM * call.dim()) + " levels deep.");
    case TREE_BAD_SPLIT:
        call.fail("badSplit", "the split coordinates sd that it needs must be 0 to " +
                  std::to_string(call.dim() - 1) + ".");
    case TREE_TOO_MANY: call.fail("tooManyBoxes", "a level would hold more than 2147483647 boxes.");
    }
}

// An operation that changes the tree: change(&n) changes it and gives the
// number the call returns. That number's array is made first: a host that
// cannot make it then fails the call with the tree as it was, not changed
// behind the error.
template <class Change>
void changeTree(const Call& call, Change change)
{
    call.plhs[0] = gateway::doubleScalar(0);
    double* result = mxGetPr(call.plhs[0]);
    int64_t n = 0;
    const TreeStatus status = change(&n);
    TreeHandle_reset(call.handle);
    refuseStatus(call, status);
    *result = static_cast<double>(n);
}

// ---- the operations

void depth(const Call& call)
{
    call.plhs[0] = gateway::doubleScalar(TreeHandle_depth(call.handle));
}

void count(const Call& call)
{
    const int32_t d = depthArgument(call, 0);
    call.plhs[0] = gateway::doubleScalar(static_cast<double>(TreeHandle_count(call.handle, d)));
}

void boxes(const Call& call)
{
    const int32_t d = depthArgument(call, 0);
    const auto n = static_cast<size_t>(TreeHandle_count(call.handle, d));
    const auto dim = static_cast<size_t>(call.dim());
    call.plhs[0] = gateway::doubleMatrix(dim, n);
    double* radii = nullptr;
    if (call.nlhs > 1) {
        call.plhs[1] = gateway::doubleMatrix(dim, n);
        radii = mxGetPr(call.plhs[1]);
    }
    TreeHandle_boxes(call.handle, d, mxGetPr(call.plhs[0]), radii);
}

void samples(const Call& call)
{
    int64_t s = 0;
    const double* offsets = pointsArgument(call, 0, &s);
    const int32_t d = depthArgument(call, 1);
    const int64_t n = TreeHandle_count(call.handle, d);
    int64_t first = 1;
    int64_t last = n;
    rangeArgument(call, 2, n, &first, &last);
    // Sizes counted in double: their product can pass what a size_t holds.
    const double columns = static_cast<double>(s) * static_cast<double>(last - first + 1);
    gateway::resultBytes(static_cast<double>(call.dim()) * columns, sizeof(double));
    call.plhs[0] = gateway::doubleMatrix(static_cast<size_t>(call.dim()), static_cast<size_t>(columns));
    TreeHandle_samples(call.handle, d, first, last, offsets, s, mxGetPr(call.plhs[0]));
}

void search(const Call& call)
{
    int64_t m = 0;
    const double* points = pointsArgument(call, 0, &m);
    const int32_t d = depthArgument(call, 1);
    double* numbers = nullptr;
    call.plhs[0] = gateway::doubleVector(gateway::Shape::Row, static_cast<size_t>(m), &numbers);
    TreeHandle_search(call.handle, d, points, m, numbers);
}

void meets(const Call& call)
{
    const std::string shape = "the corners must be real " + std::to_string(call.dim()) +
                              "-by-m matrices of one size, one rectangle per column.";
    if (call.nargs < 2)
        call.fail("badCorners", shape);
    int64_t m = 0, mu = 0;
    const double* lower = pointsArgument(call, 0, &m, "badCorners", shape);
    const double* upper = pointsArgument(call, 1, &mu, "badCorners", shape);
    if (m != mu || mxGetN(call.args[0]) != mxGetN(call.args[1]))
        call.fail("badCorners", shape);
    const size_t values = static_cast<size_t>(m) * static_cast<size_t>(call.dim());
    for (size_t i = 0; i < values; ++i)
        if (std::isnan(lower[i]) || std::isnan(upper[i]))
            call.fail("badCorners", "the corners must not be NaN.");
    enum class Form { Sparse, Pairs, Any, Missing } form = Form::Sparse;
    if (call.nargs > 3) {
        const std::string forms = "the form must be \"sparse\", \"pairs\", \"any\" or \"missing\".";
        const gateway::HostText text = gateway::text(call.args[3], call.refusal("badForm", forms));
        if (strcmp(text.get(), "pairs") == 0)
            form = Form::Pairs;
        else if (strcmp(text.get(), "any") == 0)
            form = Form::Any;
        else if (strcmp(text.get(), "missing") == 0)
            form = Form::Missing;
        else if (strcmp(text.get(), "sparse") != 0)
            call.fail("badForm", forms);
    }
    // The boxes a tree lacks can lie below its deepest level, as insert's can.
    const int32_t d = form == Form::Missing ? depthArgument(call, 2, TREE_DEPTH_PER_DIM * call.dim())
                                            : depthArgument(call, 2);
    struct Free {
        void operator()(BoxMeets* meets) const { BoxMeets_free(&meets); }
    };
    const BoxMeetsForm asked = form == Form::Any       ? BOX_MEETS_ANY
                               : form == Form::Missing ? BOX_MEETS_MISSING
                                                       : BOX_MEETS_LISTS;
    const std::unique_ptr<BoxMeets, Free> found(Tree_meets(call.tree(), d, lower, upper, m, asked));
    const int64_t n = found->boxCount;
    if (form == Form::Missing) {
        const size_t values = found->corners.size();
        const auto dim = static_cast<size_t>(call.dim());
        call.plhs[0] = gateway::doubleMatrix(dim, values / dim);
        std::copy(found->corners.begin(), found->corners.end(), mxGetPr(call.plhs[0]));
        return;
    }
    if (form == Form::Any) {
        mxLogical* hit = nullptr;
        call.plhs[0] = gateway::logicalRow(static_cast<size_t>(n), &hit);
        for (size_t k = 0; k < static_cast<size_t>(n); ++k)
            hit[k] = found->met[k] != 0;
        return;
    }
    const auto pairs = static_cast<size_t>(found->starts.back());
    if (form == Form::Pairs) {
        double* k = nullptr;
        double* j = nullptr;
        call.plhs[0] = gateway::doubleVector(gateway::Shape::Column, pairs, &k);
        if (call.nlhs > 1)
            call.plhs[1] = gateway::doubleVector(gateway::Shape::Column, pairs, &j);
        for (int64_t q = 0; q < m; ++q)
            for (auto p = found->starts[static_cast<size_t>(q)]; p < found->starts[static_cast<size_t>(q) + 1]; ++p) {
                k[p] = found->boxes[static_cast<size_t>(p)];
                if (j != nullptr)
                    j[p] = static_cast<double>(q + 1);
            }
        return;
    }
    call.plhs[0] = gateway::sparseResult(static_cast<size_t>(n), static_cast<size_t>(m), pairs);
    mwIndex* jc = mxGetJc(call.plhs[0]);
    mwIndex* ir = mxGetIr(call.plhs[0]);
    double* pr = mxGetPr(call.plhs[0]);
    for (size_t q = 0; q <= static_cast<size_t>(m); ++q)
        jc[q] = static_cast<mwIndex>(found->starts[q]);
    for (size_t p = 0; p < pairs; ++p) {
        ir[p] = static_cast<mwIndex>(found->boxes[p] - 1);
        pr[p] = 1;
    }
}

void faces(const Call& call)
{
    const int32_t d = depthArgument(call, 0);
    const int64_t n = TreeHandle_count(call.handle, d);
    int64_t first = 1;
    int64_t last = n;
    rangeArgument(call, 1, n, &first, &last);
    const auto dim = static_cast<mwSize>(call.dim());
    const auto columns = static_cast<mwSize>(last - first + 1);
    call.plhs[0] = gateway::doubleMatrix(dim, columns);
    std::optional<gateway::HostMemory<double>> unasked;  // the upper faces, when not asked for
    double* upper = nullptr;
    if (call.nlhs > 1) {
        call.plhs[1] = gateway::doubleMatrix(dim, columns);
        upper = mxGetPr(call.plhs[1]);
    } else {
        upper = unasked.emplace(static_cast<size_t>(dim) * static_cast<size_t>(columns)).get();
    }
    TreeHandle_faces(call.handle, d, first, last, mxGetPr(call.plhs[0]), upper);
}

void insert(const Call& call)
{
    gateway::keepsWhatItMakes();  // the new boxes stay in the tree
    int64_t m = 0;
    const double* points = pointsArgument(call, 0, &m);
    const int32_t d = depthArgument(call, 1, TREE_DEPTH_PER_DIM * call.dim());
    changeTree(call, [&](int64_t* added) { return Tree_insert(call.tree(), d, points, m, added); });
}

// Checks that maskArray holds one truth per box at depth d; their number.
size_t maskSize(const Call& call, const mxArray* maskArray, int32_t d)
{
    const int64_t n = TreeHandle_count(call.handle, d);
    if (mxIsSparse(maskArray) || (!mxIsLogical(maskArray) && !gateway::isRealDouble(maskArray)))
        call.fail("badMask", "the mask must be a logical or real double array.");
    if (static_cast<int64_t>(mxGetNumberOfElements(maskArray)) != n)
        call.fail("badMask", "the mask must hold one element per box at depth " + std::to_string(d) + " (" +
                                 std::to_string(n) + ").");
    if (!mxIsLogical(maskArray)) {
        // NaN is neither true nor false (logical(NaN) is an error too).
        const double* values = mxGetPr(maskArray);
        for (int64_t k = 0; k < n; ++k)
            if (std::isnan(values[k]))
                call.fail("badMask", "the mask must not hold NaN.");
    }
    return static_cast<size_t>(n);
}

void keep(const Call& call)
{
    if (call.nargs < 1)
        call.fail("badMask", "give a mask: one true or false per box at the depth.");
    const int32_t d = depthArgument(call, 1);
    const gateway::Truths mask(call.args[0], maskSize(call, call.args[0], d));
    changeTree(call, [&](int64_t* kept) {
        Tree_keep(call.tree(), d, mask.data(), kept);
        return TREE_OK;
    });
}

void coarsen(const Call& call)
{
    const int32_t d = depthArgument(call, 0);
    std::optional<gateway::Truths> mask;
    if (call.nargs > 1)
        mask.emplace(call.args[1], maskSize(call, call.args[1], d));
    changeTree(call, [&](int64_t* left) {
        Tree_coarsen(call.tree(), d, mask ? mask->data() : nullptr, left);
        return TREE_OK;
    });
}

void subdivide(const Call& call)
{
    gateway::keepsWhatItMakes();  // the new boxes stay in the tree
    changeTree(call, [&](int64_t* added) { return Tree_subdivide(call.tree(), added); });
}

void save(const Call& call)
{
    if (call.nargs < 1)
        call.fail("badFileName", "give a file name.");
    const gateway::HostText name =
        gateway::fileName(call.args[0], call.refusal("badFileName", "the file name must be text."),
                          call.refusal("badFileName", "the file name must not hold a NUL character."));
    if (call.tree()->root == nullptr)
        call.fail("emptyTree", "the tree has no boxes to save.");
    // The tree goes to a new file beside the target, which replaces the
    // target only once it is whole: a failure leaves the old file as it was.
    ReplacementStatus status = REPLACEMENT_OK;
    Owner<FileReplacement, FileReplacement_free> file(FileReplacement_open(name.get(), &status));
    if (status == REPLACEMENT_NOT_REGULAR)
        call.fail("notRegularFile", "the file exists and is not a regular file (a folder, a device); name a file.");
    if (!file)
        call.fail("cannotWrite", "could not open the file for writing.");
    const bool written = Tree_write(call.tree(), FileReplacement_stream(file.get())) == 0;
    TreeHandle_reset(call.handle);
    if (!written)
        call.fail("cannotWrite", "could not write the file.");
    FileReplacement* whole = file.release();
    if (FileReplacement_commit(&whole) != REPLACEMENT_OK)
        call.fail("cannotWrite", "could not write the file.");
}

void release(const Call& call)
{
    TreeHandle_release(call.handle);
}

// One row per operation.
struct Operation {
    const char* name;
    // "method": a method file @Tree/<name>.m, called as name(T, ...) and
    // T.name(...); "property": read as T.name.
    const char* form;
    int results;  // the most results it gives
    // What follows the name, in order, each word one argument: depth (0 to
    // T.depth), anyDepth (0 to 500 * dim), points (dim-by-m), offsets
    // (dim-by-s, for samples), range ([first last] box numbers), mask (one
    // element per box), file (a file name), form (a word choosing the
    // result's form). Their number is the most the operation takes.
    const char* arguments;
    // Its own refusals, boxgraph:Tree:<reason>, beyond those every operation
    // shares (usage, noOperation, the handle's, interrupted, outOfMemory).
    const char* refusals;
    void (*run)(const Call&);
};

const Operation operations[] = {
    {"depth", "property", 1, "", "", depth},
    {"count", "method", 1, "depth", "badDepth", count},
    {"boxes", "method", 2, "depth", "badDepth", boxes},
    {"samples", "method", 1, "offsets depth range", "badPoints badDepth badRange", samples},
    {"search", "method", 1, "points depth", "badPoints badDepth", search},
    {"meets", "method", 1, "points points depth form", "badCorners badDepth badForm", meets},
    {"faces", "method", 2, "depth range", "badDepth badRange", faces},
    {"insert", "method", 1, "points anyDepth", "badPoints badDepth badSplit", insert},
    {"keep", "method", 1, "mask depth", "badMask badDepth", keep},
    {"coarsen", "method", 1, "depth mask", "badDepth badMask", coarsen},
    {"subdivide", "method", 1, "", "badSplit tooDeep tooManyBoxes", subdivide},
    {"save", "method", 0, "file", "badFileName emptyTree notRegularFile cannotWrite", save},
    {"release", "method", 0, "", "", release},
};

// The number of words of a row's argument list.
int argumentCount(const Operation& op)
{
    int n = 0;
    for (const char* p = op.arguments; *p != '\0'; ++p)
        n += (p == op.arguments || p[-1] == ' ') && *p != ' ';
    return n;
}

// The table as a 1-by-n struct array with the fields of a row (results a
// double, arguments and refusals as text, words separated by spaces), in
// *result before it is filled: the host drops it if a field cannot be made.
void makeOperationTable(mxArray** result)
{
    const char* fields[] = {"name", "form", "results", "arguments", "refusals"};
    const size_t n = sizeof operations / sizeof operations[0];
    mxArray* table = *result = gateway::structResult(1, n, 5, fields);
    for (size_t k = 0; k < n; ++k) {
        const Operation& op = operations[k];
        mxSetField(table, k, "name", gateway::textResult(op.name));
        mxSetField(table, k, "form", gateway::textResult(op.form));
        mxSetField(table, k, "results", gateway::doubleScalar(op.results));
        mxSetField(table, k, "arguments", gateway::textResult(op.arguments));
        mxSetField(table, k, "refusals", gateway::textResult(op.refusals));
    }
}

}  // namespace

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(treehandle::kTree, [&] {
        if (nrhs == 1 && mxIsChar(prhs[0])) {
            const gateway::HostText word = gateway::text(prhs[0], {"usage", ""});
            if (strcmp(word.get(), "operations") != 0)
                gateway::fail("usage", "Tree: treeops needs an object and an operation.");
            makeOperationTable(&plhs[0]);
            return;
        }
        if (nrhs < 2)
            gateway::fail("usage", "Tree: treeops needs an object and an operation.");
        TreeHandle* handle = treehandle::handleOf(prhs[0]);
        const gateway::HostText name =
            gateway::text(prhs[1], {"usage", "Tree: the operation must be text."});
        for (const Operation& op : operations) {
            if (strcmp(name.get(), op.name) == 0) {
                const Call call{handle, op.name, nrhs - 2, prhs + 2, nlhs, plhs};
                if (call.nargs > argumentCount(op))
                    call.fail("usage", "too many arguments.");
                // A call that fails keeps no index it made on the way.
                const uint64_t made = handle->kept.indexesMade;
                try {
                    op.run(call);
                } catch (...) {
                    if (handle->kept.indexesMade != made)
                        TreeHandle_forget(handle);
                    throw;
                }
                return;
            }
        }
        gateway::fail("noOperation", std::string("Tree: no operation '") + name.get() + "'.");
    });
}
