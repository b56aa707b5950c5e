#include "TreeHandle.h"

#include <stdlib.h>

#include "Alloc.h"
#include "Memory.h"
#include "Owner.h"
#include "Tree.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Wraps tree (made here) into a new handle; on a failed allocation the tree
// is released with whatever was made.
TreeHandle* wrap(Tree* made, int32_t verbose)
{
    Owner<Tree, Tree_free> tree(made);
    Owner<TreeHandle, TreeHandle_free> handle(static_cast<TreeHandle*>(CHECKED_CALLOC(1, sizeof(TreeHandle))));
    handle->iter = Tree_copy(tree.get());
    handle->tree = tree.release();
    handle->verbose = verbose;
    return handle.release();
}

}  // namespace

TreeHandle* TreeHandle_new(const Rectangle* rect)
{
    return wrap(Tree_new(rect), 1);
}

TreeHandle* TreeHandle_load(FILE* stream)
{
    return TreeHandle_loadCounted(stream, nullptr);
}

TreeHandle* TreeHandle_loadCounted(FILE* stream, TreeFileCounts* counts)
{
    Tree* tree = Tree_readCounted(stream, counts);
    if (tree == nullptr)
        return nullptr;
    return wrap(tree, 0);
}

void TreeHandle_reset(TreeHandle* handle)
{
    if (handle->tree == nullptr)
        return;
    handle->iter->root = handle->tree->root;
    Tree_reset(handle->tree);
    Tree_reset(handle->iter);
}

void TreeHandle_release(TreeHandle* handle)
{
    Tree_free(&handle->iter);
    Tree_free(&handle->tree);
#if defined(__SANITIZE_ADDRESS__)
    // Kept on purpose, for the host values that still hold its address: not
    // a leak, though none of them may be left for the leak checker to see.
    __lsan_ignore_object(handle);
#endif
    Memory_giveBack();  // the boxes' pages, back to the system
}

void TreeHandle_free(TreeHandle** handle)
{
    if (handle == nullptr || *handle == nullptr)
        return;
    Tree_free(&(*handle)->iter);
    Tree_free(&(*handle)->tree);
    free(*handle);
    *handle = nullptr;
}
