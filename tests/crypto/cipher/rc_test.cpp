#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_RC2.h"
#include "crypto/cipher/TCipher_RC5.h"
#include "crypto/cipher/TCipher_RC6.h"
#include "tests/crypto/cipher/CipherTestKit.h"

TEST(RC5, PublishedVectorsFor12RoundsAnd16ByteKeys) {
  EXPECT_EQ(
      Encrypted(TCipher_RC5::StaticClass(), "00000000000000000000000000000000", "0000000000000000"),
      "21a5dbee154b8f6d");
  EXPECT_EQ(
      Encrypted(TCipher_RC5::StaticClass(), "915f4619be41b2516355a50110a9ce91", "21a5dbee154b8f6d"),
      "f7c013ac5b2b8952");
  EXPECT_EQ(
      Decrypted(TCipher_RC5::StaticClass(), "915f4619be41b2516355a50110a9ce91", "f7c013ac5b2b8952"),
      "21a5dbee154b8f6d");
}

TEST(RC5, RoundsOutsideTheRangeBecome12) {
  for (int rounds : {0, 7, 17, -3}) {
    TProtectionRef<TCipher_RC5> c(new TCipher_RC5());
    c->Rounds = rounds;
    c->Init("key", 3, nullptr);
    EXPECT_EQ(c->Rounds, 12);
  }
  TProtectionRef<TCipher_RC5> c(new TCipher_RC5());
  c->Rounds = 16;  // the most the key schedule holds
  c->Init("key", 3, nullptr);
  Bytes block = Hex("0123456789abcdef");
  EXPECT_EQ(DecryptOne(*c, EncryptOne(*c, block)), block);
}

TEST(RC6, PublishedVectorsFor128And256BitKeys) {
  struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"00000000000000000000000000000000", "00000000000000000000000000000000",
       "8fc3a53656b1f778c129df4e9848a41e"},
      {"0123456789abcdef0112233445566778", "02132435465768798a9bacbdcedfe0f1",
       "524e192f4715c6231f51f6367ea43f18"},
      {"0000000000000000000000000000000000000000000000000000000000000000",
       "00000000000000000000000000000000", "8f5fbd0510d15fa893fa3fda6e857ec2"},
      {"0123456789abcdef0112233445566778899aabbccddeeff01032547698badcfe",
       "02132435465768798a9bacbdcedfe0f1", "c8241816f0d7e48920ad16a1674e5d48"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypted(TCipher_RC6::StaticClass(), c.key, c.plain), c.cipher);
    EXPECT_EQ(Decrypted(TCipher_RC6::StaticClass(), c.key, c.cipher), c.plain);
  }
}

// The key schedules cycle through the key words or read bytes before the
// key: without key bytes they would divide by zero or read out of bounds.
TEST(RCKeys, EmptyKeysAreRefused) {
  for (TCipherClass cls :
       {TCipher_RC2::StaticClass(), TCipher_RC5::StaticClass(), TCipher_RC6::StaticClass()}) {
    TProtectionRef<TCipher> c = cls->Create();
    try {
      c->Init(nullptr, 0, nullptr);
      ADD_FAILURE() << cls->Name;
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.FailureCode(), errInvalidKeySize);
    }
    EXPECT_THROW(c->Init("x", -5, nullptr), ECipherException);
    EXPECT_FALSE(c->Initialized());
  }
}

TEST(RCKeys, ShortestAndLongestKeysRoundTrip) {
  std::mt19937 rng(23);
  for (TCipherClass cls :
       {TCipher_RC2::StaticClass(), TCipher_RC5::StaticClass(), TCipher_RC6::StaticClass()})
    for (int len : {1, cls->KeySize, cls->KeySize + 50}) {
      Bytes key = RandomBytes(rng, std::max(len, 1)), block = RandomBytes(rng, cls->BlockSize);
      auto c = Keyed(cls, key);
      EXPECT_EQ(DecryptOne(*c, EncryptOne(*c, block)), block) << cls->Name << " " << len;
    }
}

// Keys longer than KeySize are cut: a longer key gives the same result.
TEST(RCKeys, KeysBeyondKeySizeAreCut) {
  Bytes key(300);
  for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(i * 7);
  Bytes cut(key.begin(), key.begin() + 128);
  Bytes block = Hex("0011223344556677");
  EXPECT_EQ(EncryptOne(*Keyed(TCipher_RC2::StaticClass(), key), block),
            EncryptOne(*Keyed(TCipher_RC2::StaticClass(), cut), block));
}
