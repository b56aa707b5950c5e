// What every module shares: the budget of the checked allocation, the memory
// available to the process, interrupting long loops, and owners.
#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "AddressLimit.h"
#include "Alloc.h"
#include "Interrupt.h"
#include "Memory.h"
#include "Owner.h"
#include "ThrowingAlloc.h"

namespace {

using alloc_testing::AllocFailed;
using alloc_testing::ThrowingAlloc;

TEST(Budget, CapsWhatAllocationsTakeAndCountsWhatComesBack)
{
    ThrowingAlloc throwing;
    const size_t whole = Alloc_footprint(1000);
    Alloc_setBudget(whole);
    void* a = CHECKED_CALLOC(100, 8);
    EXPECT_EQ(Alloc_taken(), Alloc_footprint(800));
    EXPECT_THROW(CHECKED_CALLOC(30, 8), AllocFailed);  // 240 more would pass the cap
    EXPECT_NE(ThrowingAlloc::report().find("calloc of 240 bytes failed"), std::string::npos);
    EXPECT_EQ(Alloc_taken(), Alloc_footprint(800));
    Alloc_free(a, 800);
    EXPECT_EQ(Alloc_taken(), 0u);
    void* b = CHECKED_CALLOC(125, 8);  // the whole cap, now that a came back
    {
        CheckedVector<double> v;
        EXPECT_THROW(v.push_back(1.0), AllocFailed);
    }
    Alloc_free(b, 1000);
    {
        CheckedVector<double> v(100);
        EXPECT_EQ(Alloc_taken(), Alloc_footprint(800));
    }
    EXPECT_EQ(Alloc_taken(), 0u);  // a checked vector gives back what it took
    Alloc_setBudget(0);
    void* big = CHECKED_CALLOC(1, 1 << 20);  // no cap
    free(big);
}

// Small blocks cost the heap's record and rounding: a budget counted in
// bytes alone would let a tree of small boxes take half as much again as it
// allows.
TEST(Budget, CountsWhatABlockCostsTheHeap)
{
    const size_t word = sizeof(void*);
    EXPECT_EQ(Alloc_footprint(0), 4 * word);
    EXPECT_EQ(Alloc_footprint(4 * word), 6 * word);  // a box: 32 bytes cost 48 where words are 8
    for (size_t bytes : {size_t{1}, size_t{100}, size_t{5000}, size_t{1} << 20, size_t{3} << 30}) {
        EXPECT_GT(Alloc_footprint(bytes), bytes);
        EXPECT_LE(Alloc_footprint(bytes), bytes + 4096 + 4 * word);
    }
    EXPECT_EQ(Alloc_footprint(size_t{1} << 20) % 4096, 0u);  // mapped blocks take whole pages
    EXPECT_EQ(Alloc_footprint(SIZE_MAX - 1), SIZE_MAX);

    ThrowingAlloc throwing;
    Alloc_setBudget(1000 * Alloc_footprint(32) - 1);
    std::vector<void*> boxes;
    EXPECT_THROW(
        for (int k = 0; k < 1000; ++k) boxes.push_back(CHECKED_CALLOC(1, 32)), AllocFailed);
    EXPECT_EQ(boxes.size(), 999u);
    for (void* box : boxes)
        Alloc_free(box, 32);
    EXPECT_EQ(Alloc_taken(), 0u);
    Alloc_setBudget(0);
}

size_t sourceCalls = 0;
size_t smallBudget()
{
    ++sourceCalls;
    return 100;
}

TEST(Budget, IsAskedForAtTheFirstAllocationOnly)
{
    ThrowingAlloc throwing;
    Alloc_setBudgetSource(smallBudget);
    EXPECT_EQ(sourceCalls, 0u);
    void* a = CHECKED_CALLOC(10, 8);
    EXPECT_EQ(sourceCalls, 1u);
    EXPECT_THROW(CHECKED_CALLOC(3, 8), AllocFailed);  // 104 bytes in all
    EXPECT_EQ(sourceCalls, 1u);
    Alloc_free(a, 80);
    Alloc_setBudget(0);
}

size_t poolAsked = 0;
size_t poolBlockAsked = 0;
size_t aPool(size_t block)
{
    ++poolAsked;
    poolBlockAsked = block;
    return 10 * block;
}

size_t growthAsked = 0;
size_t growBy1000(size_t cap)
{
    ++growthAsked;
    return cap + 1000;
}

// Past the cap, small blocks may take the free blocks the heap holds for
// them, and the cap grows once by what giving memory back gained; both are
// asked only then.
TEST(Budget, FreeSmallBlocksAndWhatIsGivenBackServeRequestsPastTheCap)
{
    ThrowingAlloc throwing;
    const size_t box = Alloc_footprint(32);
    Alloc_setBudget(2 * box);
    Alloc_setReusableSource(aPool);
    std::vector<void*> boxes;
    for (int k = 0; k < 2; ++k)
        boxes.push_back(CHECKED_CALLOC(1, 32));
    EXPECT_EQ(poolAsked, 0u);
    for (int k = 0; k < 10; ++k)
        boxes.push_back(CHECKED_CALLOC(1, 32));  // from the pool of 10 boxes
    EXPECT_EQ(poolAsked, 1u);
    EXPECT_EQ(poolBlockAsked, box);
    EXPECT_EQ(Alloc_taken(), 12 * box);
    EXPECT_THROW(CHECKED_CALLOC(1, 32), AllocFailed);  // pool and cap both used up
    EXPECT_THROW(CHECKED_CALLOC(1, 4096), AllocFailed);  // no page from the pool
    Alloc_free(boxes.back(), 32);  // back to the pool: the next box fits again
    boxes.back() = CHECKED_CALLOC(1, 32);
    EXPECT_THROW(CHECKED_CALLOC(1, 200), AllocFailed);  // larger than the pool's blocks
    EXPECT_EQ(poolAsked, 1u);
    for (void* b : boxes)
        Alloc_free(b, 32);
    EXPECT_EQ(Alloc_taken(), 0u);

    Alloc_setBudget(Alloc_footprint(500));  // a new cap drops the pool
    Alloc_setCapGrowth(growBy1000);
    void* a = CHECKED_CALLOC(1, 500);
    EXPECT_EQ(growthAsked, 0u);
    void* b = CHECKED_CALLOC(1, 500);  // passes the cap: it grows by 1000
    EXPECT_EQ(growthAsked, 1u);
    EXPECT_THROW(CHECKED_CALLOC(1, 500), AllocFailed);  // and only once
    EXPECT_EQ(growthAsked, 1u);
    Alloc_free(a, 500);
    Alloc_free(b, 500);
    Alloc_setBudget(0);
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// Freed small blocks are resident and reusable: the heap reports them for
// their size and not for a larger one.
TEST(Memory, ReusableCountsFreedSmallBlocks)
{
    const size_t box = Alloc_footprint(32);
    const size_t before = Memory_reusable(box);
    std::vector<void*> blocks(20000);
    for (void*& b : blocks)
        b = malloc(32);
    for (size_t k = 0; k < blocks.size(); k += 2)
        free(blocks[k]);  // every other one: no two freed blocks meet
    EXPECT_GE(Memory_reusable(box), before + 9000 * box);
    EXPECT_LT(Memory_reusable(4 * box), before + 1000 * box);
    for (size_t k = 1; k < blocks.size(); k += 2)
        free(blocks[k]);
}
#endif

TEST(Memory, AvailableIsKnownAndPlausible)
{
    const size_t available = Memory_available();
#if defined(__linux__)
    EXPECT_NE(available, SIZE_MAX);
    EXPECT_GT(available, size_t{1} << 20);
#else
    (void)available;
#endif
}

TEST(Memory, LargePagesHoldTheArrayWithinItsBlockAndKeepItsContents)
{
    EXPECT_EQ(Memory_largePageSlack(size_t{1} << 20), 0u);  // small arrays stay as they are
    const size_t bytes = (size_t{5} << 20) + 12;
    const size_t slack = Memory_largePageSlack(bytes);
#if defined(__linux__)
    EXPECT_EQ(slack, size_t{1} << 21);
#endif
    for (size_t offset : {0, 16, 4096 + 48}) {
        std::vector<unsigned char> block(offset + bytes + slack);
        for (size_t k = 0; k < block.size(); ++k)
            block[k] = static_cast<unsigned char>(k * 7);
        unsigned char* start = block.data() + offset;
        auto* array = static_cast<unsigned char*>(slack == 0 ? start : Memory_placeOnLargePages(start, bytes + slack));
        EXPECT_GE(array, start);
        EXPECT_LE(array + bytes, start + bytes + slack);
        if (slack != 0) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(array) % slack, 0u);
        }
        Memory_adviseLargePages(block.data() + 1, block.size() - 1);  // any range, aligned or not
        Memory_adviseLargePages(block.data() + 1, 100);
        for (size_t k = 0; k < block.size(); ++k)
            ASSERT_EQ(block[k], static_cast<unsigned char>(k * 7));
    }
}

int checks = 0;
void countCheck() { ++checks; }
struct Stop {};
[[noreturn]] void stopCheck() { throw Stop{}; }

// An address-space limit (ulimit -v) counts: what is left under it is all
// that is available, however much the machine has.
TEST(Memory, AvailableStaysUnderAnAddressSpaceLimit)
{
    const size_t unlimited = Memory_available();
    const uint64_t headroom = 256u << 20;
    limits::AddressLimit limit(headroom);
    if (!limit.active())
        GTEST_SKIP() << "no address-space limit can be set here";
    const size_t available = Memory_available();
    EXPECT_LE(available, headroom);
    EXPECT_GT(available, 0u);
    EXPECT_LT(available, unlimited);
}

// Without a host, a failed checked allocation prints its two lines and ends
// the process with status 1; so does a fail handler that returns.
TEST(AllocDeathTest, WithoutAHostAFailureEndsTheProcess)
{
    EXPECT_EXIT(
        {
            Alloc_failAfter(1);
            CHECKED_CALLOC(1, 8);
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            Alloc_setHandlers([](const char*) {}, [] {}, nullptr, nullptr);
            Alloc_failAfter(1);
            CHECKED_CALLOC(1, 8);
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(Interrupt, LoopsAskTheCheckEvery1024Steps)
{
    Interrupt_CheckFn old = nullptr;
    Interrupt_setCheck(countCheck, &old);
    for (int i = 0; i < 4096; ++i)
        Interrupt_poll();
    EXPECT_EQ(checks, 4);
    Interrupt_setCheck(stopCheck, nullptr);
    int steps = 0;
    try {
        for (;; ++steps)
            Interrupt_poll();
    } catch (const Stop&) {
    }
    EXPECT_EQ(steps, 1023);
    Interrupt_setCheck(old, nullptr);
    for (int i = 0; i < 2048; ++i)
        Interrupt_poll();  // no check: nothing happens
}

// Free functions of both conventions, recording what they were given.
const void* given = nullptr;
int freed = 0;
void freeRecord(int** record)  // Module_free: nulls the caller's pointer
{
    given = *record;
    *record = nullptr;
    ++freed;
}
void freeBlock(void* block)
{
    given = block;
    ++freed;
}

TEST(Owner, GivesTheRecordToItsFreeFunctionOnceAndNotWhenReleased)
{
    int a = 0, b = 0;
    freed = 0;
    {
        Owner<int, freeRecord> record(&a);
        Owner<int, freeBlock> block(&b);  // a void* parameter takes the pointer, not its address
    }
    EXPECT_EQ(freed, 2);
    EXPECT_EQ(given, &a);  // the record, released last
    {
        Owner<int, freeRecord> record(&a);
        Owner<int, freeRecord> none;
        EXPECT_EQ(record.release(), &a);
    }
    EXPECT_EQ(freed, 2);  // neither a released nor an empty owner frees
    {
        Owner<int, freeBlock> block(&b);
        block.reset(&a);
        EXPECT_EQ(given, &b);
    }
    EXPECT_EQ(given, &a);
    EXPECT_EQ(freed, 4);
}

}  // namespace
