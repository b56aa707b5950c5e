#include "TreeHandle.h"

#include <stdlib.h>

#include <algorithm>

#include "Alloc.h"
#include "Covering.h"
#include "LevelIndex.h"
#include "Meets.h"
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
    ++handle->changes;
    LevelIndex_free(&handle->kept.index);
    if (handle->tree == nullptr)
        return;
    handle->iter->root = handle->tree->root;
    Tree_reset(handle->tree);
    Tree_reset(handle->iter);
}

void TreeHandle_release(TreeHandle* handle)
{
    LevelIndex_free(&handle->kept.index);
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
    TreeHandle_release(*handle);
    free(*handle);
    *handle = nullptr;
}

void TreeHandle_forget(TreeHandle* handle)
{
    LevelIndex_free(&handle->kept.index);
    handle->kept.indexStamp = 0;
}

namespace {

uint64_t stampOf(const TreeHandle* handle)
{
    return handle->changes + 1;
}

// The kept index of level depth, or null.
LevelIndex* keptIndex(TreeHandle* handle, int32_t depth)
{
    const TreeKept& kept = handle->kept;
    if (kept.index == nullptr || kept.indexStamp != stampOf(handle) || kept.indexDepth != depth)
        return nullptr;
    return kept.index;
}

// Whether level depth is known to be one that no index serves (its boxes
// are numbered).
bool walked(const TreeHandle* handle, int32_t depth)
{
    return handle->kept.walkedStamp == stampOf(handle) && handle->kept.walked == depth;
}

// Keeps made as the index of level depth.
void keepIndex(TreeHandle* handle, int32_t depth, LevelIndex* made)
{
    TreeHandle_forget(handle);
    handle->kept.index = made;
    handle->kept.indexDepth = depth;
    handle->kept.indexStamp = stampOf(handle);
    ++handle->kept.indexesMade;
}

// Numbers level depth, which no index serves, and remembers that.
void numberWalked(TreeHandle* handle, int32_t depth)
{
    if (walked(handle, depth))
        return;
    Tree_numberLevel(handle->tree, depth);
    handle->kept.walked = depth;
    handle->kept.walkedStamp = stampOf(handle);
}

using IndexOwner = Owner<LevelIndex, LevelIndex_free>;

// Lists the boxes at depth through list(index): the kept index, or one made
// (without hash slots) and kept once list is done; walk() when no index
// serves the level.
template <class List, class Walk>
void listLevel(TreeHandle* handle, int32_t depth, List list, Walk walk)
{
    if (LevelIndex* index = keptIndex(handle, depth)) {
        list(index);
        return;
    }
    if (!walked(handle, depth)) {
        TreeHandle_forget(handle);  // its memory is free before a new one is made
        IndexOwner made(LevelIndex_newList(handle->tree, depth));
        if (made) {
            list(made.get());
            keepIndex(handle, depth, made.release());
            return;
        }
        numberWalked(handle, depth);
    }
    walk();
}

}  // namespace

int32_t TreeHandle_depth(TreeHandle* handle)
{
    TreeKept& kept = handle->kept;
    if (kept.deepestStamp != stampOf(handle)) {
        kept.deepest = Tree_depth(handle->tree);
        kept.deepestStamp = stampOf(handle);
    }
    return kept.deepest;
}

int64_t TreeHandle_count(TreeHandle* handle, int32_t depth)
{
    // Counting takes no memory: an index is used when one is kept, never made.
    if (depth >= 0 && handle->tree->root != nullptr)
        if (const LevelIndex* index = keptIndex(handle, depth))
            return LevelIndex_count(index);
    return Tree_count(handle->tree, depth);
}

void TreeHandle_boxes(TreeHandle* handle, int32_t depth, double* centers, double* radii)
{
    listLevel(handle, depth, [&](const LevelIndex* index) { LevelIndex_boxes(index, centers, radii); },
              [&] { Tree_boxes(handle->tree, depth, centers, radii); });
}

void TreeHandle_samples(TreeHandle* handle, int32_t depth, int64_t first, int64_t last, const double* offsets,
                        int64_t count, double* points)
{
    listLevel(handle, depth,
              [&](const LevelIndex* index) {
                  LevelIndex_samples(index, std::max<int64_t>(first, 1), std::min(last, LevelIndex_count(index)),
                                     offsets, count, points);
              },
              [&] { Tree_samples(handle->tree, depth, first, last, offsets, count, points); });
}

void TreeHandle_faces(TreeHandle* handle, int32_t depth, int64_t first, int64_t last, double* lower,
                      double* upper)
{
    listLevel(handle, depth,
              [&](const LevelIndex* index) {
                  LevelIndex_faces(index, std::max<int64_t>(first, 1), std::min(last, LevelIndex_count(index)), lower,
                                   upper);
              },
              [&] { Tree_faces(handle->tree, depth, first, last, lower, upper); });
}

void TreeHandle_search(TreeHandle* handle, int32_t depth, const double* points, int64_t count,
                       double* numbers)
{
    Tree* tree = handle->tree;
    if (depth >= 0 && tree->root != nullptr && !walked(handle, depth)) {
        if (LevelIndex* index = keptIndex(handle, depth)) {
            LevelIndex_addSearch(index);
            LevelIndex_search(index, points, count, numbers);
            return;
        }
        TreeHandle_forget(handle);  // its memory is free before a new one is made
        IndexOwner made(LevelIndex_new(tree, depth));
        if (made) {
            LevelIndex_search(made.get(), points, count, numbers);
            keepIndex(handle, depth, made.release());
            return;
        }
        numberWalked(handle, depth);
    }
    Tree_searchNumbered(tree, depth, points, count, numbers);  // 0 where there is no level
}
