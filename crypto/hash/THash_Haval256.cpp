#include "crypto/hash/THash_Haval256.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/HavalTables.h"

HASH_DEFINE_CLASS(THash_Haval256, THash, 32)
HASH_DEFINE_CLASS(THash_Haval224, THash_Haval256, 28)
HASH_DEFINE_CLASS(THash_Haval192, THash_Haval256, 24)
HASH_DEFINE_CLASS(THash_Haval160, THash_Haval256, 20)
HASH_DEFINE_CLASS(THash_Haval128, THash_Haval256, 16)

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "digest words are their little-endian bytes");

namespace {

// The five Boolean functions, arguments (x6, ..., x0) as published.
template <int P>
inline uint32_t Fn(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1,
                   uint32_t x0) {
  if constexpr (P == 1) return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
  if constexpr (P == 2)
    return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
  if constexpr (P == 3) return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
  if constexpr (P == 4)
    return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^
           (x2 & x6) ^ x0;
  if constexpr (P == 5) return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

// One pass of 32 steps. Step i works on x_k = t[(k - i) mod 8] and replaces x7:
// x7 := (phi_p(x6..x0) ror 7) + (x7 ror 11) + w + K.
template <int Passes, int P>
inline void Pass(uint32_t* t, const uint32_t* w) {
  constexpr const uint8_t* phi = haval::Phi[Passes - 3][P - 1];
  constexpr const uint8_t* order = haval::WordOrder[P - 1];
#pragma GCC unroll 32
  for (int i = 0; i < 32; ++i) {
    auto x = [&](int k) -> uint32_t& { return t[(k - i) & 7]; };
    const uint32_t f =
        Fn<P>(x(phi[0]), x(phi[1]), x(phi[2]), x(phi[3]), x(phi[4]), x(phi[5]), x(phi[6]));
    const uint32_t k = P == 1 ? 0 : haval::Constants[P - 2 < 0 ? 0 : P - 2][i];
    x(7) = RotateRight32(f, 7) + RotateRight32(x(7), 11) + w[order[i]] + k;
  }
}

}  // namespace

template <int Passes>
void THash_Haval256::CompressPasses(const uint8_t* Block) {
  uint32_t w[32];
  for (int i = 0; i < 32; ++i) w[i] = LoadLE32(Block + 4 * i);
  uint32_t t[8];
  std::memcpy(t, Digest, sizeof t);
  Pass<Passes, 1>(t, w);
  Pass<Passes, 2>(t, w);
  Pass<Passes, 3>(t, w);
  if constexpr (Passes >= 4) Pass<Passes, 4>(t, w);
  if constexpr (Passes >= 5) Pass<Passes, 5>(t, w);
  for (int i = 0; i < 8; ++i) Digest[i] += t[i];
}

void THash_Haval256::Reset() {
  static constexpr uint32_t kInitial[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                                           0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};
  std::memset(Buffer, 0, sizeof Buffer);
  if (rounds_ < 3 || rounds_ > 5) {
    const int n = DigestSize();
    rounds_ = n > 28 ? 5 : n > 20 ? 4 : 3;
  }
  compress_ = rounds_ == 3   ? &THash_Haval256::CompressPasses<3>
              : rounds_ == 4 ? &THash_Haval256::CompressPasses<4>
                             : &THash_Haval256::CompressPasses<5>;
  Count = 0;
  std::memcpy(Digest, kInitial, sizeof Digest);
  THash::Reset();
}

void THash_Haval256::Update(const void* Data, int64_t Size) {
  if (Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  const int64_t r = static_cast<int64_t>(Count % 128);
  Count += static_cast<uint64_t>(Size);
  if (r > 0) {
    if (Size < 128 - r) {
      std::memcpy(Buffer + r, p, static_cast<size_t>(Size));
      return;
    }
    std::memcpy(Buffer + r, p, static_cast<size_t>(128 - r));
    Compress(Buffer);
    p += 128 - r;
    Size -= 128 - r;
  }
  for (; Size >= 128; Size -= 128, p += 128) Compress(p);
  if (Size > 0) std::memcpy(Buffer, p, static_cast<size_t>(Size));
}

void THash_Haval256::Finish() {
  int r = static_cast<int>(Count % 128);
  Buffer[r] = 0x01;
  std::memset(Buffer + r + 1, 0, static_cast<size_t>(127 - r));
  if (r >= 118) {
    Compress(Buffer);
    std::memset(Buffer, 0, sizeof Buffer);
  }
  // Passes and version 1; the digest length in bits divided by 4.
  Buffer[118] = static_cast<uint8_t>(rounds_ * 8 + 1);
  Buffer[119] = static_cast<uint8_t>(DigestSize() * 2);
  StoreLE64(Buffer + 120, Count * 8);
  Compress(Buffer);
  std::memset(Buffer, 0, sizeof Buffer);
  Tailor();
  THash::Finish();
}

// Folds the eight words to the digest size, as published.
void THash_Haval256::Tailor() {
  uint32_t* f = Digest;
  uint32_t t;
  switch (DigestSize()) {
    case 16:
      t = (f[7] & 0x000000FF) | (f[6] & 0xFF000000) | (f[5] & 0x00FF0000) | (f[4] & 0x0000FF00);
      f[0] += RotateRight32(t, 8);
      t = (f[7] & 0x0000FF00) | (f[6] & 0x000000FF) | (f[5] & 0xFF000000) | (f[4] & 0x00FF0000);
      f[1] += RotateRight32(t, 16);
      t = (f[7] & 0x00FF0000) | (f[6] & 0x0000FF00) | (f[5] & 0x000000FF) | (f[4] & 0xFF000000);
      f[2] += RotateRight32(t, 24);
      t = (f[7] & 0xFF000000) | (f[6] & 0x00FF0000) | (f[5] & 0x0000FF00) | (f[4] & 0x000000FF);
      f[3] += t;
      break;
    case 20:
      t = (f[7] & 0x3F) | (f[6] & (0x7Fu << 25)) | (f[5] & (0x3Fu << 19));
      f[0] += RotateRight32(t, 19);
      t = (f[7] & (0x3Fu << 6)) | (f[6] & 0x3F) | (f[5] & (0x7Fu << 25));
      f[1] += RotateRight32(t, 25);
      t = (f[7] & (0x7Fu << 12)) | (f[6] & (0x3Fu << 6)) | (f[5] & 0x3F);
      f[2] += t;
      t = (f[7] & (0x3Fu << 19)) | (f[6] & (0x7Fu << 12)) | (f[5] & (0x3Fu << 6));
      f[3] += t >> 6;
      t = (f[7] & (0x7Fu << 25)) | (f[6] & (0x3Fu << 19)) | (f[5] & (0x7Fu << 12));
      f[4] += t >> 12;
      break;
    case 24:
      t = (f[7] & 0x1F) | (f[6] & (0x3Fu << 26));
      f[0] += RotateRight32(t, 26);
      t = (f[7] & (0x1Fu << 5)) | (f[6] & 0x1F);
      f[1] += t;
      t = (f[7] & (0x3Fu << 10)) | (f[6] & (0x1Fu << 5));
      f[2] += t >> 5;
      t = (f[7] & (0x1Fu << 16)) | (f[6] & (0x3Fu << 10));
      f[3] += t >> 10;
      t = (f[7] & (0x1Fu << 21)) | (f[6] & (0x1Fu << 16));
      f[4] += t >> 16;
      t = (f[7] & (0x3Fu << 26)) | (f[6] & (0x1Fu << 21));
      f[5] += t >> 21;
      break;
    case 28:
      f[0] += (f[7] >> 27) & 0x1F;
      f[1] += (f[7] >> 22) & 0x1F;
      f[2] += (f[7] >> 18) & 0x0F;
      f[3] += (f[7] >> 13) & 0x1F;
      f[4] += (f[7] >> 9) & 0x0F;
      f[5] += (f[7] >> 4) & 0x1F;
      f[6] += f[7] & 0x0F;
      break;
    default:
      break;
  }
}

uint8_t* THash_Haval256::GetDigest() {
  return reinterpret_cast<uint8_t*>(Digest);
}
