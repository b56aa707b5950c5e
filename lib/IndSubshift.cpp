#include "IndSubshift.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "Alloc.h"
#include "Interrupt.h"
#include "Owner.h"

namespace {

// Growable array in checked allocations. A failed growth leaves it as it was.
template <class T>
struct Buffer {
    T* data;
    size_t size;
    size_t capacity;
};

template <class T>
void Buffer_reserve(Buffer<T>& buffer, size_t wanted)
{
    if (wanted <= buffer.capacity)
        return;
    size_t capacity = buffer.capacity < 16 ? 16 : buffer.capacity;
    while (capacity < wanted)
        capacity = capacity > SIZE_MAX / 2 ? wanted : 2 * capacity;
    T* data = static_cast<T*>(CHECKED_CALLOC(capacity, sizeof(T)));
    if (buffer.size > 0)
        memcpy(data, buffer.data, buffer.size * sizeof(T));
    Alloc_free(buffer.data, buffer.capacity * sizeof(T));
    buffer.data = data;
    buffer.capacity = capacity;
}

template <class T>
void Buffer_push(Buffer<T>& buffer, const T& value)
{
    Buffer_reserve(buffer, buffer.size + 1);
    buffer.data[buffer.size++] = value;
}

template <class T>
void Buffer_release(Buffer<T>& buffer)
{
    free(buffer.data);
    buffer.data = nullptr;
    buffer.size = buffer.capacity = 0;
}

}  // namespace

// Everything is zero-filled at creation, so all buffers start empty.
struct IndSubshiftSubsets {
    Buffer<size_t> start;       // subset number k starts at members[start[k - 1]]
    Buffer<int32_t> members;    // member lists, each ordered by (label, vertex)
    Buffer<uint32_t> highMarks; // per subset highWords words: bit s - 32 once symbol s is expanded
    size_t highWords;
    uint8_t* seen;              // per vertex: 1 while it is in the successor being computed
    Buffer<int32_t> successor;  // the successor being computed
};

namespace {

// The member list of subset number id (ordered by label, then vertex) and,
// in *count, its length.
const int32_t* membersOf(const IndSubshift* state, int32_t id, int32_t* count)
{
    const IndSubshiftSubsets* t = state->subsets;
    size_t first = t->start.data[id - 1];
    *count = static_cast<int32_t>(t->start.data[id] - first);
    return t->members.data + first;
}

// Records the member list (increasing vertices) of the subset numbered last,
// reordered by label (a stable counting sort, O(count + symbols)).
void recordMembers(IndSubshift* state, const int32_t* members, int32_t count)
{
    IndSubshiftSubsets* t = state->subsets;
    size_t first = t->members.size;
    int32_t position[257] = {0};
    for (int32_t k = 0; k < count; ++k)
        ++position[state->labels[members[k]] + 1];
    for (int32_t s = 0; s < state->symbolCount; ++s)
        position[s + 1] += position[s];
    int32_t* out = t->members.data + first;
    for (int32_t k = 0; k < count; ++k)
        out[position[state->labels[members[k]]]++] = members[k];
    t->members.size = first + static_cast<size_t>(count);
    t->start.data[t->start.size++] = t->members.size;
    if (t->highWords > 0) {
        size_t words = t->highMarks.size;
        memset(t->highMarks.data + words, 0, t->highWords * sizeof(uint32_t));
        t->highMarks.size = words + t->highWords;
    }
}

// Whether symbol s of the subset of node has been expanded; marks it if not.
bool markExpanded(IndSubshift* state, Node* node, int32_t s)
{
    uint32_t* word;
    uint32_t bit;
    if (s < 32) {
        word = &node->mask;
        bit = static_cast<uint32_t>(1) << s;
    } else {
        IndSubshiftSubsets* t = state->subsets;
        word = t->highMarks.data + static_cast<size_t>(node->id - 1) * t->highWords +
               static_cast<size_t>(s - 32) / 32;
        bit = static_cast<uint32_t>(1) << ((s - 32) % 32);
    }
    if ((*word & bit) != 0)
        return true;
    *word |= bit;
    return false;
}

// Fills state->subsets->successor with the successor of the subset numbered id
// under symbol s, in increasing vertex order. *cursor is the position in the
// subset's member list up to which labels are below s; it moves past symbol s.
void successor(IndSubshift* state, int32_t id, int32_t s, int32_t* cursor)
{
    IndSubshiftSubsets* t = state->subsets;
    Buffer<int32_t>& out = t->successor;
    out.size = 0;
    int32_t count;
    const int32_t* members = membersOf(state, id, &count);
    int32_t k = *cursor;
    while (k < count && state->labels[members[k]] < s)
        ++k;
    int32_t first = k;
    while (k < count && state->labels[members[k]] == s)
        ++k;
    *cursor = k;
    if (first == k)
        return;
    const SparseMatrix* a = state->matrix;
    const int32_t* start = state->sourceStart;
    const int32_t* targets = state->targets;
    const int32_t* rows = a->rows;
    const double* values = a->values;
    uint8_t* seen = t->seen;
    for (int32_t m = first; m < k; ++m) {
        int32_t j = members[m];
        for (int32_t e = start[j]; e < start[j + 1]; ++e) {
            int32_t i;
            if (targets != nullptr)
                i = targets[e];
            else if (values[e] != 0)
                i = rows[e];
            else
                continue;
            if (seen[i] == 0) {
                seen[i] = 1;
                Buffer_push(out, i);
            }
        }
    }
    // Unmark through the list, not by clearing all n marks.
    for (size_t m = 0; m < out.size; ++m)
        t->seen[out.data[m]] = 0;
    std::sort(out.data, out.data + out.size);
}

struct Frame {
    Node* node;      // the subset being expanded
    int32_t symbol;  // next symbol to consider
    int32_t cursor;  // position in its member list (see successor)
};

void pushFrame(IndSubshift* state, CheckedVector<Frame>& stack, Node* node)
{
    int32_t count;
    membersOf(state, node->id, &count);
    if (count > state->largestSubset)
        state->largestSubset = count;
    stack.push_back(Frame{node, 0, 0});
}

}  // namespace

IndSubshift* IndSubshift_new(SparseMatrix* matrix, const uint8_t* labels)
{
    Owner<IndSubshift, IndSubshift_free> state(static_cast<IndSubshift*>(CHECKED_CALLOC(1, sizeof(IndSubshift))));
    size_t n = static_cast<size_t>(matrix->dimension);
    state->vertexCount = static_cast<uint32_t>(n);
    state->matrix = matrix;
    state->labels = static_cast<uint8_t*>(CHECKED_CALLOC(n, 1));
    if (n > 0)
        memcpy(state->labels, labels, n);
    uint8_t largest = 0;  // in a local: stores through the byte array may alias fields
    for (size_t v = 0; v < n; ++v)
        largest = std::max(largest, state->labels[v]);
    state->symbolCount = n > 0 ? largest + 1 : 0;
    state->root = Node_new(0);
    state->root->id = -1;

    // Index by source. The gateway's matrix is in column order: then the
    // column starts index its entries in place (zero values are skipped
    // when read); otherwise the targets of the non-zero entries are copied
    // out by column.
    state->sourceStart = static_cast<int32_t*>(CHECKED_CALLOC(n + 1, sizeof(int32_t)));
    int32_t* start = state->sourceStart;
    const int32_t* cols = matrix->cols;
    const int32_t count = matrix->count;
    bool columnOrder = true;
    for (int32_t e = 0; e < count; ++e) {
        columnOrder = columnOrder && (e == 0 || cols[e - 1] <= cols[e]);
        ++start[cols[e] + 1];
    }
    if (!columnOrder) {
        memset(start, 0, (n + 1) * sizeof(int32_t));
        for (int32_t e = 0; e < count; ++e)
            if (matrix->values[e] != 0)
                ++start[cols[e] + 1];
    }
    for (size_t j = 0; j < n; ++j)
        start[j + 1] += start[j];
    if (!columnOrder) {
        state->targets = static_cast<int32_t*>(
            CHECKED_CALLOC(static_cast<size_t>(state->sourceStart[n]), sizeof(int32_t)));
        int32_t* next = static_cast<int32_t*>(CHECKED_CALLOC(n + 1, sizeof(int32_t)));
        memcpy(next, state->sourceStart, (n + 1) * sizeof(int32_t));
        for (int32_t e = 0; e < matrix->count; ++e)
            if (matrix->values[e] != 0)
                state->targets[next[matrix->cols[e]]++] = matrix->rows[e];
        free(next);
    }

    IndSubshiftSubsets* t = static_cast<IndSubshiftSubsets*>(
        CHECKED_CALLOC(1, sizeof(IndSubshiftSubsets)));
    state->subsets = t;
    t->highWords = state->symbolCount > 32 ? static_cast<size_t>(state->symbolCount - 1) / 32 : 0;
    t->seen = static_cast<uint8_t*>(CHECKED_CALLOC(n, 1));
    Buffer_push(t->start, static_cast<size_t>(0));
    return state.release();
}

void IndSubshift_free(IndSubshift** state)
{
    if (state == nullptr || *state == nullptr)
        return;
    IndSubshift* s = *state;
    free(s->labels);
    Node_free(&s->root);
    free(s->sourceStart);
    free(s->targets);
    if (s->subsets != nullptr) {
        IndSubshiftSubsets* t = s->subsets;
        Buffer_release(t->start);
        Buffer_release(t->members);
        Buffer_release(t->highMarks);
        Buffer_release(t->successor);
        free(t->seen);
        free(t);
    }
    free(s);
    *state = nullptr;
}

Node* IndSubshift_number(IndSubshift* state, const int32_t* members, int32_t count)
{
    Node* node = state->root;
    for (int32_t k = 0; k < count; ++k)
        node = Node_child(node, members[k] + 1);
    if (node->id != 0)
        return node;
    if (state->subsetCount == INT32_MAX)
        CHECKED_REFUSE();  // subset numbers are signed 32-bit
    // Room for the member list first, so a failure leaves the node unnumbered.
    IndSubshiftSubsets* t = state->subsets;
    Buffer_reserve(t->members, t->members.size + static_cast<size_t>(count));
    Buffer_reserve(t->start, t->start.size + 1);
    Buffer_reserve(t->highMarks, t->highMarks.size + t->highWords);
    node->id = ++state->subsetCount;
    recordMembers(state, members, count);
    return node;
}

SparseMatrix* IndSubshift_build(IndSubshift* state, int32_t start)
{
    Owner<SparseMatrix, SparseMatrix_free> edges(SparseMatrix_new(1));
    CheckedVector<Frame> stack;
    if (start >= 0 && static_cast<uint32_t>(start) < state->vertexCount)
        pushFrame(state, stack, IndSubshift_number(state, &start, 1));
    IndSubshiftSubsets* t = state->subsets;
    // The top frame is the innermost expansion: it takes its next symbol,
    // and a non-empty successor is entered at once (after its edge), so
    // the edges come in the order of the recursive expansion.
    while (!stack.empty()) {
        Interrupt_poll();
        Frame& top = stack.back();
        if (top.symbol >= state->symbolCount) {
            stack.pop_back();
            continue;
        }
        int32_t s = top.symbol++;
        Node* node = top.node;
        if (markExpanded(state, node, s))
            continue;
        successor(state, node->id, s, &top.cursor);
        if (t->successor.size == 0)
            continue;
        Node* next = IndSubshift_number(state, t->successor.data, static_cast<int32_t>(t->successor.size));
        SparseMatrix_add(edges.get(), next->id - 1, node->id - 1, 1.0);
        pushFrame(state, stack, next);
    }
    return edges.release();
}
