#include "imaging/model/ResampleRows.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Why these loops give the plain loops' results bit for bit:
// - Sums are integers. Along x they are taken in single-precision floats, and
//   every partial sum, in any order, is an integer below 2^24 (the caller's
//   bound), which a float holds exactly; along y they are 32-bit integers.
// - Quotients multiply by the divisor's reciprocal, offset by half a step: a
//   sum s = k d + m (0 <= m < d) lands at k + (m + 0.5) / d, at least 0.5 / d
//   from either integer, while the product and the addition err by less than
//   2^-50 of the value; truncation gives k. A negative sum lands below zero
//   and clamps to 0, as its truncated quotient does; one of 256 d or more
//   lands at 256 or more and clamps to 255.
// The loops are compiled twice, for the baseline instruction set and for AVX2
// with FMA (a fused multiply-add of exact integers is exact too), and the
// second runs where the processor has it.

namespace {

using Lanes4 = float __attribute__((vector_size(16)));
using Lanes8 = float __attribute__((vector_size(32)));

inline uint8_t Quotient(double sum, double inv, double half) {
  const int32_t n = static_cast<int32_t>(sum * inv + half);
  return static_cast<uint8_t>(n < 0 ? 0 : n > 255 ? 255 : n);
}

// A band of rows along x, kRows rows at a time: the rows are transposed into
// floats so that one source pixel of all the block's rows is a run of
// kRows * CH lanes, and each target pixel adds its taps' runs, weighted, in
// vector multiply-adds.
template <int CH, typename Lanes>
[[gnu::always_inline]] inline void AlongX(const uint8_t* const* rows_in, int32_t row_count, int32_t src_w,
                                          const TResampleTaps& taps, uint8_t* const* out) {
  constexpr int kRows = CH == 1 ? 16 : 8;
  constexpr int N = sizeof(Lanes) / sizeof(float);
  constexpr int L = kRows * CH, V = L / N;
  std::vector<float> block(static_cast<size_t>(src_w) * L);
  float* bp = block.data();
  std::vector<uint8_t> zeros;  // the rows past the band's end
  for (int32_t b = 0; b < row_count; b += kRows) {
    const int32_t rows = std::min(kRows, row_count - b);
    const uint8_t* in[kRows];
    if (rows < kRows) zeros.assign(static_cast<size_t>(src_w) * CH, 0);
    for (int r = 0; r < kRows; ++r) in[r] = r < rows ? rows_in[b + r] : zeros.data();
    for (int32_t i = 0; i < src_w; ++i) {
      float* o = bp + int64_t{i} * L;
      for (int r = 0; r < kRows; ++r)
        for (int k = 0; k < CH; ++k) o[r * CH + k] = in[r][int64_t{i} * CH + k];
    }
    for (int32_t x = 0; x < taps.Count; ++x) {
      Lanes acc[V] = {};
      for (int32_t t = taps.First[x]; t < taps.First[x + 1]; ++t) {
        const Lanes w = Lanes{} + static_cast<float>(taps.Weight[t]);
        const float* p = bp + int64_t{taps.Pixel[t]} * L;
        for (int v = 0; v < V; ++v) {
          Lanes pv;
          std::memcpy(&pv, p + v * N, sizeof pv);
          acc[v] += w * pv;
        }
      }
      float sums[L];
      std::memcpy(sums, acc, sizeof sums);
      const double inv = 1 / taps.Divisor[x], half = 0.5 * inv;
      uint8_t q[L];
      for (int l = 0; l < L; ++l) q[l] = Quotient(sums[l], inv, half);
      for (int r = 0; r < rows; ++r)
        for (int k = 0; k < CH; ++k) out[b + r][int64_t{x} * CH + k] = q[r * CH + k];
    }
  }
}

[[gnu::always_inline]] inline void AlongY(const uint8_t* const* rows, const int32_t* weight, int32_t count,
                                          double divisor, size_t len, int32_t* sums, uint8_t* out) {
  std::fill(sums, sums + len, 0);
  for (int32_t k = 0; k < count; ++k) {
    const uint8_t* in = rows[k];
    const int32_t w = weight[k];
    for (size_t i = 0; i < len; ++i) sums[i] += w * in[i];
  }
  const double inv = 1 / divisor, half = 0.5 * inv;
  for (size_t i = 0; i < len; ++i) out[i] = Quotient(sums[i], inv, half);
}

void AlongXBase(const uint8_t* const* rows, int32_t n, int32_t w, int ch, const TResampleTaps& taps,
                uint8_t* const* out) {
  if (ch == 1)
    AlongX<1, Lanes4>(rows, n, w, taps, out);
  else
    AlongX<3, Lanes4>(rows, n, w, taps, out);
}

[[gnu::target("avx2,fma")]] void AlongXWide(const uint8_t* const* rows, int32_t n, int32_t w, int ch,
                                            const TResampleTaps& taps, uint8_t* const* out) {
  if (ch == 1)
    AlongX<1, Lanes8>(rows, n, w, taps, out);
  else
    AlongX<3, Lanes8>(rows, n, w, taps, out);
}

void AlongYBase(const uint8_t* const* rows, const int32_t* weight, int32_t count, double divisor, size_t len,
                int32_t* sums, uint8_t* out) {
  AlongY(rows, weight, count, divisor, len, sums, out);
}

[[gnu::target("avx2,fma")]] void AlongYWide(const uint8_t* const* rows, const int32_t* weight, int32_t count,
                                            double divisor, size_t len, int32_t* sums, uint8_t* out) {
  AlongY(rows, weight, count, divisor, len, sums, out);
}

bool Wide() {
  static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return wide;
}
}  // namespace

void ResampleRowsAlongX(const uint8_t* const* Rows, int32_t RowCount, int32_t SourceWidth, int Channels,
                        const TResampleTaps& Taps, uint8_t* const* Out) {
  if (Wide())
    AlongXWide(Rows, RowCount, SourceWidth, Channels, Taps, Out);
  else
    AlongXBase(Rows, RowCount, SourceWidth, Channels, Taps, Out);
}

void ResampleRowAlongY(const uint8_t* const* Rows, const int32_t* Weight, int32_t Count, double Divisor,
                       size_t Length, int32_t* Scratch, uint8_t* Out) {
  if (Wide())
    AlongYWide(Rows, Weight, Count, Divisor, Length, Scratch, Out);
  else
    AlongYBase(Rows, Weight, Count, Divisor, Length, Scratch, Out);
}
