// Rectangle: the root box of a tree, a centre and a radius per coordinate.
#ifndef BOXGRAPH_RECTANGLE_H
#define BOXGRAPH_RECTANGLE_H

#include <stdint.h>
#include <stdio.h>

#include "TreeRecords.h"

// New rectangle of dim coordinates with center and radius copied from the
// first dim entries of the sources (which stay the caller's). dim may be 0.
// Release with Rectangle_free. O(dim).
Rectangle* Rectangle_new(const double* center, const double* radius, uint8_t dim);

// Releases radius, center and the record, and nulls *rect; null does nothing. O(1).
void Rectangle_free(Rectangle** rect);

// Reads the rectangle block of a tree file ("Rectangle at %p:", dim, center,
// radius). Returns a new rectangle, or null when the address line does not
// match or is null, a line's label is missing, the dimension is not 1 to 255
// (however many digits it has), or the centre or radius line holds fewer
// than dim numbers. O(dim).
Rectangle* Rectangle_read(FILE* stream);

#endif
