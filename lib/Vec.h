// Vectors of doubles: copying, and reading from a tree file's header.
#ifndef BOXGRAPH_VEC_H
#define BOXGRAPH_VEC_H

#include <stdio.h>

// Copies n doubles from source to target; n <= 0 copies nothing. O(n).
void Vec_copy(const double* source, double* target, int n);

// New zero-filled vector of n doubles (caller owns it, release with free),
// each entry matched with "%lg" from stream; an entry that cannot be read
// stays 0. Then skips white space. n <= 0 reads nothing and may return null.
// O(n) reads.
double* Vec_read(FILE* stream, int n);

#endif
