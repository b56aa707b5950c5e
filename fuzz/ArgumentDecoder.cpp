#include "ArgumentDecoder.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "Covering.h"
#include "HandleArray.h"
#include "Rectangle.h"
#include "Tree.h"
#include "TreeFiles.h"
#include "TreeHandle.h"
#include "TreeOperations.h"

namespace fuzzing {

void broken(const char* what)
{
    fprintf(stderr, "broken: %s\n", what);
    abort();
}

namespace {

// Words the gateways look for: properties, subscript types, field names, and
// the files a call may read. The operations' names come with the signatures.
const char* const kWords[] = {
    "center", "radius", "sd", "verbose", "dim", "handle", "type", "subs", ".", "()", "{}",
    "f0", "f1", "f2", "f3", "", "Center", "x", "sparse", "pairs", "any", "missing",
};
const char* const kFieldNames[] = {"handle", "type", "subs", "x"};

const mxClassID kNumericClasses[] = {
    mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,  mxUINT8_CLASS,  mxINT16_CLASS,  mxUINT16_CLASS,
    mxINT32_CLASS,  mxUINT32_CLASS, mxINT64_CLASS, mxUINT64_CLASS, mxLOGICAL_CLASS, mxCHAR_CLASS,
};

// Numbers that sit on the edges the gateways test.
const double kEdges[] = {
    0.0, -0.0, 1.0, -1.0, 0.5, 1.7, -0.3, 2.0, 255.0, 256.0, 257.0, 500.0, 1000.0, 2147483647.0,
    2147483648.0, -2147483648.0, -2147483649.0, 4294967296.0, 9007199254740992.0, 1e300, -1e300,
    DBL_MIN, 4.9e-324, DBL_MAX, INFINITY, -INFINITY, NAN,
};

template <class T, size_t N>
constexpr size_t countOf(const T (&)[N])
{
    return N;
}

// The number of vertices the gateways see in a well-formed sparse array: its
// column count, or more when a stored row lies beyond it.
size_t verticesOf(const mxArray* a)
{
    const size_t n = mxGetN(a);
    size_t vertices = n;
    const mwIndex* jc = mxGetJc(a);
    const mwIndex* ir = mxGetIr(a);
    for (mwIndex p = 0; p < jc[n]; ++p)
        vertices = std::max(vertices, static_cast<size_t>(ir[p]) + 1);
    return vertices;
}

// Whether a sparse array's structure can be read without leaving its arrays:
// column starts from 0, in order, within its room for entries, and every
// row index below its row count.
bool wellFormedSparse(const mxArray* a)
{
    if (!mxIsSparse(a))
        return false;
    const size_t n = mxGetN(a);
    const mwIndex* jc = mxGetJc(a);
    const mwIndex* ir = mxGetIr(a);
    if (jc[0] != 0 || jc[n] > mxGetNzmax(a))
        return false;
    for (size_t j = 0; j < n; ++j)
        if (jc[j + 1] < jc[j])
            return false;
    for (mwIndex p = 0; p < jc[n]; ++p)
        if (ir[p] >= mxGetM(a))
            return false;
    return true;
}

class Decoder {
public:
    Decoder(FuzzedDataProvider& in, const Limits& limits, TreePool& pool)
        : in_(in), limits_(limits), pool_(pool), words_(std::begin(kWords), std::end(kWords))
    {
    }

    Call call(const std::vector<Signature>& signatures)
    {
        Call call;
        for (const Signature& s : signatures)
            for (const Param& p : s)
                if (p.kind == Kind::Word)
                    words_.push_back(p.word.c_str());
        const Signature& signature = signatures[in_.ConsumeIntegralInRange<size_t>(0, signatures.size() - 1)];
        size_t nrhs = signature.size();
        switch (in_.ConsumeIntegralInRange(0, 9)) {
        case 7: nrhs = nrhs > 0 ? nrhs - 1 : 0; break;
        case 8: ++nrhs; break;
        case 9: nrhs = in_.ConsumeIntegralInRange<size_t>(0, 6); break;
        default: break;
        }
        const int nlhs[] = {1, 1, 1, 0, 2, 3, 4};
        call.nlhs = nlhs[in_.ConsumeIntegralInRange<size_t>(0, countOf(nlhs) - 1)];
        for (size_t k = 0; k < nrhs; ++k) {
            // Now and then the same array again, as in f(A, A).
            if (!call.args.empty() && in_.ConsumeIntegralInRange(0, 15) == 0) {
                call.args.push_back(call.args[in_.ConsumeIntegralInRange<size_t>(0, call.args.size() - 1)]);
                continue;
            }
            Kind kind = k < signature.size() ? signature[k].kind : Kind::Dense;
            if (in_.ConsumeIntegralInRange(0, 7) == 0)
                kind = static_cast<Kind>(in_.ConsumeIntegralInRange(0, kPlainKinds - 1));
            host::Array a = kind == Kind::Word ? word(signature[k].word) : argument(kind, 0);
            call.args.push_back(a.get());
            call.owned.push_back(std::move(a));
        }
        switch (in_.ConsumeIntegralInRange(0, 15)) {  // 0, all an input that ran out gives: no fault
        case 12: call.failLibraryAt = in_.ConsumeIntegralInRange(1, 64); break;
        case 13: call.failCallocAt = in_.ConsumeIntegralInRange(1, 4); break;
        case 14: call.failArrayAt = in_.ConsumeIntegralInRange(1, 4); break;
        case 15: call.interruptAt = in_.ConsumeIntegralInRange(1, 4); break;
        default: break;
        }
        if (call.interruptAt == 0)
            call.interruptAt = 16;  // at most about 16 thousand steps of a long loop
        return call;
    }

private:
    FuzzedDataProvider& in_;
    const Limits& limits_;
    TreePool& pool_;
    const mxArray* lastSparse_ = nullptr;
    TreeHandle* lastTree_ = nullptr;
    std::vector<const char*> words_;  // kWords, then the signatures' words

    // ---- numbers and sizes

    double number()
    {
        switch (in_.ConsumeIntegralInRange(0, 7)) {
        case 4: return kEdges[in_.ConsumeIntegralInRange<size_t>(0, countOf(kEdges) - 1)];
        case 5: return in_.ConsumeFloatingPoint<double>();
        case 6: {
            const uint64_t bits = in_.ConsumeIntegral<uint64_t>();
            double value;
            memcpy(&value, &bits, sizeof value);
            return value;
        }
        case 7: return 2 * in_.ConsumeProbability<double>() - 1;
        default: return in_.ConsumeIntegralInRange(-2, 16);
        }
    }

    // Mostly 0 to 8, sometimes up to most.
    size_t count(size_t most)
    {
        if (in_.ConsumeIntegralInRange(0, 3) != 0)
            return in_.ConsumeIntegralInRange<size_t>(0, std::min<size_t>(most, 8));
        return in_.ConsumeIntegralInRange<size_t>(0, most);
    }

    // ---- arguments

    host::Array argument(Kind kind, int depth)
    {
        switch (kind) {
        case Kind::Sparse: return sparse();
        case Kind::Dense: return dense();
        case Kind::Scalar: return scalar();
        case Kind::Numeric: return numeric();
        case Kind::Text: return text();
        case Kind::Struct: return structure(depth);
        case Kind::Transpose: return transpose();
        case Kind::Labels: return labels();
        case Kind::TreeObject: return treeObject();
        case Kind::Subscript: return subscript();
        case Kind::Points: return points();
        case Kind::Mask: return mask();
        case Kind::FileName: return fileName();
        case Kind::Depth: return depthScalar();
        case Kind::Range: return range();
        case Kind::TreeArgument: {
            const Kind kinds[] = {Kind::Points, Kind::Mask, Kind::Scalar, Kind::FileName, Kind::Range, Kind::Text};
            return argument(kinds[in_.ConsumeIntegralInRange<size_t>(0, countOf(kinds) - 1)], depth);
        }
        case Kind::Word: return text();  // a word without its parameter: any
        }
        return scalar();
    }

    host::Array sparse()
    {
        const bool logical = in_.ConsumeIntegralInRange(0, 3) == 0;
        const size_t n = count(limits_.columns);
        size_t m = n;
        switch (in_.ConsumeIntegralInRange(0, 7)) {
        case 5: m = count(limits_.columns); break;
        case 6: m = n + in_.ConsumeIntegralInRange<size_t>(0, 3); break;
        case 7: {
            const size_t huge[] = {2147483647u, 2147483648u, 4294967296u, SIZE_MAX / 2, SIZE_MAX};
            m = huge[in_.ConsumeIntegralInRange<size_t>(0, countOf(huge) - 1)];
            break;
        }
        default: break;
        }
        std::vector<mwIndex> jc(n + 1, 0);
        std::vector<mwIndex> ir;
        const int structure = in_.ConsumeIntegralInRange(0, 9);
        if (structure < 9) {
            // Entries at random places, columns in order, rows within a
            // column in any order and repeated.
            const size_t entries = m == 0 || n == 0 ? 0 : count(limits_.entries);
            std::vector<std::pair<size_t, size_t>> at(entries);
            for (auto& e : at) {
                e.first = in_.ConsumeIntegralInRange<size_t>(0, n - 1);
                e.second = in_.ConsumeIntegralInRange<size_t>(0, std::min<size_t>(m - 1, SIZE_MAX / 2));
            }
            std::stable_sort(at.begin(), at.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (const auto& e : at) {
                ++jc[e.first + 1];
                ir.push_back(e.second);
            }
            for (size_t j = 0; j < n; ++j)
                jc[j + 1] += jc[j];
            if (structure >= 7)
                breakStructure(jc, ir, m);
        } else {
            // Raw structure: column starts and row indices as they come.
            ir.resize(count(limits_.entries));
            for (mwIndex& p : jc)
                p = in_.ConsumeIntegralInRange(0, 9) == 0 ? in_.ConsumeIntegral<mwIndex>()
                                                          : in_.ConsumeIntegralInRange<mwIndex>(0, ir.size() + 2);
            for (mwIndex& i : ir)
                i = in_.ConsumeIntegralInRange(0, 9) == 0 ? in_.ConsumeIntegral<mwIndex>()
                                                          : in_.ConsumeIntegralInRange<mwIndex>(0, n + 2);
        }
        // Room for a few more entries than are stored, now and then.
        const size_t room = ir.size() + (in_.ConsumeIntegralInRange(0, 3) == 0 ? in_.ConsumeIntegralInRange(1, 4) : 0);
        mxArray* a = logical ? mxCreateSparseLogicalMatrix(m, n, room) : mxCreateSparse(m, n, room, mxREAL);
        host::Array array(a);
        std::copy(jc.begin(), jc.end(), mxGetJc(a));
        std::copy(ir.begin(), ir.end(), mxGetIr(a));
        for (size_t p = 0; p < ir.size(); ++p) {
            if (logical)
                mxGetLogicals(a)[p] = in_.ConsumeIntegralInRange(0, 7) != 0;
            else
                mxGetPr(a)[p] = in_.ConsumeIntegralInRange(0, 3) != 0 ? 1.0 : number();
        }
        lastSparse_ = a;
        return array;
    }

    // One fault in an otherwise well-formed structure.
    void breakStructure(std::vector<mwIndex>& jc, std::vector<mwIndex>& ir, size_t m)
    {
        const size_t n = jc.size() - 1;
        switch (in_.ConsumeIntegralInRange(0, 5)) {
        case 0: jc[n] += in_.ConsumeIntegralInRange<mwIndex>(1, 1000); break;  // past the stored entries
        case 1: jc[0] = in_.ConsumeIntegralInRange<mwIndex>(1, 3); break;
        case 2:
            if (n > 0)
                jc[in_.ConsumeIntegralInRange<size_t>(0, n)] = in_.ConsumeIntegral<mwIndex>();
            break;
        case 3:
            if (n > 1) {  // two column starts out of order
                const size_t j = in_.ConsumeIntegralInRange<size_t>(1, n - 1);
                jc[j] = jc[j + 1] + in_.ConsumeIntegralInRange<mwIndex>(1, 3);
            }
            break;
        case 4:
            if (!ir.empty())
                ir[in_.ConsumeIntegralInRange<size_t>(0, ir.size() - 1)] = m + in_.ConsumeIntegralInRange<mwIndex>(0, 2);
            break;
        case 5:
            if (!ir.empty())
                ir[in_.ConsumeIntegralInRange<size_t>(0, ir.size() - 1)] = static_cast<mwIndex>(-1);
            break;
        }
    }

    host::Array transpose()
    {
        if (lastSparse_ == nullptr || !wellFormedSparse(lastSparse_) || mxGetM(lastSparse_) > 1 << 16)
            return sparse();
        const mxArray* a = lastSparse_;
        const size_t m = mxGetM(a);
        const size_t n = mxGetN(a);
        const mwIndex* jc = mxGetJc(a);
        const mwIndex* ir = mxGetIr(a);
        const mwIndex stored = jc[n];
        mxArray* t = mxIsLogical(a) ? mxCreateSparseLogicalMatrix(n, m, stored) : mxCreateSparse(n, m, stored, mxREAL);
        host::Array array(t);
        mwIndex* tjc = mxGetJc(t);
        for (mwIndex p = 0; p < stored; ++p)
            ++tjc[ir[p] + 1];
        for (size_t i = 0; i < m; ++i)
            tjc[i + 1] += tjc[i];
        std::vector<mwIndex> next(tjc, tjc + m);
        for (size_t j = 0; j < n; ++j) {
            for (mwIndex p = jc[j]; p < jc[j + 1]; ++p) {
                const mwIndex q = next[ir[p]]++;
                mxGetIr(t)[q] = j;
                if (mxIsLogical(a))
                    mxGetLogicals(t)[q] = mxGetLogicals(a)[p];
                else
                    mxGetPr(t)[q] = mxGetPr(a)[p];
            }
        }
        // Now and then one entry moves: no longer the transpose.
        if (stored > 0 && in_.ConsumeIntegralInRange(0, 7) == 0) {
            mwIndex& i = mxGetIr(t)[in_.ConsumeIntegralInRange<mwIndex>(0, stored - 1)];
            i = (i + 1) % n;
        }
        return array;
    }

    host::Array dense()
    {
        std::vector<mwSize> dims = {count(32), count(32)};
        switch (in_.ConsumeIntegralInRange(0, 7)) {
        case 6: dims = {1, count(300)}; break;  // a long row: a centre or radius of up to 255 coordinates
        case 7: dims.push_back(count(4)); break;
        default: break;
        }
        mxArray* a = mxCreateNumericArray(dims.size(), dims.data(), mxDOUBLE_CLASS, mxREAL);
        host::Array array(a);
        const size_t elements = mxGetNumberOfElements(a);
        const double fill = number();
        for (size_t k = 0; k < elements; ++k)
            mxGetPr(a)[k] = in_.ConsumeIntegralInRange(0, 3) == 0 ? fill : number();
        return array;
    }

    host::Array scalar()
    {
        const mxClassID cls = in_.ConsumeIntegralInRange(0, 3) != 0
                                  ? mxDOUBLE_CLASS
                                  : kNumericClasses[in_.ConsumeIntegralInRange<size_t>(0, countOf(kNumericClasses) - 1)];
        mxArray* a = mxCreateNumericMatrix(1, 1, cls, mxREAL);
        host::Array array(a);
        if (cls == mxDOUBLE_CLASS) {
            *mxGetPr(a) = number();
        } else if (cls == mxSINGLE_CLASS) {
            *static_cast<float*>(mxGetData(a)) = static_cast<float>(number());
        } else {
            const uint64_t bits = in_.ConsumeIntegral<uint64_t>();
            memcpy(mxGetData(a), &bits, mxGetElementSize(a));
        }
        return array;
    }

    host::Array numeric()
    {
        const mxClassID cls = kNumericClasses[in_.ConsumeIntegralInRange<size_t>(0, countOf(kNumericClasses) - 1)];
        const mwSize dims[2] = {count(16), count(64)};
        mxArray* a = mxCreateNumericArray(2, dims, cls, mxREAL);
        host::Array array(a);
        const std::vector<uint8_t> bytes = in_.ConsumeBytes<uint8_t>(mxGetNumberOfElements(a) * mxGetElementSize(a));
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(mxGetData(a)));
        return array;
    }

    // The word, mostly; otherwise any text.
    host::Array word(const std::string& w)
    {
        if (in_.ConsumeIntegralInRange(0, 15) != 0)
            return host::text(w);
        return text();
    }

    host::Array text()
    {
        if (in_.ConsumeIntegralInRange(0, 3) != 0)
            return host::text(words_[in_.ConsumeIntegralInRange<size_t>(0, words_.size() - 1)]);
        // Raw characters, sometimes several rows. A '/' becomes '_' so that
        // a file name stays in the working folder.
        const mwSize dims[2] = {in_.ConsumeIntegralInRange<mwSize>(0, 2), count(24)};
        mxArray* a = mxCreateCharArray(2, dims);
        host::Array array(a);
        for (size_t k = 0; k < mxGetNumberOfElements(a); ++k) {
            mxChar c = in_.ConsumeIntegralInRange(0, 3) == 0 ? in_.ConsumeIntegral<mxChar>()
                                                             : in_.ConsumeIntegralInRange<mxChar>(32, 126);
            if ((c & 0xff) == '/')
                c = static_cast<mxChar>((c & 0xff00) | '_');
            mxGetChars(a)[k] = c;
        }
        return array;
    }

    host::Array structure(int depth)
    {
        const mwSize shapes[][2] = {{1, 1}, {1, 1}, {1, 1}, {0, 0}, {1, 2}, {2, 1}};
        const auto& shape = shapes[in_.ConsumeIntegralInRange<size_t>(0, countOf(shapes) - 1)];
        std::vector<const char*> names;
        for (const char* name : kFieldNames)
            if (in_.ConsumeBool())
                names.push_back(name);
        mxArray* a = mxCreateStructMatrix(shape[0], shape[1], static_cast<int>(names.size()), names.data());
        host::Array array(a);
        for (size_t k = 0; k < mxGetNumberOfElements(a); ++k) {
            for (const char* name : names) {
                if (in_.ConsumeIntegralInRange(0, 3) == 0)
                    continue;  // a field without a value
                const Kind kind = depth < 2 ? static_cast<Kind>(in_.ConsumeIntegralInRange(0, kPlainKinds - 1))
                                            : Kind::Scalar;
                mxSetField(a, k, name, argument(kind, depth + 1).release());
            }
        }
        return array;
    }

    host::Array labels()
    {
        size_t n = lastSparse_ != nullptr && wellFormedSparse(lastSparse_) ? verticesOf(lastSparse_) : count(16);
        switch (in_.ConsumeIntegralInRange(0, 9)) {
        case 8: n = n > 0 ? n - 1 : 0; break;
        case 9: n = count(64); break;
        default: break;
        }
        if (n > 1 << 16)
            n = 1 << 16;
        // Few symbols mostly, any byte now and then.
        const int symbols = in_.ConsumeIntegralInRange(0, 3) == 0 ? 256 : in_.ConsumeIntegralInRange(1, 4);
        std::vector<unsigned char> values(n);
        for (unsigned char& v : values)
            v = static_cast<unsigned char>(in_.ConsumeIntegral<uint8_t>() % symbols);
        return host::uint8Row(values);
    }

    // A real handle's bytes: the address and its tag.
    static std::vector<unsigned char> handleBytes(TreeHandle* handle)
    {
        host::Array h(treehandle::makeHandle(handle));
        const auto* data = static_cast<const unsigned char*>(mxGetData(h.get()));
        return std::vector<unsigned char>(data, data + treehandle::kHandleBytes);
    }

    // A char array of the given shape holding bytes (cut or padded with zeros).
    static host::Array charsHolding(const std::vector<unsigned char>& bytes, mwSize rows, mwSize columns)
    {
        const mwSize dims[2] = {rows, columns};
        host::Array a(mxCreateCharArray(2, dims));
        const size_t room = mxGetNumberOfElements(a.get()) * sizeof(mxChar);
        if (room > 0)
            memcpy(mxGetData(a.get()), bytes.data(), std::min(room, bytes.size()));
        return a;
    }

    host::Array handleField()
    {
        TreeHandle* tree = pool_.pick(in_);
        lastTree_ = tree;
        std::vector<unsigned char> bytes = handleBytes(tree);
        switch (in_.ConsumeIntegralInRange(0, 15)) {
        case 0:  // one byte changed
            bytes[in_.ConsumeIntegralInRange<size_t>(0, bytes.size() - 1)] ^=
                static_cast<unsigned char>(in_.ConsumeIntegralInRange(1, 255));
            break;
        case 1:  // no address
            std::fill(bytes.begin(), bytes.begin() + treehandle::kAddressBytes, 0);
            break;
        case 2:  // another shape
            return charsHolding(bytes, in_.ConsumeIntegralInRange<mwSize>(0, 2), in_.ConsumeIntegralInRange<mwSize>(0, 12));
        case 3: {  // raw bytes
            std::vector<unsigned char> raw = in_.ConsumeBytes<unsigned char>(bytes.size());
            raw.resize(bytes.size());
            return charsHolding(raw, 1, treehandle::kHandleColumns);
        }
        case 4: {  // the bytes in an array that is not text
            host::Array a = host::uint8Row(bytes);
            return a;
        }
        case 5: {  // a handle of three dimensions
            const mwSize dims[3] = {1, treehandle::kHandleColumns, 1 + in_.ConsumeIntegralInRange<mwSize>(0, 1)};
            host::Array a(mxCreateCharArray(3, dims));
            memcpy(mxGetData(a.get()), bytes.data(), bytes.size());
            return a;
        }
        default: break;
        }
        return charsHolding(bytes, 1, treehandle::kHandleColumns);
    }

    host::Array treeObject()
    {
        const char* name = in_.ConsumeIntegralInRange(0, 15) == 0 ? "x" : "handle";
        const mwSize shapes[][2] = {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 2}, {0, 0}};
        const auto& shape = shapes[in_.ConsumeIntegralInRange<size_t>(0, countOf(shapes) - 1)];
        host::Array object(mxCreateStructMatrix(shape[0], shape[1], 1, &name));
        for (size_t k = 0; k < mxGetNumberOfElements(object.get()); ++k)
            if (k == 0 || in_.ConsumeBool())
                mxSetField(object.get(), k, name, handleField().release());
        if (mxGetNumberOfElements(object.get()) == 0)
            lastTree_ = pool_.pick(in_);
        if (in_.ConsumeIntegralInRange(0, 31) == 0)  // the handle itself, not in a struct
            return handleField();
        return object;
    }

    // Gives field name of element k the value, when the struct has that field
    // (mxSetField takes a value only then).
    static void setField(mxArray* s, size_t k, const char* name, host::Array value)
    {
        if (std::find(s->fieldNames.begin(), s->fieldNames.end(), name) != s->fieldNames.end())
            mxSetField(s, k, name, value.release());
    }

    host::Array subscript()
    {
        const char* names[] = {"type", "subs"};
        const int fields = in_.ConsumeIntegralInRange(0, 15) == 0 ? in_.ConsumeIntegralInRange(0, 1) : 2;
        const mwSize columns = in_.ConsumeIntegralInRange(0, 15) == 0 ? in_.ConsumeIntegralInRange<mwSize>(0, 2) : 1;
        host::Array s(mxCreateStructMatrix(1, columns, fields, names + (fields == 1 && in_.ConsumeBool() ? 1 : 0)));
        const char* props[] = {"center", "radius", "sd", "verbose", "dim", "x", ""};
        for (size_t k = 0; k < mxGetNumberOfElements(s.get()); ++k) {
            const int kind = in_.ConsumeIntegralInRange(0, 7);
            setField(s.get(), k, "type", kind < 6 ? host::text(".") : kind == 6 ? text() : argument(Kind::Scalar, 1));
            const int subs = in_.ConsumeIntegralInRange(0, 7);
            setField(s.get(), k, "subs",
                     subs < 6 ? host::text(props[in_.ConsumeIntegralInRange<size_t>(0, countOf(props) - 1)])
                              : subs == 6 ? text() : argument(Kind::Dense, 1));
        }
        return s;
    }

    TreeHandle* lastTree()
    {
        if (lastTree_ == nullptr)
            lastTree_ = pool_.pick(in_);
        return lastTree_;
    }

    host::Array points()
    {
        TreeHandle* tree = lastTree();
        const Rectangle* rect = tree->tree != nullptr ? tree->tree->rect : nullptr;
        const size_t dim = rect != nullptr ? static_cast<size_t>(rect->dim) : count(3) + 1;
        size_t rows = dim;
        if (in_.ConsumeIntegralInRange(0, 15) == 0)
            rows = count(dim + 2);
        const size_t m = std::min(count(64), 1024 / dim);
        host::Array a(mxCreateDoubleMatrix(rows, m, mxREAL));
        double* x = mxGetPr(a.get());
        for (size_t p = 0; p < m; ++p) {
            for (size_t k = 0; k < rows; ++k) {
                double& v = x[p * rows + k];
                if (rect != nullptr && k < dim && in_.ConsumeIntegralInRange(0, 7) != 0)
                    v = rect->center[k] + rect->radius[k] * (2 * in_.ConsumeProbability<double>() - 1);
                else
                    v = number();
            }
        }
        return a;
    }

    host::Array mask()
    {
        TreeHandle* tree = lastTree();
        size_t n = count(64);
        if (tree->tree != nullptr && in_.ConsumeIntegralInRange(0, 7) != 0) {
            const int32_t deepest = Tree_depth(tree->tree);
            n = static_cast<size_t>(Tree_count(tree->tree, deepest < 0 ? 0 : deepest));
        }
        if (in_.ConsumeBool()) {
            host::Array a(mxCreateNumericMatrix(1, n, mxLOGICAL_CLASS, mxREAL));
            for (size_t k = 0; k < n; ++k)
                mxGetLogicals(a.get())[k] = in_.ConsumeBool();
            return a;
        }
        host::Array a(mxCreateDoubleMatrix(1, n, mxREAL));
        for (size_t k = 0; k < n; ++k)
            mxGetPr(a.get())[k] = in_.ConsumeIntegralInRange(0, 3) != 0 ? in_.ConsumeIntegralInRange(0, 1) : number();
        return a;
    }

    // A whole number from 0 to two past the last tree's deepest level mostly,
    // any scalar otherwise.
    host::Array depthScalar()
    {
        TreeHandle* tree = lastTree();
        if (tree->tree == nullptr || in_.ConsumeIntegralInRange(0, 3) == 0)
            return scalar();
        return host::scalar(in_.ConsumeIntegralInRange(0, std::max(Tree_depth(tree->tree), 0) + 2));
    }

    // [first last]: box numbers of the last tree's deepest level from 0 to
    // one past its count mostly, any two numbers now and then, and now and
    // then one or three of them.
    host::Array range()
    {
        TreeHandle* tree = lastTree();
        int64_t n = 4;
        if (tree->tree != nullptr) {
            const int32_t deepest = Tree_depth(tree->tree);
            n = Tree_count(tree->tree, deepest < 0 ? 0 : deepest);
        }
        std::vector<double> values(in_.ConsumeIntegralInRange(0, 7) != 0 ? 2u : in_.ConsumeBool() ? 1u : 3u);
        for (double& v : values)
            v = in_.ConsumeIntegralInRange(0, 3) != 0 ? static_cast<double>(in_.ConsumeIntegralInRange<int64_t>(0, n + 1))
                                                      : number();
        return host::row(values);
    }

    host::Array fileName()
    {
        static const char* const names[] = {"f0", "f1", "f2", "f3"};
        const char* name = names[in_.ConsumeIntegralInRange(0, 3)];
        switch (in_.ConsumeIntegralInRange(0, 3)) {
        case 0: treefiles::writeFile(name, treeFile(in_, *this)); break;
        case 1: treefiles::writeFile(name, in_.ConsumeBytesAsString(count(512))); break;
        default: break;  // as an earlier call of the input left it, or missing
        }
        return host::text(name);
    }

public:
    // The text of a tree file: a header with a dimension, centre and radius
    // from the input, then node bytes from the input. Also used for trees
    // the pool reads.
    static std::string treeFile(FuzzedDataProvider& in, Decoder& d)
    {
        const int dim = in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeIntegralInRange(0, 300)
                                                              : in.ConsumeIntegralInRange(1, 3);
        std::string text = "Tree at 0x1:\nRectangle at 0x1:\n  dim = " + std::to_string(dim) + "\n  center =";
        char number[40];
        for (int k = 0; k < dim && k < 255; ++k) {
            snprintf(number, sizeof number, " %.17g", d.number());
            text += number;
        }
        text += "\n  radius =";
        for (int k = 0; k < dim && k < 255; ++k) {
            snprintf(number, sizeof number, " %.17g", in.ConsumeBool() ? 1.0 : d.number());
            text += number;
        }
        text += "\n  no of boxes = 1\n";
        // Node bytes: flags 1 or 0 (absent), a split mostly below dim, any aux.
        const size_t boxes = d.count(200);
        for (size_t b = 0; b < boxes; ++b) {
            if (in.ConsumeIntegralInRange(0, 2) == 0) {
                text += '\0';
                continue;
            }
            text += '\1';
            text += static_cast<char>(in.ConsumeIntegralInRange(0, 7) == 0 ? in.ConsumeIntegral<uint8_t>()
                                                                           : in.ConsumeIntegralInRange(0, dim > 0 ? dim - 1 : 0));
            text += static_cast<char>(in.ConsumeIntegral<uint8_t>());
        }
        return text;
    }

    double anyNumber() { return number(); }
};

}  // namespace

// ---- the pool

TreePool::~TreePool()
{
    clear();
}

void TreePool::clear()
{
    for (TreeHandle* handle : trees_)
        TreeHandle_free(&handle);
    trees_.clear();
    touched_.clear();
}

TreeHandle* TreePool::pick(FuzzedDataProvider& in)
{
    if (!trees_.empty() && in.ConsumeIntegralInRange(0, 3) != 0) {
        TreeHandle* handle = trees_[in.ConsumeIntegralInRange<size_t>(0, trees_.size() - 1)];
        touched_.push_back(handle);
        return handle;
    }
    static const Limits none{0, 0};
    Decoder d(in, none, *this);
    TreeHandle* handle = nullptr;
    if (in.ConsumeIntegralInRange(0, 3) == 0) {
        std::string bytes = Decoder::treeFile(in, d);
        if (FILE* stream = fmemopen(&bytes[0], bytes.size(), "r")) {
            handle = TreeHandle_load(stream);
            fclose(stream);
        }
    }
    if (handle == nullptr) {
        const int dim = in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeIntegralInRange(1, 255)
                                                              : in.ConsumeIntegralInRange(1, 3);
        std::vector<double> center(static_cast<size_t>(dim));
        std::vector<double> radius(static_cast<size_t>(dim), 1.0);
        for (double& c : center)
            c = in.ConsumeBool() ? 0.0 : d.anyNumber();
        for (double& r : radius)
            if (in.ConsumeIntegralInRange(0, 3) == 0)
                r = d.anyNumber();
        Rectangle* rect = Rectangle_new(center.data(), radius.data(), static_cast<uint8_t>(dim));
        handle = TreeHandle_new(rect);
        Rectangle_free(&rect);
        for (int k = in.ConsumeIntegralInRange(0, 10); k > 0; --k) {
            int64_t added = 0;
            Tree_subdivide(handle->tree, &added);
        }
        TreeHandle_reset(handle);
    }
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0:  // sd entries changed, as T.sd = ... does
        for (int k = in.ConsumeIntegralInRange(1, 4); k > 0; --k)
            handle->tree->sd[in.ConsumeIntegralInRange(0, 12)] = in.ConsumeIntegral<uint8_t>();
        break;
    case 1: TreeHandle_release(handle); break;
    default: break;
    }
    trees_.push_back(handle);
    touched_.push_back(handle);
    return handle;
}

void TreePool::adopt(TreeHandle* handle)
{
    trees_.push_back(handle);
    touched_.push_back(handle);
}

namespace {

// Checks what every tree must keep whatever a call did to it, and counts its
// boxes (up to limit + 1).
size_t checkTree(const TreeHandle* handle, size_t limit)
{
    const Tree* tree = handle->tree;
    const Tree* iter = handle->iter;
    if (tree == nullptr || iter == nullptr) {
        if (tree != iter)
            broken("a tree released only in part");
        return 0;
    }
    const int dim = tree->rect->dim;
    if (dim < 1 || dim > 255)
        broken("dimension");
    if (iter->rect != tree->rect || iter->refs != tree->refs || *tree->refs != 2 || iter->sd != tree->sd)
        broken("the two records of a tree share its rectangle, count and sd");
    if (iter->root != tree->root)
        broken("the walk record lost the tree's root");
    struct Frame {
        const Box* box;
        int32_t depth;
    };
    std::vector<Frame> stack;
    if (tree->root != nullptr)
        stack.push_back({tree->root, 0});
    size_t boxes = 0;
    while (!stack.empty() && boxes <= limit) {
        const Frame f = stack.back();
        stack.pop_back();
        ++boxes;
        if (f.box->split >= dim)
            broken("a box split along no coordinate");
        if (f.box->flags == 0)
            broken("a box with flags 0");
        if (f.depth > TREE_DEPTH_PER_DIM * dim)
            broken("a box deeper than 500 * dim");
        for (const Box* child : f.box->child)
            if (child != nullptr)
                stack.push_back({child, f.depth + 1});
    }
    return boxes;
}

}  // namespace

void TreePool::settle()
{
    for (TreeHandle*& handle : trees_) {
        if (std::find(touched_.begin(), touched_.end(), handle) == touched_.end())
            continue;
        if (checkTree(handle, kMaxBoxes) > kMaxBoxes)
            TreeHandle_free(&handle);
    }
    trees_.erase(std::remove(trees_.begin(), trees_.end(), nullptr), trees_.end());
    while (trees_.size() > kCapacity) {
        TreeHandle_free(&trees_.front());
        trees_.erase(trees_.begin());
    }
    touched_.clear();
}

// ---- calls and arrays

std::vector<Signature> signaturesOf(void (*treeops)(int, mxArray*[], int, const mxArray*[]))
{
    static const struct {
        const char* word;
        Kind kind;
    } kinds[] = {
        {"depth", Kind::Depth},  {"anyDepth", Kind::Depth},  {"points", Kind::Points}, {"offsets", Kind::Points},
        {"range", Kind::Range},  {"mask", Kind::Mask},       {"file", Kind::FileName},
        {"form", Kind::Text},
    };
    std::vector<Signature> signatures;
    for (const treetest::Operation& op : treetest::operationsOf(treeops)) {
        Signature s = {Kind::TreeObject, Param(Kind::Word, op.name)};
        for (const std::string& argument : op.arguments) {
            const auto* found = std::find_if(std::begin(kinds), std::end(kinds),
                                             [&](const auto& k) { return argument == k.word; });
            if (found == std::end(kinds))
                broken(("no decoding of the argument kind '" + argument + "' of " + op.name).c_str());
            s.push_back(found->kind);
        }
        signatures.push_back(s);
    }
    if (signatures.empty())
        broken("treeops gave no table of operations");
    return signatures;
}

Call decode(FuzzedDataProvider& in, const std::vector<Signature>& signatures, const Limits& limits,
            TreePool& pool)
{
    Decoder d(in, limits, pool);
    return d.call(signatures);
}

std::string describe(const mxArray* a)
{
    if (a == nullptr)
        return "(none)";
    std::string text = "class " + std::to_string(a->cls) + (a->sparse ? " sparse" : "") + " dims";
    for (mwSize d : a->dims)
        text += " " + std::to_string(d);
    auto list = [&](const char* name, const std::vector<mwIndex>& v) {
        text += std::string(" ") + name + " [";
        for (size_t k = 0; k < v.size() && k < 64; ++k)
            text += (k > 0 ? " " : "") + std::to_string(v[k]);
        text += "]";
    };
    if (a->sparse) {
        list("jc", a->jc);
        list("ir", a->ir);
    }
    if (a->cls == mxDOUBLE_CLASS) {
        text += " pr [";
        const auto* pr = reinterpret_cast<const double*>(a->data.data());
        for (size_t k = 0; k < a->data.size() / 8 && k < 64; ++k) {
            char number[32];
            snprintf(number, sizeof number, "%s%.17g", k > 0 ? " " : "", pr[k]);
            text += number;
        }
        text += "]";
    } else if (a->cls != mxSTRUCT_CLASS) {
        text += " bytes [";
        for (size_t k = 0; k < a->data.size() && k < 64; ++k)
            text += (k > 0 ? " " : "") + std::to_string(a->data[k]);
        text += "]";
    }
    for (size_t k = 0; k < a->fieldValues.size(); ++k)
        text += "\n    ." + a->fieldNames[k % a->fieldNames.size()] + "(" + std::to_string(k / a->fieldNames.size()) +
                ") = " + describe(a->fieldValues[k]);
    return text;
}

bool sameArray(const mxArray* a, const mxArray* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    if (a->cls != b->cls || a->sparse != b->sparse || a->dims != b->dims || a->data != b->data ||
        a->jc != b->jc || a->ir != b->ir || a->fieldNames != b->fieldNames ||
        a->fieldValues.size() != b->fieldValues.size())
        return false;
    for (size_t k = 0; k < a->fieldValues.size(); ++k)
        if (!sameArray(a->fieldValues[k], b->fieldValues[k]))
            return false;
    return true;
}

}  // namespace fuzzing
