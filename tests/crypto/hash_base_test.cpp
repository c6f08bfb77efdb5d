// THash through the protection chain, TMAC, DigestOfString and the hash
// registry, with the toy hash of the tests.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/THash.h"
#include "crypto/TStringFormat.h"
#include "tests/crypto/CryptoTestUtil.h"
#include "tests/crypto/TestAlgorithms.h"

using crypto_test::RandomBytes;

namespace {

std::string Digest(const std::string& data) {
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
  h->Reset();
  h->Update(data.data(), static_cast<int64_t>(data.size()));
  h->Finish();
  return std::string(reinterpret_cast<const char*>(h->GetDigest()), 16);
}

class TCounter : public TProtection {
 public:
  using TProtection::TProtection;
  int Chunks = 0;
  bool* Destroyed = nullptr;
  ~TCounter() override {
    if (Destroyed) *Destroyed = true;
  }
  void ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) override {
    ++Chunks;
    uint8_t* p = static_cast<uint8_t*>(Buffer);
    for (int64_t i = 0; i < Size; ++i) p[i] ^= 0xFF;
  }
};

}  // namespace

TEST(HashBase, CalculateLeavesTheDigestOfTheData) {
  const std::string data = RandomBytes(10000, 1);
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
  std::string copy = data;
  h->ProcessBuffer(copy.data(), static_cast<int64_t>(copy.size()), caCalculate);
  EXPECT_EQ(copy, data);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(h->GetDigest()), 16), Digest(data));
  EXPECT_EQ(h->DigestSize(), 16);
  EXPECT_EQ(THash_Toy::StaticClass()->DigestSize, 16);
}

TEST(HashBase, EncodeIsAKeystreamOfChainedDigests) {
  // 40 bytes with a 16-byte digest: three digests, the last used for 8 bytes.
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
  const std::string plain = RandomBytes(40, 2);
  std::string data = plain;
  h->ProcessBuffer(data.data(), 40, caEncode);
  TProtectionRef<THash> m = THash_Toy::StaticClass()->Create();
  m->Reset();
  std::string stream;
  for (int i = 0; i < 3; ++i) {
    std::string current(reinterpret_cast<const char*>(m->GetDigest()), 16);
    m->Update(current.data(), 16);
    m->Finish();
    stream.append(reinterpret_cast<const char*>(m->GetDigest()), 16);
  }
  for (int i = 0; i < 40; ++i) EXPECT_EQ(static_cast<char>(plain[i] ^ stream[i]), data[i]) << i;
  h->ProcessBuffer(data.data(), 40, caDecode);
  EXPECT_EQ(data, plain);
}

TEST(HashBase, ScrambleReplacesPiecesByRunningDigests) {
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
  std::string data = "short";
  h->ProcessBuffer(data.data(), 5, caScramble);
  EXPECT_EQ(data, Digest("short").substr(0, 5));
  // Longer data: each piece's digest covers everything absorbed so far.
  const std::string plain = RandomBytes(20, 3);
  std::string d2 = plain;
  h->ProcessBuffer(d2.data(), 20, caScramble);
  EXPECT_EQ(d2.substr(0, 16), Digest(plain.substr(0, 16)));
  std::string wiped = plain;
  h->ProcessBuffer(wiped.data(), 20, caWipe);
  EXPECT_NE(wiped, plain);
}

TEST(HashBase, BeforeDestructionZeroesTheDigest) {
  auto* h = new THash_Toy;
  h->Reset();
  h->Update("x", 1);
  h->Finish();
  h->BeforeDestruction();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(h->GetDigest()[i], 0);
  h->Free();
}

TEST(HashBase, AChainedObjectCodesTheFinishedDigest) {
  auto* counter = new TCounter;
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create(counter);
  h->Reset();
  h->Update("abc", 3);
  h->Finish();
  std::string d(reinterpret_cast<const char*>(h->GetDigest()), 16);
  std::string plain = Digest("abc");
  for (char& c : plain) c = static_cast<char>(c ^ 0xFF);
  EXPECT_EQ(d, plain);
}

TEST(HashBase, DigestOfStringLeavesTheCallersObjectAlone) {
  EXPECT_EQ(THash_Toy::StaticClass()->DigestOfString("abc", nullptr, fmtCOPY), Digest("abc"));
  EXPECT_EQ(THash_Toy::StaticClass()->DigestOfString("abc", nullptr, fmtHEX),
            BinaryToFormat(Digest("abc"), fmtHEX));
  // An object with no references used to be freed with the temporary hash.
  bool destroyed = false;
  auto* counter = new TCounter;
  counter->Destroyed = &destroyed;
  const std::string d = THash_Toy::StaticClass()->DigestOfString("abc", counter, fmtCOPY);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(counter->RefCount(), 0);
  EXPECT_EQ(counter->Chunks, 1);
  counter->Free();
  EXPECT_TRUE(destroyed);
}

TEST(HashBase, MacKeysTheHashWithItsPassPhrase) {
  const std::string plain = Digest("message");
  auto* mac = new TMAC;
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create(mac);
  auto digestWith = [&]() {
    h->Reset();
    h->Update("message", 7);
    h->Finish();
    return std::string(reinterpret_cast<const char*>(h->GetDigest()), 16);
  };
  EXPECT_EQ(digestWith(), plain);  // no pass phrase: nothing changes
  mac->SetPassPhrase("key");
  const std::string keyed = digestWith();
  EXPECT_NE(keyed, plain);
  EXPECT_EQ(digestWith(), keyed);
  mac->SetPassPhrase("other key");
  EXPECT_NE(digestWith(), keyed);
}

TEST(HashRegistry, RegisterAndFind) {
  ASSERT_TRUE(RegisterHashClass(THash_Toy::StaticClass(), "Toy Digest", "Hash"));
  EXPECT_EQ(FindHashClass("toy"), THash_Toy::StaticClass());
  EXPECT_EQ(FindHashClass("THash_Toy"), THash_Toy::StaticClass());
  EXPECT_EQ(FindHashClass("TOY DIGEST"), THash_Toy::StaticClass());
  EXPECT_EQ(FindHashClass("Toy_Digest"), nullptr);  // "Digest" matches nothing
  EXPECT_EQ(HashClassDisplayName(THash_Toy::StaticClass()), "Toy Digest");
  EXPECT_EQ(HashClassDisplayName(TChecksum::StaticClass()), "TChecksum");  // not registered: the short class name
}
