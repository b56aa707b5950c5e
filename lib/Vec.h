// Vectors of doubles: copying, sample points of a box, and reading from a
// tree file's header.
#ifndef BOXGRAPH_VEC_H
#define BOXGRAPH_VEC_H

#include <stdint.h>
#include <stdio.h>

// Copies n doubles from source to target; n <= 0 copies nothing. O(n).
void Vec_copy(const double* source, double* target, int n);

// Sample points of the box with the faces lower and upper (dim doubles
// each): for each of count offsets o (dim doubles each, [-1, 1]^dim for the
// box from face to face), the point lower + (upper - lower) .* (o + 1) / 2,
// clamped into the closed box [lower, upper], dim doubles written one after
// another to points. An offset of -1 gives the lower face itself, which
// search assigns to this box; +1 gives the upper face, which belongs to the
// neighbour above (or, on the rectangle's own face, still to this box).
// Offsets outside [-1, 1] end on the nearest face; a NaN stays NaN. O(count
// * dim).
void Vec_samples(const double* lower, const double* upper, const double* offsets, int64_t count, int dim,
                 double* points);

// New zero-filled vector of n doubles (caller owns it, release with free),
// each entry matched with "%lg" from stream; an entry that cannot be read
// stays 0. Then skips white space. n <= 0 reads nothing and may return null.
// O(n) reads.
double* Vec_read(FILE* stream, int n);

// Vec_read that refuses a short line: null (nothing left allocated) when
// fewer than n entries can be read. O(n) reads.
double* Vec_readAll(FILE* stream, int n);

// Reads a whole number in decimal after white space (an optional +), as a
// tree file's header holds its dimension and box count, into *value; values
// past 2^64 - 1 read as 2^64 - 1, so that no count wraps to a small one.
// Returns 1, or 0 (nothing read) when there is no number.
int Vec_readWhole(FILE* stream, uint64_t* value);

// Vec_readWhole, and the number also as a double in *number (when not null),
// which keeps the magnitude of values past 2^64 - 1 (infinity past the
// largest double), for saying what a file claims.
int Vec_readCount(FILE* stream, uint64_t* value, double* number);

#endif
