// RC4, Sapphire II, Diamond II, Diamond II Lite and FROG in every mode:
// data of the lengths around the block and the 4096-byte pieces come back
// from encoding and decoding, through buffers and through streams.
#include <gtest/gtest.h>

#include "crypto/THash.h"
#include "crypto/cipher/TCipher_Diamond2.h"
#include "crypto/cipher/TCipher_FROG.h"
#include "crypto/cipher/TCipher_RC4.h"
#include "crypto/cipher/TCipher_Sapphire.h"
#include "rtl/TStream.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

TCipherClass Classes(int i) {
  const TCipherClass all[] = {TCipher_RC4::StaticClass(), TCipher_Sapphire::StaticClass(),
                              TCipher_Diamond2::StaticClass(), TCipher_Diamond2Lite::StaticClass(),
                              TCipher_FROG::StaticClass()};
  return i < 5 ? all[i] : nullptr;
}

TEST(StreamModesTest, EveryModeRoundTrips) {
  std::mt19937 rng(21);
  for (int ci = 0; TCipherClass cls = Classes(ci); ++ci) {
    TProtectionRef<TCipher> c = cls->Create();
    c->InitKey("pass phrase " + std::to_string(ci));
    const size_t b = static_cast<size_t>(cls->BlockSize);
    for (TCipherMode mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
      c->SetMode(mode);
      for (size_t n :
           {size_t{0}, size_t{1}, b - 1, b, b + 1, size_t{4095}, size_t{4096}, size_t{4097}}) {
        const Bytes plain = Random(rng, n);
        const Bytes coded = Coded(*c, plain, caEncode);
        if (n >= 2) EXPECT_NE(coded, plain) << cls->Name << " mode " << int(mode) << " " << n;
        EXPECT_EQ(Coded(*c, coded, caDecode), plain)
            << cls->Name << " mode " << int(mode) << " " << n;
      }
    }
  }
}

TEST(StreamModesTest, StreamsOfAFewMegabytesRoundTrip) {
  std::mt19937 rng(22);
  const Bytes plain = Random(rng, 2 * 1024 * 1024 + 123);
  for (int ci = 0; TCipherClass cls = Classes(ci); ++ci) {
    TProtectionRef<TCipher> c = cls->Create();
    c->InitKey("a few megabytes");
    TMemoryStream s;
    s.WriteBuffer(plain.data(), static_cast<int64_t>(plain.size()));
    c->ProcessStream(&s, nullptr, -1, caEncode);
    Bytes coded(plain.size());
    s.SetPosition(0);
    s.ReadBuffer(coded.data(), static_cast<int64_t>(coded.size()));
    EXPECT_NE(coded, plain) << cls->Name;
    // The same result as coding the whole buffer in one call: the pieces of
    // 4096 bytes are whole blocks for all of these block sizes.
    EXPECT_EQ(Coded(*c, plain, caEncode), coded) << cls->Name;
    c->ProcessStream(&s, nullptr, -1, caDecode);
    Bytes back(plain.size());
    s.SetPosition(0);
    s.ReadBuffer(back.data(), static_cast<int64_t>(back.size()));
    EXPECT_EQ(back, plain) << cls->Name;
  }
}

TEST(StreamModesTest, PassPhraseKeysAreTheDefaultDigestCutToTheKeySize) {
  // Each of these classes takes all 32 bytes of the RIPEMD-256 digest.
  for (int ci = 0; TCipherClass cls = Classes(ci); ++ci) {
    TProtectionRef<TCipher> byPhrase = cls->Create();
    byPhrase->InitKey("secret");
    TProtectionRef<THash> h = byPhrase->GetHashObject()->HashClassType()->Create();
    h->Reset();
    h->Update("secret", 6);
    h->Finish();
    ASSERT_EQ(h->DigestSize(), 32);
    auto byKey = Keyed(cls, Bytes(h->GetDigest(), h->GetDigest() + 32));
    const Bytes plain(100, 0x33);
    EXPECT_EQ(Coded(*byPhrase, plain, caEncode), Coded(*byKey, plain, caEncode)) << cls->Name;
  }
}

}  // namespace
