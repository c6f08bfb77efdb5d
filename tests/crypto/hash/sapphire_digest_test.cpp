// The Sapphire II digests: the library's check values and what the sizes share.
#include <gtest/gtest.h>

#include "crypto/hash/THash_Sapphire320.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

TEST(SapphireDigestTest, CheckValues) {
  EXPECT_EQ(HexDigestOf(THash_Sapphire128::StaticClass(), "abc"),
            "95f1efe49f223b5bc9db58dbb3fbc0ce");
  EXPECT_EQ(HexDigestOf(THash_Sapphire256::StaticClass(), "abc"),
            "cf95eb50c4d768ea3c9e8e856d4bc585bb6ca29088304479cecaff43e850fdd0");
}

TEST(SapphireDigestTest, SizeEntersTheDigest) {
  // The digest size is folded into the finishing bytes, so a shorter digest
  // is not a prefix of a longer one.
  const std::string d320 = HexDigestOf(THash_Sapphire320::StaticClass(), "abc");
  const std::string d288 = HexDigestOf(THash_Sapphire288::StaticClass(), "abc");
  EXPECT_EQ(d320.size(), 80u);
  EXPECT_EQ(d288.size(), 72u);
  EXPECT_NE(d320.substr(0, 72), d288);
}

TEST(SapphireDigestTest, FinishAbsorbs256BytesMoreAndUpdateGoesOnFromThere) {
  // Update after Finish continues from the finished state; doing the same
  // twice gives the same result, and it differs from a fresh digest.
  THash_Sapphire160 a, b;
  for (THash_Sapphire160* h : {&a, &b}) {
    h->Reset();
    h->Update("abc", 3);
    h->Finish();
    h->Update("abc", 3);
    h->Finish();
  }
  EXPECT_EQ(Digest(a), Digest(b));
  EXPECT_NE(ToHex(Digest(a)), HexDigestOf(THash_Sapphire160::StaticClass(), "abc"));
}

}  // namespace
