// Helpers of the tests of RC4, Sapphire II, Diamond II and FROG.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/TCipher.h"
#include "tests/crypto/TestBytes.h"

namespace stream_test {

using crypto_test::Bytes;
using crypto_test::FromHex;
inline Bytes Random(std::mt19937& rng, size_t n) { return crypto_test::RandomBytes(rng, n); }

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
