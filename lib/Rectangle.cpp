#include "Rectangle.h"

#include <inttypes.h>
#include <stdlib.h>

#include "Alloc.h"
#include "Vec.h"

Rectangle* Rectangle_new(const double* center, const double* radius, uint8_t dim)
{
    Rectangle* rect = static_cast<Rectangle*>(CHECKED_CALLOC(1, sizeof(Rectangle)));
    try {
        rect->dim = dim;
        rect->center = static_cast<double*>(CHECKED_CALLOC(dim, sizeof(double)));
        rect->radius = static_cast<double*>(CHECKED_CALLOC(dim, sizeof(double)));
    } catch (...) {
        Rectangle_free(&rect);
        throw;
    }
    Vec_copy(center, rect->center, dim);
    Vec_copy(radius, rect->radius, dim);
    return rect;
}

void Rectangle_free(Rectangle** rect)
{
    if (rect == nullptr || *rect == nullptr)
        return;
    free((*rect)->radius);
    free((*rect)->center);
    free(*rect);
    *rect = nullptr;
}

Rectangle* Rectangle_read(FILE* stream)
{
    uint64_t address = 0;  // as in Tree_read: any hexadecimal form, only 0 or not matters
    if (fscanf(stream, "Rectangle at %" SCNx64 ":\n", &address) != 1 || address == 0)
        return nullptr;
    int dim = 0;
    if (fscanf(stream, "  dim = %d\n", &dim) != 1 || dim < 1 || dim > 255)
        return nullptr;

    double* center = nullptr;
    double* radius = nullptr;
    Rectangle* rect = nullptr;
    try {
        if (fscanf(stream, "  center = ") < 0) {
            // end of file: the vector reads fail and leave zeros
        }
        center = Vec_read(stream, dim);
        if (fscanf(stream, "  radius = ") < 0) {
            // as above
        }
        radius = Vec_read(stream, dim);
        rect = Rectangle_new(center, radius, static_cast<uint8_t>(dim));
    } catch (...) {
        free(center);
        free(radius);
        throw;
    }
    free(center);
    free(radius);
    return rect;
}
