// libFuzzer target: tree files through TreeHandle_load. A load either fails
// having released everything it read (the leak checker watches), or gives a
// tree whose every walk stays inside its stacks and whose sd matches the
// splits of its leftmost path.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "Iter.h"
#include "Tree.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "broken: %s\n", what);
        abort();
    }
}

// Walks the iterator along the leftmost path and checks what the reader left.
void checkTree(TreeHandle* handle)
{
    Tree* tree = handle->tree;
    Tree* iter = handle->iter;
    const int dim = tree->rect->dim;
    check(dim >= 1 && dim <= 255, "dimension");
    check(*tree->refs == 2 && iter->refs == tree->refs, "count");
    check(iter->current == tree->root && iter->depth == 0, "iterator at the root");
    check(handle->verbose == 0, "verbose");
    for (;;) {
        check(iter->depth <= TREE_DEPTH_PER_DIM * dim, "depth");
        check(iter->current->split < dim, "split");
        check(tree->sd[iter->depth] == iter->current->split, "sd along the leftmost path");
        if (!Tree_down(iter, 0) && !Tree_down(iter, 1))
            break;
    }
    check(iter->depth == tree->depth && iter->current == tree->current, "reader stops at the leaf");
    // then the rightmost path, which the reader's limits must also cover
    Tree_reset(iter);
    while (Tree_down(iter, 1) || Tree_down(iter, 0))
        check(iter->depth <= TREE_DEPTH_PER_DIM * dim, "depth");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (stream == nullptr)
        return 0;
    TreeHandle* handle = TreeHandle_load(stream);
    fclose(stream);
    if (handle != nullptr) {
        checkTree(handle);
        TreeHandle_free(&handle);
    }
    return 0;
}
