#include <gtest/gtest.h>

#include <cstring>

#include "crypto/cipher/TCipher_DES.h"
#include "crypto/cipher/TCipher_DESX.h"
#include "crypto/cipher/TCipher_NewDES.h"
#include "tests/crypto/cipher/CipherTestKit.h"

TEST(DES, PublishedVectors) {
  struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85e813540f0ab405"},
      {"0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815"},
      {"0000000000000000", "0000000000000000", "8ca64de9c1b123a7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypted(TCipher_1DES::StaticClass(), c.key, c.plain), c.cipher);
    EXPECT_EQ(ToHex(Hex(Decrypted(TCipher_1DES::StaticClass(), c.key, c.cipher))),
              ToHex(Hex(c.plain)));
  }
  // Parity bits do not count.
  EXPECT_EQ(Encrypted(TCipher_1DES::StaticClass(), "123456789ABCDEF0", "0123456789ABCDEF"),
            Encrypted(TCipher_1DES::StaticClass(), "133557799BBDDFF1", "0123456789ABCDEF"));
}

TEST(DES, CompositionsWithEqualKeysArePlainDES) {
  const std::string k = "133457799BBCDFF1", des = "85e813540f0ab405";
  EXPECT_EQ(Encrypted(TCipher_2DES::StaticClass(), k + k, "0123456789ABCDEF"), des);
  EXPECT_EQ(Encrypted(TCipher_3DES::StaticClass(), k + k + k, "0123456789ABCDEF"), des);
}

namespace {

// One DES step over every 8-byte block of a wide block.
void Step(TCipherClass des, const Bytes& key, bool encrypt, Bytes& block) {
  auto c = Keyed(des, key);
  for (size_t i = 0; i < block.size(); i += 8) {
    if (encrypt)
      c->EncryptBlock(block.data() + i);
    else
      c->DecryptBlock(block.data() + i);
  }
}

// Bytes 4-7 change places with bytes 8-11; the rest stay.
void Exchange(Bytes& b) {
  uint8_t t[4];
  std::memcpy(t, &b[4], 4);
  std::memcpy(&b[4], &b[8], 4);
  std::memcpy(&b[8], t, 4);
}

Bytes Composed(const Bytes& k1, const Bytes& k2, const Bytes& k3, Bytes block) {
  TCipherClass des = TCipher_1DES::StaticClass();
  Step(des, k1, true, block);
  Exchange(block);
  Step(des, k2, false, block);
  Exchange(block);
  Step(des, k3, true, block);
  return block;
}

}  // namespace

// The wide variants code their 8-byte blocks side by side and exchange the
// second and third words between the steps; the third block of the 24-byte
// variant takes part in no exchange.
TEST(DES, WideVariantsExchangeWordsBetweenSteps) {
  std::mt19937 rng(31);
  for (int t = 0; t < 20; ++t) {
    Bytes k1 = RandomBytes(rng, 8), k2 = RandomBytes(rng, 8), k3 = RandomBytes(rng, 8);
    Bytes b16 = RandomBytes(rng, 16), b24 = RandomBytes(rng, 24);
    Bytes k12 = k1, k123;
    k12.insert(k12.end(), k2.begin(), k2.end());
    k123 = k12;
    k123.insert(k123.end(), k3.begin(), k3.end());

    auto dd2 = Keyed(TCipher_2DDES::StaticClass(), k12);
    EXPECT_EQ(EncryptOne(*dd2, b16), Composed(k1, k2, k1, b16));
    EXPECT_EQ(DecryptOne(*dd2, EncryptOne(*dd2, b16)), b16);
    auto dd3 = Keyed(TCipher_3DDES::StaticClass(), k123);
    EXPECT_EQ(EncryptOne(*dd3, b16), Composed(k1, k2, k3, b16));
    EXPECT_EQ(DecryptOne(*dd3, EncryptOne(*dd3, b16)), b16);
    auto td3 = Keyed(TCipher_3TDES::StaticClass(), k123);
    EXPECT_EQ(EncryptOne(*td3, b24), Composed(k1, k2, k3, b24));
    EXPECT_EQ(DecryptOne(*td3, EncryptOne(*td3, b24)), b24);
  }
}

TEST(DES, WideVariantsMixTheirHalves) {
  const Bytes key = Hex("0123456789abcdeffedcba987654321089abcdef01234567");
  Bytes a(16, 0), b(16, 0);
  b[3] = 1;  // only the first half differs
  for (TCipherClass cls : {TCipher_2DDES::StaticClass(), TCipher_3DDES::StaticClass()}) {
    auto c = Keyed(cls, key);
    Bytes ca = EncryptOne(*c, a), cb = EncryptOne(*c, b);
    EXPECT_NE(Bytes(ca.begin(), ca.begin() + 8), Bytes(cb.begin(), cb.begin() + 8));
    EXPECT_NE(Bytes(ca.begin() + 8, ca.end()), Bytes(cb.begin() + 8, cb.end()));
    // Not two independent triple-DES blocks.
    auto narrow = Keyed(cls == TCipher_2DDES::StaticClass() ? TCipher_2DES::StaticClass()
                                                            : TCipher_3DES::StaticClass(),
                        key);
    EXPECT_NE(Bytes(ca.begin(), ca.begin() + 8), EncryptOne(*narrow, Bytes(8, 0)));
  }
}

// The two-key composition of the three-key class uses K3 = 0.
TEST(DES, TripleDESWithA16ByteKeyHasAZeroK3) {
  const std::string k1 = "0123456789abcdef", k2 = "fedcba9876543210";
  Bytes block = Hex("0011223344556677");
  EXPECT_EQ(ToHex(EncryptOne(*Keyed(TCipher_3DES::StaticClass(), Hex(k1 + k2)), block)),
            ToHex(EncryptOne(*Keyed(TCipher_3DES::StaticClass(), Hex(k1 + k2 + "0000000000000000")),
                             block)));
  EXPECT_NE(ToHex(EncryptOne(*Keyed(TCipher_3DES::StaticClass(), Hex(k1 + k2)), block)),
            ToHex(EncryptOne(*Keyed(TCipher_3DES::StaticClass(), Hex(k1 + k2 + k1)), block)));
}

namespace {
struct DESXProbe : TCipher_DESX {
  using TCipher_DESX::TCipher_DESX;
  std::string K2() { return ToHex(Bytes(KeySchedule() + 264, KeySchedule() + 272)); }
};
std::string K2Of(const std::string& key) {
  TProtectionRef<DESXProbe> d(new DESXProbe());
  Bytes k = Hex(key);
  d->Init(k.data(), static_cast<int>(k.size()), nullptr);
  return d->K2();
}
}  // namespace

// K2 from K and K1 through the byte table (values from a separate model).
TEST(DESX, OutputWhiteningIsDerivedFromTheKey) {
  EXPECT_EQ(K2Of("0123456789abcdef1011121314151617"), "f1caf34ff5ce5070");
  EXPECT_EQ(K2Of("00000000000000000000000000000000"), "bdbdbdbdbdbd0000");
  EXPECT_EQ(K2Of(""), "bdbdbdbdbdbd0000");
}

TEST(DESX, AZeroInputWhiteningStillWhitensTheOutput) {
  const Bytes block = Hex("0123456789abcdef");
  Bytes des = EncryptOne(*Keyed(TCipher_1DES::StaticClass(), Hex("133457799BBCDFF1")), block);
  auto desx = Keyed(TCipher_DESX::StaticClass(), Hex("133457799BBCDFF10000000000000000"));
  Bytes x = EncryptOne(*desx, block);
  EXPECT_NE(x, des);
  Bytes k2 = Hex(K2Of("133457799BBCDFF10000000000000000"));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(x[i] ^ k2[i], des[i]);
  EXPECT_EQ(DecryptOne(*desx, x), block);
}

// Values from a separate model of NewDES.
TEST(NewDES, KnownAnswers) {
  EXPECT_EQ(Encrypted(TCipher_NewDES::StaticClass(), "0102030405060708090a0b0c0d0e0f",
                      "0102030405060708"),
            "967f7c2e89f295ff");
  EXPECT_EQ(Encrypted(TCipher_NewDES::StaticClass(), "0f0e0d0c0b0a090807060504030201",
                      "0807060504030201"),
            "e25fc1b575430f7e");
  EXPECT_EQ(Encrypted(TCipher_NewDES::StaticClass(), "", "0000000000000000"), "a2176054f58b3458");
}

TEST(NewDES, DecryptionInvertsEncryptionForAnyKey) {
  std::mt19937 rng(37);
  for (int t = 0; t < 300; ++t) {
    Bytes key = RandomBytes(rng, t % 16), block = RandomBytes(rng, 8);
    auto c = Keyed(TCipher_NewDES::StaticClass(), key);
    EXPECT_EQ(DecryptOne(*c, EncryptOne(*c, block)), block);
  }
}
