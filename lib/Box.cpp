#include "Box.h"

#include <stdlib.h>

#include <vector>

#include "Alloc.h"
#include "Interrupt.h"
#include "Owner.h"
#include "Portability.h"

namespace {

// The node bytes of a file written through a Windows text-mode stream, which
// wrote each LF as CR LF: a CR LF pair is read as one LF, every other byte (a
// CR alone, a 26) as itself. A CR costs one byte of look-ahead, which ahead()
// hands back when the reading is over.
class FoldedBytes {
public:
    explicit FoldedBytes(FILE* stream) : stream_(stream) {}
    int get()
    {
        int c = ahead_;
        if (c == kNone)
            c = stream_.get();
        ahead_ = kNone;
        if (c != '\r')
            return c;
        ahead_ = stream_.get();
        if (ahead_ != '\n')
            return c;
        ahead_ = kNone;
        return '\n';
    }
    // The byte read ahead and not yet taken, or EOF.
    int ahead() const { return ahead_ == kNone ? EOF : ahead_; }

private:
    static constexpr int kNone = EOF - 1;
    StreamLock stream_;
    int ahead_ = kNone;
};

// Box_read from bytes.
template <class Bytes>
Box* readBox(Bytes& bytes)
{
    int flags = bytes.get();
    if (flags == EOF || flags == 0)
        return nullptr;
    Box* box = Box_new();
    box->flags = static_cast<uint8_t>(flags);
    int split = bytes.get();
    if (split != EOF)
        box->split = static_cast<uint8_t>(split);
    int aux = bytes.get();
    if (aux != EOF)
        box->aux = static_cast<uint8_t>(aux);
    return box;
}

// A box whose children are being read, and the child to read next.
struct Frame {
    Box* box;
    int next;
};

// The pre-order reader; dim 0 reads without limits.
template <class Bytes>
Box* readPreOrder(Bytes& bytes, int dim)
{
    Owner<Box, Box_freeTree> root(readBox(bytes));
    if (!root)
        return nullptr;
    const bool checked = dim > 0;
    const size_t maxDepth = static_cast<size_t>(TREE_DEPTH_PER_DIM) * static_cast<size_t>(dim);
    if (checked && root->split >= dim)
        return nullptr;
    std::vector<Frame> stack;
    stack.push_back(Frame{root.get(), 0});
    while (!stack.empty()) {
        Interrupt_poll();
        Frame& top = stack.back();
        if (top.next == 2) {
            stack.pop_back();
            continue;
        }
        Box* child = readBox(bytes);
        top.box->child[top.next++] = child;
        if (child == nullptr)
            continue;
        // stack.size() is the child's depth below the root
        if (checked && (child->split >= dim || stack.size() > maxDepth))
            return nullptr;
        stack.push_back(Frame{child, 0});
    }
    return root.release();
}

Box* readTree(FILE* stream, int dim)
{
    StreamLock bytes(stream);  // the node bytes as the stream holds them
    return readPreOrder(bytes, dim);
}

// readTree of folded bytes; the byte read ahead goes back to the stream,
// once its lock is released.
Box* readFoldedTree(FILE* stream, int dim)
{
    Box* root = nullptr;
    int ahead = EOF;
    {
        FoldedBytes bytes(stream);
        root = readPreOrder(bytes, dim);
        ahead = bytes.ahead();
    }
    if (ahead != EOF)
        ungetc(ahead, stream);
    return root;
}

}  // namespace

Box* Box_new(void)
{
    Box* box = static_cast<Box*>(CHECKED_CALLOC(1, sizeof(Box)));
    box->flags = 1;
    box->number = -1;
    return box;
}

void Box_free(Box** box)
{
    if (box == nullptr || *box == nullptr)
        return;
    free(*box);
    *box = nullptr;
}

void Box_freeTree(Box** box)
{
    if (box == nullptr)
        return;
    Box* node = *box;
    while (node != nullptr) {
        Box* lower = node->child[0];
        if (lower != nullptr) {
            // rotate right: the lower child becomes the parent of node
            node->child[0] = lower->child[1];
            lower->child[1] = node;
            node = lower;
        } else {
            Box* upper = node->child[1];
            free(node);
            node = upper;
        }
    }
    *box = nullptr;
}

Box* Box_readTree(FILE* stream)
{
    return readTree(stream, 0);
}

Box* Box_readTreeWithin(FILE* stream, int dim)
{
    if (dim < 1 || dim > 255)
        return nullptr;
    return readTree(stream, dim);
}

int64_t Box_count(const Box* root)
{
    int64_t n = 0;
    std::vector<const Box*> pending;
    if (root != nullptr)
        pending.push_back(root);
    while (!pending.empty()) {
        const Box* box = pending.back();
        pending.pop_back();
        ++n;
        for (const Box* child : box->child)
            if (child != nullptr)
                pending.push_back(child);
    }
    return n;
}

int Box_writeTree(FILE* stream, const Box* root, const uint8_t* sd, int dim)
{
    struct Pending {
        const Box* box;
        int32_t depth;
    };
    std::vector<Pending> pending{{root, 0}};  // the next box to write on top
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const Box* box = next.box;
        if (box == nullptr) {
            if (fputc(0, stream) == EOF)
                return -1;
            continue;
        }
        const bool leaf = box->child[0] == nullptr && box->child[1] == nullptr;
        // An sd entry past the dimension (T.sd takes any byte) would make the
        // file unreadable: such a leaf keeps its own split.
        const uint8_t split =
            leaf && sd != nullptr && sd[next.depth] < dim ? sd[next.depth] : box->split;
        const unsigned char record[3] = {box->flags, split, box->aux};
        if (fwrite(record, 1, 3, stream) != 3)
            return -1;
        pending.push_back({box->child[1], next.depth + 1});
        pending.push_back({box->child[0], next.depth + 1});
    }
    return 0;
}

Box* Box_readTreeWithinCrLf(FILE* stream, int dim)
{
    if (dim < 1 || dim > 255)
        return nullptr;
    return readFoldedTree(stream, dim);
}
