// Byte strings of the crypto tests: hex text both ways and random bytes.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace crypto_test {

using Bytes = std::vector<uint8_t>;

// Hex digits in either case; anything else (spaces, separators) is skipped.
inline Bytes FromHex(const std::string& text) {
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

inline std::string ToHex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
  return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

inline Bytes RandomBytes(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

}  // namespace crypto_test
