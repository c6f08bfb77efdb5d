// RC4 against Crypto++ and OpenSSL on many random keys and messages: with a
// given IV the blocks take the keystream from its start; with the IV derived
// from the key they take it from byte 16 on; a pass phrase's key is its
// RIPEMD-256 digest.
#include <gtest/gtest.h>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <cryptopp/ripemd.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/rc4.h>

#include "crypto/cipher/TCipher_RC4.h"
#include "tests/crypto/stream/StreamTestKit.h"

using namespace stream_test;

namespace {

// The peer's encryption of data after skipping Skip keystream bytes.
Bytes CryptoPPRC4(const Bytes& key, const Bytes& data, size_t skip) {
  CryptoPP::Weak::ARC4 rc4(key.data(), key.size());
  rc4.DiscardBytes(skip);
  Bytes out(data.size());
  rc4.ProcessData(out.data(), data.data(), data.size());
  return out;
}

Bytes OpenSSLRC4(const Bytes& key, const Bytes& data, size_t skip) {
  RC4_KEY k;
  RC4_set_key(&k, static_cast<int>(key.size()), key.data());
  Bytes waste(skip), out(data.size());
  RC4(&k, skip, waste.data(), waste.data());
  RC4(&k, data.size(), data.data(), out.data());
  return out;
}

TEST(StreamInteropTest, RC4AgainstCryptoPPAndOpenSSL) {
  std::mt19937 rng(31);
  const Bytes zeroIV(16, 0);
  for (int trial = 0; trial < 300; ++trial) {
    const Bytes key = Random(rng, 1 + rng() % 256);
    // Whole blocks, so code book mode is the bare keystream XOR.
    const Bytes plain = Random(rng, 16 * (rng() % 70));
    auto withIV = Keyed(TCipher_RC4::StaticClass(), key, zeroIV.data());
    withIV->SetMode(cmECB);
    const Bytes coded = Coded(*withIV, plain, caEncode);
    ASSERT_EQ(coded, CryptoPPRC4(key, plain, 0)) << key.size() << "-byte key";
    ASSERT_EQ(coded, OpenSSLRC4(key, plain, 0)) << key.size() << "-byte key";

    auto derived = Keyed(TCipher_RC4::StaticClass(), key);
    derived->SetMode(cmECB);
    ASSERT_EQ(Coded(*derived, plain, caEncode), CryptoPPRC4(key, plain, 16))
        << key.size() << "-byte key";
  }
}

TEST(StreamInteropTest, RC4PassPhraseKeyIsItsRipeMD256Digest) {
  for (const std::string phrase : {"", "a", "secret", "a longer pass phrase of the user"}) {
    Bytes key(32);
    CryptoPP::RIPEMD256().CalculateDigest(
        key.data(), reinterpret_cast<const uint8_t*>(phrase.data()), phrase.size());
    TProtectionRef<TCipher> c = TCipher_RC4::StaticClass()->Create();
    c->InitKey(phrase);
    c->SetMode(cmECB);
    const Bytes plain(160, 0x5C);
    EXPECT_EQ(Coded(*c, plain, caEncode), CryptoPPRC4(key, plain, 16)) << "\"" << phrase << "\"";
  }
}

}  // namespace

#pragma GCC diagnostic pop
