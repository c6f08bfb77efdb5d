// Row-length rule, bit rows, bit and byte reversal, byte-order swaps.
#pragma once

#include <cstdint>

#include "rtl/Numeric.h"

// Bytes of one row of Width pixels of BitsPerPixel bits, padded to AlignBits.
int64_t AlignedRowLength(int64_t Width, int32_t BitsPerPixel, int32_t AlignBits);

// The MSB-first mask of bit i of a row (0x80 for i mod 8 = 0).
inline uint8_t BitMask(int64_t i) { return static_cast<uint8_t>(0x80u >> (i & 7)); }
inline bool GetBit(const uint8_t* Row, int64_t i) { return (Row[i >> 3] & BitMask(i)) != 0; }
inline void SetBit(uint8_t* Row, int64_t i, bool Value) {
  if (Value)
    Row[i >> 3] |= BitMask(i);
  else
    Row[i >> 3] &= static_cast<uint8_t>(~BitMask(i));
}
// Copies Count bits from bit SourceBit of Source (which holds SourceBytes
// bytes) to bit TargetBit of Target; the target bits around the run keep
// their values. Nothing for Count < 1 or a negative bit offset.
void CopyBits(uint8_t* Target, const uint8_t* Source, int64_t TargetBit, int64_t SourceBytes,
              int64_t Count, int64_t SourceBit);

// Consecutive set bits from the lowest set bit (0x03E0 -> 5); 0 for 0.
int32_t MaskBitWidth(uint32_t Mask);
// ceil(log2 N) for N >= 1; -1 for 0.
int32_t CeilLog2(uint32_t N);

uint8_t ReverseBitsByte(uint8_t B);
constexpr uint16_t SwapWord(uint16_t V) { return static_cast<uint16_t>(V << 8 | V >> 8); }
constexpr uint32_t SwapDWord(uint32_t V) {
  return (V >> 24) | ((V >> 8) & 0xFF00u) | ((V << 8) & 0xFF0000u) | (V << 24);
}
constexpr uint16_t SwapWordIf(uint16_t V, bool Swap) { return Swap ? SwapWord(V) : V; }
constexpr uint32_t SwapDWordIf(uint32_t V, bool Swap) { return Swap ? SwapDWord(V) : V; }
