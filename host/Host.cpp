// The hostless host's arrays, allocator and console (see mex.h), and the
// bookkeeping of what a call leaves behind (HostState.h).
#include "HostState.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace host {

State& state()
{
    static State s;
    return s;
}

}  // namespace host

using host::state;

namespace {

size_t elementSize(mxClassID cls)
{
    switch (cls) {
    case mxLOGICAL_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS: return 1;
    case mxCHAR_CLASS:
    case mxINT16_CLASS:
    case mxUINT16_CLASS: return 2;
    case mxSINGLE_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS: return 4;
    case mxDOUBLE_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS: return 8;
    default: return 0;
    }
}

size_t countOf(const std::vector<mwSize>& dims)
{
    size_t count = 1;
    for (mwSize d : dims) {
        if (d != 0 && count > SIZE_MAX / d)
            throw std::bad_alloc();
        count *= d;
    }
    return count;
}

// Every array made during a call is registered so the harness can destroy
// what the call made but did not return, as the host does.
mxArray* track(mxArray* a)
{
    if (state().inCall)
        state().liveArrays.insert(a);
    return a;
}

// A new array record. During a call, the one that brings the array
// countdown from 1 to 0 is refused: like an array too large for memory, it
// throws std::bad_alloc.
std::unique_ptr<mxArray_tag> newRecord()
{
    host::State& s = state();
    if (s.inCall && s.arrayCountdown > 0 && --s.arrayCountdown == 0)
        throw std::bad_alloc();
    return std::make_unique<mxArray_tag>();
}

// A new array of zeros, or of garbage (bytes 0xa5) when it is not cleared.
mxArray* newArray(mxClassID cls, std::vector<mwSize> dims, bool cleared = true)
{
    if (dims.size() < 2)
        dims.resize(2, 1);
    std::unique_ptr<mxArray_tag> a = newRecord();
    a->cls = cls;
    a->dims = std::move(dims);
    const size_t size = elementSize(cls);
    const size_t count = countOf(a->dims);
    if (size != 0 && count > SIZE_MAX / size)
        throw std::bad_alloc();
    a->data.assign(count * size, cleared ? 0 : 0xa5);
    return track(a.release());
}

mxArray* newSparse(mxClassID cls, mwSize m, mwSize n, mwSize nzmax)
{
    std::unique_ptr<mxArray_tag> a = newRecord();
    a->cls = cls;
    a->sparse = true;
    a->dims = {m, n};
    if (nzmax == 0)
        nzmax = 1;
    if (n == SIZE_MAX || nzmax > SIZE_MAX / sizeof(double))
        throw std::bad_alloc();
    a->jc.assign(n + 1, 0);
    a->ir.assign(nzmax, 0);
    a->data.assign(nzmax * elementSize(cls), 0);
    return track(a.release());
}

// The interface hands out writable data of arrays it receives as const.
mxArray_tag* writable(const mxArray* a)
{
    return const_cast<mxArray_tag*>(a);
}

int fieldIndex(const mxArray* a, const char* name)
{
    for (size_t k = 0; k < a->fieldNames.size(); ++k)
        if (a->fieldNames[k] == name)
            return static_cast<int>(k);
    return -1;
}

// A printf format filled in, whole, as the host's message calls take them.
std::string formatted(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    text.pop_back();
    return text;
}

}  // namespace

extern "C" {

void mexErrMsgTxt(const char* message)
{
    throw host::HostError{message != nullptr ? message : "", ""};
}

void mexErrMsgIdAndTxt(const char* id, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string message = formatted(format, args);
    va_end(args);
    throw host::HostError{message, id != nullptr ? id : ""};
}

void mexWarnMsgIdAndTxt(const char* id, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string message = formatted(format, args);
    va_end(args);
    state().warnings.push_back(std::string(id != nullptr ? id : "") + ": " + message);
}

int mexPrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = formatted(format, args);
    va_end(args);
    state().console += text;
    return static_cast<int>(text.size());
}

bool mxIsSparse(const mxArray* a) { return a->sparse; }
bool mxIsChar(const mxArray* a) { return a->cls == mxCHAR_CLASS; }
bool mxIsDouble(const mxArray* a) { return a->cls == mxDOUBLE_CLASS; }
bool mxIsLogical(const mxArray* a) { return a->cls == mxLOGICAL_CLASS; }
bool mxIsUint8(const mxArray* a) { return a->cls == mxUINT8_CLASS; }
bool mxIsInt32(const mxArray* a) { return a->cls == mxINT32_CLASS; }
bool mxIsStruct(const mxArray* a) { return a->cls == mxSTRUCT_CLASS; }
bool mxIsComplex(const mxArray* /*a*/) { return false; }
mxClassID mxGetClassID(const mxArray* a) { return a->cls; }

bool mxIsNumeric(const mxArray* a)
{
    return a->cls >= mxDOUBLE_CLASS && a->cls <= mxUINT64_CLASS;
}

size_t mxGetM(const mxArray* a) { return a->dims[0]; }

size_t mxGetN(const mxArray* a)
{
    size_t n = 1;
    for (size_t k = 1; k < a->dims.size(); ++k)
        n *= a->dims[k];
    return n;
}

size_t mxGetNumberOfElements(const mxArray* a) { return countOf(a->dims); }
size_t mxGetElementSize(const mxArray* a) { return elementSize(a->cls); }
mwSize mxGetNumberOfDimensions(const mxArray* a) { return a->dims.size(); }

double* mxGetPr(const mxArray* a)
{
    return a->cls == mxDOUBLE_CLASS ? reinterpret_cast<double*>(writable(a)->data.data()) : nullptr;
}

void* mxGetData(const mxArray* a) { return writable(a)->data.data(); }
mxChar* mxGetChars(const mxArray* a) { return reinterpret_cast<mxChar*>(mxGetData(a)); }
mxLogical* mxGetLogicals(const mxArray* a) { return reinterpret_cast<mxLogical*>(mxGetData(a)); }
mwIndex* mxGetJc(const mxArray* a) { return a->sparse ? writable(a)->jc.data() : nullptr; }
mwIndex* mxGetIr(const mxArray* a) { return a->sparse ? writable(a)->ir.data() : nullptr; }
mwSize mxGetNzmax(const mxArray* a) { return a->sparse ? a->ir.size() : mxGetNumberOfElements(a); }

mxArray* mxGetField(const mxArray* a, mwIndex index, const char* name)
{
    if (a->cls != mxSTRUCT_CLASS || index >= mxGetNumberOfElements(a))
        return nullptr;
    int k = fieldIndex(a, name);
    if (k < 0)
        return nullptr;
    return a->fieldValues[index * a->fieldNames.size() + static_cast<size_t>(k)];
}

char* mxArrayToString(const mxArray* a)
{
    if (a->cls != mxCHAR_CLASS)
        return nullptr;
    size_t count = mxGetNumberOfElements(a);
    auto* text = static_cast<char*>(mxCalloc(count + 1, 1));
    if (text == nullptr)
        return nullptr;
    const mxChar* chars = mxGetChars(a);
    for (size_t k = 0; k < count; ++k)
        text[k] = static_cast<char>(chars[k]);
    return text;
}

bool hostInterruptPending(void)
{
    host::State& s = state();
    return s.interruptCountdown > 0 && --s.interruptCountdown == 0;
}

void* mxCalloc(size_t n, size_t size)
{
    host::State& s = state();
    if (s.callocCountdown > 0 && --s.callocCountdown == 0)
        return nullptr;
    if (size != 0 && n > SIZE_MAX / size)
        return nullptr;
    // Like the host, a request for no bytes still yields a usable pointer.
    void* ptr = std::calloc(n == 0 ? 1 : n, size == 0 ? 1 : size);
    if (ptr != nullptr)
        s.callocBlocks.insert(ptr);
    return ptr;
}

void* mxMalloc(size_t n)
{
    host::State& s = state();
    if (s.callocCountdown > 0 && --s.callocCountdown == 0)
        return nullptr;
    void* ptr = std::malloc(n == 0 ? 1 : n);
    if (ptr != nullptr) {
        std::memset(ptr, 0xa5, n == 0 ? 1 : n);
        s.callocBlocks.insert(ptr);
    }
    return ptr;
}

void mxFree(void* ptr)
{
    if (ptr == nullptr)
        return;
    if (state().callocBlocks.erase(ptr) == 0)
        throw host::HostError{"mxFree of memory that mxCalloc or mxMalloc did not hand out.", ""};
    std::free(ptr);
}

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity /*complexity*/)
{
    return newArray(mxDOUBLE_CLASS, {m, n});
}

mxArray* mxCreateDoubleScalar(double value)
{
    mxArray* a = newArray(mxDOUBLE_CLASS, {1, 1});
    *mxGetPr(a) = value;
    return a;
}

mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID classId,
                              mxComplexity /*complexity*/)
{
    return newArray(classId, std::vector<mwSize>(dims, dims + ndim));
}

mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classId, mxComplexity complexity)
{
    mwSize dims[2] = {m, n};
    return mxCreateNumericArray(2, dims, classId, complexity);
}

mxArray* mxCreateUninitNumericMatrix(mwSize m, mwSize n, mxClassID classId, mxComplexity /*complexity*/)
{
    return newArray(classId, {m, n}, false);
}

mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims)
{
    return newArray(mxCHAR_CLASS, std::vector<mwSize>(dims, dims + ndim));
}

mxArray* mxCreateString(const char* text)
{
    size_t length = std::strlen(text);
    mxArray* a = newArray(mxCHAR_CLASS, {1, length});
    for (size_t k = 0; k < length; ++k)
        mxGetChars(a)[k] = static_cast<unsigned char>(text[k]);
    return a;
}

mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity /*complexity*/)
{
    return newSparse(mxDOUBLE_CLASS, m, n, nzmax);
}

mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax)
{
    return newSparse(mxLOGICAL_CLASS, m, n, nzmax);
}

mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n)
{
    return newArray(mxLOGICAL_CLASS, {m, n});
}

mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** names)
{
    mxArray* a = newArray(mxSTRUCT_CLASS, {m, n});
    a->fieldNames.assign(names, names + nfields);
    a->fieldValues.assign(m * n * static_cast<size_t>(nfields), nullptr);
    return a;
}

void mxSetField(mxArray* a, mwIndex index, const char* name, mxArray* value)
{
    int k = fieldIndex(a, name);
    if (k < 0 || index >= mxGetNumberOfElements(a))
        return;
    mxArray*& slot = a->fieldValues[index * a->fieldNames.size() + static_cast<size_t>(k)];
    mxDestroyArray(slot);
    slot = value;
    state().liveArrays.erase(value);  // now owned by the struct
}

mxArray* mxDuplicateArray(const mxArray* a)
{
    struct Destroy {
        void operator()(mxArray* array) const { mxDestroyArray(array); }
    };
    std::unique_ptr<mxArray, Destroy> copy(newRecord().release());
    *copy = *a;
    for (mxArray*& field : copy->fieldValues)
        field = nullptr;  // until its own copy is made, so a failure releases only copies
    for (size_t k = 0; k < a->fieldValues.size(); ++k) {
        if (a->fieldValues[k] != nullptr) {
            copy->fieldValues[k] = mxDuplicateArray(a->fieldValues[k]);
            state().liveArrays.erase(copy->fieldValues[k]);
        }
    }
    return track(copy.release());
}

void mxDestroyArray(mxArray* a)
{
    if (a == nullptr)
        return;
    for (mxArray* field : a->fieldValues)
        mxDestroyArray(field);
    state().liveArrays.erase(a);
    delete a;
}

}  // extern "C"
