#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_Rijndael.h"
#include "tests/crypto/cipher/CipherTestKit.h"

namespace {
const char* kPlain = "00112233445566778899aabbccddeeff";

// Runs Body once with the processor's AES instructions (where it has them)
// and once without.
template <typename F>
void BothWays(F Body) {
  const bool saved = TCipher_Rijndael::UseAESInstructions;
  for (bool instructions : {false, saved}) {
    TCipher_Rijndael::UseAESInstructions = instructions;
    SCOPED_TRACE(instructions ? "AES instructions" : "tables");
    Body();
  }
  TCipher_Rijndael::UseAESInstructions = saved;
}
}  // namespace

TEST(Rijndael, AESVectorsFor16And24ByteKeys) {
  BothWays([] {
    EXPECT_EQ(
        Encrypted(TCipher_Rijndael::StaticClass(), "000102030405060708090a0b0c0d0e0f", kPlain),
        "69c4e0d86a7b0430d8cdb78070b4c55a");
    EXPECT_EQ(Encrypted(TCipher_Rijndael::StaticClass(),
                        "000102030405060708090a0b0c0d0e0f1011121314151617", kPlain),
              "dda97ca4864cdfe06eaf70a0ec0d7191");
    EXPECT_EQ(Decrypted(TCipher_Rijndael::StaticClass(),
                        "000102030405060708090a0b0c0d0e0f1011121314151617",
                        "dda97ca4864cdfe06eaf70a0ec0d7191"),
              kPlain);
  });
}

TEST(Rijndael, KeyLengthsChooseRoundsAndPadding) {
  struct {
    int size, rounds;
  } cases[] = {{0, 10}, {16, 10}, {17, 12}, {20, 12}, {24, 12}, {25, 14}, {32, 14}};
  const Bytes key(32, 0x11);
  for (const auto& c : cases) {
    TProtectionRef<TCipher_Rijndael> r(new TCipher_Rijndael());
    r->Init(key.data(), c.size, nullptr);
    EXPECT_EQ(r->Rounds, c.rounds) << c.size;
  }
  // A 20-byte key is the 24-byte key with four zero bytes appended.
  EXPECT_EQ(Encrypted(TCipher_Rijndael::StaticClass(), "000102030405060708090a0b0c0d0e0f10111213",
                      kPlain),
            Encrypted(TCipher_Rijndael::StaticClass(),
                      "000102030405060708090a0b0c0d0e0f1011121300000000", kPlain));
}

// 32-byte keys expand differently from AES-256 (whose result for this key
// is 8ea2b7ca516745bfeafc49904b496089); the value here comes from a separate
// model of this library's expansion.
TEST(Rijndael, ThirtyTwoByteKeysFollowTheLibrarysExpansion) {
  BothWays([] {
    const char* key = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
    EXPECT_EQ(Encrypted(TCipher_Rijndael::StaticClass(), key, kPlain),
              "7db8ca4ebc1555cd9b4e8c321b572299");
    EXPECT_EQ(Decrypted(TCipher_Rijndael::StaticClass(), key, "7db8ca4ebc1555cd9b4e8c321b572299"),
              kPlain);
    EXPECT_EQ(Encrypted(TCipher_Rijndael::StaticClass(),
                        "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
                        "6bc1bee22e409f96e93d7e117393172a"),
              "65db8261704a7f0e1e9a5e8d10fdc5cd");
  });
}

TEST(Rijndael, BothWaysAgreeAndRoundTripEveryKeyLength) {
  std::mt19937 rng(29);
  const bool saved = TCipher_Rijndael::UseAESInstructions;
  for (int len = 0; len <= 32; ++len) {
    Bytes key = RandomBytes(rng, len), block = RandomBytes(rng, 16);
    auto c = Keyed(TCipher_Rijndael::StaticClass(), key);
    TCipher_Rijndael::UseAESInstructions = false;
    Bytes coded = EncryptOne(*c, block);
    EXPECT_EQ(DecryptOne(*c, coded), block) << len;
    TCipher_Rijndael::UseAESInstructions = saved;
    EXPECT_EQ(EncryptOne(*c, block), coded) << len;
    EXPECT_EQ(DecryptOne(*c, coded), block) << len;
  }
}
