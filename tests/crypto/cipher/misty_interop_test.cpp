// MISTY1 against Botan on many random keys and blocks. Botan reads the
// block's halves as big-endian words, we as little-endian ones: each 4-byte
// half is reversed on the way to the peer and back.
#include <botan/block_cipher.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/cipher/TCipher_Misty.h"
#include "tests/crypto/cipher/CipherTestKit.h"

namespace {
Bytes ReversedHalves(Bytes b) {
  std::reverse(b.begin(), b.begin() + 4);
  std::reverse(b.begin() + 4, b.end());
  return b;
}
}  // namespace

TEST(MistyInterop, AgreesWithBotan) {
  std::mt19937 rng(41);
  auto peer = Botan::BlockCipher::create_or_throw("MISTY1");
  for (int t = 0; t < 500; ++t) {
    Bytes key = RandomBytes(rng, 16), block = RandomBytes(rng, 8);
    peer->set_key(key.data(), key.size());
    Bytes in = ReversedHalves(block), out(8), back(8);
    peer->encrypt(in.data(), out.data());
    peer->decrypt(in.data(), back.data());
    auto ours = Keyed(TCipher_Misty::StaticClass(), key);
    ASSERT_EQ(ToHex(EncryptOne(*ours, block)), ToHex(ReversedHalves(out))) << ToHex(key);
    ASSERT_EQ(ToHex(DecryptOne(*ours, block)), ToHex(ReversedHalves(back))) << ToHex(key);
  }
}
