// The hostless host: our model of the part of the MEX array and extension
// interface that the boxgraph gateways use, implemented in host/Host.cpp so
// every module can be built, loaded by file name and called without MATLAB
// or Octave.
//
// Index and size types are as wide as a pointer: unsigned 32-bit in a -m32
// build, unsigned 64-bit otherwise. Characters are 16 bits wide.
#ifndef BOXGRAPH_HOST_MEX_H
#define BOXGRAPH_HOST_MEX_H

#include <stddef.h>
#include <stdint.h>

#define BOXGRAPH_HOSTLESS 1

typedef size_t mwSize;
typedef size_t mwIndex;
typedef uint16_t mxChar;
typedef bool mxLogical;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

typedef struct mxArray_tag mxArray;

#if defined(_WIN32)
#define BOXGRAPH_MEX_EXPORT __declspec(dllexport)
#else
#define BOXGRAPH_MEX_EXPORT __attribute__((visibility("default")))
#endif

// The host's functions, exported by name from its DLL on Windows (and only
// they: not the GCC runtime linked into it) and imported by the modules.
#if defined(_WIN32) && defined(BOXGRAPH_BUILDING_HOST)
#define BOXGRAPH_HOST_API __declspec(dllexport)
#elif defined(_WIN32)
#define BOXGRAPH_HOST_API __declspec(dllimport)
#else
#define BOXGRAPH_HOST_API
#endif

extern "C" {

// Entry point every module exports.
BOXGRAPH_MEX_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// Ends the current call: throws the harness's error, never returns.
[[noreturn]] BOXGRAPH_HOST_API void mexErrMsgTxt(const char* message);
// The same with an identifier ("component:mnemonic") and a printf format.
[[noreturn]] BOXGRAPH_HOST_API void mexErrMsgIdAndTxt(const char* id, const char* format, ...);
BOXGRAPH_HOST_API int mexPrintf(const char* format, ...);
// A warning with an identifier and a printf format; the call goes on.
BOXGRAPH_HOST_API void mexWarnMsgIdAndTxt(const char* id, const char* format, ...);

BOXGRAPH_HOST_API bool mxIsSparse(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsChar(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsDouble(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsLogical(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsUint8(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsInt32(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsStruct(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsNumeric(const mxArray* a);
BOXGRAPH_HOST_API bool mxIsComplex(const mxArray* a);
BOXGRAPH_HOST_API mxClassID mxGetClassID(const mxArray* a);

BOXGRAPH_HOST_API size_t mxGetM(const mxArray* a);
BOXGRAPH_HOST_API size_t mxGetN(const mxArray* a);
BOXGRAPH_HOST_API size_t mxGetNumberOfElements(const mxArray* a);
BOXGRAPH_HOST_API size_t mxGetElementSize(const mxArray* a);
BOXGRAPH_HOST_API mwSize mxGetNumberOfDimensions(const mxArray* a);

BOXGRAPH_HOST_API double* mxGetPr(const mxArray* a);
BOXGRAPH_HOST_API void* mxGetData(const mxArray* a);
BOXGRAPH_HOST_API mxChar* mxGetChars(const mxArray* a);
BOXGRAPH_HOST_API mxLogical* mxGetLogicals(const mxArray* a);
BOXGRAPH_HOST_API mwIndex* mxGetJc(const mxArray* a);
BOXGRAPH_HOST_API mwIndex* mxGetIr(const mxArray* a);
// The stored entries a sparse array has room for (its ir and values hold that many).
BOXGRAPH_HOST_API mwSize mxGetNzmax(const mxArray* a);

BOXGRAPH_HOST_API mxArray* mxGetField(const mxArray* a, mwIndex index, const char* name);
BOXGRAPH_HOST_API char* mxArrayToString(const mxArray* a);

// Our model's own hook, where MATLAB and Octave have theirs: whether the user
// interrupted the running call (Ctrl-C). The harness decides it.
BOXGRAPH_HOST_API bool hostInterruptPending(void);

BOXGRAPH_HOST_API void* mxCalloc(size_t n, size_t size);
// Memory of n bytes whose contents are not cleared: our model fills it with
// garbage (bytes 0xa5), so that a module that reads before it writes shows.
BOXGRAPH_HOST_API void* mxMalloc(size_t n);
BOXGRAPH_HOST_API void mxFree(void* ptr);

BOXGRAPH_HOST_API mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
BOXGRAPH_HOST_API mxArray* mxCreateDoubleScalar(double value);
BOXGRAPH_HOST_API mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims,
                                                mxClassID classId, mxComplexity complexity);
BOXGRAPH_HOST_API mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classId,
                                                 mxComplexity complexity);
// A numeric matrix whose elements are not cleared: garbage in our model, as
// with mxMalloc.
BOXGRAPH_HOST_API mxArray* mxCreateUninitNumericMatrix(mwSize m, mwSize n, mxClassID classId,
                                                       mxComplexity complexity);
BOXGRAPH_HOST_API mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims);
BOXGRAPH_HOST_API mxArray* mxCreateString(const char* text);
BOXGRAPH_HOST_API mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax,
                                          mxComplexity complexity);
BOXGRAPH_HOST_API mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax);
BOXGRAPH_HOST_API mxArray* mxCreateLogicalMatrix(mwSize m, mwSize n);
BOXGRAPH_HOST_API mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields,
                                                const char** names);
BOXGRAPH_HOST_API void mxSetField(mxArray* a, mwIndex index, const char* name, mxArray* value);
BOXGRAPH_HOST_API mxArray* mxDuplicateArray(const mxArray* a);
BOXGRAPH_HOST_API void mxDestroyArray(mxArray* a);
}

#endif
