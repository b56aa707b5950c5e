// The conversions between host arrays and what the library takes, written
// once for every gateway: arguments are validated and borrowed in place
// (never modified, never kept beyond the call), results are made here.
// A refusal raises the Refusal it is given (gateway::fail).
#ifndef BOXGRAPH_HOST_ARRAYS_H
#define BOXGRAPH_HOST_ARRAYS_H

#include "mex.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "Gateway.h"
#include "Memory.h"
#include "Owner.h"
#include "SparseView.h"

namespace gateway {

// count as a signed 32-bit value, or the refusal tooLarge.
inline int32_t int32Count(uint64_t count, const Refusal& tooLarge)
{
    if (count > static_cast<uint64_t>(INT32_MAX))
        fail(tooLarge);
    return static_cast<int32_t>(count);
}

// ---- arguments

// Borrows a sparse matrix's compressed columns as they are. Refuses an array
// that is not sparse (notSparse); one whose last column start, the count of
// stored entries that every reader goes by, exceeds the entries the array
// has room for (malformed: its row indices and values would be read past
// their ends); and one whose dimensions or stored-entry count do not fit a
// signed 32-bit integer (tooLarge), since vertex numbers and positions are
// 32-bit in every build. The rest of its structure is not looked at: see
// sparseArgument.
inline SparseView<mwIndex> borrowSparse(const mxArray* a, const Refusal& notSparse,
                                        const Refusal& tooLarge, const Refusal& malformed)
{
    if (!mxIsSparse(a))
        fail(notSparse);
    SparseView<mwIndex> view;
    view.rows = int32Count(mxGetM(a), tooLarge);
    view.cols = int32Count(mxGetN(a), tooLarge);
    view.jc = mxGetJc(a);
    view.ir = mxGetIr(a);
    if (static_cast<uint64_t>(view.jc[view.cols]) > static_cast<uint64_t>(mxGetNzmax(a)))
        fail(malformed);
    int32Count(static_cast<uint64_t>(view.jc[view.cols]), tooLarge);
    return view;
}

// borrowSparse, and then refuses a matrix whose structure is not well formed
// (malformed: column starts out of order, row indices out of range), which
// no correct host makes but which would make the modules read out of bounds.
// One pass over the structure.
inline SparseView<mwIndex> sparseArgument(const mxArray* a, const Refusal& notSparse,
                                          const Refusal& tooLarge, const Refusal& malformed)
{
    const SparseView<mwIndex> view = borrowSparse(a, notSparse, tooLarge, malformed);
    if (!SparseView_isWellFormed(view))
        fail(malformed);
    return view;
}

// The stored values of a sparse real double or logical matrix, read as
// doubles (a logical true is 1).
class SparseValues {
public:
    double operator[](size_t p) const { return real_ != nullptr ? real_[p] : logical_[p] ? 1.0 : 0.0; }

private:
    friend SparseValues sparseValues(const mxArray*, const Refusal&);
    const double* real_ = nullptr;
    const mxLogical* logical_ = nullptr;
};

// Borrows the values of a sparse matrix (checked by sparseArgument), refusing
// one that is neither real double nor logical.
inline SparseValues sparseValues(const mxArray* a, const Refusal& refusal)
{
    SparseValues values;
    if (mxIsLogical(a))
        values.logical_ = mxGetLogicals(a);
    else if (mxIsDouble(a) && !mxIsComplex(a))
        values.real_ = mxGetPr(a);
    else
        fail(refusal);
    return values;
}

// A full, real double array: what mxGetPr reads as the whole value.
inline bool isRealDouble(const mxArray* a)
{
    return mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a);
}

struct Doubles {
    const double* data;
    size_t count;
};

// Borrows a full real double array, or refuses it.
inline Doubles realDoubles(const mxArray* a, const Refusal& refusal)
{
    if (!isRealDouble(a))
        fail(refusal);
    return Doubles{mxGetPr(a), mxGetNumberOfElements(a)};
}

struct Bytes {
    const uint8_t* data;
    size_t count;
};

// Borrows a full uint8 array, or refuses it.
inline Bytes uint8s(const mxArray* a, const Refusal& refusal)
{
    if (!mxIsUint8(a) || mxIsSparse(a))
        fail(refusal);
    return Bytes{static_cast<const uint8_t*>(mxGetData(a)), mxGetNumberOfElements(a)};
}

// The value of a full real numeric scalar of any class, as a double, or a refusal.
inline double realScalar(const mxArray* a, const Refusal& refusal)
{
    if (mxIsComplex(a) || mxIsSparse(a) || mxGetNumberOfElements(a) != 1)
        fail(refusal);
    const void* data = mxGetData(a);
    switch (mxGetClassID(a)) {
    case mxDOUBLE_CLASS: return *static_cast<const double*>(data);
    case mxSINGLE_CLASS: return *static_cast<const float*>(data);
    case mxINT8_CLASS: return *static_cast<const int8_t*>(data);
    case mxUINT8_CLASS: return *static_cast<const uint8_t*>(data);
    case mxINT16_CLASS: return *static_cast<const int16_t*>(data);
    case mxUINT16_CLASS: return *static_cast<const uint16_t*>(data);
    case mxINT32_CLASS: return *static_cast<const int32_t*>(data);
    case mxUINT32_CLASS: return *static_cast<const uint32_t*>(data);
    case mxINT64_CLASS: return static_cast<double>(*static_cast<const int64_t*>(data));
    case mxUINT64_CLASS: return static_cast<double>(*static_cast<const uint64_t*>(data));
    default: fail(refusal);  // not a number: logical, char, struct, cell
    }
}

// v truncated toward zero to 32 bits, as the host's own conversion of a
// number used as an integer; NaN and values out of range give INT32_MIN, as
// the processor's conversion does.
inline int32_t truncToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// A text copy made by the host, released with mxFree.
using HostText = Owner<char, mxFree>;

// A NUL-terminated copy of a char array, or the refusal notText.
inline HostText text(const mxArray* a, const Refusal& notText)
{
    if (!mxIsChar(a))
        fail(notText);
    HostText copy(mxArrayToString(a));
    if (!copy)
        throw OutOfMemory{};
    return copy;
}

// A NUL-terminated copy of a char array that names a file, or a refusal: not
// text (notText), or holding a NUL character (hasNul), which would end the
// name early and name another file.
inline HostText fileName(const mxArray* a, const Refusal& notText, const Refusal& hasNul)
{
    HostText name = text(a, notText);
    if (std::strlen(name.get()) != static_cast<size_t>(mxGetNumberOfElements(a)))
        fail(hasNul);
    return name;
}

// ---- working memory

// What a working array holds when it is handed over: zeros, or whatever was
// there before (for an array that the call writes before it reads).
enum class Contents { Zeros, Garbage };

// Where it goes: where the host allocator puts it, or, for an array that the
// call fills once and that is large, on large pages (Memory_placeOnLargePages:
// the first touch is then cheap where page faults are dear; the block is up
// to one large page longer).
enum class Pages { Any, Large };

// Memory for count elements from the host allocator (at least one element,
// so an empty request is no failure), released with mxFree when the owner
// goes, whichever way the call ends. It counts against the call's host
// memory (roomFor) like a result, and past it is refused as the host would
// refuse it: HostRefused, which ends the call with the function's
// out-of-memory error.
template <class T>
class HostMemory {
public:
    explicit HostMemory(size_t count, Contents contents = Contents::Zeros, Pages pages = Pages::Any)
    {
        const size_t elements = count == 0 ? 1 : count;
        if (elements > (SIZE_MAX - Memory_largePageSlack(SIZE_MAX)) / sizeof(T))
            throw HostRefused{};
        if (!roomFor(elements * sizeof(T) +
                     (pages == Pages::Large ? Memory_largePageSlack(elements * sizeof(T)) : 0)))
            throw HostRefused{};
        if (contents == Contents::Zeros && pages == Pages::Any) {
            block_ = mxCalloc(elements, sizeof(T));
            if (block_ == nullptr)
                throw HostRefused{};
            data_ = static_cast<T*>(block_);
            return;
        }
        const size_t bytes = elements * sizeof(T);
        const size_t slack = pages == Pages::Large ? Memory_largePageSlack(bytes) : 0;
        block_ = mxMalloc(bytes + slack);
        if (block_ == nullptr)
            throw HostRefused{};
        data_ = static_cast<T*>(slack == 0 ? block_ : Memory_placeOnLargePages(block_, bytes + slack));
        // Cleared here, after the advice: a host's own zero fill may touch
        // every page before it could be given (Octave's does).
        if (contents == Contents::Zeros)
            std::memset(data_, 0, bytes);
    }
    ~HostMemory() { mxFree(block_); }
    HostMemory(const HostMemory&) = delete;
    HostMemory& operator=(const HostMemory&) = delete;

    T* get() const { return data_; }

private:
    void* block_;
    T* data_;
};

// The elements of a logical or real double array (the caller has checked
// which, and that it holds count elements) as bytes, 1 where not 0: a
// logical array read in place, doubles converted into host memory.
class Truths {
public:
    Truths(const mxArray* a, size_t count)
    {
        static_assert(sizeof(mxLogical) == 1, "a logical is one byte");
        if (mxIsLogical(a)) {
            data_ = reinterpret_cast<const uint8_t*>(mxGetLogicals(a));
            return;
        }
        uint8_t* bytes = converted_.emplace(count).get();
        const double* values = mxGetPr(a);
        for (size_t k = 0; k < count; ++k)
            bytes[k] = values[k] != 0;
        data_ = bytes;
    }

    const uint8_t* data() const { return data_; }

private:
    std::optional<HostMemory<uint8_t>> converted_;
    const uint8_t* data_ = nullptr;
};

// ---- results
//
// Every array a gateway gives the host is made here, and each maker first
// asks ensureRoom (Gateway.h) for its bytes: a result that would not fit is
// refused with the function's out-of-memory error before it is made, rather
// than the host being killed making it. Sizes are counted in double or
// checked for overflow: an element count times the element size can pass
// what a size_t holds.

// The bytes of count elements of size bytes each, or an out-of-memory end.
inline size_t resultBytes(double count, size_t size)
{
    const double bytes = count * static_cast<double>(size);
    if (!(bytes < static_cast<double>(SIZE_MAX)))
        throw OutOfMemory{};
    return static_cast<size_t>(bytes);
}

// A new real double m-by-n matrix of zeros.
inline mxArray* doubleMatrix(size_t m, size_t n)
{
    ensureRoom(resultBytes(static_cast<double>(m) * static_cast<double>(n), sizeof(double)));
    return mxCreateDoubleMatrix(static_cast<mwSize>(m), static_cast<mwSize>(n), mxREAL);
}

// A new real double scalar.
inline mxArray* doubleScalar(double value)
{
    ensureRoom(sizeof(double));
    return mxCreateDoubleScalar(value);
}

// A new 1-by-n char array of zeros (the host's characters, 8 or 16 bits).
inline mxArray* charRow(size_t n)
{
    ensureRoom(resultBytes(static_cast<double>(n), sizeof(mxChar)));
    const mwSize dims[2] = {1, static_cast<mwSize>(n)};
    return mxCreateCharArray(2, dims);
}

// A new char row holding text.
inline mxArray* textResult(const char* text)
{
    ensureRoom(resultBytes(static_cast<double>(std::strlen(text)) + 1, sizeof(mxChar)));
    return mxCreateString(text);
}

// A new m-by-n struct array with the given fields, every value empty.
inline mxArray* structResult(size_t m, size_t n, int fieldCount, const char** fields)
{
    ensureRoom(resultBytes(static_cast<double>(m) * static_cast<double>(n) * fieldCount, sizeof(void*)));
    return mxCreateStructMatrix(static_cast<mwSize>(m), static_cast<mwSize>(n), fieldCount, fields);
}

// A new 1-by-n logical row of false; *data gets its elements.
inline mxArray* logicalRow(size_t n, mxLogical** data)
{
    ensureRoom(resultBytes(static_cast<double>(n), sizeof(mxLogical)));
    mxArray* a = mxCreateLogicalMatrix(1, static_cast<mwSize>(n));
    *data = mxGetLogicals(a);
    return a;
}

// A new real double m-by-n sparse matrix with room for stored entries
// (at least 1) and none stored.
inline mxArray* sparseResult(size_t m, size_t n, size_t stored)
{
    stored = stored > 0 ? stored : 1;
    ensureRoom(resultBytes(static_cast<double>(stored), sizeof(double) + sizeof(mwIndex)) +
               resultBytes(static_cast<double>(n) + 1, sizeof(mwIndex)));
    return mxCreateSparse(static_cast<mwSize>(m), static_cast<mwSize>(n), static_cast<mwSize>(stored), mxREAL);
}

enum class Shape { Row, Column };

// A new real double vector of n zeros (1-by-n or n-by-1); *data gets its elements.
inline mxArray* doubleVector(Shape shape, size_t n, double** data)
{
    mxArray* a = shape == Shape::Row ? doubleMatrix(1, n) : doubleMatrix(n, 1);
    *data = mxGetPr(a);
    return a;
}

// A new real double vector holding values[k] + offset for k < n.
template <class T>
mxArray* doubleVector(Shape shape, const T* values, size_t n, double offset = 0.0)
{
    double* data = nullptr;
    mxArray* a = doubleVector(shape, n, &data);
    for (size_t k = 0; k < n; ++k)
        data[k] = static_cast<double>(values[k]) + offset;
    return a;
}

// A new real 1-by-n row of class classId (elements of type T) whose elements
// the caller writes, every one: the host does not clear them first (they
// hold garbage), and the whole large pages among them are advised
// (Memory_adviseLargePages), so that writing them once costs few page
// faults. *data gets its elements.
template <class T>
mxArray* rowToFill(size_t n, mxClassID classId, T** data)
{
    ensureRoom(resultBytes(static_cast<double>(n), sizeof(T)));
    mxArray* a = mxCreateUninitNumericMatrix(1, static_cast<mwSize>(n), classId, mxREAL);
    *data = static_cast<T*>(mxGetData(a));
    Memory_adviseLargePages(*data, n * sizeof(T));
    return a;
}

}  // namespace gateway

#endif
