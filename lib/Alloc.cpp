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
    const bool overBudget = budget != 0 && (overflow || bytes > budget - (taken < budget ? taken : budget));
    void* ptr = (overflow || overBudget || injectedFailure()) ? nullptr : calloc(count, size);
    if (ptr != nullptr)
        taken += bytes;
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
}

void Alloc_setBudgetSource(Alloc_BudgetFn source)
{
    budget = 0;
    taken = 0;
    budgetSource = source;
}

size_t Alloc_taken(void)
{
    return taken;
}

void Alloc_free(void* ptr, size_t bytes)
{
    if (ptr == nullptr)
        return;
    free(ptr);
    taken = bytes < taken ? taken - bytes : 0;
}
