// Helpers of the hash tests: hex text, random bytes and digests through a
// hash class, whole or in pieces.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/THash.h"
#include "tests/crypto/TestBytes.h"

namespace hash_test {

using crypto_test::Bytes;
using crypto_test::FromHex;
using crypto_test::ToHex;
inline Bytes Random(std::mt19937& rng, size_t n) { return crypto_test::RandomBytes(rng, n); }

inline Bytes Digest(THash& h) {
  return Bytes(h.GetDigest(), h.GetDigest() + h.DigestSize());
}

// The digest of Data by a new object of Class, in one Update.
inline Bytes DigestOf(THashClass Class, const void* Data, size_t Size) {
  TProtectionRef<THash> h = Class->Create();
  h->Reset();
  h->Update(Data, static_cast<int64_t>(Size));
  h->Finish();
  return Digest(*h);
}
inline Bytes DigestOf(THashClass Class, const Bytes& Data) {
  return DigestOf(Class, Data.data(), Data.size());
}
inline std::string HexDigestOf(THashClass Class, const std::string& Text) {
  return ToHex(DigestOf(Class, Text.data(), Text.size()));
}

// The digest of Data fed in pieces whose sizes come from Rng (1 to MaxPiece).
inline Bytes DigestInPieces(THashClass Class, const Bytes& Data, std::mt19937& Rng,
                            size_t MaxPiece) {
  TProtectionRef<THash> h = Class->Create();
  h->Reset();
  for (size_t done = 0; done < Data.size();) {
    const size_t n = std::min<size_t>(Data.size() - done, 1 + Rng() % MaxPiece);
    h->Update(Data.data() + done, static_cast<int64_t>(n));
    done += n;
  }
  h->Finish();
  return Digest(*h);
}

}  // namespace hash_test
