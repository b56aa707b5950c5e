// keyedhash::sipHash24: SipHash-2-4, a keyed hash whose 64-bit value tells
// nothing of its 128-bit key, even to one who sees many values for inputs of
// their choosing; without the key no value can be computed for a new input.
// Header-only and stateless (nothing made or freed): it serves the tree
// handle's tag, which every module of a process computes on its own.
#ifndef BOXGRAPH_KEYED_HASH_H
#define BOXGRAPH_KEYED_HASH_H

#include <stddef.h>
#include <stdint.h>

namespace keyedhash {

namespace detail {

inline uint64_t rotate(uint64_t x, int by)
{
    return (x << by) | (x >> (64 - by));
}

// The little-endian 64-bit number in bytes[0..count), count <= 8.
inline uint64_t littleEndian(const uint8_t* bytes, size_t count)
{
    uint64_t value = 0;
    for (size_t k = count; k > 0; --k)
        value = (value << 8) | bytes[k - 1];
    return value;
}

struct State {
    uint64_t v0, v1, v2, v3;

    void round()
    {
        v0 += v1; v1 = rotate(v1, 13); v1 ^= v0; v0 = rotate(v0, 32);
        v2 += v3; v3 = rotate(v3, 16); v3 ^= v2;
        v0 += v3; v3 = rotate(v3, 21); v3 ^= v0;
        v2 += v1; v1 = rotate(v1, 17); v1 ^= v2; v2 = rotate(v2, 32);
    }

    void absorb(uint64_t m)
    {
        v3 ^= m;
        round();
        round();
        v0 ^= m;
    }
};

}  // namespace detail

// SipHash-2-4 of data[0..size) under the 16-byte key. O(size).
inline uint64_t sipHash24(const uint8_t key[16], const void* data, size_t size)
{
    const uint8_t* in = static_cast<const uint8_t*>(data);
    const uint64_t k0 = detail::littleEndian(key, 8), k1 = detail::littleEndian(key + 8, 8);
    detail::State s{k0 ^ 0x736f6d6570736575ULL, k1 ^ 0x646f72616e646f6dULL, k0 ^ 0x6c7967656e657261ULL,
                    k1 ^ 0x7465646279746573ULL};
    const size_t whole = size - size % 8;
    for (size_t at = 0; at < whole; at += 8)
        s.absorb(detail::littleEndian(in + at, 8));
    // the last 0 to 7 bytes, with the length's low byte on top
    s.absorb(detail::littleEndian(in + whole, size % 8) | (static_cast<uint64_t>(size & 0xff) << 56));
    s.v2 ^= 0xff;
    for (int k = 0; k < 4; ++k)
        s.round();
    return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace keyedhash

#endif
