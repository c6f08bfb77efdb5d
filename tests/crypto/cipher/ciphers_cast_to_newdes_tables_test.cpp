// The constant tables of CAST, RC2, MARS, Skipjack, MISTY1, DES, DESX and
// NewDES: a digest of each against the digest of the source data, and the
// values the algorithm descriptions print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "crypto/cipher/CastTables.h"
#include "crypto/cipher/DESTables.h"
#include "crypto/cipher/DESXTables.h"
#include "crypto/cipher/MarsTables.h"
#include "crypto/cipher/MistyTables.h"
#include "crypto/cipher/NewDESTables.h"
#include "crypto/cipher/RC2Tables.h"
#include "crypto/cipher/SkipjackTables.h"

namespace {

// FNV-1a (64 bits) over the values, each as Width little-endian bytes.
template <typename T>
uint64_t Digest(const T* values, size_t count) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (size_t i = 0; i < count; ++i)
    for (size_t b = 0; b < sizeof(T); ++b) {
      h ^= (static_cast<uint64_t>(values[i]) >> (8 * b)) & 0xFF;
      h *= 0x100000001b3ull;
    }
  return h;
}

template <typename T, size_t N>
bool IsPermutation(const T (&t)[N]) {
  std::set<T> seen(std::begin(t), std::end(t));
  return seen.size() == N && *seen.begin() == 0 && *seen.rbegin() == N - 1;
}

}  // namespace

TEST(CipherBTables, DigestsMatchTheSourceData) {
  struct Case {
    const char* name;
    uint64_t actual, expected;
  } cases[] = {
      {"Cast_SBox", Digest(&Cast_SBox[0][0], 8 * 256), 0xe35234994e4ebd91ull},
      {"RC2_PiTable", Digest(RC2_PiTable, 256), 0x790d8dd87c267f6full},
      {"Mars_SBox", Digest(Mars_SBox, 512), 0x372c90e3e8362669ull},
      {"Skipjack_F", Digest(Skipjack_F, 256), 0x86766b3d8a6d84cdull},
      {"Misty_S7", Digest(Misty_S7, 128), 0x00d7d5311884429dull},
      {"Misty_S9", Digest(Misty_S9, 512), 0xa79dbfd5a83f7185ull},
      {"NewDES_F", Digest(NewDES_F, 256), 0x925fe206b4b79947ull},
      {"DES_IP", Digest(DES_IP, 64), 0x71a346c1fdbb80e5ull},
      {"DES_FP", Digest(DES_FP, 64), 0xa78f58bcfe239505ull},
      {"DES_E", Digest(DES_E, 48), 0x92c47be228901875ull},
      {"DES_P", Digest(DES_P, 32), 0x89fafbd5f30d7043ull},
      {"DES_PC1", Digest(DES_PC1, 56), 0x7661555f0a6742e5ull},
      {"DES_PC2", Digest(DES_PC2, 48), 0x3c9265a6d37ea6f3ull},
      {"DES_Shifts", Digest(DES_Shifts, 16), 0xb901489ae0f7f59dull},
      {"DES_SBox", Digest(&DES_SBox[0][0], 8 * 64), 0x7776df83dd81e633ull},
      {"DESX_P", Digest(DESX_P, 256), 0x93ce05fb76b72ba5ull},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(CipherBTables, PrintedValues) {
  EXPECT_EQ(Mars_SBox[0], 0x09D0C479u);
  const uint8_t newdes[16] = {32,  137, 239, 188, 102, 125, 221, 72,
                              212, 68,  81,  37,  86,  237, 147, 149};
  EXPECT_TRUE(std::equal(newdes, newdes + 16, NewDES_F));
  // The DESX table's first and last rows.
  const uint8_t first[16] = {0xBD, 0x56, 0xEA, 0xF2, 0xA2, 0xF1, 0xAC, 0x2A,
                             0xB0, 0x93, 0xD1, 0x9C, 0x1B, 0x33, 0xFD, 0xD0};
  const uint8_t last[16] = {0xA7, 0x1C, 0xC9, 0x09, 0x69, 0x9A, 0x83, 0xCF,
                            0x29, 0x39, 0xB9, 0xE9, 0x4C, 0xFF, 0x43, 0xAB};
  EXPECT_TRUE(std::equal(first, first + 16, DESX_P));
  EXPECT_TRUE(std::equal(last, last + 16, DESX_P + 240));
  EXPECT_EQ(Cast_SBox[0][0], 0x30FB40D4u);
  EXPECT_EQ(RC2_PiTable[0], 0xD9);
  EXPECT_EQ(Skipjack_F[0], 0xA3);
}

TEST(CipherBTables, PermutationsArePermutations) {
  EXPECT_TRUE(IsPermutation(RC2_PiTable));
  EXPECT_TRUE(IsPermutation(Skipjack_F));
  EXPECT_TRUE(IsPermutation(Misty_S7));
  EXPECT_TRUE(IsPermutation(Misty_S9));
  EXPECT_TRUE(IsPermutation(NewDES_F));
  EXPECT_TRUE(IsPermutation(DESX_P));
  // IP and FP are inverse permutations of the 64 bit numbers.
  for (int i = 0; i < 64; ++i) EXPECT_EQ(DES_FP[DES_IP[i] - 1], i + 1);
}

// The DES round function takes each 6-bit group of E(R) as a window of six
// neighbouring bits of R, wrapping round at the ends.
TEST(CipherBTables, DESExpansionIsTheSlidingWindowTheRoundsAssume) {
  for (int group = 0; group < 8; ++group)
    for (int j = 0; j < 6; ++j) EXPECT_EQ(DES_E[6 * group + j], (4 * group + j + 31) % 32 + 1);
}
