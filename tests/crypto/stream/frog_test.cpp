// FROG: the seed table, the internal key's permutations, and decryption
// inverting encryption for the shortest and longest keys.
#include <gtest/gtest.h>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/FrogSeed.h"
#include "crypto/cipher/TCipher_FROG.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

TEST(FrogTest, SeedTable) {
  // CRC-32 of the 251 bytes as published, and the first values: RAND's
  // first five-digit groups 10097, 32533, 76520, 13586 taken mod 256.
  EXPECT_EQ(~UpdateCRC32(0xFFFFFFFF, FrogRandomSeed, 251), 0x85393C53u);
  EXPECT_EQ(FrogRandomSeed[0], 10097 % 256);
  EXPECT_EQ(FrogRandomSeed[1], 32533 % 256);
  EXPECT_EQ(FrogRandomSeed[2], 76520 % 256);
  EXPECT_EQ(FrogRandomSeed[3], 13586 % 256);
  EXPECT_EQ(FrogRandomSeed[250], 0x0C);
}

TEST(FrogTest, MakePermutation) {
  // Worked by hand: idx 0+2=2 takes 2 from [0 1 2 3]; idx 2+5=7 mod 3=1
  // takes 1 from [0 1 3]; idx 1+0=1 takes 3 from [0 3]; 0 remains.
  uint8_t p[4] = {2, 5, 0, 9};
  frog::MakePermutation(p, 4);
  EXPECT_EQ(Bytes(p, p + 4), (Bytes{2, 1, 3, 0}));
}

TEST(FrogTest, InternalKeyIsMadeOfPermutationsWithOneBombCycle) {
  std::mt19937 rng(12);
  for (int trial = 0; trial < 50; ++trial) {
    Bytes enc = Random(rng, frog::kKeySize);
    Bytes dec = enc;
    frog::FormatKey(enc.data(), false);
    frog::FormatKey(dec.data(), true);
    for (int round = 0; round < 8; ++round) {
      const uint8_t* s = &enc[round * frog::kRoundSize + frog::kXorSize];
      const uint8_t* inv = &dec[round * frog::kRoundSize + frog::kXorSize];
      const uint8_t* bomb = s + frog::kSubstSize;
      bool seen[256] = {};
      for (int i = 0; i < 256; ++i) {
        ASSERT_FALSE(seen[s[i]]);
        seen[s[i]] = true;
        ASSERT_EQ(inv[s[i]], i);
      }
      for (int i = 0; i < 32; ++i) {
        ASSERT_LT(bomb[i], 32);
        ASSERT_NE(bomb[i], (i + 1) % 32) << "a place bombs its right neighbour";
      }
    }
  }
}

TEST(FrogTest, DecryptionInvertsEncryptionForShortAndLongKeys) {
  std::mt19937 rng(13);
  for (size_t n : {1u, 2u, 31u, 32u, 33u, 125u}) {
    const Bytes key = Random(rng, n);
    auto c = Keyed(TCipher_FROG::StaticClass(), key);
    for (int trial = 0; trial < 10; ++trial) {
      const Bytes plain = Random(rng, 32);
      Bytes x = plain;
      c->EncryptBlock(x.data());
      EXPECT_NE(x, plain);
      c->DecryptBlock(x.data());
      ASSERT_EQ(x, plain) << n << "-byte key";
    }
  }
}

TEST(FrogTest, KeyBytesBeyond125AreIgnoredAndEveryKeyByteCounts) {
  std::mt19937 rng(14);
  const Bytes key = Random(rng, 200);
  const Bytes plain = Random(rng, 32);
  auto whole = Keyed(TCipher_FROG::StaticClass(), key);
  auto cut = Keyed(TCipher_FROG::StaticClass(), Bytes(key.begin(), key.begin() + 125));
  Bytes x = plain, y = plain;
  whole->EncryptBlock(x.data());
  cut->EncryptBlock(y.data());
  EXPECT_EQ(x, y);
  Bytes changed(key.begin(), key.begin() + 125);
  changed[124] ^= 1;
  auto other = Keyed(TCipher_FROG::StaticClass(), changed);
  Bytes z = plain;
  other->EncryptBlock(z.data());
  EXPECT_NE(z, y);
  TProtectionRef<TCipher> c = TCipher_FROG::StaticClass()->Create();
  EXPECT_THROW(c->Init("", 0, nullptr), ECipherException);
}

}  // namespace
