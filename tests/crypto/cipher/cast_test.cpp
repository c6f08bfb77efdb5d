#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_Cast128.h"
#include "crypto/cipher/TCipher_Cast256.h"
#include "tests/crypto/cipher/CipherTestKit.h"

TEST(Cast128, PublishedVectorsFor128And80And40BitKeys) {
  struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"0123456712345678234567893456789A", "0123456789ABCDEF", "238b4fe5847e44b2"},
      {"01234567123456782345", "0123456789ABCDEF", "eb6a711a2c02271b"},
      {"0123456712", "0123456789ABCDEF", "7ac816d16e9b302e"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypted(TCipher_Cast128::StaticClass(), c.key, c.plain), c.cipher) << c.key;
    EXPECT_EQ(Decrypted(TCipher_Cast128::StaticClass(), c.key, c.cipher), "0123456789abcdef");
  }
}

TEST(Cast128, RoundsFollowTheKeyLength) {
  struct {
    int size, rounds;
  } cases[] = {{0, 12}, {5, 12}, {10, 12}, {11, 16}, {16, 16}, {40, 16}};
  const Bytes key(40, 0x5A);
  for (const auto& c : cases) {
    TProtectionRef<TCipher_Cast128> cast(new TCipher_Cast128());
    cast->Init(key.data(), c.size, nullptr);
    EXPECT_EQ(cast->Rounds, c.rounds) << c.size;
  }
}

TEST(Cast256, PublishedVectorsFor128And192And256BitKeys) {
  struct {
    const char *key, *cipher;
  } cases[] = {
      {"2342bb9efa38542c0af75647f29f615d", "c842a08972b43d20836c91d1b7530f6b"},
      {"2342bb9efa38542cbed0ac83940ac298bac77a7717942863", "1b386c0210dcadcbdd0e41aa08a7a7e8"},
      {"2342bb9efa38542cbed0ac83940ac2988d7c47ce264908461cc1b5137ae6b604",
       "4f6a2038286897b9c9870136553317fa"},
  };
  const std::string zero(32, '0');
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypted(TCipher_Cast256::StaticClass(), c.key, zero), c.cipher) << c.key;
    EXPECT_EQ(Decrypted(TCipher_Cast256::StaticClass(), c.key, c.cipher), zero);
  }
}

TEST(Cast256, ShortKeysArePaddedWithZeroBytes) {
  EXPECT_EQ(Encrypted(TCipher_Cast256::StaticClass(), "2342bb9efa38542c0af75647f29f615d",
                      "00112233445566778899aabbccddeeff"),
            Encrypted(TCipher_Cast256::StaticClass(),
                      "2342bb9efa38542c0af75647f29f615d00000000000000000000000000000000",
                      "00112233445566778899aabbccddeeff"));
}
