// The inner loops of the kernel filters in vector form: a band of rows
// filtered along x, and one target row summed from filtered rows along y.
// Both give exactly the integer sums and quotients of the plain loops (see
// ResampleRows.cpp for why); the caller checks the conditions first.
#pragma once

#include <cstddef>
#include <cstdint>

// One axis of a kernel filter as flat tables: target pixel x takes the taps
// First[x]..First[x + 1] - 1, each a source pixel index and an integer weight;
// Divisor[x] > 0 divides the weighted sum.
struct TResampleTaps {
  const int32_t* First;
  const int32_t* Pixel;
  const int32_t* Weight;
  const double* Divisor;
  int32_t Count;
};

// Filters source rows Rows[0..RowCount-1] (Channels = 1 or 3 bytes a pixel,
// SourceWidth pixels) along x into Out[r] (Taps.Count pixels). Every sum of
// |weight| * 255 over one target pixel's taps must stay below 2^24.
void ResampleRowsAlongX(const uint8_t* const* Rows, int32_t RowCount, int32_t SourceWidth, int Channels,
                        const TResampleTaps& Taps, uint8_t* const* Out);

// Out[i] = the clamped quotient of the sum of Weight[k] * Rows[k][i] over the
// Count taps, by Divisor > 0, for i < Length. Every sum of |weight| * 255 must
// fit 31 bits.
void ResampleRowAlongY(const uint8_t* const* Rows, const int32_t* Weight, int32_t Count, double Divisor,
                       size_t Length, int32_t* Scratch, uint8_t* Out);
