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

extern "C" {

// Entry point every module exports.
BOXGRAPH_MEX_EXPORT void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

// Ends the current call: throws the harness's error, never returns.
[[noreturn]] void mexErrMsgTxt(const char* message);
// The same with an identifier ("component:mnemonic") and a printf format.
[[noreturn]] void mexErrMsgIdAndTxt(const char* id, const char* format, ...);
int mexPrintf(const char* format, ...);

bool mxIsSparse(const mxArray* a);
bool mxIsChar(const mxArray* a);
bool mxIsDouble(const mxArray* a);
bool mxIsLogical(const mxArray* a);
bool mxIsUint8(const mxArray* a);
bool mxIsInt32(const mxArray* a);
bool mxIsStruct(const mxArray* a);
bool mxIsNumeric(const mxArray* a);
bool mxIsComplex(const mxArray* a);
mxClassID mxGetClassID(const mxArray* a);

size_t mxGetM(const mxArray* a);
size_t mxGetN(const mxArray* a);
size_t mxGetNumberOfElements(const mxArray* a);
mwSize mxGetNumberOfDimensions(const mxArray* a);

double* mxGetPr(const mxArray* a);
void* mxGetData(const mxArray* a);
mxChar* mxGetChars(const mxArray* a);
mxLogical* mxGetLogicals(const mxArray* a);
mwIndex* mxGetJc(const mxArray* a);
mwIndex* mxGetIr(const mxArray* a);
// The stored entries a sparse array has room for (its ir and values hold that many).
mwSize mxGetNzmax(const mxArray* a);

mxArray* mxGetField(const mxArray* a, mwIndex index, const char* name);
char* mxArrayToString(const mxArray* a);

// Our model's own hook, where MATLAB and Octave have theirs: whether the user
// interrupted the running call (Ctrl-C). The harness decides it.
bool hostInterruptPending(void);

void* mxCalloc(size_t n, size_t size);
void mxFree(void* ptr);

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity complexity);
mxArray* mxCreateDoubleScalar(double value);
mxArray* mxCreateNumericArray(mwSize ndim, const mwSize* dims, mxClassID classId,
                              mxComplexity complexity);
mxArray* mxCreateNumericMatrix(mwSize m, mwSize n, mxClassID classId, mxComplexity complexity);
mxArray* mxCreateCharArray(mwSize ndim, const mwSize* dims);
mxArray* mxCreateString(const char* text);
mxArray* mxCreateSparse(mwSize m, mwSize n, mwSize nzmax, mxComplexity complexity);
mxArray* mxCreateSparseLogicalMatrix(mwSize m, mwSize n, mwSize nzmax);
mxArray* mxCreateStructMatrix(mwSize m, mwSize n, int nfields, const char** names);
void mxSetField(mxArray* a, mwIndex index, const char* name, mxArray* value);
mxArray* mxDuplicateArray(const mxArray* a);
void mxDestroyArray(mxArray* a);
}

#endif
