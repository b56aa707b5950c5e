// Test helpers for the tree gateways: Tree objects and subscripts as host
// arrays, and the TreeHandle behind a handle array.
#ifndef BOXGRAPH_TESTING_TREE_OBJECTS_H
#define BOXGRAPH_TESTING_TREE_OBJECTS_H

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Harness.h"
#include "TreeHandle.h"
#include "TreeRecords.h"

namespace treetest {

// Trees live until the process ends; the tests release the ones they made
// when all tests are over, so that the leak checker sees only real leaks.
inline std::vector<TreeHandle*>& madeTrees()
{
    static std::vector<TreeHandle*> trees;
    return trees;
}

class ReleaseTrees : public ::testing::Environment {
public:
    void TearDown() override
    {
        for (TreeHandle* handle : madeTrees())
            TreeHandle_free(&handle);
        madeTrees().clear();
    }
};

static ::testing::Environment* const releaseTrees =
    ::testing::AddGlobalTestEnvironment(new ReleaseTrees);

// The address a handle array holds.
inline TreeHandle* handleIn(const mxArray* handle)
{
    TreeHandle* address = nullptr;
    memcpy(&address, mxGetData(handle), sizeof address);
    return address;
}

// The address a handle array that tree_ made holds; released after the tests.
inline TreeHandle* madeIn(const mxArray* handle)
{
    TreeHandle* address = handleIn(handle);
    madeTrees().push_back(address);
    return address;
}

// struct('handle', handle), as the class passes its object.
inline host::Array object(const mxArray* handle)
{
    std::vector<std::pair<std::string, host::Array>> fields;
    fields.emplace_back("handle", host::Array(mxDuplicateArray(handle)));
    return host::structure(fields);
}

// The TreeHandle behind a Tree object's struct.
inline TreeHandle* handleOf(const host::Array& object)
{
    return handleIn(mxGetField(object.get(), 0, "handle"));
}

// A new one-box tree over the rectangle with centre c and radius r, made by
// the module tree_, as a Tree object's struct.
inline host::Array newTree(const host::Module& tree_, const std::vector<double>& c,
                           const std::vector<double>& r)
{
    host::Array ca = host::row(c), ra = host::row(r);
    host::CallResult made = tree_.call(1, {ca.get(), ra.get()});
    EXPECT_TRUE(made.ok) << made.error;
    madeIn(made.outputs[0].get());
    return object(made.outputs[0].get());
}

inline host::Array subscript(const std::string& type, const std::string& subs)
{
    std::vector<std::pair<std::string, host::Array>> fields;
    fields.emplace_back("type", host::text(type));
    fields.emplace_back("subs", host::text(subs));
    return host::structure(fields);
}

// A 1-by-n char array holding text as it is, NUL characters included (as
// ['a' char(0) 'b'] in Octave; host::text stops at the first).
inline host::Array chars(const std::string& text)
{
    const mwSize dims[2] = {1, text.size()};
    host::Array a(mxCreateCharArray(2, dims));
    for (size_t k = 0; k < text.size(); ++k)
        mxGetChars(a.get())[k] = static_cast<unsigned char>(text[k]);
    return a;
}

// A handle array of the given shape holding address.
inline host::Array handleArray(const void* address, size_t columns = 16 / sizeof(mxChar))
{
    const mwSize dims[2] = {1, columns};
    host::Array a(mxCreateCharArray(2, dims));
    memcpy(mxGetData(a.get()), &address, sizeof address < columns * sizeof(mxChar)
                                             ? sizeof address
                                             : columns * sizeof(mxChar));
    return a;
}

}  // namespace treetest

#endif
