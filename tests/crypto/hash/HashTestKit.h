// Helpers of the hash tests: hex text, random bytes and digests through a
// hash class, whole or in pieces.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "crypto/THash.h"

namespace hash_test {

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
inline std::string ToHex(const Bytes& b) {
  return ToHex(b.data(), b.size());
}

inline Bytes Random(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

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
