// Every mode encodes and decodes CAST, MISTY1, RC2, RC5, RC6, Rijndael,
// Skipjack, MARS, the DES family, DESX and NewDES, for lengths around the
// block size and the 4096-byte pieces of streams.
#include <gtest/gtest.h>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/TCipher_Cast128.h"
#include "crypto/cipher/TCipher_Cast256.h"
#include "crypto/cipher/TCipher_DES.h"
#include "crypto/cipher/TCipher_DESX.h"
#include "crypto/cipher/TCipher_Mars.h"
#include "crypto/cipher/TCipher_Misty.h"
#include "crypto/cipher/TCipher_NewDES.h"
#include "crypto/cipher/TCipher_RC2.h"
#include "crypto/cipher/TCipher_RC5.h"
#include "crypto/cipher/TCipher_RC6.h"
#include "crypto/cipher/TCipher_Rijndael.h"
#include "crypto/cipher/TCipher_Skipjack.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "rtl/TStream.h"
#include "tests/crypto/cipher/CipherTestKit.h"

namespace {

std::vector<TCipherClass> Classes() {
  return {TCipher_Cast128::StaticClass(),  TCipher_Cast256::StaticClass(),
          TCipher_Misty::StaticClass(),    TCipher_RC2::StaticClass(),
          TCipher_RC5::StaticClass(),      TCipher_RC6::StaticClass(),
          TCipher_Rijndael::StaticClass(), TCipher_Skipjack::StaticClass(),
          TCipher_Mars::StaticClass(),     TCipher_1DES::StaticClass(),
          TCipher_2DES::StaticClass(),     TCipher_3DES::StaticClass(),
          TCipher_2DDES::StaticClass(),    TCipher_3DDES::StaticClass(),
          TCipher_3TDES::StaticClass(),    TCipher_DESX::StaticClass(),
          TCipher_NewDES::StaticClass()};
}

class CipherBModes : public ::testing::TestWithParam<TCipherClass> {};

}  // namespace

TEST_P(CipherBModes, EveryModeRoundTripsEveryLength) {
  TCipherClass cls = GetParam();
  std::mt19937 rng(cls->BlockSize * 131 + cls->StateSize);
  const int b = cls->BlockSize;
  auto c = Keyed(cls, RandomBytes(rng, cls->KeySize));
  for (TCipherMode mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
    c->SetMode(mode);
    for (int len : {0, 1, b - 1, b, 4095, 4096, 4097}) {
      const Bytes plain = RandomBytes(rng, len);
      Bytes data = plain;
      c->ProcessBuffer(data.data(), len, caEncode);
      if (len > 1) {
        EXPECT_NE(data, plain) << cls->Name << " mode " << int(mode) << " length " << len;
      }
      EXPECT_EQ(CompareBytes(c->Feedback(), c->IV(), b), 0);
      c->ProcessBuffer(data.data(), len, caDecode);
      EXPECT_EQ(data, plain) << cls->Name << " mode " << int(mode) << " length " << len;
    }
  }
}

TEST_P(CipherBModes, MACModesLeaveTheDataAndCarryTheResultInTheWorkBlock) {
  TCipherClass cls = GetParam();
  std::mt19937 rng(cls->KeySize);
  auto c = Keyed(cls, RandomBytes(rng, cls->KeySize));
  for (TCipherMode mode : {cmCTSMAC, cmCBCMAC, cmCFBMAC}) {
    c->SetMode(mode);
    const Bytes plain = RandomBytes(rng, 3 * cls->BlockSize + 1);
    Bytes data = plain;
    c->ProcessBuffer(data.data(), static_cast<int64_t>(data.size()), caEncode);
    EXPECT_EQ(data, plain);
    const Bytes mac(c->WorkBlock(), c->WorkBlock() + cls->BlockSize);
    EXPECT_NE(CompareBytes(mac.data(), c->IV(), cls->BlockSize), 0) << cls->Name;
    // Decoding runs the encoding: the same result, the data again unchanged.
    c->ProcessBuffer(data.data(), static_cast<int64_t>(data.size()), caDecode);
    EXPECT_EQ(data, plain);
    EXPECT_EQ(Bytes(c->WorkBlock(), c->WorkBlock() + cls->BlockSize), mac) << cls->Name;
  }
}

// A stream is coded in pieces of 4096 bytes, each with its own block grid;
// decoding by stream restores it for the block sizes that do not divide
// 4096 as well.
TEST_P(CipherBModes, StreamsRoundTripAcrossPieces) {
  TCipherClass cls = GetParam();
  std::mt19937 rng(cls->StateSize);
  auto c = Keyed(cls, RandomBytes(rng, cls->KeySize));
  const Bytes plain = RandomBytes(rng, 3 * 4096 + 100);
  TMemoryStream s;
  s.Write(plain.data(), static_cast<int64_t>(plain.size()));
  c->ProcessStream(&s, &s, -1, caEncode);
  Bytes coded(plain.size());
  s.SetPosition(0);
  s.Read(coded.data(), static_cast<int64_t>(coded.size()));
  // The same as coding piece by piece in one run of the feedback.
  Bytes pieces = plain;
  c->BeginAction(caEncode);
  for (size_t at = 0; at < pieces.size(); at += 4096)
    c->EncryptData(pieces.data() + at, pieces.data() + at,
                   static_cast<int64_t>(std::min<size_t>(4096, pieces.size() - at)));
  c->EndAction(caEncode);
  EXPECT_EQ(coded, pieces);
  c->ProcessStream(&s, &s, -1, caDecode);
  Bytes back(plain.size());
  s.SetPosition(0);
  s.Read(back.data(), static_cast<int64_t>(back.size()));
  EXPECT_EQ(back, plain);
}

INSTANTIATE_TEST_SUITE_P(All, CipherBModes, ::testing::ValuesIn(Classes()),
                         [](const auto& info) { return std::string(info.param->Name); });

// 24 bytes do not divide 4096: every piece ends with the short-piece rule, so
// one call over 8192 bytes differs from two calls of 4096.
TEST(CipherBModes3TDES, PieceSizeShapesTheResult) {
  auto c =
      Keyed(TCipher_3TDES::StaticClass(), Hex("0123456789abcdeffedcba987654321089abcdef01234567"));
  Bytes one(8192, 0x42), two = one;
  c->EncryptData(one.data(), one.data(), 8192);
  c->ResetFeedback();
  c->EncryptData(two.data(), two.data(), 4096);
  c->EncryptData(two.data() + 4096, two.data() + 4096, 4096);
  c->ResetFeedback();
  EXPECT_EQ(Bytes(one.begin(), one.begin() + 4080), Bytes(two.begin(), two.begin() + 4080));
  EXPECT_NE(one, two);
}

// A pass phrase keys each cipher with the first min(KeySize, 32) bytes of
// its RIPEMD-256 digest, also the ciphers whose shortest key is longer than
// one byte.
TEST_P(CipherBModes, PassPhraseKeysWithTheDigestCutToTheKeySize) {
  TCipherClass cls = GetParam();
  TProtectionRef<THash> h = THash_RipeMD256::StaticClass()->Create();
  h->Reset();
  h->Update("correct horse", 13);
  h->Finish();
  Bytes digest(h->GetDigest(), h->GetDigest() + 32);
  digest.resize(std::min(cls->KeySize, 32));
  TProtectionRef<TCipher> byPhrase = cls->Create();
  byPhrase->InitKey("correct horse");
  auto byKey = Keyed(cls, digest);
  const Bytes block(cls->BlockSize, 0x3C);
  EXPECT_EQ(EncryptOne(*byPhrase, block), EncryptOne(*byKey, block));
  EXPECT_EQ(CompareBytes(byPhrase->IV(), byKey->IV(), cls->BlockSize), 0);
}

TEST(CipherBModes3TDES, AFewMebibytesRoundTripThroughAStream) {
  std::mt19937 rng(43);
  TProtectionRef<TCipher> c = TCipher_3TDES::StaticClass()->Create("pass phrase");
  const Bytes plain = RandomBytes(rng, 3 * 1024 * 1024 + 7);
  TMemoryStream s;
  s.Write(plain.data(), static_cast<int64_t>(plain.size()));
  c->ProcessStream(&s, &s, -1, caEncode);
  c->ProcessStream(&s, &s, -1, caDecode);
  Bytes back(plain.size());
  s.SetPosition(0);
  s.Read(back.data(), static_cast<int64_t>(back.size()));
  EXPECT_EQ(back, plain);
}
