// treeprops: reading a tree's properties through the handle.
#include <gtest/gtest.h>

#include "Checks.h"
#include "TreeObjects.h"

namespace {

using host::Array;
using host::row;

const host::Module& treeprops()
{
    return host::Module::at(MODULE_PATH);
}

const host::Module& tree_()
{
    return host::Module::at(TREE_PATH);
}

host::CallResult read(const mxArray* obj, const mxArray* name)
{
    return checks::cleanCall(treeprops(), 1, {obj, name});
}

std::vector<double> value(const Array& obj, const std::string& name)
{
    Array text = host::text(name);
    host::CallResult r = read(obj.get(), text.get());
    EXPECT_TRUE(r.ok) << r.error;
    if (!r.ok)
        return {};
    EXPECT_EQ(mxGetM(r.outputs[0].get()), 1u);
    return host::doubles(r.outputs[0].get());
}

TEST(treeprops, ReadsEveryPropertyAndChangesNothing)
{
    Array t = treetest::newTree(tree_(), {1, 2, 3}, {4, 5, 6});
    TreeHandle* h = treetest::handleOf(t);
    h->tree->sd[2] = 9;
    h->verbose = -4;

    EXPECT_EQ(value(t, "center"), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(value(t, "radius"), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(value(t, "dim"), (std::vector<double>{3}));
    EXPECT_EQ(value(t, "verbose"), (std::vector<double>{-4}));
    std::vector<double> sd = value(t, "sd");
    ASSERT_EQ(sd.size(), 1501u);
    EXPECT_EQ(sd[1], 1);
    EXPECT_EQ(sd[2], 9);
    EXPECT_EQ(sd[1500], 0);
    EXPECT_EQ(h->tree->rect->center[0], 1);
    EXPECT_EQ(h->verbose, -4);
}

TEST(treeprops, Refusals)
{
    // the handle checks are treeupdate's, tested there
    Array name = host::text("center");
    Array t = treetest::object(treetest::handleArray(nullptr).get());
    EXPECT_EQ(read(t.get(), name.get()).error, "Tree: tree is empty.");

    Array c = row({1});
    Array good = treetest::newTree(tree_(), {1}, {1});
    Array foo = host::text("foo");
    EXPECT_EQ(read(good.get(), foo.get()).error, "Tree: no property 'foo'.");
    EXPECT_EQ(read(good.get(), c.get()).error, "Tree: property name must be text.");
    host::CallResult r = treeprops().call(1, {good.get()});
    EXPECT_EQ(r.error, "Tree: treeprops needs an object and a property name.");
}

}  // namespace
