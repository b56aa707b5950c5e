// The gateway layer on its own, through the hostless host: how a call ends
// whatever its body throws, and the conversions of host arrays that no
// module's argument checks reach in full (every numeric class of a scalar,
// arrays too large for 32-bit vertex numbers, logical masks).
#include <gtest/gtest.h>

#include <stdint.h>

#include <stdexcept>
#include <string>
#include <vector>

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
