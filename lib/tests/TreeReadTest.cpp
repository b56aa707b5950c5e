// The tree-file reader.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Alloc.h"
#include "Box.h"
#include "Covering.h"
#include "Owner.h"
#include "Rectangle.h"
#include "ThrowingAlloc.h"
#include "Tree.h"
#include "TreeFiles.h"
#include "TreeHandle.h"
#include "Trees.h"
#include "Vec.h"

namespace {

using treefiles::header;
using trees::makeTree;
using trees::TreePtr;
using treefiles::Stream;

using HandlePtr = Owner<TreeHandle, TreeHandle_free>;

HandlePtr load(const std::string& bytes)
{
    Stream stream(bytes);
    return HandlePtr(TreeHandle_load(stream.get()));
}

std::string bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int v : values)
        text += static_cast<char>(v);
    return text;
}

const std::string kOneBox = header(1, {0}, {1}) + bytes({1, 0, 0, 0, 0});

TEST(TreeRead, OneBoxExample)
{
    HandlePtr h = load(kOneBox);
    ASSERT_TRUE(h);
    Tree* tree = h->tree;
    EXPECT_EQ(h->verbose, 0);
    EXPECT_EQ(*tree->refs, 2);
    EXPECT_EQ(h->iter->root, tree->root);
    EXPECT_EQ(tree->rect->dim, 1);
    EXPECT_EQ(tree->rect->center[0], 0);
    EXPECT_EQ(tree->rect->radius[0], 1);
    EXPECT_EQ(tree->root->flags, 1);
    EXPECT_EQ(tree->root->child[0], nullptr);
    EXPECT_EQ(tree->root->child[1], nullptr);
    EXPECT_EQ(tree->root->number, -1);
    for (int i = 0; i <= 500; ++i)
        ASSERT_EQ(tree->sd[i], 0);
}

TEST(TreeRead, HeaderFailures)
{
    std::string body = "Rectangle at 0x1:\n  dim = 1\n  center = 0\n  radius = 1\n";
    std::string count = "  no of boxes = 1\n";
    std::string node = bytes({1, 0, 0});
    EXPECT_TRUE(load("Tree at 0x1:\n" + body + count + node));
    EXPECT_FALSE(load("Tree at 0:\n" + body + count + node));
    EXPECT_FALSE(load("Tree at 0x1:\nRectangle at 0:\n  dim = 1\n  center = 0\n  radius = 1\n" +
                      count + node));
    EXPECT_FALSE(load("Tree at 0x1:\n" + body));                      // no count line
    EXPECT_FALSE(load("Tree at 0x1:\n" + body + count));              // empty node stream
    EXPECT_FALSE(load("Tree at 0x1:\n" + body + count + bytes({0, 1, 0, 0})));
    EXPECT_FALSE(load("Tree: 0x1\n" + body + count + node));
    EXPECT_FALSE(load(""));
    EXPECT_FALSE(load("not a tree file at all"));
}

TEST(TreeRead, AddressesInEveryPlatformsPointerForm)
{
    auto file = [](const std::string& tree, const std::string& rect) {
        return "Tree at " + tree + ":\nRectangle at " + rect + header(1, {0}, {1}).substr(29) +
               bytes({1, 0, 0});
    };
    ASSERT_TRUE(load(file("0x1", "0x1")));
    EXPECT_TRUE(load(file("0x55d0c0a3b2a0", "0X7FFE1234")));         // glibc
    EXPECT_TRUE(load(file("0000000000000001", "00007FF6A1B2C3D0")));  // MinGW, MSVC
    EXPECT_TRUE(load(file("0x100000000", "1")));  // not 0, though its low 32 bits are
    EXPECT_FALSE(load(file("(nil)", "0x1")));     // glibc's null
    EXPECT_FALSE(load(file("0x1", "0000000000000000")));
    EXPECT_FALSE(load(file("0x", "0x1")));
}

TEST(TreeRead, RefusesDimensionsOutsideOneTo255)
{
    auto file = [](const std::string& dimLine, int n) {
        std::string text = "Tree at 0x1:\nRectangle at 0x1:\n" + dimLine + "\n  center =";
        for (int i = 0; i < n; ++i)
            text += " 0";
        text += "\n  radius =";
        for (int i = 0; i < n; ++i)
            text += " 1";
        return text + "\n  no of boxes = 1\n" + bytes({1, 0, 0});
    };
    EXPECT_TRUE(load(file("  dim = 255", 255)));
    EXPECT_FALSE(load(file("  dim = 0", 0)));
    EXPECT_FALSE(load(file("  dim = 256", 256)));
    EXPECT_FALSE(load(file("  dim = -1", 0)));
    EXPECT_FALSE(load(file("  dim = x", 1)));
    EXPECT_FALSE(load(file("  dimension = 1", 1)));
}

TEST(TreeRead, WhiteSpaceWhereThePatternHasIt)
{
    std::string text =
        "Tree at 0x1:Rectangle at 0x1:dim = 2\t\n\n center = 1.5\n 2 radius = 3 4   no of boxes = "
        "7\r\n";
    HandlePtr h = load(text + bytes({1, 1, 9}));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->tree->rect->center[1], 2);
    EXPECT_EQ(h->tree->rect->radius[0], 3);
    EXPECT_EQ(h->tree->root->split, 1);
    EXPECT_EQ(h->tree->root->aux, 9);
    std::string rest = header(1, {0}, {1}).substr(13) + bytes({1, 0, 0});
    EXPECT_TRUE(load("Tree \n\t at0x1:" + rest));
    EXPECT_FALSE(load("tree at 0x1:\n" + rest));
    std::string tail = "\n  center = 0\n  radius = 1\n  no of boxes = 1\n" + bytes({1, 0, 0});
    EXPECT_TRUE(load("Tree at 0x1:\nRectangle at 0x1:\ndim=1" + tail));
    EXPECT_FALSE(load("Tree at 0x1:\nRectangle at 0x1:\n  dim: 1" + tail));
}

TEST(TreeRead, RefusesHeaderLinesThatAreShortMislabelledOrOverflow)
{
    const std::string end = "  no of boxes = 1\n" + bytes({1, 0, 0});
    auto header = [](const std::string& dim, const std::string& center, const std::string& radius) {
        return "Tree at 0x1:\nRectangle at 0x1:\n  dim = " + dim + "\n  center = " + center +
               "\n  radius = " + radius + "\n";
    };
    EXPECT_TRUE(load(header("2", "5 6", "1 2") + end));
    EXPECT_TRUE(load(header("+2", "5 6", "1 2") + end));
    // A short centre or radius line would shift what follows, or read as 0.
    EXPECT_FALSE(load(header("2", "5", "1 2") + end));
    EXPECT_FALSE(load(header("2", "5 6", "1") + end));
    EXPECT_FALSE(load(header("2", "5 x", "1 2") + end));
    EXPECT_FALSE(load(header("2", "5 6 7", "1 2") + end));  // the 7 would be read as radius
    EXPECT_FALSE(load("Tree at 0x1:\nRectangle at 0x1:\n  dim = 1\n  5\n  radius = 1\n" + end));
    EXPECT_FALSE(load("Tree at 0x1:\nRectangle at 0x1:\n  dim = 1\n  center = 5\n  1\n" + end));
    // A dimension must fit its field: 4294967297 once read as 1.
    EXPECT_FALSE(load(header("4294967297", "5", "1") + end));
    EXPECT_FALSE(load(header("100000000000000000000000000000000000000001", "5", "1") + end));
    EXPECT_FALSE(load(header("256", "5", "1") + end));
    EXPECT_FALSE(load(header("+", "5", "1") + end));  // a sign without digits is no 0
    EXPECT_FALSE(load(header("1", "5", "1") + "  no of boxes = ++1\n" + bytes({1, 0, 0})));
    EXPECT_FALSE(load("Tree at 0x1:\nRectangle at 0x1:\n  dim = 1\n  center = 5\n  radius = 1\n"
                      "  boxes = 1\n" + bytes({1, 0, 0})));
}

TEST(TreeRead, CountsWhatTheFileSaysAndHolds)
{
    auto counted = [](const std::string& text, TreeFileCounts* counts) {
        treefiles::Stream file(text);
        Tree* tree = Tree_readCounted(file.get(), counts);
        const bool read = tree != nullptr;
        Tree_free(&tree);
        return read;
    };
    TreeFileCounts counts{0, 0, 0};
    const std::string head = "Tree at 0x1:\nRectangle at 0x1:\n  dim = 1\n  center = 0\n  radius = 1\n";
    ASSERT_TRUE(counted(head + "  no of boxes = 3\n" + bytes({1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0}), &counts));
    EXPECT_EQ(counts.declared, 3u);
    EXPECT_EQ(counts.read, 3);
    // Cut short after the first child: it loads, and the counts tell.
    ASSERT_TRUE(counted(head + "  no of boxes = 3\n" + bytes({1, 0, 0, 1, 0, 0}), &counts));
    EXPECT_EQ(counts.declared, 3u);
    EXPECT_EQ(counts.read, 2);
    ASSERT_TRUE(counted(head + "  no of boxes = 99999999999999999999999\n" + bytes({1, 0, 0}), &counts));
    EXPECT_EQ(counts.declared, UINT64_MAX);
    EXPECT_EQ(counts.read, 1);
    // Past 2^64 the count keeps its magnitude, in all its digits or beyond the buffer's.
    EXPECT_NEAR(counts.declaredNumber, 1e23, 1e10);
    ASSERT_TRUE(counted(head + "  no of boxes = 1" + std::string(40, '0') + "\n" + bytes({1, 0, 0}), &counts));
    EXPECT_NEAR(counts.declaredNumber, 1e40, 1e27);
}

TEST(Vec, ReadKeepsUnreadableEntriesZero)
{
    treefiles::Stream file("5 radius");
    double* v = Vec_read(file.get(), 2);
    EXPECT_EQ(v[0], 5);
    EXPECT_EQ(v[1], 0);
    free(v);
}

TEST(TreeRead, ShortNodeStreams)
{
    HandlePtr h = load(header(1, {0}, {1}) + bytes({1, 0, 3}));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->tree->root->aux, 3);
    EXPECT_EQ(h->tree->root->child[0], nullptr);

    h = load(header(2, {0, 0}, {1, 1}) + bytes({7}));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->tree->root->flags, 7);
    EXPECT_EQ(h->tree->root->split, 0);
    EXPECT_EQ(h->tree->root->aux, 0);

    // a flags byte that is white space is skipped after the count line
    h = load(header(2, {0, 0}, {1, 1}) + bytes({32, 5, 1, 2}));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->tree->root->flags, 5);
    EXPECT_EQ(h->tree->root->split, 1);
    EXPECT_EQ(h->tree->root->aux, 2);
}

TEST(TreeRead, SdFollowsTheLeftmostPath)
{
    // root split 1, only an upper child of split 0 without children
    HandlePtr h = load(header(2, {0, 0}, {1, 1}) + bytes({1, 1, 0, 0, 1, 0, 0, 0, 0}));
    ASSERT_TRUE(h);
    Tree* tree = h->tree;
    EXPECT_EQ(tree->sd[0], 1);
    EXPECT_EQ(tree->sd[1], 0);
    for (int i = 2; i <= 1000; ++i)
        ASSERT_EQ(tree->sd[i], i % 2) << i;
    EXPECT_EQ(tree->depth, 1);  // the reader's walk stays at the leaf
    EXPECT_EQ(tree->current, tree->root->child[1]);
    EXPECT_EQ(tree->c[1], 0.5);
    EXPECT_EQ(h->iter->current, tree->root);
    EXPECT_EQ(h->iter->depth, 0);
}

// The split order after the node stream: written whole by Tree_write, read
// back whole, and a file without it (or with a broken one) read as before.
TEST(TreeRead, SplitOrderAfterTheNodeStream)
{
    const std::string tree2 = header(2, {0, 0}, {1, 1}) + bytes({1, 1, 0, 0, 1, 0, 0, 0, 0});
    auto sdOf = [](const std::string& file) {
        HandlePtr h = load(file);
        EXPECT_TRUE(h);
        return h ? std::vector<uint8_t>(h->tree->sd, h->tree->sd + 1001) : std::vector<uint8_t>{};
    };
    std::vector<uint8_t> leftmost(1001);
    for (int i = 0; i < 1001; ++i)
        leftmost[i] = static_cast<uint8_t>(i % 2);
    leftmost[0] = 1;
    leftmost[1] = 0;
    EXPECT_EQ(sdOf(tree2), leftmost);
    std::vector<uint8_t> listed = leftmost;
    listed[0] = 0;
    listed[1] = 1;
    listed[2] = 1;
    listed[5] = 200;  // T.sd takes any byte
    EXPECT_EQ(sdOf(tree2 + "  sd = 0 1 1 1 0 200\n"), listed);
    EXPECT_EQ(sdOf(tree2 + "  sd = 0 1 1 1 0 200\r\n"), listed);
    std::vector<uint8_t> defaults(1001);
    for (int i = 0; i < 1001; ++i)
        defaults[i] = static_cast<uint8_t>(i % 2);
    EXPECT_EQ(sdOf(tree2 + "  sd =\n"), defaults);  // no entry that differs from the default
    // cut short, out of range, too many entries, not a number: as without it
    std::string tooMany = "  sd =";
    for (int i = 0; i < 1002; ++i)
        tooMany += " 1";
    for (const std::string& broken : {std::string("  sd = 0 1 1"), std::string("  sd = 0 256\n"), tooMany + "\n",
                                      std::string("  sd = 0 x\n"), std::string("  sd 0\n")})
        EXPECT_EQ(sdOf(tree2 + broken), leftmost) << broken;

    // Written and read back: every entry, deeper than the boxes and where the
    // leftmost boxes are gone; the node stream ends where it always did.
    TreePtr t = makeTree({0, 0}, {1, 1});
    for (int i = 0; i < 20; ++i)
        t->sd[i] = 1;
    t->sd[29] = 0;
    t->sd[999] = 1;
    int64_t made = 0, kept = 0;
    for (int k = 0; k < 3; ++k)
        ASSERT_EQ(Tree_subdivide(t.get(), &made), TREE_OK);
    const uint8_t mask[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    Tree_keep(t.get(), 3, mask, &kept);
    ASSERT_EQ(kept, 4);
    FILE* written = tmpfile();
    ASSERT_NE(written, nullptr);
    ASSERT_EQ(Tree_write(t.get(), written), 0);
    rewind(written);
    std::string file;
    for (int c; (c = fgetc(written)) != EOF;)
        file += static_cast<char>(c);
    fclose(written);
    EXPECT_EQ(sdOf(file), std::vector<uint8_t>(t->sd, t->sd + 1001));
    const size_t trailer = file.rfind("  sd =");
    ASSERT_NE(trailer, std::string::npos);
    HandlePtr old = load(file.substr(0, trailer));  // what an older reader sees
    ASSERT_TRUE(old);
    EXPECT_EQ(Box_count(old->tree->root), Box_count(t->root));
}

TEST(TreeRead, StopsAfterTheRootSubtree)
{
    Stream stream(kOneBox + "trailing");
    TreeHandle* h = TreeHandle_load(stream.get());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(fgetc(stream.get()), 't');
    TreeHandle_free(&h);
}

// Random trees of a given dimension, built as records.
Box* randomTree(std::mt19937& rng, int boxes, int dim)
{
    std::vector<Box*> all{Box_new()};
    all[0]->split = static_cast<uint8_t>(rng() % dim);
    while (static_cast<int>(all.size()) < boxes) {
        Box* parent = all[rng() % all.size()];
        int i = static_cast<int>(rng() % 2);
        if (parent->child[i] != nullptr)
            continue;
        Box* box = Box_new();
        box->flags = static_cast<uint8_t>(1 + rng() % 255);
        box->split = static_cast<uint8_t>(rng() % dim);
        box->aux = static_cast<uint8_t>(rng());
        parent->child[i] = box;
        all.push_back(box);
    }
    return all[0];
}

TEST(TreeRead, NodeStreamRoundTripsInPreOrder)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        int dim = 1 + static_cast<int>(rng() % 4);
        Box* original = randomTree(rng, 1 + static_cast<int>(rng() % 200), dim);
        std::string stream = treefiles::nodes(original);
        HandlePtr h = load(header(dim, std::vector<double>(dim, 0), std::vector<double>(dim, 1)) +
                           stream);
        ASSERT_TRUE(h);
        EXPECT_EQ(treefiles::nodes(h->tree->root), stream);

        // sd by the leftmost path of the original
        std::vector<uint8_t> expected;
        for (const Box* b = original; b != nullptr; b = b->child[0] ? b->child[0] : b->child[1])
            expected.push_back(b->split);
        for (size_t d = 0; d < expected.size(); ++d)
            ASSERT_EQ(h->tree->sd[d], expected[d]);
        EXPECT_EQ(h->tree->depth, static_cast<int32_t>(expected.size() - 1));
        Box_freeTree(&original);
    }
}

// A random tree of dimension 30 whose flags, splits and aux bytes are often
// the bytes a text-mode stream changes or stops at (10, 13, 26).
Box* treeOfLineEndBytes(std::mt19937& rng, int boxes)
{
    const uint8_t special[] = {10, 13, 26};
    Box* root = randomTree(rng, boxes, 30);
    std::vector<Box*> stack{root};
    while (!stack.empty()) {
        Box* box = stack.back();
        stack.pop_back();
        if (box == nullptr)
            continue;
        if (rng() % 2)
            box->flags = special[rng() % 3];
        if (rng() % 2)
            box->split = special[rng() % 3];
        if (rng() % 2)
            box->aux = special[rng() % 3];
        stack.push_back(box->child[0]);
        stack.push_back(box->child[1]);
    }
    return root;
}

TEST(TreeRead, CrLfReaderUndoesTextModeWriting)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 100; ++round) {
        Box* original = treeOfLineEndBytes(rng, 1 + static_cast<int>(rng() % 100));
        std::string written = treefiles::nodes(original);
        Stream stream(treefiles::textModeBytes(written + "\n\r\x1a"));
        Box* read = Box_readTreeWithinCrLf(stream.get(), 30);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(treefiles::nodes(read), written);
        // the bytes after the tree stay in the stream, unfolded
        EXPECT_EQ(fgetc(stream.get()), '\r');
        EXPECT_EQ(fgetc(stream.get()), '\n');
        EXPECT_EQ(fgetc(stream.get()), '\r');
        EXPECT_EQ(fgetc(stream.get()), 26);
        Box_freeTree(&read);
        Box_freeTree(&original);
    }
}

TEST(TreeRead, CrLfReaderFoldsOnlyCrLfPairs)
{
    auto root = [](const std::string& stream) {
        Stream s(stream);
        Box* box = Box_readTreeWithinCrLf(s.get(), 30);
        std::string got = box != nullptr ? treefiles::nodes(box) : "none";
        Box_freeTree(&box);
        return got;
    };
    // a 13 alone, and 13 13 10, which a text-mode stream wrote for 13 10
    EXPECT_EQ(root(bytes({1, 13, 13, 0, 0})), bytes({1, 13, 13, 0, 0}));
    EXPECT_EQ(root(bytes({1, 13, 13, 10, 0, 0})), bytes({1, 13, 10, 0, 0}));
    EXPECT_EQ(root(bytes({13, 10, 13, 10, 26, 0, 0})), bytes({10, 10, 26, 0, 0}));
    // a record cut short after a 13: the 13 is kept and the rest stays 0
    EXPECT_EQ(root(bytes({1, 13})), bytes({1, 13, 0, 0, 0}));
    EXPECT_EQ(root(bytes({13, 10})), bytes({10, 0, 0, 0, 0}));
    // the limits are those of Box_readTreeWithin
    EXPECT_EQ(root(bytes({1, 30, 0, 0, 0})), "none");
    EXPECT_EQ(root(bytes({0, 1, 0, 0})), "none");
    Stream any(bytes({1, 0, 0, 0, 0}));
    EXPECT_EQ(Box_readTreeWithinCrLf(any.get(), 0), nullptr);
    EXPECT_EQ(Box_readTreeWithin(any.get(), 0), nullptr);
    EXPECT_EQ(Box_readTreeWithin(any.get(), 256), nullptr);
    // A record refused after a 13: the byte read ahead goes back to the stream.
    Stream refused(bytes({1, 40, 13, 7}));
    EXPECT_EQ(Box_readTreeWithinCrLf(refused.get(), 30), nullptr);
    EXPECT_EQ(fgetc(refused.get()), 7);
}

// A write that fails is reported, wherever it fails: the gateway then
// removes the file instead of leaving a tree cut short.
TEST(TreeWrite, FailedWritesAreReported)
{
    TreePtr tree = makeTree({0, 0}, {1, 1});
    int64_t added = 0;
    ASSERT_EQ(Tree_subdivide(tree.get(), &added), TREE_OK);
    treefiles::TempFile file("");
    // The header, an absent box (a 0) and a box record, each the first write.
    FILE* readOnly = fopen(file.path().c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(Tree_write(tree.get(), readOnly), -1);
    EXPECT_EQ(Box_writeTree(readOnly, nullptr, nullptr, 2), -1);
    EXPECT_EQ(Box_writeTree(readOnly, tree->root, nullptr, 2), -1);
    fclose(readOnly);
}

TEST(TreeRead, FilesWrittenInTextModeAreFoldedOnWindowsOnly)
{
    // root split 10: written in text mode as 13 10, and so is every line end
    const std::string written = header(20, std::vector<double>(20, 0), std::vector<double>(20, 1)) +
                                bytes({1, 10, 0, 0, 0});
    HandlePtr h = load(treefiles::textModeBytes(written));
    ASSERT_TRUE(h);
    const Box* root = h->tree->root;
#if defined(_WIN32)
    EXPECT_EQ(treefiles::nodes(root), bytes({1, 10, 0, 0, 0}));
#else
    // text mode is binary mode here: the 13 is a node byte like any other
    EXPECT_EQ(treefiles::nodes(root), bytes({1, 13, 10, 0, 0}));
#endif
    // a count line ending in 10 alone marks a binary file: 13 10 stays two bytes
    h = load(written.substr(0, written.size() - 5) + bytes({1, 13, 10, 0, 0}));
    ASSERT_TRUE(h);
    EXPECT_EQ(treefiles::nodes(h->tree->root), bytes({1, 13, 10, 0, 0}));
}

// A chain of n boxes, each the upper child of the one before, split 0; the
// last one optionally with a given split.
std::string chain(int n, int lastSplit = 0)
{
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += bytes({1, i == n - 1 ? lastSplit : 0, 0});
        text += '\0';  // no lower child
    }
    return text + '\0';  // the last box's upper child
}

TEST(TreeRead, RefusesSplitsPastTheDimensionAnywhere)
{
    EXPECT_TRUE(load(header(2, {0, 0}, {1, 1}) + chain(5, 1)));
    EXPECT_FALSE(load(header(2, {0, 0}, {1, 1}) + chain(5, 2)));
    EXPECT_FALSE(load(header(2, {0, 0}, {1, 1}) + bytes({1, 2, 0})));
}

TEST(TreeRead, RefusesTreesDeeperThan500PerDimension)
{
    // depth 500 (501 boxes) is the deepest a walk of dimension 1 reaches
    HandlePtr h = load(header(1, {0}, {1}) + chain(501));
    ASSERT_TRUE(h);
    EXPECT_EQ(h->tree->depth, 500);
    EXPECT_FALSE(load(header(1, {0}, {1}) + chain(502)));
    // also off the leftmost path: a lower leaf, then the deep upper chain
    EXPECT_FALSE(load(header(1, {0}, {1}) + bytes({1, 0, 0}) + bytes({1, 0, 0, 0, 0}) +
                      chain(501)));
    EXPECT_TRUE(load(header(2, {0, 0}, {1, 1}) + chain(1001)));
    EXPECT_FALSE(load(header(2, {0, 0}, {1, 1}) + chain(1002)));
}

TEST(TreeRead, UnlimitedReaderTakesDeepStreamsWithoutRecursion)
{
    const int n = 2000000;
    std::string text;
    text.reserve(4 * n);
    for (int i = 0; i < n; ++i)
        text += bytes({1, 0, 0});
    text += std::string(static_cast<size_t>(n) + 1, '\0');
    Stream stream(text);
    Box* root = Box_readTree(stream.get());
    ASSERT_NE(root, nullptr);
    int depth = 0;
    for (Box* b = root; b->child[0] != nullptr; b = b->child[0])
        ++depth;
    EXPECT_EQ(depth, n - 1);
    Box_freeTree(&root);
}

TEST(TreeRead, FailedAllocationDuringALoadLeavesNothing)
{
    std::string file = header(2, {0, 0}, {1, 1}) + bytes({1, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    int failures = 0;
    for (long k = 1;; ++k) {
        try {
            alloc_testing::ThrowingAlloc failing(k);
            HandlePtr h = load(file);
            Alloc_failAfter(0);
            ASSERT_TRUE(h);
            break;
        } catch (const alloc_testing::AllocFailed&) {
            ++failures;
        }
    }
    // two vectors, the temporary rectangle (3), the tree (13), three boxes, handle and copy (8)
    EXPECT_EQ(failures, 29);
}

}  // namespace
