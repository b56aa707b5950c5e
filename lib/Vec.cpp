#include "Vec.h"

#include <string.h>

#include "Alloc.h"

void Vec_copy(const double* source, double* target, int n)
{
    if (n > 0)
        memcpy(target, source, static_cast<size_t>(n) * sizeof(double));
}

double* Vec_read(FILE* stream, int n)
{
    size_t count = n > 0 ? static_cast<size_t>(n) : 0;
    double* vec = static_cast<double*>(CHECKED_CALLOC(count, sizeof(double)));
    for (size_t i = 0; i < count; ++i) {
        if (fscanf(stream, "%lg", &vec[i]) != 1)
            vec[i] = 0.0;  // a failed conversion may have written a partial value
    }
    if (fscanf(stream, "\n") < 0) {
        // end of file: the caller's next match fails on its own
    }
    return vec;
}
