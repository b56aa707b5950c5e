// treeops: the Tree class's box operations through the hostless host, and
// the handle checks every tree gateway shares.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <functional>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "AddressLimit.h"
#include "Checks.h"
#include "TreeFiles.h"
#include "TreeObjects.h"
#include "TreeOperations.h"

namespace {

using host::Array;
using host::row;
using host::scalar;
using host::text;
using V = std::vector<double>;

const host::Module& treeops()
{
    return host::Module::at(MODULE_PATH);
}

// A new tree over the rectangle, as a Tree object's struct.
Array newTree(const V& c, const V& r)
{
    return treetest::newTree(host::Module::at(TREE_PATH), c, r);
}

// Runs treeops(object, op, args...) and returns its results; a refusal fails the test.
std::vector<Array> run(const Array& object, const std::string& op, std::vector<const mxArray*> args = {},
                       int nlhs = 1)
{
    Array name = text(op);
    args.insert(args.begin(), {object.get(), name.get()});
    host::CallResult r = checks::cleanCall(treeops(), nlhs, args);
    EXPECT_TRUE(r.ok) << op << ": " << r.error;
    return std::move(r.outputs);
}

double number(const Array& object, const std::string& op, std::vector<const mxArray*> args = {})
{
    std::vector<Array> out = run(object, op, std::move(args));
    return out.empty() || out[0] == nullptr ? NAN : host::doubles(out[0].get())[0];
}

std::string refusal(const Array& object, const std::string& op, std::vector<const mxArray*> args = {})
{
    Array name = text(op);
    args.insert(args.begin(), {object.get(), name.get()});
    return checks::refusal(treeops(), args);
}

TEST(treeops, SubdivideCountBoxesSearchThroughTheGateway)
{
    Array t = newTree({0, 0}, {1, 1});
    EXPECT_EQ(number(t, "depth"), 0);
    EXPECT_EQ(number(t, "subdivide"), 2);
    EXPECT_EQ(number(t, "subdivide"), 4);
    EXPECT_EQ(number(t, "depth"), 2);
    EXPECT_EQ(number(t, "count"), 4);
    Array one = scalar(1);
    EXPECT_EQ(number(t, "count", {one.get()}), 2);

    std::vector<Array> listed = run(t, "boxes", {}, 2);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(mxGetM(listed[0].get()), 2u);
    EXPECT_EQ(mxGetN(listed[0].get()), 4u);
    EXPECT_EQ(host::doubles(listed[0].get()), V({-0.5, -0.5, -0.5, 0.5, 0.5, -0.5, 0.5, 0.5}));
    EXPECT_EQ(host::doubles(listed[1].get()), V(8, 0.5));
    std::vector<Array> centresOnly = run(t, "boxes", {one.get()});
    EXPECT_EQ(host::doubles(centresOnly[0].get()), V({-0.5, 0, 0.5, 0}));

    Array points = host::dense(2, 5, {-0.9, -0.9, 0.2, -0.3, 0.9, 0.9, 1, 1, 3, 0});
    std::vector<Array> found = run(t, "search", {points.get()});
    EXPECT_EQ(mxGetM(found[0].get()), 1u);
    EXPECT_EQ(host::doubles(found[0].get()), V({1, 3, 4, 4, 0}));
    found = run(t, "search", {points.get(), one.get()});
    EXPECT_EQ(host::doubles(found[0].get()), V({1, 2, 2, 2, 0}));
    Array none = host::dense(2, 0);
    found = run(t, "search", {none.get()});
    EXPECT_EQ(mxGetN(found[0].get()), 0u);

    // an empty depth ([]) is the deepest level, as a missing one is
    Array empty = host::dense(0, 0);
    EXPECT_EQ(number(t, "count", {empty.get()}), 4);
    found = run(t, "search", {points.get(), empty.get()});
    EXPECT_EQ(host::doubles(found[0].get()), V({1, 3, 4, 4, 0}));
}

TEST(treeops, InsertKeepSaveAndLoad)
{
    Array t = newTree({0}, {1});
    Array points = row({0.3, 0.35, -0.9, 7});
    Array eight = scalar(8);
    EXPECT_EQ(number(t, "insert", {points.get(), eight.get()}), 3);
    EXPECT_EQ(number(t, "insert", {points.get(), eight.get()}), 0);
    EXPECT_EQ(number(t, "count"), 3);
    Array mask = host::sparseLogical(1, 3, {0, 1, 1, 2}, {0, 0});  // sparse: refused
    EXPECT_EQ(refusal(t, "keep", {mask.get()}), "Tree.keep: the mask must be a logical or real double array.");
    Array keepFirst = row({1, 0, 0});
    EXPECT_EQ(number(t, "keep", {keepFirst.get()}), 1);
    std::vector<Array> centres = run(t, "boxes");
    EXPECT_EQ(host::doubles(centres[0].get()), V({-1 + 12.5 / 128}));

    treefiles::TempFile file("");
    Array name = text(file.path());
    run(t, "save", {name.get()});
    host::CallResult loaded = checks::cleanCall(host::Module::at(TREE_PATH), 1, {name.get()});
    ASSERT_TRUE(loaded.ok) << loaded.error;
    treetest::madeIn(loaded.outputs[0].get());
    Array u = treetest::object(loaded.outputs[0].get());
    EXPECT_EQ(number(u, "depth"), 8);
    EXPECT_EQ(host::doubles(run(u, "boxes")[0].get()), V({-1 + 12.5 / 128}));
    Array nowhere = text("no such folder/x.tree");
    EXPECT_EQ(refusal(t, "save", {nowhere.get()}), "Tree.save: could not open the file for writing.");
    Array zero = row({0});
    run(t, "keep", {zero.get()});
    EXPECT_EQ(number(t, "depth"), -1);
    EXPECT_EQ(refusal(t, "save", {name.get()}), "Tree.save: the tree has no boxes to save.");
}

// save never destroys what was there: a target that is no regular file is
// refused before anything is written, a name with a NUL is refused (it
// would name another file), and a write that fails (a full disk, here a
// file-size limit) leaves the old file whole and no other file behind.
TEST(treeops, SaveNeverDestroysWhatWasThere)
{
    Array t = newTree({0, 0}, {1, 1});
    for (int k = 0; k < 12; ++k)
        run(t, "subdivide");  // 8191 boxes: about 24 kB of file
    const std::string notAFile =
        "Tree.save: the file exists and is not a regular file (a folder, a device); name a file.";
    Array here = text(".");
    EXPECT_EQ(refusal(t, "save", {here.get()}), notAFile);
    treefiles::TempFile old("");
    Array withNul = treetest::chars(old.path() + std::string(1, '\0') + "x");
    EXPECT_EQ(refusal(t, "save", {withNul.get()}), "Tree.save: the file name must not hold a NUL character.");
#if !defined(_WIN32)
    Array full = text("/dev/full");
    EXPECT_EQ(refusal(t, "save", {full.get()}), notAFile);
    struct stat device;
    EXPECT_EQ(stat("/dev/full", &device), 0);
    EXPECT_TRUE(S_ISCHR(device.st_mode));

    Array small = newTree({0}, {1});
    Array name = text(old.path());
    run(small, "save", {name.get()});
    FILE* file = fopen(old.path().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char bytes[4096];
    const std::string before(bytes, fread(bytes, 1, sizeof bytes, file));
    fclose(file);
    struct rlimit limit;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit unlimited = limit;
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const std::string error = refusal(t, "save", {name.get()});
    setrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(error, "Tree.save: could not write the file.");
    file = fopen(old.path().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::string(bytes, fread(bytes, 1, sizeof bytes, file)), before);
    fclose(file);
    Array loaded = treetest::object(checks::cleanCall(host::Module::at(TREE_PATH), 1, {name.get()}).outputs[0].get());
    treetest::madeIn(mxGetField(loaded.get(), 0, "handle"));
    EXPECT_EQ(number(loaded, "count"), 1);
#endif
}

// Coarsen through the gateway: the whole level or the boxes a mask (logical
// or double) chooses; refusals change nothing.
TEST(treeops, CoarsenGoesBackToALevel)
{
    Array t = newTree({0}, {1});
    for (int k = 0; k < 4; ++k)
        run(t, "subdivide");
    Array two = scalar(2);
    Array some = host::uint8Row({1, 0, 0, 1});
    EXPECT_EQ(refusal(t, "coarsen", {two.get(), some.get()}),
              "Tree.coarsen: the mask must be a logical or real double array.");
    Array three = row({1, 0, 1});
    EXPECT_EQ(refusal(t, "coarsen", {two.get(), three.get()}),
              "Tree.coarsen: the mask must hold one element per box at depth 2 (4).");
    Array withNan = row({1, NAN, 0, 1});
    EXPECT_EQ(refusal(t, "coarsen", {two.get(), withNan.get()}), "Tree.coarsen: the mask must not hold NaN.");
    Array five = scalar(5);
    EXPECT_EQ(refusal(t, "coarsen", {five.get()}), "Tree.coarsen: depth must be a whole number from 0 to 4.");
    EXPECT_EQ(number(t, "count"), 16);

    Array middle = row({0, 1, 1, 0});
    EXPECT_EQ(number(t, "coarsen", {two.get(), middle.get()}), 4);
    EXPECT_EQ(number(t, "depth"), 4);
    EXPECT_EQ(host::doubles(run(t, "boxes")[0].get()),
              V({-0.9375, -0.8125, -0.6875, -0.5625, 0.5625, 0.6875, 0.8125, 0.9375}));
    Array first(mxCreateNumericMatrix(1, 4, mxLOGICAL_CLASS, mxREAL));
    mxGetLogicals(first.get())[0] = true;
    EXPECT_EQ(number(t, "coarsen", {two.get(), first.get()}), 4);
    EXPECT_EQ(number(t, "count"), 4);
    EXPECT_EQ(number(t, "coarsen"), 4);  // the deepest level: nothing changes
    Array one = scalar(1);
    EXPECT_EQ(number(t, "coarsen", {one.get()}), 2);
    EXPECT_EQ(number(t, "depth"), 1);
}

// The boxes meeting rectangles, in the three forms, and the boxes' faces,
// on a level with a removed box.
TEST(treeops, MeetsAndFacesThroughTheGateway)
{
    Array t = newTree({0}, {1});
    run(t, "subdivide");
    run(t, "subdivide");  // [-1, -0.5), [-0.5, 0), [0, 0.5), [0.5, 1]
    Array keepAllButThird = row({1, 1, 0, 1});
    run(t, "keep", {keepAllButThird.get()});
    // [-0.6, -0.2] meets 1 and 2; the point 0 touches 2 (box 3 is gone);
    // [0.2, 0.9] meets the last box, now 3; [2, 3] meets nothing.
    Array lower = row({-0.6, 0, 0.2, 2});
    Array upper = row({-0.2, 0, 0.9, 3});
    std::vector<Array> s = run(t, "meets", {lower.get(), upper.get()});
    const mxArray* S = s[0].get();
    ASSERT_TRUE(mxIsSparse(S));
    EXPECT_EQ(mxGetM(S), 3u);
    EXPECT_EQ(mxGetN(S), 4u);
    const mwIndex* jc = mxGetJc(S);
    EXPECT_EQ(std::vector<mwIndex>(jc, jc + 5), std::vector<mwIndex>({0, 2, 3, 4, 4}));
    EXPECT_EQ(std::vector<mwIndex>(mxGetIr(S), mxGetIr(S) + 4), std::vector<mwIndex>({0, 1, 1, 2}));
    EXPECT_EQ(V(mxGetPr(S), mxGetPr(S) + 4), V({1, 1, 1, 1}));

    Array two = scalar(2);
    Array three = scalar(3);
    Array pairs = text("pairs");
    std::vector<Array> kj = run(t, "meets", {lower.get(), upper.get(), two.get(), pairs.get()}, 2);
    EXPECT_EQ(mxGetN(kj[0].get()), 1u);
    EXPECT_EQ(host::doubles(kj[0].get()), V({1, 2, 2, 3}));
    EXPECT_EQ(host::doubles(kj[1].get()), V({1, 1, 2, 3}));
    Array any = text("any");
    Array one = scalar(1);
    std::vector<Array> hit = run(t, "meets", {lower.get(), upper.get(), one.get(), any.get()});
    ASSERT_TRUE(mxIsLogical(hit[0].get()));
    EXPECT_EQ(mxGetM(hit[0].get()), 1u);
    EXPECT_EQ(std::vector<bool>(mxGetLogicals(hit[0].get()), mxGetLogicals(hit[0].get()) + 2),
              std::vector<bool>({true, true}));
    // No rectangles: an n-by-0 matrix.
    Array none = host::dense(1, 0);
    s = run(t, "meets", {none.get(), none.get()});
    EXPECT_EQ(mxGetM(s[0].get()), 3u);
    EXPECT_EQ(mxGetN(s[0].get()), 0u);

    // The boxes the rectangles meet that the tree lacks: the removed box 3
    // at depth 2, and at depth 3, below the deepest level, every box met.
    Array missingForm = text("missing");
    std::vector<Array> made = run(t, "meets", {lower.get(), upper.get(), two.get(), missingForm.get()});
    EXPECT_EQ(mxGetM(made[0].get()), 1u);
    EXPECT_EQ(host::doubles(made[0].get()), V({0}));
    made = run(t, "meets", {lower.get(), upper.get(), three.get(), missingForm.get()});
    EXPECT_EQ(host::doubles(made[0].get()), V({-0.75, -0.5, -0.25, 0, 0.25, 0.5, 0.75}));
    std::vector<Array> f = run(t, "faces", {}, 2);
    EXPECT_EQ(host::doubles(f[0].get()), V({-1, -0.5, 0.5}));
    EXPECT_EQ(host::doubles(f[1].get()), V({-0.5, 0, 1}));
    Array range = row({2, 3});
    f = run(t, "faces", {two.get(), range.get()});
    EXPECT_EQ(host::doubles(f[0].get()), V({-0.5, 0.5}));

    const std::string corners = "Tree.meets: the corners must be real 1-by-m matrices of one size, one rectangle per column.";
    Array shorter = row({0});
    Array nan = row({NAN, 0, 0, 0});
    Array other = text("all");
    EXPECT_EQ(refusal(t, "meets", {lower.get()}), corners);
    EXPECT_EQ(refusal(t, "meets", {lower.get(), shorter.get()}), corners);
    EXPECT_EQ(refusal(t, "meets", {lower.get(), nan.get()}), "Tree.meets: the corners must not be NaN.");
    EXPECT_EQ(refusal(t, "meets", {lower.get(), upper.get(), two.get(), other.get()}),
              "Tree.meets: the form must be \"sparse\", \"pairs\", \"any\" or \"missing\".");
    EXPECT_EQ(refusal(t, "meets", {lower.get(), upper.get(), three.get()}),
              "Tree.meets: depth must be a whole number from 0 to 2.");
    Array wide = row({1, 4});
    EXPECT_EQ(refusal(t, "faces", {two.get(), wide.get()}),
              "Tree.faces: the box range must be [first last], whole numbers from 1 to 3.");
}

TEST(treeops, RefusesBadArguments)
{
    Array t = newTree({0, 0}, {1, 1});
    run(t, "subdivide");
    const std::string shape = "points must be a real 2-by-m matrix, one point per column.";
    Array three = host::dense(3, 2);
    Array column = host::dense(4, 1);
    Array bytes = host::uint8Row({1, 2});
    EXPECT_EQ(refusal(t, "search", {three.get()}), "Tree.search: " + shape);
    EXPECT_EQ(refusal(t, "search", {column.get()}), "Tree.search: " + shape);
    EXPECT_EQ(refusal(t, "insert", {bytes.get()}), "Tree.insert: " + shape);
    EXPECT_EQ(refusal(t, "search"), "Tree.search: " + shape);
    // Points without coordinates are no points of a plane; [] is no points at all.
    Array rowless = host::dense(0, 5);
    EXPECT_EQ(refusal(t, "search", {rowless.get()}), "Tree.search: " + shape);
    EXPECT_EQ(refusal(t, "insert", {rowless.get()}), "Tree.insert: " + shape);
    EXPECT_EQ(refusal(t, "samples", {rowless.get()}), "Tree.samples: " + shape);
    Array planeEmpty = host::dense(2, 0);
    Array none = host::dense(0, 0);
    for (const Array* empty : {&planeEmpty, &none}) {
        std::vector<Array> found = run(t, "search", {empty->get()});
        EXPECT_EQ(mxGetM(found[0].get()), 1u);
        EXPECT_EQ(mxGetN(found[0].get()), 0u);
    }

    Array points = host::dense(2, 1);
    for (double d : {-1.0, 2.0, 0.5, double(NAN)}) {
        Array depth = scalar(d);
        EXPECT_EQ(refusal(t, "search", {points.get(), depth.get()}),
                  "Tree.search: depth must be a whole number from 0 to 1.") << d;
        EXPECT_EQ(refusal(t, "count", {depth.get()}), "Tree.count: depth must be a whole number from 0 to 1.");
    }
    Array tooDeep = scalar(1001);
    EXPECT_EQ(refusal(t, "insert", {points.get(), tooDeep.get()}),
              "Tree.insert: depth must be a whole number from 0 to 1000.");
    Array pair = row({1, 1});
    EXPECT_EQ(refusal(t, "count", {pair.get()}), "Tree.count: depth must be a whole number from 0 to 1.");

    Array shortMask = row({1});
    EXPECT_EQ(refusal(t, "keep", {shortMask.get()}),
              "Tree.keep: the mask must hold one element per box at depth 1 (2).");
    EXPECT_EQ(refusal(t, "keep"), "Tree.keep: give a mask: one true or false per box at the depth.");
    // NaN is no truth value: refused, not kept as true; the tree unchanged.
    Array withNan = row({0, NAN});
    EXPECT_EQ(refusal(t, "keep", {withNan.get()}), "Tree.keep: the mask must not hold NaN.");
    EXPECT_EQ(number(t, "count"), 2);
    EXPECT_EQ(refusal(t, "frobnicate"), "Tree: no operation 'frobnicate'.");
    Array number7 = scalar(7);
    EXPECT_EQ(refusal(t, "save", {number7.get()}), "Tree.save: the file name must be text.");

    // sd entries that are not coordinates: refused, the tree unchanged.
    Array sd = row({0, 5});
    Array s = treetest::subscript(".", "sd");
    ASSERT_TRUE(checks::cleanCall(host::Module::at(TREEUPDATE_PATH), 1, {t.get(), s.get(), sd.get()}).ok);
    EXPECT_EQ(refusal(t, "subdivide"), "Tree.subdivide: the split coordinates sd that it needs must be 0 to 1.");
    EXPECT_EQ(number(t, "count"), 2);
}

TEST(treeops, SamplesAreTheOffsetPointsOfEachBoxInTheRange)
{
    Array t = newTree({0, 0}, {2, 1});
    run(t, "subdivide");
    run(t, "subdivide");
    const Array offsets = host::dense(2, 3, {-1, 1, 0.5, -0.25, 0, 0});
    const V o = host::doubles(offsets.get());
    // c + r .* o for boxes first to last at depth d, box after box.
    auto expected = [&](double d, size_t first, size_t last) {
        Array depth = scalar(d);
        std::vector<Array> listed = run(t, "boxes", {depth.get()}, 2);
        const V c = host::doubles(listed[0].get()), r = host::doubles(listed[1].get());
        V points;
        for (size_t b = first; b <= last; ++b)
            for (size_t j = 0; j < 3; ++j)
                for (size_t k = 0; k < 2; ++k)
                    points.push_back(c[(b - 1) * 2 + k] + r[(b - 1) * 2 + k] * o[j * 2 + k]);
        return points;
    };
    std::vector<Array> all = run(t, "samples", {offsets.get()});
    EXPECT_EQ(mxGetM(all[0].get()), 2u);
    EXPECT_EQ(mxGetN(all[0].get()), 12u);
    EXPECT_EQ(host::doubles(all[0].get()), expected(2, 1, 4));
    Array one = scalar(1), two = scalar(2);
    EXPECT_EQ(host::doubles(run(t, "samples", {offsets.get(), one.get()})[0].get()), expected(1, 1, 2));
    Array middle = row({2, 3});
    EXPECT_EQ(host::doubles(run(t, "samples", {offsets.get(), two.get(), middle.get()})[0].get()),
              expected(2, 2, 3));
    for (const V& empty : {V{3, 2}, V{5, 4}, V{1, 0}}) {
        Array range = row(empty);
        std::vector<Array> none = run(t, "samples", {offsets.get(), two.get(), range.get()});
        EXPECT_EQ(mxGetM(none[0].get()), 2u);
        EXPECT_EQ(mxGetN(none[0].get()), 0u) << empty[0];
    }
    Array noOffsets = host::dense(0, 0);
    EXPECT_EQ(mxGetN(run(t, "samples", {noOffsets.get()})[0].get()), 0u);

    const std::string range = "Tree.samples: the box range must be [first last], whole numbers from 1 to 4.";
    for (const V& bad : {V{0, 2}, V{2, 5}, V{3, 1}, V{1.5, 2}, V{1, 2, 3}, V{1}, V{1, double(NAN)}}) {
        Array r = row(bad);
        EXPECT_EQ(refusal(t, "samples", {offsets.get(), two.get(), r.get()}), range) << bad.size();
    }
    Array whole = host::int32Row({1, 2});
    EXPECT_EQ(refusal(t, "samples", {offsets.get(), two.get(), whole.get()}), range);
    const std::string shape = "Tree.samples: points must be a real 2-by-m matrix, one point per column.";
    Array three = host::dense(3, 1);
    EXPECT_EQ(refusal(t, "samples", {three.get()}), shape);
    EXPECT_EQ(refusal(t, "samples"), shape);
    Array deep = scalar(3);
    EXPECT_EQ(refusal(t, "samples", {offsets.get(), deep.get()}),
              "Tree.samples: depth must be a whole number from 0 to 2.");

    // A tree without boxes has none to sample.
    Array nothing = row(V(4, 0));
    run(t, "keep", {nothing.get()});
    EXPECT_EQ(mxGetN(run(t, "samples", {offsets.get()})[0].get()), 0u);
}

// A result larger than the share of memory a call may take is refused
// before it is made, not left to the host to die making it.
TEST(treeops, SamplesTooLargeForTheMemoryAreRefusedFirst)
{
    Array t = newTree({0, 0}, {1, 1});
    for (int k = 0; k < 10; ++k)
        run(t, "subdivide");
    const Array offsets = host::dense(2, 1 << 16);  // 1024 boxes x 65536 points: 1 GiB of result
    {
        limits::AddressLimit limit(256u << 20);
        if (!limit.active())
            GTEST_SKIP() << "no address-space limit can be set here";
        EXPECT_EQ(refusal(t, "samples", {offsets.get()}), "Tree: out of memory.");
    }
    Array deepest = scalar(10), range = row({1, 1});  // one box's worth, once the limit is gone
    EXPECT_EQ(mxGetN(run(t, "samples", {offsets.get(), deepest.get(), range.get()})[0].get()), 1u << 16);
}

// Every result counts against the call's budget before it is made: past the
// user's cap, the centres are refused before the library lists a box (its
// checked allocation would report on the console first), and the refused
// call leaves the tree as it was.
TEST(treeops, ResultsPastTheBudgetAreRefusedBeforeTheyAreMade)
{
    Array t = newTree({0, 0}, {1, 1});
    for (int k = 0; k < 16; ++k)
        run(t, "subdivide");  // 65536 boxes: 1 MiB of centres, 1 MiB of radii
    Array name = text("boxes");
    {
        checks::MemoryCap cap("5e5");
        for (int nlhs : {1, 2}) {
            host::CallResult r = checks::cleanCall(treeops(), nlhs, {t.get(), name.get()});
            EXPECT_EQ(r.error, "Tree: out of memory.");
            EXPECT_EQ(r.errorId, "boxgraph:Tree:outOfMemory");
            EXPECT_EQ(r.console, "");
        }
        EXPECT_EQ(number(t, "count"), 65536);
    }
    EXPECT_EQ(run(t, "boxes", {}, 2).size(), 2u);
}

// Loading a tree needs about what the tree needs: the tree is the call's
// result, so the call may take what is available but a reserve, not half.
// A tree larger than that is refused cleanly.
TEST(treeops, ATreeLoadsInAboutWhatItNeeds)
{
    Array t = newTree({0}, {1});
    for (int k = 0; k < 20; ++k)
        run(t, "subdivide");  // 2^21 - 1 boxes: about 100 MB in the heap
    treefiles::TempFile file("");
    Array name = text(file.path());
    run(t, "save", {name.get()});
    run(t, "release");
    const host::Module& tree_ = host::Module::at(TREE_PATH);
    {
        limits::AddressLimit limit(150u << 20);
        if (!limit.active())
            GTEST_SKIP() << "no address-space limit can be set here";
        host::CallResult loaded = checks::cleanCall(tree_, 1, {name.get()});
        ASSERT_TRUE(loaded.ok) << loaded.error;
        Array u = treetest::object(loaded.outputs[0].get());
        EXPECT_EQ(number(u, "count"), 1 << 20);
        run(u, "release");
    }
    {
        limits::AddressLimit limit(60u << 20);
        EXPECT_EQ(checks::refusal(tree_, {name.get()}), "Tree: out of memory.");
    }
}

// The table treeops gives is what the operations do: each takes the
// arguments its row lists (one more is refused) and gives as many results
// as the row says, which is what the class hands on from T.op(...).
TEST(treeops, EveryOperationTakesAndGivesWhatItsRowSays)
{
    const std::vector<treetest::Operation> operations = treetest::operationsOf(treeops());
    ASSERT_FALSE(operations.empty());
    const treetest::ExampleArguments examples;
    Array op = text("subdivide");
    for (const treetest::Operation& row : operations) {
        SCOPED_TRACE(row.name);
        Array t = newTree({0, 0}, {1, 1});
        for (int k = 0; k < 6; ++k)
            run(t, "subdivide");
        std::string unknown;
        std::vector<Array> args = examples.of(row, &unknown);
        EXPECT_EQ(unknown, "") << "no example of an argument kind";
        std::vector<const mxArray*> list;
        for (const Array& a : args)
            list.push_back(a.get());
        // One result more than the row says: that one stays empty.
        std::vector<Array> out = run(t, row.name, list, row.results + 1);
        for (int k = 0; k <= row.results; ++k)
            EXPECT_EQ(out.size() > static_cast<size_t>(k) && out[static_cast<size_t>(k)] != nullptr,
                      k < row.results) << "result " << k;
        if (row.name == "release")
            continue;  // the tree is gone: the next refusal would be that one
        list.push_back(op.get());
        EXPECT_EQ(refusal(t, row.name, list), "Tree." + row.name + ": too many arguments.");
    }
}

// Every tree gateway refuses a handle this process did not make and a
// released tree, without reading through the handle's address.
// What a call keeps of the tree (the index of the level it listed or
// searched) is never used once the tree changed: through treeops itself, and
// through treeupdate, a module of its own that counts its changes in the
// handle. Each result is compared with the same call on a tree made as the
// changed one is.
TEST(treeops, WhatACallKeepsFollowsEveryChange)
{
    Array t = newTree({0, 0}, {1, 1});
    Array u = newTree({0.5, 0}, {1, 1});
    for (int k = 0; k < 4; ++k) {
        run(t, "subdivide");
        run(u, "subdivide");
    }
    Array points = host::dense(2, 4, {-0.9, -0.9, 0.1, 0.6, 0.9, 0.2, 1.4, -0.3});
    Array offsets = host::dense(2, 1, {-1, 1});
    Array four = scalar(4);
    Array range = row({6, 9});
    auto same = [&](const char* op, std::vector<const mxArray*> args) {
        EXPECT_EQ(host::doubles(run(t, op, args)[0].get()), host::doubles(run(u, op, args)[0].get())) << op;
    };
    EXPECT_EQ(host::doubles(run(t, "search", {points.get()})[0].get()), V({1, 14, 15, 0}));
    run(t, "samples", {offsets.get(), four.get(), range.get()});
    EXPECT_NE(treetest::handleOf(t)->kept.index, nullptr);

    const host::Module& treeupdate = host::Module::at(TREEUPDATE_PATH);
    Array center = treetest::subscript(".", "center");
    Array moved = row({0.5, 0});
    const uint64_t before = treetest::handleOf(t)->changes;
    ASSERT_TRUE(checks::cleanCall(treeupdate, 1, {t.get(), center.get(), moved.get()}).ok);
    EXPECT_EQ(treetest::handleOf(t)->changes, before + 1);
    same("samples", {offsets.get(), four.get(), range.get()});
    same("search", {points.get()});
    same("boxes", {});

    Array mask = row({1, 1, 1, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(number(t, "keep", {mask.get()}), 8);
    EXPECT_EQ(treetest::handleOf(t)->kept.index, nullptr);  // given back with the change
    EXPECT_EQ(number(u, "keep", {mask.get()}), 8);
    same("search", {points.get()});
    same("count", {});
    EXPECT_EQ(number(t, "subdivide"), 16);
    EXPECT_EQ(number(t, "depth"), 5);

    // sd and the radius are changes too; verbose is not.
    Array sd = treetest::subscript(".", "sd");
    Array verbose = treetest::subscript(".", "verbose");
    Array one = row({1});
    for (const Array* s : {&sd, &verbose}) {
        const uint64_t then = treetest::handleOf(t)->changes;
        ASSERT_TRUE(checks::cleanCall(treeupdate, 1, {t.get(), s->get(), one.get()}).ok);
        EXPECT_EQ(treetest::handleOf(t)->changes, then + (s == &sd ? 1 : 0));
    }
}

TEST(treeops, HandlesOfOtherProcessesAndReleasedTreesAreRefused)
{
    Array t = newTree({0}, {1});
    Array copy(mxDuplicateArray(t.get()));
    const std::string foreign =
        "Tree: not a tree of this session; trees live in memory and are not saved with the "
        "workspace (use save(T, file) and Tree(file)).";
    // The same address with another tag, and a made-up address.
    Array forged(mxDuplicateArray(t.get()));
    static_cast<unsigned char*>(mxGetData(mxGetField(forged.get(), 0, "handle")))[9] ^= 1;
    static int notATree = 0;
    Array madeUp = treetest::object(treetest::handleArray(&notATree).get());
    Array center = text("center");
    Array subs = treetest::subscript(".", "radius");
    Array value = row({2});
    const host::Module& treeprops = host::Module::at(TREEPROPS_PATH);
    const host::Module& treeupdate = host::Module::at(TREEUPDATE_PATH);
    for (const Array* bad : {&forged, &madeUp}) {
        EXPECT_EQ(refusal(*bad, "depth"), foreign);
        EXPECT_EQ(checks::refusal(treeprops, {bad->get(), center.get()}), foreign);
        EXPECT_EQ(checks::refusal(treeupdate, {bad->get(), subs.get(), value.get()}), foreign);
    }

    // A tag recomputed from the session's own handle: were the tag an
    // invertible mix of the address and something fixed for the process,
    // one handle would give that away, and with it the tag of any address.
    // Here the forgery names another live tree, so a wrong acceptance is
    // seen, not a crash.
    {
        auto mix = [](uint64_t z) {
            z += 0x9e3779b97f4a7c15ULL;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            return z ^ (z >> 31);
        };
        auto inverse = [](uint64_t a) {  // of an odd number, modulo 2^64 (Newton's iteration)
            uint64_t x = a;
            for (int k = 0; k < 6; ++k)
                x *= 2 - a * x;
            return x;
        };
        auto undoShift = [](uint64_t z, int by) {
            uint64_t x = z;
            for (int k = by; k < 64; k += by)
                x = z ^ (x >> by);
            return x;
        };
        auto unmix = [&](uint64_t z) {
            z = undoShift(z, 31) * inverse(0x94d049bb133111ebULL);
            z = undoShift(z, 27) * inverse(0xbf58476d1ce4e5b9ULL);
            return undoShift(z, 30) - 0x9e3779b97f4a7c15ULL;
        };
        ASSERT_EQ(unmix(mix(0x123456789abcdefULL)), 0x123456789abcdefULL);
        auto addressAndTag = [](const Array& object) {
            uint64_t words[2];
            memcpy(words, mxGetData(mxGetField(object.get(), 0, "handle")), sizeof words);
            return std::pair<uint64_t, uint64_t>{words[0], words[1]};
        };
        Array other = newTree({0}, {1});
        const auto [address, tag] = addressAndTag(t);
        const auto [otherAddress, otherTag] = addressAndTag(other);
        const uint64_t secret = unmix(tag) ^ address;
        Array recomputed(mxDuplicateArray(other.get()));
        const uint64_t forgedTag = mix(otherAddress ^ secret);
        memcpy(static_cast<unsigned char*>(mxGetData(mxGetField(recomputed.get(), 0, "handle"))) + 8, &forgedTag,
               sizeof forgedTag);
        EXPECT_NE(forgedTag, otherTag);
        EXPECT_EQ(refusal(recomputed, "depth"), foreign);
        EXPECT_EQ(checks::refusal(treeprops, {recomputed.get(), center.get()}), foreign);
        // and the handles of this process stay good in every module
        EXPECT_EQ(number(other, "depth"), 0);
        EXPECT_TRUE(checks::cleanCall(treeprops, 1, {other.get(), center.get()}).ok);
        run(other, "release");
    }

    run(t, "release");
    const std::string released = "Tree: the tree was released.";
    EXPECT_EQ(refusal(copy, "count"), released);
    EXPECT_EQ(refusal(t, "release"), released);
    EXPECT_EQ(checks::refusal(treeprops, {copy.get(), center.get()}), released);
    EXPECT_EQ(checks::refusal(treeupdate, {copy.get(), subs.get(), value.get()}), released);
}

}  // namespace
