// Helpers of the block-cipher tests: hex text, random bytes, and one-block
// coding through a cipher class.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/TCipher.h"
#include "tests/crypto/TestBytes.h"

using crypto_test::Bytes;
using crypto_test::RandomBytes;
using crypto_test::ToHex;
inline Bytes Hex(const std::string& text) { return crypto_test::FromHex(text); }

// A keyed object of Class (Init with the raw key, no IV given).
inline TProtectionRef<TCipher> Keyed(TCipherClass Class, const Bytes& Key) {
  TProtectionRef<TCipher> c = Class->Create();
  c->Init(Key.data(), static_cast<int>(Key.size()), nullptr);
  return c;
}

inline Bytes EncryptOne(TCipher& c, Bytes block) {
  c.EncryptBlock(block.data());
  return block;
}

inline Bytes DecryptOne(TCipher& c, Bytes block) {
  c.DecryptBlock(block.data());
  return block;
}

// One block coded by Class under Key.
inline std::string Encrypted(TCipherClass Class, const std::string& KeyHex,
                             const std::string& BlockHex) {
  return ToHex(EncryptOne(*Keyed(Class, Hex(KeyHex)), Hex(BlockHex)));
}
inline std::string Decrypted(TCipherClass Class, const std::string& KeyHex,
                             const std::string& BlockHex) {
  return ToHex(DecryptOne(*Keyed(Class, Hex(KeyHex)), Hex(BlockHex)));
}
