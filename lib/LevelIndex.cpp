#include "LevelIndex.h"

#include <float.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>

#include "Alloc.h"
#include "Interrupt.h"
#include "Owner.h"
#include "Portability.h"

namespace {

// The indexed search locates points by arithmetic that must round exactly as
// the walk's does; where doubles may be kept wider than 64 bits (x87 without
// SSE2), every level is walked instead.
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD != 0
constexpr bool kIndexable = false;
#else
constexpr bool kIndexable = true;
#endif

// ---- the keys of a level's boxes

// A box's path key is its path from the root as a number, the child taken
// at depth 0 as the highest bit. Along a level in number order the path keys
// ascend, so a box's number is its rank + 1.

// The boxes of each level in number order come from those of the level above
// in number order, each one's lower half before its upper half; they are
// fetched this far ahead of their turn, so that their reads overlap.
constexpr size_t kFetchAhead = 32;

// A breadth-first pass down to depth: the level's path keys in number order
// (none for an empty level), and per depth above it the one split of the
// boxes that have children there (-1 for none). Returns false, as soon as it
// finds one, when a depth has boxes with children split along different
// coordinates. Boxes are fetched a few ahead of their turn, so their reads
// overlap; the boxes at depth itself are never read. Working memory: the box
// addresses and keys of two adjacent levels, each list made for twice the
// boxes of the level above it.
template <class Key>
bool levelKeys(const Tree* tree, int32_t depth, CheckedVector<int>& splits, CheckedVector<Key>& keys)
{
    splits.assign(static_cast<size_t>(depth), -1);
    keys.clear();
    if (tree->root == nullptr)
        return true;
    CheckedVector<const Box*> boxes(1, tree->root);
    keys.assign(1, 0);
    for (int32_t l = 0; l < depth && !keys.empty(); ++l) {
        const size_t n = boxes.size();
        const bool last = l + 1 == depth;
        // Both children are written, and the end moves past those present.
        CheckedVector<const Box*> nextBoxes(last ? 0 : 2 * n);
        CheckedVector<Key> nextKeys(2 * n);
        size_t at = 0;
        int& split = splits[static_cast<size_t>(l)];
        for (size_t i = 0; i < n; ++i) {
            if (i + kFetchAhead < n)
                BOXGRAPH_PREFETCH(boxes[i + kFetchAhead]);
            const Box* box = boxes[i];
            const Box* lower = box->child[0];
            const Box* upper = box->child[1];
            if (lower == nullptr && upper == nullptr)
                continue;
            if (split < 0)
                split = box->split;
            else if (split != box->split)
                return false;
            const auto key = static_cast<Key>(2 * keys[i]);
            if (!last)
                nextBoxes[at] = lower;
            nextKeys[at] = key;
            at += lower != nullptr ? 1 : 0;
            if (!last)
                nextBoxes[at] = upper;
            nextKeys[at] = static_cast<Key>(key + 1);
            at += upper != nullptr ? 1 : 0;
        }
        if (!last)
            nextBoxes.resize(at);
        nextKeys.resize(at);
        boxes.swap(nextBoxes);
        keys.swap(nextKeys);
    }
    return true;
}

// Locating a point's cell, coordinate by coordinate: along a coordinate split
// m times above the level the boxes cut the rectangle into G = 2^m cells, and
// bounds[j] is the lower end of cell j exactly as the walk computes it (the
// centre of the box whose split created that end). The cell numbers of all
// coordinates side by side, coordinate 0 highest, make a box's cell key
// (offset: where this coordinate's m bits begin).
//
// Arithmetic guesses the cell, t = (x - lo) * G / (hi - lo) rounded down.
// It and the walk's bounds differ from exact arithmetic by a few rounding
// errors, which bound their distance in cells (slack): a point whose t lies
// farther than slack from every whole number is in cell floor(t) for the
// walk too. The others, very few, are compared with the bounds, so both
// searches agree to the last bit.
struct Axis {
    int m = 0;
    int offset = 0;
    int64_t last = 0;               // G - 1
    double lo = 0, hi = 0;
    double scale = 0;               // G / (hi - lo); 0 when m = 0
    double cells = 1;               // G
    double slack = -1, upper = 2;   // slack and 1 - slack; any fraction will do when m = 0
    CheckedVector<double> bounds;   // G + 1 entries, the outer two -inf and +inf

    // The cell of x in [lo, hi] (checked before; so t is not negative either).
    int64_t cell(double x) const
    {
        const double t = (x - lo) * scale;  // NaN only from a side too wide
        if (t < cells) {
            const auto g = static_cast<int64_t>(t);
            const double f = t - static_cast<double>(g);  // exact
            if (f > slack && f < upper)
                return g;
        }
        return settle(x, t);
    }

    // The walk reaches cell g when bounds[g] <= x < bounds[g + 1].
    int64_t settle(double x, double t) const
    {
        const int64_t g = t < static_cast<double>(last) ? static_cast<int64_t>(t) : last;
        const double* b = bounds.data();
        if (b[g] <= x && x < b[g + 1])
            return g;
        if (x < b[g] && b[g - 1] <= x)
            return g - 1;
        // g + 1 is a cell only below the last (x = hi = inf lands here)
        if (g < last && b[g + 1] <= x && x < b[g + 2])
            return g + 1;
        return std::upper_bound(b + 1, b + last + 1, x) - (b + 1);
    }
};

// The slack of an axis of G = 2^m cells over centre c and radius r, in
// cells: with u = 2^-53 and M = |c| + r, the walk's bounds are within
// m u M of exact, and t within (2.5 M / r + 3) u G cells of exact; four times
// their sum in cells. A slack of 1 or more (or cells so small that halving
// might leave the normal doubles) sends every point to the bounds.
double slackOf(double c, double r, int m)
{
    const double u = DBL_EPSILON / 2;
    const double g = ldexp(1.0, m);
    const double ratio = (fabs(c) + r) / r;
    const double slack = 4 * u * g * ((0.5 * m + 5) * ratio + 6);
    return slack < 0.25 && ldexp(r, -m) > ldexp(1.0, -1000) ? slack : 1;
}

// Cells per axis that the index may tabulate: beyond this the level is
// walked, which needs no memory.
constexpr int kMaxAxisBits = 22;

// The axes of a regular level of count boxes (depth at most 64); false when
// its cell tables would outweigh the boxes or the rectangle has a side that
// cannot be divided by arithmetic.
bool buildAxes(const Tree* tree, int32_t depth, const CheckedVector<int>& splits, size_t count,
               CheckedVector<Axis>& axes)
{
    const Rectangle* rect = tree->rect;
    for (int k = 0; k < rect->dim; ++k)
        if (!(rect->radius[k] > 0 && rect->radius[k] < INFINITY && fabs(rect->center[k]) < INFINITY))
            return false;  // such rectangles are walked: their bounds need not be ordered
    axes.assign(static_cast<size_t>(rect->dim), Axis{});
    // The level holds boxes (count > 0), so every depth above it has boxes
    // with children and a split that is a coordinate.
    for (int32_t l = 0; l < depth; ++l)
        ++axes[static_cast<size_t>(splits[static_cast<size_t>(l)])].m;
    uint64_t cells = 0;
    for (const Axis& axis : axes) {
        if (axis.m > kMaxAxisBits)
            return false;
        cells += static_cast<uint64_t>(1) << axis.m;
    }
    if (cells > 65536 && cells > 4 * static_cast<uint64_t>(count))
        return false;

    int offset = depth;
    for (int k = 0; k < rect->dim; ++k) {
        Axis& axis = axes[static_cast<size_t>(k)];
        offset -= axis.m;
        axis.offset = offset;
        axis.lo = rect->center[k] - rect->radius[k];
        axis.hi = rect->center[k] + rect->radius[k];
        const size_t g = static_cast<size_t>(1) << axis.m;
        axis.scale = axis.m == 0 ? 0 : static_cast<double>(g) / (axis.hi - axis.lo);
        if (!(axis.scale < INFINITY))
            axis.scale = 0;  // a side too thin to divide: the bounds alone decide
        // Cell bounds: the centres of the boxes that split along k, level by
        // level, computed as the walk does (radius halved, centre moved by it).
        axis.last = static_cast<int64_t>(g) - 1;
        axis.bounds.assign(g + 1, 0.0);
        axis.bounds[0] = axis.lo;
        axis.bounds[g] = axis.hi;
        if (axis.m > 0)
            axis.bounds[g / 2] = rect->center[k];
        double r = rect->radius[k];
        for (int j = 1; j < axis.m; ++j) {
            r = r * 0.5;
            const size_t h = g >> (j + 1);
            for (size_t q = h; q < g; q += 2 * h)
                axis.bounds[q] = (q / h) % 4 == 1 ? axis.bounds[q + h] - r : axis.bounds[q - h] + r;
        }
        axis.cells = static_cast<double>(g);
        if (axis.m > 0) {
            axis.slack = slackOf(rect->center[k], rect->radius[k], axis.m);
            axis.upper = 1 - axis.slack;
        }
        axis.bounds[0] = -INFINITY;  // the ends: lo and hi themselves were checked already
        axis.bounds[g] = INFINITY;
    }
    return true;
}

// Turns path keys into cell keys, a byte of the path at a time: the child
// taken at depth l is the next bit, from the highest, of the cell number
// along splits[l].
template <class Key>
void cellKeys(int32_t depth, const CheckedVector<int>& splits, const CheckedVector<Axis>& axes,
              CheckedVector<Key>& keys)
{
    const size_t bytes = (static_cast<size_t>(depth) + 7) / 8;
    CheckedVector<Key> table(bytes * 256, 0);
    CheckedVector<int> taken(axes.size(), 0);  // splits along each coordinate above l
    for (int32_t l = 0; l < depth; ++l) {
        const auto k = static_cast<size_t>(splits[static_cast<size_t>(l)]);
        const int bit = axes[k].offset + axes[k].m - 1 - taken[k]++;
        const int32_t p = depth - 1 - l;  // the bit of the path key
        Key* row = table.data() + static_cast<size_t>(p / 8) * 256;
        for (int v = 0; v < 256; ++v)
            if ((v >> (p % 8)) & 1)
                row[v] |= static_cast<Key>(static_cast<Key>(1) << bit);
    }
    for (Key& key : keys) {
        Key cell = 0;
        for (size_t b = 0; b < bytes; ++b)
            cell |= table[b * 256 + ((key >> (8 * b)) & 255)];
        key = cell;
    }
}

// The cell key of the point x, or false when x is outside the rectangle.
// Dim is the dimension when known at compile time, else 0.
template <int Dim>
inline bool keyOf(const Axis* axes, size_t runtimeDim, const double* x, uint64_t* key)
{
    const size_t dim = Dim > 0 ? static_cast<size_t>(Dim) : runtimeDim;
    uint64_t k = 0;
    for (size_t a = 0; a < dim; ++a) {
        const Axis& axis = axes[a];
        if (!(x[a] >= axis.lo && x[a] <= axis.hi))
            return false;
        k |= static_cast<uint64_t>(axis.cell(x[a])) << axis.offset;
    }
    *key = k;
    return true;
}

// Finds cell keys for points of Dim coordinates (0: any number, read from
// the axes).
template <int Dim>
struct Locate {
    const Axis* axes;
    size_t dim;
    explicit Locate(const CheckedVector<Axis>& a)
        : axes(a.data()), dim(Dim > 0 ? static_cast<size_t>(Dim) : a.size())
    {
    }
    bool operator()(const double* x, uint64_t* key) const { return keyOf<Dim>(axes, dim, x, key); }
};

#if BOXGRAPH_SSE2
// Two coordinates at once: both checks and guesses in one register, the
// bounds only for a point that needs them.
template <>
struct Locate<2> {
    const Axis* axes;
    __m128d lo, hi, scale, cells, slack, upper;
    explicit Locate(const CheckedVector<Axis>& a) : axes(a.data())
    {
        lo = _mm_set_pd(axes[1].lo, axes[0].lo);
        hi = _mm_set_pd(axes[1].hi, axes[0].hi);
        scale = _mm_set_pd(axes[1].scale, axes[0].scale);
        cells = _mm_set_pd(axes[1].cells, axes[0].cells);
        slack = _mm_set_pd(axes[1].slack, axes[0].slack);
        upper = _mm_set_pd(axes[1].upper, axes[0].upper);
    }
    bool operator()(const double* x, uint64_t* key) const
    {
        const __m128d p = _mm_loadu_pd(x);
        if (_mm_movemask_pd(_mm_and_pd(_mm_cmple_pd(lo, p), _mm_cmple_pd(p, hi))) != 3)
            return false;
        const __m128d t = _mm_mul_pd(_mm_sub_pd(p, lo), scale);
        const __m128i g = _mm_cvttpd_epi32(t);  // below 2^22 where it counts
        const __m128d f = _mm_sub_pd(t, _mm_cvtepi32_pd(g));
        const __m128d quick =
            _mm_and_pd(_mm_cmplt_pd(t, cells), _mm_and_pd(_mm_cmpgt_pd(f, slack), _mm_cmplt_pd(f, upper)));
        if (_mm_movemask_pd(quick) == 3) {
            const auto g0 = static_cast<uint32_t>(_mm_cvtsi128_si32(g));
            const auto g1 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(g, 1)));
            *key = static_cast<uint64_t>(g0) << axes[0].offset | static_cast<uint64_t>(g1) << axes[1].offset;
            return true;
        }
        return keyOf<2>(axes, 2, x, key);
    }
};
#endif

// Slots a lookup compares without branches before it walks on.
constexpr int kWindow = 8;

// The length of the run of ones at the low end of a byte.
struct LowOnes {
    uint8_t of[256];
    constexpr LowOnes() : of()
    {
        for (int v = 0; v < 256; ++v)
            while (of[v] < 8 && ((v >> of[v]) & 1) != 0)
                ++of[v];
    }
};
constexpr LowOnes kLowOnes;

// Slot layouts of the index. Hashes are bijections of the keys, so equal
// hashes mean equal keys and a slot need not hold the key itself. Each
// layout counts the slots below a hash among kWindow slots that begin with
// a run of such slots (that run, and no others).
//
// Levels at most 32 deep: one word, the 32-bit hash above the box number.
struct Narrow {
    using Key = uint32_t;
    using Hash = uint32_t;
    using Slot = uint64_t;
    static constexpr Slot kEmpty = UINT64_MAX;

    // Knuth's multiplicative hashing: an odd factor (2^32 over the golden
    // ratio) is invertible modulo 2^32, and every bit of the key reaches the
    // top bits, which choose the home; cells along a line spread evenly.
    static Hash hashOf(uint64_t key) { return static_cast<uint32_t>(key) * 0x9E3779B1U; }
    static uint64_t top(Hash h) { return h; }
    static Slot make(Hash h, uint32_t number) { return static_cast<uint64_t>(h) << 32 | number; }
    static bool isEmpty(Slot s) { return s == kEmpty; }
    // Whether the slot's hash is below h; never for an empty slot.
    static bool below(Slot s, Hash h) { return s < static_cast<uint64_t>(h) << 32; }
    static size_t belowInWindow(const Slot* s, Hash h)
    {
#if BOXGRAPH_SSE2
        // The hashes are the slots' high halves: compared four at a time,
        // unsigned (both sides biased by 2^31 for the signed comparison).
        const __m128i bias = _mm_set1_epi32(INT32_MIN);
        const __m128i hash = _mm_set1_epi32(static_cast<int32_t>(h ^ 0x80000000U));
        auto below4 = [&](const Slot* q) {
            const __m128 a = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
            const __m128 b = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 2)));
            const __m128i highs = _mm_xor_si128(_mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1))), bias);
            return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(hash, highs)));
        };
        static_assert(kWindow == 8, "two groups of four");
        return kLowOnes.of[below4(s) | below4(s + 4) << 4];
#else
        size_t n = 0;
        for (int j = 0; j < kWindow; ++j)
            n += below(s[j], h) ? 1 : 0;
        return n;
#endif
    }
    static double numberIf(Slot s, Hash h)
    {
        const uint64_t hit = ((s >> 32) == h) & (s != kEmpty);
        return static_cast<double>(static_cast<uint32_t>(s) & static_cast<uint32_t>(0 - hit));
    }
};

// Levels 33 to 64 deep: a 64-bit hash beside the box number (0 when empty).
struct Wide {
    using Key = uint64_t;
    using Hash = uint64_t;
    struct Slot {
        uint64_t hash;
        uint64_t number;
    };
    static constexpr Slot kEmpty = {UINT64_MAX, 0};

    static Hash hashOf(uint64_t z)  // SplitMix64's finaliser, invertible
    {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    static uint64_t top(Hash h) { return h >> 32; }
    static Slot make(Hash h, uint32_t number) { return {h, number}; }
    static bool isEmpty(const Slot& s) { return s.number == 0; }
    static bool below(const Slot& s, Hash h) { return s.hash < h; }
    static size_t belowInWindow(const Slot* s, Hash h)
    {
        size_t n = 0;
        for (int j = 0; j < kWindow; ++j)
            n += below(s[j], h) ? 1 : 0;
        return n;
    }
    static double numberIf(const Slot& s, Hash h)
    {
        return static_cast<double>(s.number & (0 - static_cast<uint64_t>(s.hash == h)));
    }
};

// How many keys (or points) ahead of its use a home slot is fetched, so
// that the memory reads overlap instead of waiting one after another.
constexpr int kBlock = 16;

// The hash index of a level: an ordered linear-probing table. A box's home
// slot is its hash scaled to the table (top 32 bits times homes / 2^32, so
// homes ascend with hashes); a box lies at or after its home, and along the
// array the hashes ascend. A lookup goes from the home to the first slot
// whose hash is not below its own: that slot holds it or nothing does. An
// empty slot counts as the largest hash, and the array ends with one, so no
// lookup runs off it; misses stop as early as hits. 1.25 homes per box keep
// the runs short (about 10 bytes a box for levels up to 32 deep).
template <class Layout>
struct Index {
    using Hash = typename Layout::Hash;
    using Slot = typename Layout::Slot;
    CheckedVector<Slot> slots;
    uint64_t homes = 0;

    size_t homeOf(Hash h) const { return static_cast<size_t>((Layout::top(h) * homes) >> 32); }

    // Puts h before the first larger hash at or after its home, moving the
    // rest of that run one slot up (the array grows when the run reaches its end).
    void add(Hash h, uint32_t number)
    {
        size_t i = homeOf(h);
        while (Layout::below(slots[i], h))
            ++i;
        Slot carry = Layout::make(h, number);
        for (;; ++i) {
            if (i + 1 == slots.size())
                slots.resize(slots.size() + 64, Layout::kEmpty);
            const Slot old = slots[i];
            slots[i] = carry;
            if (Layout::isEmpty(old))
                return;
            carry = old;
        }
    }

    // Box k + 1 has the cell key keys[k].
    void fill(const CheckedVector<typename Layout::Key>& keys)
    {
        const size_t n = keys.size();
        homes = static_cast<uint64_t>(n) + static_cast<uint64_t>(n) / 4 + 1;
        slots.assign(static_cast<size_t>(homes) + 64, Layout::kEmpty);
        // A key's home is fetched kBlock keys before it is added.
        Hash hashes[kBlock];
        for (size_t i = 0; i < n + kBlock; ++i) {
            Hash& h = hashes[i % kBlock];
            if (i >= kBlock)
                add(h, static_cast<uint32_t>(i - kBlock + 1));
            if (i < n) {
                h = Layout::hashOf(keys[i]);
                BOXGRAPH_PREFETCH(&slots[homeOf(h)]);
            }
        }
    }

    // The slots below h form a prefix of the run from h's home (sorted
    // hashes; past an empty slot every home, and so every hash, is larger):
    // the first eight are counted without branches, longer runs walked on.
    double find(Hash h, size_t home) const
    {
        const Slot* s = slots.data() + home;
        const size_t below = Layout::belowInWindow(s, h);
        s += below;
        if (below == kWindow)
            while (Layout::below(*s, h))
                ++s;
        return Layout::numberIf(*s, h);
    }
};

// The lookups, pipelined: while block k is probed, the slots of block k + 1
// are already being fetched.
template <class Layout, int Dim>
void indexedSearch(const CheckedVector<Axis>& axes, const Index<Layout>& index,
                   const double* points, int64_t count, double* numbers)
{
    using Hash = typename Layout::Hash;
    const size_t dim = Dim > 0 ? static_cast<size_t>(Dim) : axes.size();
    const Locate<Dim> locate(axes);
    Hash hashes[2][kBlock];
    size_t homes[2][kBlock];
    bool inside[2][kBlock];
    auto prepare = [&](int b, int64_t first) {
        const int64_t n = std::min<int64_t>(kBlock, count - first);
        for (int64_t i = 0; i < n; ++i) {
            uint64_t key = 0;
            inside[b][i] = locate(points + static_cast<size_t>(first + i) * dim, &key);
            hashes[b][i] = Layout::hashOf(key);
            homes[b][i] = inside[b][i] ? index.homeOf(hashes[b][i]) : 0;
            BOXGRAPH_PREFETCH(&index.slots[homes[b][i]]);
            BOXGRAPH_PREFETCH(&index.slots[homes[b][i] + kWindow - 1]);
        }
    };
    if (count > 0)
        prepare(0, 0);
    int b = 0;
    for (int64_t first = 0; first < count; first += kBlock, b ^= 1) {
        Interrupt_poll();
        if (first + kBlock < count)
            prepare(b ^ 1, first + kBlock);
        const int64_t n = std::min<int64_t>(kBlock, count - first);
        for (int64_t i = 0; i < n; ++i)
            numbers[first + i] = inside[b][i] ? index.find(hashes[b][i], homes[b][i]) : 0;
    }
}

// The slots of a level up to 32 (Narrow) or 64 (Wide) deep and the axes that
// turn a point into its cell key; false when the level cannot be indexed.
// *empty says whether the level holds no box (nothing is built then).
template <class Layout>
bool build(const Tree* tree, int32_t depth, bool* empty, CheckedVector<Axis>& axes, Index<Layout>& index)
{
    CheckedVector<int> splits;
    CheckedVector<typename Layout::Key> keys;
    if (!levelKeys(tree, depth, splits, keys))
        return false;
    *empty = keys.empty();
    if (*empty)
        return true;
    if (keys.size() > INT32_MAX || !buildAxes(tree, depth, splits, keys.size(), axes))
        return false;
    cellKeys(depth, splits, axes, keys);
    index.fill(keys);
    return true;
}

template <class Layout>
void search(const CheckedVector<Axis>& axes, const Index<Layout>& index, const double* points,
            int64_t count, double* numbers)
{
    // The common dimensions with the coordinate loop unrolled.
    switch (axes.size()) {
    case 1: indexedSearch<Layout, 1>(axes, index, points, count, numbers); break;
    case 2: indexedSearch<Layout, 2>(axes, index, points, count, numbers); break;
    case 3: indexedSearch<Layout, 3>(axes, index, points, count, numbers); break;
    default: indexedSearch<Layout, 0>(axes, index, points, count, numbers); break;
    }
}

}  // namespace

// The slots of the layout not used stay empty, and so does everything of an
// empty level.
struct LevelIndex {
    bool empty;  // the level holds no box
    bool wide;   // depth 33 to 64
    CheckedVector<Axis> axes;
    Index<Narrow> narrow;
    Index<Wide> wideSlots;
};

LevelIndex* LevelIndex_new(const Tree* tree, int32_t depth)
{
    if (!kIndexable || depth < 0 || depth > 64)
        return nullptr;
    Owner<LevelIndex, LevelIndex_free> index(new (CHECKED_CALLOC(1, sizeof(LevelIndex))) LevelIndex());
    index->wide = depth > 32;
    const bool built = index->wide ? build(tree, depth, &index->empty, index->axes, index->wideSlots)
                                   : build(tree, depth, &index->empty, index->axes, index->narrow);
    return built ? index.release() : nullptr;
}

void LevelIndex_search(const LevelIndex* index, const double* points, int64_t count, double* numbers)
{
    if (index->empty) {
        for (int64_t i = 0; i < count; ++i)
            numbers[i] = 0;
    } else if (index->wide) {
        search(index->axes, index->wideSlots, points, count, numbers);
    } else {
        search(index->axes, index->narrow, points, count, numbers);
    }
}

void LevelIndex_free(LevelIndex** index)
{
    if (index == nullptr || *index == nullptr)
        return;
    (*index)->~LevelIndex();
    free(*index);
    *index = nullptr;
}
