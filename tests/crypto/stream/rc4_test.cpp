// RC4 as a 16-byte block cipher: the published keystream, the IV taking the
// first 16 keystream bytes, and the keyed state restored after the IV for
// every coding action.
#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_RC4.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

// RFC 6229, key 0x0102030405: keystream bytes 0 to 31.
const char* const kKey = "0102030405";
const char* const kStream0 = "b2396305f03dc027ccc3524a0a1118a8";
const char* const kStream16 = "6982944f18fc82d589c403a47a0d0919";

TEST(RC4Test, WithAnIVectorTheFirstBlockTakesKeystreamBytes0To15) {
  const Bytes iv(16, 0);
  auto c = Keyed(TCipher_RC4::StaticClass(), FromHex(kKey), iv.data());
  Bytes block(16, 0);
  c->EncryptBlock(block.data());
  EXPECT_EQ(block, FromHex(kStream0));
  Bytes next(16, 0);
  c->DecryptBlock(next.data());
  EXPECT_EQ(next, FromHex(kStream16));
}

TEST(RC4Test, WithoutAnIVectorTheIVTakesBytes0To15AndCodingStartsAt16) {
  auto c = Keyed(TCipher_RC4::StaticClass(), FromHex(kKey));
  Bytes iv(16, 0xFF);
  const Bytes k0 = FromHex(kStream0);
  for (int i = 0; i < 16; ++i) iv[i] ^= k0[i];
  EXPECT_EQ(Bytes(c->IV(), c->IV() + 16), iv);
  // In code book mode a whole block is just XORed with the keystream.
  c->SetMode(cmECB);
  EXPECT_EQ(Coded(*c, Bytes(16, 0), caEncode), FromHex(kStream16));
}

TEST(RC4Test, EveryCodingActionRestartsAfterTheIV) {
  // The published stream cipher would run on; this one returns to the
  // state saved after the IV, so encoding twice gives the same bytes.
  std::mt19937 rng(1);
  auto c = Keyed(TCipher_RC4::StaticClass(), Random(rng, 32));
  const Bytes plain = Random(rng, 1000);
  const Bytes once = Coded(*c, plain, caEncode);
  EXPECT_EQ(Coded(*c, plain, caEncode), once);
  EXPECT_EQ(Coded(*c, once, caDecode), plain);
  // Continuing the keystream instead gives other bytes.
  Bytes on = plain;
  c->EncryptData(on.data(), on.data(), static_cast<int64_t>(on.size()));
  Bytes further = plain;
  c->EncryptData(further.data(), further.data(), static_cast<int64_t>(further.size()));
  EXPECT_NE(further, on);
}

TEST(RC4Test, KeyLongerThan256BytesIsCutAndAnEmptyKeyRaises) {
  std::mt19937 rng(2);
  const Bytes key = Random(rng, 300);
  const Bytes plain = Random(rng, 64);
  auto whole = Keyed(TCipher_RC4::StaticClass(), key);
  auto cut = Keyed(TCipher_RC4::StaticClass(), Bytes(key.begin(), key.begin() + 256));
  EXPECT_EQ(Coded(*whole, plain, caEncode), Coded(*cut, plain, caEncode));
  TProtectionRef<TCipher> c = TCipher_RC4::StaticClass()->Create();
  EXPECT_THROW(c->Init("", 0, nullptr), ECipherException);
  EXPECT_FALSE(c->Initialized());
}

}  // namespace
