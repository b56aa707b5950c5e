#include "Vec.h"

#include <stdlib.h>
#include <string.h>

#include "Alloc.h"

void Vec_copy(const double* source, double* target, int n)
{
    if (n > 0)
        memcpy(target, source, static_cast<size_t>(n) * sizeof(double));
}

namespace {

// n numbers from the stream, then the rest of the line. A number that cannot
// be read is 0, or, with refuseShort, fails the whole read (null).
double* readNumbers(FILE* stream, int n, bool refuseShort)
{
    size_t count = n > 0 ? static_cast<size_t>(n) : 0;
    double* vec = static_cast<double*>(CHECKED_CALLOC(count, sizeof(double)));
    for (size_t i = 0; i < count; ++i) {
        if (fscanf(stream, "%lg", &vec[i]) == 1)
            continue;
        if (refuseShort) {
            Alloc_free(vec, count * sizeof(double));
            return nullptr;
        }
        vec[i] = 0.0;  // a failed conversion may have written a partial value
    }
    if (fscanf(stream, "\n") < 0) {
        // end of file: the caller's next match fails on its own
    }
    return vec;
}

}  // namespace

double* Vec_read(FILE* stream, int n)
{
    return readNumbers(stream, n, false);
}

double* Vec_readAll(FILE* stream, int n)
{
    return readNumbers(stream, n, true);
}

int Vec_readWhole(FILE* stream, uint64_t* value)
{
    return Vec_readCount(stream, value, nullptr);
}

int Vec_readCount(FILE* stream, uint64_t* value, double* number)
{
    char digits[32];
    if (fscanf(stream, " %31[+0-9]", digits) != 1)
        return 0;
    const char* p = digits[0] == '+' ? digits + 1 : digits;
    if (*p < '0' || *p > '9')
        return 0;
    uint64_t v = 0;
    double x = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        v = v > (UINT64_MAX - 9) / 10 ? UINT64_MAX : v * 10 + static_cast<uint64_t>(*p - '0');
        x = x * 10 + (*p - '0');
    }
    // more digits than the buffer holds: the number is larger still
    int next = getc(stream);
    while (next >= '0' && next <= '9') {
        v = UINT64_MAX;
        x = x * 10 + (next - '0');
        next = getc(stream);
    }
    if (next != EOF)
        ungetc(next, stream);
    *value = v;
    if (number != nullptr)
        *number = x;
    return 1;
}

void Vec_samples(const double* lower, const double* upper, const double* offsets, int64_t count, int dim,
                 double* points)
{
    for (int64_t j = 0; j < count; ++j) {
        for (int k = 0; k < dim; ++k) {
            const double x = lower[k] + (upper[k] - lower[k]) * ((*offsets++ + 1) * 0.5);
            *points++ = x < lower[k] ? lower[k] : x > upper[k] ? upper[k] : x;
        }
    }
}
