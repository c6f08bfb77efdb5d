// Diamond II and Diamond II Lite: round counts, decryption inverting
// encryption for every round count, and keys that are rejected.
#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_Diamond2.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

TEST(Diamond2Test, RoundCounts) {
  const struct {
    TCipherClass (*Class)();
    int Asked, Kept;
  } cases[] = {
      {TCipher_Diamond2::StaticClass, 0, 10},      {TCipher_Diamond2::StaticClass, 4, 10},
      {TCipher_Diamond2::StaticClass, 5, 5},       {TCipher_Diamond2::StaticClass, 15, 15},
      {TCipher_Diamond2::StaticClass, 20, 10},     {TCipher_Diamond2Lite::StaticClass, 3, 10},
      {TCipher_Diamond2Lite::StaticClass, 4, 4},   {TCipher_Diamond2Lite::StaticClass, 20, 20},
      {TCipher_Diamond2Lite::StaticClass, 30, 30}, {TCipher_Diamond2Lite::StaticClass, 31, 10},
  };
  for (const auto& c : cases) {
    TProtectionRef<TCipher> cipher = c.Class()->Create();
    auto& d = static_cast<TCipher_Diamond2&>(*cipher);
    d.SetRoundCount(c.Asked);
    EXPECT_EQ(d.Rounds(), c.Kept) << c.Class()->Name << " " << c.Asked;
    // Init keeps the count that was set.
    d.Init("key", 3, nullptr);
    EXPECT_EQ(d.Rounds(), c.Kept) << c.Class()->Name << " " << c.Asked;
  }
  EXPECT_EQ(TCipher_Diamond2::StaticClass()->BlockSize, 16);
  EXPECT_EQ(TCipher_Diamond2Lite::StaticClass()->BlockSize, 8);
}

TEST(Diamond2Test, DecryptionInvertsEncryptionForEveryRoundCount) {
  std::mt19937 rng(8);
  for (auto cls : {TCipher_Diamond2::StaticClass(), TCipher_Diamond2Lite::StaticClass()}) {
    const int lo = cls == TCipher_Diamond2::StaticClass() ? 5 : 4;
    const int hi = cls == TCipher_Diamond2::StaticClass() ? 15 : 30;
    for (int rounds = lo; rounds <= hi; ++rounds) {
      TProtectionRef<TCipher> c = cls->Create();
      static_cast<TCipher_Diamond2&>(*c).SetRoundCount(rounds);
      const Bytes key = Random(rng, 1 + rng() % 64);
      c->Init(key.data(), static_cast<int>(key.size()), nullptr);
      for (int trial = 0; trial < 20; ++trial) {
        const Bytes plain = Random(rng, static_cast<size_t>(cls->BlockSize));
        Bytes x = plain;
        c->EncryptBlock(x.data());
        EXPECT_NE(x, plain);
        c->DecryptBlock(x.data());
        ASSERT_EQ(x, plain) << cls->Name << " " << rounds << " rounds";
      }
    }
  }
}

TEST(Diamond2Test, EveryByteAndBitOfTheBlockSpreads) {
  // One flipped input bit changes every output byte after a full cipher.
  std::mt19937 rng(9);
  for (auto cls : {TCipher_Diamond2::StaticClass(), TCipher_Diamond2Lite::StaticClass()}) {
    auto c = Keyed(cls, Random(rng, 32));
    const int b = cls->BlockSize;
    const Bytes plain = Random(rng, static_cast<size_t>(b));
    Bytes x = plain;
    c->EncryptBlock(x.data());
    for (int bit = 0; bit < 8 * b; ++bit) {
      Bytes y = plain;
      y[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      c->EncryptBlock(y.data());
      int same = 0;
      for (int i = 0; i < b; ++i) same += x[i] == y[i];
      EXPECT_LE(same, 2) << cls->Name << " bit " << bit;
    }
  }
}

TEST(Diamond2Test, EmptyKeyRaisesAndNewKeyReplacesTheBoxes) {
  TProtectionRef<TCipher> c = TCipher_Diamond2::StaticClass()->Create();
  EXPECT_THROW(c->Init("", 0, nullptr), ECipherException);
  EXPECT_FALSE(c->Initialized());
  const Bytes block(16, 0x42);
  auto a = Keyed(TCipher_Diamond2::StaticClass(), {1, 2, 3});
  auto b = Keyed(TCipher_Diamond2::StaticClass(), {9, 9});
  b->Init("\x01\x02\x03", 3, nullptr);
  Bytes x = block, y = block;
  a->EncryptBlock(x.data());
  b->EncryptBlock(y.data());
  EXPECT_EQ(x, y);
}

}  // namespace

namespace {

TEST(Diamond2Test, TranspositionMovesBitKFromByteIPlusK) {
  std::mt19937 rng(10);
  for (int b : {8, 16}) {
    for (int trial = 0; trial < 50; ++trial) {
      const Bytes in = Random(rng, static_cast<size_t>(b));
      Bytes expected(static_cast<size_t>(b), 0);
      for (int i = 0; i < b; ++i)
        for (int k = 0; k < 8; ++k) expected[i] |= static_cast<uint8_t>(in[(i + k) % b] & (1 << k));
      Bytes x = in;
      diamond2::Permute(x.data(), b);
      ASSERT_EQ(x, expected) << b;
      diamond2::InversePermute(x.data(), b);
      ASSERT_EQ(x, in) << b;
    }
  }
}

}  // namespace

namespace {

TEST(Diamond2Test, ANewRoundCountWaitsForTheNextKey) {
  // The boxes are built for the rounds at Init; changing the count between
  // keys must neither read past them nor change the coding until Init.
  std::mt19937 rng(15);
  const Bytes key = Random(rng, 32);
  const Bytes plain = Random(rng, 16);
  auto c = Keyed(TCipher_Diamond2::StaticClass(), key);
  Bytes before = plain;
  c->EncryptBlock(before.data());
  auto& d = static_cast<TCipher_Diamond2&>(*c);
  d.SetRoundCount(15);
  EXPECT_EQ(d.Rounds(), 15);
  Bytes after = plain;
  c->EncryptBlock(after.data());
  EXPECT_EQ(after, before);
  c->DecryptBlock(after.data());
  EXPECT_EQ(after, plain);
  c->Init(key.data(), 32, nullptr);
  Bytes rekeyed = plain;
  c->EncryptBlock(rekeyed.data());
  EXPECT_NE(rekeyed, before);
}

}  // namespace
