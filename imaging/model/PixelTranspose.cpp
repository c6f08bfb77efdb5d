#include "imaging/model/PixelTranspose.h"

#include <immintrin.h>

#include <cstring>

namespace {
// Eight 32-bit lanes of eight registers, transposed.
[[gnu::target("avx2")]] inline void Transpose8x8(__m256i r[8]) {
  __m256i t[8], u[8];
  for (int i = 0; i < 8; i += 2) {
    t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
    t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
  }
  for (int i = 0; i < 8; i += 4) {
    u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
    u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
    u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
    u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
  }
  for (int i = 0; i < 4; ++i) {
    r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
    r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
  }
}

// Blocks go along the target lines (eight lines filled from left to right
// at a time, which the memory writes best), the tile's source bytes staying
// in cache.
// 3-byte pixels: eight (24 bytes) widened to one 32-bit lane each with two
// 16-byte loads that stay inside those 24 bytes, and narrowed back after the
// transpose into 24 contiguous bytes stored as 16 + 8.
[[gnu::target("avx2")]] void Blocks24(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out,
                                      int32_t Columns) {
  const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                         4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m256i narrow = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i pack = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  for (int32_t j0 = 0; j0 < Columns; j0 += 8)
    for (int32_t i0 = 0; i0 < Rows; i0 += 8) {
      __m256i r[8];
      for (int i = 0; i < 8; ++i) {
        const uint8_t* p = In[i0 + i] + int64_t{j0} * 3;
        const __m256i v = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), 1);
        r[i] = _mm256_shuffle_epi8(v, widen);
      }
      Transpose8x8(r);
      for (int j = 0; j < 8; ++j) {
        const __m256i v = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(r[j], narrow), pack);
        uint8_t* q = Out[j0 + j] + int64_t{i0} * 3;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(q), _mm256_castsi256_si128(v));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(q + 16), _mm256_extracti128_si256(v, 1));
      }
    }
}

[[gnu::target("avx2")]] void Blocks32(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out,
                                      int32_t Columns) {
  for (int32_t j0 = 0; j0 < Columns; j0 += 8)
    for (int32_t i0 = 0; i0 < Rows; i0 += 8) {
      __m256i r[8];
      for (int i = 0; i < 8; ++i)
        r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(In[i0 + i] + int64_t{j0} * 4));
      Transpose8x8(r);
      for (int j = 0; j < 8; ++j)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out[j0 + j] + int64_t{i0} * 4), r[j]);
    }
}

bool Wide() {
  static const bool wide = __builtin_cpu_supports("avx2");
  return wide;
}
}  // namespace

void TransposePixelsPlain(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out, int32_t Columns,
                          int Bytes) {
  for (int32_t j = 0; j < Columns; ++j)
    for (int32_t i = 0; i < Rows; ++i)
      std::memcpy(Out[j] + int64_t{i} * Bytes, In[i] + int64_t{j} * Bytes, static_cast<size_t>(Bytes));
}

void TransposePixels(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out, int32_t Columns, int Bytes) {
  if (!Wide())
    TransposePixelsPlain(In, Rows, Out, Columns, Bytes);
  else if (Bytes == 3)
    Blocks24(In, Rows, Out, Columns);
  else
    Blocks32(In, Rows, Out, Columns);
}
