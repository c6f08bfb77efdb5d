// HAVAL: the published digests for 3, 4 and 5 passes in every size, the
// number of passes each class takes. The trailer's move to an extra block
// (tails of 118 bytes and more) is checked against a peer in the interop tests.
#include <gtest/gtest.h>

#include "crypto/hash/THash_Haval256.h"
#include "tests/crypto/hash/HashTestKit.h"

using namespace hash_test;

namespace {

std::string HavalDigest(THashClass Class, int Passes, const std::string& Text) {
  TProtectionRef<THash> h = Class->Create();
  static_cast<THash_Haval256&>(*h).SetRounds(Passes);
  h->Reset();
  h->Update(Text.data(), static_cast<int64_t>(Text.size()));
  h->Finish();
  return ToHex(Digest(*h));
}

struct Published {
  THashClass (*Class)();
  int Passes;
  const char* Message;
  const char* Digest;
};

// The designers' certification values.
const Published kPublished[] = {
    {THash_Haval128::StaticClass, 3, "", "c68f39913f901f3ddf44c707357a7d70"},
    {THash_Haval128::StaticClass, 3, "a", "0cd40739683e15f01ca5dbceef4059f1"},
    {THash_Haval160::StaticClass, 3, "a", "4da08f514a7275dbc4cece4a347385983983a830"},
    {THash_Haval192::StaticClass, 4, "HAVAL", "0c1396d7772689c46773f3daaca4efa982adbfb2f1467eea"},
    {THash_Haval224::StaticClass, 4, "0123456789",
     "bebd7816f09baeecf8903b1b9bc672d9fa428e462ba699f814841529"},
    {THash_Haval256::StaticClass, 5, "abcdefghijklmnopqrstuvwxyz",
     "c9c7d8afa159fd9e965cb83ff5ee6f58aeda352c0eff005548153a61551c38ee"},
    {THash_Haval256::StaticClass, 5,
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "b45cb6e62f2b1320e4f8f1b0b273d45add47c321fd23999dcf403ac37636d963"},
    {THash_Haval256::StaticClass, 3, "",
     "4f6938531f0bc8991f62da7bbd6f7de3fad44562b8c6f4ebf146d5b4e46f7c17"},
    {THash_Haval256::StaticClass, 4, "",
     "c92b2e23091e80e375dadce26982482d197b1a2521be82da819f8ca2c579b99b"},
    {THash_Haval256::StaticClass, 5, "",
     "be417bb4dd5cfb76c7126f4f8eeb1553a449039307b1a3cd451dbfdc0fbbe330"},
    {THash_Haval224::StaticClass, 4, "",
     "3e56243275b3b81561750550e36fcd676ad2f5dd9e15f2e89e6ed78e"},
    {THash_Haval224::StaticClass, 5, "",
     "4a0513c032754f5582a758d35917ac9adf3854219b39e3ac77d1837e"},
    {THash_Haval192::StaticClass, 4, "", "4a8372945afa55c7dead800311272523ca19d42ea47b72da"},
    {THash_Haval192::StaticClass, 5, "", "4839d0626f95935e17ee2fc4509387bbe2cc46cb382ffe85"},
    {THash_Haval160::StaticClass, 3, "", "d353c3ae22a25401d257643836d7231a9a95f953"},
    {THash_Haval160::StaticClass, 4, "", "1d33aae1be4146dbaaca0b6e70d7a11f10801525"},
    {THash_Haval160::StaticClass, 5, "", "255158cfc1eed1a7be7c55ddd64d9790415b933b"},
    {THash_Haval128::StaticClass, 4, "", "ee6bbf4d6a46a679b3a856c88538bb98"},
    {THash_Haval128::StaticClass, 5, "", "184b8482a0c050dca54b59c7f05bf5dd"},
};

TEST(HavalTest, PublishedDigests) {
  for (const Published& p : kPublished)
    EXPECT_EQ(HavalDigest(p.Class(), p.Passes, p.Message), p.Digest)
        << p.Class()->Name << "/" << p.Passes << " of \"" << p.Message << "\"";
}

TEST(HavalTest, PassesFollowTheDigestSize) {
  const struct {
    THashClass (*Class)();
    int Passes;
  } expected[] = {{THash_Haval256::StaticClass, 5},
                  {THash_Haval224::StaticClass, 4},
                  {THash_Haval192::StaticClass, 4},
                  {THash_Haval160::StaticClass, 3},
                  {THash_Haval128::StaticClass, 3}};
  for (const auto& e : expected) {
    TProtectionRef<THash> h = e.Class()->Create();
    h->Reset();
    auto& haval = static_cast<THash_Haval256&>(*h);
    EXPECT_EQ(haval.Rounds(), e.Passes) << e.Class()->Name;
    EXPECT_EQ(HexDigestOf(e.Class(), "abc"), HavalDigest(e.Class(), e.Passes, "abc"));
    // A value outside 3 to 5 falls back to the size's own number.
    haval.SetRounds(9);
    h->Reset();
    EXPECT_EQ(haval.Rounds(), e.Passes) << e.Class()->Name;
  }
}

}  // namespace
