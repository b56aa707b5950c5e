// libFuzzer target: tree files through TreeHandle_load. A load either fails
// having released everything it read (the leak checker watches), or gives a
// tree whose every walk stays inside its stacks and whose sd, in a file
// without a split order line (which sets sd as saved, any byte), matches the
// splits of its leftmost path. The same bytes as node bytes of a file written
// in text mode: the folding reader must read them as the plain reader reads
// them with every 13 10 made 10, and leave the same bytes unread.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>

#include "Box.h"
#include "Tree.h"
#include "TreeFiles.h"
#include "TreeHandle.h"

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "broken: %s\n", what);
        abort();
    }
}

// Walks the iterator along the leftmost path and checks what the reader left.
void checkTree(TreeHandle* handle, bool splitOrderLine)
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
        check(splitOrderLine || tree->sd[iter->depth] == iter->current->split, "sd along the leftmost path");
        if (!Tree_down(iter, 0) && !Tree_down(iter, 1))
            break;
    }
    check(iter->depth == tree->depth && iter->current == tree->current, "reader stops at the leaf");
    // then the rightmost path, which the reader's limits must also cover
    Tree_reset(iter);
    while (Tree_down(iter, 1) || Tree_down(iter, 0))
        check(iter->depth <= TREE_DEPTH_PER_DIM * dim, "depth");
}

// Bytes with every 13 10 pair made 10.
std::string folded(const std::string& bytes)
{
    std::string out;
    for (size_t k = 0; k < bytes.size(); ++k) {
        if (bytes[k] == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n')
            ++k;
        out += bytes[k];
    }
    return out;
}

// The tree read by read from bytes ("none" for none), then the rest of the stream.
template <class Read>
std::pair<std::string, std::string> readAndRest(const std::string& bytes, Read read)
{
    std::pair<std::string, std::string> result("none", "");
    FILE* stream = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "r");
    if (stream == nullptr)
        abort();
    Box* root = read(stream);
    if (root != nullptr)
        result.first = treefiles::nodes(root);
    Box_freeTree(&root);
    for (int c; (c = fgetc(stream)) != EOF;)
        result.second += static_cast<char>(c);
    fclose(stream);
    return result;
}

void checkFolding(const uint8_t* data, size_t size)
{
    if (size < 2)
        return;
    const int dim = 1 + data[0] % 32;
    const std::string raw(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto crLf = readAndRest(raw, [&](FILE* s) { return Box_readTreeWithinCrLf(s, dim); });
    auto plain = readAndRest(folded(raw), [&](FILE* s) { return Box_readTreeWithin(s, dim); });
    check(crLf.first == plain.first, "folded tree");
    check(folded(crLf.second) == plain.second, "bytes after the folded tree");
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
        checkTree(handle, std::string(reinterpret_cast<const char*>(data), size).find("sd =") != std::string::npos);
        TreeHandle_free(&handle);
    }
    checkFolding(data, size);
    return 0;
}
