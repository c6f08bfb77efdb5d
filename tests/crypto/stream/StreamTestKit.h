// Helpers of the tests of RC4, Sapphire II, Diamond II and FROG.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/TCipher.h"

namespace stream_test {

using Bytes = std::vector<uint8_t>;

inline Bytes FromHex(const std::string& text) {
  Bytes out;
  int hi = -1;
  for (char ch : text) {
    int v;
    if (ch >= '0' && ch <= '9')
      v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      v = ch - 'a' + 10;
    else
      continue;
    if (hi < 0)
      hi = v;
    else
      out.push_back(static_cast<uint8_t>(hi << 4 | v)), hi = -1;
  }
  return out;
}

inline Bytes Random(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

// A new object of Class keyed with Key; IVector may be null.
inline TProtectionRef<TCipher> Keyed(TCipherClass Class, const Bytes& Key,
                                     const void* IVector = nullptr) {
  TProtectionRef<TCipher> c = Class->Create();
  c->Init(Key.data(), static_cast<int>(Key.size()), IVector);
  return c;
}

inline Bytes Coded(TCipher& c, Bytes data, TCodeAction Action) {
  c.ProcessBuffer(data.data(), static_cast<int64_t>(data.size()), Action);
  return data;
}

}  // namespace stream_test
