#include "Alloc.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

void printToStdout(const char* text)
{
    fputs(text, stdout);
    fflush(stdout);
}

[[noreturn]] void exitProcess()
{
    exit(1);
}

Alloc_PrintFn printFn = printToStdout;
Alloc_FailFn failFn = exitProcess;
long failCountdown = 0;
size_t budget = 0;  // 0: no cap
size_t taken = 0;
Alloc_BudgetFn budgetSource = nullptr;  // asked for the cap at the first allocation
Alloc_ReusableFn reusableSource = nullptr;  // asked for the free small blocks past the cap
size_t poolBlock = 0;  // the largest footprint the pool serves; 0: not asked yet
size_t pool = 0;       // bytes of free blocks the heap holds that the pool serves
size_t pooled = 0;     // of those, taken
constexpr size_t kPage = 4096;
Alloc_GrowFn capGrowth = nullptr;  // asked once, when a request would pass the cap

// Whether a request of the given footprint, past the cap, takes free blocks
// the heap holds (Alloc_setReusableSource).
bool fromPool(size_t cost)
{
    if (reusableSource == nullptr || cost >= kPage)
        return false;
    if (poolBlock == 0) {
        poolBlock = cost;
        pool = reusableSource(cost);
    }
    return cost <= poolBlock && cost <= pool - pooled;
}

void resetPool(Alloc_ReusableFn source)
{
    reusableSource = source;
    poolBlock = pool = pooled = 0;
}

void resetRoom()
{
    resetPool(nullptr);
    capGrowth = nullptr;
}

// Reports a request of bytes that was refused and runs the fail handler.
[[noreturn]] void refused(size_t bytes, int line, const char* file)
{
    // The two lines are the fixed report of this convention, kept word for word
    // (users and scripts match on them); only the fail handler is ours to set.
    char line1[512];
    char line2[64];
    // %llu: a size_t can be wider than an unsigned long (64-bit Windows)
    snprintf(line1, sizeof line1, "calloc of %llu bytes failed on line %d of file %s\n",
             static_cast<unsigned long long>(bytes), line, file);
    snprintf(line2, sizeof line2, "ptr%p\n", static_cast<void*>(nullptr));
    printFn(line1);
    printFn(line2);
    failFn();
    exitProcess();  // a fail handler that returns still must not hand out null
}

bool injectedFailure()
{
    if (failCountdown <= 0)
        return false;
    return --failCountdown == 0;
}

}  // namespace

void* Alloc_calloc(size_t count, size_t size, int line, const char* file)
{
    size_t bytes = SIZE_MAX;
    bool overflow = size != 0 && count > SIZE_MAX / size;
    if (!overflow)
        bytes = count * size;
    if (budgetSource != nullptr) {
        budget = budgetSource();
        budgetSource = nullptr;
    }
    const size_t cost = overflow ? SIZE_MAX : Alloc_footprint(bytes);
    auto passesCap = [&] { return budget != 0 && (overflow || cost > budget - (taken < budget ? taken : budget)); };
    bool overBudget = passesCap();
    const bool pooledRequest = overBudget && !overflow && fromPool(cost);
    overBudget = overBudget && !pooledRequest;
    if (overBudget && !overflow && capGrowth != nullptr) {
        const Alloc_GrowFn grow = capGrowth;
        capGrowth = nullptr;  // once
        const size_t grown = grow(budget);
        budget = grown > budget ? grown : budget;
        overBudget = passesCap();
    }
    void* ptr = (overflow || overBudget || injectedFailure()) ? nullptr : calloc(count, size);
    if (ptr != nullptr)
        (pooledRequest ? pooled : taken) += cost;
    if (ptr != nullptr || (bytes == 0 && !overflow))
        return ptr;
    refused(bytes, line, file);
}

void Alloc_refuse(int line, const char* file)
{
    refused(SIZE_MAX, line, file);
}

void Alloc_setHandlers(Alloc_PrintFn print, Alloc_FailFn fail, Alloc_PrintFn* oldPrint,
                       Alloc_FailFn* oldFail)
{
    if (oldPrint != nullptr)
        *oldPrint = printFn;
    if (oldFail != nullptr)
        *oldFail = failFn;
    printFn = print != nullptr ? print : printToStdout;
    failFn = fail != nullptr ? fail : exitProcess;
}

void Alloc_failAfter(long n)
{
    failCountdown = n;
}

void Alloc_setBudget(size_t bytes)
{
    budget = bytes;
    taken = 0;
    budgetSource = nullptr;
    resetRoom();
}

void Alloc_setBudgetSource(Alloc_BudgetFn source)
{
    budget = 0;
    taken = 0;
    budgetSource = source;
    resetRoom();
}

void Alloc_setCapGrowth(Alloc_GrowFn grow)
{
    capGrowth = grow;
}

void Alloc_setReusableSource(Alloc_ReusableFn source)
{
    resetPool(source);
}

size_t Alloc_taken(void)
{
    return taken + pooled;
}

size_t Alloc_footprint(size_t bytes)
{
    // The heap's record of a block is a word before it; blocks are aligned to
    // two words and hold at least four. Blocks from 128 KiB on are mapped
    // whole pages of their own (glibc's default threshold; other heaps round
    // alike).
    constexpr size_t word = sizeof(void*);
    constexpr size_t page = 4096;
    constexpr size_t mapped = size_t{128} << 10;
    if (bytes > SIZE_MAX - page - 2 * word)
        return SIZE_MAX;
    if (bytes >= mapped)
        return (bytes + 2 * word + page - 1) / page * page;
    const size_t block = (bytes + word + 2 * word - 1) / (2 * word) * (2 * word);
    return block < 4 * word ? 4 * word : block;
}

void Alloc_free(void* ptr, size_t bytes)
{
    if (ptr == nullptr)
        return;
    free(ptr);
    const size_t cost = Alloc_footprint(bytes);
    if (cost <= poolBlock && cost <= pooled)
        pooled -= cost;
    else
        taken = cost < taken ? taken - cost : 0;
}
