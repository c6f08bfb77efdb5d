// Snefru-256: the S-boxes and the compression agree with the published
// algorithm, while the block words, the digest words and the place of the
// length are those this library has always used (stored digests rely on it).
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/THash_Snefru.h"
#include "tests/crypto/hash/HashTestKit.h"
#include "tests/crypto/hash/SnefruReference.h"

using namespace hash_test;

namespace {

TEST(SnefruTest, CompressionIsThePublishedOne) {
  // Published Snefru-256 of the empty message (Merkle's reference values).
  EXPECT_EQ(ToHex(PublishedSnefru({})),
            "8617f366566a011837f4fb4ba5bedea2b892f3ed8b894023d16ae344b2be5881");
}

TEST(SnefruTest, WordOrderAndLengthAreTheLibrarysOwn) {
  // For the empty message both forms compress one zero block, so the digest
  // is the published one with every word's bytes reversed.
  EXPECT_EQ(HexDigestOf(THash_Snefru::StaticClass(), ""),
            "66f3178618016a564bfbf437a2debea5edf392b82340898b44e36ad18158beb2");
  // With data the little-endian words and the shared last block give
  // another digest than the published algorithm.
  const Bytes abc = {'a', 'b', 'c'};
  EXPECT_NE(DigestOf(THash_Snefru::StaticClass(), abc), PublishedSnefru(abc));
}

// The library's form built from the compression: little-endian words, the
// length in the last 8 bytes of the data's own last block when it fits.
Bytes LibrarySnefru(const Bytes& data) {
  uint32_t chain[8] = {};
  uint32_t block[8];
  uint8_t buf[32];
  size_t done = 0;
  for (; done + 32 <= data.size(); done += 32) {
    for (int i = 0; i < 8; ++i) block[i] = LoadLE32(&data[done + 4 * i]);
    snefru::Compress(chain, block);
  }
  const size_t tail = data.size() - done;
  std::memset(buf, 0, sizeof buf);
  if (tail) std::memcpy(buf, &data[done], tail);
  if (tail > 23) {
    for (int i = 0; i < 8; ++i) block[i] = LoadLE32(buf + 4 * i);
    snefru::Compress(chain, block);
    std::memset(buf, 0, sizeof buf);
  }
  StoreLE64(buf + 24, uint64_t{data.size()} * 8);
  for (int i = 0; i < 8; ++i) block[i] = LoadLE32(buf + 4 * i);
  snefru::Compress(chain, block);
  Bytes out(32);
  for (int i = 0; i < 8; ++i) StoreLE32(&out[4 * i], chain[i]);
  return out;
}

TEST(SnefruTest, LengthMovesToAnExtraBlockFrom24BytesOfTail) {
  std::mt19937 rng(3);
  for (size_t n : {1u, 23u, 24u, 31u, 32u, 55u, 56u, 64u}) {
    const Bytes data = Random(rng, n);
    EXPECT_EQ(DigestOf(THash_Snefru::StaticClass(), data), LibrarySnefru(data)) << n;
  }
  // A tail of 23 bytes is one compression after the full blocks, 24 are two:
  // dropping the extra block must change the digest.
  const Bytes d24 = Random(rng, 24);
  uint32_t chain[8] = {};
  uint8_t buf[32] = {};
  std::memcpy(buf, d24.data(), 24);
  uint32_t block[8];
  for (int i = 0; i < 8; ++i) block[i] = LoadLE32(buf + 4 * i);
  snefru::Compress(chain, block);
  Bytes one(32);
  for (int i = 0; i < 8; ++i) StoreLE32(&one[4 * i], chain[i]);
  EXPECT_NE(DigestOf(THash_Snefru::StaticClass(), d24), one);
}

}  // namespace
