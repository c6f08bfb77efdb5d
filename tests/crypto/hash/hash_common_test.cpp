// What every digest and checksum of the library shares: any split of the
// data into Update calls gives the same digest (XOR-32 excepted, see its
// test), empty and negative Updates change nothing, and the digest sizes.
#include <gtest/gtest.h>

#include "crypto/hash/THash_CRC16_CCITT.h"
#include "crypto/hash/THash_CRC32.h"
#include "crypto/hash/THash_Haval256.h"
#include "crypto/hash/THash_MD4.h"
#include "crypto/hash/THash_MD5.h"
#include "crypto/hash/THash_RipeMD128.h"
#include "crypto/hash/THash_RipeMD160.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/hash/THash_RipeMD320.h"
#include "crypto/hash/THash_SHA.h"
#include "crypto/hash/THash_SHA1.h"
#include "crypto/hash/THash_Sapphire320.h"
#include "crypto/hash/THash_Snefru.h"
#include "crypto/hash/THash_Square.h"
#include "crypto/hash/THash_Tiger.h"
#include "crypto/hash/THash_XOR16.h"
#include "crypto/hash/THash_XOR32.h"
#include "crypto/hash/Thash_CRC16_Standard.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

struct ClassAndSize {
  THashClass (*Class)();
  int DigestSize;
};

const ClassAndSize kSplitInvariant[] = {
    {THash_MD4::StaticClass, 16},         {THash_MD5::StaticClass, 16},
    {THash_SHA::StaticClass, 20},         {THash_SHA1::StaticClass, 20},
    {THash_RipeMD128::StaticClass, 16},   {THash_RipeMD160::StaticClass, 20},
    {THash_RipeMD256::StaticClass, 32},   {THash_RipeMD320::StaticClass, 40},
    {THash_Tiger::StaticClass, 24},       {THash_Haval256::StaticClass, 32},
    {THash_Haval224::StaticClass, 28},    {THash_Haval192::StaticClass, 24},
    {THash_Haval160::StaticClass, 20},    {THash_Haval128::StaticClass, 16},
    {THash_Snefru::StaticClass, 32},      {THash_Sapphire320::StaticClass, 40},
    {THash_Sapphire288::StaticClass, 36}, {THash_Sapphire256::StaticClass, 32},
    {THash_Sapphire224::StaticClass, 28}, {THash_Sapphire192::StaticClass, 24},
    {THash_Sapphire160::StaticClass, 20}, {THash_Sapphire128::StaticClass, 16},
    {THash_Square::StaticClass, 16},      {THash_XOR16::StaticClass, 2},
    {THash_CRC16_CCITT::StaticClass, 2},  {Thash_CRC16_Standard::StaticClass, 2},
    {THash_CRC32::StaticClass, 4},
};

TEST(HashCommonTest, DigestSizes) {
  for (const ClassAndSize& c : kSplitInvariant) {
    EXPECT_EQ(c.Class()->DigestSize, c.DigestSize) << c.Class()->Name;
    EXPECT_EQ(c.Class()->Create()->DigestSize(), c.DigestSize) << c.Class()->Name;
  }
  EXPECT_EQ(THash_XOR32::StaticClass()->DigestSize, 4);
}

TEST(HashCommonTest, AnySplitGivesTheSameDigest) {
  std::mt19937 rng(1234);
  // Lengths around every block size in use (16, 32, 64, 128) and the
  // padding limits inside them (8, 24, 56, 118).
  for (const ClassAndSize& c : kSplitInvariant) {
    for (size_t n : {0u,  1u,  7u,  8u,  15u,  16u,  17u,  23u,  24u,  31u,  32u,  33u,  55u,
                     56u, 63u, 64u, 65u, 117u, 118u, 127u, 128u, 129u, 245u, 246u, 256u, 1000u}) {
      const Bytes data = Random(rng, n);
      const Bytes whole = DigestOf(c.Class(), data);
      EXPECT_EQ(DigestInPieces(c.Class(), data, rng, 1), whole) << c.Class()->Name << " " << n;
      EXPECT_EQ(DigestInPieces(c.Class(), data, rng, 70), whole) << c.Class()->Name << " " << n;
      EXPECT_EQ(DigestInPieces(c.Class(), data, rng, 300), whole) << c.Class()->Name << " " << n;
    }
  }
}

TEST(HashCommonTest, EmptyAndNegativeUpdatesChangeNothing) {
  const uint8_t byte = 0x5A;
  for (const ClassAndSize& c : kSplitInvariant) {
    TProtectionRef<THash> h = c.Class()->Create();
    h->Reset();
    h->Update("abc", 3);
    h->Update(&byte, 0);
    h->Update(&byte, -5);
    h->Update(nullptr, 0);
    h->Finish();
    EXPECT_EQ(Digest(*h), DigestOf(c.Class(), "abc", 3)) << c.Class()->Name;
  }
}

TEST(HashCommonTest, ResetStartsOver) {
  for (const ClassAndSize& c : kSplitInvariant) {
    TProtectionRef<THash> h = c.Class()->Create();
    h->Reset();
    h->Update("something else", 14);
    h->Finish();
    h->Reset();
    h->Update("abc", 3);
    h->Finish();
    EXPECT_EQ(Digest(*h), DigestOf(c.Class(), "abc", 3)) << c.Class()->Name;
  }
}

TEST(HashCommonTest, DestroyingAHashZeroesItsDigest) {
  // The digest lives inside the object, so look at it through a subclass
  // that keeps a copy of what BeforeDestruction left there.
  struct TWatched : THash_RipeMD256 {
    Bytes* Seen;
    explicit TWatched(Bytes* s) : Seen(s) {}
    ~TWatched() override { *Seen = Bytes(GetDigest(), GetDigest() + DigestSize()); }
  };
  Bytes seen;
  auto* h = new TWatched(&seen);
  h->Reset();
  h->Update("abc", 3);
  h->Finish();
  h->Free();
  EXPECT_EQ(seen, Bytes(32, 0));
}

}  // namespace
