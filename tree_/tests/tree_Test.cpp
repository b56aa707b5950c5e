// tree_: making and loading trees through the hostless host.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include "Checks.h"
#include "TreeFiles.h"
#include "TreeObjects.h"

namespace {

using checks::expectClean;
using host::row;
using host::scalar;
using host::text;
using treefiles::TempFile;

const host::Module& tree_()
{
    return host::Module::at(MODULE_PATH);
}

TreeHandle* made(const host::CallResult& r)
{
    expectClean(r);
    EXPECT_TRUE(r.ok) << r.error;
    if (!r.ok)
        return nullptr;
    const mxArray* h = r.outputs[0].get();
    EXPECT_TRUE(mxIsChar(h));
    EXPECT_EQ(mxGetNumberOfDimensions(h), 2u);
    EXPECT_EQ(mxGetM(h), 1u);
    EXPECT_EQ(mxGetN(h), 8u);  // 16-bit characters: 16 bytes, the address and its tag
    // a 4-byte address leaves the rest of its 8 bytes zero
    const unsigned char* bytes = static_cast<const unsigned char*>(mxGetData(h));
    for (size_t k = sizeof(void*); k < 8; ++k)
        EXPECT_EQ(bytes[k], 0);
    return treetest::madeIn(h);
}

std::string refusal(const std::vector<const mxArray*>& args)
{
    return checks::refusal(tree_(), args);
}

TEST(tree_, MakesAOneBoxTreeFromCenterAndRadius)
{
    host::Array c = row({1, 2, 3});
    host::Array r = row({4, 5, 6});
    TreeHandle* h = made(tree_().call(1, {c.get(), r.get()}));
    ASSERT_NE(h, nullptr);
    mxGetPr(c.get())[0] = 99;  // the tree holds copies
    EXPECT_EQ(h->verbose, 1);
    EXPECT_EQ(h->tree->rect->dim, 3);
    EXPECT_EQ(h->tree->rect->center[0], 1);
    EXPECT_EQ(h->tree->rect->radius[2], 6);
    EXPECT_EQ(h->tree->root->child[0], nullptr);
    EXPECT_EQ(h->tree->root->child[1], nullptr);
    EXPECT_EQ(*h->tree->refs, 2);
    EXPECT_EQ(h->iter->root, h->tree->root);
    EXPECT_EQ(h->tree->sd[1500], 0);

    TreeHandle* other = made(tree_().call(0, {c.get(), r.get()}));
    EXPECT_NE(other, h);  // every call makes a tree of its own
}

TEST(tree_, DimensionArgumentIsTruncatedAndDecides)
{
    host::Array x = row({1, 2, 3, 4, 5});
    host::Array y = row({6, 7, 8});
    host::Array d = scalar(2.9);
    TreeHandle* h = made(tree_().call(1, {d.get(), x.get(), y.get(), y.get()}));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->tree->rect->dim, 2);
    EXPECT_EQ(h->tree->rect->center[1], 2);
    EXPECT_EQ(h->tree->rect->radius[1], 7);
    EXPECT_EQ(h->tree->sd[3], 1);
}

TEST(tree_, RefusesBadCreateArguments)
{
    host::Array one = row({1});
    host::Array two = row({1, 2});
    host::Array empty = row({});
    host::Array many = row(std::vector<double>(256, 1.0));
    host::Array wraps = row(std::vector<double>(257, 1.0));
    host::Array bytes = host::uint8Row({1, 2});
    host::Array sparse = host::sparse(1, 2, {0, 1, 2}, {0, 0});
    host::Array name = text("ab");
    const std::string badDim = "Tree: dimension must be between 1 and 255.";

    EXPECT_EQ(refusal({}), "Tree: give a center and a radius, or a file name.");
    EXPECT_EQ(refusal({empty.get(), empty.get()}), badDim);
    EXPECT_EQ(refusal({many.get(), many.get()}), badDim);
    EXPECT_EQ(refusal({wraps.get(), wraps.get()}), badDim);
    for (double d : {0.0, 0.9, -1.0, 256.0, 1e300, double(NAN)})
        EXPECT_EQ(refusal({scalar(d).get(), two.get(), two.get()}), badDim) << d;
    EXPECT_EQ(refusal({empty.get(), two.get(), two.get()}),
              "Tree: dimension must be a real double number.");
    EXPECT_EQ(refusal({name.get(), two.get(), two.get()}),
              "Tree: dimension must be a real double number.");
    EXPECT_EQ(refusal({scalar(3).get(), two.get(), many.get()}),
              "Tree: center has fewer elements than the dimension.");
    EXPECT_EQ(refusal({scalar(2).get(), two.get(), one.get()}),
              "Tree: radius has fewer elements than the dimension.");
    EXPECT_EQ(refusal({bytes.get(), two.get()}), "Tree: center must be a real double array.");
    EXPECT_EQ(refusal({sparse.get(), two.get()}), "Tree: center must be a real double array.");
    EXPECT_EQ(refusal({two.get(), name.get()}), "Tree: radius must be a real double array.");
    EXPECT_EQ(refusal({scalar(2).get(), two.get(), sparse.get()}),
              "Tree: radius must be a real double array.");

    // A rectangle no box can be found in: only the first dim entries count.
    for (double bad : {0.0, -1.0, double(INFINITY), double(NAN), -0.0}) {
        host::Array r = row({1, bad});
        EXPECT_EQ(refusal({two.get(), r.get()}), "Tree: radius must be positive and finite.") << bad;
        EXPECT_NE(made(tree_().call(1, {one.get(), two.get(), r.get()})), nullptr);
    }
    for (double bad : {double(INFINITY), -double(INFINITY), double(NAN)}) {
        host::Array c = row({1, bad});
        EXPECT_EQ(refusal({c.get(), two.get()}), "Tree: center must be finite.") << bad;
        EXPECT_NE(made(tree_().call(1, {one.get(), c.get(), two.get()})), nullptr);
    }
}

TEST(tree_, LoadsATreeFile)
{
    TempFile file(treefiles::header(2, {0, 1}, {2, 3}) +
                  std::string("\x01\x01\x00\x00\x01\x00\x00\x00\x00", 9));
    host::Array name = text(file.path());
    TreeHandle* h = made(tree_().call(1, {name.get()}));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->verbose, 0);
    EXPECT_EQ(h->tree->rect->radius[1], 3);
    EXPECT_EQ(h->tree->sd[0], 1);
    EXPECT_EQ(h->tree->sd[1], 0);
    EXPECT_EQ(h->tree->sd[2], 0);
    EXPECT_EQ(h->iter->depth, 0);
}

// A tree of dimension 30 whose bytes are those a text-mode stream changes or
// stops at: flags 26, splits 26, 13 and 10, aux 13 and 10.
std::string lineEndBytes()
{
    return std::string("\x1a\x1a\x0d"      // root: flags 26, split 26, aux 13
                       "\x01\x0d\x0a"      // its lower child: split 13, aux 10
                       "\x00\x00"           // with no children
                       "\x0d\x0a\x1a"      // its upper child: flags 13, split 10, aux 26
                       "\x00\x00",          // with no children
                       13);
}

TEST(tree_, LoadsEveryByteOfABinaryFile)
{
    TempFile file(treefiles::header(30, std::vector<double>(30, 0), std::vector<double>(30, 1)) +
                  lineEndBytes());
    host::Array name = text(file.path());
    TreeHandle* h = made(tree_().call(1, {name.get()}));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(treefiles::nodes(h->tree->root), lineEndBytes());
    EXPECT_EQ(h->tree->sd[0], 26);
    EXPECT_EQ(h->tree->sd[1], 13);
}

TEST(tree_, LoadsAFileWrittenInTextMode)
{
    // On Windows this stream writes 13 before every 10, in the header and in
    // the node bytes; elsewhere it writes the bytes as they are.
    TempFile file(treefiles::header(30, std::vector<double>(30, 0.5), std::vector<double>(30, 2)) +
                      lineEndBytes(),
                  "w");
    host::Array name = text(file.path());
    TreeHandle* h = made(tree_().call(1, {name.get()}));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->tree->rect->center[29], 0.5);
    EXPECT_EQ(h->tree->rect->radius[29], 2);
    EXPECT_EQ(treefiles::nodes(h->tree->root), lineEndBytes());
}

TEST(tree_, RefusesFilesItCannotLoad)
{
    host::Array missing = text("no such folder/no such file.tree");
    EXPECT_EQ(refusal({missing.get()}), "Tree: could not open file.");
    TempFile notTree("hello\n");
    host::Array name = text(notTree.path());
    EXPECT_EQ(refusal({name.get()}), "failed to load tree.");
    std::string chain;
    for (int i = 0; i < 600; ++i)
        chain += std::string("\x01\x00\x00", 3);  // each box the lower child of the last
    TempFile tooDeep(treefiles::header(1, {0}, {1}) + chain);
    host::Array deep = text(tooDeep.path());
    EXPECT_EQ(refusal({deep.get()}), "failed to load tree.");
    host::Array number = scalar(1);
    EXPECT_EQ(refusal({number.get()}), "Tree: file name must be text.");

    // A folder opens for reading on some systems; it is no file all the same.
    host::Array here = text(".");
    EXPECT_EQ(refusal({here.get()}), "Tree: could not open file.");
    // A NUL would end the name early: "x\0y" would load the file x.
    TempFile x(treefiles::header(1, {0}, {1}) + std::string("\x01\x00\x00", 3));
    host::Array withNul = treetest::chars(x.path() + std::string(1, '\0') + "y");
    EXPECT_EQ(refusal({withNul.get()}), "Tree: file name must not hold a NUL character.");
}

// A file cut short loads as far as it goes, with a warning; a short header
// line or a dimension past its field is refused.
TEST(tree_, WarnsOfAFileCutShortAndRefusesABrokenHeader)
{
    TempFile cut(treefiles::header(1, {0}, {1}, 3) + std::string("\x01\x00\x00\x01\x00\x00", 6));
    host::Array name = text(cut.path());
    host::CallResult r = checks::cleanCall(tree_(), 1, {name.get()});
    ASSERT_TRUE(r.ok) << r.error;
    treetest::madeIn(r.outputs[0].get());
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0], "boxgraph:Tree:boxCount: Tree: the file holds 2 boxes, its header says 3.");

    // A count no file can hold is said by its magnitude, not as 2^64 - 1.
    for (const auto& [count, said] : std::vector<std::pair<std::string, std::string>>{
             {"100000000000000000000000", "1e+23"}, {"9007199254740993", "9.01e+15"},
             {"9007199254740991", "9007199254740991"}, {std::string(400, '9'), "a number of more than 300 digits"}}) {
        TempFile claims("Tree at 0x1:\nRectangle at 0x1:\n  dim = 1\n  center = 0\n  radius = 1\n  no of boxes = " +
                        count + "\n" + std::string("\x01\x00\x00", 3));
        host::Array claimsName = text(claims.path());
        r = checks::cleanCall(tree_(), 1, {claimsName.get()});
        ASSERT_TRUE(r.ok) << r.error;
        treetest::madeIn(r.outputs[0].get());
        ASSERT_EQ(r.warnings.size(), 1u);
        EXPECT_EQ(r.warnings[0], "boxgraph:Tree:boxCount: Tree: the file holds 1 boxes, its header says " + said + ".");
    }

    TempFile whole(treefiles::header(1, {0}, {1}, 1) + std::string("\x01\x00\x00", 3));
    host::Array wholeName = text(whole.path());
    r = checks::cleanCall(tree_(), 1, {wholeName.get()});
    ASSERT_TRUE(r.ok) << r.error;
    treetest::madeIn(r.outputs[0].get());
    EXPECT_TRUE(r.warnings.empty());

    // A rectangle no box can be found in loads, with a word on what to set.
    for (const auto& [center, radius] : std::vector<std::pair<double, double>>{{0, 0}, {0, -1}, {NAN, 1}}) {
        TempFile odd(treefiles::header(1, {center}, {radius}, 1) + std::string("\x01\x00\x00", 3));
        host::Array oddName = text(odd.path());
        r = checks::cleanCall(tree_(), 1, {oddName.get()});
        ASSERT_TRUE(r.ok) << r.error;
        treetest::madeIn(r.outputs[0].get());
        ASSERT_EQ(r.warnings.size(), 1u);
        EXPECT_EQ(r.warnings[0].rfind("boxgraph:Tree:badRectangle: Tree: the file's rectangle has", 0), 0u)
            << r.warnings[0];
    }

    TempFile shortLine("Tree at 0x1:\nRectangle at 0x1:\n  dim = 2\n  center = 5\n  radius = 1 2\n"
                       "  no of boxes = 1\n" + std::string("\x01\x00\x00", 3));
    host::Array shortName = text(shortLine.path());
    EXPECT_EQ(refusal({shortName.get()}), "failed to load tree.");
}

}  // namespace
