#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "SparseMatrix.h"
#include "ThrowingAlloc.h"

namespace {

using alloc_testing::AllocFailed;
using alloc_testing::ThrowingAlloc;

TEST(SparseMatrix, AppendWidensDimensionAndKeepsDuplicatesAndZeros)
{
    SparseMatrix* m = SparseMatrix_new(3);
    EXPECT_EQ(m->capacity, 30);
    SparseMatrix_free(&m);
    EXPECT_EQ(m, nullptr);
    SparseMatrix_free(&m);

    m = SparseMatrix_new(1);
    SparseMatrix_add(m, 7, 0, 1.0);
    EXPECT_EQ(m->dimension, 8);
    SparseMatrix_add(m, 0, 9, 1.0);
    EXPECT_EQ(m->dimension, 10);
    SparseMatrix_add(m, 2, 2, 1.0);
    EXPECT_EQ(m->dimension, 10);
    SparseMatrix_add(m, 4, 5, 1.0);
    SparseMatrix_add(m, 4, 5, 1.0);
    SparseMatrix_add(m, 1, 1, 0.0);
    ASSERT_EQ(m->count, 6);
    EXPECT_EQ(m->rows[3], 4);
    EXPECT_EQ(m->cols[4], 5);
    EXPECT_EQ(m->values[5], 0.0);
    SparseMatrix_free(&m);
}

// A matrix made from compressed columns has room for their entries, not for
// ten a column: a million columns with two entries take two slots.
TEST(SparseMatrix, FromColumnsTakesRoomForTheStoredEntriesOnly)
{
    const int32_t n = 1000000;
    std::vector<size_t> jc(static_cast<size_t>(n) + 1, 2);
    jc[0] = 0;
    jc[1] = 1;
    const std::vector<size_t> ir{5, 999999};
    SparseView<size_t> view;
    view.rows = view.cols = n;
    view.jc = jc.data();
    view.ir = ir.data();
    const std::vector<double> values{1.0, 2.0};
    SparseMatrix* m = SparseMatrix_fromColumns(view, values);
    EXPECT_EQ(m->capacity, 2);
    EXPECT_EQ(m->count, 2);
    EXPECT_EQ(m->dimension, n);
    EXPECT_EQ(m->rows[1], 999999);
    EXPECT_EQ(m->cols[1], 1);
    EXPECT_EQ(m->values[1], 2.0);
    SparseMatrix_add(m, 3, 3, 1.0);  // past the room made: it grows
    EXPECT_EQ(m->count, 3);
    SparseMatrix_free(&m);
    m = SparseMatrix_newSized(4, 0);
    SparseMatrix_add(m, 1, 2, 1.0);
    EXPECT_EQ(m->count, 1);
    SparseMatrix_free(&m);
}

TEST(SparseMatrix, GrowthDoublesAndKeepsEntriesInOrder)
{
    SparseMatrix* m = SparseMatrix_new(2);
    for (int32_t k = 0; k <= 20; ++k)
        SparseMatrix_add(m, k, k + 1, k * 0.5);
    EXPECT_EQ(m->capacity, 40);
    EXPECT_EQ(m->count, 21);
    for (int32_t k = 0; k <= 20; ++k) {
        EXPECT_EQ(m->rows[k], k);
        EXPECT_EQ(m->cols[k], k + 1);
        EXPECT_EQ(m->values[k], k * 0.5);
    }
    SparseMatrix_free(&m);

    // Dimension 0 starts with no slots; the first append makes ten.
    m = SparseMatrix_new(0);
    EXPECT_EQ(m->capacity, 0);
    SparseMatrix_add(m, 0, 0, 1.0);
    EXPECT_EQ(m->capacity, 10);
    EXPECT_EQ(m->dimension, 1);
    SparseMatrix_free(&m);
}

TEST(SparseMatrix, FailedGrowthIsReportedAndLeavesTheMatrixIntact)
{
    SparseMatrix* m = SparseMatrix_new(1);
    for (int32_t k = 0; k < 10; ++k)
        SparseMatrix_add(m, k, 0, 1.0);
    for (long failAt = 1; failAt <= 3; ++failAt) {
        ThrowingAlloc alloc(failAt);
        EXPECT_THROW(SparseMatrix_add(m, 3, 3, 1.0), AllocFailed);
        EXPECT_NE(ThrowingAlloc::report().find("bytes failed on line"), std::string::npos);
        EXPECT_EQ(m->count, 10);
        EXPECT_EQ(m->capacity, 10);
        EXPECT_EQ(m->rows[9], 9);
    }
    SparseMatrix_add(m, 3, 3, 1.0);
    EXPECT_EQ(m->count, 11);
    SparseMatrix_free(&m);
}

TEST(SparseMatrix, CountBeyondInt32IsRefusedNotWrapped)
{
    // A matrix that claims to be full at the largest count (nothing is read or
    // written before the refusal).
    SparseMatrix* m = SparseMatrix_new(1);
    SparseMatrix fake = *m;
    fake.count = INT32_MAX;
    fake.capacity = INT32_MAX;
    {
        ThrowingAlloc alloc;
        EXPECT_THROW(SparseMatrix_add(&fake, 0, 0, 1.0), AllocFailed);
        EXPECT_EQ(ThrowingAlloc::report().rfind("calloc of " + std::to_string(SIZE_MAX) + " bytes", 0), 0u);
    }
    EXPECT_EQ(fake.count, INT32_MAX);
    SparseMatrix_free(&m);
}

}  // namespace
