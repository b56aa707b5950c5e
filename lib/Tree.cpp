#include "Tree.h"

#include <inttypes.h>
#include <stdlib.h>

#include <vector>

#include "Alloc.h"
#include "Box.h"
#include "Owner.h"
#include "Portability.h"
#include "Rectangle.h"
#include "Vec.h"

namespace {

// Skips the white space (bytes 9 to 13 and 32) after the box count, as the
// count line's "\n" matches it, and says whether it held the pair 13 10: the
// line end a Windows text-mode stream writes.
bool skipCountLineEnd(FILE* stream)
{
    bool crLf = false;
    int previous = EOF;
    int c;
    while ((c = getc(stream)) == ' ' || (c >= '\t' && c <= '\r')) {
        crLf = crLf || (previous == '\r' && c == '\n');
        previous = c;
    }
    if (c != EOF)
        ungetc(c, stream);
    return crLf;
}

size_t stackSize(int dim)
{
    return static_cast<size_t>(TREE_DEPTH_PER_DIM) * static_cast<size_t>(dim > 0 ? dim : 0);
}

// The split order travels after the node stream, where readers stop (older
// ones never look there): a line "  sd =" with the table's entries up to
// the last that differs from the default order (k mod dim), each " %d",
// and "\n". The boxes' own splits carry it only down to the deepest box,
// and only along the paths that still hold boxes.
const char kSplitOrderMark[] = "  sd =";

bool writeSplitOrder(FILE* stream, const uint8_t* sd, int dim)
{
    const size_t entries = stackSize(dim) + 1;
    size_t used = entries;
    while (used > 0 && sd[used - 1] == (used - 1) % static_cast<size_t>(dim))
        --used;
    bool ok = fputs(kSplitOrderMark, stream) >= 0;
    for (size_t k = 0; ok && k < used; ++k)
        ok = fprintf(stream, " %d", sd[k]) > 0;
    return ok && fputc('\n', stream) != EOF;
}

// Reads the split order line into sd when the stream holds a whole one
// (entries 0 to 255, at most the table's, ended by a line end); the entries
// it does not list take the default order. Returns whether it did; sd is
// unchanged when not.
bool readSplitOrder(FILE* stream, uint8_t* sd, int dim)
{
    int c = getc(stream);
    if (c != kSplitOrderMark[0]) {
        if (c != EOF)
            ungetc(c, stream);  // not ours: whatever follows the tree stays unread
        return false;
    }
    for (const char* mark = kSplitOrderMark + 1; *mark != '\0'; ++mark)
        if ((c = getc(stream)) != *mark)
            return false;
    c = getc(stream);
    const size_t entries = stackSize(dim) + 1;
    std::vector<uint8_t> read;
    for (;;) {
        while (c == ' ' || c == '\r')
            c = getc(stream);
        if (c == '\n')
            break;
        if (c < '0' || c > '9' || read.size() == entries)
            return false;  // no line end (cut short), or not an entry
        int value = 0;
        for (; c >= '0' && c <= '9'; c = getc(stream)) {
            value = value * 10 + (c - '0');
            if (value > 255)
                return false;
        }
        read.push_back(static_cast<uint8_t>(value));
    }
    for (size_t k = 0; k < entries; ++k)
        sd[k] = k < read.size() ? read[k] : static_cast<uint8_t>(k % static_cast<size_t>(dim));
    return true;
}

// The record's own vectors and stacks, sized for a walk 500 * dim deep.
void allocateWalk(Tree* tree, int dim)
{
    size_t n = stackSize(dim);
    size_t d = static_cast<size_t>(dim > 0 ? dim : 0);
    tree->c = static_cast<double*>(CHECKED_CALLOC(d, sizeof(double)));
    tree->r = static_cast<double*>(CHECKED_CALLOC(d, sizeof(double)));
    tree->c_stack = static_cast<double*>(CHECKED_CALLOC(n, sizeof(double)));
    tree->r_stack = static_cast<double*>(CHECKED_CALLOC(n, sizeof(double)));
    tree->box_stack = static_cast<Box**>(CHECKED_CALLOC(n, sizeof(Box*)));
    tree->child_stack = static_cast<int32_t*>(CHECKED_CALLOC(n, sizeof(int32_t)));
}

}  // namespace

Tree* Tree_new(const Rectangle* rect)
{
    int dim = rect->dim;
    Owner<Tree, Tree_free> tree(static_cast<Tree*>(CHECKED_CALLOC(1, sizeof(Tree))));
    tree->rect = Rectangle_new(rect->center, rect->radius, static_cast<uint8_t>(dim));
    tree->root = Box_new();
    tree->refs = static_cast<int32_t*>(CHECKED_CALLOC(1, sizeof(int32_t)));
    *tree->refs = 1;
    allocateWalk(tree.get(), dim);
    size_t entries = stackSize(dim) + 1;
    tree->sd = static_cast<uint8_t*>(CHECKED_CALLOC(entries, 1));
    for (size_t i = 0; dim > 0 && i < entries; ++i)
        tree->sd[i] = static_cast<uint8_t>(i % static_cast<size_t>(dim));
    Tree_reset(tree.get());
    return tree.release();
}

Tree* Tree_copy(Tree* source)
{
    Owner<Tree, Tree_free> tree(static_cast<Tree*>(CHECKED_CALLOC(1, sizeof(Tree))));
    tree->rect = source->rect;
    tree->root = source->root;
    ++*source->refs;
    tree->refs = source->refs;  // from here Tree_free gives the count back
    allocateWalk(tree.get(), tree->rect->dim);
    tree->sd = source->sd;
    Tree_reset(tree.get());
    return tree.release();
}

void Tree_reset(Tree* tree)
{
    tree->current = tree->root;
    Vec_copy(tree->rect->center, tree->c, tree->rect->dim);
    Vec_copy(tree->rect->radius, tree->r, tree->rect->dim);
    tree->depth = 0;
}

int Tree_down(Tree* tree, int i)
{
    if (i != 0 && i != 1)
        return 0;
    Box* current = tree->current;
    if (current == nullptr || current->child[i] == nullptr)
        return 0;
    int k = current->split;
    int depth = tree->depth;
    // the stacks end here, and a split past dim would leave c and r
    if (k >= tree->rect->dim || static_cast<size_t>(depth) >= stackSize(tree->rect->dim))
        return 0;
    tree->c_stack[depth] = tree->c[k];
    tree->r_stack[depth] = tree->r[k];
    tree->box_stack[depth] = current;
    tree->r[k] = tree->r[k] * 0.5;
    if (i == 0)
        tree->c[k] = tree->c[k] - tree->r[k];
    else
        tree->c[k] = tree->c[k] + tree->r[k];
    tree->current = current->child[i];
    tree->child_stack[depth] = i;
    tree->depth = depth + 1;
    return 1;
}

int Tree_up(Tree* tree)
{
    if (tree->depth == 0)
        return 0;
    const int32_t d = tree->depth - 1;
    Box* parent = tree->box_stack[d];
    const int k = parent->split;
    tree->c[k] = tree->c_stack[d];
    tree->r[k] = tree->r_stack[d];
    tree->current = parent;
    tree->depth = d;
    return 1;
}

int Tree_next(Tree* tree, int32_t maxDepth)
{
    if (tree->current == nullptr)
        return 0;
    if (tree->depth < maxDepth && (Tree_down(tree, 0) || Tree_down(tree, 1)))
        return 1;
    while (tree->depth > 0) {
        const int32_t taken = tree->child_stack[tree->depth - 1];
        Tree_up(tree);
        if (taken == 0 && Tree_down(tree, 1))
            return 1;
    }
    return 0;
}

Tree* Tree_read(FILE* stream)
{
    return Tree_readCounted(stream, nullptr);
}

Tree* Tree_readCounted(FILE* stream, TreeFileCounts* counts)
{
    // The writer's address, in whatever hexadecimal form its %p wrote it
    // ("0x1", "0000000000000001"); only whether it is 0 matters.
    uint64_t address = 0;
    if (fscanf(stream, "Tree at %" SCNx64 ":\n", &address) != 1 || address == 0)
        return nullptr;
    const Owner<Rectangle, Rectangle_free> rect(Rectangle_read(stream));
    if (!rect)
        return nullptr;
    uint64_t declared = 0;
    double declaredNumber = 0;
    int at = -1;
    if (fscanf(stream, "  no of boxes =%n", &at) < 0 || at < 0 ||
        !Vec_readCount(stream, &declared, &declaredNumber))
        return nullptr;
    // The file is read in binary mode. Where text mode translates line
    // ends, a file written in text mode (its count line ends in 13 10) has
    // its node bytes' 13 10 pairs read back as the 10 that was written.
    const bool textMode = skipCountLineEnd(stream) && BOXGRAPH_TEXT_MODE_CRLF;
    Owner<Tree, Tree_free> tree(Tree_new(rect.get()));
    Box* boxes = textMode ? Box_readTreeWithinCrLf(stream, rect->dim) : Box_readTreeWithin(stream, rect->dim);
    if (boxes == nullptr)
        return nullptr;
    Box_free(&tree->root);
    tree->root = boxes;
    if (counts != nullptr) {
        counts->declared = declared;
        counts->declaredNumber = declaredNumber;
        counts->read = Box_count(boxes);
    }

    // sd along the leftmost path: the lower child where there is one, else
    // the upper; the split order after the node stream, where the file has
    // one, replaces it whole.
    Tree_reset(tree.get());
    for (;;) {
        tree->sd[tree->depth] = tree->current->split;
        if (!Tree_down(tree.get(), 0) && !Tree_down(tree.get(), 1))
            break;
    }
    readSplitOrder(stream, tree->sd, rect->dim);
    return tree.release();
}

int Tree_write(Tree* tree, FILE* stream)
{
    if (tree->root == nullptr)
        return -1;
    const Rectangle* rect = tree->rect;
    const int64_t boxes = Box_count(tree->root);
    Tree_reset(tree);

    // Addresses are written as bare hexadecimal digits, which every C
    // library's "%p" reads back; only their being non-zero counts.
    bool ok = fprintf(stream, "Tree at %" PRIxPTR ":\nRectangle at %" PRIxPTR ":\n  dim = %d\n",
                      reinterpret_cast<uintptr_t>(tree), reinterpret_cast<uintptr_t>(rect),
                      rect->dim) > 0;
    ok = ok && fputs("  center =", stream) >= 0;
    for (int i = 0; ok && i < rect->dim; ++i)
        ok = fprintf(stream, " %.17g", rect->center[i]) > 0;
    ok = ok && fputs("\n  radius =", stream) >= 0;
    for (int i = 0; ok && i < rect->dim; ++i)
        ok = fprintf(stream, " %.17g", rect->radius[i]) > 0;
    ok = ok && fprintf(stream, "\n  no of boxes = %lld\n", static_cast<long long>(boxes)) > 0;
    ok = ok && Box_writeTree(stream, tree->root, tree->sd, rect->dim) == 0;
    ok = ok && writeSplitOrder(stream, tree->sd, rect->dim);
    return ok && fflush(stream) == 0 ? 0 : -1;
}

void Tree_free(Tree** tree)
{
    if (tree == nullptr || *tree == nullptr)
        return;
    Tree* t = *tree;
    free(t->c);
    free(t->r);
    free(t->c_stack);
    free(t->r_stack);
    free(t->box_stack);
    free(t->child_stack);
    if (t->refs == nullptr || --*t->refs <= 0) {
        Rectangle_free(&t->rect);
        Box_freeTree(&t->root);
        free(t->sd);
        free(t->refs);
    }
    free(t);
    *tree = nullptr;
}
