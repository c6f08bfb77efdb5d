// MD4, MD5, SHA, SHA-1, RIPEMD-128/160/256/320 and Tiger: published digests,
// padding at the block boundary and the 64-bit length.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/hash/THash_MD4.h"
#include "crypto/hash/THash_MD5.h"
#include "crypto/hash/THash_RipeMD128.h"
#include "crypto/hash/THash_RipeMD160.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/hash/THash_RipeMD320.h"
#include "crypto/hash/THash_SHA.h"
#include "crypto/hash/THash_SHA1.h"
#include "crypto/hash/THash_Tiger.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

struct KnownAnswer {
  THashClass (*Class)();
  const char* Message;
  const char* Digest;
};

const char* const k56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";

const KnownAnswer kAnswers[] = {
    {THash_MD4::StaticClass, "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
    {THash_MD4::StaticClass, "abc", "a448017aaf21d8525fc10ae87aa6729d"},
    {THash_MD4::StaticClass, "message digest", "d9130a8164549fe818874806e1c7014b"},
    {THash_MD5::StaticClass, "", "d41d8cd98f00b204e9800998ecf8427e"},
    {THash_MD5::StaticClass, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {THash_MD5::StaticClass, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    // SHA as first published, without the rotation in the expansion.
    {THash_SHA::StaticClass, "", "f96cea198ad1dd5617ac084a3d92c6107708c0ef"},
    {THash_SHA::StaticClass, "abc", "0164b8a914cd2a5e74c4f7ff082c4d97f1edf880"},
    {THash_SHA::StaticClass, k56, "d2516ee1acfa5baf33dfc1c471e438449ef134c8"},
    {THash_SHA1::StaticClass, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {THash_SHA1::StaticClass, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {THash_SHA1::StaticClass, k56, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {THash_RipeMD128::StaticClass, "", "cdf26213a150dc3ecb610f18f6b38b46"},
    {THash_RipeMD128::StaticClass, "abc", "c14a12199c66e4ba84636b0f69144c77"},
    {THash_RipeMD160::StaticClass, "", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {THash_RipeMD160::StaticClass, "abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {THash_RipeMD160::StaticClass, k56, "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
    {THash_RipeMD256::StaticClass, "",
     "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d"},
    {THash_RipeMD256::StaticClass, "abc",
     "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65"},
    {THash_RipeMD256::StaticClass, k56,
     "3843045583aac6c8c8d9128573e7a9809afb2a0f34ccc36ea9e72f16f6368e3f"},
    {THash_RipeMD320::StaticClass, "",
     "22d65d5661536cdc75c1fdf5c6de7b41b9f27325ebc61e8557177d705a0ec880151c3a32a00899b8"},
    {THash_RipeMD320::StaticClass, "abc",
     "de4c01b3054f8930a79d09ae738e92301e5a17085beffdc1b8d116713e74f82fa942d64cdbc4682d"},
    {THash_Tiger::StaticClass, "", "3293ac630c13f0245f92bbb1766e16167a4e58492dde73f3"},
    {THash_Tiger::StaticClass, "abc", "2aab1484e8c158f2bfb8c5ff41b57a525129131c957b5f93"},
    // Tiger's S-box generator string, 64 bytes: the padding takes a block.
    {THash_Tiger::StaticClass, "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham",
     "8a866829040a410c729ad23f5ada711603b3cdd357e4c15e"},
};

TEST(Md4FamilyTest, PublishedDigests) {
  for (const KnownAnswer& a : kAnswers)
    EXPECT_EQ(HexDigestOf(a.Class(), a.Message), a.Digest)
        << a.Class()->Name << " of \"" << a.Message << "\"";
}

TEST(Md4FamilyTest, DigestSizes) {
  EXPECT_EQ(THash_MD4::StaticClass()->DigestSize, 16);
  EXPECT_EQ(THash_MD5::StaticClass()->DigestSize, 16);
  EXPECT_EQ(THash_RipeMD128::StaticClass()->DigestSize, 16);
  EXPECT_EQ(THash_RipeMD160::StaticClass()->DigestSize, 20);
  EXPECT_EQ(THash_RipeMD256::StaticClass()->DigestSize, 32);
  EXPECT_EQ(THash_RipeMD320::StaticClass()->DigestSize, 40);
  EXPECT_EQ(THash_SHA::StaticClass()->DigestSize, 20);
  EXPECT_EQ(THash_SHA1::StaticClass()->DigestSize, 20);
  EXPECT_EQ(THash_Tiger::StaticClass()->DigestSize, 24);
  // SHA descends from RIPEMD-160, SHA-1 from SHA.
  EXPECT_TRUE(THash_SHA1::StaticClass()->InheritsFrom(THash_SHA::StaticClass()));
  EXPECT_TRUE(THash_SHA::StaticClass()->InheritsFrom(THash_RipeMD160::StaticClass()));
}

// Records the blocks handed to the compression, and lets a test set the
// byte counter as if that much had gone before.
class TRecordingMD5 : public THash_MD5 {
 public:
  std::vector<Bytes> Blocks;
  void SetCount(uint64_t v) { Count = v; }

 protected:
  void CompressBlock(const void* Block) override {
    const uint8_t* b = static_cast<const uint8_t*>(Block);
    Blocks.emplace_back(b, b + 64);
    THash_MD5::CompressBlock(Block);
  }
};

TEST(Md4FamilyTest, PaddingSpillsIntoAnExtraBlockFrom56BytesOfTail) {
  for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u}) {
    TRecordingMD5 h;
    h.Reset();
    const Bytes data(n, 0x61);
    h.Update(data.data(), static_cast<int64_t>(n));
    h.Finish();
    const size_t tail = n % 64;
    EXPECT_EQ(h.Blocks.size(), n / 64 + (tail >= 56 ? 2 : 1)) << n;
    const Bytes& last = h.Blocks.back();
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | last[56 + i];
    EXPECT_EQ(bits, n * 8) << n;
    const Bytes& padded = h.Blocks[n / 64];
    EXPECT_EQ(padded[tail], 0x80) << n;
  }
}

TEST(Md4FamilyTest, LengthFieldIsSixtyFourBitsBeyondFourGigabits) {
  // A message of 2^29 + 3 bytes would wrap a 32-bit bit count to 24.
  TRecordingMD5 h;
  h.Reset();
  h.SetCount(uint64_t{1} << 29);  // as if 512 MiB had gone before
  h.Update("abc", 3);
  h.Finish();
  const Bytes& last = h.Blocks.back();
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | last[56 + i];
  EXPECT_EQ(bits, ((uint64_t{1} << 29) + 3) * 8);
  EXPECT_EQ(last[60], 1);  // bit 32 of the length
}

TEST(Md4FamilyTest, ShaDiffersFromSha1OnlyByTheRotation) {
  const std::string sha = HexDigestOf(THash_SHA::StaticClass(), "abc");
  const std::string sha1 = HexDigestOf(THash_SHA1::StaticClass(), "abc");
  EXPECT_NE(sha, sha1);
  // A SHA-1 object keeps rotating after any number of resets.
  TProtectionRef<THash> h = THash_SHA1::StaticClass()->Create();
  for (int i = 0; i < 3; ++i) {
    h->Reset();
    h->Update("abc", 3);
    h->Finish();
    EXPECT_EQ(ToHex(Digest(*h)), sha1);
  }
}

TEST(Md4FamilyTest, TigerPassesAreNormalisedToThree) {
  const Bytes three = DigestOf(THash_Tiger::StaticClass(), "abc", 3);
  for (int rounds : {0, 2, 33, -1}) {
    THash_Tiger h;
    h.SetRounds(rounds);
    h.Reset();
    EXPECT_EQ(h.Rounds(), 3);
    h.Update("abc", 3);
    h.Finish();
    EXPECT_EQ(Digest(h), three);
  }
  THash_Tiger four;
  four.SetRounds(4);
  four.Reset();
  four.Update("abc", 3);
  four.Finish();
  EXPECT_EQ(four.Rounds(), 4);
  EXPECT_NE(Digest(four), three);
}

TEST(Md4FamilyTest, DigestAddressIsTheStateBeforeAndAfterFinish) {
  THash_RipeMD160 h;
  h.Reset();
  uint8_t* before = h.GetDigest();
  h.Update("abc", 3);
  h.Finish();
  EXPECT_EQ(h.GetDigest(), before);
}

}  // namespace

namespace {

TEST(Md4FamilyTest, Sha1WithAndWithoutTheProcessorsShaInstructions) {
  // Where the processor has them both ways run; elsewhere both are the
  // portable code and the test holds trivially.
  const bool saved = THash_SHA::UseShaInstructions;
  std::mt19937 rng(77);
  for (size_t n : {0u, 3u, 55u, 56u, 64u, 100u, 1000u, 4097u}) {
    const Bytes m = Random(rng, n);
    THash_SHA::UseShaInstructions = false;
    const Bytes portable = DigestOf(THash_SHA1::StaticClass(), m);
    THash_SHA::UseShaInstructions = saved;
    EXPECT_EQ(DigestOf(THash_SHA1::StaticClass(), m), portable) << n;
  }
  THash_SHA::UseShaInstructions = false;
  EXPECT_EQ(HexDigestOf(THash_SHA1::StaticClass(), "abc"),
            "a9993e364706816aba3e25717850c26c9cd0d89d");
  THash_SHA::UseShaInstructions = saved;
}

}  // namespace
