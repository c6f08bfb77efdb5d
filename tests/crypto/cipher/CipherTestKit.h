// Helpers of the block-cipher tests: hex text, random bytes, and one-block
// coding through a cipher class.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/TCipher.h"

using Bytes = std::vector<uint8_t>;

inline Bytes Hex(const std::string& text) {
  Bytes out;
  int hi = -1;
  for (char ch : text) {
    int v;
    if (ch >= '0' && ch <= '9')
      v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
      v = ch - 'A' + 10;
    else
      continue;
    if (hi < 0)
      hi = v;
    else
      out.push_back(static_cast<uint8_t>(hi << 4 | v)), hi = -1;
  }
  return out;
}

inline std::string ToHex(const Bytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t v : b) s += {digits[v >> 4], digits[v & 15]};
  return s;
}

inline Bytes RandomBytes(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

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
