#include "Rectangle.h"

#include <inttypes.h>
#include <stdlib.h>

#include "Alloc.h"
#include "Owner.h"
#include "Vec.h"

Rectangle* Rectangle_new(const double* center, const double* radius, uint8_t dim)
{
    Owner<Rectangle, Rectangle_free> rect(static_cast<Rectangle*>(CHECKED_CALLOC(1, sizeof(Rectangle))));
    rect->dim = dim;
    rect->center = static_cast<double*>(CHECKED_CALLOC(dim, sizeof(double)));
    rect->radius = static_cast<double*>(CHECKED_CALLOC(dim, sizeof(double)));
    Vec_copy(center, rect->center, dim);
    Vec_copy(radius, rect->radius, dim);
    return rect.release();
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
    // Every line must be there in full: a missing label or a short vector
    // would shift the values that follow, a dimension past 255 would wrap.
    int at = -1;
    uint64_t dim = 0;
    if (fscanf(stream, "  dim =%n", &at) < 0 || at < 0 || !Vec_readWhole(stream, &dim) || dim < 1 ||
        dim > 255)
        return nullptr;

    at = -1;
    if (fscanf(stream, "  center =%n", &at) < 0 || at < 0)
        return nullptr;
    const Owner<double, free> center(Vec_readAll(stream, static_cast<int>(dim)));
    at = -1;
    if (!center || fscanf(stream, "  radius =%n", &at) < 0 || at < 0)
        return nullptr;
    const Owner<double, free> radius(Vec_readAll(stream, static_cast<int>(dim)));
    if (!radius)
        return nullptr;
    return Rectangle_new(center.get(), radius.get(), static_cast<uint8_t>(dim));
}
