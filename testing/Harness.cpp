#include "Harness.h"

#include "WindowsApi.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace host {

namespace {

// The platform's loader: a shared library by path, kept loaded for the
// process, and the address of one of its exported names (null when absent).
#if defined(_WIN32)
using Library = HMODULE;

Library openLibrary(const std::string& path)
{
    Library library = LoadLibraryA(path.c_str());
    if (library == nullptr)
        throw std::runtime_error("cannot load " + path + ": error " +
                                 std::to_string(GetLastError()));
    return library;
}

template <class Function>
Function symbol(Library library, const char* name)
{
    // GetProcAddress returns a generic function pointer; cast it through void
    // to the real signature, as for dlsym.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}
#else
using Library = void*;

Library openLibrary(const std::string& path)
{
    Library library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
    return library;
}

template <class Function>
Function symbol(Library library, const char* name)
{
    return reinterpret_cast<Function>(dlsym(library, name));
}
#endif

}  // namespace

Module::Module(const std::string& path)
{
    Library library = openLibrary(path);
    entry_ = symbol<MexFunction>(library, "mexFunction");
    if (entry_ == nullptr)
        throw std::runtime_error(path + " exports no mexFunction");
    failAfter_ = symbol<FailAfter>(library, "Alloc_failAfter");
}

const Module& Module::at(const std::string& path)
{
    static std::map<std::string, std::unique_ptr<Module>> loaded;
    std::unique_ptr<Module>& slot = loaded[path];
    if (!slot)
        slot = std::make_unique<Module>(path);
    return *slot;
}

void Module::failLibraryAllocAfter(long n) const
{
    if (failAfter_ == nullptr)
        throw std::runtime_error("the module has no checked allocation to fail");
    failAfter_(n);
}

CallResult Module::call(int nlhs, const std::vector<const mxArray*>& args) const
{
    return callEntry(entry_, nlhs, args);
}

CallResult callEntry(MexFunction entry, int nlhs, const std::vector<const mxArray*>& args)
{
    State& s = state();
    CallResult result;
    std::vector<mxArray*> slots(static_cast<size_t>(std::max(nlhs, 1)), nullptr);
    std::unordered_set<void*> blocksOutside;
    blocksOutside.swap(s.callocBlocks);
    s.console.clear();
    s.warnings.clear();
    s.liveArrays.clear();
    s.inCall = true;
    try {
        entry(nlhs, slots.data(), static_cast<int>(args.size()),
               const_cast<const mxArray**>(args.data()));
        result.ok = true;
    } catch (const HostError& e) {
        result.error = e.message;
        result.errorId = e.id;
    } catch (const std::exception& e) {
        result.escaped = true;
        result.error = e.what();
    } catch (...) {
        result.escaped = true;
        result.error = "unknown exception";
    }
    s.inCall = false;

    if (result.ok)
        result.outputs.resize(slots.size());
    for (size_t k = 0; k < slots.size(); ++k) {
        mxArray* slot = slots[k];
        if (slot == nullptr)
            continue;
        if (std::find(args.begin(), args.end(), slot) != args.end())
            slot = mxDuplicateArray(slot);
        s.liveArrays.erase(slot);
        if (result.ok)
            result.outputs[k].reset(slot);
        else
            mxDestroyArray(slot);  // the host drops the outputs of a failed call
    }

    result.arraysLeft = s.liveArrays.size();
    for (mxArray* a : std::vector<mxArray*>(s.liveArrays.begin(), s.liveArrays.end()))
        mxDestroyArray(a);
    result.callocLeft = s.callocBlocks.size();
    for (void* block : s.callocBlocks)
        std::free(block);
    s.callocBlocks.swap(blocksOutside);
    result.console = s.console;
    result.warnings.swap(s.warnings);  // leaves the host holding nothing between calls
    s.callocCountdown = 0;
    s.arrayCountdown = 0;
    s.interruptCountdown = 0;
    return result;
}

void failCallocAt(long n)
{
    state().callocCountdown = n;
}

void failArrayAt(long n)
{
    state().arrayCountdown = n;
}

void interruptAt(long n)
{
    state().interruptCountdown = n;
}

Array sparse(size_t m, size_t n, const std::vector<mwIndex>& jc, const std::vector<mwIndex>& ir,
             const std::vector<double>& values)
{
    Array a(mxCreateSparse(m, n, ir.size(), mxREAL));
    std::copy(jc.begin(), jc.end(), mxGetJc(a.get()));
    std::copy(ir.begin(), ir.end(), mxGetIr(a.get()));
    double* pr = mxGetPr(a.get());
    for (size_t k = 0; k < ir.size(); ++k)
        pr[k] = k < values.size() ? values[k] : 1.0;
    return a;
}

Array graph(size_t n, const std::vector<std::pair<size_t, size_t>>& edges)
{
    std::vector<std::pair<size_t, size_t>> byColumn(edges);
    std::sort(byColumn.begin(), byColumn.end());
    std::vector<mwIndex> jc(n + 1, 0);
    std::vector<mwIndex> ir;
    for (const auto& edge : byColumn) {
        ++jc[edge.first + 1];
        ir.push_back(edge.second);
    }
    for (size_t j = 0; j < n; ++j)
        jc[j + 1] += jc[j];
    return sparse(n, n, jc, ir);
}

Array transpose(const mxArray* a)
{
    const size_t m = mxGetM(a);
    const size_t n = mxGetN(a);
    const mwIndex* jc = mxGetJc(a);
    const mwIndex* ir = mxGetIr(a);
    const double* pr = mxGetPr(a);
    std::vector<mwIndex> tjc(m + 1, 0);
    for (mwIndex p = 0; p < jc[n]; ++p)
        ++tjc[ir[p] + 1];
    for (size_t i = 0; i < m; ++i)
        tjc[i + 1] += tjc[i];
    std::vector<mwIndex> tir(jc[n]);
    std::vector<double> tpr(jc[n]);
    std::vector<mwIndex> next(tjc.begin(), tjc.end() - 1);
    for (size_t j = 0; j < n; ++j) {
        for (mwIndex p = jc[j]; p < jc[j + 1]; ++p) {
            mwIndex q = next[ir[p]]++;
            tir[q] = j;
            tpr[q] = pr[p];
        }
    }
    return sparse(n, m, tjc, tir, tpr);
}

Array sparseLogical(size_t m, size_t n, const std::vector<mwIndex>& jc,
                    const std::vector<mwIndex>& ir, const std::vector<bool>& values)
{
    Array a(mxCreateSparseLogicalMatrix(m, n, ir.size()));
    std::copy(jc.begin(), jc.end(), mxGetJc(a.get()));
    std::copy(ir.begin(), ir.end(), mxGetIr(a.get()));
    mxLogical* data = mxGetLogicals(a.get());
    for (size_t k = 0; k < ir.size(); ++k)
        data[k] = k < values.size() ? values[k] : true;
    return a;
}

Array dense(size_t m, size_t n, const std::vector<double>& values)
{
    Array a(mxCreateDoubleMatrix(m, n, mxREAL));
    std::copy(values.begin(), values.begin() + std::min(values.size(), m * n), mxGetPr(a.get()));
    return a;
}

Array row(const std::vector<double>& values)
{
    return dense(1, values.size(), values);
}

Array scalar(double value)
{
    return Array(mxCreateDoubleScalar(value));
}

Array text(const std::string& value)
{
    return Array(mxCreateString(value.c_str()));
}

Array uint8Row(const std::vector<unsigned char>& values)
{
    Array a(mxCreateNumericMatrix(1, values.size(), mxUINT8_CLASS, mxREAL));
    std::copy(values.begin(), values.end(), static_cast<unsigned char*>(mxGetData(a.get())));
    return a;
}

Array int32Row(const std::vector<int32_t>& values)
{
    Array a(mxCreateNumericMatrix(1, values.size(), mxINT32_CLASS, mxREAL));
    std::copy(values.begin(), values.end(), static_cast<int32_t*>(mxGetData(a.get())));
    return a;
}

Array structure(const std::vector<std::pair<std::string, Array>>& fields)
{
    std::vector<const char*> names;
    for (const auto& field : fields)
        names.push_back(field.first.c_str());
    Array a(mxCreateStructMatrix(1, 1, static_cast<int>(names.size()), names.data()));
    for (const auto& field : fields)
        if (field.second != nullptr)
            mxSetField(a.get(), 0, field.first.c_str(), mxDuplicateArray(field.second.get()));
    return a;
}

std::vector<double> doubles(const mxArray* a)
{
    const double* pr = mxGetPr(a);
    return std::vector<double>(pr, pr + mxGetNumberOfElements(a));
}

std::vector<int32_t> int32s(const mxArray* a)
{
    const auto* data = static_cast<const int32_t*>(mxGetData(a));
    return std::vector<int32_t>(data, data + mxGetNumberOfElements(a));
}

std::string textOf(const mxArray* a)
{
    std::string value;
    const mxChar* chars = mxGetChars(a);
    for (size_t k = 0; k < mxGetNumberOfElements(a); ++k)
        value += static_cast<char>(chars[k]);
    return value;
}

}  // namespace host
