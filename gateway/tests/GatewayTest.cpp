// The gateway layer on its own, through the hostless host: how a call ends
// whatever its body throws, and the conversions of host arrays that no
// module's argument checks reach in full (every numeric class of a scalar,
// arrays too large for 32-bit vertex numbers, logical masks).
#include <gtest/gtest.h>

#include <stdint.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "AddressLimit.h"
#include "Checks.h"
#include "Gateway.h"
#include "Harness.h"
#include "HostArrays.h"

namespace {

const gateway::Function kTest{"test", "test: out of memory.", "refused!\n", false};

// What the body of a call throws, chosen by its first argument.
enum Throw { Refusal, StdException, Other, Interrupt, Refused, Memory, Nothing };

void entry(int /*nlhs*/, mxArray* plhs[], int /*nrhs*/, const mxArray* prhs[])
{
    gateway::run(kTest, [&] {
        plhs[0] = mxCreateDoubleScalar(1);  // made before the failure: the host drops it
        switch (static_cast<Throw>(mxGetPr(prhs[0])[0])) {
        case Refusal: gateway::fail("badThing", "test: that is refused.");
        case StdException: throw std::runtime_error("something the library did not expect");
        case Other: throw 42;
        case Interrupt: throw gateway::Interrupted{};
        case Refused: throw gateway::HostRefused{};
        case Memory: throw std::bad_alloc{};
        case Nothing: break;
        }
    });
}

host::CallResult callWith(Throw what)
{
    host::Array code = host::scalar(what);
    host::CallResult r = host::callEntry(entry, 1, {code.get()});
    checks::expectClean(r);
    return r;
}

// Every way a call's body can end becomes a host error with the function's
// identifier, after the body's objects are gone; none escapes the entry.
TEST(Gateway, EveryExceptionEndsTheCallWithAHostError)
{
    const struct {
        Throw what;
        const char* message;
        const char* id;
        const char* console;
    } cases[] = {
        {Refusal, "test: that is refused.", "boxgraph:test:badThing", ""},
        {StdException, "something the library did not expect", "boxgraph:test:unexpected", ""},
        {Other, "unexpected failure.", "boxgraph:test:unexpected", ""},
        {Interrupt, "test: interrupted.", "boxgraph:test:interrupted", ""},
        {Refused, "test: out of memory.", "boxgraph:test:outOfMemory", "refused!\n"},
        {Memory, "test: out of memory.", "boxgraph:test:outOfMemory", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const host::CallResult r = callWith(c.what);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.message);
        EXPECT_EQ(r.errorId, c.id);
        EXPECT_EQ(r.console, c.console);
    }
    EXPECT_TRUE(callWith(Nothing).ok);
}

// Makes, in one call, a double matrix of n columns of 1000 rows for each
// element n of the first argument and a host working array of as many bytes
// as the second says (when given).
template <const gateway::Function& function>
void makesArrays(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[])
{
    gateway::run(function, [&] {
        const size_t n = mxGetNumberOfElements(prhs[0]);
        for (size_t k = 0; k < n; ++k) {
            mxArray* a = gateway::doubleMatrix(1000, static_cast<size_t>(mxGetPr(prhs[0])[k]));
            if (static_cast<int>(k) < nlhs)
                plhs[k] = a;
            else
                mxDestroyArray(a);
        }
        if (nrhs > 1)
            gateway::HostMemory<char> work(static_cast<size_t>(mxGetPr(prhs[1])[0]));
    });
}

const gateway::Function kBounded{"test", "test: out of memory.", "refused!\n", true};

host::CallResult makeArrays(host::MexFunction entry, const std::vector<double>& columns, double workBytes = -1)
{
    host::Array sizes = host::row(columns);
    host::Array work = host::scalar(workBytes);
    std::vector<const mxArray*> args{sizes.get()};
    if (workBytes >= 0)
        args.push_back(work.get());
    host::CallResult r = host::callEntry(entry, static_cast<int>(columns.size()), args);
    checks::expectClean(r);
    return r;
}

// The results and host working arrays of a call count together against its
// budget, each asked for before it is made: within the user's cap for a
// bounded function (the cap holds for nothing else), within a share of
// what is available for every function.
TEST(HostArrays, ResultsAndWorkingArraysAreRefusedBeforeTheyAreMade)
{
    const host::MexFunction bounded = makesArrays<kBounded>;
    const host::MexFunction unbounded = makesArrays<kTest>;
    {
        checks::MemoryCap cap("10e6");
        EXPECT_TRUE(makeArrays(bounded, {500, 500}).ok);  // 8 MB in all
        host::CallResult r = makeArrays(bounded, {500, 500, 500});
        EXPECT_EQ(r.error, "test: out of memory.");
        EXPECT_EQ(r.errorId, "boxgraph:test:outOfMemory");
        EXPECT_EQ(r.console, "");
        EXPECT_EQ(makeArrays(bounded, {1500}).error, "test: out of memory.");
        r = makeArrays(bounded, {1000}, 3e6);  // the working array is refused as the host refuses
        EXPECT_EQ(r.error, "test: out of memory.");
        EXPECT_EQ(r.console, "refused!\n");
        EXPECT_TRUE(makeArrays(bounded, {500}, 1e6).ok);
        EXPECT_TRUE(makeArrays(unbounded, {1500}, 3e6).ok);
    }
    EXPECT_TRUE(makeArrays(bounded, {1500}).ok);
    {
        limits::AddressLimit limit(64u << 20);  // available: about 64 MiB, a call's share 32
        if (!limit.active())
            GTEST_SKIP() << "no address-space limit can be set here";
        EXPECT_EQ(makeArrays(unbounded, {5000}).error, "test: out of memory.");  // 40 MB
        EXPECT_EQ(makeArrays(unbounded, {2500, 2500}).error, "test: out of memory.");
        EXPECT_TRUE(makeArrays(unbounded, {1000, 1000}).ok);
        EXPECT_EQ(makeArrays(unbounded, {1000}, 30e6).console, "refused!\n");
    }
}

// A full real numeric scalar of every class is read as its value.
TEST(HostArrays, ScalarsOfEveryNumericClass)
{
    const gateway::Refusal refusal{"notScalar", "not a scalar."};
    const mxClassID classes[] = {mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT8_CLASS,  mxUINT8_CLASS,
                                 mxINT16_CLASS,  mxUINT16_CLASS, mxINT32_CLASS, mxUINT32_CLASS,
                                 mxINT64_CLASS,  mxUINT64_CLASS};
    for (mxClassID cls : classes) {
        host::Array a(mxCreateNumericMatrix(1, 1, cls, mxREAL));
        // 100 in the element's own type: its low byte first on every machine we build for.
        unsigned char* bytes = static_cast<unsigned char*>(mxGetData(a.get()));
        if (cls == mxDOUBLE_CLASS)
            *mxGetPr(a.get()) = 100;
        else if (cls == mxSINGLE_CLASS)
            *static_cast<float*>(mxGetData(a.get())) = 100;
        else
            bytes[0] = 100;
        EXPECT_EQ(gateway::realScalar(a.get(), refusal), 100.0) << cls;
    }
    host::Array minus(mxCreateNumericMatrix(1, 1, mxINT64_CLASS, mxREAL));
    *static_cast<int64_t*>(mxGetData(minus.get())) = -5;
    EXPECT_EQ(gateway::realScalar(minus.get(), refusal), -5.0);
    host::Array large(mxCreateNumericMatrix(1, 1, mxUINT64_CLASS, mxREAL));
    *static_cast<uint64_t*>(mxGetData(large.get())) = UINT64_MAX;
    EXPECT_EQ(gateway::realScalar(large.get(), refusal), 18446744073709551616.0);

    host::Array pair = host::row({1, 2});
    host::Array flag(mxCreateNumericMatrix(1, 1, mxLOGICAL_CLASS, mxREAL));
    host::Array word = host::text("1");
    for (const mxArray* bad : {pair.get(), flag.get(), word.get()})
        EXPECT_THROW(gateway::realScalar(bad, refusal), gateway::Error);
}

// Sizes and structures the modules must refuse before they read anything.
TEST(HostArrays, SparseArraysTooLargeOrOfAnotherClassAreRefused)
{
    const gateway::Refusal notSparse{"notSparse", ""}, tooLarge{"tooLarge", ""}, malformed{"malformed", ""};
    auto reason = [&](const mxArray* a) -> std::string {
        try {
            gateway::sparseArgument(a, notSparse, tooLarge, malformed);
        } catch (const gateway::Error& e) {
            return e.reason();
        }
        return "accepted";
    };
    host::Array tall(mxCreateSparse(static_cast<mwSize>(INT32_MAX) + 1, 1, 1, mxREAL));
    EXPECT_EQ(reason(tall.get()), "tooLarge");
    host::Array fits(mxCreateSparse(static_cast<mwSize>(INT32_MAX), 1, 1, mxREAL));
    EXPECT_EQ(reason(fits.get()), "accepted");
    host::Array late = host::sparse(2, 2, {1, 1, 1}, {0});  // columns start past 0
    EXPECT_EQ(reason(late.get()), "malformed");

    host::Array single = host::sparse(2, 2, {0, 1, 1}, {0});
    single->cls = mxSINGLE_CLASS;  // no host makes one; the values would be read as doubles
    EXPECT_THROW(gateway::sparseValues(single.get(), {"notReal", ""}), gateway::Error);
    host::Array logical = host::sparseLogical(2, 2, {0, 1, 1}, {1}, {true});
    EXPECT_EQ(gateway::sparseValues(logical.get(), {"notReal", ""})[0], 1.0);
}

// A mask of logicals is read in place, one of doubles as "not 0".
TEST(HostArrays, TruthsOfLogicalAndDoubleMasks)
{
    host::Array logical(mxCreateNumericMatrix(1, 3, mxLOGICAL_CLASS, mxREAL));
    mxGetLogicals(logical.get())[1] = true;
    const gateway::Truths fromLogical(logical.get(), 3);
    EXPECT_EQ(std::vector<uint8_t>(fromLogical.data(), fromLogical.data() + 3), std::vector<uint8_t>({0, 1, 0}));
    EXPECT_EQ(static_cast<const void*>(fromLogical.data()), static_cast<const void*>(mxGetLogicals(logical.get())));
    host::Array doubles = host::row({0, -0.0, 2.5, double(NAN)});
    const gateway::Truths fromDoubles(doubles.get(), 4);
    EXPECT_EQ(std::vector<uint8_t>(fromDoubles.data(), fromDoubles.data() + 4), std::vector<uint8_t>({0, 0, 1, 1}));
}

}  // namespace
