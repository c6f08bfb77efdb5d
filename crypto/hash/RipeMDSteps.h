// The step functions, message-word orders, rotation amounts and constants of
// RIPEMD-128/160 (Dobbertin, Bosselaers, Preneel, 1996), shared by the four
// RIPEMD classes. Internal to the library.
#pragma once

#include <cstdint>

#include "crypto/CodingRoutines.h"

namespace ripemd {

// Message-word order of the left (R) and the right (RR) line, 5 rounds of 16.
constexpr uint8_t R[80] = {0, 1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15,
                           7, 4,  13, 1,  10, 6,  15, 3,  12, 0, 9,  5,  2,  14, 11, 8,
                           3, 10, 14, 4,  9,  15, 8,  1,  2,  7, 0,  6,  13, 11, 5,  12,
                           1, 9,  11, 10, 0,  8,  12, 4,  13, 3, 7,  15, 14, 5,  6,  2,
                           4, 0,  5,  9,  7,  12, 2,  10, 14, 1, 3,  8,  11, 6,  15, 13};
constexpr uint8_t RR[80] = {5,  14, 7,  0, 9, 2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12,
                            6,  11, 3,  7, 0, 13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,
                            15, 5,  1,  3, 7, 14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13,
                            8,  6,  4,  1, 3, 11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14,
                            12, 15, 10, 4, 1, 5,  8,  7,  6,  2,  13, 14, 0,  3,  9,  11};
// Rotation amounts of the left (S) and the right (SR) line.
constexpr uint8_t S[80] = {11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,
                           7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12,
                           11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,
                           11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12,
                           9,  15, 5,  11, 6,  8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6};
constexpr uint8_t SR[80] = {8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,
                            9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11,
                            9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,
                            15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8,
                            8,  5,  12, 9,  12, 5,  14, 6,  8,  13, 6,  5,  15, 13, 11, 11};

// f1 to f5, selected by Fn (0 to 4).
template <int Fn>
inline uint32_t Fun(uint32_t x, uint32_t y, uint32_t z) {
  if constexpr (Fn == 0) return x ^ y ^ z;
  if constexpr (Fn == 1) return z ^ (x & (y ^ z));
  if constexpr (Fn == 2) return (x | ~y) ^ z;
  if constexpr (Fn == 3) return y ^ (z & (x ^ y));
  if constexpr (Fn == 4) return x ^ (y | ~z);
}

// Constants of the left and right lines of the five-round (160/320) and the
// four-round (128/256) forms, by round.
constexpr uint32_t KL[5] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xA953FD4E};
constexpr uint32_t KR5[5] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9, 0x00000000};
constexpr uint32_t KR4[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

// One round (16 steps) of a four-register line (RIPEMD-128/256): Round
// selects words, rotations and the constant K; Fn the function.
template <int Round, int Fn, bool Right>
inline void Round4(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t* x,
                   uint32_t k) {
  const uint8_t* r = Right ? RR : R;
  const uint8_t* s = Right ? SR : S;
#pragma GCC unroll 16
  for (int i = 0; i < 16; ++i) {
    const uint32_t t =
        RotateLeft32(a + Fun<Fn>(b, c, d) + x[r[16 * Round + i]] + k, s[16 * Round + i]);
    a = d;
    d = c;
    c = b;
    b = t;
  }
}

// One round of a five-register line (RIPEMD-160/320).
template <int Round, int Fn, bool Right>
inline void Round5(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                   const uint32_t* x, uint32_t k) {
  const uint8_t* r = Right ? RR : R;
  const uint8_t* s = Right ? SR : S;
#pragma GCC unroll 16
  for (int i = 0; i < 16; ++i) {
    const uint32_t t =
        RotateLeft32(a + Fun<Fn>(b, c, d) + x[r[16 * Round + i]] + k, s[16 * Round + i]) + e;
    a = e;
    e = d;
    d = RotateLeft32(c, 10);
    c = b;
    b = t;
  }
}

inline void LoadBlock(const void* Block, uint32_t* x) {
  for (int i = 0; i < 16; ++i) x[i] = LoadLE32(static_cast<const uint8_t*>(Block) + 4 * i);
}

}  // namespace ripemd
