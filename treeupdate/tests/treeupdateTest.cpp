// treeupdate: property assignment through the handle, beside tree_ and treeprops.
#include <gtest/gtest.h>

#include <math.h>

#include "Checks.h"
#include "TreeObjects.h"

namespace {

using checks::expectClean;
using checks::values;
using host::Array;
using host::row;
using host::scalar;
using treetest::object;
using treetest::subscript;

const host::Module& treeupdate()
{
    return host::Module::at(MODULE_PATH);
}

// A tree of the given centre and radius, as a Tree object's struct.
Array newTree(const std::vector<double>& c, const std::vector<double>& r)
{
    return treetest::newTree(host::Module::at(TREE_PATH), c, r);
}

// Runs obj.name = value; returns the error ("" when it succeeded).
std::string assign(const Array& obj, const std::string& type, const std::string& name,
                   const mxArray* value)
{
    Array s = subscript(type, name);
    host::CallResult r = treeupdate().call(1, {obj.get(), s.get(), value});
    expectClean(r);
    if (!r.ok)
        return r.error;
    // the object comes back as it went in
    EXPECT_EQ(treetest::handleOf(obj), treetest::handleOf(r.outputs[0]));
    return "";
}


TEST(treeupdate, RadiusAndCenterNeedDimElements)
{
    Array t = newTree({0, 0}, {1, 1});
    Tree* tree = treetest::handleOf(t)->tree;
    EXPECT_EQ(assign(t, ".", "radius", row({0.5, 0.25}).get()), "");
    EXPECT_EQ(values(tree->rect->radius, 2), (std::vector<double>{0.5, 0.25}));
    EXPECT_EQ(assign(t, ".", "radius", row({1, 2, 3}).get()),
              "Tree.radius: right hand side has wrong dimension");
    EXPECT_EQ(assign(t, ".", "center", row({1}).get()),
              "Tree.center: right hand side has wrong dimension");
    // a rectangle no box can be found in is refused, whole: nothing is copied
    for (double bad : {0.0, -0.5, double(INFINITY), double(NAN)})
        EXPECT_EQ(assign(t, ".", "radius", row({2, bad}).get()),
                  "Tree.radius: right hand side must be positive and finite") << bad;
    for (double bad : {double(INFINITY), -double(INFINITY), double(NAN)})
        EXPECT_EQ(assign(t, ".", "center", row({5, bad}).get()), "Tree.center: right hand side must be finite")
            << bad;
    EXPECT_EQ(values(tree->rect->radius, 2), (std::vector<double>{0.5, 0.25}));
    EXPECT_EQ(values(tree->rect->center, 2), (std::vector<double>{0, 0}));

    // both walks see a new centre at their next reset, not before
    EXPECT_EQ(assign(t, ".", "center", host::dense(2, 1, {3, 4}).get()), "");
    Tree* iter = treetest::handleOf(t)->iter;
    EXPECT_EQ(values(tree->rect->center, 2), (std::vector<double>{3, 4}));
    EXPECT_EQ(values(iter->c, 2), (std::vector<double>{0, 0}));
    EXPECT_EQ(values(tree->c, 2), (std::vector<double>{0, 0}));
    EXPECT_EQ(iter->rect, tree->rect);
}

TEST(treeupdate, VerboseIsTruncated)
{
    Array t = newTree({0}, {1});
    TreeHandle* h = treetest::handleOf(t);
    EXPECT_EQ(assign(t, ".", "verbose", scalar(2.7).get()), "");
    EXPECT_EQ(h->verbose, 2);
    EXPECT_EQ(assign(t, ".", "verbose", row({-1.5, 8}).get()), "");
    EXPECT_EQ(h->verbose, -1);
    EXPECT_EQ(assign(t, ".", "verbose", scalar(NAN).get()), "");
    EXPECT_EQ(h->verbose, INT32_MIN);
    EXPECT_EQ(assign(t, ".", "verbose", row({}).get()), "Tree.verbose: right hand side is empty");
    EXPECT_EQ(h->verbose, INT32_MIN);
}

TEST(treeupdate, SdKeepsTheLowEightBits)
{
    Array t = newTree({0, 0, 0}, {1, 1, 1});
    Tree* tree = treetest::handleOf(t)->tree;
    EXPECT_EQ(assign(t, ".", "sd", row({1, 0, 1, 257, -1, 7.9}).get()), "");
    EXPECT_EQ(std::vector<int>(tree->sd, tree->sd + 8), (std::vector<int>{1, 0, 1, 1, 255, 7, 0, 1}));
    EXPECT_EQ(treetest::handleOf(t)->iter->sd[4], 255);  // one table for both walks
    EXPECT_EQ(assign(t, ".", "sd", row({}).get()), "");
    EXPECT_EQ(tree->sd[0], 1);

    EXPECT_EQ(assign(t, ".", "sd", row(std::vector<double>(1501, 2)).get()), "");
    EXPECT_EQ(tree->sd[1500], 2);
    EXPECT_EQ(assign(t, ".", "sd", row(std::vector<double>(1502, 0)).get()),
              "Tree.sd: right hand side has more elements than the table");
    EXPECT_EQ(tree->sd[0], 2);
}

TEST(treeupdate, OtherNamesAndIndexingChangeNothing)
{
    Array t = newTree({0, 0}, {1, 1});
    Tree* tree = treetest::handleOf(t)->tree;
    Array v = row({5, 5});
    EXPECT_EQ(assign(t, ".", "Center", v.get()), "");
    EXPECT_EQ(assign(t, ".", "foo", v.get()), "");
    EXPECT_EQ(assign(t, "()", "center", v.get()), "");
    EXPECT_EQ(assign(t, "{}", "radius", v.get()), "");
    EXPECT_EQ(assign(t, ".", "dim", v.get()), "");
    Array bytes = host::uint8Row({1});
    EXPECT_EQ(assign(t, "()", "center", bytes.get()), "");  // the value is not looked at
    EXPECT_EQ(values(tree->rect->center, 2), (std::vector<double>{0, 0}));
    EXPECT_EQ(values(tree->rect->radius, 2), (std::vector<double>{1, 1}));
    EXPECT_EQ(tree->rect->dim, 2);
}

TEST(treeupdate, RefusesValuesThatAreNotRealDoubleArrays)
{
    Array t = newTree({0, 0}, {1, 1});
    Tree* tree = treetest::handleOf(t)->tree;
    Array bytes = host::uint8Row({1, 2});
    Array sparse = host::sparse(1, 2, {0, 1, 2}, {0, 0}, {7, 7});
    Array name = host::text("ab");
    for (const char* property : {"radius", "center", "sd", "verbose"}) {
        for (const mxArray* value : {bytes.get(), sparse.get(), name.get()})
            EXPECT_EQ(assign(t, ".", property, value),
                      std::string("Tree.") + property +
                          ": right hand side must be a real double array");
    }
    EXPECT_EQ(values(tree->rect->radius, 2), (std::vector<double>{1, 1}));
    EXPECT_EQ(tree->sd[0], 0);
    EXPECT_EQ(treetest::handleOf(t)->verbose, 1);
}

TEST(treeupdate, RefusesBadObjectsAndSubscripts)
{
    Array t = newTree({0}, {1});
    TreeHandle* h = treetest::handleOf(t);
    Array v = row({2});
    Array s = subscript(".", "radius");
    auto refusal = [&](const std::vector<const mxArray*>& args) {
        return checks::refusal(treeupdate(), args);
    };
    const std::string invalid = "not a valid object pointer.";
    Array wide = object(treetest::handleArray(h, 5).get());
    Array numeric = object(row({1, 2, 3, 4}).get());
    Array noField = host::structure({});
    EXPECT_EQ(refusal({wide.get(), s.get(), v.get()}), invalid);
    EXPECT_EQ(refusal({numeric.get(), s.get(), v.get()}), invalid);
    EXPECT_EQ(refusal({noField.get(), s.get(), v.get()}), invalid);
    EXPECT_EQ(refusal({v.get(), s.get(), v.get()}), invalid);
    Array null = object(treetest::handleArray(nullptr).get());
    EXPECT_EQ(refusal({null.get(), s.get(), v.get()}), "Tree: tree is empty.");

    std::vector<std::pair<std::string, Array>> onlyType;
    onlyType.emplace_back("type", host::text("."));
    Array noSubs = host::structure(onlyType);
    std::vector<std::pair<std::string, Array>> onlySubs;
    onlySubs.emplace_back("subs", host::text("radius"));
    Array noType = host::structure(onlySubs);
    const std::string noFields = "Tree: subscript must have the fields type and subs.";
    EXPECT_EQ(refusal({t.get(), noSubs.get(), v.get()}), noFields);
    EXPECT_EQ(refusal({t.get(), noType.get(), v.get()}), noFields);
    EXPECT_EQ(refusal({t.get(), v.get(), v.get()}), noFields);
    std::vector<std::pair<std::string, Array>> numericSubs;
    numericSubs.emplace_back("type", host::text("."));
    numericSubs.emplace_back("subs", row({1}));
    Array badSubs = host::structure(numericSubs);
    EXPECT_EQ(refusal({t.get(), badSubs.get(), v.get()}), "Tree: property name must be text.");
    EXPECT_EQ(refusal({t.get(), s.get()}),
              "Tree: treeupdate needs an object, a subscript and a value.");
    EXPECT_EQ(h->tree->rect->radius[0], 1);
}

TEST(treeupdate, EveryCopyOfAnObjectReachesTheSameTree)
{
    const host::Module& treeprops = host::Module::at(TREEPROPS_PATH);
    Array t = newTree({0, 0}, {1, 1});
    Array copy1(mxDuplicateArray(t.get()));
    Array copy2(mxDuplicateArray(copy1.get()));
    EXPECT_EQ(assign(copy1, ".", "radius", row({3, 4}).get()), "");
    EXPECT_EQ(assign(copy2, ".", "sd", row({1}).get()), "");
    for (const Array* obj : {&t, &copy1, &copy2}) {
        Array name = host::text("radius");
        host::CallResult r = treeprops.call(1, {obj->get(), name.get()});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(host::doubles(r.outputs[0].get()), (std::vector<double>{3, 4}));
        Array sd = host::text("sd");
        r = treeprops.call(1, {obj->get(), sd.get()});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(host::doubles(r.outputs[0].get())[0], 1);
    }
}

}  // namespace
