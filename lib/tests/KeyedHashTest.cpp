// SipHash-2-4 against the values its authors publish for the key 00 01 ..
// 0f and the messages 00 01 .. (n - 1): a wrong constant, rotation or tail
// rule changes them.
#include <gtest/gtest.h>

#include <stdint.h>

#include "KeyedHash.h"

namespace {

TEST(KeyedHash, GivesThePublishedValues)
{
    uint8_t key[16], message[64];
    for (int k = 0; k < 16; ++k)
        key[k] = static_cast<uint8_t>(k);
    for (int k = 0; k < 64; ++k)
        message[k] = static_cast<uint8_t>(k);
    EXPECT_EQ(keyedhash::sipHash24(key, message, 0), 0x726fdb47dd0e0e31ULL);
    EXPECT_EQ(keyedhash::sipHash24(key, message, 15), 0xa129ca6149be45e5ULL);
    // one bit of the key or of the input changes the value
    key[15] ^= 1;
    EXPECT_NE(keyedhash::sipHash24(key, message, 15), 0xa129ca6149be45e5ULL);
    key[15] ^= 1;
    message[14] ^= 0x80;
    EXPECT_NE(keyedhash::sipHash24(key, message, 15), 0xa129ca6149be45e5ULL);
}

}  // namespace
