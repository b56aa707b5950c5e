// The tree's pointer handle as a host char array, shared by the tree
// gateways (tree_, treeupdate, treeprops).
//
// The handle's data area is 8 bytes and begins with the TreeHandle address.
// With 16-bit host characters that is a 1-by-4 array, with 8-bit characters
// (Octave) a 1-by-8 one; a 32-bit build keeps its 4-byte address in the first
// word and zeros after it.
#ifndef BOXGRAPH_TREE_HANDLE_H
#define BOXGRAPH_TREE_HANDLE_H

#include "mex.h"

#include <stdint.h>
#include <string.h>

#include "Gateway.h"
#include "TreeRecords.h"

namespace treehandle {

constexpr size_t kHandleBytes = 8;
constexpr size_t kHandleColumns = kHandleBytes / sizeof(mxChar);
static_assert(sizeof(TreeHandle*) <= kHandleBytes, "an address must fit the handle");

// A new handle array holding handle's address.
inline mxArray* makeHandle(TreeHandle* handle)
{
    const mwSize dims[2] = {1, static_cast<mwSize>(kHandleColumns)};
    mxArray* array = mxCreateCharArray(2, dims);
    memcpy(mxGetData(array), &handle, sizeof handle);
    return array;
}

// The TreeHandle behind field handle of element 0 of object. Refuses an
// object without that field and a field that is not a char array of exactly
// the handle's shape ("not a valid object pointer."), and a null address.
// A correctly shaped handle is trusted.
inline TreeHandle* handleOf(const mxArray* object)
{
    const mxArray* field = nullptr;
    if (mxIsStruct(object) && mxGetNumberOfElements(object) > 0)
        field = mxGetField(object, 0, "handle");
    if (field == nullptr || !mxIsChar(field) || mxGetNumberOfDimensions(field) != 2 ||
        static_cast<size_t>(mxGetM(field)) != 1 ||
        static_cast<size_t>(mxGetN(field)) != kHandleColumns)
        gateway::fail("not a valid object pointer.");
    TreeHandle* handle = nullptr;
    memcpy(&handle, mxGetData(field), sizeof handle);
    if (handle == nullptr)
        gateway::fail("Tree: tree is empty.");
    return handle;
}

}  // namespace treehandle

#endif
