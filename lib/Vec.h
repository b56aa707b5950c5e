// Vectors of doubles: copying, and reading from a tree file's header.
#ifndef BOXGRAPH_VEC_H
#define BOXGRAPH_VEC_H

#include <stdint.h>
#include <stdio.h>

// Copies n doubles from source to target; n <= 0 copies nothing. O(n).
void Vec_copy(const double* source, double* target, int n);

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
