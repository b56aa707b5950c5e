// The checked allocation's failure report.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "Alloc.h"
#include "ThrowingAlloc.h"

namespace {

using alloc_testing::AllocFailed;
using alloc_testing::ThrowingAlloc;

// The report of a failed request, and whether it failed.
std::string reportOf(size_t count, size_t size, long failAt = 0)
{
    ThrowingAlloc failing(failAt);
    try {
        void* ptr = CHECKED_CALLOC(count, size);
        free(ptr);
        return "no failure";
    } catch (const AllocFailed&) {
        return ThrowingAlloc::report();
    }
}

TEST(Alloc, ReportsTheWholeByteCount)
{
    // an overflowing request is reported as SIZE_MAX bytes, all 64 bits of it
    // where size_t has them (also where long has 32)
    std::string report = reportOf(SIZE_MAX, 2);
    EXPECT_EQ(report.rfind("calloc of " + std::to_string(SIZE_MAX) + " bytes failed on line ", 0),
              0u)
        << report;
    report = reportOf(3, 5, 1);
    EXPECT_EQ(report.rfind("calloc of 15 bytes failed on line ", 0), 0u) << report;
    EXPECT_NE(report.find(" of file "), std::string::npos);
    char null[32];
    snprintf(null, sizeof null, "\nptr%p\n", static_cast<void*>(nullptr));
    EXPECT_NE(report.find(null), std::string::npos) << report;
    EXPECT_EQ(reportOf(0, 8), "no failure");
}

}  // namespace
